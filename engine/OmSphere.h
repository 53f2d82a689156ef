// Bounding spheres for culling and picking. A negative radius marks the
// empty sphere, which holds no volume.
#pragma once

#include "engine/OmMatrix3.h"
#include "engine/OmMatrix4.h"
#include "engine/OmPlane.h"
#include "engine/OmVector3.h"

// Mesh vertices are 56 bytes with the position first; FromPoints walks them
// in place.
constexpr int OM_SPHERE_POINT_STRIDE = 56;

struct OmSphere {
    OmVector3 centre;
    float radius = -1.0f;

    OmSphere() = default;
    OmSphere(const OmVector3& c, float r) : centre(c), radius(r) {}

    bool IsEmpty() const { return radius < 0.0f; }
    void SetEmpty() { *this = OmSphere(); }

    // The sphere about the midpoint of the points' bounding box reaching the
    // farthest point. points are read OM_SPHERE_POINT_STRIDE bytes apart. No
    // points give the empty sphere (and leave the box untouched).
    static void FromPoints(const void* points, int count, OmSphere& out, OmVector3* outMin = nullptr,
                           OmVector3* outMax = nullptr);

    // Grows this sphere to hold other. False when nothing changed because
    // this one already holds it (or other is empty); an empty sphere takes a
    // copy of other.
    bool Enclose(const OmSphere& other);
    // False when either sphere is empty.
    bool Intersects(const OmSphere& other) const;
    // Moves the centre as a point and scales the radius by the largest axis
    // scale of the matrix.
    void Transform(const OmMatrix4& m);
    // This = source rotated, scaled, then moved by translation.
    void Place(const OmSphere& source, const OmMatrix3& rotation, const OmVector3& translation, float scale);
    // 2 wholly behind the plane, 1 wholly in front, 0 straddling it.
    int ClassifyPlane(const OmPlane& plane) const;
};
