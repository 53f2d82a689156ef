#include "engine/OmVector3.h"

const OmVector3& OmVector3::Zero()
{
    static const OmVector3 zero(0.0f, 0.0f, 0.0f);
    return zero;
}

const OmVector3& OmVector3::UnitX()
{
    static const OmVector3 unitX(1.0f, 0.0f, 0.0f);
    return unitX;
}

const OmVector3& OmVector3::UnitY()
{
    static const OmVector3 unitY(0.0f, 1.0f, 0.0f);
    return unitY;
}

float NormaliseInto(const OmVector3& v, OmVector3& out)
{
    const float length = v.Length();
    if (length <= OM_NORMALISE_EPSILON) {
        out.SetAll(0.0f);
        return 0.0f;
    }
    const float inverse = 1.0f / length;
    out.Set(v.x * inverse, v.y * inverse, v.z * inverse);
    return length;
}

float NormaliseInPlace(OmVector3& v) { return NormaliseInto(v, v); }

float OmVector3::Normalise() { return NormaliseInto(*this, *this); }

void OmVector3::Unit(OmVector3& out) const { NormaliseInto(*this, out); }

OmVector3& OmVector3::operator/=(float s)
{
    if (s == 0.0f) {
        SetAll(FLT_MAX);
        return *this;
    }
    x /= s;
    y /= s;
    z /= s;
    return *this;
}

void CrossProduct(const OmVector3& a, const OmVector3& b, OmVector3& out)
{
    const float cx = a.y * b.z - a.z * b.y;
    const float cy = a.z * b.x - a.x * b.z;
    const float cz = a.x * b.y - a.y * b.x;
    out.Set(cx, cy, cz);
}
