#include "engine/OmVector4.h"

const OmVector4& OmVector4::UnitW()
{
    static const OmVector4 unitW(0.0f, 0.0f, 0.0f, 1.0f);
    return unitW;
}

uint32_t OmColourByte(float v)
{
    return OmLevelByte(v > 1.0f ? 255.0f : v * 255.0f);
}

uint32_t OmLevelByte(float level)
{
    // The negated test also sends NaN to 0.
    if (!(level > 0.0f)) {
        return 0;
    }
    return level >= 255.0f ? 255 : static_cast<uint32_t>(level);
}

uint32_t OmColour::PackRGBA() const
{
    return OmColourByte(r) << 24 | OmColourByte(g) << 16 | OmColourByte(b) << 8 | OmColourByte(a);
}
