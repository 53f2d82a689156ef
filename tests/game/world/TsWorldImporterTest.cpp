// The importer: the grid rule, dicing into cells, the quadtree lookups it
// builds, lights, liquids and effect nodes, and dynobj.lua.
#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <filesystem>
#include <initializer_list>
#include <utility>
#include <string>

#include "../framework/LogCapture.h"
#include "WorldTestSupport.h"
#include "engine/OmPbfScene.h"
#include "engine/OmRef.h"
#include "tests/engine/ArchiveTestSupport.h"
#include "tools/DemoSupport.h"

using namespace worldtest;

namespace {

// A world imported from a scene file, saved in folder, of one mesh of floor
// squares (centre, half size) under the root "Ground"; null when it fails.
OmRef<TsWorld> ImportFloors(const std::string& folder, std::initializer_list<std::pair<OmVector3, OmVector3>> squares)
{
    OmPbfScene scene;
    auto mesh = std::make_unique<OmPbfMeshRecord>();
    demo::AddSquareUvs(*mesh);
    for (const auto& [centre, half] : squares)
        demo::AddSide(*mesh, demo::kSides[2], centre, half, 0);
    scene.AddObject(std::move(mesh));
    scene.root.name.Assign("Ground");
    scene.root.object = 0;
    std::filesystem::create_directories(folder);
    const std::string file = folder + "/scene.pbf";
    auto world = OmMakeRef<TsWorld>();
    if (!scene.Save(file.c_str()) || !world->ImportWorld(file.c_str(), (folder + "/").c_str(), TsWorldImportSettings{}))
        return nullptr;
    return world;
}

} // namespace

TEST(TsWorldGrid, GridRuleGivesLevelsFromTheLargestExtent)
{
    struct Case {
        float extent, edge;
        int32_t levels;
        float usedEdge;
    } cases[] = {
        {10.0f, 1.0f, 4, 1.0f},    // n = 10 >> 1 = 5: three bits
        {1.0f, 1.0f, 1, 1.0f},     // one edge: n = 0, a 2 x 2 grid
        {0.0f, 1.0f, 1, 1.0f},     // nothing at all still makes a grid
        {1.0e6f, 1.0f, 10, 1024.0f}, // capped: larger cells instead of a huge grid
        {1.0e30f, 1.0f, 10, 0x1p90f}, // a damaged scene's far vertex: more cells than any count holds
        {16.0f, 0.0f, 5, 1.0f},    // no edge: one unit
    };
    for (const Case& c : cases) {
        int32_t levels = 0;
        float used = 0.0f;
        TsWorldImporter::GridFor(OmVector3(0, 0, 0), OmVector3(c.extent, 0.5f, 1.0f), c.edge, levels, used);
        EXPECT_EQ(levels, c.levels) << "extent " << c.extent;
        EXPECT_FLOAT_EQ(used, c.usedEdge) << "extent " << c.extent;
    }
}

TEST(TsWorldGrid, AnEmptyWorldAnswersEveryQueryWithNothing)
{
    TsWorld world;
    TsWorldHit hit;
    EXPECT_EQ(world.CellIndexAt(0, 0), -1);
    EXPECT_EQ(world.CellAt(0, 0), nullptr);
    EXPECT_FALSE(world.CastSegmentStatic(OmVector3(0, 1, 0), OmVector3(0, -1, 0), hit, true));
    EXPECT_EQ(hit.distance, FLT_MAX);
    EXPECT_EQ(world.GetGroundHeight(OmVector3(0, 1, 0)), FLT_MAX);
    OmVector3 points[4];
    EXPECT_EQ(world.FindAllIntersections(OmVector3(0, 1, 0), OmVector3(0, -1, 0), points, 4, true), 0);
}

TEST_F(WorldTest, TriangleOverACellCornerIsSplitIntoFourCellsAndLinked)
{
    OmGroup* root = new OmGroup();
    AddShape(*root, "floor", Floor(2, 2, 6, 6));
    OmRef<TsWorld> world = Import(root, OmVector3(16, 1, 16), 4.0f);
    ASSERT_EQ(world->GetCellCount(), 4);
    for (int32_t z = 0; z < 2; ++z) {
        for (int32_t x = 0; x < 2; ++x) {
            const TsWorldCell* cell = world->CellAt(x, z);
            ASSERT_NE(cell, nullptr) << x << "," << z;
            // Cells at x or z 0 are linked like every other.
            EXPECT_EQ(cell->GetNeighbour(0), world->CellAt(x, z + 1));
            EXPECT_EQ(cell->GetNeighbour(1), world->CellAt(x + 1, z));
            EXPECT_EQ(cell->GetNeighbour(2), world->CellAt(x, z - 1));
            EXPECT_EQ(cell->GetNeighbour(3), world->CellAt(x - 1, z));
        }
    }
    // Outside the grid is empty space, not an edge cell.
    EXPECT_EQ(world->CellAt(2, 2), nullptr);
    EXPECT_EQ(world->CellIndexAt(-1, 0), -1);
    // The ground is found in each quarter, at its corners too.
    for (float p : {2.0f, 3.9f, 4.0f, 4.1f, 5.9f})
        EXPECT_NEAR(world->GetGroundHeight(OmVector3(p, 1, p)), 0.0f, 1e-3f) << p;
}

