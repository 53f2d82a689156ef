// The inside of GfxDevice, shared by its source files.
#pragma once

#include "platform/GfxDevice.h"
#include "platform/GfxGL.h"

#include <SDL.h>

#include <cmath>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace plat {

enum GfxUniform : uint32_t {
    kUWorldView,
    kUProj,
    kUNormalMatrix,
    kUScreen,
    kUDepth,
    kUPixel,
    kUMatDiffuse,
    kUMatAmbient,
    kUMatSpecular,
    kUMatEmissive,
    kUAmbient,
    kUPower,
    kULDiffuse,
    kULSpecular,
    kULAmbient,
    kULAtt,
    kULPos,
    kULDir,
    kULSpot,
    kUTexMatrix,
    kUTFactor,
    kUAlphaRef,
    kUFog,
    kUFogColor,
    kUTex0,
    kUniformCount = kUTex0 + GfxMaxStages
};

// Floats each uniform holds (the samplers' are set once, as the program
// is made).
inline constexpr uint32_t kUniformFloats[kUTex0] = {16, 16, 9, 4, 2, 2, 4, 4, 4, 4, 4, 1,
                                                    32, 32, 32, 32, 24, 24, 24, 16 * GfxMaxStages, 4, 1, 4, 4};

// A program made from its two shaders' sources, its attributes' places
// given by bindAttributes (when not null) before it is linked; 0, with the
// compiler's or linker's words on the developer's channel, when it cannot
// be made.
GLuint GfxBuildProgram(const std::string& vertex, const std::string& fragment, void (*bindAttributes)(GLuint));

struct GfxProgram {
    GLuint id = 0; // 0: the program failed to build
    GLint uniforms[kUniformCount];
    bool lighting = false;
    // What each uniform was last given: a program keeps its uniforms, so
    // a value equal to the last is not sent again.
    std::vector<float> values;
    uint32_t offsets[kUTex0] = {};
    uint32_t sent = 0; // a bit per uniform given a value yet
    // True when the floats differ from the uniform's last value (which they
    // then become).
    bool Changed(uint32_t uniform, const float* data)
    {
        float* last = values.data() + offsets[uniform];
        const uint32_t bytes = kUniformFloats[uniform] * sizeof(float);
        const uint32_t bit = 1u << uniform;
        if ((sent & bit) && std::memcmp(last, data, bytes) == 0)
            return false;
        std::memcpy(last, data, bytes);
        sent |= bit;
        return true;
    }
};

// The raster state OpenGL was last given, in groups sent together.
struct GfxGLRaster {
    GLuint fbo = 0;
    int32_t viewport[4] = {};
    float depthRange[2] = {};
    uint32_t depth[3] = {}; // test, function, write
    uint32_t blend[4] = {}; // on, source, destination, operation
    uint32_t faces[2] = {}; // cull mode, fill mode
    uint32_t colourMask = 0;
    float pointSize = 0.0f;
    int32_t scissor[5] = {};  // on, left, top, right, bottom
    uint32_t stencil[8] = {}; // on, function, reference, mask, fail, depth fail, pass, write mask
    uint32_t bias = 0;
};

// A stage's sampler parameters as OpenGL was last given them.
struct GfxGLSampler {
    GLint wrapS = 0, wrapT = 0, magFilter = 0, minFilter = 0;
    float border[4] = {};
    float lodBias = 0.0f;
    bool operator==(const GfxGLSampler&) const = default;
};

