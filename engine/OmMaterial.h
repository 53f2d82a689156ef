// What a mesh is drawn with: the device material colours, a blend mode and
// texture layers. Meshes refer to materials by the id the renderer gives a
// registered copy; the renderer keeps one copy per distinct material.
#pragma once

#include <cstdint>

#include "engine/OmArray.h"
#include "engine/OmObject.h"
#include "engine/OmVector4.h"

// One texture stage of a material: a fixed texture or a looping animation
// over a list of texture ids.
struct OmMaterialLayer {
    uint8_t animated = 0;
    int32_t startFrame = 0;
    // Frames advance at frameRate * 30 per second.
    float frameRate = 1.0f;
    OmArray<int32_t> frames{64};

    OmMaterialLayer() = default;
    OmMaterialLayer(const OmMaterialLayer& other) { *this = other; }
    OmMaterialLayer& operator=(const OmMaterialLayer& other);

    // The texture id to draw at time (seconds): the animated frame when the
    // layer is animated and animate is set, else the frame at startFrame.
    // -1 when there is no such frame.
    int32_t GetFrameTexture(float time, bool animate) const;
    bool IsEqual(const OmMaterialLayer& other) const;
};

class OmMaterial : public OmObject {
    OM_DECLARE_CLASS(OmMaterial)

    // Blend modes: bit 8 is a separate flag; without it, 32..63 blend with alpha.
    static constexpr uint32_t kBlendFlag = 256;
    static constexpr uint32_t kFirstAlphaMode = 32;
    static constexpr uint32_t kLastAlphaMode = 63;

    // Colours left zero; the rest as the engine's default material.
    OmMaterial();
    OmMaterial(const OmColour& diffuse, const OmColour& ambient, const OmColour& specular,
               const OmColour& emissive, float power, float factor, uint32_t blendMode);
    // Copies everything compared by IsEqual; the flag byte starts clear.
    OmMaterial(const OmMaterial& other);
    OmMaterial& operator=(const OmMaterial&) = delete;
    explicit OmMaterial(OmArchive& archive);

    // The engine's default material: white diffuse, half-grey ambient.
    static const OmMaterial& Default();

    // Colours, both floats, blend mode and layers; the flag byte is ignored.
    bool IsEqual(const OmMaterial& other) const;
    bool IsAlpha() const;

    // Counts one texture use per frame of every layer (the archive's
    // registration pass).
    void CountTextureUses(OmArchive& archive) const;
    // Only the material's own fields travel: the object's count and name do
    // not, since materials are shared by id rather than by reference.
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;

    // Device material colours, handed to the device in this order.
    OmColour diffuse;
    OmColour ambient;
    OmColour specular;
    OmColour emissive;
    float power = 10.0f;
    // A second factor, 1 by default: compared but not saved.
    float factor = 1.0f;
    uint32_t blendMode = 0;
    uint8_t flags = 0;
    // Grows by 2 for materials built in code, by 64 for copies and loaded ones.
    OmArray<OmMaterialLayer> layers{2};
};