// A cell whose geometry is all at one height spans a unit either side of
// its own height, not of the world's floor: a floor raised above the
// lowest point keeps it inside its box.
TEST_F(WorldTest, AFlatCellSpansAUnitEitherSideOfItsOwnHeight)
{
    const struct {
        float x0, y;
    } floors[] = {{0, 3.0f}, {4, 0.0f}, {8, -0.5f}};
    OmGroup* stack = new OmGroup();
    for (const auto& f : floors)
        AddShape(*stack, ("floor" + std::to_string(int(f.x0))).c_str(), Floor(f.x0, 0, f.x0 + 4, 4, f.y));
    OmRef<TsWorld> stacked = Import(stack, OmVector3(12, 4, 4), 4.0f);
    ASSERT_EQ(stacked->GetCellCount(), 3);
    for (const auto& f : floors) {
        const TsWorldCell* cell = nullptr;
        for (int32_t i = 0; i < stacked->GetCellCount(); ++i)
            if (stacked->Cell(i).GetBoxOrigin().x == f.x0)
                cell = &stacked->Cell(i);
        ASSERT_NE(cell, nullptr) << f.x0;
        EXPECT_NEAR(cell->GetMinY(), f.y - 1.0f, 1e-3f) << "floor at " << f.y;
        EXPECT_NEAR(cell->GetMaxY(), f.y + 1.0f, 1e-3f) << "floor at " << f.y;
        EXPECT_NEAR(stacked->GetGroundHeight(OmVector3(f.x0 + 2, 3.5f, 2)), f.y, 1e-2f) << "floor at " << f.y;
    }
}

// count small triangles in rows of perRow over (0, 0)-(4, 4), three vertices each.
static Triangles Separate(int count, int perRow)
{
    const float step = 3.9f / float(perRow), size = 0.75f * step;
    Triangles t;
    for (int i = 0; i < count; ++i) {
        const float x = 0.01f + float(i % perRow) * step, z = 0.01f + float(i / perRow) * step;
        t.corners.insert(t.corners.end(), {OmVector3(x, 0, z), OmVector3(x, 0, z + size), OmVector3(x + size, 0, z)});
    }
    return t;
}

// The solid groups and the liquid alike.
TEST_F(WorldTest, CellBeyondWhatTheRendererDrawsKeepsWhatFitsAndSaysSo)
{
    OmGroup* root = new OmGroup();
    AddShape(*root, "floor", Separate(9000, 95)); // 27000 vertices: more than a group holds
    AddShape(*root, "fx_water", Separate(22000, 149)); // 66000 vertices: past what a 16-bit index names
    LogCapture log;
    OmRef<TsWorld> world = Import(root, OmVector3(4, 1, 4), 4.0f);
    ASSERT_EQ(world->GetCellCount(), 1);
    const TsCellGroup& group = world->Cell(0).Group(TS_CELL_OPAQUE);
    EXPECT_LE(group.vertices.GetCount(), TsWorldCell::kMaxVertices);
    EXPECT_LE(group.indices.GetCount(), TsWorldCell::kMaxIndices);
    EXPECT_GT(group.GetTriangleCount(), 2000u);
    EXPECT_TRUE(log.Contains("Cell (0,0) has too many vertices or indices")) << log.All();
    ASSERT_EQ(world->Cell(0).GetLiquidCount(), 1u);
    EXPECT_EQ(world->Cell(0).Liquid(0).vertices.GetCount(), 65535u); // 21845 whole triangles, no more
    EXPECT_TRUE(log.Contains("Cell (0,0) has too many liquid vertices")) << log.All();
}

