#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

#include "game/framework/TsRandom.h"
#include "game/world/TsAIMap.h"
#include "tests/game/framework/LogCapture.h"
#include "tests/game/framework/ScratchDir.h"
#include "tests/game/world/AIMapTestSupport.h"

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

Bgr Floor(int, int) { return kFloor; }

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
    EXPECT_EQ(map.codes.GetCount(), 64u * 96u);
    const char* why = nullptr;
    EXPECT_TRUE(map.IsSound(&why)) << why;
    // The wall around the floor and the floor itself land on their tiles.
    EXPECT_EQ(map.CodeAt(9, 75), 0u);
    EXPECT_NE(map.CodeAt(10, 75), 0u);
    EXPECT_EQ(map.CodeAtWorld(15.5f, 75.5f), 3u);
    EXPECT_EQ(map.CodeAt(64, 75), 0u) << "outside the stored map is blocked";
    EXPECT_EQ(map.CodeAt(15, 16), 0u);
}

TEST(TsAIMap, TilesBelowTheThresholdAreMergedTwoByTwo)
{
    for (const auto& [tileSize, halved] : {std::pair{0.25f, true}, std::pair{0.26f, false}}) {
        Built b(Floor, 64, tileSize);
        ASSERT_TRUE(b.ok);
        EXPECT_FLOAT_EQ(b.map.aiTileSize, halved ? tileSize * 2 : tileSize);
        EXPECT_EQ(b.map.aiColumns, halved ? 32 : 64);
        EXPECT_EQ(b.map.aiLastColumn, halved ? 31 : 63);
    }
}

// A crop that starts on an odd pixel used to merge pixels (2c + 1, 2c + 2)
// into the tile whose coordinates say (2c, 2c + 1): every lookup was half a
// tile off.
TEST(TsAIMap, MergedTilesNameThePixelsTheyWereMadeFromWhenTheCropStartsOdd)
{
    // Floor in columns 65..70 crops to columns 7..102 before alignment.
    auto pixel = [](int x, int) { return x >= 65 && x <= 70 ? kFloor : kWall; };
    Built b(pixel, 128, 0.25f);
    ASSERT_TRUE(b.ok);
    const char* why = nullptr;
    ASSERT_TRUE(b.map.IsSound(&why)) << why;
    for (int32_t tile = b.map.aiFirstColumn; tile <= b.map.aiLastColumn; ++tile) {
        const bool open = pixel(2 * tile, 0).r != 255 && pixel(2 * tile + 1, 0).r != 255;
        EXPECT_EQ(b.map.CodeAt(tile, 20) != 0, open) << "tile " << tile;
    }
}

TEST(TsAIMap, TilesWithEveryNeighbourOpenAreClearButTheMapsEdgeIsNot)
{
    Built b([](int x, int z) { return x == 30 && z == 30 ? kWall : kFloor; }, 64, 1.0f);
    ASSERT_TRUE(b.ok);
    const struct {
        int32_t x, z;
        uint32_t code;
    } cases[] = {{0, 10, 1}, {10, 63, 1}, {10, 10, 3}, {29, 29, 1}, {31, 30, 1}, {32, 30, 3}};
    for (const auto& c : cases)
        EXPECT_EQ(b.map.CodeAt(c.x, c.z), c.code) << c.x << "," << c.z;
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
    // Beacons that found no tile used to keep whatever the array held. In
    // a checkerboard no tile has eight open neighbours.
    LogCapture log;
    Built none([](int x, int z) { return (x + z) % 2 ? kWall : kFloor; }, 64, 1.0f);
    ASSERT_TRUE(none.ok);
    EXPECT_EQ(none.map.beacons.GetCount(), 0u);
    EXPECT_TRUE(log.Contains("Failed to place pathfinder beacon"));
}

TEST(TsAIMap, BadImagesAndBoundsFailWithAMessageAndKeepThePreviousMap)
{
    ScratchDir dir;
    const std::string good = Targa(64, 64, Floor);
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
    };
    TsAIMap map;
    ASSERT_TRUE(map.CreateFromTarga("good.tga", nullptr, OmVector3(0, 0, 0), OmVector3(32, 10, 32)));
    const uint32_t beacons = map.beacons.GetCount();
    for (const Case& c : cases) {
        LogCapture log;
        EXPECT_FALSE(map.CreateFromTarga(c.file, nullptr, OmVector3(0, 0, 0), c.max)) << (c.file ? c.file : "null");
        EXPECT_TRUE(log.Contains(c.message)) << log.All();
        EXPECT_FLOAT_EQ(map.aiTileSize, 0.5f) << "the first map's tiles";
        EXPECT_EQ(map.aiColumns, 64);
        EXPECT_EQ(map.beacons.GetCount(), beacons);
    }
}

TEST(TsAIMap, AMissingBoundsModelFailsWithItsName)
{
    ScratchDir dir;
    dir.Write("ai.tga", Targa(64, 64, Floor));
    TsAIMap map;
    LogCapture log;
    EXPECT_FALSE(map.CreateFromTarga("ai.tga", "nomodel.pbf", OmVector3(0, 0, 0), OmVector3(64, 1, 64)));
    EXPECT_TRUE(log.Contains("Error: Could not read file nomodel.pbf"));
    EXPECT_TRUE(map.IsEmpty());
}

TEST(TsAIMap, PointsThatAreNotNumbersOrFarAwayLieOffTheMap)
{
    TsAIMap map;
    FillMap(map, {"...", "...", "..."});
    EXPECT_EQ(map.CodeAtWorld(1.5f, 1.5f), 1u);
    EXPECT_EQ(map.CodeAtWorld(std::nanf(""), 1.5f), 0u);
    EXPECT_EQ(map.CodeAtWorld(1.5f, 1e30f), 0u);
    EXPECT_EQ(map.CodeAtWorld(-1e30f, -1e30f), 0u);
    EXPECT_EQ(map.IndexOf(3, 0), -1) << "a column past the last does not wrap onto the next row";
}
