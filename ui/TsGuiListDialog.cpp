#include "ui/TsGuiListDialog.h"

#include <algorithm>

#include "game/framework/TsAccess.h"
#include "game/framework/TsInput.h"

TsGuiListDialog::TsGuiListDialog(TsFrontEndBase* frontEnd) : TsGuiWindow(frontEnd), m_frame(frontEnd) {}

void TsGuiListDialog::Open(TsGuiArg x, TsGuiArg y)
{
    if (IndexOfChild(&m_frame) < 0) {
        AddChild(&m_frame);
    }
    if (IndexOfChild(&m_scroll) < 0) {
        AddChild(&m_scroll);
    }
    TsGuiWindow::Open(x, y);
}

void TsGuiListDialog::SetFrameSprites(const TsGuiSpritePlacement& topLeft, const TsGuiSpritePlacement& top,
                                      const TsGuiSpritePlacement& topRight, const TsGuiSpritePlacement& left,
                                      const TsGuiSpritePlacement& bottomLeft, const TsGuiSpritePlacement& bottom,
                                      const TsGuiSpritePlacement& bottomRight)
{
    const TsGuiSpritePlacement frame[TS_FRAME_SLOTS] = {topLeft,    top,    topRight,   left, TsGuiSpritePlacement{},
                                                        bottomLeft, bottom, bottomRight};
    m_frame.SetFrameSprites(frame);
    Layout();
}

void TsGuiListDialog::SetScrollSprites(const TsGuiSpritePlacement (&six)[6])
{
    m_scroll.SetSprites(six);
    Layout();
}

void TsGuiListDialog::SetScrollPressedSprites(const TsGuiSpritePlacement& topPressed,
                                              const TsGuiSpritePlacement& unused,
                                              const TsGuiSpritePlacement& bottomPressed)
{
    m_scroll.SetPressedSprites(topPressed, unused, bottomPressed);
}

void TsGuiListDialog::Layout()
{
    m_frame.SetRect(m_x, m_y, m_width, m_height);
    m_x = m_frame.GetPositionX();
    m_y = m_frame.GetPositionY();
    m_width = m_frame.GetWidth();
    m_height = m_frame.GetHeight();
    const float topEdge = m_frame.GetFrameSprite(TS_FRAME_TOP).GetPixelHeight();
    const float bottomEdge = m_frame.GetFrameSprite(TS_FRAME_BOTTOM).GetPixelHeight();
    const float barWidth = GuiToFractionX(m_scroll.GetPlacement(TsGuiScrollList::kTrack).GetPixelWidth() + 1.0f);
    m_scroll.SetRect(m_frame.GetRight() - barWidth, m_y + GuiToFractionY(topEdge), barWidth,
                     m_height - GuiToFractionY(topEdge + bottomEdge));
}

float TsGuiListDialog::GetContentWidth() const
{
    const float leftEdge = m_frame.GetFrameSprite(TS_FRAME_LEFT).GetPixelWidth();
    const float track = m_scroll.GetPlacement(TsGuiScrollList::kTrack).GetPixelWidth();
    return GuiToPixelsX(m_width) - (leftEdge + 1.25f * track);
}

float TsGuiListDialog::GetContentTop() const
{
    return GuiToPixelsY(m_y) + m_frame.GetFrameSprite(TS_FRAME_TOP).GetPixelHeight();
}

float TsGuiListDialog::MeasureItem(TsGuiListItem*, float) { return 16.0f; }

void TsGuiListDialog::DrawItem(float, float, float, float, TsGuiListItem*) {}

namespace {

// An item must have a height: the pointer's row and the drawing walk divide
// and step by it.
void GiveHeight(TsGuiListItem* item, float measured)
{
    if (item->height <= 0.0f) {
        item->height = measured > 0.0f ? measured : 16.0f;
    }
}

} // namespace

void TsGuiListDialog::AddItem(TsGuiListItem* item)
{
    if (!item) {
        return;
    }
    item->next = nullptr;
    item->index = m_count;
    if (m_last) {
        m_last->next = item;
    } else {
        m_first = item;
    }
    m_last = item;
    ++m_count;
    if (m_width > 0.0f) {
        GiveHeight(item, MeasureItem(item, GetContentWidth()));
    }
    if (!m_firstVisible) {
        m_firstVisible = m_first;
    }
    m_lastFirstIndex = -1;
}

