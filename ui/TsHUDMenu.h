// The small menu that opens at the cursor on a right click on an article
// in the open inventory panel: the article's name, drop, give to each other
// squad member, and use. Entries that cannot apply are greyed.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/OmString.h"
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
    void Close() { open_ = 0; }
    bool IsOpen() const { return open_ != 0; }

    // Moves (part of) the article to another squad member.
    static void GiveArticle(TsCollectibleObject* article, int32_t fromSlot, int32_t toSlot);
    bool CanUseArticle() const;
    void Execute(int entry);

    int32_t GetSelected() const { return selected_; }
    const MenuEntry* GetEntry(int i) const { return i >= 0 && i < kEntryCount ? entries_[i].get() : nullptr; }
    bool IsShown(int entry) const;
    float GetLineHeight() const { return lineHeight_; }
    float GetWidth() const { return width_; }
    const OmVector2& GetPosition() const { return position_; }
    const TsFrameWindow& GetFrame() const { return frame_; }
    TsCollectibleObject* GetArticle() const { return article_; }

private:
    void AddEntry(int i, const char* text);
    void Layout(float x, float y);
    void MeasureEntry(int i, bool centre);
    bool LoadTextures();
    int MemberCount() const;
    float TextWidth(const char* text) const;

    TsHUDe& hud_;
    uint8_t open_ = 0;
    int32_t middleTexture_ = -1;
    int32_t middleBTexture_ = -1;
    int32_t selected_ = -1;
    int32_t ownerSlot_ = -1;
    float lineHeight_ = 0.0f;
    float width_ = 0.0f;
    float baseWidth_ = 0.0f;
    TsCollectibleObject* article_ = nullptr;
    TsFrameWindow frame_;
    uint32_t spare_ = 0;
    OmVector2 position_;
    char dropText_[kTextSize] = {};
    char useText_[kTextSize] = {};
    std::unique_ptr<MenuEntry> entries_[kEntryCount];
    int32_t lastSelected_ = -1;
};
