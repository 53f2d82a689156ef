#include "ui/TsFrontEndHost.h"

#include "ui/TsGuiSprite.h"

TsFrontEndHost::~TsFrontEndHost() { DeleteSprites(); }

void TsFrontEndHost::DeleteSprites()
{
    for (uint32_t i = 0; i < m_sprites.GetCount(); ++i) {
        delete m_sprites[i];
    }
    m_sprites.RemoveAll();
}

void TsFrontEndHost::LoadSprites(int32_t count, const char* const* names)
{
    DeleteSprites();
    if (count <= 0 || !names) {
        return;
    }
    m_sprites.Resize(uint32_t(count));
    for (int32_t i = 0; i < count; ++i) {
        m_sprites[uint32_t(i)] = LoadTGAFrontEndSprite(names[i]);
    }
}

TsGuiSprite* TsFrontEndHost::GetSprite(int32_t n) const
{
    return n >= 0 && uint32_t(n) < m_sprites.GetCount() ? m_sprites[uint32_t(n)] : nullptr;
}
