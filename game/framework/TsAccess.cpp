#include "game/framework/TsAccess.h"

#include <cstdlib>
#include <cstring>

#include "game/framework/TsCamera.h"
#include "game/framework/TsDialogStrings.h"
#include "game/framework/TsGameMode.h"
#include "game/framework/TsLevelHost.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsMain.h"
#include "game/framework/TsOptions.h"

namespace {

char* g_exitMovie = nullptr;
lua_State* g_luaState = nullptr;

// An object an accessor cannot reach (no application, no mode) is reported
// once instead of on every frame.
template <typename T>
T* Missing(bool& reported, const char* accessor, const char* what)
{
    LogErrorOnceF(reported, "TsAccess::%s: %s", accessor, what);
    return nullptr;
}

} // namespace

// The title front end announces itself while it lives; null in a level and
// before the first title screen.
namespace {
TsFrontEnd* g_frontEnd = nullptr;
}

TsFrontEnd* TsAccess::FrontEnd() { return g_frontEnd; }

void TsAccess::SetFrontEnd(TsFrontEnd* frontEnd) { g_frontEnd = frontEnd; }

// The application's own members: null without an application (tools and
// tests that run without one), and for a member it does not have now.
namespace {

template <typename T>
T* FromApp(bool& reported, const char* accessor, const char* missing, T* (*get)(const TsMain&))
{
    const TsMain* app = TsMain::Instance();
    if (!app) {
        return Missing<T>(reported, accessor, missing);
    }
    return get(*app);
}

} // namespace

TsGameMode* TsAccess::Mode()
{
    static bool reported = false;
    return FromApp<TsGameMode>(reported, "Mode", "there is no application, so no mode",
                               [](const TsMain& app) { return app.GetMode(); });
}

TsCamera* TsAccess::CameraHelper()
{
    static bool reported = false;
    TsGameMode* mode = TsMain::Instance() ? TsMain::Instance()->GetMode() : nullptr;
    if (!mode) {
        return Missing<TsCamera>(reported, "CameraHelper", "there is no current mode, so no camera");
    }
    return mode->GetCamera();
}

TsInput* TsAccess::Input()
{
    static bool reported = false;
    return FromApp<TsInput>(reported, "Input", "no application holds the input",
                            [](const TsMain& app) { return app.GetInput(); });
}

TsAudio* TsAccess::Audio()
{
    static bool reported = false;
    return FromApp<TsAudio>(reported, "Audio", "no application holds the audio",
                            [](const TsMain& app) { return app.GetAudio(); });
}

TsAnimationDB* TsAccess::AnimDB()
{
    static bool reported = false;
    return FromApp<TsAnimationDB>(reported, "AnimDB", "no application holds the animation database",
                                  [](const TsMain& app) { return app.GetAnimationDB(); });
}

TsDialogStrings* TsAccess::DialogStrings()
{
    static bool reported = false;
    return FromApp<TsDialogStrings>(reported, "DialogStrings", "no application holds the dialogue strings",
                                    [](const TsMain& app) { return app.GetDialogStrings(); });
}

TsPlayer* TsAccess::LocalPlayer()
{
    const TsMain* app = TsMain::Instance();
    return app ? app->GetLocalPlayer() : nullptr;
}

// The level's half: what the level host answers. Null outside a level (the
// front end, tools, a program without the level); scripts then see nil.
namespace {

TsLevelHost* Host()
{
    const TsMain* app = TsMain::Instance();
    return app ? app->GetLevelHost() : nullptr;
}

template <typename T>
T* FromHost(T* (TsLevelHost::*get)() const)
{
    const TsLevelHost* host = Host();
    return host ? (host->*get)() : nullptr;
}

} // namespace

