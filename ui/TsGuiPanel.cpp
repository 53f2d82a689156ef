#include "ui/TsGuiPanel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "ui/TsFrontEndBase.h"

namespace {

// Nearest whole count, halves up; 0 for an empty tile.
float SnapTiles(float length, float tile)
{
    return tile > 0.0f ? std::max(0.0f, std::floor(length / tile + 0.5f)) : -1.0f;
}

} // namespace

void GuiSnapFrameSize(const TsGuiSpritePlacement (&frame)[TS_FRAME_SLOTS], float& width, float& height)
{
    const float cornersW = frame[TS_FRAME_TOP_LEFT].GetPixelWidth() + frame[TS_FRAME_TOP_RIGHT].GetPixelWidth();
    const float topTile = frame[TS_FRAME_TOP].GetPixelWidth();
    const float n = SnapTiles(width - cornersW, topTile);
    if (n >= 0.0f) {
        width = cornersW + n * topTile;
    }
    const float cornersH = frame[TS_FRAME_TOP_LEFT].GetPixelHeight() + frame[TS_FRAME_BOTTOM_LEFT].GetPixelHeight();
    const float leftTile = frame[TS_FRAME_LEFT].GetPixelHeight();
    const float m = SnapTiles(height - cornersH, leftTile);
    if (m >= 0.0f) {
        height = cornersH + m * leftTile;
    }
}

TsGuiPanel::TsGuiPanel(TsFrontEndBase* frontEnd) : TsGuiWindow(frontEnd) {}

bool TsGuiPanel::AddItem(TsGuiControl* control)
{
    if (!control || m_itemCount >= kMaxItems) {
        return false;
    }
    m_items[m_itemCount++] = control;
    return true;
}

void TsGuiPanel::SetTitle(const char* text)
{
    m_title[0] = '\0';
    if (text) {
        std::strncpy(m_title, text, kTitleSize - 1);
        m_title[kTitleSize - 1] = '\0';
    }
    m_titleWidth = m_titleHeight = 0.0f;
    if (m_frontEnd) {
        m_frontEnd->GetTitleTextExtent(m_title, m_titleWidth, m_titleHeight);
    }
    Layout();
}

void TsGuiPanel::SetFrameSprites(const TsGuiSpritePlacement (&frame)[TS_FRAME_SLOTS])
{
    std::copy(frame, frame + TS_FRAME_SLOTS, m_frame);
    Layout();
}

void TsGuiPanel::MoveTo(float x, float y)
{
    const float dx = x - m_x, dy = y - m_y;
    for (int32_t i = 0; i < m_itemCount; ++i) {
        m_items[i]->SetPosition(m_items[i]->GetPositionX() + dx, m_items[i]->GetPositionY() + dy);
    }
    m_x = x;
    m_y = y;
    Layout();
}

void TsGuiPanel::Layout()
{
    if (m_itemCount == 0) {
        return;
    }
    float left = 1e9f, top = 1e9f, right = -1e9f, bottom = -1e9f;
    for (int32_t i = 0; i < m_itemCount; ++i) {
        const TsGuiControl& item = *m_items[i];
        left = std::min(left, item.GetX());
        top = std::min(top, item.GetY());
        right = std::max(right, item.GetX() + item.GetWidth());
        bottom = std::max(bottom, item.GetY() + item.GetHeight());
    }
    left -= GuiToFractionX(m_frame[TS_FRAME_LEFT].GetPixelWidth() + 16.0f);
    top -= GuiToFractionY(m_frame[TS_FRAME_TOP].GetPixelHeight() + m_titleHeight + 16.0f);
    right += GuiToFractionX(m_frame[TS_FRAME_RIGHT].GetPixelWidth() + 16.0f);
    bottom += GuiToFractionY(m_frame[TS_FRAME_BOTTOM].GetPixelHeight() + 16.0f);
    float width = std::max(GuiToPixelsX(right - left), m_titleWidth + 32.0f);
    float height = GuiToPixelsY(bottom - top);
    GuiSnapFrameSize(m_frame, width, height);
    m_x = left;
    m_y = top;
    m_width = GuiToFractionX(width);
    m_height = GuiToFractionY(height);
}

void TsGuiPanel::Activate(TsGuiArg a, TsGuiArg b)
{
    TsGuiWindow::Activate(a, b);
    Layout();
}

void TsGuiPanel::Render(float fraction)
{
    const float x0 = GuiToPixelsX(m_x), y0 = GuiToPixelsY(m_y);
    const float w = GuiToPixelsX(m_width), h = GuiToPixelsY(m_height);
    DrawGuiShade(x0, y0, w, h);
    DrawGuiFrame(x0, y0, w, h, m_frame, false);
    if (m_frontEnd) {
        m_frontEnd->DrawTitleText(x0 + w / 2.0f - m_titleWidth / 2.0f, y0 + 8.0f, 0xFFFFFFFFu, m_title, 0);
    }
    TsGuiWindow::Render(fraction);
}
