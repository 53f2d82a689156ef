#include "ui/TsGuiSlider.h"

#include <algorithm>
#include <cmath>

#include "engine/OmMath.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsInput.h"
#include "ui/TsFrontEndBase.h"
#include "ui/TsGuiButton.h"

namespace {

float PointerFractionX()
{
    const TsInput* input = TsAccess::Input();
    return input ? GuiToFractionX(float(input->GetCursorX())) : 0.0f;
}

} // namespace

void TsGuiSlider::SetValue(float v) { m_value = m_previous = Clamp01(v); }

void TsGuiSlider::SetSprites(const TsGuiSpritePlacement& left, const TsGuiSpritePlacement& track,
                             const TsGuiSpritePlacement& right, const TsGuiSpritePlacement& thumb)
{
    m_leftArrow = left;
    m_track = track;
    m_rightArrow = right;
    m_thumb = thumb;
    Layout();
}

void TsGuiSlider::SetPressedSprites(const TsGuiSpritePlacement& leftPressed, const TsGuiSpritePlacement& thumbDragged,
                                    const TsGuiSpritePlacement& rightPressed)
{
    m_leftPressedSprite = leftPressed;
    m_thumbDragged = thumbDragged;
    m_rightPressedSprite = rightPressed;
}

void TsGuiSlider::SetLabel(const char* text)
{
    m_label = text;
    Layout();
}

void TsGuiSlider::Layout()
{
    m_labelWidth = m_labelHeight = 0.0f;
    if (const TsFrontEndBase* frontEnd = GuiFrontEndOf(*this)) {
        frontEnd->GetTitleTextExtent(m_label, m_labelWidth, m_labelHeight);
    }
    const float x0 = GuiToPixelsX(m_x);
    float right = GuiToPixelsX(m_x + m_width);
    const float L = m_leftArrow.GetPixelWidth(), M = m_track.GetPixelWidth(), R = m_rightArrow.GetPixelWidth();
    float height = m_leftArrow.GetPixelHeight();
    if (height == 0.0f) {
        height = m_track.GetPixelHeight();
    }
    if (height == 0.0f) {
        height = 32.0f;
    }
    m_tileCount = TilesFor(right - x0 - (L + R), M);
    if (m_tileCount > 0) {
        right = x0 + float(m_tileCount) * M + L + R;
    }
    m_width = GuiToFractionX(right - x0);
    m_height = GuiToFractionY(height);
    const float halfThumb = m_thumb.GetPixelWidth() / 2.0f;
    m_trackLeft = m_x + GuiToFractionX(L - 6.0f + halfThumb);
    m_trackRight = m_x + m_width - GuiToFractionX(R - 8.0f + halfThumb);
}

float TsGuiSlider::GetX() const { return m_x - GuiToFractionX(m_labelWidth); }

float TsGuiSlider::GetWidth() const { return m_width + GuiToFractionX(m_labelWidth); }

float TsGuiSlider::StepBy(float from, float delta) const
{
    if (m_stepCount >= 2) {
        // The amounts only give the direction: one whole step.
        const float step = 1.0f / float(m_stepCount - 1);
        const float index = std::round(from / step) + (delta > 0.0f ? 1.0f : -1.0f);
        return Clamp01(index * step);
    }
    if (delta == -0.1f && from <= 0.1f) {
        return 0.0f;
    }
    if (delta == 0.1f && from >= 0.9f) {
        return 1.0f;
    }
    return Clamp01(from + delta);
}

float TsGuiSlider::SnapDrag(float v) const
{
    v = Clamp01(v);
    if (m_stepCount < 2) {
        return v;
    }
    const float step = 1.0f / float(m_stepCount - 1);
    const float k = v / step;
    const float whole = std::floor(k);
    // Above half a step rounds up; exactly half rounds down.
    return Clamp01((k - whole > 0.5f ? whole + 1.0f : whole) * step);
}

bool TsGuiSlider::HitThumb(float fx)
{
    const float span = m_trackRight - m_trackLeft;
    const float h = GuiToFractionX(m_thumb.GetPixelWidth() / 2.0f);
    if (span <= 0.0f || fx < m_trackLeft - h || fx > m_trackRight + h) {
        return false;
    }
    const float t = (fx - m_trackLeft) / span;
    const float half = (m_thumb.GetPixelWidth() / 2.0f) / GuiToPixelsX(span);
    if (!(t - half < m_value && m_value <= t + half)) {
        return false;
    }
    m_grabOffset = t - m_value;
    return true;
}

