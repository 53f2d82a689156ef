// The small widget subclasses the in-game windows are built from, skinned
// from the in-game menu mode's sprite table.
#pragma once

#include <cstdint>

#include "ui/TsGuiButton.h"
#include "ui/TsGuiDialog.h"
#include "ui/TsGuiPanel.h"
#include "ui/TsGuiScrollList.h"
#include "ui/TsGuiSlider.h"

class TsGameFrontEnd;

// A push button with the in-game caps. Its latch is set on release, before
// the subclass's own action runs, and drops once the pointer has left it or
// its window is shown again: a page shown a second time is not answered by
// the click that put it away the first time.
class TsGameButton : public TsGuiButton {
public:
    void Open(TsGuiArg x, TsGuiArg y) override;
    void Activate(TsGuiArg a, TsGuiArg b) override;
    void OnMouseMove(int32_t packed, uint32_t buttons) override;
    void OnMouseDown(int32_t, uint32_t) override {}
    void OnMouseUp(int32_t packed, uint32_t buttons) override;
    bool IsLatched() const { return m_latched != 0; }

protected:
    TsGameFrontEnd* FrontEnd() const;
    uint8_t m_latched = 0;
};

// Pushes the in-game options screen when released.
class TsGameOptionsButton : public TsGameButton {
public:
    void OnMouseUp(int32_t packed, uint32_t buttons) override;
};

// An invisible 16 x 16 pixel box at its window's top-right corner: a click
// pops the top window, and closes the menu when none is left.
class TsGameCloseBox : public TsGuiControl {
public:
    static constexpr float kSize = 16.0f;
    void Activate(TsGuiArg a, TsGuiArg b) override;
    void OnMouseUp(int32_t packed, uint32_t buttons) override;
    void Render(float) override {}

private:
    int32_t m_word = 0;
};

class TsGameScrollList : public TsGuiScrollList {
public:
    // Skins itself and runs along its owner's right edge.
    void Open(TsGuiArg x, TsGuiArg y) override;
};

class TsGameSlider : public TsGuiSlider {
public:
    enum Kind : int32_t { kSpeech = 0, kMusic = 1, kEffects = 2, kGamma = 3 };
    explicit TsGameSlider(int32_t kind) : m_kind(kind) {}
    void Open(TsGuiArg x, TsGuiArg y) override;
    // Sets the effects volume from the slider and plays a sample of its kind.
    void OnChanged() override;
    int32_t GetKind() const { return m_kind; }

private:
    int32_t m_kind;
};

class TsGamePanel : public TsGuiPanel {
public:
    explicit TsGamePanel(TsFrontEndBase* frontEnd) : TsGuiPanel(frontEnd) {}
    void Open(TsGuiArg x, TsGuiArg y) override;
    void Render(float fraction) override;
    void SetClosable(bool closable) { m_closable = closable ? 1 : 0; }

    TsGameCloseBox closeBox;

private:
    uint8_t m_closable = 0;
};

// A side-framed dialog with a close box and a scroll bar (the diary's entry
// view and the tutorial's text).
class TsGameListDialog : public TsGuiDialog {
public:
    explicit TsGameListDialog(TsFrontEndBase* frontEnd) : TsGuiDialog(frontEnd) {}
    void Open(TsGuiArg x, TsGuiArg y) override;
    void Render(float fraction) override;

    TsGameCloseBox closeBox;
    TsGameScrollList list;
};

class TsGameTutorialDialog : public TsGameListDialog {
public:
    explicit TsGameTutorialDialog(TsFrontEndBase* frontEnd) : TsGameListDialog(frontEnd) {}
    void Open(TsGuiArg x, TsGuiArg y) override;
    void Activate(TsGuiArg a, TsGuiArg b) override;
    void Render(float fraction) override;
    // Not copied: the tutorial window owns the text.
    void SetText(const char* text) { m_text = text; }

private:
    const char* m_text = nullptr;
};
