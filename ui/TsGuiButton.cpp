#include "ui/TsGuiButton.h"

#include "ui/TsFrontEndBase.h"

TsFrontEndBase* GuiFrontEndOf(const TsGuiElement& element)
{
    return element.GetOwner() ? element.GetOwner()->GetFrontEnd() : nullptr;
}

void TsGuiButton::SetText(const char* text)
{
    m_text = text;
    Layout();
}

void TsGuiButton::SetSprites(const TsGuiSpritePlacement& left, const TsGuiSpritePlacement& middle,
                             const TsGuiSpritePlacement& right)
{
    m_left = left;
    m_middle = middle;
    m_right = right;
    Layout();
}

void TsGuiButton::Layout()
{
    // The owner may come after the text: measure whenever the layout runs.
    m_textWidth = m_textHeight = 0.0f;
    if (const TsFrontEndBase* frontEnd = GuiFrontEndOf(*this)) {
        frontEnd->GetTitleTextExtent(m_text, m_textWidth, m_textHeight);
    }
    const float x0 = GuiToPixelsX(m_x);
    float right = GuiToPixelsX(m_x + m_width);
    const float L = m_left.GetPixelWidth(), M = m_middle.GetPixelWidth(), R = m_right.GetPixelWidth();
    const float needed = R + m_textWidth + L;
    if (right - x0 < needed + 32.0f) {
        right = x0 + needed + 32.0f;
    }
    float height = m_left.GetPixelHeight();
    if (height == 0.0f) {
        height = m_middle.GetPixelHeight();
    }
    if (height == 0.0f) {
        height = m_textHeight + 8.0f;
    }
    m_tileCount = TilesFor(right - x0 - (R + L), M);
    if (m_tileCount > 0) {
        right = x0 + float(m_tileCount) * M + R + L;
    }
    m_width = GuiToFractionX(right - x0);
    m_height = GuiToFractionY(height);
}

void TsGuiButton::Render(float)
{
    const float x0 = GuiToPixelsX(m_x), y0 = GuiToPixelsY(m_y);
    const float right = GuiToPixelsX(m_x + m_width), bottom = GuiToPixelsY(m_y + m_height);
    const float L = m_left.GetPixelWidth(), M = m_middle.GetPixelWidth(), R = m_right.GetPixelWidth();
    m_left.Draw(x0, y0);
    for (int32_t i = 0; i < m_tileCount; ++i) {
        m_middle.Draw(x0 + L + float(i) * M, y0);
    }
    if (!m_middle.sprite && m_drawLines) {
        const float lines[8] = {x0 + L, y0, right - R, y0, x0 + L, bottom - 1.0f, right - R, bottom - 1.0f};
        DrawGuiLines(lines, 2, 0xFFFFFFFFu);
    }
    m_right.Draw(right - R - 0.5f, y0);
    if (const TsFrontEndBase* frontEnd = GuiFrontEndOf(*this)) {
        const float tx = (x0 + right) / 2.0f - m_textWidth / 2.0f;
        const float ty = (y0 + bottom) / 2.0f - m_textHeight / 2.0f + 2.0f;
        frontEnd->DrawTitleText(tx, ty, m_disabled ? kDisabledColour : kTextColour, m_text, 0);
    }
}
