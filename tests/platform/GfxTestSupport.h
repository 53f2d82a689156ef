// A device on a hidden window, with helpers to draw and read pixels back.
#pragma once

#include "platform/DebugOutput.h"
#include "platform/GfxDevice.h"
#include "platform/GfxSystem.h"
#include "tests/platform/ImageTestFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <tuple>
#include <vector>

namespace gfxtest {

using namespace plat;
using imgtest::Near;

struct RhwVertex {
    float x, y, z, rhw;
    uint32_t color;
};
struct RhwTexVertex : RhwVertex {
    float u, v;
};

// Writes 32-bit texels into level 0 of a texture, width to a row.
inline void FillTexture(GfxTexture* texture, uint32_t width, const std::vector<uint32_t>& texels)
{
    GfxLockedRect locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), GfxResult::Ok);
    for (size_t i = 0; i < texels.size(); ++i)
        std::memcpy(static_cast<uint8_t*>(locked.bits) + i / width * locked.pitch + i % width * 4, &texels[i], 4);
    texture->UnlockRect(0);
}

class DeviceTest : public ::testing::Test {
protected:
    // Every test ends without OpenGL errors or programs that failed to build.
    void TearDown() override
    {
        Destroy();
        if (hooked) {
            SetDebugOutputHook(nullptr);
            hooked = false;
        }
        for (const std::string& line : glTrouble)
            ADD_FAILURE() << line;
    }

    bool Make(uint32_t width, uint32_t height, uint32_t format = GfxFormat::X8R8G8B8, uint32_t depth = GfxFormat::D16)
    {
        Destroy();
        if (!hooked) {
            SetDebugOutputHook([this](std::string_view text) {
                if (text.find("OpenGL error") != text.npos || text.find("does not") != text.npos)
                    glTrouble.emplace_back(text);
            });
            hooked = true;
        }
        system = GfxSystem::Create(220);
        params = {};
        params.backBufferWidth = width;
        params.backBufferHeight = height;
        params.backBufferFormat = format;
        params.swapEffect = GfxSwap::Discard;
        params.windowed = 1;
        params.enableAutoDepthStencil = depth != 0;
        params.autoDepthStencilFormat = depth;
        return system && system->CreateDevice(0, GfxDevType::Hal, nullptr, GfxCreate::MixedVertexProcessing,
                                              &params, &device) == GfxResult::Ok;
    }

    void Destroy()
    {
        for (GfxObject* object : held)
            object->Release();
        held.clear();
        if (device)
            device->Release();
        if (system)
            system->Release();
        device = nullptr, system = nullptr;
    }

    // The back buffer's colour at (x, y), without the alpha byte (A8R8G8B8 / X8R8G8B8).
    uint32_t Rgb(int x, int y)
    {
        GfxSurface* back = nullptr;
        EXPECT_EQ(device->GetBackBuffer(0, GfxBackBufferMono, &back), GfxResult::Ok);
        GfxLockedRect locked{};
        EXPECT_EQ(back->LockRect(&locked, nullptr, GfxLock::ReadOnly), GfxResult::Ok);
        uint32_t value = 0;
        std::memcpy(&value, static_cast<uint8_t*>(locked.bits) + y * locked.pitch + x * 4, 4);
        back->UnlockRect();
        back->Release();
        return value & 0xFFFFFF;
    }

    struct Probe {
        int x, y;
        uint32_t rgb;
    };
    void ExpectRgb(std::initializer_list<Probe> probes)
    {
        for (const Probe& p : probes)
            EXPECT_EQ(Rgb(p.x, p.y), p.rgb) << "at " << p.x << ", " << p.y;
    }

    void ClearTo(uint32_t color)
    {
        ASSERT_EQ(device->Clear(0, nullptr, GfxClear::Target | GfxClear::ZBuffer, color, 1.0f, 0), GfxResult::Ok);
    }

