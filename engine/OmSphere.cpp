#include "engine/OmSphere.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
OmVector3 PointAt(const void* points, int i)
{
    OmVector3 p;
    std::memcpy(&p.x, static_cast<const unsigned char*>(points) + static_cast<size_t>(i) * OM_SPHERE_POINT_STRIDE,
                3 * sizeof(float));
    return p;
}
} // namespace

void OmSphere::FromPoints(const void* points, int count, OmSphere& out, OmVector3* outMin, OmVector3* outMax)
{
    if (count < 1 || !points) {
        out.SetEmpty();
        return;
    }
    OmVector3 lo = PointAt(points, 0), hi = lo;
    for (int i = 1; i < count; ++i) {
        const OmVector3 p = PointAt(points, i);
        lo.Set(std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z));
        hi.Set(std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z));
    }
    OmVector3 centre = (lo + hi) * 0.5f;
    float largest = 0.0f;
    for (int i = 0; i < count; ++i) {
        largest = std::max(largest, DistanceSquared(centre, PointAt(points, i)));
    }
    out = OmSphere(centre, std::sqrt(largest));
    if (outMin) {
        *outMin = lo;
    }
    if (outMax) {
        *outMax = hi;
    }
}

bool OmSphere::Enclose(const OmSphere& other)
{
    // An empty operand holds no volume: without this the arithmetic below
    // would stretch the result to reach the empty sphere's origin.
    if (other.IsEmpty()) {
        return false;
    }
    if (IsEmpty()) {
        *this = other;
        return true;
    }
    const OmVector3 d = other.centre - centre;
    const float distSquared = d.LengthSquared();
    const float dr = other.radius - radius;
    if (dr * dr >= distSquared) {
        if (dr >= 0.0f) {
            *this = other;
            return true;
        }
        return false;
    }
    const float dist = std::sqrt(distSquared);
    if (dist > 1e-6f) {
        centre = other.centre - d * ((dist - dr) / (2.0f * dist));
    }
    radius = (dist + radius + other.radius) * 0.5f;
    return true;
}

bool OmSphere::Intersects(const OmSphere& other) const
{
    if (IsEmpty() || other.IsEmpty()) {
        return false;
    }
    const float reach = radius + other.radius;
    return reach * reach >= DistanceSquared(centre, other.centre);
}

void OmSphere::Transform(const OmMatrix4& m)
{
    if (IsEmpty()) {
        return; // stays empty wherever it is moved
    }
    OmVector3 v;
    TransformDirection4(OmVector3(1, 1, 1), m, v);
    const float largest = std::max({v.x, v.y, v.z});
    const float smallest = std::min({v.x, v.y, v.z});
    radius *= std::max(largest, std::fabs(smallest));
    centre = m.TransformPoint(centre);
}

void OmSphere::Place(const OmSphere& source, const OmMatrix3& rotation, const OmVector3& translation, float scale)
{
    centre = translation + rotation.Transform(source.centre) * scale;
    radius = scale * source.radius;
}

int OmSphere::ClassifyPlane(const OmPlane& plane) const
{
    const float e = plane.SignedDistance(centre);
    if (e <= -radius) {
        return 2;
    }
    if (e >= radius) {
        return 1;
    }
    return 0;
}
