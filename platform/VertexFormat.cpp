#include "platform/VertexFormat.h"

namespace plat::fvf {

uint32_t TexCoordSetCount(uint32_t format) { return (format & TexCountMask) >> TexCountShift; }

uint32_t TexCoordFloats(uint32_t format, uint32_t set)
{
    static constexpr uint32_t kFloats[4] = {2, 3, 4, 1};
    return kFloats[(format >> (16 + set * 2)) & 3u];
}

uint32_t VertexSize(uint32_t format)
{
    const uint32_t sets = TexCoordSetCount(format);
    if (sets > 8) return 0;
    uint32_t size = 0;
    const uint32_t position = format & PositionMask;
    if (position == Xyz) size += 12;
    else if (position == XyzRhw) size += 16;
    else if (position != 0) size += 12 + 4 * ((position - XyzRhw) / 2); // plus 1 to 5 blend weights
    if (format & Normal) size += 12;
    if (format & PointSize) size += 4;
    if (format & Diffuse) size += 4;
    if (format & Specular) size += 4;
    for (uint32_t i = 0; i < sets; ++i) size += 4 * TexCoordFloats(format, i);
    return size;
}

} // namespace plat::fvf