    // Two triangles covering [x0, x1) x [y0, y1) in pixels at depth z, clockwise on screen.
    void DrawRect(float x0, float y0, float x1, float y1, uint32_t color, float z = 0.5f)
    {
        const float l = x0 - 0.5f, t = y0 - 0.5f, r = x1 - 0.5f, b = y1 - 0.5f;
        const RhwVertex v[6] = {{l, t, z, 1, color}, {r, t, z, 1, color}, {l, b, z, 1, color},
                                {r, t, z, 1, color}, {r, b, z, 1, color}, {l, b, z, 1, color}};
        device->SetVertexShader(GfxFvf::RhwDiffuse);
        ASSERT_EQ(device->DrawPrimitiveUP(GfxPrimitive::TriangleList, 2, v, sizeof(RhwVertex)), GfxResult::Ok);
    }

    // A quad filling a size x size target, texture u from 0 to uMax, v from 0 to 1.
    void DrawTexturedQuad(float size, uint32_t color, float uMax = 1)
    {
        const float e = size - 0.5f;
        const RhwTexVertex v[4] = {{{-0.5f, -0.5f, 0.5f, 1, color}, 0, 0}, {{e, -0.5f, 0.5f, 1, color}, uMax, 0},
                                   {{-0.5f, e, 0.5f, 1, color}, 0, 1}, {{e, e, 0.5f, 1, color}, uMax, 1}};
        device->BeginScene();
        ClearTo(0xFF000000);
        device->SetVertexShader(GfxFvf::RhwDiffuseTex1);
        ASSERT_EQ(device->DrawPrimitiveUP(GfxPrimitive::TriangleStrip, 2, v, sizeof(RhwTexVertex)), GfxResult::Ok);
        device->EndScene();
    }

    // A managed texture of one level holding width x height 32-bit texels.
    GfxTexture* MakeTexture(uint32_t width, uint32_t height, const std::vector<uint32_t>& texels,
                            uint32_t format = GfxFormat::A8R8G8B8)
    {
        GfxTexture* texture = nullptr;
        EXPECT_EQ(device->CreateTexture(width, height, 1, 0, format, GfxPool::Managed, &texture), GfxResult::Ok);
        if (texture)
            FillTexture(texture, width, texels);
        return texture;
    }

    // Released with the device, first.
    template <class T>
    T* Hold(T* object)
    {
        if (object)
            held.push_back(object);
        return object;
    }

    // Level 0 of a new render-target texture (held, and given in *texture when asked).
    GfxSurface* TargetLevel(uint32_t size = 32, uint32_t format = GfxFormat::X8R8G8B8, GfxTexture** texture = nullptr)
    {
        GfxTexture* made = nullptr;
        EXPECT_EQ(device->CreateTexture(size, size, 1, GfxUsage::RenderTarget, format, GfxPool::Default, &made),
                  GfxResult::Ok);
        if (texture)
            *texture = made;
        return Level(Hold(made));
    }
    GfxSurface* Level(GfxTexture* texture)
    {
        GfxSurface* level = nullptr;
        if (texture)
            texture->GetSurfaceLevel(0, &level);
        return Hold(level);
    }
    GfxSurface* Depth(uint32_t size = 32, uint32_t format = GfxFormat::D16)
    {
        GfxSurface* depth = nullptr;
        EXPECT_EQ(device->CreateDepthStencilSurface(size, size, format, 0, &depth), GfxResult::Ok);
        return Hold(depth);
    }
    GfxSurface* Back()
    {
        GfxSurface* back = nullptr;
        EXPECT_EQ(device->GetRenderTarget(&back), GfxResult::Ok);
        return Hold(back);
    }
    GfxSurface* BackDepth()
    {
        GfxSurface* depth = nullptr;
        EXPECT_EQ(device->GetDepthStencilSurface(&depth), GfxResult::Ok);
        return Hold(depth);
    }

    std::vector<GfxObject*> held;
    GfxSystem* system = nullptr;
    GfxDevice* device = nullptr;
    bool hooked = false;
    std::vector<std::string> glTrouble;
    GfxPresentParameters params{};
};

// Copies data to the start of a vertex or index buffer.
template <class Buffer, class T>
void Fill(Buffer* buffer, const T& data)
{
    uint8_t* p = nullptr;
    ASSERT_EQ(buffer->Lock(0, 0, &p, 0), GfxResult::Ok);
    std::memcpy(p, &data, sizeof data);
    buffer->Unlock();
}

} // namespace gfxtest
