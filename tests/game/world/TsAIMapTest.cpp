// The AI map: built from its Targa image (colour thresholds, crop, merged
// tiles, clearance, beacons, bad files), walked and overlaid tile by tile,
// and drawn for debugging.
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <utility>

#include "engine/OmRef.h"
#include "game/framework/TsEntity.h"
#include "game/framework/TsRandom.h"
#include "game/world/TsAIMap.h"
#include "game/world/TsTileWalker.h"
#include "game/world/TsWorld.h"
#include "game/world/TsWorldAIMap.h"
#include "tests/engine/TestClass.h"
#include "tests/game/framework/LogCapture.h"
#include "testing/ScratchDir.h"
#include "tests/game/world/AIMapTestSupport.h"
#include "tests/render/RendererFixture.h"

using namespace aimap_test;

namespace {

using Pixel = std::function<Bgr(int, int)>;

// A map built from a width x width image (or taller) whose world X edge
// makes tiles of tileSize; the file is written in a scratch folder.
struct Built {
    ScratchDir dir;
    TsAIMap map;
    bool ok;
    Built(const Pixel& pixel, int width, float tileSize, int height = 0, bool topDown = false)
    {
        dir.Write("ai.tga", Targa(width, height ? height : width, pixel, topDown));
        ok = map.CreateFromTarga("ai.tga", nullptr, OmVector3(0, 0, 0),
                                 OmVector3(tileSize * float(width), 10, tileSize * float(width)));
    }
};

// The code without the clearance bit 1, so tests can ask for what the
// image painted.
uint32_t Painted(uint32_t code)
{
    return code & ~2u;
}

} // namespace

// One odd pixel in a floor, single or merged two by two: walls and marks by
// their colour thresholds; a merged tile is marked when any pixel is and
// open only when all are.
TEST(TsAIMap, PixelsAreWallsMarksOrFloorByTheirColourThresholds)
{
    struct Case {
        Bgr block[4]; // bottom left, bottom right, top left, top right
        uint32_t painted;
    };
    const Bgr F = kFloor;
    const Case single[] = {
        {{{0, 0, 201}}, 0}, {{{0, 0, 200}}, 1}, {{{119, 201, 119}}, 5}, {{{120, 201, 0}}, 1}, {{{119, 119, 255}}, 0},
    };
    for (const Case& c : single) {
        Built b([&](int x, int z) { return x == 20 && z == 30 ? c.block[0] : kFloor; }, 64, 1.0f);
        ASSERT_TRUE(b.ok);
        EXPECT_EQ(Painted(b.map.CodeAt(20, 30)), c.painted)
            << int(c.block[0].b) << "," << int(c.block[0].g) << "," << int(c.block[0].r);
    }
    const Case merged[] = {
        {{F, F, F, kWall}, 0}, {{F, F, kMarked, F}, 5}, {{F, F, F, F}, 1}, {{kWall, kWall, kWall, kMarked}, 5},
    };
    for (const Case& c : merged) {
        Built b([&](int x, int z) { return x / 2 == 10 && z / 2 == 10 ? c.block[(z % 2) * 2 + x % 2] : kFloor; }, 64,
                0.25f);
        ASSERT_TRUE(b.ok);
        EXPECT_EQ(Painted(b.map.CodeAtWorld(5.25f, 5.25f)), c.painted);
    }
    // Rows stored top-down are turned so row zero is the bottom.
    for (bool topDown : {false, true}) {
        Built b([](int x, int z) { return x == 5 && z == 3 ? kMarked : kFloor; }, 64, 1.0f, 64, topDown);
        EXPECT_EQ(Painted(b.map.CodeAt(5, 3)), 5u) << topDown;
        EXPECT_EQ(Painted(b.map.CodeAt(5, 60)), 1u) << topDown;
    }
}

TEST(TsAIMap, BeaconsAreRepeatableAndStandOnClearTiles)
{
    auto pixel = [](int x, int z) { return (x / 8 + z / 8) % 3 == 0 ? kWall : kFloor; };
    Built first(pixel, 64, 1.0f);
    Random(); // the build reseeds, whatever ran before
    Built second(pixel, 64, 1.0f);
    ASSERT_EQ(first.map.beacons.GetCount(), TsAIMap::kBeaconCount);
    ASSERT_EQ(second.map.beacons.GetCount(), TsAIMap::kBeaconCount);
    for (uint32_t i = 0; i < first.map.beacons.GetCount(); ++i) {
        const auto& beacon = first.map.beacons[i];
        EXPECT_EQ(beacon.x, second.map.beacons[i].x);
        EXPECT_EQ(beacon.z, second.map.beacons[i].z);
        EXPECT_GE(first.map.CodeAtWorld(beacon.x, beacon.z) & 3u, 2u) << "beacon " << i;
    }
}

