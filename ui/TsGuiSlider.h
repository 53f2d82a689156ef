// The horizontal slider: arrows at both ends, a tiled track and a thumb that
// can be dragged; continuous, or with a number of discrete steps. A release
// over it is reported through the released index its window reads, and
// OnChanged runs in the next frame's drawing.
#pragma once

#include "ui/TsGuiSprite.h"
#include "ui/TsGuiWindow.h"

class TsGuiSlider : public TsGuiControl {
public:
    TsGuiSlider() = default;

    void OnMouseMove(int32_t packed, uint32_t buttons) override;
    void OnMouseDown(int32_t packed, uint32_t buttons) override;
    void Render(float fraction) override;
    void Update(float time) override;
    float GetX() const override;
    float GetWidth() const override;
    void Layout() override;
    virtual void OnChanged() {}

    void SetValue(float v);
    float GetValue() const { return m_value; }
    float GetPreviousValue() const { return m_previous; }
    void SetSprites(const TsGuiSpritePlacement& left, const TsGuiSpritePlacement& track,
                    const TsGuiSpritePlacement& right, const TsGuiSpritePlacement& thumb);
    void SetPressedSprites(const TsGuiSpritePlacement& leftPressed, const TsGuiSpritePlacement& thumbDragged,
                           const TsGuiSpritePlacement& rightPressed);
    // Stored, not copied.
    void SetLabel(const char* text);
    void SetStepCount(int32_t steps) { m_stepCount = steps; }
    int32_t GetStepCount() const { return m_stepCount; }
    int32_t GetReleasedIndex() const { return m_releasedIndex; }
    void SetReleasedIndex(int32_t index) { m_releasedIndex = index; }
    bool IsDragging() const { return m_dragging != 0; }
    bool IsArmed() const { return m_armed != 0; }
    bool IsLeftPressed() const { return m_leftPressed != 0; }
    bool IsRightPressed() const { return m_rightPressed != 0; }
    float GetTrackLeft() const { return m_trackLeft; }
    float GetTrackRight() const { return m_trackRight; }

    // A value moved by an arrow (delta +-0.1), a page (+-0.2) or a drag,
    // with the step rule applied.
    float StepBy(float from, float delta) const;
    float SnapDrag(float v) const;
    // Whether the thumb lies under fraction fx; sets the grab offset when it does.
    bool HitThumb(float fx);

protected:
    float PointerTrackPosition() const;
    void PageToward(float t);

    const char* m_label = nullptr;
    float m_labelWidth = 0.0f, m_labelHeight = 0.0f;
    float m_value = 0.0f, m_previous = 0.0f;
    float m_trackLeft = 0.0f, m_trackRight = 0.0f;
    int32_t m_tileCount = 0;
    TsGuiSpritePlacement m_leftArrow, m_track, m_rightArrow, m_thumb;
    TsGuiSpritePlacement m_leftPressedSprite, m_rightPressedSprite, m_thumbDragged;
    int32_t m_stepCount = 0;
    uint8_t m_dragging = 0;
    float m_grabOffset = 0.0f;
    int32_t m_releasedIndex = -1;
    uint8_t m_leftPressed = 0, m_rightPressed = 0;
    uint8_t m_armed = 0;
    uint8_t m_changePending = 0; // a release whose OnChanged has not run yet
};
