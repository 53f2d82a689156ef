// Drawing: programs generated from the state, the upload of vertices and
// textures, and software vertex processing.
#include "platform/GfxDeviceImpl.h"
#include "platform/GfxTexelMap.h"

#include "platform/DebugOutput.h"

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

bool IsFogMode(uint32_t mode) { return mode >= GfxFog::Exp && mode <= GfxFog::Linear; }

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

const char* const kUniformNames[kUniformCount] = {
    "uWorldView", "uProj",      "uNormalMatrix", "uScreen",    "uDepth",     "uPixel",
    "uMatDiffuse", "uMatAmbient", "uMatSpecular", "uMatEmissive", "uAmbient", "uPower",
    "uLDiffuse",  "uLSpecular", "uLAmbient",     "uLAtt",      "uLPos",      "uLDir",
    "uLSpot",     "uTexMatrix", "uTFactor",      "uAlphaRef",  "uFog",       "uFogColor",
    "uTex0",      "uTex1",      "uTex2",         "uTex3",      "uTex4",      "uTex5",
    "uTex6",      "uTex7",
};

GLuint Compile(GLenum type, const std::string& source)
{
    const GLuint shader = glCreateShader(type);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[2048] = {};
        glGetShaderInfoLog(shader, sizeof log - 1, nullptr, log);
        DebugOutput(std::string("Graphics device: shader does not compile: ") + log + "\n" + source);
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

// The upper-left 3x3 of m, inverted and transposed (for normals).
void NormalMatrix(const GfxMatrix& m, float out[9])
{
    const float a = m.m[0][0], b = m.m[0][1], c = m.m[0][2];
    const float d = m.m[1][0], e = m.m[1][1], f = m.m[1][2];
    const float g = m.m[2][0], h = m.m[2][1], i = m.m[2][2];
    const float cof[9] = {e * i - f * h, f * g - d * i, d * h - e * g,
                          c * h - b * i, a * i - c * g, b * g - a * h,
                          b * f - c * e, c * d - a * f, a * e - b * d};
    const float det = a * cof[0] + b * cof[1] + c * cof[2];
    const float inv = std::fabs(det) > 1e-20f ? 1.0f / det : 0.0f;
    for (int k = 0; k < 9; ++k)
        out[k] = cof[k] * inv;
}

void Transform4(const float v[4], const GfxMatrix& m, float out[4])
{
    for (int k = 0; k < 4; ++k)
        out[k] = v[0] * m.m[0][k] + v[1] * m.m[1][k] + v[2] * m.m[2][k] + v[3] * m.m[3][k];
}

GfxColorValue ReadColor(const uint8_t* at)
{
    uint32_t argb;
    std::memcpy(&argb, at, 4);
    return GfxUnpackColor(argb);
}

} // namespace

