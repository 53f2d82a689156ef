// Drawing: the raster state, the upload of vertices and textures, and the
// draws themselves.
#include "platform/GfxDeviceImpl.h"
#include "platform/GfxTexelMap.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace plat {

namespace {

GLenum CompareFunc(uint32_t cmp)
{
    switch (cmp) {
    case GfxCmp::Never: return GL_NEVER;
    case GfxCmp::Less: return GL_LESS;
    case GfxCmp::Equal: return GL_EQUAL;
    case GfxCmp::LessEqual: return GL_LEQUAL;
    case GfxCmp::Greater: return GL_GREATER;
    case GfxCmp::NotEqual: return GL_NOTEQUAL;
    case GfxCmp::GreaterEqual: return GL_GEQUAL;
    default: return GL_ALWAYS;
    }
}

GLenum BlendFactor(uint32_t blend)
{
    switch (blend) {
    case GfxBlend::Zero: return GL_ZERO;
    case GfxBlend::SrcColor: return GL_SRC_COLOR;
    case GfxBlend::InvSrcColor: return GL_ONE_MINUS_SRC_COLOR;
    case GfxBlend::SrcAlpha: return GL_SRC_ALPHA;
    case GfxBlend::InvSrcAlpha: return GL_ONE_MINUS_SRC_ALPHA;
    case GfxBlend::DestAlpha: return GL_DST_ALPHA;
    case GfxBlend::InvDestAlpha: return GL_ONE_MINUS_DST_ALPHA;
    case GfxBlend::DestColor: return GL_DST_COLOR;
    case GfxBlend::InvDestColor: return GL_ONE_MINUS_DST_COLOR;
    case GfxBlend::SrcAlphaSat: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;
    }
}

GLenum BlendEquation(uint32_t op)
{
    switch (op) {
    case GfxBlendOp::Subtract: return GL_FUNC_SUBTRACT;
    case GfxBlendOp::RevSubtract: return GL_FUNC_REVERSE_SUBTRACT;
    case GfxBlendOp::Min: return GL_MIN;
    case GfxBlendOp::Max: return GL_MAX;
    default: return GL_FUNC_ADD;
    }
}

GLenum StencilOp(uint32_t op)
{
    switch (op) {
    case GfxStencilOp::Zero: return GL_ZERO;
    case GfxStencilOp::Replace: return GL_REPLACE;
    case GfxStencilOp::IncrSat: return GL_INCR;
    case GfxStencilOp::DecrSat: return GL_DECR;
    case GfxStencilOp::Invert: return GL_INVERT;
    case GfxStencilOp::Incr: return GL_INCR_WRAP;
    case GfxStencilOp::Decr: return GL_DECR_WRAP;
    default: return GL_KEEP;
    }
}

GLint AddressMode(uint32_t mode)
{
    switch (mode) {
    case GfxAddress::Mirror: return GL_MIRRORED_REPEAT;
    case GfxAddress::Clamp: return GL_CLAMP_TO_EDGE;
    case GfxAddress::Border: return GL_CLAMP_TO_BORDER;
    case GfxAddress::MirrorOnce: return GL_MIRROR_CLAMP_TO_EDGE;
    default: return GL_REPEAT;
    }
}

struct TextureFormat {
    GLint internal;
    GLenum format, type;
};

TextureFormat TextureFormatOf(uint32_t format)
{
    switch (format) {
    case GfxFormat::R8G8B8: return {GL_RGB8, GL_BGR, GL_UNSIGNED_BYTE};
    case GfxFormat::X8R8G8B8: return {GL_RGB8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV};
    case GfxFormat::R5G6B5: return {GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5};
    case GfxFormat::X1R5G5B5: return {GL_RGB5, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV};
    case GfxFormat::A1R5G5B5: return {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV};
    case GfxFormat::A4R4G4B4: return {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV};
    case GfxFormat::X4R4G4B4: return {GL_RGB4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV};
    case GfxFormat::R3G3B2: return {GL_R3_G3_B2, GL_RGB, GL_UNSIGNED_BYTE_3_3_2};
    case GfxFormat::A8: return {GL_ALPHA8, GL_ALPHA, GL_UNSIGNED_BYTE};
    default: return {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV};
    }
}

template <class T, size_t N>
bool Same(const T (&a)[N], const T (&b)[N])
{
    return std::equal(a, a + N, b);
}

// The cull and fill modes: winding needs turning round for OpenGL.
void SendFaces(const GfxGLRaster& now)
{
    // Winding is judged on the screen, y down, where the stored rows are
    // numbered the same way: counter-clockwise there is clockwise to OpenGL.
    const uint32_t cull = now.faces[0];
    if (cull == GfxCull::Ccw || cull == GfxCull::Cw) {
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        glFrontFace(cull == GfxCull::Ccw ? GL_CCW : GL_CW);
    } else {
        glDisable(GL_CULL_FACE);
    }
    const uint32_t fill = now.faces[1];
    glPolygonMode(GL_FRONT_AND_BACK,
                  fill == GfxFill::Point ? GL_POINT : fill == GfxFill::Wireframe ? GL_LINE : GL_FILL);
}

// The stencil test and what it writes.
void SendStencil(const GfxGLRaster& now)
{
    // Without a stencil buffer the test passes and nothing is written.
    if (now.stencil[0]) {
        glEnable(GL_STENCIL_TEST);
        glStencilFunc(now.stencil[1], static_cast<GLint>(now.stencil[2]), now.stencil[3]);
        glStencilOp(now.stencil[4], now.stencil[5], now.stencil[6]);
        glStencilMask(now.stencil[7]);
    } else {
        glDisable(GL_STENCIL_TEST);
    }
}

// The depth bias, for every fill mode at once.
void SendDepthBias(const GfxGLRaster& now)
{
    // Each step of depth bias pulls a polygon one unit of depth
    // resolution, and as much again per unit of its depth slope, towards
    // the eye: enough for a decal drawn over the surface it lies on to win.
    const GLenum modes[3] = {GL_POLYGON_OFFSET_FILL, GL_POLYGON_OFFSET_LINE, GL_POLYGON_OFFSET_POINT};
    for (GLenum mode : modes) {
        if (now.bias)
            glEnable(mode);
        else
            glDisable(mode);
    }
    glPolygonOffset(-static_cast<float>(now.bias), -static_cast<float>(now.bias));
}

} // namespace

