// Integer geometry on a cell's quantised XZ plane, shared by the importer
// (which files triangles into bins) and the shadow query (which gathers the
// triangles under a caster).
#pragma once

#include <cstdint>

struct TsQuantSquare {
    int32_t x0, z0, x1, z1; // closed: x0 <= x <= x1, z0 <= z <= z1
};

// Whether the triangle's XZ projection touches the closed square: a corner
// inside the square, an edge crossing a side, or a corner of the square
// inside the triangle. Corners are (x, z) pairs.
bool TriangleTouchesSquare(const int32_t corners[3][2], const TsQuantSquare& square);
