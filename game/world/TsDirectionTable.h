// 256 unit directions that code a vertex normal in one byte. Entries 0 to 5
// are +X, +Y, +Z, -X, -Y, -Z; the rest are spread evenly over the sphere.
// The importer codes normals with it and the cell renderer decodes them, so
// both must use this one table.
#pragma once

#include <cstdint>

#include "engine/OmVector3.h"

constexpr int kTsDirectionCount = 256;

const OmVector3& TsDirection(uint32_t index);
// The entry with the largest dot product with n (the first on ties); 0 when
// no dot product is above 0.
uint8_t TsNearestDirection(const OmVector3& n);
