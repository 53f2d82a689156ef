// Planes as a unit normal and a distance: normal . p = d on the plane.
#pragma once

#include "engine/OmVector3.h"

struct OmPlane {
    OmVector3 normal;
    float d = 0.0f;

    OmPlane() = default;
    OmPlane(const OmVector3& n, float distance) : normal(n), d(distance) {}
    // Through three points; the normal is normalise((p3 - p2) x (p1 - p2)).
    OmPlane(const OmVector3& p1, const OmVector3& p2, const OmVector3& p3);

    // 1 in front (normal side), 0 on the plane, 2 behind.
    int Classify(const OmVector3& p) const;
    float SignedDistance(const OmVector3& p) const { return normal.Dot(p) - d; }
};
