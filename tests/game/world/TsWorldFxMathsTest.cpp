// The arithmetic of the world's effects, without a device: cloud scrolling
// and projection, the liquid waves and their piecing into the shared
// buffers, model light colours, the cell renderer's vertex colours and the
// camera-fade rule.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/OmCamera.h"
#include "engine/OmMaxLight.h"
#include "engine/OmPlane.h"
#include "game/world/TsBlobRenderer.h"
#include "game/world/TsCloud.h"
#include "game/world/TsEffectUtil.h"
#include "game/world/TsLiquid.h"
#include "game/world/TsModelLighting.h"

namespace {

TEST(CloudTest, FirstUpdateHoldsAndOffsetsWrap)
{
    TsCloud cloud("data\\FX\\clouda.tga"); // no renderer: the layer is off
    EXPECT_FALSE(cloud.IsActive());
    cloud.uSpeed = cloud.vSpeed = 1.0f;
    cloud.Update(50.0f);
    EXPECT_FLOAT_EQ(cloud.uOffset, 0.0f);
    cloud.uOffset = 0.99f;
    cloud.vOffset = -0.99f;
    cloud.vSpeed = -1.0f;
    cloud.Update(50.02f);
    EXPECT_NEAR(cloud.uOffset, -0.99f, 1e-4f);
    EXPECT_NEAR(cloud.vOffset, 0.99f, 1e-4f);
}

TEST(CloudTest, ProjectionMapsCameraSpaceToWorldXZ)
{
    TsCloud cloud("data\\FX\\clouda.tga");
    cloud.uScale = 0.5f, cloud.vScale = 0.25f, cloud.uOffset = 0.1f, cloud.vOffset = 0.2f;
    OmCamera camera;
    // Looking down from (4, 10, 8): camera x is world x, camera y world z.
    camera.SetFrame(OmVector3(4, 10, 8), OmVector3(1, 0, 0), OmVector3(0, 0, 1), OmVector3(0, -1, 0));
    cloud.BuildTextureMatrix(&camera);
    // Camera-space (1, 2, 10) is world (5, 0, 10).
    const OmVector3 uv = cloud.textureMatrix.TransformPoint(OmVector3(1, 2, 10));
    EXPECT_NEAR(uv.x, 5 * 0.5f + 0.1f, 1e-5f);
    EXPECT_NEAR(uv.y, 10 * 0.25f + 0.2f, 1e-5f);
}

TEST(LiquidTest, WavesHaveTheirKindsAmplitudes)
{
    float maxWater = 0, maxLava = 0;
    for (float t = 0; t < 10.0f; t += 0.37f) {
        TsLiquids::UpdateWaveGrids(t);
        for (int j = 0; j < 8; ++j)
            for (int i = 0; i < 8; ++i) {
                maxWater = std::max(maxWater, std::fabs(TsLiquids::WaterGrid()[j][i]));
                maxLava = std::max(maxLava, std::fabs(TsLiquids::LavaGrid()[j][i]));
            }
    }
    EXPECT_NEAR(maxWater, 0.15f, 0.005f);
    EXPECT_NEAR(maxLava, 0.1f, 0.005f);
    EXPECT_NEAR(TsLiquids::TableSin(3.14159265f / 2), 1.0f, 1e-3f);
    EXPECT_NEAR(TsLiquids::TableSin(2 * 3.14159265f + 0.5f), std::sin(0.5f), 2e-3f);
}

TEST(LiquidTest, StillVerticesNeverMoveAndOthersFollowTheGrid)
{
    TsLiquid water;
    TsLiquidVertex still{1, 0, 1, 0, 0, 0, 1};
    TsLiquidVertex moving{1, 0, 1, 0, 0, 0, 0};
    TsLiquid lava;
    lava.kind = TsLiquid::kLava;
    for (float t : {0.3f, 1.7f}) {
        TsLiquids::UpdateWaveGrids(t);
        EXPECT_EQ(TsLiquids::VertexWave(water, still, 8.0f), 0.0f);
        // Eight grid steps per cell edge: (1, 1) on an 8-unit cell is (1, 1).
        EXPECT_FLOAT_EQ(TsLiquids::VertexWave(water, moving, 8.0f), TsLiquids::WaveHeight(TsLiquids::WaterGrid(), 1, 1));
        const auto& g = TsLiquids::WaterGrid();
        EXPECT_NEAR(TsLiquids::WaveHeight(g, 1.25f, 1.25f),
                    (0.75f * g[1][1] + 0.25f * g[2][1]) * 0.75f + (0.75f * g[1][2] + 0.25f * g[2][2]) * 0.25f, 1e-6f);
        EXPECT_FLOAT_EQ(TsLiquids::VertexWave(lava, moving, 8.0f), TsLiquids::WaveHeight(TsLiquids::LavaGrid(), 1, 1));
    }
}

TEST(LiquidTest, LargeSurfacesAreCutIntoPiecesThatFitTheBuffers)
{
    // 6000 separate triangles: 18000 vertices, far beyond one buffer.
    TsLiquid big;
    for (uint32_t t = 0; t < 6000; ++t) {
        for (int k = 0; k < 3; ++k)
            big.vertices.Add({float(t), 0, float(k), 0, 0, 0, 0});
        big.triangles.Add({{uint16_t(3 * t), uint16_t(3 * t + 1), uint16_t(3 * t + 2)}});
    }
    uint32_t covered = 0, pieces = 0;
    while (covered < big.triangles.GetCount()) {
        uint32_t vertices = 0;
        const uint32_t count = TsLiquids::NextPiece(big, covered, vertices);
        ASSERT_GT(count, 0u);
        EXPECT_LE(vertices, TsLiquids::kMaxVertices);
        EXPECT_LE(3 * count, TsLiquids::kMaxIndices);
        // Every index of the piece names one of its own vertices.
        for (uint32_t t = covered; t < covered + count; ++t)
            for (uint16_t v : big.triangles[t].index)
                EXPECT_EQ(TsLiquids::PieceVertex(TsLiquids::PieceIndex(v)), v);
        covered += count;
        ++pieces;
    }
    EXPECT_EQ(pieces, 5u); // 1365 triangles (4095 vertices) a piece
}

TEST(ModelLightingTest, ColoursPackClamped)
{
    const struct {
        float r, g, b, a;
        uint32_t packed;
    } cases[] = {{1.5f, 0, 0, 1, 0xFFFF0000u}, {-0.2f, 1, 0, 0, 0x0000FF00u}, {0.5f, 0.5f, 0.5f, 0.5f, 0x7F7F7F7Fu},
                 {0, 0, 0, 0, 0u}};
    for (const auto& c : cases)
        EXPECT_EQ(ColourToARGB(c.r, c.g, c.b, c.a), c.packed);
}

TEST(ModelLightingTest, DirectionsComeFromPositionOrAxisAndNeverVanish)
{
    OmMaxLight omni;
    omni.type = OmMaxLight::kOmni;
    omni.position = OmVector3(0, 10, 0);
    OmVector3 d = TsModelLightDirection(omni, OmVector3(0, 0, 0));
    EXPECT_FLOAT_EQ(d.y, -1.0f);
    // A model standing in the light: straight down rather than NaN.
    d = TsModelLightDirection(omni, OmVector3(0, 10, 0));
    EXPECT_FLOAT_EQ(d.y, -1.0f);
    OmMaxLight directional;
    directional.type = 1;
    directional.direction = OmVector3(2, 0, 0);
    EXPECT_FLOAT_EQ(TsModelLightDirection(directional, OmVector3()).x, 1.0f);
    directional.direction = OmVector3();
    EXPECT_FALSE(std::isnan(TsModelLightDirection(directional, OmVector3()).x));
}

TEST(CellColourTest, LightsAddWeightedColour)
{
    OmMaxLight red;
    red.on = 1, red.multiplier = 1.0f, red.colour[0] = 1.0f;
    OmMaxLight off = red;
    off.on = 0;
    TsCellLights lights;
    lights.Add(nullptr);
    lights.Add(&red);
    lights.Add(&off);
    TsCellVertex v;
    v.colour = 0x07102030; // normal index 7 in the top byte
    EXPECT_EQ(TsBlobRenderer::LitColour(v, lights), 0xFF102030u);
    v.lightIndices = 0x01000000; // slot 0: the red light
    v.lightWeights = 0x80000000;
    EXPECT_EQ(TsBlobRenderer::LitColour(v, lights), 0xFF902030u);
    v.lightWeights = 0xFF000000;
    EXPECT_EQ(TsBlobRenderer::LitColour(v, lights), 0xFFFF2030u); // clamped
    v.lightIndices = 0x02000000; // the light that is off adds nothing
    EXPECT_EQ(TsBlobRenderer::LitColour(v, lights), 0xFF102030u);
    v.lightIndices = 0x09000000; // an index past the list is ignored
    EXPECT_EQ(TsBlobRenderer::LitColour(v, lights), 0xFF102030u);
}

TEST(CameraFadeTest, FadesOnlyWhatStandsBetweenCameraAndFocus)
{
    TsBlobRenderer cells;
    cells.SetCameraFade(0.0f, OmVector3(0, 0, 10), 5.0f);
    EXPECT_TRUE(cells.IsCameraFadeOn());
    const OmVector3 camera(0, 5, 0), axis(0, 0, 1);
    const struct {
        OmVector3 p;
        uint32_t alpha;
    } cases[] = {
        {{0.5f, 5, 5}, 13},   // 0.25 * 0.2 = 0.05 of 255
        {{0.5f, 0.5f, 5}, 255}, // below the focus + 1
        {{0.5f, 5, 12}, 255},  // farther than the focus
        {{0.5f, 5, -1}, 255},  // behind the camera
        {{2.5f, 5, 5}, 255},   // 6.25 off the axis
        {{2, 5, 5}, 204},      // 4 * 0.2 = 0.8
    };
    for (const auto& c : cases)
        EXPECT_EQ(cells.FadeAlpha(c.p, camera, axis), c.alpha) << c.p.x << "," << c.p.y << "," << c.p.z;
    cells.SetCameraFade(0.5f, OmVector3(0, 0, 10), 0.0f);
    EXPECT_FLOAT_EQ(cells.FadeScale(), 10.0f);
    EXPECT_EQ(cells.FadeAlpha({0.1f, 5, 5}, camera, axis), 128u); // raised to the minimum
    cells.SetCameraFade(2.0f, OmVector3(), 5.0f);
    EXPECT_FALSE(cells.IsCameraFadeOn());
    EXPECT_FLOAT_EQ(cells.FadeMinimum(), 1.0f);
}

TEST(CellBatchTest, WithoutBuffersNothingIsAddedOrDrawn)
{
    TsBlobRenderer cells; // never created: no device
    EXPECT_FALSE(cells.IsReady());
    EXPECT_FALSE(cells.BeginFrame());
    TsCellGroup group;
    group.vertices.Add(TsCellVertex());
    group.vertices.Add(TsCellVertex());
    group.vertices.Add(TsCellVertex());
    for (uint16_t i : {0, 1, 2})
        group.indices.Add(i);
    group.runs.Add(TsCellRun{-1, 0, 1, 0, 3});
    OmArray<OmPlane> planes;
    TsCellLights lights;
    cells.AddCell(group, planes, OmVector3(), OmVector3(8, 8, 8), lights);
    EXPECT_EQ(cells.VerticesUsed(), 0u);
    EXPECT_EQ(cells.RunsUsed(), 0u);
    cells.Flush(true);
    EXPECT_EQ(group.vertices[0].flags, TsBlobRenderer::kDecodedFlag);
}

} // namespace
