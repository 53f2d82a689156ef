// The push button: a left cap, tiled middle and right cap around a centred
// text. A concrete button does its action in OnMouseUp.
#pragma once

#include "ui/TsGuiSprite.h"
#include "ui/TsGuiWindow.h"

class TsGuiButton : public TsGuiControl {
public:
    static constexpr uint32_t kTextColour = 0xFFFFFFFF;
    static constexpr uint32_t kDisabledColour = 0x80808080;

    TsGuiButton() = default;

    void Render(float fraction) override;
    // Sized from the sprites and the text: never narrower than the text with
    // its caps and a margin, rounded up to whole middle tiles.
    void Layout() override;

    // Stored, not copied: the text must outlive the button.
    void SetText(const char* text);
    const char* GetText() const { return m_text; }
    void SetSprites(const TsGuiSpritePlacement& left, const TsGuiSpritePlacement& middle,
                    const TsGuiSpritePlacement& right);
    void SetDisabled(bool disabled) { m_disabled = disabled ? 1 : 0; }
    bool IsDisabled() const { return m_disabled != 0; }
    void SetDrawLines(bool lines) { m_drawLines = lines ? 1 : 0; }
    int32_t GetTileCount() const { return m_tileCount; }
    float GetTextWidth() const { return m_textWidth; }
    float GetTextHeight() const { return m_textHeight; }

protected:
    const char* m_text = nullptr;
    float m_textWidth = 0.0f, m_textHeight = 0.0f;
    uint8_t m_disabled = 0;
    uint8_t m_drawLines = 0;
    int32_t m_tileCount = 0;
    TsGuiSpritePlacement m_left, m_middle, m_right;
};

// Shared by the button-like controls: the owner's front end, if any.
TsFrontEndBase* GuiFrontEndOf(const TsGuiElement& element);