void TsGuiListDialog::RemoveItem(TsGuiListItem* item)
{
    TsGuiListItem* previous = nullptr;
    TsGuiListItem* at = m_first;
    while (at && at != item) {
        previous = at;
        at = at->next;
    }
    if (!at) {
        return;
    }
    TsGuiListItem* next = item->next;
    (previous ? previous->next : m_first) = next;
    if (m_last == item) {
        m_last = previous;
    }
    for (TsGuiListItem* later = next; later; later = later->next) {
        --later->index;
    }
    TsGuiListItem* neighbour = previous ? previous : next;
    if (m_firstVisible == item) {
        m_firstVisible = neighbour;
    }
    if (m_selected == item) {
        m_selected = neighbour;
    }
    item->next = nullptr;
    --m_count;
    m_lastFirstIndex = -1;
}

TsGuiListItem* TsGuiListDialog::ItemByIndex(int32_t index) const
{
    TsGuiListItem* item = m_first;
    for (int32_t i = 0; item && i < index; ++i) {
        item = item->next;
    }
    return item;
}

void TsGuiListDialog::Activate(TsGuiArg a, TsGuiArg b)
{
    TsGuiWindow::Activate(a, b);
    const float content = GetContentWidth();
    for (TsGuiListItem* item = m_first; item; item = item->next) {
        GiveHeight(item, MeasureItem(item, content));
    }
    Layout();
}

TsGuiListItem* TsGuiListDialog::ItemAt(float px, float py) const
{
    if (!m_first || !m_firstVisible || m_firstVisible->height <= 0.0f) {
        return nullptr;
    }
    const float x0 = GuiToPixelsX(m_x), y0 = GuiToPixelsY(m_y);
    const float right = GuiToPixelsX(GetRight()), bottom = GuiToPixelsY(GetBottom());
    if (px < x0 + 8.0f || px > right - 18.0f || py < y0 + 4.0f || py > bottom - 18.0f) {
        return nullptr;
    }
    const int32_t row = std::clamp(int32_t((py - GetContentTop()) / m_firstVisible->height), 0, m_count - 1);
    TsGuiListItem* item = m_firstVisible;
    for (int32_t i = 0; i < row && item->next; ++i) {
        item = item->next;
    }
    return item;
}

void TsGuiListDialog::OnMouseDown(int32_t packed, uint32_t buttons)
{
    if (!m_scroll.IsHovered()) {
        m_selected = ItemAt(float(GuiPackedX(packed)), float(GuiPackedY(packed)));
    }
    TsGuiWindow::OnMouseDown(packed, buttons);
}

void TsGuiListDialog::ScrollByWheel()
{
    const TsInput* input = TsAccess::Input();
    const int32_t wheel = input ? input->GetMouseState().wheel : 0;
    if (wheel == 0 || !m_hover) {
        return;
    }
    const float step = 1.0f / float(m_count);
    m_scroll.SetValue(m_scroll.GetValue() + (wheel > 0 ? -step : step));
}

void TsGuiListDialog::Render(float fraction)
{
    TsGuiWindow::Render(fraction);
    if (!m_first) {
        return;
    }
    ScrollByWheel();
    const int32_t firstIndex = int32_t(m_scroll.GetValue() * float(m_count - 1));
    if (firstIndex != m_lastFirstIndex || !m_firstVisible) {
        m_firstVisible = ItemByIndex(firstIndex);
        m_lastFirstIndex = firstIndex;
    }
    const float x = GuiToPixelsX(m_frame.GetPositionX()) + m_frame.GetFrameSprite(TS_FRAME_LEFT).GetPixelWidth();
    const float right = x + GetContentWidth();
    const float bottom = GuiToPixelsY(m_frame.GetBottom()) - m_frame.GetFrameSprite(TS_FRAME_BOTTOM).GetPixelHeight();
    float y = GetContentTop();
    for (TsGuiListItem* item = m_firstVisible; item && y < bottom; item = item->next) {
        DrawItem(x, y, right, bottom, item);
        y += std::max(item->height, 1.0f);
    }
}