struct GfxDevice::Gl {
    SDL_Window* window = nullptr;
    bool ownWindow = false;
    SDL_GLContext context = nullptr;
    GLuint backFbo = 0, backColor = 0, backDepth = 0;
    GLuint frontFbo = 0, frontColor = 0;
    GLuint targetFbo = 0;  // drawing into a texture
    GLuint targetColour = 0, targetDepth = 0; // what targetFbo has attached (0: not known)
    GLuint copyReadFbo = 0, copyDrawFbo = 0; // CopyTarget between surfaces
    GLuint currentFbo = 0; // where drawing goes now
    GLuint vao = 0, vbo = 0, ibo = 0;
    GLuint white = 0;
    GLuint samplers[GfxMaxStages] = {};
    GLenum readFormat = GL_BGRA, readType = GL_UNSIGNED_INT_8_8_8_8_REV;
    std::unordered_map<GfxProgramKey, GfxProgram, GfxProgramKeyHash> programs;
    // What OpenGL was last given, so that a draw sends only what changed.
    GLuint usedProgram = 0;
    bool rasterKnown = false;
    GfxGLRaster raster;
    GLuint activeUnit = UINT32_MAX; // 0 to 7; UINT32_MAX: not known
    GLuint unitTextures[GfxMaxStages] = {UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX,
                                         UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX};
    bool samplerKnown[GfxMaxStages] = {};
    GfxGLSampler samplerState[GfxMaxStages];
    bool layoutKnown = false; // the array and its buffers are bound
};

struct GfxLightSlot {
    GfxLight light{};
    bool enabled = false;
};

struct GfxDevice::State {
    uint32_t rs[GfxRs::Count] = {};
    uint32_t tss[GfxMaxStages][GfxTss::Count] = {};
    GfxTexture* textures[GfxMaxStages] = {};
    GfxMatrix world, view, proj;
    GfxMatrix texture[GfxMaxStages];
    GfxMaterial material{};
    std::vector<GfxLightSlot> lights;
    GfxViewport viewport{};
    uint32_t fvf = 0;
    GfxVertexBuffer* streams[GfxMaxStreams] = {};
    uint32_t strides[GfxMaxStreams] = {};
    GfxIndexBuffer* indices = nullptr;
    uint32_t baseVertex = 0;
    bool scissorOn = false;
    GfxRect scissor{};
};

// A draw as the device sends it: vertexCount vertices of stride bytes;
// without indices the first of them in order, with them the vertices their
// indices (of indexSize bytes) name, plus baseVertex.
struct GfxDrawCall {
    uint32_t type = 0, primitiveCount = 0;
    const uint8_t* vertices = nullptr;
    uint32_t vertexCount = 0, stride = 0;
    const void* indices = nullptr;
    uint32_t indexSize = 0;
    int32_t baseVertex = 0;
};

// Triangles waiting to be drawn together as one indexed list, in the order
// they came, with the state they were all drawn with (its textures held,
// its streams unused). The first draw is kept as it came too: a draw left
// alone goes as it was.
struct GfxDevice::DrawBatch {
    std::unique_ptr<State> state = std::make_unique<State>();
    // Sized once: gathering allocates nothing.
    std::vector<uint8_t> bytes;
    std::vector<uint32_t> indices, firstIndices;
    uint32_t vertexBytes = 0, indexCount = 0, draws = 0, stride = 0;
    GfxDrawCall first; // its vertices and indices are the batch's own
};

// Everything a draw reads of the state but its streams and indices.
bool SameDrawState(const GfxDevice::State& a, const GfxDevice::State& b);
// The same, but for which textures are bound.
bool SameDrawStateButTextures(const GfxDevice::State& a, const GfxDevice::State& b);
// Copies what SameDrawState compares; the copy holds its textures. The
// lights' list keeps its room, so repeated copies allocate nothing new.
void CopyDrawState(GfxDevice::State& to, const GfxDevice::State& from);
void ReleaseTextures(GfxDevice::State& state);

