// What a segment cast reports: the struck triangle, its plane normal, where
// it was struck and how far along the segment. Doors and dynamic geometry
// fill the same record, so the nearest of everything can be chosen.
#pragma once

#include <cfloat>

#include "engine/OmVector3.h"

struct TsWorldHit {
    OmVector3 corner0, corner1, corner2; // world units
    OmVector3 normal;                    // unit length, world frame
    OmVector3 point;
    float distance = FLT_MAX; // from the segment's start; FLT_MAX: no hit

    bool IsHit() const { return distance < FLT_MAX; }
};
