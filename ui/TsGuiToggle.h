// A check box, or a radio button when it has a group number: checking one
// member of a group unchecks the others of the same window. An option check
// box does its work in OnChanged.
#pragma once

#include "ui/TsGuiSprite.h"
#include "ui/TsGuiWindow.h"

class TsGuiToggle : public TsGuiControl {
public:
    static constexpr int32_t kNoGroup = -1;

    TsGuiToggle() = default;

    int32_t GetControlType() const override { return 0; }
    // Checks the first toggle of its group when none is.
    void Open(TsGuiArg x, TsGuiArg y) override;
    void OnMouseDown(int32_t packed, uint32_t buttons) override;
    void Render(float fraction) override;
    // Hit tests use the box; the reported rectangle includes the label.
    float GetX() const override;
    float GetWidth() const override;
    void Layout() override;
    virtual void OnChanged(bool) {}

    // Stored, not copied.
    void SetLabel(const char* text);
    void SetSprites(const TsGuiSpritePlacement& box, const TsGuiSpritePlacement& check);
    void SetChecked(bool state);
    bool IsChecked() const { return m_checked != 0; }
    void SetGroup(int32_t group) { m_group = group; }
    int32_t GetGroup() const { return m_group; }

protected:
    const char* m_label = nullptr;
    float m_labelWidth = 0.0f, m_labelHeight = 0.0f;
    uint8_t m_checked = 0;
    int32_t m_group = kNoGroup;
    TsGuiSpritePlacement m_box, m_check;
};