// One clear tile, which no try lands on: on a 64 x 64 map a try's row
// follows from its column. Every beacon fails, and says so in one line;
// none keeps whatever the array held.
TEST(TsAIMap, BeaconsThatFindNoClearTileAreCountedInOneLine)
{
    LogCapture log;
    Built one([](int x, int z) { return x / 3 == 10 && z / 3 == 10 ? kFloor : kWall; }, 64, 1.0f);
    ASSERT_TRUE(one.ok);
    EXPECT_EQ(one.map.beacons.GetCount(), 0u);
    int lines = 0;
    for (const LoggedLine& line : log.Lines())
        lines += line.text.find("Failed to place pathfinder beacon") != std::string::npos ? 1 : 0;
    EXPECT_EQ(lines, 1);
    EXPECT_TRUE(log.Contains("4096 of 4096")) << log.All();
}

TEST(TsAIMap, TheCropKeepsAMarginAndPadsToWholeBlocksOf32)
{
    // Floor only in columns 10 to 20: 0 to 52 after the margin, padded by 11 to 0..63.
    Built b([](int x, int z) { return x >= 10 && x <= 20 && z >= 70 && z <= 80 ? kFloor : kWall; }, 64, 1.0f, 128);
    ASSERT_TRUE(b.ok);
    const TsAIMap& map = b.map;
    EXPECT_EQ(map.aiFirstColumn, 0);
    EXPECT_EQ(map.aiLastColumn, 63);
    // Rows 70..80 widen to 38..112 (75 rows), padded downward by 21 to 17..112.
    EXPECT_EQ(map.aiFirstRow, 17);
    EXPECT_EQ(map.aiLastRow, 112);
    const char* why = nullptr;
    EXPECT_TRUE(map.IsSound(&why)) << why;
    // The wall around the floor and the floor itself land on their tiles.
    EXPECT_EQ(map.CodeAt(9, 75), 0u);
    EXPECT_NE(map.CodeAt(10, 75), 0u);
    EXPECT_EQ(map.CodeAtWorld(15.5f, 75.5f), 3u);
    EXPECT_EQ(map.CodeAt(64, 75), 0u) << "outside the stored map is blocked";
    EXPECT_EQ(map.CodeAt(15, 16), 0u);
    // So are points that are not numbers or far away, and a column past the last does not wrap.
    for (const auto& [x, z] : {std::pair{std::nanf(""), 75.5f}, {15.5f, 1e30f}, {-1e30f, -1e30f}})
        EXPECT_EQ(map.CodeAtWorld(x, z), 0u) << x << "," << z;
    EXPECT_EQ(map.IndexOf(64, 17), -1);
}

// A crop that starts on an odd pixel used to merge pixels (2c + 1, 2c + 2)
// into the tile whose coordinates say (2c, 2c + 1): every lookup was half a
// tile off. Floor in columns 65..70 crops to columns 7..102 before alignment.
TEST(TsAIMap, MergedTilesNameThePixelsTheyWereMadeFromWhenTheCropStartsOdd)
{
    auto strip = [](int x, int) { return x >= 65 && x <= 70 ? kFloor : kWall; };
    Built odd(strip, 128, 0.25f);
    ASSERT_TRUE(odd.ok);
    const char* why = nullptr;
    ASSERT_TRUE(odd.map.IsSound(&why)) << why;
    for (int32_t tile = odd.map.aiFirstColumn; tile <= odd.map.aiLastColumn; ++tile) {
        const bool open = strip(2 * tile, 0).r != 255 && strip(2 * tile + 1, 0).r != 255;
        EXPECT_EQ(odd.map.CodeAt(tile, 20) != 0, open) << "tile " << tile;
    }
}

