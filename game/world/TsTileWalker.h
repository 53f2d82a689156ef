// A cursor over the AI map in image tile coordinates, and the tile overlays
// with which doors and moving geometry block a rectangle of the map while
// they stand in it and give the old codes back when they leave.
#pragma once

#include <cstdint>

#include "game/world/TsNibbleArray.h"

class TsWorld;

// What an owner of a rectangle keeps: the codes the rectangle held when the
// overlay was made, and the codes written while it is applied (all 0, so
// blocked, unless the owner changes them).
struct TsTileOverlay {
    TsNibbleArray savedCodes;
    int32_t width = 0;  // tiles along X
    int32_t height = 0; // tiles along Z
    int32_t x = 0;      // first image tile column
    int32_t z = 0;      // first image tile row
    TsNibbleArray overlayCodes;

    // Whether the record holds codes for its whole rectangle. A refused one
    // holds none: nothing is written from it, and it blocks no tile.
    bool IsMade() const
    {
        const uint32_t count = width > 0 && height > 0 ? uint32_t(width) * uint32_t(height) : 0;
        return count > 0 && savedCodes.GetCount() == count && overlayCodes.GetCount() == count;
    }
};

class TsTileWalker {
public:
    // Walks the world's AI map; a null world, or one without a map, walks
    // nothing: every tile is outside.
    explicit TsTileWalker(TsWorld* world);

    // Level 0, no cached mask, and the map pointer taken from the world again.
    void Reset();
    // Moves to the image tile under a world point; the answer is IsOutside's.
    bool SetWorldPosition(float x, float z);
    // Moves to an image tile; the answer is IsOutside's.
    bool SetPosition(int32_t x, int32_t z);
    // Outside unless first column <= x < last column and first row <= z <
    // last row of the crop (a tile of the last stored column or row counts
    // as outside here, though IsValid accepts it). Sets the inside flag.
    bool IsOutside();
    bool IsInside() const { return m_inside != 0; }

    int32_t GetX() const { return m_x; }
    int32_t GetZ() const { return m_z; }
    int32_t GetCentreX() const { return m_x + (1 << m_level) / 2; }
    int32_t GetCentreZ() const { return m_z + (1 << m_level) / 2; }

    // Whether the walker stands on a stored tile.
    bool IsValid() const;
    // The code under the walker; 0 off the map.
    uint32_t GetTile() const;
    // Stores a code under the walker (nothing off the map) and resets it.
    void SetTile(uint32_t code);

    // Fills the record for the rectangle (x, z)-(x + width, z + height); the
    // far corner must be a stored tile too. False, logged, and the walker
    // where it was when a corner is not.
    bool CreateTileOverlay(TsTileOverlay& overlay, int32_t x, int32_t z, int32_t width, int32_t height);
    void ApplyTileOverlay(const TsTileOverlay& overlay);
    void RemoveTileOverlay(const TsTileOverlay& overlay);

private:
    // Index of the walker's tile in the stored map; -1 off it.
    int64_t Index() const;
    void WriteRectangle(const TsTileOverlay& overlay, const TsNibbleArray& source);

    int32_t m_x = 0;
    int32_t m_z = 0;
    uint8_t m_inside = 0;
    int32_t m_level = 0;
    int32_t m_cached = -1;
    TsWorld* m_world;              // borrowed
    TsNibbleArray* m_map = nullptr; // the world's codes
};
