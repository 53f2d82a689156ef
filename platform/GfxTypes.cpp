#include "platform/GfxTypes.h"

#include "platform/PixelFormat.h"

namespace plat {

uint32_t GfxFormatBytes(uint32_t format)
{
    if (format == GfxFormat::L8 || format == GfxFormat::A8L8)
        return 0;
    return BytesPerPixel(format);
}

bool GfxIsDepthFormat(uint32_t format)
{
    switch (format) {
    case GfxFormat::D16Lockable:
    case GfxFormat::D32:
    case GfxFormat::D15S1:
    case GfxFormat::D24S8:
    case GfxFormat::D16:
    case GfxFormat::D24X8:
    case GfxFormat::D24X4S4: return true;
    default: return false;
    }
}

bool GfxIsTextureFormat(uint32_t format)
{
    switch (format) {
    case GfxFormat::R8G8B8:
    case GfxFormat::A8R8G8B8:
    case GfxFormat::X8R8G8B8:
    case GfxFormat::R5G6B5:
    case GfxFormat::X1R5G5B5:
    case GfxFormat::A1R5G5B5:
    case GfxFormat::A4R4G4B4:
    case GfxFormat::R3G3B2:
    case GfxFormat::A8:
    case GfxFormat::X4R4G4B4: return true;
    default: return false;
    }
}

uint32_t GfxFvfTexSetSize(uint32_t fvf, uint32_t set)
{
    static constexpr uint32_t kFloats[4] = {2, 3, 4, 1};
    return kFloats[(fvf >> (16 + set * 2)) & 3u];
}

uint32_t GfxFvfVertexSize(uint32_t fvf)
{
    const uint32_t sets = GfxFvfTexSetCount(fvf);
    if (sets > 8)
        return 0;
    uint32_t size = 0;
    const uint32_t position = fvf & GfxFvf::PositionMask;
    if (position == GfxFvf::Xyz)
        size += 12;
    else if (position == GfxFvf::XyzRhw)
        size += 16;
    else if (position != 0)
        size += 12 + 4 * ((position - GfxFvf::XyzRhw) / 2); // plus 1 to 5 blend weights
    if (fvf & GfxFvf::Normal)
        size += 12;
    if (fvf & GfxFvf::PSize)
        size += 4;
    if (fvf & GfxFvf::Diffuse)
        size += 4;
    if (fvf & GfxFvf::Specular)
        size += 4;
    for (uint32_t i = 0; i < sets; ++i)
        size += 4 * GfxFvfTexSetSize(fvf, i);
    return size;
}

GfxFvfLayout GfxFvfOffsets(uint32_t fvf)
{
    GfxFvfLayout l{};
    l.rhw = (fvf & GfxFvf::PositionMask) == GfxFvf::XyzRhw;
    uint32_t at = GfxFvfVertexSize(fvf & GfxFvf::PositionMask);
    if (fvf & GfxFvf::Normal) {
        l.normal = at;
        at += 12;
    }
    if (fvf & GfxFvf::PSize) {
        l.pointSize = at;
        at += 4;
    }
    if (fvf & GfxFvf::Diffuse) {
        l.diffuse = at;
        at += 4;
    }
    if (fvf & GfxFvf::Specular) {
        l.specular = at;
        at += 4;
    }
    l.texSets = GfxFvfTexSetCount(fvf);
    if (l.texSets > 8)
        l.texSets = 8;
    for (uint32_t i = 0; i < l.texSets; ++i) {
        l.tex[i] = at;
        l.texSize[i] = GfxFvfTexSetSize(fvf, i);
        at += 4 * l.texSize[i];
    }
    l.size = at;
    return l;
}

GfxMatrix GfxIdentityMatrix()
{
    GfxMatrix m{};
    for (int i = 0; i < 4; ++i)
        m.m[i][i] = 1.0f;
    return m;
}

GfxMatrix GfxMultiply(const GfxMatrix& a, const GfxMatrix& b)
{
    GfxMatrix r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j]
                + a.m[i][3] * b.m[3][j];
    return r;
}

} // namespace plat