// The raster state as OpenGL takes it, sent a group at a time where it
// differs from what OpenGL was last given.
void GfxDevice::ApplyRasterState(bool depthTest)
{
    const uint32_t* rs = state_->rs;
    const GfxViewport& vp = state_->viewport;
    GfxGLRaster now;
    now.fbo = gl_->currentFbo;
    // Rows are stored top first, so the viewport's y is used as it is.
    now.viewport[0] = static_cast<int32_t>(vp.x), now.viewport[1] = static_cast<int32_t>(vp.y);
    now.viewport[2] = static_cast<int32_t>(vp.width), now.viewport[3] = static_cast<int32_t>(vp.height);
    now.depthRange[0] = vp.minZ, now.depthRange[1] = vp.maxZ;
    now.depth[0] = depthTest ? 1 : 0;
    now.depth[1] = CompareFunc(rs[GfxRs::ZFunc]);
    now.depth[2] = rs[GfxRs::ZWriteEnable] ? 1 : 0;
    if (rs[GfxRs::AlphaBlendEnable]) {
        uint32_t src = rs[GfxRs::SrcBlend], dst = rs[GfxRs::DestBlend];
        if (src == GfxBlend::BothSrcAlpha) {
            src = GfxBlend::SrcAlpha;
            dst = GfxBlend::InvSrcAlpha;
        } else if (src == GfxBlend::BothInvSrcAlpha) {
            src = GfxBlend::InvSrcAlpha;
            dst = GfxBlend::SrcAlpha;
        }
        now.blend[0] = 1;
        now.blend[1] = BlendFactor(src);
        now.blend[2] = BlendFactor(dst);
        now.blend[3] = BlendEquation(rs[GfxRs::BlendOp]);
    }
    now.faces[0] = rs[GfxRs::CullMode];
    now.faces[1] = rs[GfxRs::FillMode];
    now.colourMask = rs[GfxRs::ColorWriteEnable] & 0xF;
    now.pointSize = std::max(1.0f, GfxAsFloat(rs[GfxRs::PointSize]));
    if (state_->scissorOn) {
        const GfxRect& r = state_->scissor;
        now.scissor[0] = 1, now.scissor[1] = r.left, now.scissor[2] = r.top;
        now.scissor[3] = r.right, now.scissor[4] = r.bottom;
    }
    if (rs[GfxRs::StencilEnable]) {
        const uint32_t stencil[8] = {1, CompareFunc(rs[GfxRs::StencilFunc]), rs[GfxRs::StencilRef],
                                     rs[GfxRs::StencilMask], StencilOp(rs[GfxRs::StencilFail]),
                                     StencilOp(rs[GfxRs::StencilZFail]), StencilOp(rs[GfxRs::StencilPass]),
                                     rs[GfxRs::StencilWriteMask]};
        std::copy(std::begin(stencil), std::end(stencil), now.stencil);
    }
    now.bias = std::min(rs[GfxRs::ZBias], GfxMaxZBias);
    SendRaster(now, gl_->rasterKnown ? &gl_->raster : nullptr);
    gl_->raster = now;
    gl_->rasterKnown = true;
}

