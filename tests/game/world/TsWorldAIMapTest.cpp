// The AI map on the demo level (two rooms, a corridor with a marked middle
// and a ramp; see tools/DemoLevel.h), and its trip through the level file.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "game/world/TsAIMap.h"
#include "game/world/TsWorld.h"
#include "game/world/TsWorldAIMap.h"
#include "tests/game/framework/LogCapture.h"
#include "tests/game/world/AIMapTestSupport.h"
#include "tests/game/world/WorldTestSupport.h"
#include "tools/DemoLevel.h"

using namespace aimap_test;
using worldtest::DemoFile;
using worldtest::HaveDemoLevel;
using worldtest::Ref;

namespace {

class DemoAIMapTest : public worldtest::WorldTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(HaveDemoLevel()) << "the demo level is missing: run tools/make-data BUILD_DIR";
        world = ImportDemo();
        ASSERT_NE(world, nullptr);
        ASSERT_TRUE(world->CreateAIMap(DemoFile("demo_ai.tga").c_str(), nullptr));
        TsWorldAIMap::Copy(*world, map);
    }
    Ref<TsWorld> world;
    TsAIMap map;
};

} // namespace

TEST_F(DemoAIMapTest, WallsAreBlockedFloorsPassableAndTheCorridorMarkedAtTheirTiles)
{
    int walls = 0, floors = 0, marked = 0;
    const int32_t size = int32_t(demolevel::AIMapImage{}.size);
    for (int32_t row = 0; row < map.aiRows; ++row) {
        for (int32_t column = 0; column < map.aiColumns; ++column) {
            const int32_t tileX = map.aiFirstColumn + column, tileZ = map.aiFirstRow + row;
            if (tileX >= size || tileZ >= size)
                continue; // the padding past the image
            const float x = map.CentreX(column), z = map.CentreZ(row);
            const uint32_t code = map.CodeAtWorld(x, z);
            SCOPED_TRACE(std::to_string(x) + "," + std::to_string(z));
            if (demolevel::InWall(x, z) || !demolevel::OnFloor(x, z)) {
                EXPECT_EQ(code, 0u);
                ++walls;
            } else {
                EXPECT_NE(code & 3u, 0u);
                EXPECT_EQ((code & 4u) != 0, demolevel::Marked(x, z));
                ++floors;
                marked += demolevel::Marked(x, z);
            }
        }
    }
    EXPECT_GT(walls, 100);
    EXPECT_GT(floors, 100);
    EXPECT_GT(marked, 0);
    EXPECT_GT(map.beacons.GetCount(), 0u);
}

TEST_F(DemoAIMapTest, TheMapAndItsBeaconsComeBackFromTheLevelFile)
{
    const std::string path = TempPath("tsw");
    ASSERT_TRUE(world->SaveWorld(path.c_str()));
    Ref<TsWorld> loaded(TsWorld::LoadWorld(path.c_str()));
    ASSERT_NE(loaded, nullptr);
    TsAIMap back;
    TsWorldAIMap::Copy(*loaded, back);
    ASSERT_EQ(back.codes.GetCount(), map.codes.GetCount());
    for (uint32_t i = 0; i < map.codes.GetCount(); ++i)
        ASSERT_EQ(back.codes.Get(i), map.codes.Get(i)) << i;
    EXPECT_EQ(back.aiFirstColumn, map.aiFirstColumn);
    EXPECT_EQ(back.aiLastRow, map.aiLastRow);
    EXPECT_EQ(back.aiTileSize, map.aiTileSize);
    EXPECT_EQ(back.aiMapOrigin.x, map.aiMapOrigin.x);
    ASSERT_EQ(back.beacons.GetCount(), map.beacons.GetCount());
    for (uint32_t i = 0; i < map.beacons.GetCount(); ++i)
        ASSERT_EQ(back.beacons[i].z, map.beacons[i].z) << i;
}

TEST(TsWorldAIMap, AMapWhoseFieldsDisagreeIsNotInstalledAndAFailedBuildKeepsTheMap)
{
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
