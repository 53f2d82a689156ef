#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "game/framework/TsRandom.h"
#include "game/world/TsAIMap.h"
#include "tests/game/framework/LogCapture.h"
#include "tests/game/framework/ScratchDir.h"
#include "tests/game/world/AIMapTestSupport.h"

using namespace aimap_test;

namespace {

// World bounds whose X edge makes tiles of tileSize over an image width.
bool Build(TsAIMap& map, const std::string& file, int width, float tileSize, const char* model = nullptr)
{
    return map.CreateFromTarga(file.c_str(), model, OmVector3(0, 0, 0),
                               OmVector3(tileSize * float(width), 10, tileSize * float(width)));
}

// The code without the clearance bit 1, so tests can ask for what the
// image painted.
uint32_t Painted(uint32_t code)
{
    return code & ~2u;
}

} // namespace

TEST(TsAIMap, PixelsAreWallsMarksOrFloorByTheirColourThresholds)
{
    struct Case {
        Bgr pixel;
        uint32_t painted;
    };
    const Case cases[] = {
        {{0, 0, 201}, 0}, {{0, 0, 200}, 1}, {{119, 201, 119}, 5}, {{120, 201, 0}, 1}, {{119, 119, 255}, 0},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        dir.Write("ai.tga", Targa(64, 64, [&](int x, int z) { return x == 20 && z == 30 ? c.pixel : kFloor; }));
        TsAIMap map;
        ASSERT_TRUE(Build(map, "ai.tga", 64, 1.0f));
        EXPECT_EQ(Painted(map.CodeAt(20, 30)), c.painted)
            << int(c.pixel.b) << "," << int(c.pixel.g) << "," << int(c.pixel.r);
    }
}

TEST(TsAIMap, TheCropKeepsAMarginAndPadsToWholeBlocksOf32)
{
    ScratchDir dir;
    // Floor only in columns 10 to 20: 0 to 52 after the margin, padded by 11 to 0..63.
    dir.Write("ai.tga", Targa(64, 128, [](int x, int z) { return x >= 10 && x <= 20 && z >= 70 && z <= 80 ? kFloor : kWall; }));
    TsAIMap map;
    ASSERT_TRUE(Build(map, "ai.tga", 64, 1.0f));
    EXPECT_EQ(map.aiFirstColumn, 0);
    EXPECT_EQ(map.aiLastColumn, 63);
    EXPECT_EQ(map.aiColumns, 64);
    // Rows 70..80 widen to 38..112 (75 rows), padded downward by 21 to 17..112.
    EXPECT_EQ(map.aiFirstRow, 17);
    EXPECT_EQ(map.aiLastRow, 112);
    EXPECT_EQ(map.aiRows, 96);
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
        ScratchDir dir;
        dir.Write("ai.tga", Targa(64, 64, [](int, int) { return kFloor; }));
        TsAIMap map;
        ASSERT_TRUE(Build(map, "ai.tga", 64, tileSize));
        EXPECT_FLOAT_EQ(map.aiTileSize, halved ? tileSize * 2 : tileSize);
        EXPECT_EQ(map.aiColumns, halved ? 32 : 64);
        EXPECT_EQ(map.aiLastColumn, halved ? 31 : 63);
    }
}

TEST(TsAIMap, AMergedTileIsMarkedWhenAnyPixelIsAndOpenOnlyWhenAllAre)
{
    struct Case {
        Bgr block[4]; // bottom left, bottom right, top left, top right
        uint32_t painted;
    };
    const Case cases[] = {
        {{kFloor, kFloor, kFloor, kWall}, 0},
        {{kFloor, kFloor, kMarked, kFloor}, 5},
        {{kFloor, kFloor, kFloor, kFloor}, 1},
        {{kWall, kWall, kWall, kMarked}, 5},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        dir.Write("ai.tga", Targa(64, 64, [&](int x, int z) {
                      return x / 2 == 10 && z / 2 == 10 ? c.block[(z % 2) * 2 + x % 2] : kFloor;
                  }));
        TsAIMap map;
        ASSERT_TRUE(Build(map, "ai.tga", 64, 0.25f));
        EXPECT_EQ(Painted(map.CodeAtWorld(5.25f, 5.25f)), c.painted);
    }
}

// A crop that starts on an odd pixel used to merge pixels (2c + 1, 2c + 2)
// into the tile whose coordinates say (2c, 2c + 1): every lookup was half a
// tile off.
TEST(TsAIMap, MergedTilesNameThePixelsTheyWereMadeFromWhenTheCropStartsOdd)
{
    ScratchDir dir;
    // Floor in columns 65..70 crops to columns 7..102 before alignment.
    auto pixel = [](int x, int) { return x >= 65 && x <= 70 ? kFloor : kWall; };
    dir.Write("ai.tga", Targa(128, 128, pixel));
    TsAIMap map;
    ASSERT_TRUE(Build(map, "ai.tga", 128, 0.25f));
    const char* why = nullptr;
    ASSERT_TRUE(map.IsSound(&why)) << why;
    for (int32_t tile = map.aiFirstColumn; tile <= map.aiLastColumn; ++tile) {
        const bool open = pixel(2 * tile, 0).r != 255 && pixel(2 * tile + 1, 0).r != 255;
        EXPECT_EQ(map.CodeAt(tile, 20) != 0, open) << "tile " << tile;
    }
}

