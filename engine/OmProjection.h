// A camera's view volume and the six planes bounding it in world space.
#pragma once

#include <cstdint>

#include "engine/OmPlane.h"
#include "engine/OmVector3.h"

struct OmProjection {
    float halfWidth = 0.5f;
    float halfHeight = 0.5f;
    float nearDistance = 1.0f;
    float farDistance = 2.0f;
    uint32_t flags = 0;
};

// Planes face inward: a point p is inside when normal . p - d >= 0 for all.
class OmFrustum {
public:
    enum { kNear, kFar, kSide0, kSide1, kSide2, kSide3, kPlaneCount };

    // Computes the side-plane factors once for a projection.
    void SetProjection(const OmProjection& projection);
    // Rebuilds the planes for a camera at eye with the given unit axes.
    void Build(const OmVector3& eye, const OmVector3& right, const OmVector3& up, const OmVector3& forward);

    const OmPlane& GetPlane(int i) const { return planes_[i]; }
    bool ContainsPoint(const OmVector3& p) const;

private:
    OmPlane planes_[kPlaneCount];
    float near_ = 1.0f;
    float far_ = 2.0f;
    // Side factors: across (n / L) and along (w / L or h / L) for each pair.
    float widthAcross_ = 0.0f;
    float widthAlong_ = 0.0f;
    float heightAcross_ = 0.0f;
    float heightAlong_ = 0.0f;
};

static_assert(sizeof(OmPlane) == 16, "a frustum plane is four floats");
