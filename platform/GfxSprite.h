// The utility library's sprite object: draws a textured screen rectangle
// with its own states (source alpha over inverse source alpha, texture times
// colour, no depth test, no culling) and leaves the device exactly as it
// found it, since callers keep a cache of the device state.
#pragma once

#include "platform/GfxObject.h"
#include "platform/GfxTypes.h"

namespace plat {

class GfxDevice;
class GfxTexture;

struct GfxVector2 {
    float x, y;
};

class GfxSprite : public GfxObject {
public:
    static int32_t Create(GfxDevice* device, GfxSprite** out);

    int32_t Begin();
    int32_t End();

    // Draws the source rectangle (texels; null: the whole texture). The
    // rectangle is scaled about its top-left corner, rotated by rotation
    // radians (clockwise on screen) about rotationCenter, then moved by
    // translation; a negative scale mirrors. Null vectors are (1, 1) for the
    // scale and (0, 0) otherwise. The colour multiplies the texels.
    int32_t Draw(GfxTexture* texture, const GfxRect* source, const GfxVector2* scaling,
                 const GfxVector2* rotationCenter, float rotation, const GfxVector2* translation,
                 uint32_t colour);

    uint32_t DrawCount() const { return draws_; }

private:
    explicit GfxSprite(GfxDevice* device);
    ~GfxSprite() override;

    GfxDevice* device_;
    bool begun_ = false;
    uint32_t draws_ = 0;
};

} // namespace plat
