#include "game/framework/TsCountdown.h"

#include <cstdio>

#include "engine/OmArchive.h"

void TsCountdownFile::WriteTicks(OmArchive& archive, int32_t ticks)
{
    archive.WriteI32(ticks);
}

int32_t TsCountdownFile::ReadTicks(OmArchive& archive, int32_t floor, const char* what)
{
    int32_t ticks = floor;
    archive.ReadI32(ticks);
    if (ticks >= floor)
        return ticks;
    char why[128];
    std::snprintf(why, sizeof why, "%s of %d ticks are fewer than the least, %d", what, ticks, floor);
    archive.Fail(why);
    return floor;
}
