// The picture pieces the GUI is drawn from: a rectangle of a registered
// texture, drawn as one pre-transformed quad in a quarter turn and optionally
// mirrored, and the placement that controls and windows keep for each of
// their sprite slots.
#pragma once

#include <cstdint>

class OmD3D;

struct TsGuiSprite {
    // Leaves the blend state as it is (neither set before nor reset after).
    static constexpr uint32_t kKeepBlend = 0x7FFFFFFF;

    float umin = 0.0f, vmin = 0.0f, umax = 1.0f, vmax = 1.0f;
    int32_t textureId = -1;

    // The whole texture's size in pixels; 0 without a texture.
    float GetPixelWidth() const;
    float GetPixelHeight() const;

    // Top-left corner at pixel (x, y); orientation 0..3 quarter turns (any
    // other value draws as 0). Nothing without a renderer or a texture.
    void Draw(OmD3D* renderer, float x, float y, int32_t orientation, uint32_t blendMode) const;
    void DrawMirrored(OmD3D* renderer, float x, float y, int32_t orientation, bool mirrorX, bool mirrorY,
                      uint32_t blendMode) const;
};

// One sprite slot of a control or window: which sprite and how it is drawn.
struct TsGuiSpritePlacement {
    TsGuiSprite* sprite = nullptr; // not owned; null draws nothing and measures 0
    int32_t orientation = 0;
    uint32_t blendMode = 0;
    uint8_t mirrorX = 0;
    uint8_t mirrorY = 0;

    // Through the global renderer.
    void Draw(float x, float y) const;
    float GetPixelWidth() const { return sprite ? sprite->GetPixelWidth() : 0.0f; }
    float GetPixelHeight() const { return sprite ? sprite->GetPixelHeight() : 0.0f; }
};