float TsGuiSlider::PointerTrackPosition() const
{
    const float span = m_trackRight - m_trackLeft;
    return span > 0.0f ? Clamp01((PointerFractionX() - m_trackLeft) / span) : 0.0f;
}

void TsGuiSlider::OnMouseMove(int32_t, uint32_t)
{
    if (m_armed) {
        m_armed = m_hover;
    }
}

void TsGuiSlider::OnMouseDown(int32_t packed, uint32_t)
{
    if (!m_hover) {
        return;
    }
    m_dragging = HitThumb(GuiToFractionX(float(GuiPackedX(packed)))) ? 1 : 0;
    m_armed = 1;
}

void TsGuiSlider::Update(float)
{
    m_previous = m_value;
    m_leftPressed = m_rightPressed = 0;
    const TsInput* input = TsAccess::Input();
    if (!input) {
        return;
    }
    // The index stays until the release's OnChanged has read it: two ticks
    // may run before the frame that draws (and reports) it.
    if (input->IsActionReleased(TS_ACTION_SELECT) && (m_dragging || m_hover)) {
        m_releasedIndex = GetOwner() ? GetOwner()->IndexOfChild(this) : -1;
        m_changePending = 1;
    }
    if (m_dragging) {
        m_dragging = input->IsActionDown(TS_ACTION_SELECT) ? 1 : 0;
        return;
    }
    if (!input->IsActionDown(TS_ACTION_SELECT) || !m_hover || !m_armed) {
        return;
    }
    const float fx = PointerFractionX();
    if (fx <= m_x + GuiToFractionX(m_leftArrow.GetPixelWidth())) {
        m_leftPressed = 1;
        m_value = StepBy(m_value, -0.1f);
    } else if (fx >= m_x + m_width - GuiToFractionX(m_rightArrow.GetPixelWidth())) {
        m_rightPressed = 1;
        m_value = StepBy(m_value, 0.1f);
    } else {
        const float grab = m_grabOffset;
        const bool onThumb = HitThumb(fx);
        m_grabOffset = grab;
        if (!onThumb) {
            PageToward(PointerTrackPosition());
        }
    }
}

void TsGuiSlider::PageToward(float t)
{
    if (m_stepCount >= 2) {
        m_value = StepBy(m_value, t < m_value ? -0.2f : 0.2f);
        return;
    }
    m_value = t < m_value ? std::clamp(m_value - 0.2f, t, 1.0f) : std::clamp(m_value + 0.2f, 0.0f, t);
}

void TsGuiSlider::Render(float fraction)
{
    // A release reports once, in the frame after it.
    if (m_changePending) {
        m_changePending = 0;
        OnChanged();
        m_releasedIndex = -1;
    }
    if (m_dragging) {
        m_value = SnapDrag(PointerTrackPosition() - m_grabOffset);
        m_previous = m_value;
    }
    const float x0 = GuiToPixelsX(m_x), y0 = GuiToPixelsY(m_y);
    const float L = m_leftArrow.GetPixelWidth(), M = m_track.GetPixelWidth();
    const bool leftDown = m_leftPressed && m_leftPressedSprite.sprite;
    const bool rightDown = m_rightPressed && m_rightPressedSprite.sprite;
    (leftDown ? m_leftPressedSprite : m_leftArrow).Draw(x0, y0);
    for (int32_t i = 0; i < m_tileCount; ++i) {
        m_track.Draw(x0 + L + float(i) * M, y0);
    }
    (rightDown ? m_rightPressedSprite : m_rightArrow).Draw(x0 + L + float(m_tileCount) * M, y0);

    const TsGuiSpritePlacement& thumb = m_dragging && m_thumbDragged.sprite ? m_thumbDragged : m_thumb;
    const float left = GuiToPixelsX(m_trackLeft), right = GuiToPixelsX(m_trackRight);
    const float centre = left + (right - left) * (m_previous + (m_value - m_previous) * fraction);
    const float height = GuiToPixelsY(m_height);
    thumb.Draw(centre - thumb.GetPixelWidth() / 2.0f, y0 + (height - thumb.GetPixelHeight()) / 2.0f);
    if (const TsFrontEndBase* frontEnd = GuiFrontEndOf(*this)) {
        frontEnd->DrawTitleText(x0 - m_labelWidth - 4.0f, y0 + height / 2.0f - m_labelHeight / 2.0f, 0xFFFFFFFFu,
                                m_label, 0);
    }
}