void GfxDevice::BuildKey(GfxProgramKey& key) const
{
    std::memset(&key, 0, sizeof key);
    const State& s = *state_;
    const uint32_t* rs = s.rs;
    key.fvf = s.fvf;
    const bool rhw = (s.fvf & GfxFvf::PositionMask) == GfxFvf::XyzRhw;
    key.lighting = !rhw && rs[GfxRs::Lighting];
    key.specularEnable = rs[GfxRs::SpecularEnable] ? 1 : 0;
    if (key.lighting) {
        key.localViewer = rs[GfxRs::LocalViewer] ? 1 : 0;
        key.normalizeNormals = rs[GfxRs::NormalizeNormals] ? 1 : 0;
        auto source = [&](uint32_t which) -> uint8_t {
            if (!rs[GfxRs::ColorVertex])
                return GfxColorSource::Material;
            if (which == GfxMcs::Color1 && (s.fvf & GfxFvf::Diffuse))
                return GfxColorSource::VertexDiffuse;
            if (which == GfxMcs::Color2 && (s.fvf & GfxFvf::Specular))
                return GfxColorSource::VertexSpecular;
            return GfxColorSource::Material;
        };
        key.diffuseSource = source(rs[GfxRs::DiffuseMaterialSource]);
        key.ambientSource = source(rs[GfxRs::AmbientMaterialSource]);
        key.specularSource = source(rs[GfxRs::SpecularMaterialSource]);
        key.emissiveSource = source(rs[GfxRs::EmissiveMaterialSource]);
        uint32_t n = 0;
        for (const GfxLightSlot& slot : s.lights)
            if (slot.enabled && n < GfxMaxActiveLights)
                key.lightTypes[n++] = static_cast<uint8_t>(slot.light.type);
    } else {
        key.normalizeNormals = !rhw && rs[GfxRs::NormalizeNormals] ? 1 : 0;
    }
    if (rs[GfxRs::AlphaTestEnable])
        key.alphaFunc = static_cast<uint8_t>(std::clamp<uint32_t>(rs[GfxRs::AlphaFunc], 1, 8));
    key.flatShade = rs[GfxRs::ShadeMode] == GfxShade::Flat ? 1 : 0;
    BuildFogKey(key, rhw);
    for (uint32_t i = 0; i < GfxMaxStages; ++i) {
        const uint32_t* t = s.tss[i];
        if (t[GfxTss::ColorOp] == GfxTop::Disable || t[GfxTss::ColorOp] == 0)
            break;
        GfxStageKey& st = key.stages[i];
        st.colorOp = static_cast<uint8_t>(t[GfxTss::ColorOp]);
        st.colorArg0 = static_cast<uint8_t>(t[GfxTss::ColorArg0]);
        st.colorArg1 = static_cast<uint8_t>(t[GfxTss::ColorArg1]);
        st.colorArg2 = static_cast<uint8_t>(t[GfxTss::ColorArg2]);
        st.alphaOp = static_cast<uint8_t>(t[GfxTss::AlphaOp]);
        st.alphaArg0 = static_cast<uint8_t>(t[GfxTss::AlphaArg0]);
        st.alphaArg1 = static_cast<uint8_t>(t[GfxTss::AlphaArg1]);
        st.alphaArg2 = static_cast<uint8_t>(t[GfxTss::AlphaArg2]);
        st.resultTemp = t[GfxTss::ResultArg] == GfxTa::Temp ? 1 : 0;
        st.texSource = static_cast<uint8_t>(std::min<uint32_t>(t[GfxTss::TexCoordIndex] & 0xFFFF, 7));
        if (!rhw) {
            st.texGen = static_cast<uint8_t>(std::min<uint32_t>(t[GfxTss::TexCoordIndex] >> 16, 3));
            st.texCount = static_cast<uint8_t>(std::min<uint32_t>(t[GfxTss::TextureTransformFlags] & 0xFF, 4));
            st.projected = (t[GfxTss::TextureTransformFlags] & GfxTtff::Projected) ? 1 : 0;
        }
        key.stageCount = static_cast<uint8_t>(i + 1);
    }
}

// Table fog wins over vertex fog; pre-transformed vertices get no vertex
// fog worked out and carry their own factor in the specular alpha, as do
// vertices drawn with fog on and neither mode chosen. A vertex without a
// specular colour carries no factor and is drawn clear.
void GfxDevice::BuildFogKey(GfxProgramKey& key, bool rhw) const
{
    const uint32_t* rs = state_->rs;
    if (!rs[GfxRs::FogEnable])
        return;
    if (IsFogMode(rs[GfxRs::FogTableMode])) {
        key.fogSource = GfxFogSource::Table;
        key.fogMode = static_cast<uint8_t>(rs[GfxRs::FogTableMode]);
    } else if (!rhw && IsFogMode(rs[GfxRs::FogVertexMode])) {
        key.fogSource = GfxFogSource::Vertex;
        key.fogMode = static_cast<uint8_t>(rs[GfxRs::FogVertexMode]);
        key.rangeFog = rs[GfxRs::RangeFogEnable] ? 1 : 0;
    } else if (state_->fvf & GfxFvf::Specular) {
        key.fogSource = GfxFogSource::Specular;
    }
}

void GfxDevice::BuildLighting(GfxLightingSetup& setup, const GfxProgramKey& key) const
{
    const State& s = *state_;
    setup = {};
    setup.material = s.material;
    setup.globalAmbient = GfxUnpackColor(s.rs[GfxRs::Ambient]);
    for (const GfxLightSlot& slot : s.lights)
        if (slot.enabled && setup.lightCount < GfxMaxActiveLights)
            setup.lights[setup.lightCount++] = GfxMakeEyeLight(slot.light, s.view);
    setup.specularEnable = key.specularEnable;
    setup.localViewer = key.localViewer;
    setup.normalizeNormals = key.normalizeNormals;
    setup.diffuseSource = key.diffuseSource;
    setup.ambientSource = key.ambientSource;
    setup.specularSource = key.specularSource;
    setup.emissiveSource = key.emissiveSource;
}

