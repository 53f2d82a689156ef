// The renderer's sprite: cuts its rectangle from the texture, places it in
// pixels or viewport fractions, and draws it with the sprite object. It
// belongs to the application for the whole run, so its class stays out of
// the registry and mode switches leave it alive.
#pragma once

#include "engine/OmBaseSprite.h"
#include "platform/GfxSprite.h"

class OmD3DSprite : public OmBaseSprite {
    OM_DECLARE_CLASS(OmD3DSprite)

    OmD3DSprite() = default;
    explicit OmD3DSprite(OmArchive& archive) : OmBaseSprite(archive) {}

    void Render(OmRenderer& renderer) override;
    bool Initialise(uint32_t) override { return true; }

    // What Render hands to the sprite object; false when nothing would be
    // drawn (no texture, or one not on the device).
    struct Placement {
        plat::GfxRect source;
        plat::GfxVector2 scale, centre, translation;
    };
    bool ComputePlacement(OmRenderer& renderer, Placement& out) const;

private:
    bool CutFromDeviceTexture(plat::GfxTexture& texture, float pictureW, float pictureH, Placement& out) const;
};
