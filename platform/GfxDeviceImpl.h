// The inside of GfxDevice, shared by its two source files.
#pragma once

#include "platform/GfxDevice.h"
#include "platform/GfxGL.h"

#include <SDL.h>

#include <unordered_map>

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

struct GfxProgram {
    GLuint id = 0; // 0: the program failed to build
    GLint uniforms[kUniformCount];
    bool lighting = false;
};

struct GfxDevice::Gl {
    SDL_Window* window = nullptr;
    bool ownWindow = false;
    SDL_GLContext context = nullptr;
    GLuint backFbo = 0, backColor = 0, backDepth = 0;
    GLuint frontFbo = 0, frontColor = 0;
    GLuint targetFbo = 0;  // drawing into a texture
    GLuint currentFbo = 0; // where drawing goes now
    GLuint vao = 0, vbo = 0, ibo = 0;
    GLuint white = 0;
    GLuint samplers[GfxMaxStages] = {};
    GLenum readFormat = GL_BGRA, readType = GL_UNSIGNED_INT_8_8_8_8_REV;
    std::unordered_map<GfxProgramKey, GfxProgram, GfxProgramKeyHash> programs;
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

// Vertex count of primitiveCount primitives of a type; 0 for an unknown type.
uint32_t GfxVertexCountOf(uint32_t type, uint32_t primitiveCount);
GLenum GfxGLPrimitive(uint32_t type);
GfxColorValue GfxUnpackColor(uint32_t argb);
uint32_t GfxPackColor(const GfxColorValue& c);
float GfxAsFloat(uint32_t bits);

} // namespace plat
