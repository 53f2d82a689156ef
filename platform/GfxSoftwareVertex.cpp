// Software vertex processing: vertices transformed, lit and fogged on the
// processor, as ProcessVertices writes them for a later draw.
#include "platform/GfxDeviceImpl.h"

#include <cmath>
#include <cstring>

namespace plat {

namespace {

GfxColorValue ReadColor(const uint8_t* at)
{
    uint32_t argb;
    std::memcpy(&argb, at, 4);
    return GfxUnpackColor(argb);
}

// The vertex's colours, lit or as they came, with vertex fog in the
// specular alpha; apart from the position, as only lighting reads the eye
// position and normal here.
void WriteColours(const GfxDevice::State& s, const uint8_t* src, uint32_t srcFvf, const GfxFvfLayout& in,
                  const float eye[4], const float n[3], const GfxProgramKey& key,
                  const GfxLightingSetup& lighting, uint8_t* dst, uint32_t dstFvf, const GfxFvfLayout& out)
{
    GfxColorValue diffuse{1, 1, 1, 1}, specular{0, 0, 0, 0};
    const bool hasDiffuse = (srcFvf & GfxFvf::Diffuse) != 0;
    const bool hasSpecular = (srcFvf & GfxFvf::Specular) != 0;
    const GfxColorValue vd = hasDiffuse ? ReadColor(src + in.diffuse) : GfxColorValue{1, 1, 1, 1};
    const GfxColorValue vs = hasSpecular ? ReadColor(src + in.specular) : GfxColorValue{0, 0, 0, 0};
    if (s.rs[GfxRs::Lighting]) {
        GfxLightVertex(lighting, eye, n, hasDiffuse ? &vd : nullptr, hasSpecular ? &vs : nullptr,
                       &diffuse, &specular);
    } else {
        diffuse = vd;
        specular = vs;
    }
    // Vertex fog travels on in the specular alpha, where a pre-transformed
    // vertex carries it.
    if (key.fogSource == GfxFogSource::Vertex) {
        const float d = key.rangeFog ? std::sqrt(eye[0] * eye[0] + eye[1] * eye[1] + eye[2] * eye[2]) : eye[2];
        specular.a = GfxFogFactor(key.fogMode, d, GfxAsFloat(s.rs[GfxRs::FogStart]),
                                  GfxAsFloat(s.rs[GfxRs::FogEnd]), GfxAsFloat(s.rs[GfxRs::FogDensity]));
    }
    if (dstFvf & GfxFvf::Diffuse) {
        const uint32_t c = GfxPackColor(diffuse);
        std::memcpy(dst + out.diffuse, &c, 4);
    }
    if (dstFvf & GfxFvf::Specular) {
        const uint32_t c = GfxPackColor(specular);
        std::memcpy(dst + out.specular, &c, 4);
    }
}

// Output set i is what stage i would read: its source set or generated
// coordinates, through its texture transform. A loop of its own, as it
// reads the stage states and nothing of the colours.
void WriteTexCoords(const GfxDevice::State& s, const uint8_t* src, const GfxFvfLayout& in, const float eye[4],
                    const float n[3], uint8_t* dst, const GfxFvfLayout& out)
{
    for (uint32_t i = 0; i < out.texSets; ++i) {
        const uint32_t* t = s.tss[i];
        const uint32_t set = t[GfxTss::TexCoordIndex] & 0xFFFF;
        const uint32_t gen = t[GfxTss::TexCoordIndex] & 0xFFFF0000u;
        float tc[4] = {0, 0, 0, 1};
        if (gen == GfxTci::CameraSpacePosition) {
            std::memcpy(tc, eye, 12);
        } else if (gen == GfxTci::CameraSpaceNormal) {
            std::memcpy(tc, n, 12);
        } else if (set < in.texSets) {
            const uint32_t size = in.texSize[set];
            std::memcpy(tc, src + in.tex[set], 4 * size);
            if (size < 4)
                tc[size] = 1.0f;
            for (uint32_t k = size + 1; k < 4; ++k)
                tc[k] = 0.0f;
        }
        const uint32_t countOut = t[GfxTss::TextureTransformFlags] & 0xFF;
        if (countOut) {
            float r[4];
            Transform4(tc, s.texture[i], r);
            std::memcpy(tc, r, 16);
            if ((t[GfxTss::TextureTransformFlags] & GfxTtff::Projected) && countOut >= 2
                && tc[countOut - 1] != 0.0f)
                for (uint32_t k = 0; k + 1 < countOut; ++k)
                    tc[k] /= tc[countOut - 1];
            else if (!(t[GfxTss::TextureTransformFlags] & GfxTtff::Projected) && countOut < 4)
                tc[3] = 1.0f; // q stays 1 when the transform does not project
        }
        std::memcpy(dst + out.tex[i], tc, 4 * out.texSize[i]);
    }
}

} // namespace

void GfxDevice::TransformVertex(const uint8_t* src, uint32_t srcFvf, const GfxMatrix& worldView,
                                const GfxMatrix& proj, const float nm[9],
                                const GfxProgramKey& key, const GfxLightingSetup& lighting,
                                uint8_t* dst, uint32_t dstFvf) const
{
    const State& s = *state_;
    const GfxFvfLayout in = GfxFvfOffsets(srcFvf);
    const GfxFvfLayout out = GfxFvfOffsets(dstFvf);
    float p[4] = {0, 0, 0, 1};
    std::memcpy(p, src, 12);
    float eye[4], clip[4];
    Transform4(p, worldView, eye);
    Transform4(eye, proj, clip);
    float n[3] = {0, 0, 0};
    if (srcFvf & GfxFvf::Normal) {
        float raw[3];
        std::memcpy(raw, src + in.normal, 12);
        for (int k = 0; k < 3; ++k)
            n[k] = raw[0] * nm[0 * 3 + k] + raw[1] * nm[1 * 3 + k] + raw[2] * nm[2 * 3 + k];
    }
    const GfxViewport& vp = s.viewport;
    const float w = clip[3] != 0.0f ? clip[3] : 1.0f;
    float screen[4] = {0, 0, vp.minZ + clip[2] / w * (vp.maxZ - vp.minZ), 1.0f / w};
    ViewportPoint(vp, clip, w, screen);
    std::memcpy(dst, screen, 16);
    WriteColours(s, src, srcFvf, in, eye, n, key, lighting, dst, dstFvf, out);
    WriteTexCoords(s, src, in, eye, n, dst, out);
}

int32_t GfxDevice::ProcessVertices(uint32_t srcStart, uint32_t destIndex, uint32_t count,
                                   GfxVertexBuffer* dest, uint32_t /*flags*/)
{
    Count(GfxCall::ProcessVertices);
    GfxVertexBuffer* src = state_->streams[0];
    const uint32_t stride = state_->strides[0];
    const uint32_t srcFvf = state_->fvf;
    if (!src || !dest || stride == 0 || srcFvf == 0 || (srcFvf & GfxFvf::PositionMask) == GfxFvf::XyzRhw)
        return GfxResult::InvalidCall;
    const uint32_t dstFvf = dest->Fvf();
    const uint32_t dstStride = GfxFvfVertexSize(dstFvf);
    if ((dstFvf & GfxFvf::PositionMask) != GfxFvf::XyzRhw || stride < GfxFvfVertexSize(srcFvf)
        || static_cast<uint64_t>(srcStart) + count > src->Size() / stride
        || static_cast<uint64_t>(destIndex) + count > dest->Size() / dstStride)
        return GfxResult::InvalidCall;
    const State& s = *state_;
    const GfxMatrix worldView = GfxMultiply(s.world, s.view);
    float nm[9];
    NormalMatrix(worldView, nm);
    GfxProgramKey key;
    BuildKey(key);
    GfxLightingSetup lighting;
    BuildLighting(lighting, key);
    for (uint32_t i = 0; i < count; ++i)
        TransformVertex(src->Bytes() + static_cast<size_t>(srcStart + i) * stride, srcFvf, worldView,
                        s.proj, nm, key, lighting, dest->Bytes() + static_cast<size_t>(destIndex + i) * dstStride,
                        dstFvf);
    return GfxResult::Ok;
}

} // namespace plat