// Sends the groups of now that differ from was (all of them without was).
void GfxDevice::SendRaster(const GfxGLRaster& now, const GfxGLRaster* was)
{
    if (!was || now.fbo != was->fbo)
        glBindFramebuffer(GL_FRAMEBUFFER, now.fbo);
    if (!was || !Same(now.viewport, was->viewport))
        glViewport(now.viewport[0], now.viewport[1], now.viewport[2], now.viewport[3]);
    if (!was || !Same(now.depthRange, was->depthRange))
        glDepthRange(now.depthRange[0], now.depthRange[1]);
    if (!was || !Same(now.depth, was->depth)) {
        if (now.depth[0])
            glEnable(GL_DEPTH_TEST);
        else
            glDisable(GL_DEPTH_TEST);
        glDepthFunc(now.depth[1]);
        glDepthMask(now.depth[2] ? GL_TRUE : GL_FALSE);
    }
    if (!was || !Same(now.blend, was->blend)) {
        if (now.blend[0]) {
            glEnable(GL_BLEND);
            glBlendFunc(now.blend[1], now.blend[2]);
            glBlendEquation(now.blend[3]);
        } else {
            glDisable(GL_BLEND);
        }
    }
    if (!was || !Same(now.faces, was->faces))
        SendFaces(now);
    if (!was || now.colourMask != was->colourMask) {
        const uint32_t mask = now.colourMask;
        glColorMask(mask & 1 ? GL_TRUE : GL_FALSE, mask & 2 ? GL_TRUE : GL_FALSE, mask & 4 ? GL_TRUE : GL_FALSE,
                    mask & 8 ? GL_TRUE : GL_FALSE);
    }
    if (!was || now.pointSize != was->pointSize)
        glPointSize(now.pointSize);
    if (!was || !Same(now.scissor, was->scissor)) {
        if (now.scissor[0]) {
            glEnable(GL_SCISSOR_TEST);
            glScissor(now.scissor[1], now.scissor[2], now.scissor[3] - now.scissor[1],
                      now.scissor[4] - now.scissor[2]);
        } else {
            glDisable(GL_SCISSOR_TEST);
        }
    }
    if (!was || !Same(now.stencil, was->stencil))
        SendStencil(now);
    if (!was || now.bias != was->bias)
        SendDepthBias(now);
}

void GfxDevice::BindUnitTexture(uint32_t unit, GLuintName name)
{
    if (gl_->activeUnit != unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        gl_->activeUnit = unit;
    }
    if (gl_->unitTextures[unit] != name) {
        glBindTexture(GL_TEXTURE_2D, name);
        gl_->unitTextures[unit] = name;
    }
}

void GfxDevice::UploadTexture(GfxTexture& texture, uint32_t unit)
{
    if (!texture.glName) {
        glGenTextures(1, &texture.glName);
        texture.dirty = true;
    }
    BindUnitTexture(unit, texture.glName);
    if (!texture.dirty)
        return;
    const TextureFormat f = TextureFormatOf(texture.Format());
    if (texture.IsRenderTarget()) {
        // Drawn into, never copied from memory: storage only, made once,
        // as the back buffer of its format is stored.
        GfxSurface* level = texture.Level(0);
        const GfxTargetFormat target = GfxTargetFormatOf(texture.Format());
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(target.internal), static_cast<GLsizei>(level->Width()),
                     static_cast<GLsizei>(level->Height()), 0, target.format, target.type, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, target.alphaReadsOne ? GL_ONE : GL_ALPHA);
        texture.dirty = false;
        return;
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    for (uint32_t i = 0; i < texture.GetLevelCount(); ++i) {
        GfxSurface* level = texture.Level(i);
        glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), f.internal,
                     static_cast<GLsizei>(level->Width()), static_cast<GLsizei>(level->Height()), 0,
                     f.format, f.type, level->Pixels());
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(texture.GetLevelCount() - 1));
    texture.dirty = false;
}