// What a kept pass held in one frame: its opening clear and the batches
// drawn after it, each with the state it was drawn with and the versions
// of its textures' pixels, and its triangles in the record's own arrays.
// The frame's own record holds its textures until it is drawn; the last
// frame's is only compared with, so it names them by their versions alone
// and keeps none alive. Arrays keep their room from frame to frame.
struct GfxDevice::KeptRecord {
    struct Clear {
        uint32_t flags = 0, colour = 0, stencil = 0;
        float z = 0;
        GfxViewport viewport{};
    };
    struct Run {
        std::unique_ptr<State> state = std::make_unique<State>();
        uint64_t versions[GfxMaxStages] = {}; // 0: no texture
        uint32_t type = 0, primitiveCount = 0, draws = 0, stride = 0;
        // firstAt, firstCount: the first draw's own indices; none when it came without.
        uint32_t byteAt = 0, bytes = 0, indexAt = 0, indexCount = 0, firstAt = 0, firstCount = 0;
    };
    bool cleared = false;
    // Its picture depends on nothing but what it holds: it opened with a
    // whole clear and draws nothing from a picture drawn elsewhere.
    bool keepable = false;
    Clear clear;
    std::vector<Run> runs;
    uint32_t runCount = 0;
    std::vector<uint8_t> bytes;
    uint32_t byteCount = 0;
    std::vector<uint32_t> indices;
    uint32_t indexCount = 0;
};

// The kept pass: what this frame holds, what the last one held and
// whether the picture of the last is kept, in an OpenGL framebuffer of the
// back buffer's formats.
struct GfxDevice::KeptPass {
    KeptRecord held, last;
    bool active = false;
    bool opened = false; // since the last frame was shown
    bool pictureKept = false;
    GLuint fbo = 0, colour = 0, depth = 0;
    size_t lightRoom = 0; // lights each run's state has room for, in both records
};

struct GfxDevice::StateBlock {
    enum Kind : uint32_t { Render, Stage, Texture, Transform, Material, Shader };
    struct Entry {
        Kind kind;
        uint32_t stage, type, value;
        GfxTexture* texture; // held
        GfxMatrix matrix;
        GfxMaterial material;
    };
    std::vector<Entry> entries;
    ~StateBlock()
    {
        for (Entry& e : entries)
            if (e.texture)
                e.texture->Release();
    }
    Entry& Slot(Kind kind, uint32_t stage, uint32_t type)
    {
        for (Entry& e : entries)
            if (e.kind == kind && e.stage == stage && e.type == type)
                return e;
        entries.push_back(Entry{kind, stage, type, 0, nullptr, {}, {}});
        return entries.back();
    }
};

// How a render target of a format is stored: the back buffer and the
// render-target textures alike, so that one copies to the other exactly.
// A format without alpha keeps the channel's bits but reads it as one.
struct GfxTargetFormat {
    GLenum internal, format, type;
    bool alphaReadsOne;
};
GfxTargetFormat GfxTargetFormatOf(uint32_t format);
// The OpenGL storage of a depth format; 0 for one that is not.
GLenum GfxDepthFormatOf(uint32_t format);

// Vertex count of primitiveCount primitives of a type; 0 for an unknown type.
// In 64 bits: near 2^32 primitives a 32-bit count wraps to a few vertices.
uint64_t GfxVertexCountOf(uint32_t type, uint32_t primitiveCount);
GLenum GfxGLPrimitive(uint32_t type);
GfxColorValue GfxUnpackColor(uint32_t argb);
uint32_t GfxPackColor(const GfxColorValue& c);
float GfxAsFloat(uint32_t bits);

// Shared by the programs' uniforms, the drawn rectangle and the software
// vertex path; inline, as the last two run once a vertex.
// The upper-left 3x3 of m, inverted and transposed (for normals).
inline void NormalMatrix(const GfxMatrix& m, float out[9])
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

inline void Transform4(const float v[4], const GfxMatrix& m, float out[4])
{
    for (int k = 0; k < 4; ++k)
        out[k] = v[0] * m.m[0][k] + v[1] * m.m[1][k] + v[2] * m.m[2][k] + v[3] * m.m[3][k];
}

// Where a clip-space point divided by w lands in the viewport, in pixels
// (y down).
inline void ViewportPoint(const GfxViewport& vp, const float clip[4], float w, float out[2])
{
    out[0] = static_cast<float>(vp.x) + (1.0f + clip[0] / w) * 0.5f * static_cast<float>(vp.width);
    out[1] = static_cast<float>(vp.y) + (1.0f - clip[1] / w) * 0.5f * static_cast<float>(vp.height);
}

} // namespace plat
