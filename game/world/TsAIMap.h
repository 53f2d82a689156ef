// The AI map: a grid of 4-bit tile codes over the level's ground plane,
// built from a 24-bit Targa painted for the level (red walls, green marked
// areas, anything else floor). The pathfinder copies windows of it, the
// radar draws it, and doors change rectangles of it through tile walkers.
// TsAIMap is the map as a value: it is built here (with the pathfinder
// beacons scattered over its walkable tiles) and then installed into the
// world (TsWorldAIMap), which keeps and saves the fields.
//
// Tile codes: bits 0-1 the clearance class (0 blocked, 1 passable, 3
// passable with all eight neighbours passable), bit 2 a marked tile (only
// squads holding path key A may cross it), bit 3 left to the pathfinder.
#pragma once

#include <cstdint>

#include "engine/OmArray.h"
#include "engine/OmVector3.h"
#include "game/world/TsNibbleArray.h"
#include "game/world/TsWorld.h" // TsBeacon

enum TsAITileCode : uint32_t {
    TS_AITILE_BLOCKED = 0,
    TS_AITILE_PASSABLE = 1,
    TS_AITILE_CLEAR = 3,      // passable, and so are all eight neighbours
    TS_AITILE_CLASS_MASK = 3,
    TS_AITILE_MARKED = 4,     // path key A needed
    TS_AITILE_PATHFINDER = 8, // the pathfinder's own bit
};

class TsAIMap {
public:
    static constexpr int32_t kMargin = 32;     // tiles kept around the painted area
    static constexpr int32_t kAlignment = 32;  // crop extents are multiples of this
    static constexpr float kHalveBelow = 0.26f; // tiles smaller than this are merged 2 x 2
    static constexpr uint32_t kBeaconCount = 4096;
    static constexpr uint32_t kBeaconTries = 10001;
    // Largest side a Targa or a saved map may have.
    static constexpr int32_t kMaxSide = 8192;

    // Builds the map from the Targa over the world's bounds, or over the
    // bounds of the named model when one is given. On failure the message
    // is logged and the map is left as it was.
    bool CreateFromTarga(const char* targaName, const char* boundsModelName, const OmVector3& worldMin,
                         const OmVector3& worldMax);

    bool IsEmpty() const { return codes.GetCount() == 0; }

    // The tile coordinate of an offset from the map's origin (truncated
    // toward zero); offsets that are not finite or lie far outside give a
    // tile outside every map.
    static int32_t TileOf(float offset, float inverseTileSize);
    // Image tile under a world point.
    int32_t TileX(float x) const;
    int32_t TileZ(float z) const;
    // The stored index of an image tile; -1 outside the stored map.
    int32_t IndexOf(int32_t tileX, int32_t tileZ) const;
    // The code of an image tile; 0 (blocked) outside the stored map.
    uint32_t CodeAt(int32_t tileX, int32_t tileZ) const;
    uint32_t CodeAtWorld(float x, float z) const { return CodeAt(TileX(x), TileZ(z)); }
    // World centre of stored row r, column c.
    float CentreX(int32_t column) const { return (float(aiFirstColumn + column) + 0.5f) * aiTileSize + aiMapOrigin.x; }
    float CentreZ(int32_t row) const { return (float(aiFirstRow + row) + 0.5f) * aiTileSize + aiMapOrigin.z; }

    // Whether the fields agree (sizes, crop, tile size, origin, beacons);
    // the reason otherwise.
    bool IsSound(const char** why) const;

    // The fields, in the world's order; codes holds rows x columns codes.
    // The world takes them over through TsWorldAIMap.
    OmVector3 aiMapOrigin;
    TsNibbleArray codes;
    float aiTileSize = 0.0f;
    float aiTileSizeInverse = 0.0f;
    int32_t aiRows = 0;
    int32_t aiColumns = 0;
    int32_t aiFirstColumn = 0;
    int32_t aiFirstRow = 0;
    int32_t aiLastColumn = 0;
    int32_t aiLastRow = 0;
    OmArray<TsBeacon> beacons{64};

private:
    // Seeds the game's random numbers with 1 and places up to kBeaconCount
    // beacons on tiles of class 2 or more; only placed beacons are kept.
    void PlaceBeacons();
};
