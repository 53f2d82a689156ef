// A centred box with a wrapped text and up to four buttons; the chosen
// button's result goes to the front end's message result and the box pops
// itself. Boxes are made per question and pushed transient, so popping
// deletes them.
#pragma once

#include "ui/TsGuiButton.h"
#include "ui/TsGuiDialog.h"

// One button of a box of kind 3.
struct TsGuiMessageButton {
    const char* text;
    int32_t result; // -1: the button closes nothing
};

class TsGuiMessageBox;
// Makes one new button for a box (front ends supply skinned ones); null
// makes plain buttons.
using TsGuiButtonFactory = TsGuiButton* (*)(TsGuiMessageBox& box);

class TsGuiMessageBox : public TsGuiDialog {
public:
    enum Kind : int32_t { kOk = 0, kOkCancel = 1, kYesNo = 2, kList = 3 };
    static constexpr int32_t kMaxButtons = 4;

    TsGuiMessageBox(const char* text, int32_t kind, TsFrontEndBase* frontEnd, TsGuiButtonFactory factory);
    ~TsGuiMessageBox() override;

    // a = the number of list entries, b = a pointer to them (kind 3 only).
    void Open(TsGuiArg a, TsGuiArg b) override;
    // The typed form of Open.
    void OpenWith(int32_t count, const TsGuiMessageButton* list);
    void OnMouseUp(int32_t packed, uint32_t buttons) override;
    void Render(float fraction) override;
    void Update(float time) override;
    bool IsModal() const override { return true; }
    bool ClosesOnBack() const override { return true; }

    int32_t GetKind() const { return m_kind; }
    const char* GetText() const { return m_text; }
    int32_t GetButtonCount() const { return m_buttonCount; }
    TsGuiButton* GetButton(int32_t i) const { return i >= 0 && i < m_buttonCount ? m_buttons[i] : nullptr; }
    int32_t GetButtonResult(int32_t i) const { return i >= 0 && i < m_buttonCount ? m_results[i] : -1; }
    float GetTextWidth() const { return m_textWidth; }
    float GetTextHeight() const { return m_textHeight; }

protected:
    void AddButton(const char* text, int32_t result);
    void Choose(int32_t result);
    void PlaceBox();

    int32_t m_kind;
    char* m_text = nullptr;
    float m_textWidth = 0.0f, m_textHeight = 0.0f;
    TsGuiButton* m_buttons[kMaxButtons] = {};
    int32_t m_buttonCount = 0;
    int32_t m_results[kMaxButtons] = {-1, -1, -1, -1};
    TsGuiButtonFactory m_factory;
    uint8_t m_returnWasDown = 1; // RETURN was down at the last tick, or as the box opened
};
