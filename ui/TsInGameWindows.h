// The windows the in-game menu mode shows over a running level: the pause
// menu, the in-game message box, the objective window, the diary screen,
// the tutorial window and the in-game options screen.
#pragma once

#include <cstdint>

#include "engine/OmArray.h"
#include "engine/OmString.h"
#include "ui/TsGameWidgets.h"
#include "ui/TsGuiMessageBox.h"

class TsFrontEndBase;
class TsGameFrontEnd;

// Asks or tells the player something over the level: a transient box of
// the kind (0 OK, 1 OK/Cancel, 2 Yes/No) that stops everything below it.
void ShowMessageBox(const char* text, int32_t kind, TsFrontEndBase* frontEnd);
// The level's own notices: a box of kind 3 at the pixel position.
void ShowMessageBoxAt(const char* text, float x, float y, TsFrontEndBase* frontEnd);
// A centred question whose buttons answer with their results (at most
// four); a box closed without an answer leaves TsGameMessageBox::kCancelled.
void ShowQuestion(const char* text, int32_t count, const TsGuiMessageButton* buttons, TsFrontEndBase* frontEnd);
// An in-game text by number; "" when the text database lacks it.
const char* GameText(int32_t id);

class TsGameMessageBox : public TsGuiMessageBox {
public:
    static constexpr int32_t kCancelled = 2;

    TsGameMessageBox(const char* text, int32_t kind, TsFrontEndBase* frontEnd);
    // The stack's arguments are never taken for a button list.
    void Open(TsGuiArg a, TsGuiArg b) override;
    // The buttons of a box of kind 3 (texts not copied).
    void SetButtons(int32_t count, const TsGuiMessageButton* buttons);
    // Top-left corner in pixels once opened.
    void PlaceAt(float x, float y) { m_placed = 1, m_placeX = x, m_placeY = y; }

private:
    TsGuiMessageButton m_list[kMaxButtons] = {};
    int32_t m_listCount = 0;
    uint8_t m_placed = 0;
    float m_placeX = 0.0f, m_placeY = 0.0f;
};

// The pause menu's buttons: each does its action on release.
class TsDiaryButton : public TsGameButton {
public:
    void OnMouseUp(int32_t packed, uint32_t buttons) override;
};
class TsLoadLastSaveButton : public TsGameButton {
public:
    void OnMouseUp(int32_t packed, uint32_t buttons) override;
};
class TsQuickSaveButton : public TsGameButton {
public:
    void OnMouseUp(int32_t packed, uint32_t buttons) override;
};
class TsResumeButton : public TsGameButton {
public:
    void OnMouseUp(int32_t packed, uint32_t buttons) override;
};
class TsGameQuitButton : public TsGameButton {
public:
    void OnMouseUp(int32_t packed, uint32_t buttons) override;
};

class TsPauseMenu : public TsGuiDialog {
public:
    static constexpr int32_t kButtonCount = 6;
    static constexpr int32_t kFirstText = 30733;

    explicit TsPauseMenu(TsFrontEndBase* frontEnd);
    void Open(TsGuiArg x, TsGuiArg y) override;
    void Update(float time) override;
    void SetQuitPending(bool pending) { m_quitPending = pending ? 1 : 0; }
    bool IsQuitPending() const { return m_quitPending != 0; }
    TsGameButton* GetButton(int32_t i) const;
    // Saves the game, keeps the save's name as the loaded one and says how
    // it went.
    static bool QuickSave(TsFrontEndBase* frontEnd);

    TsDiaryButton diary;
    TsGameOptionsButton options;
    TsLoadLastSaveButton loadLastSave;
    TsQuickSaveButton quickSave;
    TsResumeButton resume;
    TsGameQuitButton quit;

private:
    void PlaceButtons();
    uint8_t m_quitPending = 0;
};

class TsObjectiveWindow : public TsGuiDialog {
public:
    static constexpr size_t kMaxHint = 512;
    // Margins in pixels.
    static constexpr float kSideMargin = 6.0f, kTopMargin = 8.0f, kGap = 4.0f, kBottomMargin = 24.0f,
                           kButtonGap = 8.0f;

    explicit TsObjectiveWindow(TsFrontEndBase* frontEnd);
    // a: the objective text, b: the hint (either may be null).
    void Open(TsGuiArg a, TsGuiArg b) override;
    void OpenWith(const char* objective, const char* hint);
    void Render(float fraction) override;
    void Update(float time) override;
    const char* GetObjective() const { return m_objective.Get(); }
    const char* GetHintLine() const { return m_hint.Get(); }

    TsGameButton button;

    // The texts as Open keeps them; the hint line cut at kMaxHint.
    void SetText(const char* objective, const char* hint);

private:
    void Measure();
    OmString m_title, m_objective, m_hint;
    float m_titleHeight = 0.0f, m_objectiveHeight = 0.0f, m_hintHeight = 0.0f;
};

