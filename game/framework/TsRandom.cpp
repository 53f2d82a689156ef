#include "game/framework/TsRandom.h"

namespace {
uint32_t g_seed = 1;
}

int32_t Random()
{
    // Unsigned arithmetic wraps at 2^32; clearing the top bit leaves the value mod 2^31.
    g_seed = (g_seed * 1103515245u + 12345u) & 0x7FFFFFFFu;
    return static_cast<int32_t>(g_seed);
}

int32_t RandByte()
{
    return Random() & 0xFF;
}

void SeedRandom(uint32_t seed)
{
    g_seed = seed & 0x7FFFFFFFu;
}
