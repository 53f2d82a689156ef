// A screen-space textured rectangle (HUD icons, front-end pictures, model
// icons): where it goes and how it looks. The renderer's sprite class draws
// it.
#pragma once

#include <cstdint>

#include "engine/OmObject.h"

class OmRenderer;

class OmBaseSprite : public OmObject {
    OM_DECLARE_ABSTRACT_CLASS(OmBaseSprite)

    OmBaseSprite() = default;
    explicit OmBaseSprite(OmArchive& archive) : OmObject(archive) {}

    virtual void Render(OmRenderer& renderer) = 0;
    virtual bool Initialise(uint32_t argument) = 0;

    void SetPosition(float x, float y)
    {
        position[0] = x;
        position[1] = y;
    }
    void SetScreenRelative(bool relative) { screenRelative = relative ? 1 : 0; }

    // 1: position in fractions of the screen; 0: in pixels.
    uint8_t screenRelative = 1;
    int32_t textureId = -1;
    // Left, top, right, bottom as fractions of the texture; right below
    // left (or bottom above top) mirrors.
    float uvRect[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    float position[2] = {0.0f, 0.0f};
    float scale[2] = {1.0f, 1.0f};
    // The pivot of the rotation as fractions of the rectangle.
    float centre[2] = {0.5f, 0.5f};
    float angle = 0.0f; // radians
    uint32_t colour = 0xFFFFFFFFu; // A8R8G8B8
};