TEST(TsAIMap, TilesWithEveryNeighbourOpenAreClearButTheMapsEdgeIsNot)
{
    ScratchDir dir;
    dir.Write("ai.tga", Targa(64, 64, [](int x, int z) { return x == 30 && z == 30 ? kWall : kFloor; }));
    TsAIMap map;
    ASSERT_TRUE(Build(map, "ai.tga", 64, 1.0f));
    EXPECT_EQ(map.CodeAt(0, 10), 1u) << "a tile on the outer edge";
    EXPECT_EQ(map.CodeAt(10, 63), 1u);
    EXPECT_EQ(map.CodeAt(10, 10), 3u);
    EXPECT_EQ(map.CodeAt(29, 29), 1u) << "beside the wall";
    EXPECT_EQ(map.CodeAt(31, 30), 1u);
    EXPECT_EQ(map.CodeAt(32, 30), 3u);
}

TEST(TsAIMap, RowsStoredTopDownAreTurnedSoRowZeroIsTheBottom)
{
    ScratchDir dir;
    auto pixel = [](int x, int z) { return x == 5 && z == 3 ? kMarked : kFloor; };
    dir.Write("up.tga", Targa(64, 64, pixel, false));
    dir.Write("down.tga", Targa(64, 64, pixel, true));
    TsAIMap up, down;
    ASSERT_TRUE(Build(up, "up.tga", 64, 1.0f));
    ASSERT_TRUE(Build(down, "down.tga", 64, 1.0f));
    EXPECT_EQ(Painted(up.CodeAt(5, 3)), 5u);
    EXPECT_EQ(Painted(down.CodeAt(5, 3)), 5u);
    EXPECT_EQ(Painted(down.CodeAt(5, 60)), 1u);
}

TEST(TsAIMap, BeaconsAreRepeatableAndStandOnClearTiles)
{
    ScratchDir dir;
    dir.Write("ai.tga", Targa(64, 64, [](int x, int z) { return (x / 8 + z / 8) % 3 == 0 ? kWall : kFloor; }));
    TsAIMap first, second;
    ASSERT_TRUE(Build(first, "ai.tga", 64, 1.0f));
    Random(); // the build reseeds, whatever ran before
    ASSERT_TRUE(Build(second, "ai.tga", 64, 1.0f));
    ASSERT_EQ(first.beacons.GetCount(), TsAIMap::kBeaconCount);
    ASSERT_EQ(second.beacons.GetCount(), TsAIMap::kBeaconCount);
    for (uint32_t i = 0; i < first.beacons.GetCount(); ++i) {
        EXPECT_EQ(first.beacons[i].x, second.beacons[i].x);
        EXPECT_EQ(first.beacons[i].z, second.beacons[i].z);
        EXPECT_GE(first.CodeAtWorld(first.beacons[i].x, first.beacons[i].z) & 3u, 2u) << "beacon " << i;
    }
}

// Beacons that found no tile used to keep whatever the array held.
TEST(TsAIMap, AMapWithNoClearTileKeepsNoBeacons)
{
    ScratchDir dir;
    // Floor only in a checkerboard: no tile has eight open neighbours.
    dir.Write("ai.tga", Targa(64, 64, [](int x, int z) { return (x + z) % 2 ? kWall : kFloor; }));
    TsAIMap map;
    LogCapture log;
    ASSERT_TRUE(Build(map, "ai.tga", 64, 1.0f));
    EXPECT_EQ(map.beacons.GetCount(), 0u);
    EXPECT_TRUE(log.Contains("Failed to place pathfinder beacon"));
}

TEST(TsAIMap, BadImagesAndBoundsFailWithAMessageAndKeepThePreviousMap)
{
    ScratchDir dir;
    dir.Write("good.tga", Targa(64, 64, [](int, int) { return kFloor; }));
    std::string wide = Targa(64, 64, [](int, int) { return kFloor; });
    std::string zeroWidth = wide, bits16 = wide, rle = wide, origin = wide, shortFile = wide, badDescriptor = wide;
    zeroWidth[12] = zeroWidth[13] = 0;
    bits16[16] = 16;
    rle[2] = 10;
    origin[8] = 1;
    badDescriptor[17] = 0x08;
    shortFile.resize(shortFile.size() - 1);
    dir.Write("zero.tga", zeroWidth);
    dir.Write("bits16.tga", bits16);
    dir.Write("rle.tga", rle);
    dir.Write("origin.tga", origin);
    dir.Write("short.tga", shortFile);
    dir.Write("header.tga", wide.substr(0, 10));
    dir.Write("descriptor.tga", badDescriptor);
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
    dir.Write("ai.tga", Targa(64, 64, [](int, int) { return kFloor; }));
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