TEST(TsAIMap, BadImagesBoundsAndModelsFailWithAMessageAndKeepThePreviousMap)
{
    ScratchDir dir;
    const std::string good = Targa(64, 64, [](int, int) { return kFloor; });
    dir.Write("good.tga", good);
    const struct {
        const char* file;
        size_t at;
        char value;
    } patches[] = {{"zero.tga", 12, 0}, {"bits16.tga", 16, 16}, {"rle.tga", 2, 10}, {"origin.tga", 8, 1},
                   {"descriptor.tga", 17, 8}};
    for (const auto& p : patches) {
        std::string bytes = good;
        bytes[p.at] = p.value;
        dir.Write(p.file, bytes);
    }
    dir.Write("short.tga", good.substr(0, good.size() - 1));
    dir.Write("header.tga", good.substr(0, 10));
    dir.Write("walls.tga", Targa(64, 64, [](int, int) { return kWall; }));
    struct Case {
        const char* file;
        OmVector3 max;
        const char* message;
        const char* model = nullptr;
    };
    const OmVector3 bounds(64, 10, 64);
    const Case cases[] = {
        {nullptr, bounds, "Error: no file specified for ai map targa"},
        {"missing.tga", bounds, "Error: Could not open file missing.tga"},
        {"zero.tga", bounds, "zero.tga is 0 x 64 pixels"},
        {"bits16.tga", bounds, "Error: bits16.tga has incorrect format - must be 24 bit uncompressed Targa"},
        {"rle.tga", bounds, "incorrect format"},
        {"origin.tga", bounds, "incorrect format"},
        {"descriptor.tga", bounds, "incorrect format"},
        {"short.tga", bounds, "short.tga holds 12287 bytes of pixels, 12288 needed"},
        {"header.tga", bounds, "header.tga is too short"},
        {"good.tga", OmVector3(0, 10, 64), "have no width"},
        {"walls.tga", bounds, "walls.tga has no passable tile"},
        {"good.tga", bounds, "Error: Could not read file nomodel.pbf", "nomodel.pbf"},
    };
    TsAIMap map;
    ASSERT_TRUE(map.CreateFromTarga("good.tga", nullptr, OmVector3(0, 0, 0), OmVector3(32, 10, 32)));
    const uint32_t beacons = map.beacons.GetCount();
    for (const Case& c : cases) {
        LogCapture log;
        EXPECT_FALSE(map.CreateFromTarga(c.file, c.model, OmVector3(0, 0, 0), c.max)) << (c.file ? c.file : "null");
        EXPECT_TRUE(log.Contains(c.message)) << log.All();
        EXPECT_FLOAT_EQ(map.aiTileSize, 0.5f) << "the first map's tiles";
        EXPECT_EQ(map.aiColumns, 64);
        EXPECT_EQ(map.beacons.GetCount(), beacons);
    }
}

TEST(TsWorldAIMap, AMapWhoseFieldsDisagreeIsNotInstalledAndAFailedBuildKeepsIt)
{
    ScratchDir dir;
    WorldPtr world = WorldWith({"...", "..."});
    TsAIMap bad;
    FillMap(bad, {"...", "..."});
    bad.aiLastColumn = 7;
    LogCapture log;
    EXPECT_FALSE(TsWorldAIMap::Install(*world, std::move(bad)));
    EXPECT_TRUE(log.Contains("crop rectangle"));
    EXPECT_EQ(world->GetAILastColumn(), 2);
    EXPECT_FALSE(world->CreateAIMap("missing.tga", nullptr));
    EXPECT_EQ(world->GetAIColumns(), 3);
}

namespace {

// A 6 x 4 map whose image tiles start at (10, 20).
class TileWalkerTest : public ::testing::Test {
protected:
    std::vector<uint32_t> Codes() const
    {
        std::vector<uint32_t> codes;
        for (uint32_t i = 0; i < world->GetAIMap()->GetCount(); ++i)
            codes.push_back(world->GetAIMap()->Get(i));
        return codes;
    }
    uint32_t CodeAt(int32_t x, int32_t z) const
    {
        TsAIMap copy;
        TsWorldAIMap::Copy(*world, copy);
        return copy.CodeAt(x, z);
    }
    WorldPtr world = WorldWith({"..k...", ".####.", ".#..#.", "......"}, 1.0f, 10, 20);
};

} // namespace

// A column past the last used to wrap onto the first tile of the next row.
TEST_F(TileWalkerTest, TilesOffTheMapReadBlockedAndIgnoreWrites)
{
    TsTileWalker walker(world.Get());
    std::vector<uint32_t> before = Codes();
    for (auto [x, z] : {std::pair{16, 20}, std::pair{9, 21}, std::pair{10, 24}, std::pair{-5, -5}}) {
        walker.SetPosition(x, z);
        EXPECT_EQ(walker.GetTile(), 0u);
        walker.SetTile(1);
    }
    EXPECT_EQ(Codes(), before);
    walker.SetPosition(10, 21);
    walker.SetTile(9);
    EXPECT_EQ(CodeAt(10, 21), 9u);
    walker.SetWorldPosition(12.7f, 23.2f);
    EXPECT_EQ(walker.GetX(), 12);
    EXPECT_EQ(walker.GetZ(), 23);
    EXPECT_EQ(walker.GetTile(), 5u);
    EXPECT_EQ(walker.GetCentreX(), 12);
    walker.SetWorldPosition(11.5f, 21.5f);
    EXPECT_EQ(walker.GetTile(), 0u);
    TsTileWalker nothing(nullptr);
    EXPECT_TRUE(nothing.SetPosition(0, 0));
    EXPECT_EQ(nothing.GetTile(), 0u);
}

