// The dialog shown before the game takes the screen: it checks that sound
// and 3D display work, lets the player choose the display adapter and the
// screen mode, and offers to turn the videos off. The choices go to the
// renderer and the options; the application saves them.
//
// This class holds the checks, the lists and the commands; the window that
// shows them is TsStartupDialogWindow.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class OmD3D;
class TsOptions;

class TsStartupDialog {
public:
    // Answers of the dialog, and the ids of its controls.
    static constexpr int kPlay = 1;
    static constexpr int kQuit = 2;
    static constexpr int kModeList = 1020;
    static constexpr int kAdapterList = 1021;
    static constexpr int kAdapterLabel = 1022;
    static constexpr int kModeLabel = 1023;
    static constexpr int kDisableFmv = 1024;
    static constexpr int kDebugGroup = 1025;

    static constexpr const char* kTitle = "Tessaran Demo V1.0";
    static constexpr const char* kErrorCaption = "Tessaran Error";

    // The whole dialog: the checks, the modal window and, for "play", the
    // choices. True only when the player chose to play; every failure has
    // shown its message box and answers false.
    static bool Run(TsOptions& options, bool& skipVideos);

    TsStartupDialog(OmD3D& renderer, TsOptions& options, bool& skipVideos);

    // The checks and the preselection. kPlay when the dialog can be shown,
    // kQuit when a check failed (its message box has been shown).
    int Prepare();

    int AdapterCount() const { return static_cast<int>(m_adapterTexts.size()); }
    const std::string& AdapterText(int index) const { return m_adapterTexts[static_cast<size_t>(index)]; }
    int ModeCount() const { return static_cast<int>(m_modeTexts.size()); }
    const std::string& ModeText(int index) const { return m_modeTexts[static_cast<size_t>(index)]; }
    int SelectedAdapter() const { return m_adapter; }
    int SelectedMode() const { return m_mode; }

    // A new adapter brings its own modes, with its first one selected. An
    // adapter outside the list or without modes is refused (false) and the
    // selection stays.
    bool SelectAdapter(int index);
    bool SelectMode(int index);

    bool IsFmvDisabled() const { return m_fmvDisabled; }
    void SetFmvDisabled(bool disabled) { m_fmvDisabled = disabled; }

    // Hands the selection to the renderer and the options; answers kPlay.
    int Play();

    // 32 for the 24- and 32-bit RGB formats, else 16.
    static int BitClass(uint32_t format);

private:
    bool CheckSound();
    bool CheckDisplay();
    int ModesOf(int adapter) const;
    int FirstUsableAdapter() const;
    int FindMode(int width, int height, int bits) const;
    void FillAdapterTexts();
    void FillModeTexts();

    OmD3D& m_renderer;
    TsOptions& m_options;
    bool& m_skipVideos;
    int m_adapter = -1;
    int m_mode = -1;
    bool m_fmvDisabled = false;
    std::vector<std::string> m_adapterTexts;
    std::vector<std::string> m_modeTexts;
};