TEST_F(WorldTest, TextureCoordinatesAreClampedToSixteenBits)
{
    OmGroup* root = new OmGroup();
    AddShape(*root, "floor", Triangles{{OmVector3(1, 0, 1), OmVector3(1, 0, 3), OmVector3(3, 0, 1)}});
    OmMesh* mesh = OmMesh::Cast(OmShape::Cast(root->GetChild(0))->GetGeometry());
    mesh->vertices[0].uv0[0] = 1000.0f;  // times 511 is far past 32767
    mesh->vertices[1].uv0[0] = -1000.0f;
    mesh->vertices[2].uv0[0] = 0.0f;     // nudged off zero: 1/512 of 511
    OmRef<TsWorld> world = Import(root, OmVector3(4, 1, 4), 4.0f);
    ASSERT_EQ(world->GetCellCount(), 1);
    std::vector<int16_t> u;
    const TsCellGroup& clamped = world->Cell(0).Group(TS_CELL_OPAQUE);
    for (uint32_t i = 0; i < clamped.vertices.GetCount(); ++i)
        u.push_back(clamped.vertices[i].u);
    std::sort(u.begin(), u.end());
    EXPECT_EQ(u, (std::vector<int16_t>{-32768, 0, 32767}));
}

TEST_F(WorldTest, LightsAreNormalisedAndDynamicOnesLightTheVertices)
{
    OmGroup* root = new OmGroup();
    AddShape(*root, "floor", Floor(0, 0, 4, 4));
    AddLight(*root, "sun", OmVector3(2, 3, 2), OmVector3(2, 1, 0), 1.0f);
    OmMaxLightNode* lamp = AddLight(*root, "DYN_lamp", OmVector3(1, 1, 1), OmVector3(0.5f, 0.5f, 0.5f), 1.0f);
    lamp->light.on = 0; // inactive lights still light the vertices
    OmRef<TsWorld> world = Import(root, OmVector3(4, 1, 4), 4.0f);
    ASSERT_EQ(world->GetLights().size(), 1u);
    const OmMaxLight& sun = *world->GetLights()[0]; // (2, 1, 0) becomes (1, 0.5, 0) twice over
    EXPECT_TRUE(sun.colour[0] == 1.0f && sun.colour[1] == 0.5f && sun.colour[2] == 0.0f && sun.multiplier == 2.0f);
    ASSERT_EQ(world->GetLightNodes().size(), 2u);
    EXPECT_STREQ(world->GetLightNodes()[1]->GetName(), "DYN_lamp");
    EXPECT_EQ(world->GetLightNodes()[1]->on, 0) << "the switch is put back after the import";
    const TsCellGroup& group = world->Cell(0).Group(TS_CELL_OPAQUE);
    for (uint32_t i = 0; i < group.vertices.GetCount(); ++i) {
        EXPECT_EQ(group.vertices[i].lightIndices, 0x01000000u) << i;
        EXPECT_NE(group.vertices[i].lightWeights & 0xFF000000u, 0u) << i;
    }
}

TEST_F(WorldTest, VerticesNameOnlyTheLightsAByteCanHold)
{
    OmGroup* root = new OmGroup();
    AddShape(*root, "floor", Floor(0, 0, 4, 4));
    // 299 dynamic lights; the ones past index 255 are the brightest.
    for (int i = 0; i < 299; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "dyn_light%d", i);
        AddLight(*root, name, OmVector3(2, 1, 2), OmVector3(1, 1, 1), i < 255 ? 0.1f : 1.0f);
    }
    LogCapture log;
    OmRef<TsWorld> world = Import(root, OmVector3(4, 1, 4), 4.0f);
    EXPECT_EQ(world->GetLightNodes().size(), 300u);
    EXPECT_TRUE(log.Contains("299 dynamic lights; vertices name only the first 255")) << log.All();
    const TsCellGroup& named = world->Cell(0).Group(TS_CELL_OPAQUE);
    for (uint32_t i = 0; i < named.vertices.GetCount(); ++i)
        EXPECT_NE(named.vertices[i].lightIndices, 0u) << "lights up to 255 still light it";
    EXPECT_LE(world->Cell(0).GetLargestLightIndex(), 255u);
}

// The liquid keeps the rest, as a solid shape does.
TEST_F(WorldTest, ALiquidTriangleNamingAMissingVertexIsLeftOut)
{
    auto* root = new OmGroup();
    AddShape(*root, "floor", Floor(0, 0, 4, 4));
    OmShape* water = AddShape(*root, "fx_water", Floor(1, 1, 3, 3, 0.5f));
    OmMesh::Cast(water->GetGeometry())->indices[4] = 99;
    OmRef<TsWorld> world = Import(root, OmVector3(4, 1, 4), 4.0f);
    ASSERT_EQ(world->Cell(0).GetLiquidCount(), 1u);
    EXPECT_EQ(world->Cell(0).Liquid(0).triangles.GetCount(), 1u);
}

