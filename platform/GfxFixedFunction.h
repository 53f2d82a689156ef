// The fixed-function pipeline of the device, written once as data: the key
// that picks a generated OpenGL program, the GLSL for that key, and the same
// vertex lighting in C++ for software vertex processing, so that both paths
// give the same colours.
#pragma once

#include "platform/GfxTypes.h"

#include <cstddef>
#include <string>

namespace plat {

// Where a lit colour is read from once the vertex format is known.
namespace GfxColorSource {
inline constexpr uint8_t Material = 0;
inline constexpr uint8_t VertexDiffuse = 1;
inline constexpr uint8_t VertexSpecular = 2;
} // namespace GfxColorSource

// Where a draw's fog factor comes from.
namespace GfxFogSource {
inline constexpr uint8_t None = 0;
inline constexpr uint8_t Vertex = 1;   // worked out per vertex from its eye distance
inline constexpr uint8_t Table = 2;    // worked out per pixel from its depth
inline constexpr uint8_t Specular = 3; // the vertex's own specular alpha
} // namespace GfxFogSource

struct GfxStageKey {
    uint8_t colorOp, colorArg0, colorArg1, colorArg2;
    uint8_t alphaOp, alphaArg0, alphaArg1, alphaArg2;
    uint8_t resultTemp;  // the stage writes the temporary register
    uint8_t texSource;   // texture set index (low bits of TexCoordIndex)
    uint8_t texGen;      // high bits of TexCoordIndex, shifted down
    uint8_t texCount;    // 0 without a texture transform, else 1 to 4
    uint8_t projected;
    uint8_t pad[3];
};

// Everything a draw's program depends on. Built zeroed so the bytes can be
// hashed and compared.
struct GfxProgramKey {
    uint32_t fvf;
    uint8_t lighting, specularEnable, localViewer, normalizeNormals;
    uint8_t diffuseSource, ambientSource, specularSource, emissiveSource;
    uint8_t alphaFunc; // 0: no alpha test
    uint8_t stageCount;
    uint8_t lightTypes[GfxMaxActiveLights]; // 0: slot unused
    uint8_t fogSource, fogMode, rangeFog, flatShade;
    GfxStageKey stages[GfxMaxStages];
};

bool operator==(const GfxProgramKey& a, const GfxProgramKey& b);
struct GfxProgramKeyHash {
    size_t operator()(const GfxProgramKey& key) const;
};

std::string GfxVertexShaderSource(const GfxProgramKey& key);
std::string GfxFragmentShaderSource(const GfxProgramKey& key);

// Attribute slots the generated programs use.
namespace GfxAttrib {
inline constexpr unsigned Position = 0;
inline constexpr unsigned Normal = 1;
inline constexpr unsigned Diffuse = 2;
inline constexpr unsigned Specular = 3;
inline constexpr unsigned Tex0 = 4;
} // namespace GfxAttrib

// One active light, already in camera space.
struct GfxEyeLight {
    uint32_t type;
    GfxColorValue diffuse, specular, ambient;
    float position[3], direction[3]; // direction normalised, towards where it shines
    float range, att0, att1, att2;
    float cosHalfTheta, cosHalfPhi, falloff;
};

struct GfxLightingSetup {
    GfxMaterial material;
    GfxColorValue globalAmbient;
    GfxEyeLight lights[GfxMaxActiveLights];
    uint32_t lightCount;
    bool specularEnable, localViewer, normalizeNormals;
    uint8_t diffuseSource, ambientSource, specularSource, emissiveSource;
};

// Lights one vertex given its camera-space position and normal and its
// colours (null when the format has none). Results are clamped to 0..1.
void GfxLightVertex(const GfxLightingSetup& setup, const float position[3], const float normal[3],
                    const GfxColorValue* vertexDiffuse, const GfxColorValue* vertexSpecular,
                    GfxColorValue* outDiffuse, GfxColorValue* outSpecular);

// The fog factor (1 clear, 0 all fog colour) at distance d for a fog mode;
// the generated programs use the same formulas.
float GfxFogFactor(uint32_t mode, float d, float start, float end, float density);

GfxEyeLight GfxMakeEyeLight(const GfxLight& light, const GfxMatrix& view);

} // namespace plat
