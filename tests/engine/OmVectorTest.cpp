#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "engine/OmMath.h"
#include "engine/OmVector2.h"
#include "engine/OmVector3.h"
#include "engine/OmVector4.h"

TEST(OmVector, NormalisingReturnsTheOldLengthAndZeroesTinyVectors)
{
    OmVector3 v(3, 4, 0);
    EXPECT_FLOAT_EQ(v.Normalise(), 5.0f);
    EXPECT_TRUE(OmVector3::NearlyEqual(v, OmVector3(0.6f, 0.8f, 0), 1e-6f));
    OmVector3 tiny(1e-7f, 0, 0);
    EXPECT_EQ(NormaliseInPlace(tiny), 0.0f);
    EXPECT_TRUE(tiny.Equals(OmVector3(0, 0, 0)));
    // Just above the threshold still normalises, and the source stays.
    OmVector3 small(2e-6f, 0, 0), unit;
    EXPECT_FLOAT_EQ(NormaliseInto(small, unit), 2e-6f);
    EXPECT_EQ(unit.x, 1.0f);
    EXPECT_EQ(small.x, 2e-6f);
    OmVector3 out(9, 9, 9);
    OmVector3(0, 0, 0).Unit(out);
    EXPECT_TRUE(out.Equals(OmVector3(0, 0, 0)));

    OmVector2 flat(6, 8), tiny2(0, 1e-7f);
    EXPECT_EQ(NormaliseInPlace2D(flat), 10.0f);
    EXPECT_EQ(VectorLength2D(flat), 1.0f);
    EXPECT_EQ(NormaliseInPlace2D(tiny2), 0.0f);
    EXPECT_EQ(tiny2.y, 0.0f);
}

TEST(OmVector3, ProductsDistancesAndInterpolationFollowTheirDefinitions)
{
    OmVector3 a(1, 2, 3), b(4, 5, 6), c;
    CrossProduct(a, b, c);
    EXPECT_TRUE(c.Equals(OmVector3(-3, 6, -3)));
    OmVector3 x = OmVector3::UnitX(); // the output may be an input
    CrossProduct(x, OmVector3::UnitY(), x);
    EXPECT_TRUE(x.Equals(OmVector3(0, 0, 1)));
    EXPECT_EQ(DotProduct(a, b), 32.0f);
    EXPECT_EQ(DistanceSquared(a, b), 27.0f);
    EXPECT_FLOAT_EQ(Distance(OmVector3(1, 1, 1), OmVector3(3, 1, 1)), 2.0f);

    OmVector3 mid;
    OmVector3::Lerp(a, b, 0.25f, mid);
    EXPECT_TRUE(OmVector3::NearlyEqual(mid, OmVector3(1.75f, 2.75f, 3.75f), 1e-6f));
    EXPECT_FALSE(OmVector3::NearlyEqual(mid, OmVector3(1.75f, 2.75f, 3.8f), 0.01f));
}

TEST(OmVector3, DivisionByZeroSaturatesInsteadOfGivingInfinity)
{
    OmVector3 saturated(2, -4, 6);
    saturated /= 0.0f; // saturates instead of producing infinity
    EXPECT_TRUE(saturated.Equals(OmVector3(FLT_MAX, FLT_MAX, FLT_MAX)));
}

TEST(OmVector2, CatmullRomPassesThroughTheInnerKeys)
{
    OmVector2 p0(0, 0), p1(1, 2), p2(3, 5), p3(7, 1);
    const OmVector2 start = OmVector2::CatmullRom(p0, p1, p2, p3, 0.0f);
    const OmVector2 end = OmVector2::CatmullRom(p0, p1, p2, p3, 1.0f);
    EXPECT_TRUE(start.x == 1.0f && start.y == 2.0f && end.x == 3.0f && end.y == 5.0f);
    // Halfway: 0.5 * (-0.125 p0 + 1.125 p1 + 1.125 p2 - 0.125 p3).
    const OmVector2 half = OmVector2::CatmullRom(p0, p1, p2, p3, 0.5f);
    EXPECT_FLOAT_EQ(half.x, 0.5f * (1.125f * 1 + 1.125f * 3 - 0.125f * 7));
    EXPECT_FLOAT_EQ(half.y, 0.5f * (1.125f * 2 + 1.125f * 5 - 0.125f * 1));
}

