#include "game/framework/TsRandom.h"

namespace {
uint32_t g_seed = 1;
constexpr uint32_t kMultiplier = 1103515245u;
constexpr uint32_t kIncrement = 12345u;
constexpr uint32_t kSeedMask = 0x7FFFFFFFu;
} // namespace

int32_t Random()
{
    // Unsigned arithmetic wraps at 2^32; clearing the top bit leaves the value mod 2^31.
    g_seed = (g_seed * kMultiplier + kIncrement) & kSeedMask;
    return static_cast<int32_t>(g_seed);
}

uint32_t RandomSeedAfter(uint32_t seed, uint64_t count)
{
    // Draws compose as seed -> multiplier * seed + increment; the steps of
    // 1, 2, 4, ... draws come from squaring, and the count's bits pick them.
    uint32_t multiplier = 1, increment = 0;
    uint32_t stepMultiplier = kMultiplier, stepIncrement = kIncrement;
    for (; count != 0; count >>= 1) {
        if (count & 1) {
            multiplier *= stepMultiplier;
            increment = increment * stepMultiplier + stepIncrement;
        }
        stepIncrement = stepIncrement * stepMultiplier + stepIncrement;
        stepMultiplier *= stepMultiplier;
    }
    return (seed * multiplier + increment) & kSeedMask;
}

int32_t RandByte()
{
    return Random() & 0xFF;
}

void SeedRandom(uint32_t seed)
{
    g_seed = seed & 0x7FFFFFFFu;
}