TsLevel* TsAccess::Level() { return CurrentLevel(); }
TsLevel* TsAccess::CurrentLevel() { return FromHost(&TsLevelHost::Level); }
TsLevelState* TsAccess::LevelState() { return FromHost(&TsLevelHost::LevelState); }
TsHUDe* TsAccess::HUDe() { return FromHost(&TsLevelHost::HUDe); }
TsRadar* TsAccess::Radar() { return FromHost(&TsLevelHost::Radar); }
TsCutScene* TsAccess::CutScene() { return FromHost(&TsLevelHost::CutScene); }
TsConversation* TsAccess::Conversation() { return FromHost(&TsLevelHost::Conversation); }
TsWorld* TsAccess::World() { return FromHost(&TsLevelHost::World); }
TsPathfinder* TsAccess::Pathfinder() { return FromHost(&TsLevelHost::Pathfinder); }
TsLevelCursor* TsAccess::LevelCursor() { return FromHost(&TsLevelHost::LevelCursor); }
TsEntityDB* TsAccess::EntityDB() { return FromHost(&TsLevelHost::EntityDB); }
OmProfiler* TsAccess::LevelProfiler() { return FromHost(&TsLevelHost::LevelProfiler); }
TsGameFrontEnd* TsAccess::GameFrontEnd() { return FromHost(&TsLevelHost::GameFrontEnd); }
TsLevelInfo* TsAccess::LevelInfo() { return FromHost(&TsLevelHost::LevelInfo); }
TsPCObject* TsAccess::CurrentCharacter() { return FromHost(&TsLevelHost::CurrentCharacter); }
TsDiaryData* TsAccess::Diary() { return FromHost(&TsLevelHost::Diary); }

// The tutorial window belongs to the level's in-game menu; without a level
// the call is logged and does nothing.
namespace {

TsLevelHost* TutorialHost(const char* caller)
{
    TsLevelHost* host = Host();
    if (!host) {
        LogErrorF("TsAccess::%s: there is no level, so no tutorial window", caller);
    }
    return host;
}

} // namespace

void TsAccess::TutorialDialog()
{
    if (TsLevelHost* host = TutorialHost("TutorialDialog")) {
        host->ShowTutorial("TutorialDialog", false, 0);
    }
}

void TsAccess::StartTutorialDialog(int count)
{
    if (TsLevelHost* host = TutorialHost("StartTutorialDialog")) {
        host->ShowTutorial("StartTutorialDialog", true, count);
    }
}

void TsAccess::TutorialDialogAddFragment(int textId, int index)
{
    if (TsLevelHost* host = TutorialHost("TutorialDialogAddFragment")) {
        host->AddTutorialFragment("TutorialDialogAddFragment", textId, index);
    }
}

void TsAccess::SetTutorialDialogExitScript(const char* text)
{
    if (TsLevelHost* host = TutorialHost("SetTutorialDialogExitScript")) {
        host->SetTutorialExitScript("SetTutorialDialogExitScript", text);
    }
}

TsOptions* TsAccess::Options()
{
    static TsOptions options;
    return &options;
}

int TsAccess::ScreenWidth()
{
    const TsMain* app = TsMain::Instance();
    return app ? app->GetScreenWidth() : 0;
}

int TsAccess::ScreenHeight()
{
    const TsMain* app = TsMain::Instance();
    return app ? app->GetScreenHeight() : 0;
}

float TsAccess::FrameDelta()
{
    const TsMain* app = TsMain::Instance();
    return app ? app->GetFrameDelta() : 0.0f;
}

int TsAccess::TickCount()
{
    const TsMain* app = TsMain::Instance();
    return app ? static_cast<int>(app->GetTickCount()) : 0;
}

float TsAccess::GameTime()
{
    return static_cast<float>(TickCount()) * TickDuration();
}

// Null for an id the table has no row for, and while there is no table.
const char* TsAccess::GetDialogDisplayString(int id)
{
    const TsDialogStrings* strings = DialogStrings();
    return strings ? strings->GetString(id) : nullptr;
}

const char* TsAccess::GetExitMovie()
{
    return g_exitMovie;
}

void TsAccess::SetExitMovie(const char* name)
{
    // Copy first: the name may be the current one.
    char* copy = name && name[0] != '\0' ? strdup(name) : nullptr;
    std::free(g_exitMovie);
    g_exitMovie = copy;
}

lua_State* TsAccess::LuaState()
{
    return g_luaState;
}

void TsAccess::SetLuaState(lua_State* L)
{
    g_luaState = L;
}
