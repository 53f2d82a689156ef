// The programs the device draws with: generated from the state it was
// given, built once a key and handed their uniforms when they change.
#include "platform/GfxDeviceImpl.h"

#include "platform/DebugOutput.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace plat {

namespace {

bool IsFogMode(uint32_t mode) { return mode >= GfxFog::Exp && mode <= GfxFog::Linear; }

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

} // namespace

GLuint GfxBuildProgram(const std::string& vertex, const std::string& fragment, void (*bindAttributes)(GLuint))
{
    const GLuint vs = Compile(GL_VERTEX_SHADER, vertex);
    const GLuint fs = vs ? Compile(GL_FRAGMENT_SHADER, fragment) : 0;
    GLuint id = 0;
    if (vs && fs) {
        id = glCreateProgram();
        glAttachShader(id, vs);
        glAttachShader(id, fs);
        if (bindAttributes)
            bindAttributes(id);
        glLinkProgram(id);
        GLint ok = 0;
        glGetProgramiv(id, GL_LINK_STATUS, &ok);
        if (!ok) {
            DebugOutput("Graphics device: program does not link\n");
            glDeleteProgram(id);
            id = 0;
        }
    }
    if (vs)
        glDeleteShader(vs);
    if (fs)
        glDeleteShader(fs);
    return id;
}

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
    const GLuint id = GfxBuildProgram(GfxVertexShaderSource(key), GfxFragmentShaderSource(key), [](GLuint made) {
        glBindAttribLocation(made, GfxAttrib::Position, "aPos");
        glBindAttribLocation(made, GfxAttrib::Normal, "aNormal");
        glBindAttribLocation(made, GfxAttrib::Diffuse, "aDiffuse");
        glBindAttribLocation(made, GfxAttrib::Specular, "aSpecular");
        for (unsigned i = 0; i < 8; ++i)
            glBindAttribLocation(made, GfxAttrib::Tex0 + i, ("aTex" + std::to_string(i)).c_str());
    });
    if (id) {
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
    }
    program.lighting = key.lighting;
    return gl_->programs.emplace(key, program).first->second;
}

namespace {

// Each value goes to OpenGL only when it differs from what this program
// was last given.
auto UniformSender(GfxProgram& program)
{
    return [&program](uint32_t which, const float* data, auto upload) {
        const GLint at = program.uniforms[which];
        if (at >= 0 && program.Changed(which, data))
            upload(at, data);
    };
}

// The material and the lights, which only a lit program has: apart from
// the rest, as they are gathered into arrays of eight first.
void SendLightUniforms(GfxProgram& program, const GfxLightingSetup& setup)
{
    const auto send = UniformSender(program);
    const auto vec4 = [](GLint at, const float* d) { glUniform4fv(at, 1, d); };
    const auto vec1 = [](GLint at, const float* d) { glUniform1fv(at, 1, d); };
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

} // namespace

void GfxDevice::SetUniforms(GfxProgram& program, const GfxProgramKey& key)
{
    const State& s = *state_;
    if (gl_->usedProgram != program.id) {
        glUseProgram(program.id);
        gl_->usedProgram = program.id;
    }
    const auto send = UniformSender(program);
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
    SendLightUniforms(program, setup);
}

} // namespace plat
