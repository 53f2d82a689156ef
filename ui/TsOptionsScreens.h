// The title's options menu and its sub-screens. Each screen edits the game's
// options while it is up and, when it is left, applies the changed group
// and writes "options.lua"; the volume sliders play a sample when released
// and the gamma slider shows its value at once.
#pragma once

#include <cstdint>

#include "ui/TsGuiDialog.h"
#include "ui/TsTitleScreens.h"
#include "ui/TsGuiPanel.h"
#include "ui/TsGuiSlider.h"
#include "ui/TsGuiToggle.h"

class TsFrontEndPanel : public TsGuiPanel {
public:
    explicit TsFrontEndPanel(TsFrontEndBase* frontEnd) : TsGuiPanel(frontEnd) {}
    void Open(TsGuiArg x, TsGuiArg y) override;
};

class TsInfoBox : public TsGuiDialog {
public:
    explicit TsInfoBox(TsFrontEndBase* frontEnd) : TsGuiDialog(frontEnd) {}
    void Open(TsGuiArg x, TsGuiArg y) override;
    // Wrapped white text inside the frame, 12 pixels in.
    void DrawHelp(const char* text) const;
};

class TsFrontEndSlider : public TsGuiSlider {
public:
    void Open(TsGuiArg x, TsGuiArg y) override;
};

class TsVolumeSlider : public TsFrontEndSlider {
public:
    void OnChanged() override;
};

class TsDetailSlider : public TsFrontEndSlider {
public:
    void OnChanged() override;
    // The detail level (0..2) of a slider value.
    static int32_t LevelOf(float value) { return int32_t(value * 2.0f); }
};

class TsFrontEndToggle : public TsGuiToggle {
public:
    void Open(TsGuiArg x, TsGuiArg y) override;
};

class TsDetailToggle : public TsGuiToggle {
public:
    void Open(TsGuiArg x, TsGuiArg y) override;
};

class TsOptionsScreen : public TsGuiWindow {
public:
    explicit TsOptionsScreen(TsFrontEndBase* frontEnd);
    void Open(TsGuiArg x, TsGuiArg y) override;
    void Render(float fraction) override;

    TsPageButton audio;
    TsPageButton graphics;
    TsPageButton input;
    TsPageButton gameOptions;
    TsBackButton back;
};

class TsAudioScreen : public TsGuiWindow {
public:
    explicit TsAudioScreen(TsFrontEndBase* frontEnd);
    void Open(TsGuiArg x, TsGuiArg y) override;
    void Activate(TsGuiArg a, TsGuiArg b) override;
    void Deactivate(TsGuiArg a, TsGuiArg b) override;
    void Render(float fraction) override;

    TsBackButton back;
    TsVolumeSlider speech;
    TsVolumeSlider effects;
    TsVolumeSlider music;
    TsFrontEndPanel panel;
};

class TsGraphicsScreen : public TsGuiWindow {
public:
    static constexpr int32_t kGroups = 3;

    explicit TsGraphicsScreen(TsFrontEndBase* frontEnd);
    void Open(TsGuiArg x, TsGuiArg y) override;
    void Deactivate(TsGuiArg a, TsGuiArg b) override;
    void Update(float time) override;
    void Render(float fraction) override;
    // Checks the level in all three groups.
    void CheckLevel(int32_t level);
    int32_t CheckedLevel(int32_t group) const;

    TsBackButton back;
    TsDetailSlider detail;
    TsFrontEndSlider gamma;
    TsDetailToggle toggles[kGroups][3]; // animation, texture, effects
    TsFrontEndPanel panels[4];
    TsInfoBox info;

private:
    float m_lastGamma = -1.0f;
};

class TsGameOptionsScreen : public TsGuiWindow {
public:
    explicit TsGameOptionsScreen(TsFrontEndBase* frontEnd);
    void Open(TsGuiArg x, TsGuiArg y) override;
    void Activate(TsGuiArg a, TsGuiArg b) override;
    void Deactivate(TsGuiArg a, TsGuiArg b) override;
    void Render(float fraction) override;

    TsFrontEndToggle transparentCamera;
    TsFrontEndToggle animatingInventory;
    TsFrontEndPanel cameraPanel;
    TsFrontEndPanel inventoryPanel;
    TsInfoBox info;
    TsBackButton back;
};
