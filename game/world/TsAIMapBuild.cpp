// Building the AI map from the level's Targa: reading the image, finding
// the painted area, cropping (and for small tiles halving) it, marking the
// tiles with clear surroundings and scattering the pathfinder beacons.

#include "engine/OmRef.h"
#include "game/world/TsAIMap.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <vector>

#include "engine/OmGroup.h"
#include "engine/OmSceneImporter.h"
#include "engine/OmShape.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsRandom.h"
#include "platform/FilePath.h"

namespace {

constexpr size_t kHeaderSize = 18;
constexpr uint8_t kTopDown = 0x20;

struct TargaImage {
    int32_t width = 0;
    int32_t height = 0;
    bool topDown = false;
    std::vector<uint8_t> pixels; // B, G, R per pixel, rows in file order
};

uint16_t Word(const uint8_t* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}

// Every failure logs, lets the window breathe and answers false.
bool Fail()
{
    LogPumpMessages();
    return false;
}

bool ReadAll(std::FILE* file, std::vector<uint8_t>& bytes)
{
    uint8_t chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    return !std::ferror(file);
}

bool LoadTarga(const char* name, TargaImage& image)
{
    std::FILE* file = plat::OpenFile(name, "rb");
    if (!file) {
        LogInfoF("Error: Could not open file %s", name);
        return Fail();
    }
    std::vector<uint8_t> bytes;
    const bool read = ReadAll(file, bytes);
    std::fclose(file);
    const uint8_t* h = bytes.data();
    if (!read || bytes.size() < kHeaderSize) {
        LogInfoF("Error: %s is too short to be a Targa image", name);
        return Fail();
    }
    const uint8_t idLength = h[0], mapType = h[1], imageType = h[2], bits = h[16], descriptor = h[17];
    if (bits != 24 || Word(h + 8) != 0 || Word(h + 10) != 0 || imageType != 2 || mapType != 0 ||
        (descriptor != 0 && descriptor != kTopDown)) {
        LogInfoF("Error: %s has incorrect format - must be 24 bit uncompressed Targa", name);
        return Fail();
    }
    image.width = Word(h + 12);
    image.height = Word(h + 14);
    image.topDown = descriptor == kTopDown;
    if (image.width == 0 || image.height == 0 || image.width > TsAIMap::kMaxSide ||
        image.height > TsAIMap::kMaxSide) {
        LogInfoF("Error: %s is %d x %d pixels; an AI map needs 1 to %d on each side", name, image.width,
                 image.height, TsAIMap::kMaxSide);
        return Fail();
    }
    const size_t start = kHeaderSize + idLength;
    const size_t size = size_t(image.width) * size_t(image.height) * 3;
    if (bytes.size() < start + size) {
        LogInfoF("Error: %s holds %zu bytes of pixels, %zu needed", name, bytes.size() - std::min(bytes.size(), start),
                 size);
        return Fail();
    }
    image.pixels.assign(bytes.begin() + long(start), bytes.begin() + long(start + size));
    return true;
}

// The first shape among the root's children, searching child groups first
// in order, gives the offset of the model's bounds.
const OmShape* FindShape(const OmGroup& group)
{
    for (int32_t i = 0; i < group.GetChildCount(); ++i) {
        const OmNode* child = group.GetChild(uint32_t(i));
        if (const OmGroup* sub = OmGroup::Cast(child))
            if (const OmShape* found = FindShape(*sub))
                return found;
        if (const OmShape* shape = OmShape::Cast(child))
            return shape;
    }
    return nullptr;
}

bool ModelBounds(const char* modelName, OmVector3& min, OmVector3& max)
{
    const auto group = OmMakeRef<OmGroup>();
    OmSceneImporter importer;
    if (!importer.Load(modelName, group)) {
        LogInfoF("Error: Could not read file %s", modelName);
        return Fail();
    }
    group->Update(0.0f);
    importer.GetBounds(min, max);
    if (const OmShape* shape = FindShape(*group)) {
        const OmVector3& offset = shape->GetLocal().position;
        min = min + offset;
        max = max + offset;
    }
    return true;
}

uint32_t CodeOfPixel(const uint8_t* bgr)
{
    const int b = bgr[0], g = bgr[1], r = bgr[2];
    if (r > 200 && g < 120 && b < 120)
        return TS_AITILE_BLOCKED;
    if (g > 200 && r < 120 && b < 120)
        return TS_AITILE_PASSABLE | TS_AITILE_MARKED;
    return TS_AITILE_PASSABLE;
}

// The image as codes, stored row 0 being the image's bottom row.
void DecodePixels(const TargaImage& image, TsNibbleArray& codes)
{
    codes.Resize(uint32_t(image.width) * uint32_t(image.height));
    const uint8_t* pixel = image.pixels.data();
    for (int32_t fileRow = 0; fileRow < image.height; ++fileRow) {
        const int32_t row = image.topDown ? image.height - 1 - fileRow : fileRow;
        for (int32_t column = 0; column < image.width; ++column, pixel += 3)
            codes.Set(uint32_t(row * image.width + column), CodeOfPixel(pixel));
    }
}

struct Span {
    int32_t first = 0;
    int32_t last = -1;
};

// Widens the painted span by the margin, clipped to the image, and pads it
// to a multiple of the alignment, downward while there is room.
Span Extend(int32_t smallest, int32_t largest, int32_t size)
{
    Span span{std::max(smallest - TsAIMap::kMargin, 0), std::min(largest + TsAIMap::kMargin, size - 1)};
    const int32_t rest = (span.last - span.first + 1) % TsAIMap::kAlignment;
    if (rest != 0) {
        const int32_t pad = TsAIMap::kAlignment - rest;
        if (span.first >= pad) {
            span.first -= pad;
        } else {
            span.last += pad - span.first;
            span.first = 0;
        }
    }
    return span;
}

// Blocks of a halved map start on even pixels, so that halving the crop's
// coordinates names the pixels each block was made from. The span moves by
// one pixel, away from the painted area's nearer edge.
void AlignForHalving(Span& span, int32_t largest)
{
    if ((span.first & 1) == 0)
        return;
    const int32_t shift = span.last - 1 >= largest ? -1 : 1;
    span.first += shift;
    span.last += shift;
}

uint32_t ImageCode(const TsNibbleArray& image, int32_t width, int32_t height, int32_t column, int32_t row)
{
    if (column < 0 || row < 0 || column >= width || row >= height)
        return TS_AITILE_BLOCKED;
    return image.Get(uint32_t(row * width + column));
}

uint32_t HalvedCode(const TsNibbleArray& image, int32_t width, int32_t height, int32_t column, int32_t row)
{
    const uint32_t block[4] = {
        ImageCode(image, width, height, column, row), ImageCode(image, width, height, column + 1, row),
        ImageCode(image, width, height, column, row + 1), ImageCode(image, width, height, column + 1, row + 1)};
    bool allOpen = true;
    for (uint32_t code : block) {
        if (code & TS_AITILE_MARKED)
            return TS_AITILE_PASSABLE | TS_AITILE_MARKED;
        allOpen = allOpen && code != 0;
    }
    return allOpen ? TS_AITILE_PASSABLE : TS_AITILE_BLOCKED;
}

bool HasClass(const TsNibbleArray& codes, int32_t rows, int32_t columns, int32_t row, int32_t column)
{
    if (row < 0 || column < 0 || row >= rows || column >= columns)
        return false;
    return (codes.Get(uint32_t(row * columns + column)) & TS_AITILE_CLASS_MASK) != 0;
}

// Tiles whose eight neighbours are all passable get both class bits. Tiles
// are handled in row order, in place, as the stored maps were made.
void MarkClearance(TsNibbleArray& codes, int32_t rows, int32_t columns)
{
    for (int32_t row = 0; row < rows; ++row) {
        for (int32_t column = 0; column < columns; ++column) {
            if (!HasClass(codes, rows, columns, row, column))
                continue;
            bool clear = true;
            for (int32_t dz = -1; dz <= 1 && clear; ++dz)
                for (int32_t dx = -1; dx <= 1 && clear; ++dx)
                    clear = HasClass(codes, rows, columns, row + dz, column + dx);
            if (clear) {
                const uint32_t i = uint32_t(row * columns + column);
                codes.Set(i, codes.Get(i) | TS_AITILE_CLEAR);
            }
        }
    }
}

// What the map was made from, for whoever built the level to check.
void LogSizes(const char* targaName, const char* modelName, const TargaImage& image, float edge, float tileSize)
{
    LogInfoF("%s file dimensions: %d pixels x %d pixels", targaName, image.width, image.height);
    LogInfoF("%s edge lengths: %f m x %f m", modelName, double(edge), double(edge));
    LogInfoF("AI tile size: %f m x %f m", double(edge / float(image.width)), double(edge / float(image.height)));
    LogInfoF("Quark background image scale is %f for indoors, %f for outdoors", double(tileSize * 16.0f),
             double(tileSize * 32.0f));
}

// The box of the image's passable tiles; false when it has none. The map
// is cropped to it, widened to whole blocks.
bool PassableBox(const TsNibbleArray& full, const TargaImage& image, int32_t& smallRow, int32_t& largeRow,
                 int32_t& smallColumn, int32_t& largeColumn)
{
    smallRow = image.height, largeRow = -1, smallColumn = image.width, largeColumn = -1;
    for (int32_t row = 0; row < image.height; ++row)
        for (int32_t column = 0; column < image.width; ++column)
            if (full.Get(uint32_t(row * image.width + column)) != 0) {
                smallRow = std::min(smallRow, row);
                largeRow = std::max(largeRow, row);
                smallColumn = std::min(smallColumn, column);
                largeColumn = std::max(largeColumn, column);
            }
    return largeRow >= 0;
}

// The passable tiles' box widened to whole blocks (to even starts for a
// halved map); false, said why, when there is none or it is not square.
bool CropBox(const TsNibbleArray& full, const TargaImage& image, const char* targaName, const char* modelName,
             bool halve, Span& columns, Span& rows)
{
    int32_t smallRow, largeRow, smallColumn, largeColumn;
    if (!PassableBox(full, image, smallRow, largeRow, smallColumn, largeColumn)) {
        LogInfoF("Error: Could not create ai map: %s has no passable tile", targaName);
        return Fail();
    }
    columns = Extend(smallColumn, largeColumn, image.width);
    rows = Extend(smallRow, largeRow, image.height);
    if ((columns.last - columns.first + 1) % TsAIMap::kAlignment != 0
        || (rows.last - rows.first + 1) % TsAIMap::kAlignment != 0) {
        LogInfoF("Error: Could not create ai map: either the bounds of model %s or targa %s are not square",
                 modelName, targaName);
        return Fail();
    }
    if (halve) {
        AlignForHalving(columns, largeColumn);
        AlignForHalving(rows, largeRow);
    }
    return true;
}

// The codes of the cropped map, a tile for every image pixel or, halved,
// for every two by two of them.
TsNibbleArray Crop(const TsNibbleArray& full, const TargaImage& image, const Span& columns, const Span& rows,
                   bool halve, int32_t newColumns, int32_t newRows)
{
    const int32_t shift = halve ? 1 : 0;
    TsNibbleArray cropped(uint32_t(newColumns) * uint32_t(newRows));
    for (int32_t row = 0; row < newRows; ++row) {
        for (int32_t column = 0; column < newColumns; ++column) {
            const int32_t x = columns.first + (column << shift), z = rows.first + (row << shift);
            const uint32_t code = halve ? HalvedCode(full, image.width, image.height, x, z)
                                        : ImageCode(full, image.width, image.height, x, z);
            cropped.Set(uint32_t(row * newColumns + column), code);
        }
    }
    return cropped;
}

// The beacons' search, try by try as the game's random numbers make them:
// a try draws a column and then a row, and hits when that tile is clear.
// A seed's low bits follow from the previous seed's low bits alone, and
// the map's sides are multiples of 16, so the low bits of a try's column
// and row come round again every few thousand tries at most. A try whose
// low bits match no clear tile cannot hit: the search jumps over it instead
// of drawing it, and a sparse map takes milliseconds rather than seconds,
// placing the same beacons as drawing every try would.
class BeaconTries {
public:
    BeaconTries(const TsNibbleArray& codes, int32_t columns, int32_t rows, uint32_t seed)
        : m_codes(codes), m_columns(uint32_t(std::max(columns, 1))), m_rows(uint32_t(std::max(rows, 1))),
          m_seed(seed)
    {
        const int columnBits = std::min(std::countr_zero(m_columns), kMaxLowBits);
        const int rowBits = std::min(std::countr_zero(m_rows), kMaxLowBits);
        m_lowMask = (1u << std::max(columnBits, rowBits)) - 1;
        const std::vector<uint8_t> matching = MatchingColumnSeeds(columnBits, rowBits);
        // The seeds' low bits come round every 2^bits draws, a try's every
        // half as many tries.
        std::vector<uint8_t> mayHit(std::max<size_t>((m_lowMask + 1) / 2, 1));
        uint32_t low = seed & m_lowMask;
        for (uint8_t& may : mayHit) {
            const uint32_t column = NextSeed(low) & m_lowMask;
            may = matching[column];
            low = NextSeed(column) & m_lowMask;
        }
        CountTriesToNextMatch(mayHit);
    }

