// A one-line text entry. Every edit box polls the keyboard each tick (the
// front end routes only the mouse); only a focused one takes typed
// characters, which are stored in upper case. The text holds at most 127
// characters and never runs wider than the box.
#pragma once

#include "ui/TsGuiSprite.h"
#include "ui/TsGuiWindow.h"

class TsGuiEditBox : public TsGuiControl {
public:
    static constexpr int32_t kTextSize = 128; // with the terminating zero

    TsGuiEditBox() = default;

    // Drops keys typed before the box came on screen.
    void Activate(TsGuiArg a, TsGuiArg b) override;
    // Focuses, or places the caret under the pointer when focused.
    void OnMouseDown(int32_t packed, uint32_t buttons) override;
    void Render(float fraction) override;
    void Update(float time) override;
    void Layout() override;

    // Stored, not copied; also gives the caret its height.
    void SetLabel(const char* text);
    void SetSprites(const TsGuiSpritePlacement& left, const TsGuiSpritePlacement& middle,
                    const TsGuiSpritePlacement& right);
    void ClearText();
    // Copies as much of the text as fits in 127 characters; the caret goes to the end.
    void SetText(const char* text);
    const char* GetText() const { return m_text; }
    int32_t GetLength() const;
    bool IsFocused() const { return m_focused != 0; }
    void SetFocused(bool focused) { m_focused = focused ? 1 : 0; }
    int32_t GetCaretIndex() const { return m_caretIndex; }
    float GetCaretOffset() const { return m_caretOffset; }
    int32_t GetCapacity() const { return m_capacity; }

    // The editing steps (also what the keys do).
    bool Insert(char c);
    void DeleteBackward();
    void DeleteForward();
    void MoveCaret(int32_t index);

protected:
    float CharWidth(char c) const;
    float TextWidth(int32_t count) const;
    void ReadHeldKeys();
    void ReadTypedKeys();

    const char* m_label = nullptr;
    float m_labelWidth = 0.0f, m_labelHeight = 0.0f;
    uint8_t m_focused = 0;
    char m_text[kTextSize] = {};
    int32_t m_capacity = kTextSize;
    float m_caretOffset = 0.0f;
    float m_caretHeight = 0.0f;
    int32_t m_caretIndex = 0;
    TsGuiSpritePlacement m_left, m_middle, m_right;
    int32_t m_tileCount = 0;
};
