#include "game/world/TsAIMap.h"

#include <cmath>


namespace {

// Image tile coordinates of points far outside any map are held here, well
// inside the integer range, so the arithmetic on them cannot overflow.
constexpr float kFarTile = 1.0e9f;

} // namespace

int32_t TsAIMap::TileOf(float offset, float inverse)
{
    const float tile = offset * inverse;
    if (!std::isfinite(tile))
        return INT32_MIN / 2;
    if (tile > kFarTile)
        return int32_t(kFarTile);
    if (tile < -kFarTile)
        return -int32_t(kFarTile);
    return int32_t(tile); // toward zero
}

int32_t TsAIMap::TileX(float x) const
{
    return TileOf(x - aiMapOrigin.x, aiTileSizeInverse);
}

int32_t TsAIMap::TileZ(float z) const
{
    return TileOf(z - aiMapOrigin.z, aiTileSizeInverse);
}

int32_t TsAIMap::IndexOf(int32_t tileX, int32_t tileZ) const
{
    const int64_t column = int64_t(tileX) - aiFirstColumn;
    const int64_t row = int64_t(tileZ) - aiFirstRow;
    if (column < 0 || column >= aiColumns || row < 0 || row >= aiRows)
        return -1;
    const int64_t index = row * aiColumns + column;
    return index < int64_t(codes.GetCount()) ? int32_t(index) : -1;
}

uint32_t TsAIMap::CodeAt(int32_t tileX, int32_t tileZ) const
{
    const int32_t index = IndexOf(tileX, tileZ);
    return index >= 0 ? codes.Get(uint32_t(index)) : TS_AITILE_BLOCKED;
}

bool TsAIMap::IsSound(const char** why) const
{
    auto fail = [why](const char* reason) {
        if (why)
            *why = reason;
        return false;
    };
    if (!IsFinite(aiMapOrigin))
        return fail("the AI map origin is not a number");
    for (uint32_t i = 0; i < beacons.GetCount(); ++i)
        if (!std::isfinite(beacons[i].x) || !std::isfinite(beacons[i].z))
            return fail("a pathfinder beacon is not a number");
    if (aiRows == 0 && aiColumns == 0)
        return true; // a world without an AI map
    if (uint64_t(uint32_t(aiRows)) * uint32_t(aiColumns) != codes.GetCount() || codes.GetCount() == 0)
        return fail("the AI map's rows and columns disagree with its codes");
    if (!(aiTileSize > 0.0f) || !std::isfinite(aiTileSize) || !(aiTileSizeInverse > 0.0f) ||
        !std::isfinite(aiTileSizeInverse))
        return fail("the AI map's tile size is not a positive number");
    if (aiFirstColumn < 0 || aiFirstRow < 0 || aiFirstColumn > kMaxSide || aiFirstRow > kMaxSide ||
        int64_t(aiLastColumn) - aiFirstColumn + 1 != aiColumns || int64_t(aiLastRow) - aiFirstRow + 1 != aiRows)
        return fail("the AI map's crop rectangle disagrees with its size");
    return true;
}
