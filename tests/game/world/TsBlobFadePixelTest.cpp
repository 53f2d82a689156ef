// Camera fade on a real device, as the level's camera sees it: pitched
// down behind the focus, with what stands between them fading out. Dynamic
// geometry fades through the frame's batch; blob shadows stay on the floor
// that a faded wall uncovers and stay hidden where the wall is solid.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "game/world/TsBlobRenderer.h"
#include "game/world/TsWorld.h"
#include "game/world/TsWorldCell.h"
#include "game/world/TsWorldDrawing.h"
#include "tests/game/world/WorldPixelFixture.h"

namespace {

using worldtest::Channel;

// The camera above and behind the focus on the floor at (10, 0, 9.5),
// looking down at it along (0, -0.8, -0.6); the fade centre is the focus.
const OmVector3 kFocus(10, 0, 9.5f);

class BlobFadePixelTest : public worldtest::WorldPixelTest {
protected:
    void LookAtFocus(float distance)
    {
        SetCamera(kFocus + OmVector3(0, 0.8f, 0.6f) * distance, OmVector3(-1, 0, 0), OmVector3(0, 0.6f, -0.8f),
                  OmVector3(0, -0.8f, -0.6f));
    }
    TsBlobRenderer& Cells() { return TsWorldDrawing::Of(*world_).Cells(); }
    uint32_t At(const std::vector<uint32_t>& pixels, const OmVector3& p) const
    {
        const auto [x, y] = Project(p);
        return Pixel(pixels, x, y);
    }
};

// A flat green panel of 4 x 3 unit squares at height 3 over the floor
// (x 8..12, z 10..13), quantised as the world's cells are; its triangles
// face up, clockwise seen from above.
void MakePanel(const TsWorld& world, int32_t material, TsCellGroup& panel)
{
    constexpr uint32_t kWide = 4, kDeep = 3;
    const float quantum = 65535.0f / world.GetCellEdge();
    for (uint32_t j = 0; j <= kDeep; ++j)
        for (uint32_t i = 0; i <= kWide; ++i) {
            TsCellVertex v;
            v.x = static_cast<uint16_t>(float(i) * quantum);
            v.z = static_cast<uint16_t>(float(j) * quantum);
            v.colour = 0x00006000; // green, stored at half
            panel.vertices.Add(v);
        }
    for (uint32_t j = 0; j < kDeep; ++j)
        for (uint32_t i = 0; i < kWide; ++i) {
            const uint16_t a = static_cast<uint16_t>(j * (kWide + 1) + i), b = a + 1;
            const uint16_t c = static_cast<uint16_t>(a + kWide + 1), d = c + 1;
            for (uint16_t k : {a, c, b, c, d, b})
                panel.indices.Add(k);
        }
    TsCellRun run;
    run.material = material;
    run.triangleCount = panel.GetTriangleCount();
    run.vertexCount = panel.vertices.GetCount();
    panel.runs.Add(run);
}

// How much greener than red a pixel is: the panel's own colour shows as a
// large excess, the grey floor through it as none.
int GreenExcess(uint32_t pixel) { return int(Channel(pixel, 8)) - int(Channel(pixel, 16)); }

TEST_F(BlobFadePixelTest, DynamicGeometryInTheBatchFadesWhereItHidesTheFocusAndBrokenGeometryIsLeftOut)
{
    Build();
    LookAtFocus(10.0f);
    TsCellGroup panel;
    MakePanel(*world_, world_->Cell(0).Group(TS_CELL_OPAQUE).runs[0].material, panel);
    const auto withPanel = [&](TsWorld& w) { Cells().AddDynamic(panel, OmVector3(8, 3, 10), w.GetLightNodes()); };
    const OmVector3 onAxis(10, 3, 11.75f);  // where the panel crosses the camera's axis
    const OmVector3 farCorner(8.1f, 3, 10.1f); // beside a corner too far off the axis to fade

    Cells().SetCameraFade(1.0f, kFocus, 5.0f);
    const std::vector<uint32_t> solid = Frame(0.0f, withPanel, true);
    const int full = GreenExcess(At(solid, onAxis));
    ASSERT_GT(full, 60) << "the panel is drawn";
    EXPECT_GT(GreenExcess(At(solid, farCorner)), full - 10);
    EXPECT_NEAR(GreenExcess(At(Frame(0.0f), onAxis)), 0, 5) << "without the batch the floor alone";

    struct Case {
        float minimumAlpha;
        OmVector3 at;
        float low, high; // bounds of the green excess as a share of the solid panel's
    };
    const Case cases[] = {
        {0.0f, onAxis, -0.1f, 0.15f},  // nearly clear: the floor shows
        {0.6f, onAxis, 0.45f, 0.75f},  // no clearer than the minimum alpha
        {0.0f, farCorner, 0.8f, 1.1f}, // off the axis the panel stands
    };
    for (const Case& c : cases) {
        Cells().SetCameraFade(c.minimumAlpha, kFocus, 5.0f);
        const float share = float(GreenExcess(At(Frame(0.0f, withPanel, true), c.at))) / float(full);
        EXPECT_GE(share, c.low) << "minimum alpha " << c.minimumAlpha << " at x " << c.at.x;
        EXPECT_LE(share, c.high) << "minimum alpha " << c.minimumAlpha << " at x " << c.at.x;
    }

    // Geometry that names vertices past its lists is left out, and said so.
    Cells().SetCameraFade(2.0f, kFocus, 5.0f); // no fade
    panel.runs[0].triangleCount += 1;
    rtest::ErrorLog log;
    EXPECT_NEAR(GreenExcess(At(Frame(0.0f, withPanel, true), onAxis)), 0, 5);
    EXPECT_EQ(log.Count("a dynamic object's geometry"), 1u);
}

// The character stands in a cell whose wall (z = 12) stands between it and
// the camera. With the wall faded its shadow is seen on the floor; a shadow
// on floor behind the wall's solid part stays hidden.
TEST_F(BlobFadePixelTest, ABlobShadowStaysOnTheFloorBehindAFadedWall)
{
    Build(true);
    LookAtFocus(15.0f);
    Cells().SetCameraFade(0.0f, kFocus, 5.0f);
    struct Case {
        OmVector3 feet;
        bool seen;
    };
    const Case cases[] = {
        {kFocus, true},                  // through the faded wall
        {OmVector3(5.06f, 0, 9.32f), false}, // behind the wall at (6.5, 3.5, 12), which stays solid
    };
    for (const Case& c : cases) {
        const OmVector3 caster = c.feet + OmVector3(0, 1.5f, 0); // as a character casts it
        const std::vector<uint32_t> plain = Frame(0.0f);
        const std::vector<uint32_t> shadowed =
            Frame(0.0f, [&](TsWorld& w) { w.ProjectShadow(caster, 2.0f, caster.y); });
        const uint32_t before = At(plain, c.feet), after = At(shadowed, c.feet);
        if (c.seen) {
            EXPECT_GT(worldtest::Brightness(before), 60u) << "the floor shows through the wall";
            EXPECT_LT(worldtest::Brightness(after), 20u) << "the shadow lies on it";
        } else {
            EXPECT_GT(Channel(before, 16), Channel(before, 8) + 60) << "the wall's red";
            EXPECT_EQ(after, before) << "no shadow through the solid wall";
        }
    }
}

} // namespace
