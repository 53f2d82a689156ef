// The title screens before a level: the main menu, the name dialog of a new
// game and the credits page, with the pieces every title screen shares: the
// skinned push button with one subclass per action, the back button, the
// skinned message box, the screen title and the player name of the next
// new game. The load screen and the options screens build on these.
#pragma once

#include <cstdint>

#include "engine/OmString.h"
#include "ui/TsGuiButton.h"
#include "ui/TsGuiDialog.h"
#include "ui/TsGuiEditBox.h"
#include "ui/TsGuiMessageBox.h"
#include "ui/TsGuiSprite.h"

class TsFrontEndBase;
class TsFrontEndHost;

// The player name of the next new game; "player" at program start.
OmString& PlayerName();
// Digits, spaces, letters and '_' only, and not empty.
bool IsValidPlayerName(const char* name);
// A hidden-mode name (any letter case) toggles that mode instead of
// starting a game; true when the name was one.
bool CheckHiddenModeName(TsFrontEndBase* frontEnd);
// A game text by number; "" when the text database lacks it.
const char* TitleText(int32_t id);
// Pushes a transient message box of the kind (0 OK, 1 OK/Cancel, 2 Yes/No).
void ShowFrontEndMessage(const char* text, int32_t kind, TsFrontEndBase* frontEnd);
// The screen's title, centred near the top in the large title font.
void DrawScreenTitle(TsFrontEndBase* frontEnd, const char* text);

// A placement of the host's sprite table (blend mode 66 unless given).
TsGuiSpritePlacement TitleSprite(const TsFrontEndBase* frontEnd, int32_t index, int32_t orientation = 0,
                                 uint32_t blendMode = 66, bool mirrorX = false);
// The eight frame placements of the title's dialogs.
void TitleDialogFrame(const TsFrontEndBase* frontEnd, TsGuiSpritePlacement (&frame)[TS_FRAME_SLOTS]);

class TsFrontEndButton : public TsGuiButton {
public:
    void Open(TsGuiArg x, TsGuiArg y) override;
    void OnMouseMove(int32_t packed, uint32_t buttons) override;
    void OnMouseDown(int32_t packed, uint32_t buttons) override;
    // The release step: a click sound when it was pressed.
    void OnMouseUp(int32_t packed, uint32_t buttons) override;
    bool IsPressed() const { return m_pressed != 0; }

protected:
    TsFrontEndBase* FrontEnd() const { return GuiFrontEndOf(*this); }
    uint8_t m_pressed = 0;
};

// A button that pushes a page of the title front end when released.
class TsPageButton : public TsFrontEndButton {
public:
    using Factory = TsGuiWindow* (*)(TsFrontEndBase*);
    explicit TsPageButton(Factory factory) : m_factory(factory) {}
    void OnMouseUp(int32_t packed, uint32_t buttons) override;

private:
    Factory m_factory;
};

class TsBackButton : public TsFrontEndButton {
public:
    void Open(TsGuiArg x, TsGuiArg y) override;
    void OnMouseUp(int32_t packed, uint32_t buttons) override;
};

class TsFrontEndMessageBox : public TsGuiMessageBox {
public:
    TsFrontEndMessageBox(const char* text, int32_t kind, TsFrontEndBase* frontEnd);
    void Open(TsGuiArg a, TsGuiArg b) override;
};

class TsNewGameButton : public TsFrontEndButton {
public:
    void OnMouseUp(int32_t packed, uint32_t buttons) override;
    void Update(float time) override;
    bool IsWaiting() const { return m_waiting != 0; }

private:
    void FinishNewGame();
    int32_t m_waiting = 0;
};

class TsTutorialButton : public TsFrontEndButton {
public:
    void OnMouseUp(int32_t packed, uint32_t buttons) override;
};

class TsQuitButton : public TsFrontEndButton {
public:
    void OnMouseUp(int32_t packed, uint32_t buttons) override;
};

class TsMainScreen : public TsGuiWindow {
public:
    explicit TsMainScreen(TsFrontEndBase* frontEnd);
    void Open(TsGuiArg x, TsGuiArg y) override;
    void Render(float fraction) override;

    TsNewGameButton newGame;
    TsTutorialButton tutorial;
    TsPageButton loadGame;
    TsPageButton options;
    TsPageButton credits;
    TsQuitButton quit;
};

class TsNameEditBox : public TsGuiEditBox {
public:
    void Open(TsGuiArg x, TsGuiArg y) override;
};

class TsNewGameScreen : public TsGuiDialog {
public:
    explicit TsNewGameScreen(TsFrontEndBase* frontEnd);
    void Open(TsGuiArg x, TsGuiArg y) override;
    void Activate(TsGuiArg a, TsGuiArg b) override;
    void OnMouseUp(int32_t packed, uint32_t buttons) override;
    void Update(float time) override;
    // A close by any other way than OK or Return is a cancel.
    void Deactivate(TsGuiArg a, TsGuiArg b) override;

    TsNameEditBox name;
    TsFrontEndButton ok;
    TsFrontEndButton cancel;

private:
    void Close(int32_t result);
    uint8_t m_answered = 0;
};

class TsCreditsScreen : public TsGuiWindow {
public:
    explicit TsCreditsScreen(TsFrontEndBase* frontEnd);
    void Open(TsGuiArg x, TsGuiArg y) override;
    void Activate(TsGuiArg a, TsGuiArg b) override;
    void Deactivate(TsGuiArg a, TsGuiArg b) override;
    void Render(float fraction) override;

    TsBackButton back;
};