void GfxDevice::ApplySampler(uint32_t stage)
{
    const uint32_t* t = state_->tss[stage];
    GfxGLSampler now;
    now.wrapS = AddressMode(t[GfxTss::AddressU]);
    now.wrapT = AddressMode(t[GfxTss::AddressV]);
    const GfxColorValue border = GfxUnpackColor(t[GfxTss::BorderColor]);
    std::memcpy(now.border, &border.r, sizeof now.border);
    const bool magLinear = t[GfxTss::MagFilter] >= GfxFilter::Linear;
    const bool minLinear = t[GfxTss::MinFilter] >= GfxFilter::Linear;
    now.magFilter = magLinear ? GL_LINEAR : GL_NEAREST;
    now.minFilter = minLinear ? GL_LINEAR : GL_NEAREST;
    if (t[GfxTss::MipFilter] == GfxFilter::Point)
        now.minFilter = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    else if (t[GfxTss::MipFilter] >= GfxFilter::Linear)
        now.minFilter = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    now.lodBias = GfxAsFloat(t[GfxTss::MipMapLodBias]);
    if (stage == 0 && nearestFirstStage_)
        now.magFilter = now.minFilter = GL_NEAREST; // the same texels, read for less
    // A stage's sampler stays bound to its unit: only changed parameters go.
    const GLuint sampler = gl_->samplers[stage];
    GfxGLSampler& was = gl_->samplerState[stage];
    const bool known = gl_->samplerKnown[stage];
    if (!known)
        glBindSampler(stage, sampler);
    if (!known || now.wrapS != was.wrapS)
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, now.wrapS);
    if (!known || now.wrapT != was.wrapT)
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, now.wrapT);
    if (!known || !std::equal(std::begin(now.border), std::end(now.border), was.border))
        glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, now.border);
    if (!known || now.magFilter != was.magFilter)
        glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, now.magFilter);
    if (!known || now.minFilter != was.minFilter)
        glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, now.minFilter);
    if (!known || now.lodBias != was.lodBias)
        glSamplerParameterf(sampler, GL_TEXTURE_LOD_BIAS, now.lodBias);
    was = now;
    gl_->samplerKnown[stage] = true;
}

// The first stage's texture read by a draw at its texels' centres, one for
// one with the pixels, from its only level: the nearest texel is what the
// bilinear filter gives there, and costs the rasteriser a third less.
bool GfxDevice::LaysFirstTextureTexelForPixel(const GfxDrawnTriangles& draw) const
{
    const State& s = *state_;
    const uint32_t* t = s.tss[0];
    GfxTexture* texture = s.textures[0];
    if ((s.fvf & GfxFvf::PositionMask) != GfxFvf::XyzRhw || !texture || t[GfxTss::ColorOp] == GfxTop::Disable
        || (texture->GetLevelCount() != 1 && t[GfxTss::MipFilter] != GfxFilter::None))
        return false;
    const uint32_t set = t[GfxTss::TexCoordIndex] & 0xFFFF; // pre-transformed vertices generate none
    const GfxFvfLayout layout = GfxFvfOffsets(s.fvf);
    if (set >= layout.texSets || layout.texSize[set] < 2)
        return false;
    const GfxSurface* level = texture->Level(0);
    return GfxLaysTexelForPixel(draw, layout.tex[set], level->Width(), level->Height());
}

void GfxDevice::BindTextures(uint32_t stageCount)
{
    for (uint32_t i = 0; i < stageCount; ++i) {
        GfxTexture* texture = state_->textures[i];
        // A stage without a texture reads white.
        if (texture)
            UploadTexture(*texture, i);
        else
            BindUnitTexture(i, gl_->white);
        ApplySampler(i);
    }
}

void GfxDevice::ForgetGLState()
{
    gl_->rasterKnown = false;
    gl_->activeUnit = UINT32_MAX;
    std::fill(std::begin(gl_->unitTextures), std::end(gl_->unitTextures), UINT32_MAX);
}