GfxProgram& GfxDevice::ProgramFor(const GfxProgramKey& key)
{
    auto found = gl_->programs.find(key);
    if (found != gl_->programs.end())
        return found->second;
    GfxProgram program;
    const GLuint vs = Compile(GL_VERTEX_SHADER, GfxVertexShaderSource(key));
    const GLuint fs = vs ? Compile(GL_FRAGMENT_SHADER, GfxFragmentShaderSource(key)) : 0;
    if (vs && fs) {
        const GLuint id = glCreateProgram();
        glAttachShader(id, vs);
        glAttachShader(id, fs);
        glBindAttribLocation(id, GfxAttrib::Position, "aPos");
        glBindAttribLocation(id, GfxAttrib::Normal, "aNormal");
        glBindAttribLocation(id, GfxAttrib::Diffuse, "aDiffuse");
        glBindAttribLocation(id, GfxAttrib::Specular, "aSpecular");
        for (unsigned i = 0; i < 8; ++i)
            glBindAttribLocation(id, GfxAttrib::Tex0 + i, ("aTex" + std::to_string(i)).c_str());
        glLinkProgram(id);
        GLint ok = 0;
        glGetProgramiv(id, GL_LINK_STATUS, &ok);
        if (ok) {
            program.id = id;
            for (uint32_t u = 0; u < kUniformCount; ++u)
                program.uniforms[u] = glGetUniformLocation(id, kUniformNames[u]);
            glUseProgram(id);
            gl_->usedProgram = id;
            for (GLint i = 0; i < static_cast<GLint>(GfxMaxStages); ++i)
                glUniform1i(program.uniforms[kUTex0 + i], i);
            uint32_t floats = 0;
            for (uint32_t u = 0; u < kUTex0; ++u) {
                program.offsets[u] = floats;
                floats += kUniformFloats[u];
            }
            program.values.assign(floats, 0.0f);
        } else {
            DebugOutput("Graphics device: program does not link\n");
            glDeleteProgram(id);
        }
    }
    if (vs)
        glDeleteShader(vs);
    if (fs)
        glDeleteShader(fs);
    program.lighting = key.lighting;
    return gl_->programs.emplace(key, program).first->second;
}

void GfxDevice::SetUniforms(GfxProgram& program, const GfxProgramKey& key)
{
    const GLint* u = program.uniforms;
    const State& s = *state_;
    if (gl_->usedProgram != program.id) {
        glUseProgram(program.id);
        gl_->usedProgram = program.id;
    }
    // Each value goes to OpenGL only when it differs from what this program
    // was last given.
    const auto send = [&program, u](uint32_t which, const float* data, auto upload) {
        if (u[which] >= 0 && program.Changed(which, data))
            upload(u[which], data);
    };
    const GfxMatrix worldView = GfxMultiply(s.world, s.view);
    send(kUWorldView, &worldView.m[0][0], [](GLint at, const float* d) { glUniformMatrix4fv(at, 1, GL_FALSE, d); });
    send(kUProj, &s.proj.m[0][0], [](GLint at, const float* d) { glUniformMatrix4fv(at, 1, GL_FALSE, d); });
    float normal[9];
    NormalMatrix(worldView, normal);
    send(kUNormalMatrix, normal, [](GLint at, const float* d) { glUniformMatrix3fv(at, 1, GL_FALSE, d); });
    const GfxViewport& vp = s.viewport;
    const float screen[4] = {static_cast<float>(vp.x), static_cast<float>(vp.y), static_cast<float>(vp.width),
                             static_cast<float>(vp.height)};
    const auto vec4 = [](GLint at, const float* d) { glUniform4fv(at, 1, d); };
    const auto vec2 = [](GLint at, const float* d) { glUniform2fv(at, 1, d); };
    const auto vec1 = [](GLint at, const float* d) { glUniform1fv(at, 1, d); };
    send(kUScreen, screen, vec4);
    const float depth[2] = {vp.minZ, vp.maxZ};
    send(kUDepth, depth, vec2);
    const float pixel[2] = {1.0f / static_cast<float>(vp.width), 1.0f / static_cast<float>(vp.height)};
    send(kUPixel, pixel, vec2);
    const GfxColorValue tf = GfxUnpackColor(s.rs[GfxRs::TextureFactor]);
    send(kUTFactor, &tf.r, vec4);
    const float alphaRef = static_cast<float>(s.rs[GfxRs::AlphaRef] & 0xFF);
    send(kUAlphaRef, &alphaRef, vec1);
    if (key.fogSource) {
        // Distances are eye depths (w) under a perspective projection, as
        // its third column's w term says; otherwise 0..1 depths.
        const float useW = s.proj.m[2][3] != 0.0f ? 1.0f : 0.0f;
        const float fog[4] = {GfxAsFloat(s.rs[GfxRs::FogStart]), GfxAsFloat(s.rs[GfxRs::FogEnd]),
                              GfxAsFloat(s.rs[GfxRs::FogDensity]), useW};
        send(kUFog, fog, vec4);
        const GfxColorValue fogColour = GfxUnpackColor(s.rs[GfxRs::FogColor]);
        send(kUFogColor, &fogColour.r, vec4);
    }
    send(kUTexMatrix, &s.texture[0].m[0][0],
         [](GLint at, const float* d) { glUniformMatrix4fv(at, GfxMaxStages, GL_FALSE, d); });
    if (!program.lighting)
        return;
    GfxLightingSetup setup;
    BuildLighting(setup, key);
    const GfxMaterial& m = setup.material;
    send(kUMatDiffuse, &m.diffuse.r, vec4);
    send(kUMatAmbient, &m.ambient.r, vec4);
    send(kUMatSpecular, &m.specular.r, vec4);
    send(kUMatEmissive, &m.emissive.r, vec4);
    send(kUAmbient, &setup.globalAmbient.r, vec4);
    send(kUPower, &m.power, vec1);
    float dif[32] = {}, highlight[32] = {}, amb[32] = {}, att[32] = {};
    float pos[24] = {}, dir[24] = {}, spot[24] = {};
    for (uint32_t i = 0; i < setup.lightCount; ++i) {
        const GfxEyeLight& l = setup.lights[i];
        std::memcpy(dif + 4 * i, &l.diffuse.r, 16);
        std::memcpy(highlight + 4 * i, &l.specular.r, 16);
        std::memcpy(amb + 4 * i, &l.ambient.r, 16);
        const float a[4] = {l.att0, l.att1, l.att2, l.range};
        std::memcpy(att + 4 * i, a, 16);
        std::memcpy(pos + 3 * i, l.position, 12);
        std::memcpy(dir + 3 * i, l.direction, 12);
        const float sp[3] = {l.cosHalfTheta, l.cosHalfPhi, l.falloff};
        std::memcpy(spot + 3 * i, sp, 12);
    }
    const auto lights4 = [](GLint at, const float* d) { glUniform4fv(at, 8, d); };
    const auto lights3 = [](GLint at, const float* d) { glUniform3fv(at, 8, d); };
    send(kULDiffuse, dif, lights4);
    send(kULSpecular, highlight, lights4);
    send(kULAmbient, amb, lights4);
    send(kULAtt, att, lights4);
    send(kULPos, pos, lights3);
    send(kULDir, dir, lights3);
    send(kULSpot, spot, lights3);
}

