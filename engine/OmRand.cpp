#include "engine/OmRand.h"

namespace {
uint32_t g_seed = 1;
}

int OmRand()
{
    g_seed = g_seed * 214013u + 2531011u;
    return static_cast<int>((g_seed >> 16) & 0x7FFF);
}

void OmSRand(uint32_t seed)
{
    g_seed = seed;
}