    bool AnyClearTile() const { return m_anyClear; }
    uint32_t Seed() const { return m_seed; }

    // Up to count tries from the next one; true, with the tile, at the first
    // that hits.
    bool Find(uint32_t count, int32_t& column, int32_t& row)
    {
        while (count > 0) {
            const uint32_t skip = m_toNextMatch[m_at];
            if (skip >= count) {
                Skip(count);
                return false;
            }
            Skip(skip);
            const uint32_t columnSeed = NextSeed(m_seed);
            const uint32_t rowSeed = NextSeed(columnSeed);
            Skip(1);
            count -= skip + 1;
            column = int32_t(columnSeed % m_columns);
            row = int32_t(rowSeed % m_rows);
            if (IsClear(uint32_t(row) * m_columns + uint32_t(column)))
                return true;
        }
        return false;
    }

private:
    static constexpr int kMaxLowBits = 13;
    static constexpr uint32_t kNever = UINT32_MAX;

    static uint32_t NextSeed(uint32_t seed) { return RandomSeedAfter(seed, 1); }
    bool IsClear(uint32_t tile) const { return (m_codes.Get(tile) & TS_AITILE_CLASS_MASK) >= 2; }

    void Skip(uint32_t count)
    {
        m_seed = RandomSeedAfter(m_seed, 2 * uint64_t(count));
        m_at = uint32_t((uint64_t(m_at) + count) % m_toNextMatch.size());
    }

