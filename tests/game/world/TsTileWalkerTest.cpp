#include <gtest/gtest.h>

#include "game/world/TsAIMap.h"
#include "game/world/TsTileWalker.h"
#include "game/world/TsWorldAIMap.h"
#include "tests/game/framework/LogCapture.h"
#include "tests/game/world/AIMapTestSupport.h"

using namespace aimap_test;

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

TEST_F(TileWalkerTest, TheLastStoredColumnAndRowAreOutsideButValid)
{
    TsTileWalker walker(world.get());
    struct Case {
        int32_t x, z;
        bool outside, valid;
    };
    const Case cases[] = {
        {10, 20, false, true}, {14, 22, false, true}, {15, 21, true, true}, {12, 23, true, true},
        {16, 21, true, false}, {9, 21, true, false},  {12, 24, true, false}, {12, 19, true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(walker.SetPosition(c.x, c.z), c.outside) << c.x << "," << c.z;
        EXPECT_EQ(walker.IsInside(), !c.outside);
        EXPECT_EQ(walker.IsValid(), c.valid) << c.x << "," << c.z;
    }
}

// A column past the last used to wrap onto the first tile of the next row.
TEST_F(TileWalkerTest, TilesOffTheMapReadBlockedAndIgnoreWrites)
{
    TsTileWalker walker(world.get());
    const std::vector<uint32_t> before = Codes();
    for (auto [x, z] : {std::pair{16, 20}, std::pair{9, 21}, std::pair{10, 24}, std::pair{-5, -5}}) {
        walker.SetPosition(x, z);
        EXPECT_EQ(walker.GetTile(), 0u);
        walker.SetTile(1);
    }
    EXPECT_EQ(Codes(), before);
    walker.SetPosition(10, 21);
    walker.SetTile(9);
    EXPECT_EQ(CodeAt(10, 21), 9u);
    // A world point lands on the image tile under it.
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
    TsTileWalker walker(world.get());
    walker.SetPosition(14, 23);
    const std::vector<uint32_t> before = Codes();
    TsTileOverlay overlay;
    ASSERT_TRUE(walker.CreateTileOverlay(overlay, 11, 20, 3, 2));
    EXPECT_EQ(walker.GetX(), 14) << "the walker is back where it was";
    EXPECT_EQ(overlay.savedCodes.Get(0), CodeAt(11, 20));
    EXPECT_EQ(overlay.savedCodes.Get(5), CodeAt(13, 21));
    walker.ApplyTileOverlay(overlay);
    for (int32_t z = 20; z < 24; ++z)
        for (int32_t x = 10; x < 16; ++x) {
            const bool covered = x >= 11 && x < 14 && z >= 20 && z < 22;
            if (covered)
                EXPECT_EQ(CodeAt(x, z), 0u) << x << "," << z;
            else
                EXPECT_EQ(CodeAt(x, z), before[size_t((z - 20) * 6 + x - 10)]) << x << "," << z;
        }
    walker.RemoveTileOverlay(overlay);
    EXPECT_EQ(Codes(), before);
    EXPECT_EQ(walker.GetZ(), 23);
}

TEST_F(TileWalkerTest, AnOverlayWhoseFarCornerLeavesTheMapIsRefused)
{
    TsTileWalker walker(world.get());
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
    const std::vector<uint32_t> before = Codes();
    for (const Case& c : cases) {
        LogCapture log;
        TsTileOverlay overlay;
        EXPECT_FALSE(walker.CreateTileOverlay(overlay, c.x, c.z, c.width, c.height));
        EXPECT_TRUE(log.Contains(c.message)) << log.All();
        EXPECT_EQ(walker.GetX(), 12);
        EXPECT_EQ(walker.GetZ(), 22);
        walker.ApplyTileOverlay(overlay); // a refused record writes nothing
        EXPECT_EQ(Codes(), before);
    }
    TsTileOverlay fits;
    EXPECT_TRUE(walker.CreateTileOverlay(fits, 13, 21, 2, 2));
}