void GfxDevice::SetVertexLayout(uint32_t stride)
{
    // Given afresh with every draw: the driver's vertex fetch is built for
    // the arrays as last specified, and arrays left as they were over new
    // buffer contents make it build new code frame after frame.
    const uint32_t fvf = state_->fvf;
    const GfxFvfLayout l = GfxFvfOffsets(fvf);
    const auto at = [](uint32_t offset) { return reinterpret_cast<const void*>(uintptr_t{offset}); };
    for (unsigned i = 0; i < GfxAttrib::Tex0 + 8; ++i)
        glDisableVertexAttribArray(i);
    glEnableVertexAttribArray(GfxAttrib::Position);
    glVertexAttribPointer(GfxAttrib::Position, l.rhw ? 4 : 3, GL_FLOAT, GL_FALSE,
                          static_cast<GLsizei>(stride), at(0));
    if (fvf & GfxFvf::Normal) {
        glEnableVertexAttribArray(GfxAttrib::Normal);
        glVertexAttribPointer(GfxAttrib::Normal, 3, GL_FLOAT, GL_FALSE, static_cast<GLsizei>(stride),
                              at(l.normal));
    }
    // Colours are stored B, G, R, A in memory.
    if (fvf & GfxFvf::Diffuse) {
        glEnableVertexAttribArray(GfxAttrib::Diffuse);
        glVertexAttribPointer(GfxAttrib::Diffuse, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE,
                              static_cast<GLsizei>(stride), at(l.diffuse));
    }
    if (fvf & GfxFvf::Specular) {
        glEnableVertexAttribArray(GfxAttrib::Specular);
        glVertexAttribPointer(GfxAttrib::Specular, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE,
                              static_cast<GLsizei>(stride), at(l.specular));
    }
    for (uint32_t i = 0; i < l.texSets; ++i) {
        glEnableVertexAttribArray(GfxAttrib::Tex0 + i);
        glVertexAttribPointer(GfxAttrib::Tex0 + i, static_cast<GLint>(l.texSize[i]), GL_FLOAT,
                              GL_FALSE, static_cast<GLsizei>(stride), at(l.tex[i]));
    }
    gl_->layoutKnown = true;
}

// A depth test no fragment can fail costs the driver a read and a compare
// per pixel for nothing: it is left off. It cannot fail when it writes
// nothing and either always passes or compares less-or-equal from depth 0,
// the nearest there is: pre-transformed vertices at depth 0 with a
// reciprocal w of 1 reach it exactly when the depth range starts at 0.
bool GfxDevice::DepthTestCannotFail(const uint8_t* vertices, uint32_t count, uint32_t stride) const
{
    const uint32_t* rs = state_->rs;
    if (rs[GfxRs::ZWriteEnable] || rs[GfxRs::StencilEnable] || rs[GfxRs::ZBias])
        return false;
    if (rs[GfxRs::ZFunc] == GfxCmp::Always)
        return true;
    if (rs[GfxRs::ZFunc] != GfxCmp::LessEqual || (state_->fvf & GfxFvf::PositionMask) != GfxFvf::XyzRhw
        || state_->viewport.minZ != 0.0f)
        return false;
    for (uint32_t i = 0; i < count; ++i) {
        float zw[2];
        std::memcpy(zw, vertices + size_t(i) * stride + 2 * sizeof(float), sizeof zw);
        if (zw[0] != 0.0f || zw[1] != 1.0f)
            return false;
    }
    return true;
}

bool GfxDevice::PrepareDraw(uint32_t stride, bool depthTest)
{
    const uint32_t fvf = state_->fvf;
    if (fvf == 0 || (fvf & GfxFvf::PositionMask) == 0 || stride < GfxFvfVertexSize(fvf))
        return false;
    GfxProgramKey key;
    BuildKey(key);
    GfxProgram& program = ProgramFor(key);
    if (!program.id)
        return false;
    SetUniforms(program, key);
    ApplyRasterState(depthTest);
    BindTextures(key.stageCount);
    SetVertexLayout(stride);
    return true;
}