TEST_F(TileWalkerTest, AnOverlayBlocksItsRectangleAndGivesTheOldCodesBack)
{
    TsTileWalker walker(world.Get());
    walker.SetPosition(14, 23);
    const std::vector<uint32_t> before = Codes();
    TsTileOverlay overlay;
    ASSERT_TRUE(walker.CreateTileOverlay(overlay, 11, 20, 3, 2));
    EXPECT_EQ(walker.GetX(), 14) << "the walker is back where it was";
    EXPECT_EQ(overlay.savedCodes.Get(0), CodeAt(11, 20));
    EXPECT_EQ(overlay.savedCodes.Get(5), CodeAt(13, 21));
    walker.ApplyTileOverlay(overlay);
    std::vector<uint32_t> blocked = before; // rows of six from (10, 20)
    for (int32_t z = 20; z < 22; ++z)
        for (int32_t x = 11; x < 14; ++x)
            blocked[size_t((z - 20) * 6 + x - 10)] = 0;
    EXPECT_EQ(Codes(), blocked);
    walker.RemoveTileOverlay(overlay);
    EXPECT_EQ(Codes(), before);
    EXPECT_EQ(walker.GetZ(), 23);
}

TEST_F(TileWalkerTest, AnOverlayWhoseCornerLeavesTheMapIsRefusedAndWritesNothing)
{
    TsTileWalker walker(world.Get());
    const std::vector<uint32_t> before = Codes();
    walker.SetPosition(12, 22);
    struct Case {
        int32_t x, z, width, height;
        const char* message;
    };
    const Case cases[] = {
        {13, 21, 3, 2, "Overlay maximum position was invalid"}, // rectangle fits, far corner one past
        {10, 20, 6, 4, "Overlay maximum position was invalid"},
        {9, 21, 2, 1, "Overlay minimum position was invalid"},
        {11, 21, -1, 1, "Overlay minimum position was invalid"},
        {11, 21, 1, INT32_MAX, "Overlay maximum position was invalid"},
    };
    for (const Case& c : cases) {
        LogCapture log;
        TsTileOverlay overlay;
        EXPECT_FALSE(walker.CreateTileOverlay(overlay, c.x, c.z, c.width, c.height));
        EXPECT_TRUE(log.Contains(c.message)) << log.All();
        EXPECT_TRUE(walker.GetX() == 12 && walker.GetZ() == 22);
        walker.ApplyTileOverlay(overlay); // a refused record writes nothing
        EXPECT_EQ(Codes(), before);
    }
    TsTileOverlay fits;
    EXPECT_TRUE(walker.CreateTileOverlay(fits, 13, 21, 2, 2));
}

// An entity for the view to follow.
OM_TEST_CLASS(AIMapDebugEntity, TsEntity);
OM_IMPLEMENT_CLASS(AIMapDebugEntity, TsEntity)

using AIMapDebugTest = rtest::ScreenTest;

TEST_F(AIMapDebugTest, TheTilesAroundTheTrackedEntityAreDrawnAndTheStatesPutBack)
{
    // Near the entity: a wall, a marked tile, a passable tile; the rest clear.
    std::vector<std::string> rows(40, std::string(40, '3'));
    rows[25][25] = '.';
    rows[20][20] = '#';
    rows[21][21] = 'k';
    WorldPtr world = WorldWith(rows, 1.0f, 100, 200);
    const auto entity = OmMakeRef<AIMapDebugEntity>();
    entity->SetName("walker");
    entity->SetPosition(120.5f, 0.0f, 220.5f);

    ASSERT_TRUE(renderer->BeginScene(0.0f));
    world->SetTrackedEntity(entity);
    renderer->SetLighting(true);
    const uint32_t lighting = renderer->GetRenderState(plat::GfxRs::Lighting);
    const uint32_t blend = renderer->GetRenderState(plat::GfxRs::AlphaBlendEnable);
    world->DrawAIMapDebug();
    // The square under the entity, then 20 x 20 tiles of two primitives
    // each (a fill or an outline), and a second fill on each of the 397
    // clear tiles (all but the wall, the marked and the passable tile).
    EXPECT_EQ(renderer->GetFrameStats()->words[OmRenderStats::kPrimitives], 2u + 400u * 2u + 397u * 2u);
    EXPECT_EQ(renderer->GetRenderState(plat::GfxRs::Lighting), lighting);
    EXPECT_EQ(renderer->GetRenderState(plat::GfxRs::AlphaBlendEnable), blend);
    renderer->EndScene();
    renderer->ClearQueuedText();
    world->SetTrackedEntity(nullptr);
}
