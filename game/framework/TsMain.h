// The application object: the main window and its message pump, the fixed
// 10 Hz game clock with interpolated rendering, the current game mode and
// the services that live for the whole run (input, audio, dialogue strings,
// the script state). There is exactly one; TsAccess reaches the services
// through TsMain::Instance.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "game/framework/TsGameMode.h"
#include "game/framework/TsGameTicks.h"
#include "game/framework/TsProfilerDisplay.h"

struct lua_State;
class OmD3D;
class OmD3DFont;
class TsAnimationDB;
class TsAudio;
class TsDialogStrings;
class TsInput;
class TsLevelHost;
class TsPlayer;

namespace plat {
class Window;
}

class TsMain {
public:
    static constexpr const char* kCaption = "TessaranApp";
    static constexpr const char* kTitle = "Tessaran - The Game";
    static constexpr int kFrameRateInterval = 30;

    // Makes a mode object for a mode type. The modes themselves live in
    // other parts of the game; each registers its maker here, and a request
    // for a mode without one is reported and served with the front end.
    using ModeFactory = TsGameMode* (*)();
    static void SetModeFactory(TsModeType type, ModeFactory factory);
    static ModeFactory GetModeFactory(TsModeType type);

    // Makes the level's host (TsLevelHost.h) for an application made from
    // then on; the level registers it as it registers its mode. Without one
    // the application has no level to build, save or load.
    using LevelHostFactory = std::unique_ptr<TsLevelHost> (*)(TsMain& app);
    static void SetLevelHostFactory(LevelHostFactory factory);

    TsMain(const char* title, int width, int height);
    ~TsMain();
    TsMain(const TsMain&) = delete;
    TsMain& operator=(const TsMain&) = delete;

    static TsMain* Instance() { return s_instance; }

    // The renderer the application draws through (owned from here on). The
    // game's font files are added first: the device makes its own text font
    // with itself and again after every reset, and finds the game's faces.
    void CreateRenderer();

    // Window, input, developer shell and StartUp; false (with the reason
    // shown in a message box where there is one) when the game cannot run.
    // A harness that drives the game through injected events may keep the
    // window unshown, so that no other window on the display can take its
    // focus (and with it the input) in the middle of a run.
    bool Open(bool showWindow = true);
    // The message loop until the quit message; returns its exit code.
    int Loop();
    // Open, then Loop; 0 when start-up fails.
    int Run();
    // One pass of the loop: every waiting message, then one frame unless a
    // quit message came (false then, with its exit code in *exitCode).
    bool Step(int* exitCode = nullptr);

    bool StartUp();
    void Frame();
    void Tick();
    void ResetClock();
    float MeasureFrameRate();
    // Drains the window messages without running a frame (log output and
    // long loading work call it).
    static void PumpMessages();

    // ---- modes ----
    void RequestMode(int mode) { m_modeRequest = mode; }
    int GetModeRequest() const { return m_modeRequest; }
    bool ModeRequestPending() const { return m_modeRequest >= 0; }
    // Serves a pending request; false when the new mode could not start.
    bool SwitchMode();
    bool StartGameSystems();
    void StopGameSystems();
    bool GameSystemsStarted() const { return m_gameSystemsStarted; }

    // Set by the start-up dialog's "Disable FMV"; no video plays then.
    void SetSkipVideos(bool skip) { m_skipVideos = skip; }
    bool GetSkipVideos() const { return m_skipVideos; }

    void SetPendingLoad(const char* name) { m_pendingLoad = name ? name : ""; }
    const std::string& GetPendingLoad() const { return m_pendingLoad; }
    void SetSavePending(bool pending) { m_savePending = pending; }
    bool GetSavePending() const { return m_savePending; }

    // ---- saved games (in the "Save Games" folder) ----
    // Writes the player and the level under the player's next save name;
    // false (and the save name left as it was) when the file is not written.
    bool SaveGame();
    // Loads the named save and makes its level current; false leaves the
    // current player in place.
    bool LoadGame(const char* name);
    // Carries the player over to the next level through "player.tmp".
    bool WritePlayerTemp();
    // Builds a new level and player, has the script function fill them,
    // saves them and makes that save the next one to load.
    bool StartMission(const char* firstText, const char* function, const char* secondText, int32_t saveNumber);
    // A developer tool's level is made the current level and mode, borrowed:
    // it stays the tool's (a script deletes the level it made once the
    // conversion ends). EndConvert restores the modes in place before.
    void BeginConvert(TsGameMode* level);
    void EndConvert(TsGameMode* level);
    // "CreateLevel": a new level member in place of one not being played
    // (the level being played is kept, and the new one deleted).
    void ReplaceLevel(std::unique_ptr<TsGameMode> level);
    // A level the host loaded becomes the level and the current mode.
    void AdoptLevel(std::unique_ptr<TsGameMode> level);

