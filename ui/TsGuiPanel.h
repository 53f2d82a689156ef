// A titled frame around a group of controls that moves with them. The
// controls stay children of some window; the panel only frames them.
#pragma once

#include "ui/TsGuiSprite.h"
#include "ui/TsGuiWindow.h"

class TsGuiPanel : public TsGuiWindow {
public:
    static constexpr int32_t kMaxItems = 8;
    static constexpr int32_t kTitleSize = 64; // with the terminating zero

    explicit TsGuiPanel(TsFrontEndBase* frontEnd);

    void Activate(TsGuiArg a, TsGuiArg b) override;
    void Render(float fraction) override;
    // Covers the items, their edges and margins, snapped to whole tiles.
    void Layout() override;

    // False (and nothing added) for null or beyond the eighth item.
    bool AddItem(TsGuiControl* control);
    int32_t GetItemCount() const { return m_itemCount; }
    // Copied (cut at 63 characters) and measured.
    void SetTitle(const char* text);
    const char* GetTitle() const { return m_title; }
    void SetFrameSprites(const TsGuiSpritePlacement (&frame)[TS_FRAME_SLOTS]);
    void MoveTo(float x, float y);

protected:
    TsGuiControl* m_items[kMaxItems] = {};
    int32_t m_itemCount = 0;
    char m_title[kTitleSize] = {};
    float m_titleWidth = 0.0f, m_titleHeight = 0.0f;
    TsGuiSpritePlacement m_frame[TS_FRAME_SLOTS];
};

// A pixel size snapped to whole edge tiles of a frame (nearest, halves up).
void GuiSnapFrameSize(const TsGuiSpritePlacement (&frame)[TS_FRAME_SLOTS], float& width, float& height);