namespace {

template <class T, size_t N>
bool Same(const T (&a)[N], const T (&b)[N])
{
    return std::equal(a, a + N, b);
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
    if (!was || !Same(now.faces, was->faces)) {
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
    if (!was || !Same(now.stencil, was->stencil)) {
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
    if (!was || now.bias != was->bias) {
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
    const uint32_t count = GfxVertexCountOf(type, primitiveCount);
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
            at[0] = static_cast<float>(vp.x) + (1.0f + clip[0] / clip[3]) * 0.5f * static_cast<float>(vp.width);
            at[1] = static_cast<float>(vp.y) + (1.0f - clip[1] / clip[3]) * 0.5f * static_cast<float>(vp.height);
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
    const uint32_t count = GfxVertexCountOf(type, primitiveCount);
    if (!vb || stride == 0 || static_cast<uint64_t>(startVertex) + count > vb->Size() / stride) {
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
    const uint32_t count = GfxVertexCountOf(type, primitiveCount);
    if (!vb || !ib || stride == 0) {
        FlushBatch();
        return GfxResult::InvalidCall;
    }
    const uint32_t isize = ib->IndexSize();
    if (count == 0 || static_cast<uint64_t>(startIndex + count) * isize > ib->Size()) {
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
    if (!data || stride == 0)
        return GfxResult::InvalidCall;
    GfxDrawCall call;
    call.type = type, call.primitiveCount = primitiveCount;
    call.vertices = static_cast<const uint8_t*>(data);
    call.vertexCount = GfxVertexCountOf(type, primitiveCount), call.stride = stride;
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
    const uint32_t count = GfxVertexCountOf(type, primitiveCount);
    int32_t result = GfxResult::InvalidCall;
    if (data && indices && stride && (indexFormat == GfxFormat::Index16 || indexFormat == GfxFormat::Index32)) {
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
    const float screen[4] = {
        static_cast<float>(vp.x) + (1.0f + clip[0] / w) * 0.5f * static_cast<float>(vp.width),
        static_cast<float>(vp.y) + (1.0f - clip[1] / w) * 0.5f * static_cast<float>(vp.height),
        vp.minZ + clip[2] / w * (vp.maxZ - vp.minZ), 1.0f / w};
    std::memcpy(dst, screen, 16);
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
    // Output set i is what stage i would read: its source set or generated
    // coordinates, through its texture transform.
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
