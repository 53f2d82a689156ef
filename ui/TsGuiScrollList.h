// The vertical scroll bar: the slider's rules turned upright (value 0 at
// the top), always continuous, with caps for arrows.
#pragma once

#include "ui/TsGuiSprite.h"
#include "ui/TsGuiWindow.h"

class TsGuiScrollList : public TsGuiControl {
public:
    // The order of SetSprites' six placements.
    enum Slot { kTopArrow, kUpperEnd, kThumb, kTrack, kLowerEnd, kBottomArrow, kTopPressed, kUnused, kBottomPressed };
    static constexpr float kDefaultWidth = 32.0f;

    TsGuiScrollList() = default;

    void OnMouseMove(int32_t packed, uint32_t buttons) override;
    void OnMouseDown(int32_t packed, uint32_t buttons) override;
    void Render(float fraction) override;
    void Update(float time) override;
    void Layout() override;

    void SetValue(float v);
    float GetValue() const { return m_value; }
    void SetSprites(const TsGuiSpritePlacement (&six)[6]);
    void SetPressedSprites(const TsGuiSpritePlacement& topPressed, const TsGuiSpritePlacement& unused,
                           const TsGuiSpritePlacement& bottomPressed);
    const TsGuiSpritePlacement& GetPlacement(Slot slot) const { return m_parts[slot]; }
    bool IsDragging() const { return m_dragging != 0; }
    bool IsTopPressed() const { return m_topPressed != 0; }
    bool IsBottomPressed() const { return m_bottomPressed != 0; }
    float GetTrackTop() const { return m_trackTop; }
    float GetTrackBottom() const { return m_trackBottom; }

    bool HitThumb(float fy);

protected:
    float PointerTrackPosition() const;

    float m_value = 0.0f, m_previous = 0.0f;
    TsGuiSpritePlacement m_parts[9];
    float m_trackTop = 0.0f, m_trackBottom = 0.0f;
    int32_t m_tileCount = 0;
    uint8_t m_topPressed = 0, m_bottomPressed = 0, m_dragging = 0;
    float m_grabOffset = 0.0f;
    uint8_t m_armed = 0;
};
