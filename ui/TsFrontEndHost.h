// A front end with a table of sprites loaded by name: the base of the title
// front end and the in-game menu mode, which index the table by their own
// sprite numbers and skin their windows from it. It has no class record of
// its own; each concrete front end declares its class.
#pragma once

#include "ui/TsFrontEndBase.h"

class TsFrontEndHost : public TsFrontEndBase {
public:
    ~TsFrontEndHost() override;

    // Entry i becomes the sprite "data\frontend\<names[i]>" (null where it
    // failed); sprites loaded before are deleted first.
    void LoadSprites(int32_t count, const char* const* names);
    // Null out of range and for a sprite that failed to load.
    TsGuiSprite* GetSprite(int32_t n) const;
    int32_t GetSpriteCount() const { return int32_t(m_sprites.GetCount()); }

protected:
    // Only concrete front ends (with a class, so a pool, of their own) are made.
    TsFrontEndHost() = default;
    explicit TsFrontEndHost(OmArchive& archive) : TsFrontEndBase(archive) {}

private:
    void DeleteSprites();

    OmArray<TsGuiSprite*> m_sprites{64};
};
