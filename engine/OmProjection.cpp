#include "engine/OmProjection.h"

#include <cmath>

void ComputeFrustumSideNormals(const OmProjection& p, float sideNormals[4])
{
    const float n = p.nearDistance;
    const float lw = std::sqrt(p.halfWidth * p.halfWidth + n * n);
    const float lh = std::sqrt(p.halfHeight * p.halfHeight + n * n);
    // A zero-sized window at distance 0 has no sides to speak of.
    const float s = lw > 0.0f ? 1.0f / lw : 0.0f;
    const float t = lh > 0.0f ? 1.0f / lh : 0.0f;
    sideNormals[0] = -n * s;
    sideNormals[1] = p.halfWidth * s;
    sideNormals[2] = -n * t;
    sideNormals[3] = p.halfHeight * t;
}

void BuildFrustumPlanes(const OmProjection& projection, const float sn[4], const OmVector3& eye,
                        const OmVector3& right, const OmVector3& up, const OmVector3& forward,
                        OmPlane planes[OM_FRUSTUM_PLANES])
{
    const float eyeAlong = eye.Dot(forward);
    planes[OM_PLANE_NEAR] = OmPlane(forward, eyeAlong + projection.nearDistance);
    planes[OM_PLANE_FAR] = OmPlane(forward.Negated(), -(eyeAlong + projection.farDistance));
    // (w f + n r)/Lw, (w f - n r)/Lw, (h f - n u)/Lh, (h f + n u)/Lh.
    const OmVector3 sides[4] = {
        forward * sn[1] - right * sn[0],
        forward * sn[1] + right * sn[0],
        forward * sn[3] + up * sn[2],
        forward * sn[3] - up * sn[2],
    };
    for (int i = 0; i < 4; ++i) {
        planes[OM_PLANE_SIDE0 + i] = OmPlane(sides[i], eye.Dot(sides[i]));
    }
}

bool IsPointInFrustum(const OmPlane planes[OM_FRUSTUM_PLANES], const OmVector3& p)
{
    for (int i = 0; i < OM_FRUSTUM_PLANES; ++i) {
        if (planes[i].SignedDistance(p) < 0.0f) {
            return false;
        }
    }
    return true;
}
