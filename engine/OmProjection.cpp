#include "engine/OmProjection.h"

#include <cmath>

void OmFrustum::SetProjection(const OmProjection& p)
{
    const float n = p.nearDistance;
    const float lw = std::sqrt(p.halfWidth * p.halfWidth + n * n);
    const float lh = std::sqrt(p.halfHeight * p.halfHeight + n * n);
    near_ = n;
    far_ = p.farDistance;
    widthAcross_ = lw > 0.0f ? n / lw : 0.0f;
    widthAlong_ = lw > 0.0f ? p.halfWidth / lw : 0.0f;
    heightAcross_ = lh > 0.0f ? n / lh : 0.0f;
    heightAlong_ = lh > 0.0f ? p.halfHeight / lh : 0.0f;
}

void OmFrustum::Build(const OmVector3& eye, const OmVector3& right, const OmVector3& up, const OmVector3& forward)
{
    const float eyeAlong = eye.Dot(forward);
    planes_[kNear] = OmPlane(forward, eyeAlong + near_);
    planes_[kFar] = OmPlane(forward.Negated(), -(eyeAlong + far_));
    const OmVector3 sides[4] = {
        forward * widthAlong_ + right * widthAcross_,
        forward * widthAlong_ - right * widthAcross_,
        forward * heightAlong_ - up * heightAcross_,
        forward * heightAlong_ + up * heightAcross_,
    };
    for (int i = 0; i < 4; ++i) {
        planes_[kSide0 + i] = OmPlane(sides[i], eye.Dot(sides[i]));
    }
}

bool OmFrustum::ContainsPoint(const OmVector3& p) const
{
    for (const OmPlane& plane : planes_) {
        if (plane.SignedDistance(p) < 0.0f) {
            return false;
        }
    }
    return true;
}
