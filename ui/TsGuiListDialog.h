// A framed, scrollable list of items of varying height with a scroll bar at
// its right edge. An item is any structure that starts with TsGuiListItem;
// the list does not own its items. Subclasses measure and draw them.
#pragma once

#include "ui/TsGuiDialog.h"
#include "ui/TsGuiScrollList.h"

struct TsGuiListItem {
    int32_t index = 0;
    float height = 0.0f; // pixels
    TsGuiListItem* next = nullptr;
};

class TsGuiListDialog : public TsGuiWindow {
public:
    explicit TsGuiListDialog(TsFrontEndBase* frontEnd);

    // Adds the frame and the scroll bar as children, then opens.
    void Open(TsGuiArg x, TsGuiArg y) override;
    void Activate(TsGuiArg a, TsGuiArg b) override;
    void OnMouseDown(int32_t packed, uint32_t buttons) override;
    void Render(float fraction) override;
    void Layout() override;

    // Sets the item's height (pixels) for the content width.
    virtual float MeasureItem(TsGuiListItem* item, float contentWidth);
    virtual void DrawItem(float x, float y, float right, float bottom, TsGuiListItem* item);

    // Seven frame sprites: the right edge is left empty (the scroll bar stands there).
    void SetFrameSprites(const TsGuiSpritePlacement& topLeft, const TsGuiSpritePlacement& top,
                         const TsGuiSpritePlacement& topRight, const TsGuiSpritePlacement& left,
                         const TsGuiSpritePlacement& bottomLeft, const TsGuiSpritePlacement& bottom,
                         const TsGuiSpritePlacement& bottomRight);
    void SetScrollSprites(const TsGuiSpritePlacement (&six)[6]);
    void SetScrollPressedSprites(const TsGuiSpritePlacement& topPressed, const TsGuiSpritePlacement& unused,
                                 const TsGuiSpritePlacement& bottomPressed);
    void AddItem(TsGuiListItem* item);
    void RemoveItem(TsGuiListItem* item);
    TsGuiListItem* GetSelected() const { return m_selected; }
    void SetSelected(TsGuiListItem* item) { m_selected = item; }
    TsGuiListItem* GetFirstItem() const { return m_first; }
    TsGuiListItem* GetFirstVisible() const { return m_firstVisible; }
    int32_t GetItemCount() const { return m_count; }
    float GetContentWidth() const;
    float GetContentTop() const;
    // The item under a pixel position; null when none.
    TsGuiListItem* ItemAt(float px, float py) const;
    TsGuiDialog& GetFrame() { return m_frame; }
    TsGuiScrollList& GetScrollBar() { return m_scroll; }

protected:
    TsGuiListItem* ItemByIndex(int32_t index) const;
    void ScrollByWheel();

    TsGuiDialog m_frame;
    TsGuiScrollList m_scroll;
    TsGuiListItem* m_first = nullptr;
    TsGuiListItem* m_last = nullptr;
    TsGuiListItem* m_firstVisible = nullptr;
    int32_t m_count = 0;
    TsGuiListItem* m_selected = nullptr;
    // Each list keeps its own, so two lists do not scroll each other.
    int32_t m_lastFirstIndex = -1;
};
