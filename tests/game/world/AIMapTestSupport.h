// Builds Targa images and AI maps for the world and pathfinder tests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/OmRef.h"
#include "game/world/TsAIMap.h"
#include "game/world/TsWorld.h"
#include "game/world/TsWorldAIMap.h"
#include "tests/platform/ImageTestFiles.h"

namespace aimap_test {

struct Bgr {
    uint8_t b, g, r;
};
constexpr Bgr kFloor{128, 128, 128};
constexpr Bgr kWall{0, 0, 255};
constexpr Bgr kMarked{0, 255, 0};

// A 24-bit uncompressed Targa; pixel(column, row) with row 0 at the bottom
// of the picture, whatever order the file stores the rows in.
inline std::string Targa(int width, int height, const std::function<Bgr(int, int)>& pixel, bool topDown = false)
{
    imgtest::Bytes bytes = imgtest::TgaStart(
        {.width = uint16_t(width), .height = uint16_t(height), .bits = 24, .descriptor = uint8_t(topDown ? 0x20 : 0)});
    for (int fileRow = 0; fileRow < height; ++fileRow) {
        const int row = topDown ? height - 1 - fileRow : fileRow;
        for (int column = 0; column < width; ++column) {
            const Bgr p = pixel(column, row);
            imgtest::Put(bytes, 1, {p.b, p.g, p.r});
        }
    }
    return std::string(bytes.begin(), bytes.end());
}

// A map set up by hand: rows x columns codes from text rows ('#' blocked,
// '.' passable, 'k' marked, '3' clear), the first text row at the top
// (largest z), first tile (firstColumn, firstRow) of the image grid.
inline void FillMap(TsAIMap& map, const std::vector<std::string>& rows, float tileSize = 1.0f,
                    int32_t firstColumn = 0, int32_t firstRow = 0)
{
    map.aiRows = int32_t(rows.size());
    map.aiColumns = int32_t(rows[0].size());
    map.aiTileSize = tileSize;
    map.aiTileSizeInverse = 1.0f / tileSize;
    map.aiFirstColumn = firstColumn;
    map.aiFirstRow = firstRow;
    map.aiLastColumn = firstColumn + map.aiColumns - 1;
    map.aiLastRow = firstRow + map.aiRows - 1;
    map.codes.Resize(uint32_t(map.aiRows * map.aiColumns));
    for (int32_t r = 0; r < map.aiRows; ++r) {
        const std::string& text = rows[size_t(map.aiRows - 1 - r)];
        for (int32_t c = 0; c < map.aiColumns; ++c) {
            const char ch = text[size_t(c)];
            const uint32_t code = ch == '#' ? 0u : ch == 'k' ? 5u : ch == '3' ? 3u : 1u;
            map.codes.Set(uint32_t(r * map.aiColumns + c), code);
        }
    }
}

using WorldPtr = OmRef<TsWorld>;

inline WorldPtr WorldWith(TsAIMap&& map)
{
    WorldPtr world = OmMakeRef<TsWorld>();
    TsWorldAIMap::Install(*world, std::move(map));
    return world;
}

// A world holding a map drawn as FillMap draws it.
inline WorldPtr WorldWith(const std::vector<std::string>& rows, float tileSize = 1.0f, int32_t firstColumn = 0,
                          int32_t firstRow = 0)
{
    TsAIMap map;
    FillMap(map, rows, tileSize, firstColumn, firstRow);
    return WorldWith(std::move(map));
}

} // namespace aimap_test
