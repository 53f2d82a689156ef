// A camera's view window and the six planes bounding its view volume in
// world space. The camera keeps the planes and side factors itself and
// rebuilds them with these functions when its view changes.
#pragma once

#include <cstdint>

#include "engine/OmPlane.h"
#include "engine/OmVector3.h"

struct OmProjection {
    float halfWidth = 0.5f;   // half the window's width at nearDistance
    float halfHeight = 0.5f;
    float nearDistance = 1.0f;
    float farDistance = 2.0f;
    uint8_t orthographic = 0;
};

// Plane order: near, far, then the four sides. Every plane faces inward.
enum OmFrustumPlane { OM_PLANE_NEAR, OM_PLANE_FAR, OM_PLANE_SIDE0, OM_PLANE_SIDE1, OM_PLANE_SIDE2,
                      OM_PLANE_SIDE3, OM_FRUSTUM_PLANES };

static_assert(sizeof(OmPlane) == 16, "a frustum plane is four floats");

// The side factors, computed once per projection: with Lw = sqrt(w^2 + n^2)
// and Lh = sqrt(h^2 + n^2), (-n/Lw, w/Lw, -n/Lh, h/Lh).
void ComputeFrustumSideNormals(const OmProjection& projection, float sideNormals[4]);

// The six planes for a camera at eye with unit axes right, up and forward.
void BuildFrustumPlanes(const OmProjection& projection, const float sideNormals[4], const OmVector3& eye,
                        const OmVector3& right, const OmVector3& up, const OmVector3& forward,
                        OmPlane planes[OM_FRUSTUM_PLANES]);

// Inside when normal . p - d >= 0 for every plane.
bool IsPointInFrustum(const OmPlane planes[OM_FRUSTUM_PLANES], const OmVector3& p);
