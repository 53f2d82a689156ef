#include "engine/OmPlane.h"

OmPlane::OmPlane(const OmVector3& p1, const OmVector3& p2, const OmVector3& p3)
{
    CrossProduct(p3 - p2, p1 - p2, normal);
    normal.Normalise();
    d = normal.Dot(p1);
}

int OmPlane::Classify(const OmVector3& p) const
{
    const float e = SignedDistance(p);
    if (e > 0.0f) {
        return 1;
    }
    if (e == 0.0f) {
        return 0;
    }
    return 2;
}