int32_t GfxDevice::Draw(uint32_t type, uint32_t primitiveCount, const uint8_t* vertices,
                        uint32_t vertexCount, uint32_t stride, const void* indices,
                        uint32_t indexSize, int32_t baseVertex)
{
    if (!inScene_)
        return GfxResult::InvalidCall;
    // The calls that reach here refused counts past one draw.
    const auto count = static_cast<uint32_t>(GfxVertexCountOf(type, primitiveCount));
    if (count == 0)
        return type >= GfxPrimitive::PointList && type <= GfxPrimitive::TriangleFan
            ? GfxResult::Ok : GfxResult::InvalidCall;
    if (target_ != backBuffer_)
        NoteDrawn(type, vertices, vertexCount, stride);
    nearestFirstStage_ = LaysFirstTextureTexelForPixel(
        GfxDrawnTriangles{type, count, vertices, vertexCount, stride, indices, indexSize, baseVertex});
    if (!gl_->layoutKnown) {
        // Every draw streams through the device's one array, whose bindings
        // nothing else changes.
        glBindVertexArray(gl_->vao);
        glBindBuffer(GL_ARRAY_BUFFER, gl_->vbo);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, gl_->ibo);
    }
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertexCount) * stride, vertices,
                 GL_STREAM_DRAW);
    const bool depthTest = state_->rs[GfxRs::ZEnable] && !DepthTestCannotFail(vertices, vertexCount, stride);
    if (!PrepareDraw(stride, depthTest))
        return GfxResult::InvalidCall;
    ++drawsSent_;
    if (indices) {
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(count) * indexSize, indices,
                     GL_STREAM_DRAW);
        glDrawElementsBaseVertex(GfxGLPrimitive(type), static_cast<GLsizei>(count),
                                 indexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT, nullptr,
                                 baseVertex);
    } else {
        glDrawArrays(GfxGLPrimitive(type), 0, static_cast<GLsizei>(count));
    }
    return GfxResult::Ok;
}

void GfxDevice::NoteDrawn(uint32_t type, const uint8_t* vertices, uint32_t count, uint32_t stride)
{
    GfxSurface& target = *target_;
    const State& s = *state_;
    if (!target.drawnKnown || count == 0 || s.fvf == 0 || stride < GfxFvfVertexSize(s.fvf))
        return; // a draw the device refuses reaches nothing
    const uint32_t position = s.fvf & GfxFvf::PositionMask;
    const GfxMatrix all = GfxMultiply(GfxMultiply(s.world, s.view), s.proj);
    const GfxViewport& vp = s.viewport;
    float lo[2] = {INFINITY, INFINITY}, hi[2] = {-INFINITY, -INFINITY};
    for (uint32_t i = 0; i < count; ++i) {
        float p[4] = {0, 0, 0, 1};
        std::memcpy(p, vertices + static_cast<size_t>(i) * stride, position == GfxFvf::XyzRhw ? 8 : 12);
        float at[2] = {p[0], p[1]};
        if (position == GfxFvf::Xyz) {
            float clip[4];
            Transform4(p, all, clip);
            // A point at or behind the eye projects nowhere useful: the
            // draw's reach is then not known.
            if (!(clip[3] > 1e-6f)) {
                target.drawnKnown = false;
                return;
            }
            ViewportPoint(vp, clip, clip[3], at);
        } else if (position != GfxFvf::XyzRhw) {
            target.drawnKnown = false;
            return;
        }
        for (int k = 0; k < 2; ++k) {
            lo[k] = std::min(lo[k], at[k]);
            hi[k] = std::max(hi[k], at[k]);
        }
    }
    if (!std::isfinite(lo[0]) || !std::isfinite(lo[1]) || !std::isfinite(hi[0]) || !std::isfinite(hi[1])) {
        target.drawnKnown = false;
        return;
    }
    // Rasterising reaches at most a pixel past the vertices; a point spreads
    // by its size.
    float margin = 2.0f;
    if (type == GfxPrimitive::PointList)
        margin += std::max(1.0f, GfxAsFloat(s.rs[GfxRs::PointSize]));
    GfxRect r{static_cast<int32_t>(std::max(std::floor(lo[0] - margin), -1e9f)),
              static_cast<int32_t>(std::max(std::floor(lo[1] - margin), -1e9f)),
              static_cast<int32_t>(std::min(std::ceil(hi[0] + margin), 1e9f)),
              static_cast<int32_t>(std::min(std::ceil(hi[1] + margin), 1e9f))};
    r.left = std::max(r.left, static_cast<int32_t>(vp.x));
    r.top = std::max(r.top, static_cast<int32_t>(vp.y));
    r.right = std::min(r.right, static_cast<int32_t>(vp.x + vp.width));
    r.bottom = std::min(r.bottom, static_cast<int32_t>(vp.y + vp.height));
    if (s.scissorOn) {
        r.left = std::max(r.left, s.scissor.left);
        r.top = std::max(r.top, s.scissor.top);
        r.right = std::min(r.right, s.scissor.right);
        r.bottom = std::min(r.bottom, s.scissor.bottom);
    }
    NoteCleared(r, false);
}