TEST_F(WorldTest, DynamicObjectsAreWrittenOnlyUnderScriptNamesInTheCLocale)
{
    LogCapture log;
    const auto root = OmMakeRef<OmGroup>();
    AddShape(*root, "floor", Floor(0, 0, 4, 4));
    AddShape(*root, "dyn_door", Floor(1, 1, 2, 2))->LocalPosition() = OmVector3(1.5f, 0, -2.25f);
    AddShape(*root, "dyn_bad name", Floor(1, 1, 2, 2));
    AddShape(*root, "dyn_far", Floor(1, 1, 2, 2))->LocalPosition() = OmVector3(NAN, 0, 0);
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8"); // a comma locale where one exists
    const auto world = OmMakeRef<TsWorld>();
    world->SetWorldBounds(OmVector3(0, -1, 0), OmVector3(4, 1, 4));
    TsWorldImporter importer(*world, root, OmVector3(0, -1, 0), OmVector3(4, 1, 4), 4.0f, true);
    importer.Run(root, &renderer);
    const std::string path = TempPath("lua");
    EXPECT_TRUE(importer.WriteDynamicObjects(path.c_str()));
    std::setlocale(LC_NUMERIC, saved.c_str());
    const std::vector<unsigned char> written = archive_test::ReadFile(path);
    EXPECT_EQ(std::string(written.begin(), written.end()), "dyn_door:SetPosition(1.500000,0.000000,-2.250000)\n"
                                                           "dyn_door:SetDirection(0.000000,1.000000)\n\n");
    EXPECT_TRUE(log.Contains("\"dyn_bad name\" is not a script name")) << log.All();
    EXPECT_TRUE(log.Contains("dyn_far has no finite position")) << log.All();
    EXPECT_FALSE(importer.WriteDynamicObjects("/nonexistent-folder/dynobj.lua"));
}

// One square of floor and nothing standing on it: no Y extent at all.
TEST_F(WorldTest, AFlatLevelIsGivenHeightAtImport)
{
    const OmRef<TsWorld> flat = ImportFloors(TempPath("flat"), {{OmVector3(20, 0, 20), OmVector3(20, 0, 20)}});
    ASSERT_NE(flat, nullptr);
    ASSERT_GT(flat->GetCellCount(), 0);
    EXPECT_GT(flat->GetBoundsMax().y - flat->GetBoundsMin().y, 0.5f);
    EXPECT_GT(flat->Cell(0).GetBoxSize().y, 0.5f);
    EXPECT_NEAR(flat->GetGroundHeight(OmVector3(2, 1, 2)), 0.0f, 1e-3f);
    // And it saves and loads (a flat box would be refused).
    const std::string tsw = TempPath("tsw");
    ASSERT_TRUE(flat->SaveWorld(tsw.c_str()));
    auto loaded = OmRef<TsWorld>::Adopt(TsWorld::LoadWorld(tsw.c_str()));
    EXPECT_NE(loaded, nullptr);
}

// A damaged scene's vertex at infinity is left out of the box as its
// triangle is left out of the cells: the floor is diced as if it were alone.
TEST_F(WorldTest, AVertexAtInfinityIsLeftOutOfTheWorldsBox)
{
    const OmRef<TsWorld> world = ImportFloors(
        TempPath("far"), {{OmVector3(20, 0, 20), OmVector3(20, 0, 20)}, {OmVector3(-INFINITY, 0, 0), OmVector3(1, 0, 1)}});
    ASSERT_NE(world, nullptr);
    EXPECT_EQ(world->GetBoundsMin().x, 0.0f);
    EXPECT_NEAR(world->GetGroundHeight(OmVector3(2, 1, 2)), 0.0f, 1e-3f);
}

// A box without end (a scene spread past what a float measures) is diced
// to the end, whatever its cells then hold.
TEST_F(WorldTest, AnImportOverABoxWithoutEndRunsToItsEnd)
{
    OmGroup* root = new OmGroup();
    AddShape(*root, "floor", Floor(2, 2, 6, 6));
    const auto world = OmMakeRef<TsWorld>();
    EXPECT_TRUE(ImportInto(*world, root, OmVector3(-INFINITY, -1, 0), OmVector3(16, 1, 16), 4.0f, renderer));
}

TEST_F(WorldTest, AMissingSceneFileFailsTheImport)
{
    const auto world = OmMakeRef<TsWorld>();
    EXPECT_FALSE(world->ImportWorld(TempPath("missing.pbf").c_str(), "", TsWorldImportSettings{}));
}