    // Which low bits of a try's column seed some clear tile matches: its
    // column in the low columnBits and, from the seed that follows, its row
    // in the low rowBits. The wider of the two fixes the seed's low bits.
    std::vector<uint8_t> MatchingColumnSeeds(int columnBits, int rowBits)
    {
        const uint32_t lows = m_lowMask + 1, columnMask = (1u << columnBits) - 1, rowMask = (1u << rowBits) - 1;
        std::vector<uint32_t> next(lows), previous(lows);
        for (uint32_t low = 0; low < lows; ++low) {
            next[low] = NextSeed(low) & m_lowMask;
            previous[next[low]] = low;
        }
        std::vector<uint8_t> matching(lows);
        for (uint32_t tile = 0; tile < m_codes.GetCount(); ++tile) {
            if (!IsClear(tile))
                continue;
            m_anyClear = true;
            const uint32_t column = tile % m_columns, row = tile / m_columns;
            const uint32_t low = columnBits >= rowBits ? column & m_lowMask : previous[row & m_lowMask];
            if ((low & columnMask) == (column & columnMask) && (next[low] & rowMask) == (row & rowMask))
                matching[low] = 1;
        }
        return matching;
    }

    // For each place in the round of tries, how many tries pass before one
    // that may hit (kNever when none may).
    void CountTriesToNextMatch(const std::vector<uint8_t>& mayHit)
    {
        const size_t round = mayHit.size();
        m_toNextMatch.assign(round, kNever);
        uint32_t toNext = kNever;
        for (size_t i = 2 * round; i-- > 0;) {
            if (mayHit[i % round])
                toNext = 0;
            else if (toNext != kNever)
                ++toNext;
            if (i < round)
                m_toNextMatch[i] = toNext;
        }
    }

