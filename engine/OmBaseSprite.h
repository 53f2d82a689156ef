// Screen-space textured rectangles: HUD icons, front-end pictures, model
// icons. The engine keeps where and how a sprite is drawn; the renderer
// derives its own sprite from OmBaseSprite and draws it. OmSprite is the
// plain registered sprite class that carries nothing of its own.
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
    void SetScale(float x, float y)
    {
        scale[0] = x;
        scale[1] = y;
    }
    void SetCentre(float x, float y)
    {
        centre[0] = x;
        centre[1] = y;
    }
    void SetUVRect(float left, float top, float right, float bottom)
    {
        uvRect[0] = left;
        uvRect[1] = top;
        uvRect[2] = right;
        uvRect[3] = bottom;
    }

    // 1: position in fractions of the screen; 0: in pixels.
    uint8_t screenRelative = 1;
    int32_t textureId = -1;
    // Left, top, right, bottom as fractions of the texture; right below
    // left (or bottom above top) mirrors.
    float uvRect[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    float position[2] = {0.0f, 0.0f};
    float scale[2] = {1.0f, 1.0f};
    float centre[2] = {0.5f, 0.5f}; // the pivot, in fractions of the rectangle
    float angle = 0.0f; // radians
    uint32_t colour = 0xFFFFFFFFu; // A8R8G8B8, opaque white
};

class OmSprite : public OmObject {
    OM_DECLARE_CLASS(OmSprite)

    OmSprite() = default;
    explicit OmSprite(OmArchive& archive) : OmObject(archive) {}
};