    // ---- what TsAccess reads ----
    TsGameMode* GetMode() const { return m_mode; }
    // The level a tool converts, else the application's own.
    TsGameMode* GetLevel() const { return m_converted ? m_converted : m_level.get(); }
    TsGameMode* GetFrontEnd() const { return m_frontEnd.get(); }
    TsGameMode* GetObjectView() const { return m_objectView.get(); }
    // Null when no level host was registered.
    TsLevelHost* GetLevelHost() const { return m_levelHost.get(); }
    TsInput* GetInput() const { return m_input.get(); }
    TsAudio* GetAudio() const { return m_audio.get(); }
    TsDialogStrings* GetDialogStrings() const { return m_dialogStrings.get(); }
    TsAnimationDB* GetAnimationDB() const { return m_animDB.get(); }
    // The level host's player (null without a host or a player).
    TsPlayer* GetLocalPlayer() const;
    lua_State* GetLuaState() const { return m_luaState.get(); }
    plat::Window* GetWindow() const { return m_window.get(); }
    int GetScreenWidth() const { return m_screenWidth; }
    int GetScreenHeight() const { return m_screenHeight; }
    uint32_t GetTickCount() const { return m_tickCount; }
    float GetGameTime() const { return static_cast<float>(m_tickCount) * TsGameTicks::kSeconds; }
    float GetFrameDelta() const { return m_fraction; }
    float GetRenderTime() const { return m_renderTime; }
    int64_t GetTickBase() const { return m_tickBase; }
    float GetFramesPerSecond() const { return m_framesPerSecond; }
    const char* GetTitle() const { return m_title.empty() ? nullptr : m_title.c_str(); }

    // ---- fonts (owned for the whole run) ----
    enum Font { TITLE_FONT, LARGE_FONT, SMALL_FONT, SMALLEST_FONT, FONT_COUNT };
    // Makes the four fonts on the device; does nothing when they are
    // loaded. False when one cannot be made (the others stay usable).
    bool CreateFonts();
    void DestroyFonts();
    bool FontsLoaded() const { return m_fontsLoaded; }
    // Null while the fonts are not loaded.
    OmD3DFont* GetFont(Font which) const { return m_fonts[which].get(); }
    // The font the HUD and the load screen write with. The HUD's layouts
    // are pixel figures drawn for a small Arial (a count 46 pixels into a
    // 64-pixel slot, a character's details in 140 pixels); the faces that
    // stand in for Arial run wider, and the smallest font is the one in
    // which those figures hold their text.
    OmD3DFont* GetHUDFont() const { return GetFont(SMALLEST_FONT); }

    // ---- the frame profiler and its six sections ----
    enum ProfileSection { PROFILE_TICK, PROFILE_INTERP, PROFILE_RENDER, PROFILE_ALPHAS, PROFILE_HUD, PROFILE_FADE,
                          PROFILE_SECTION_COUNT };
    TsProfilerDisplay& GetProfiler() { return m_profiler; }
    int GetProfileSection(ProfileSection section) const { return m_profileSections[section]; }

    // The message boxes of start-up failures.
    static void ShowError(const char* text);

private:
    static intptr_t WindowProc(plat::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
    void OnActivate(bool active);

    bool DeviceStartUp();
    bool ServicesStartUp();
    void StartFirstMode();
    void DestroyModes();
    void ReplaceAudio();
    bool BuildMode(int request);
    bool BuildLevel();
    bool BuildNewLevel();
    void HandOverGround();
    bool ModeStartFailed(int request);
    void FinishSwitch();
    void EndConvertState();
    void MakeLevelHost();

    void RunTicks(int64_t& now, float& dt);
    void RenderFrame(float fraction, float dt);
    void RenderEmptyFrame();
    void FrameBody();
    void TickBody();
    void DrawLoadScreenText(float alpha);
    // The game's two font files, added for the process until the renderer
    // has gone.
    void AddFontFiles();
    void RemoveFontFiles();

    static TsMain* s_instance;

    std::string m_title;
    int m_screenWidth;
    int m_screenHeight;
    bool m_gameSystemsStarted = false;
    struct ScriptStateCloser {
        void operator()(lua_State* L) const;
    };
    std::unique_ptr<lua_State, ScriptStateCloser> m_luaState;
    // Declared first of the owners, so that it goes last: the level's
    // objects may ask for the host as they go.
    std::unique_ptr<TsLevelHost> m_levelHost;
    // The modes, at most one of each kind; a failed switch may leave one
    // that is not current, until the next switch destroys them all. The
    // level is read through GetLevel (a tool may be converting another).
    std::unique_ptr<TsGameMode> m_level;
    std::unique_ptr<TsGameMode> m_frontEnd;
    std::unique_ptr<TsGameMode> m_objectView;
    TsGameMode* m_mode = nullptr; // borrowed: the current one of the modes held here (or none)
    int m_modeRequest = TS_MODE_NO_REQUEST;
    std::unique_ptr<TsInput> m_input;
    std::unique_ptr<TsAudio> m_audio;
    std::unique_ptr<TsDialogStrings> m_dialogStrings;
    std::unique_ptr<TsAnimationDB> m_animDB;
    // While a developer tool converts a level, that level is the level and
    // the current mode; the mode before comes back with EndConvert.
    TsGameMode* m_converted = nullptr; // borrowed: the tool's level, or m_level itself
    TsGameMode* m_convertSavedMode = nullptr; // borrowed: one of the modes above
    std::string m_pendingLoad;
    bool m_savePending = false;
    bool m_skipVideos = false;
    int64_t m_tickBase = 0;
    int64_t m_frameRateStamp = 0;
    float m_framesPerSecond = 0.0f;
    float m_fraction = 0.0f;
    uint32_t m_tickCount = 0;
    int m_frameRateCountdown = 1;
    float m_renderTime = 0.0f;
    bool m_fontFilesAdded = false;
    std::unique_ptr<OmD3D> m_renderer;
    std::unique_ptr<plat::Window> m_window;
    bool m_fontsLoaded = false;
    std::unique_ptr<OmD3DFont> m_fonts[FONT_COUNT];
    TsProfilerDisplay m_profiler;
    int m_profileSections[PROFILE_SECTION_COUNT] = {};
};
