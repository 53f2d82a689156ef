#include "engine/OmVector2.h"

#include <cmath>

#include "engine/OmVector3.h"

OmVector2 OmVector2::CatmullRom(const OmVector2& p0, const OmVector2& p1, const OmVector2& p2,
                                const OmVector2& p3, float t)
{
    const float t2 = t * t;
    const float t3 = t2 * t;
    const float w0 = -t + 2.0f * t2 - t3;
    const float w1 = 2.0f - 5.0f * t2 + 3.0f * t3;
    const float w2 = t + 4.0f * t2 - 3.0f * t3;
    const float w3 = -t2 + t3;
    return OmVector2(0.5f * (w0 * p0.x + w1 * p1.x + w2 * p2.x + w3 * p3.x),
                     0.5f * (w0 * p0.y + w1 * p1.y + w2 * p2.y + w3 * p3.y));
}

float VectorLength2D(const OmVector2& v) { return std::sqrt(v.Dot(v)); }

float NormaliseInPlace2D(OmVector2& v)
{
    const float length = VectorLength2D(v);
    if (length <= OM_NORMALISE_EPSILON) {
        v.Set(0.0f, 0.0f);
        return 0.0f;
    }
    const float inverse = 1.0f / length;
    v.Set(v.x * inverse, v.y * inverse);
    return length;
}
