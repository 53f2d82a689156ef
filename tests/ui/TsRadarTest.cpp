// The radar's rules without a device: the shading of the local and world
// maps from a small map, the placement of blips and the objective, and the
// settings a saved game keeps.
#include <gtest/gtest.h>

#include <vector>

#include "game/objects/TsBanterObject.h"
#include "game/objects/TsNPCObject.h"
#include "game/objects/TsPCObject.h"
#include "game/world/TsAIMap.h"
#include "ui/TsRadar.h"

namespace {

// A square map of whole tiles one world unit wide, tile (0, 0) at the
// origin; blocked tiles have bit 0 set.
class GridMap : public TsRadar::TileSampler {
public:
    explicit GridMap(int size) : m_size(size), m_bits(size * size, false) {}
    void Block(int x, int z) { m_bits[z * m_size + x] = true; }
    void BlockAll() { std::fill(m_bits.begin(), m_bits.end(), true); }
    bool TileAt(int32_t x, int32_t z, bool& bit0) const override
    {
        const bool on = x >= 0 && z >= 0 && x < m_size && z < m_size;
        bit0 = on && m_bits[z * m_size + x];
        return on;
    }
    void WorldToTile(float x, float z, int32_t& tx, int32_t& tz) const override
    {
        tx = TsAIMap::TileOf(x, 1.0f), tz = TsAIMap::TileOf(z, 1.0f);
    }
    void TileToWorld(int32_t tx, int32_t tz, float& x, float& z) const override
    {
        x = float(tx) + 0.5f, z = float(tz) + 0.5f;
    }
    void TileBounds(int32_t& fx, int32_t& fz, int32_t& lx, int32_t& lz) const override
    {
        fx = fz = 0, lx = lz = m_last >= 0 ? m_last : m_size - 1;
    }
    float Scale() const override { return 1.0f; }
    int m_last = -1;

private:
    int m_size;
    std::vector<bool> m_bits;
};

TEST(RadarShading, DensityIsTheShareOfOpenTilesAndRedOffTheMapBelowATexelOrPastAnyMap)
{
    GridMap map(64);
    std::vector<uint16_t> texels(64 * 64);
    // A damaged save's range: a texel wider than any int of tiles, whose
    // footprint is held where its per-tile share is still above nothing.
    TsRadar::ShadeDensity(map, 0.0f, 0.0f, 1e30f, texels.data(), 64);
    EXPECT_GE(texels[32 * 64 + 32], uint16_t(30 << 11));

    // Range 64 over 64 texels: each texel covers 2 x 2 tiles.
    for (int x = 0; x < 2; ++x)
        map.Block(x, 0); // the lower half of the footprint at the origin
    TsRadar::ShadeDensity(map, 0.0f, 0.0f, 64.0f, texels.data(), 64);
    // The texel whose footprint starts at the origin: 2 of 4 tiles blocked.
    const uint16_t half = uint16_t((((4 - 2) * (0x1F00 / 4)) >> 8) << 11);
    EXPECT_EQ(texels[32 * 64 + 32], half);
    EXPECT_EQ(texels[32 * 64 + 33], uint16_t(((4 * (0x1F00 / 4)) >> 8) << 11)) << "all open";
    EXPECT_EQ(texels[0], TsRadar::kBlocked) << "off the map is full red";

    // Range 8 over 64 texels: a texel is an eighth of a tile, so its
    // footprint would be 0 x 0 tiles and the share a division by zero.
    map.Block(4, 4);
    TsRadar::ShadeDensity(map, 4.5f, 4.5f, 8.0f, texels.data(), 64);
    // The texel at the centre lies on the blocked tile: no open share.
    EXPECT_EQ(texels[32 * 64 + 32], 0);
    EXPECT_EQ(texels[20 * 64 + 20], TsRadar::kBlocked) << "a texel on one open tile is full red";
}

TEST(RadarShading, EdgesCountCornersOffTheMapAsOpen)
{
    GridMap map(8);
    map.BlockAll();
    std::vector<uint16_t> texels(8 * 8);
    // Texel step 1: centre 4 with range 4 covers the whole map.
    TsRadar::ShadeEdges(map, 4.0f, 4.0f, 4.0f, texels.data(), 8);
    EXPECT_EQ(texels[3 * 8 + 3], 0) << "four blocked corners";
    EXPECT_EQ(texels[7 * 8 + 7], TsRadar::kBlocked) << "three corners off the map count as open";
}

TEST(RadarShading, TheWorldMapIsRedWhereOpenAndGuardsNoExtentAndRectsPastAnInt)
{
    GridMap map(16);
    for (int z = 0; z < 16; ++z)
        for (int x = 8; x < 16; ++x)
            map.Block(x, z);
    std::vector<uint16_t> texels(16 * 16, 0x1234);
    TsRadar::ShadeWorldRect(map, 0, 0, 15, 15, texels.data(), 16, 16);
    EXPECT_EQ(texels[5 * 16 + 2], uint16_t(31 << 11)) << "open ground";
    EXPECT_EQ(texels[5 * 16 + 13], 0) << "surrounded by blocked tiles";

    GridMap flat(16);
    flat.m_last = 0; // first and last tile the same: no extent
    std::vector<uint16_t> untouched(16 * 16, 0x1234);
    TsRadar::ShadeWorldRect(flat, 0, 0, 15, 15, untouched.data(), 16, 16);
    EXPECT_EQ(untouched[0], 0x1234);
    TsRadar::ShadeWorldRect(map, INT32_MIN, 5, INT32_MAX, INT32_MAX, untouched.data(), 16, 16);
    EXPECT_EQ(untouched[15 * 16 + 1], uint16_t(31 << 11));
}

TEST(RadarPlacement, RangeIsStrictAndTheObjectiveTurnsIntoAnArrowAtRangeLessFive)
{
    const OmVector3 centre(10.0f, 3.0f, -2.0f);
    // Height plays no part; exactly at range is out, exactly at range - 5 an arrow.
    const struct {
        OmVector3 at;
        bool inRange;
        bool arrow;
    } cases[] = {{{10.0f, 99.0f, -2.0f}, true, false}, {{50.0f, 0.0f, -2.0f}, false, true},
                 {{49.9f, 0.0f, -2.0f}, true, true},   {{45.0f, 0.0f, -2.0f}, true, true},
                 {{44.9f, 0.0f, -2.0f}, true, false},  {{10.0f, 0.0f, 37.0f}, true, true}};
    for (const auto& c : cases) {
        EXPECT_EQ(TsRadar::InRange(c.at, centre, 40.0f), c.inRange) << c.at.x << "," << c.at.z;
        EXPECT_EQ(TsRadar::ObjectiveAsArrow(c.at, centre, 40.0f), c.arrow) << c.at.x << "," << c.at.z;
    }
}

TEST(RadarPlacement, ABlipsOffsetOnTheDiscScalesItsDistanceByTheRange)
{
    const OmVector3 centre(10.0f, 3.0f, -2.0f);
    float x = 0, y = 0;
    TsRadar::DiscOffset(OmVector3(18.0f, 0.0f, -10.0f), centre, 40.0f, 75.0f, x, y);
    EXPECT_EQ(std::pair(x, y), std::pair(8.0f * 75.0f / 40.0f, -8.0f * 75.0f / 40.0f));
    TsRadar::DiscOffset(OmVector3(18.0f, 0.0f, -10.0f), centre, 0.0f, 75.0f, x, y);
    EXPECT_EQ(x, 0.0f) << "no range, no division";
}

TEST(RadarPlacement, TheDiscFadesFromWhiteAtTheCentreToNearlyBlackAtTheRim)
{
    EXPECT_EQ(TsRadar::DiscShade(0.0f, 75.0f), 0xFFFFFFFFu);
    EXPECT_EQ(std::pair(TsRadar::DiscShade(80.0f, 75.0f), TsRadar::DiscShade(10.0f, 0.0f)),
              std::pair(0xFF010101u, 0xFF010101u));
}

// A range a damaged save gives as 0 or negative becomes 40 (the whole
// round trip through a saved level is the saved-game test's).
TEST(RadarSettings, ARangeOfZeroOrLessBecomesForty)
{
    const float ranges[][2] = {{0.0f, 40.0f}, {-5.0f, 40.0f}, {0.01f, 0.01f}};
    for (const auto& r : ranges) {
        TsRadar radar;
        radar.SetRange(r[0]);
        EXPECT_FLOAT_EQ(radar.GetRange(), r[1]) << r[0];
    }
}

// Each kind of character takes the sprite its file is named for: the
// player's characters the PC blip, others the NPC blip, banter characters
// (non-player characters too, so asked first) the banter blip.
TEST(RadarPlacement, EachKindOfCharacterTakesTheBlipNamedForIt)
{
    const std::pair<TsEntity*, int32_t> cases[] = {{new TsPCObject, TsRadar::kPCBlip},
                                                  {new TsNPCObject, TsRadar::kNPCBlip},
                                                  {new TsBanterObject, TsRadar::kBanterBlip}};
    for (const auto& [character, blip] : cases) {
        EXPECT_EQ(TsRadar::BlipSlotFor(*character), blip);
        character->Release();
    }
}

} // namespace