void GfxDevice::NoteCleared(GfxRect r, bool whole)
{
    GfxSurface& target = *target_;
    if (whole) {
        target.drawn = GfxRect{0, 0, 0, 0};
        target.drawnKnown = true;
        return;
    }
    if (r.right <= r.left || r.bottom <= r.top)
        return;
    GfxRect& d = target.drawn;
    if (d.right <= d.left || d.bottom <= d.top) {
        d = r;
        return;
    }
    d.left = std::min(d.left, r.left);
    d.top = std::min(d.top, r.top);
    d.right = std::max(d.right, r.right);
    d.bottom = std::max(d.bottom, r.bottom);
}

bool GfxDevice::GetDrawnRect(const GfxSurface* target, GfxRect* rect) const
{
    if (!target || !rect || target->GetKind() != GfxSurface::Kind::TextureLevel || !target->drawnKnown)
        return false;
    *rect = target->drawn;
    return true;
}

namespace {

// The smallest and largest of count indices.
void IndexRange(const uint8_t* indices, uint32_t count, uint32_t size, uint32_t& lo, uint32_t& hi)
{
    lo = UINT32_MAX;
    hi = 0;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t v;
        if (size == 4) {
            std::memcpy(&v, indices + 4 * i, 4);
        } else {
            uint16_t s;
            std::memcpy(&s, indices + 2 * i, 2);
            v = s;
        }
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
}

// The vertices primitiveCount primitives of a type take, when one draw can
// carry them: GL counts a draw's vertices in a signed int.
bool OneDrawsVertexCount(uint32_t type, uint32_t primitiveCount, uint32_t& count)
{
    const uint64_t vertices = GfxVertexCountOf(type, primitiveCount);
    count = static_cast<uint32_t>(vertices);
    return vertices <= static_cast<uint64_t>(INT32_MAX);
}

} // namespace

int32_t GfxDevice::Submit(const GfxDrawCall& call)
{
    if (Gather(call))
        return GfxResult::Ok;
    FlushBatch();
    return Draw(call.type, call.primitiveCount, call.vertices, call.vertexCount, call.stride, call.indices,
                call.indexSize, call.baseVertex);
}

int32_t GfxDevice::DrawPrimitive(uint32_t type, uint32_t startVertex, uint32_t primitiveCount)
{
    Count(GfxCall::DrawPrimitive);
    GfxVertexBuffer* vb = state_->streams[0];
    const uint32_t stride = state_->strides[0];
    uint32_t count = 0;
    if (!vb || stride == 0 || !OneDrawsVertexCount(type, primitiveCount, count)
        || static_cast<uint64_t>(startVertex) + count > vb->Size() / stride) {
        FlushBatch();
        return GfxResult::InvalidCall;
    }
    GfxDrawCall call;
    call.type = type, call.primitiveCount = primitiveCount;
    call.vertices = vb->Bytes() + static_cast<size_t>(startVertex) * stride;
    call.vertexCount = count, call.stride = stride;
    return Submit(call);
}

int32_t GfxDevice::DrawIndexedPrimitive(uint32_t type, uint32_t /*minIndex*/,
                                        uint32_t /*numVertices*/, uint32_t startIndex,
                                        uint32_t primitiveCount)
{
    Count(GfxCall::DrawIndexedPrimitive);
    GfxVertexBuffer* vb = state_->streams[0];
    GfxIndexBuffer* ib = state_->indices;
    const uint32_t stride = state_->strides[0];
    uint32_t count = 0;
    if (!vb || !ib || stride == 0 || !OneDrawsVertexCount(type, primitiveCount, count)) {
        FlushBatch();
        return GfxResult::InvalidCall;
    }
    const uint32_t isize = ib->IndexSize();
    if (count == 0 || (static_cast<uint64_t>(startIndex) + count) * isize > ib->Size()) {
        FlushBatch();
        return count == 0 ? Draw(type, 0, nullptr, 0, stride, nullptr, 0, 0) : GfxResult::InvalidCall;
    }
    const uint8_t* idx = ib->Bytes() + static_cast<size_t>(startIndex) * isize;
    // Only the vertices the indices reach are uploaded; one beyond the
    // buffer refuses the draw rather than reading past it.
    uint32_t lo, hi;
    IndexRange(idx, count, isize, lo, hi);
    const uint64_t first = static_cast<uint64_t>(state_->baseVertex) + lo;
    const uint64_t last = static_cast<uint64_t>(state_->baseVertex) + hi;
    if (last >= vb->Size() / stride) {
        FlushBatch();
        return GfxResult::InvalidCall;
    }
    GfxDrawCall call;
    call.type = type, call.primitiveCount = primitiveCount;
    call.vertices = vb->Bytes() + first * stride;
    call.vertexCount = static_cast<uint32_t>(last - first + 1), call.stride = stride;
    call.indices = idx, call.indexSize = isize, call.baseVertex = -static_cast<int32_t>(lo);
    return Submit(call);
}