// The diary's list of entries (one per level page, newest last).
class TsDiaryPage : public TsGuiDialog {
public:
    explicit TsDiaryPage(TsFrontEndBase* frontEnd) : TsGuiDialog(frontEnd) {}
    void Open(TsGuiArg x, TsGuiArg y) override;
    void Activate(TsGuiArg a, TsGuiArg b) override;
    void OnMouseUp(int32_t packed, uint32_t buttons) override;
    void Render(float fraction) override;
    int32_t GetSelected() const { return m_selected; }
    void SetSelected(int32_t index) { m_selected = index; }
    // The entry a click at pixel y picks; -1 with no entries.
    int32_t EntryAt(float py, float lineHeight, int32_t entries) const;

    TsGameScrollList list;

private:
    int32_t m_selected = -1;
};

// The lines of the selected diary entry.
class TsDiaryEntryView : public TsGameListDialog {
public:
    explicit TsDiaryEntryView(TsFrontEndBase* frontEnd) : TsGameListDialog(frontEnd) {}
    void Open(TsGuiArg x, TsGuiArg y) override;
    void Render(float fraction) override;
    void SetPage(const TsDiaryPage* page) { m_page = page; }

private:
    const TsDiaryPage* m_page = nullptr;
};

class TsDiaryScreen : public TsGuiWindow {
public:
    explicit TsDiaryScreen(TsFrontEndBase* frontEnd);
    void Open(TsGuiArg x, TsGuiArg y) override;
    void Activate(TsGuiArg a, TsGuiArg b) override;
    void Deactivate(TsGuiArg a, TsGuiArg b) override;
    void Update(float time) override;

    TsDiaryEntryView entries;
    TsDiaryPage page;
};

// The tutorial's topic list: one line per fragment.
class TsTextView : public TsGuiDialog {
public:
    static constexpr float kLineHeight = 15.0f;
    static constexpr float kMargin = 8.0f; // inside the frame, above the first row and below the last
    explicit TsTextView(TsFrontEndBase* frontEnd) : TsGuiDialog(frontEnd) {}
    void Open(TsGuiArg x, TsGuiArg y) override;
    void Activate(TsGuiArg a, TsGuiArg b) override;
    void OnMouseUp(int32_t packed, uint32_t buttons) override;
    void Render(float fraction) override;
    int32_t GetSelected() const { return m_selected; }
    // The topics the frame shows: from the first to before the end.
    int32_t FirstShown() const;
    int32_t EndShown() const;

    TsGameScrollList list;

private:
    int32_t m_selected = 0;
};

class TsTutorialDialog : public TsGuiWindow {
public:
    static constexpr size_t kMaxExitScript = 1024;
    // A lesson is a few pages; an index past this is a script's mistake.
    static constexpr int32_t kMaxFragmentIndex = 255;

    explicit TsTutorialDialog(TsFrontEndBase* frontEnd);
    void Open(TsGuiArg x, TsGuiArg y) override;
    void OnClose() override;

    // Fragments by text number; an index past the end appends.
    void Clear(int32_t capacity);
    void AddFragment(int32_t textId, int32_t index);
    int32_t GetFragmentCount() const { return int32_t(m_fragments.GetCount()); }
    const char* GetFragment(int32_t i) const;
    void ShowFragment(int32_t i);
    // Run once when the window closes; cut at kMaxExitScript characters.
    void SetExitScript(const char* text);
    const char* GetExitScript() const { return m_exitScript.Get(); }

    TsGameTutorialDialog text;
    TsTextView topics;

private:
    OmArray<int32_t> m_fragments{8};
    int32_t m_counter = 0;
    OmString m_exitScript;
};

class TsInGameOptionsScreen : public TsGuiWindow {
public:
    explicit TsInGameOptionsScreen(TsFrontEndBase* frontEnd);
    void Open(TsGuiArg x, TsGuiArg y) override;
    void Activate(TsGuiArg a, TsGuiArg b) override;
    void Deactivate(TsGuiArg a, TsGuiArg b) override;
    void Update(float time) override;

    TsGamePanel volumes;
    TsGamePanel picture;
    TsGameSlider effects{TsGameSlider::kEffects};
    TsGameSlider music{TsGameSlider::kMusic};
    TsGameSlider speech{TsGameSlider::kSpeech};
    TsGameSlider gamma{TsGameSlider::kGamma};
};

// The longest start of the text, at most size - 1 characters and none past
// the first of the stop characters, that the front end's plain font draws
// within room pixels, copied into out: titles are cut to their frames by
// measuring them.
void CutToWidth(const TsFrontEndBase& frontEnd, const char* text, const char* stops, float room, char* out,
                size_t size);
