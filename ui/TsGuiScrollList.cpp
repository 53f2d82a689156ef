#include "ui/TsGuiScrollList.h"

#include <algorithm>

#include "engine/OmMath.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsInput.h"

namespace {

float PointerFractionY()
{
    const TsInput* input = TsAccess::Input();
    return input ? GuiToFractionY(float(input->GetCursorY())) : 0.0f;
}

} // namespace

void TsGuiScrollList::SetValue(float v) { m_value = m_previous = Clamp01(v); }

void TsGuiScrollList::SetSprites(const TsGuiSpritePlacement (&six)[6])
{
    for (int i = 0; i < 6; ++i) {
        m_parts[i] = six[i];
    }
    Layout();
}

void TsGuiScrollList::SetPressedSprites(const TsGuiSpritePlacement& topPressed, const TsGuiSpritePlacement& unused,
                                        const TsGuiSpritePlacement& bottomPressed)
{
    m_parts[kTopPressed] = topPressed;
    m_parts[kUnused] = unused;
    m_parts[kBottomPressed] = bottomPressed;
}

void TsGuiScrollList::Layout()
{
    float width = m_parts[kTopArrow].GetPixelWidth();
    if (width == 0.0f) {
        width = m_parts[kBottomArrow].GetPixelWidth();
    }
    if (width == 0.0f) {
        width = kDefaultWidth;
    }
    m_width = GuiToFractionX(width);
    const float topCap = m_parts[kTopArrow].GetPixelHeight(), bottomCap = m_parts[kBottomArrow].GetPixelHeight();
    const float ends = m_parts[kUpperEnd].GetPixelHeight() + m_parts[kLowerEnd].GetPixelHeight();
    const float tile = m_parts[kTrack].GetPixelHeight();
    const float inner = GuiToPixelsY(m_height) - topCap - bottomCap - ends;
    // Whole tiles only, so the bottom cap stays inside the rectangle.
    m_tileCount = tile > 0.0f && inner > 0.0f ? int32_t(inner / tile) : 0;
    const float halfThumb = m_parts[kThumb].GetPixelHeight() / 2.0f;
    m_trackTop = m_y + GuiToFractionY(topCap + halfThumb);
    m_trackBottom = m_y + m_height - GuiToFractionY(bottomCap + halfThumb);
}

bool TsGuiScrollList::HitThumb(float fy)
{
    const float span = m_trackBottom - m_trackTop;
    const float thumbHalf = m_parts[kThumb].GetPixelHeight() / 2.0f;
    const float h = GuiToFractionY(thumbHalf);
    if (span <= 0.0f || fy < m_trackTop - h || fy > m_trackBottom + h) {
        return false;
    }
    const float t = (fy - m_trackTop) / span;
    const float half = thumbHalf / GuiToPixelsY(span);
    if (!(t - half < m_value && m_value <= t + half)) {
        return false;
    }
    m_grabOffset = t - m_value;
    return true;
}

float TsGuiScrollList::PointerTrackPosition() const
{
    const float span = m_trackBottom - m_trackTop;
    return span > 0.0f ? Clamp01((PointerFractionY() - m_trackTop) / span) : 0.0f;
}

void TsGuiScrollList::OnMouseMove(int32_t, uint32_t)
{
    if (m_armed) {
        m_armed = m_hover;
    }
}

void TsGuiScrollList::OnMouseDown(int32_t packed, uint32_t)
{
    if (!m_hover) {
        return;
    }
    m_dragging = HitThumb(GuiToFractionY(float(GuiPackedY(packed)))) ? 1 : 0;
    m_armed = 1;
}

void TsGuiScrollList::Update(float)
{
    m_previous = m_value;
    m_topPressed = m_bottomPressed = 0;
    const TsInput* input = TsAccess::Input();
    if (!input) {
        return;
    }
    if (m_dragging) {
        m_dragging = input->IsActionDown(TS_ACTION_SELECT) ? 1 : 0;
        return;
    }
    if (!input->IsActionDown(TS_ACTION_SELECT) || !m_hover || !m_armed) {
        return;
    }
    const float fy = PointerFractionY();
    if (fy <= m_y + GuiToFractionY(m_parts[kTopArrow].GetPixelHeight())) {
        m_topPressed = 1;
        m_value = m_value <= 0.1f ? 0.0f : m_value - 0.1f;
    } else if (fy >= m_y + m_height - GuiToFractionY(m_parts[kBottomArrow].GetPixelHeight())) {
        m_bottomPressed = 1;
        m_value = m_value >= 0.9f ? 1.0f : m_value + 0.1f;
    } else {
        const float grab = m_grabOffset;
        const bool onThumb = HitThumb(fy);
        m_grabOffset = grab;
        if (!onThumb) {
            const float t = PointerTrackPosition();
            m_value = t < m_value ? std::clamp(m_value - 0.2f, t, 1.0f) : std::clamp(m_value + 0.2f, 0.0f, t);
        }
    }
}

void TsGuiScrollList::Render(float fraction)
{
    if (m_dragging) {
        m_value = Clamp01(PointerTrackPosition() - m_grabOffset);
        m_previous = m_value;
    }
    const float x0 = GuiToPixelsX(m_x);
    float y = GuiToPixelsY(m_y);
    const auto drawPart = [&](Slot slot, Slot pressed, bool down) {
        const TsGuiSpritePlacement& part = down && m_parts[pressed].sprite ? m_parts[pressed] : m_parts[slot];
        part.Draw(x0, y);
        y += m_parts[slot].GetPixelHeight();
    };
    drawPart(kTopArrow, kTopPressed, m_topPressed != 0);
    drawPart(kUpperEnd, kUpperEnd, false);
    for (int32_t i = 0; i < m_tileCount; ++i) {
        drawPart(kTrack, kTrack, false);
    }
    drawPart(kLowerEnd, kLowerEnd, false);
    drawPart(kBottomArrow, kBottomPressed, m_bottomPressed != 0);

    const TsGuiSpritePlacement& thumb = m_parts[kThumb];
    const float top = GuiToPixelsY(m_trackTop), bottom = GuiToPixelsY(m_trackBottom);
    const float centre = top + (bottom - top) * (m_previous + (m_value - m_previous) * fraction);
    const float width = GuiToPixelsX(m_width);
    thumb.Draw(x0 + (width - thumb.GetPixelWidth()) / 2.0f, centre - thumb.GetPixelHeight() / 2.0f);
}