    const TsNibbleArray& m_codes;
    uint32_t m_columns;
    uint32_t m_rows;
    uint32_t m_seed;
    uint32_t m_lowMask = 0;
    uint32_t m_at = 0; // the next try's place in the round
    bool m_anyClear = false;
    std::vector<uint32_t> m_toNextMatch;
};

} // namespace

bool TsAIMap::CreateFromTarga(const char* targaName, const char* boundsModelName, const OmVector3& worldMin,
                              const OmVector3& worldMax)
{
    LogInfoF("Original World Bounds %f,%f %f,%f\n", double(worldMin.x), double(worldMin.z), double(worldMax.x),
             double(worldMax.z));
    if (!targaName) {
        LogInfo("Error: no file specified for ai map targa");
        return Fail();
    }
    TargaImage image;
    if (!LoadTarga(targaName, image))
        return false;
    OmVector3 min = worldMin, max = worldMax;
    if (boundsModelName && !ModelBounds(boundsModelName, min, max))
        return false;
    const char* modelName = boundsModelName ? boundsModelName : "(world)";
    const float edge = max.x - min.x;
    if (!(edge > 0.0f) || !std::isfinite(edge) || !std::isfinite(min.z)) {
        LogInfoF("Error: the bounds of %s have no width (%f), so the AI map has no tile size", modelName,
                 double(edge));
        return Fail();
    }
    const float tileSize = edge / float(image.width);
    LogSizes(targaName, modelName, image, edge, tileSize);

    TsNibbleArray full;
    DecodePixels(image, full);
    const bool halve = tileSize < kHalveBelow;
    Span columns, rows;
    if (!CropBox(full, image, targaName, modelName, halve, columns, rows))
        return false;
    const int32_t shift = halve ? 1 : 0;
    const int32_t newColumns = (columns.last - columns.first + 1) >> shift;
    const int32_t newRows = (rows.last - rows.first + 1) >> shift;
    TsNibbleArray cropped = Crop(full, image, columns, rows, halve, newColumns, newRows);
    LogInfoF("crop %d %d,%d %d\n", columns.first, rows.first, columns.last, rows.last);
    LogInfoF("NewSize = %dk", int32_t(uint64_t(cropped.GetCount()) * 4 / 8192));

    codes = std::move(cropped);
    aiRows = newRows;
    aiColumns = newColumns;
    aiFirstColumn = columns.first >> shift;
    aiFirstRow = rows.first >> shift;
    aiLastColumn = columns.last >> shift;
    aiLastRow = rows.last >> shift;
    aiMapOrigin.Set(min.x, 0.0f, min.z);
    aiTileSize = halve ? tileSize * 2.0f : tileSize;
    aiTileSizeInverse = 1.0f / aiTileSize;
    MarkClearance(codes, aiRows, aiColumns);
    PlaceBeacons();
    return true;
}

void TsAIMap::PlaceBeacons()
{
    SeedRandom(1);
    // Saved with a grow step of 1; the room is made once, not beacon by beacon.
    beacons.Construct(0, 1);
    beacons.Reserve(kBeaconCount);
    BeaconTries tries(codes, aiColumns, aiRows, 1);
    if (!tries.AnyClearTile()) {
        // Nothing is drawn: no tile could ever take a beacon.
        LogErrorF("Failed to place pathfinder beacon: %u of %u, as no tile has eight open neighbours", kBeaconCount,
                  kBeaconCount);
        return;
    }
    uint32_t failed = 0;
    for (uint32_t beacon = 0; beacon < kBeaconCount; ++beacon) {
        int32_t column = 0, row = 0;
        // A beacon that found no tile is left out rather than kept unset.
        if (tries.Find(kBeaconTries, column, row))
            beacons.Add(TsBeacon{CentreX(column), CentreZ(row)});
        else
            ++failed;
    }
    SeedRandom(tries.Seed());
    if (failed > 0)
        LogErrorF("Failed to place pathfinder beacon: %u of %u found no tile with eight open neighbours in %u tries",
                  failed, kBeaconCount, kBeaconTries);
}
