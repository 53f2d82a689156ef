// The title's key-binding screen: a list of the keyboard actions with their
// keys, a capture box that takes the next key pressed for the chosen action,
// two mouse toggles and a defaults button. Edits are made on a copy that
// reaches the options (and "options.lua") only through the done button's OK.
#pragma once

#include <cstddef>
#include <cstdint>

#include "game/framework/TsKeyBindings.h"
#include "ui/TsGuiListDialog.h"
#include "ui/TsGuiToggle.h"
#include "ui/TsLoadGameScreen.h"
#include "ui/TsOptionsScreens.h"

class TsKeyCaptureBox;

struct TsKeyRow : TsGuiListItem {
    int32_t action = 0;
};

class TsKeyBindingList : public TsGuiListDialog {
public:
    // The rows run from move to the last spare, less the mouse actions.
    static constexpr int32_t kFirstAction = TS_ACTION_MOVE;
    static constexpr int32_t kLastAction = TS_ACTION_SPARE_3;

    explicit TsKeyBindingList(TsFrontEndBase* frontEnd);
    ~TsKeyBindingList() override;

    void Open(TsGuiArg x, TsGuiArg y) override;
    void Activate(TsGuiArg a, TsGuiArg b) override;
    void OnMouseDown(int32_t packed, uint32_t buttons) override;
    float MeasureItem(TsGuiListItem* item, float contentWidth) override;
    void DrawItem(float x, float y, float right, float bottom, TsGuiListItem* item) override;

    // The text shown for an action's bindings.
    static void BindingText(const TsKeyBindings& bindings, int32_t action, char* out, size_t size);
    // Action a takes key k; any other action that held k loses it. False
    // (nothing changed) for the keys of the menu action and of the gag.
    static bool Bind(TsKeyBindings& bindings, int32_t action, int32_t key);
    // Asks for a key for the action (or explains why it cannot be bound).
    void BeginCapture(int32_t action);
    TsKeyBindings& Edited() { return m_edited; }

private:
    TsKeyBindings m_edited{};
    TsKeyCaptureBox* m_capture = nullptr;
    float m_rowHeight = 0.0f;
};

class TsKeyCaptureBox : public TsFrontEndMessageBox {
public:
    TsKeyCaptureBox(const char* text, int32_t action, TsKeyBindings* bindings, TsFrontEndBase* frontEnd);
    void Update(float time) override;
    bool IsDone() const { return m_done != 0; }

private:
    int32_t m_action;
    TsKeyBindings* m_bindings;
    uint8_t m_done = 0;
    char m_text[256];
};

class TsKeysDoneButton : public TsFrontEndButton {
public:
    void Open(TsGuiArg x, TsGuiArg y) override;
    void OnMouseUp(int32_t packed, uint32_t buttons) override;
    void Update(float time) override;
    void SetWaiting() { m_waiting = 1; }

private:
    int32_t m_waiting = 0;
};

class TsDefaultKeysButton : public TsFrontEndButton {
public:
    void OnMouseDown(int32_t packed, uint32_t buttons) override;
    void Update(float time) override;

private:
    int32_t m_waiting = 0;
};

class TsSwapMouseToggle : public TsGuiToggle {
public:
    void Open(TsGuiArg x, TsGuiArg y) override;
    void OnMouseUp(int32_t packed, uint32_t buttons) override;
};

class TsMouseWheelToggle : public TsGuiToggle {
public:
    void Open(TsGuiArg x, TsGuiArg y) override;
    void OnMouseUp(int32_t packed, uint32_t buttons) override;
};

class TsInputScreen : public TsGuiWindow {
public:
    explicit TsInputScreen(TsFrontEndBase* frontEnd);
    void Open(TsGuiArg x, TsGuiArg y) override;
    void Activate(TsGuiArg a, TsGuiArg b) override;
    void Update(float time) override;
    void Render(float fraction) override;
    bool ClosesOnBack() const override { return false; }

    // Leaves the screen, asking first when the edits differ from the input's bindings.
    void Finish();
    // The toggles from the edited block.
    void SyncToggles();
    // Copies the edited block into the options, applies and saves them.
    void StoreBindings();

    TsKeysDoneButton done;
    TsKeyBindingList list;
    TsInfoBox info;
    TsSwapMouseToggle swapMouse;
    TsMouseWheelToggle mouseWheel;
    TsDefaultKeysButton defaults;
    TsFrontEndPanel panel;
};
