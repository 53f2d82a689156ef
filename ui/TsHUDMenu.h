// The small menu that opens at the cursor on a right click on an article
// in the open inventory panel: the article's name, drop, give to each other
// squad member, and use. Entries that cannot apply are greyed.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/OmString.h"
#include "game/framework/TsLink.h"
#include "ui/TsFrameWindow.h"

class TsCollectibleObject;
class TsHUDe;

class TsHUDMenu {
public:
    enum Entry { kName = 0, kDrop = 1, kGiveFirst = 2, kGiveSecond = 3, kUse = 4, kEntryCount = 5 };
    static constexpr int kTextSize = 260;

    struct MenuEntry {
        TsScreenQuad strip;
        OmString text;
        float offset = 0.0f;
        uint8_t enabled = 0;
    };

    // The HUD that owns the menu writes its entries.
    explicit TsHUDMenu(TsHUDe& hud);
    virtual ~TsHUDMenu();
    TsHUDMenu(const TsHUDMenu&) = delete;
    TsHUDMenu& operator=(const TsHUDMenu&) = delete;

    bool Init();
    void Open(TsCollectibleObject* article, int32_t ownerSlot);
    bool HandleInput(int x, int y);
    void Render();
    void Close() { m_open = 0; }
    bool IsOpen() const { return m_open != 0; }

    // Moves (part of) the article to another squad member.
    static void GiveArticle(TsCollectibleObject* article, int32_t fromSlot, int32_t toSlot);
    bool CanUseArticle() const;
    void Execute(int entry);

    int32_t GetSelected() const { return m_selected; }
    const MenuEntry* GetEntry(int i) const { return i >= 0 && i < kEntryCount ? m_entries[i].get() : nullptr; }
    bool IsShown(int entry) const;
    float GetLineHeight() const { return m_lineHeight; }
    float GetWidth() const { return m_width; }
    const OmVector2& GetPosition() const { return m_position; }
    const TsFrameWindow& GetFrame() const { return m_frame; }
    TsCollectibleObject* GetArticle() const { return m_article; }

private:
    void AddEntry(int i, const char* text);
    int ShownCount() const;
    void Layout(float x, float y);
    void MeasureEntry(int i, bool centre);
    bool LoadTextures();

    TsHUDe& m_hud;
    uint8_t m_open = 0;
    int32_t m_middleTexture = -1;
    int32_t m_middleBTexture = -1;
    int32_t m_selected = -1;
    int32_t m_ownerSlot = -1;
    float m_lineHeight = 0.0f;
    float m_width = 0.0f;
    float m_baseWidth = 0.0f;
    TsLink<TsCollectibleObject> m_article; // not held: an article used up reads as none
    TsFrameWindow m_frame;
    uint32_t m_spare = 0;
    OmVector2 m_position;
    char m_dropText[kTextSize] = {};
    char m_useText[kTextSize] = {};
    std::unique_ptr<MenuEntry> m_entries[kEntryCount];
    int32_t m_lastSelected = -1;
};
