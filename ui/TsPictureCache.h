// A picture of the back buffer, colour and depth, kept under a key: a part
// of a frame that depends only on the key is drawn once and then put back
// by a copy for as long as the key holds. Its surfaces live in the device's
// default pool, so a lost device must see it released.
#pragma once

#include <cstdint>

#include "engine/OmRef.h"
#include "platform/GfxTexture.h"

class OmD3D;

class TsPictureCache {
public:
    // Puts the picture kept under the key back on the current target; false
    // (nothing done) when none is kept under it.
    bool PutBack(OmD3D& renderer, uint32_t key);
    // Keeps the current target's colour and depth under the key; false when
    // they cannot be kept (the cache then stays empty until released).
    bool Keep(OmD3D& renderer, uint32_t key);
    void Release();
    bool Holds(uint32_t key) const { return m_kept && m_key == key; }

private:
    bool Make(OmD3D& renderer, const plat::GfxSurface& colour, const plat::GfxSurface& depth);

    OmRef<plat::GfxTexture> m_texture;
    OmRef<plat::GfxSurface> m_colour;
    OmRef<plat::GfxSurface> m_depth;
    uint32_t m_key = 0;
    bool m_kept = false;
    bool m_unusable = false; // the device would not make or fill it
};