int32_t GfxDevice::DrawPrimitiveUP(uint32_t type, uint32_t primitiveCount, const void* data,
                                   uint32_t stride)
{
    Count(GfxCall::DrawPrimitiveUP);
    uint32_t count = 0;
    if (!data || stride == 0 || !OneDrawsVertexCount(type, primitiveCount, count))
        return GfxResult::InvalidCall;
    GfxDrawCall call;
    call.type = type, call.primitiveCount = primitiveCount;
    call.vertices = static_cast<const uint8_t*>(data);
    call.vertexCount = count, call.stride = stride;
    const int32_t result = Submit(call);
    // Drawing from memory leaves no stream or index buffer bound.
    GfxAssign(state_->streams[0], static_cast<GfxVertexBuffer*>(nullptr));
    state_->strides[0] = 0;
    GfxAssign(state_->indices, static_cast<GfxIndexBuffer*>(nullptr));
    return result;
}

int32_t GfxDevice::DrawIndexedPrimitiveUP(uint32_t type, uint32_t minIndex, uint32_t numVertices,
                                          uint32_t primitiveCount, const void* indices,
                                          uint32_t indexFormat, const void* data, uint32_t stride)
{
    Count(GfxCall::DrawIndexedPrimitiveUP);
    const uint32_t isize = indexFormat == GfxFormat::Index32 ? 4 : 2;
    uint32_t count = 0;
    int32_t result = GfxResult::InvalidCall;
    if (data && indices && stride && (indexFormat == GfxFormat::Index16 || indexFormat == GfxFormat::Index32)
        && OneDrawsVertexCount(type, primitiveCount, count)) {
        uint32_t lo = 0, hi = 0;
        IndexRange(static_cast<const uint8_t*>(indices), count, isize, lo, hi);
        if (count == 0) {
            FlushBatch();
            result = Draw(type, 0, nullptr, 0, stride, nullptr, 0, 0);
        } else if (lo >= minIndex && static_cast<uint64_t>(hi) < static_cast<uint64_t>(minIndex) + numVertices) {
            GfxDrawCall call;
            call.type = type, call.primitiveCount = primitiveCount;
            call.vertices = static_cast<const uint8_t*>(data) + static_cast<size_t>(lo) * stride;
            call.vertexCount = hi - lo + 1, call.stride = stride;
            call.indices = indices, call.indexSize = isize, call.baseVertex = -static_cast<int32_t>(lo);
            result = Submit(call);
        }
    }
    GfxAssign(state_->streams[0], static_cast<GfxVertexBuffer*>(nullptr));
    state_->strides[0] = 0;
    GfxAssign(state_->indices, static_cast<GfxIndexBuffer*>(nullptr));
    return result;
}

int32_t GfxDevice::ValidateDevice(uint32_t* passes) const
{
    if (!passes)
        return GfxResult::InvalidCall;
    *passes = 0;
    for (uint32_t i = 0; i < GfxMaxStages; ++i) {
        const uint32_t* t = state_->tss[i];
        if (t[GfxTss::ColorOp] == GfxTop::Disable)
            break;
        auto unsupported = [](uint32_t op) {
            return op == 0 || op > GfxTop::Lerp || op == GfxTop::PreModulate
                || op == GfxTop::BumpEnvMap || op == GfxTop::BumpEnvMapLuminance;
        };
        if (unsupported(t[GfxTss::ColorOp]))
            return GfxResult::UnsupportedColorOperation;
        if (t[GfxTss::AlphaOp] != GfxTop::Disable && unsupported(t[GfxTss::AlphaOp]))
            return GfxResult::UnsupportedAlphaOperation;
        if (i >= caps_.maxSimultaneousTextures && state_->textures[i])
            return GfxResult::NotAvailable;
    }
    *passes = 1;
    return GfxResult::Ok;
}

} // namespace plat
