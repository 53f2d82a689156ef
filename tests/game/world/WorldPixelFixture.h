// The world drawn on a real device (Mesa under the test display): a small
// level made through the importer, seen from above (40 pixels a unit, world
// x to the right, world z up the screen, the floor's centre (8, 8) at the
// centre of an 800 x 600 frame) or from a camera the test places.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "engine/OmCamera.h"
#include "game/world/TsExplosion.h"
#include "game/world/TsWorld.h"
#include "tests/game/framework/ScratchDir.h"
#include "tests/game/world/WorldSceneSupport.h"
#include "tests/game/world/WorldTestSupport.h"
#include "tests/render/RendererFixture.h"

namespace worldtest {

inline uint32_t Channel(uint32_t c, int shift) { return (c >> shift) & 0xFF; }
inline uint32_t Brightness(uint32_t c) { return Channel(c, 16) + Channel(c, 8) + Channel(c, 0); }

class WorldPixelTest : public rtest::RendererTest {
protected:
    void SetUp() override
    {
        // A black disc on clear ground, and clouds in black and white bands.
        scratch_.Write("data/FX/blob2.tga", worldtest::Targa(16, 16, [](uint32_t x, uint32_t y) {
                           const float dx = float(x) - 7.5f, dy = float(y) - 7.5f;
                           return dx * dx + dy * dy < 36.0f ? 0xFF000000u : 0x00000000u;
                       }));
        scratch_.Write("data/FX/clouda.tga", worldtest::Targa(16, 16, [](uint32_t x, uint32_t) {
                           return x < 8 ? 0xFF202020u : 0xFFFFFFFFu;
                       }));
        ASSERT_TRUE(Open(800, 600));
        world_ = new TsWorld();
    }
    void TearDown() override
    {
        if (world_)
            world_->Release();
        TsInitialExplosions::Shutdown();
        RendererTest::TearDown();
    }

    void Build(bool wall = false, bool water = false)
    {
        ASSERT_TRUE(worldtest::BuildWorld(*world_, *renderer, wall, water));
    }

    void LookDown()
    {
        SetCamera(OmVector3(8, 20, 8), OmVector3(1, 0, 0), OmVector3(0, 0, 1), OmVector3(0, -1, 0));
    }
    void SetCamera(const OmVector3& at, const OmVector3& right, const OmVector3& up, const OmVector3& forward)
    {
        OmCamera* camera = renderer->GetCamera();
        OmProjection projection;
        projection.halfWidth = 0.5f, projection.halfHeight = 0.375f;
        projection.nearDistance = 1.0f, projection.farDistance = 100.0f;
        camera->SetProjection(projection);
        camera->SetFrame(at, right, up, forward);
        eye_ = at, right_ = right, up_ = up, forward_ = forward;
        renderer->InvalidateCamera(true);
        renderer->ApplyCamera();
    }

    // One frame of the world at time t; the back buffer's pixels.
    // With batch, the frame's blended triangles are filed and drawn as the
    // level's frame does.
    std::vector<uint32_t> Frame(float t, const std::function<void(TsWorld&)>& extra = {}, bool batch = false)
    {
        ClearTo(0.0f, 0.0f, 0.5f);
        EXPECT_EQ(Device()->BeginScene(), plat::GfxResult::Ok);
        if (batch)
            renderer->GetBatch().Begin(0);
        world_->Render(t, 0.0f);
        if (extra)
            extra(*world_);
        if (batch)
            renderer->GetBatch().Flush();
        Device()->EndScene();
        return ReadPixels();
    }

    // Pixel of world point (x, z) when looking down.
    static uint32_t Px(float x) { return uint32_t(400 + (x - 8) * 40); }
    static uint32_t Py(float z) { return uint32_t(300 - (z - 8) * 40); }
    // Pixel of a world point in front of the camera last set.
    std::pair<uint32_t, uint32_t> Project(const OmVector3& p) const
    {
        const OmVector3 d = p - eye_;
        const float depth = d.Dot(forward_);
        return {uint32_t(400.0f + d.Dot(right_) / depth / 0.5f * 400.0f),
                uint32_t(300.0f - d.Dot(up_) / depth / 0.375f * 300.0f)};
    }

    ScratchDir scratch_;
    TsWorld* world_ = nullptr;
    OmVector3 eye_, right_, up_, forward_;
};

} // namespace worldtest