// One rule for every colour the game packs: no channel spills into its neighbour or wraps.
TEST(OmMath, ColourPackingSaturatesEachChannelAndNaNPacksAsZero)
{
    const struct {
        float c[4];
        uint32_t argb;
    } colours[] = {{{1, 1, 1, 1}, 0xFFFFFFFFu},           {{0.926f, 0.59f, 0.2f, 1}, 0xFFEC9633u},
                   {{2, -1, 0.5f, 1}, 0xFFFF007Fu},       {{1.2f, 0, 0, 1}, 0xFFFF0000u},
                   {{0, 0, 0, -1}, 0x00000000u},          {{NAN, NAN, NAN, NAN}, 0x00000000u}};
    for (const auto& c : colours)
        EXPECT_EQ(OmPackColour(c.c), c.argb) << std::hex << c.argb;
    EXPECT_EQ(OmColour(2.0f, -1.0f, 0.5f, 1.0f).PackRGBA(), 0xFF007FFFu);
    const std::pair<float, uint32_t> levels[] = {{127.9f, 127}, {300.0f, 255}, {-1.0f, 0}, {NAN, 0}};
    for (auto [level, byte] : levels)
        EXPECT_EQ(OmLevelByte(level), byte) << level;
}

TEST(OmMath, ClampIntKeepsValuesInTheRangeTestingTheLowBoundFirst)
{
    const int clamps[][4] = {{5, 0, 10, 5}, {-3, 0, 10, 0}, {11, 0, 10, 10}, {3, 5, 1, 5}, {7, 5, 1, 1}};
    for (const auto& c : clamps)
        EXPECT_EQ(ClampInt(c[0], c[1], c[2]), c[3]) << c[0] << " in " << c[1] << ".." << c[2];
}

TEST(OmMath, RoundToIntRoundsHalvesToEven)
{
    const std::pair<float, int> rounds[] = {{0.5f, 0}, {1.5f, 2}, {2.5f, 2}, {-0.5f, 0}, {-1.5f, -2}, {2.49f, 2},
                                            {-2.51f, -3}};
    for (auto [f, i] : rounds)
        EXPECT_EQ(RoundToInt(f), i) << f;
}

// The root the game measures its neighbours with gave the answers of a table
// of 65,536 mantissas; it must go on giving them bit for bit, or crowds
// would sense and move differently. The table ignored the low 8 bits of its
// input, as the root does by design, so every 24-bit prefix (with the
// low bits clear and set) covers every float: zero, denormals, normals,
// infinity, NaN and the negatives.
TEST(OmMath, TheFastRootGivesTheRootTablesAnswerForEveryFloat)
{
    auto bitsOf = [](float f) {
        uint32_t b;
        std::memcpy(&b, &f, sizeof b);
        return b;
    };
    auto floatOf = [](uint32_t b) {
        float f;
        std::memcpy(&f, &b, sizeof f);
        return f;
    };
    std::vector<uint32_t> table(65536);
    for (uint32_t i = 0; i < 32768; ++i) {
        table[i] = bitsOf(std::sqrt(floatOf(0x40000000u | i << 8))) & 0x7FFFFFu;
        table[32768 + i] = bitsOf(std::sqrt(floatOf(0x3F800000u | i << 8))) & 0x7FFFFFu;
    }
    auto tableRoot = [&](float f) {
        if (!(f > 0.0f))
            return 0.0f;
        const int32_t b = static_cast<int32_t>(bitsOf(f));
        const uint32_t exponent = static_cast<uint32_t>(((b - 0x3F800000) >> 1) + 0x3F800000) & 0x7F800000u;
        return floatOf(table[uint32_t(b >> 8) & 0xFFFFu] | exponent);
    };
    uint64_t differing = 0;
    uint32_t first = 0;
    for (uint64_t prefix = 0; prefix < (1ull << 24); ++prefix) {
        for (uint32_t low : {0x00u, 0xFFu}) {
            const uint32_t b = uint32_t(prefix << 8) | low;
            if (bitsOf(FastSqrt(floatOf(b))) != bitsOf(tableRoot(floatOf(b))) && differing++ == 0)
                first = b;
        }
    }
    EXPECT_EQ(differing, 0u) << "first at bits " << std::hex << first;
}
