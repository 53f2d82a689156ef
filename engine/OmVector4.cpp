#include "engine/OmVector4.h"

const OmVector4& OmVector4::UnitW()
{
    static const OmVector4 unitW(0.0f, 0.0f, 0.0f, 1.0f);
    return unitW;
}

uint32_t OmColourByte(float v)
{
    // The negated test also sends NaN to 0.
    if (!(v > 0.0f)) {
        return 0;
    }
    if (v > 1.0f) {
        v = 1.0f;
    }
    return static_cast<uint32_t>(v * 255.0f);
}

uint32_t OmColour::PackRGBA() const
{
    return OmColourByte(r) << 24 | OmColourByte(g) << 16 | OmColourByte(b) << 8 | OmColourByte(a);
}
