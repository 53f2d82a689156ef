#include "game/framework/TsAccess.h"

#include <cstdlib>
#include <cstring>

#include "game/framework/TsCamera.h"
#include "game/framework/TsDialogStrings.h"
#include "game/framework/TsGameMode.h"
#include "game/framework/TsLevel.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsMain.h"
#include "game/framework/TsOptions.h"
#include "game/objects/TsPlayer.h"
#include "ui/TsGameFrontEnd.h"
#include "ui/TsInGameWindows.h"

namespace {

char* g_exitMovie = nullptr;
lua_State* g_luaState = nullptr;

// An object an accessor cannot reach (no application, no mode) is reported
// once instead of on every frame.
template <typename T>
T* Missing(bool& reported, const char* accessor, const char* what)
{
    if (!reported) {
        reported = true;
        LogErrorF("TsAccess::%s: %s", accessor, what);
    }
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

// The level accessors answer null outside a level (the front end, tools);
// scripts then see nil.
TsLevel* TsAccess::Level()
{
    return CurrentLevel();
}

TsHUDe* TsAccess::HUDe()
{
    TsLevel* level = CurrentLevel();
    return level ? level->GetHUD() : nullptr;
}

TsCutScene* TsAccess::CutScene()
{
    const TsLevel* level = CurrentLevel();
    return level ? level->GetCutScene() : nullptr;
}

TsConversation* TsAccess::Conversation()
{
    const TsLevel* level = CurrentLevel();
    return level ? level->GetIncidentalConversation() : nullptr;
}

TsWorld* TsAccess::World()
{
    const TsLevel* level = CurrentLevel();
    return level ? level->GetWorld() : nullptr;
}

TsPathfinder* TsAccess::Pathfinder()
{
    const TsLevel* level = CurrentLevel();
    return level ? level->GetPathfinder() : nullptr;
}

TsLevelCursor* TsAccess::LevelCursor()
{
    const TsLevel* level = CurrentLevel();
    return level ? level->GetLevelCursor() : nullptr;
}

TsEntityDB* TsAccess::EntityDB()
{
    const TsLevel* level = CurrentLevel();
    return level ? level->GetEntityDB() : nullptr;
}

TsPlayer* TsAccess::LocalPlayer()
{
    const TsMain* app = TsMain::Instance();
    return app ? app->GetLocalPlayer() : nullptr;
}

TsLevelInfo* TsAccess::LevelInfo()
{
    TsPlayer* player = LocalPlayer();
    return player ? &player->GetLevelInfo() : nullptr;
}

TsPCObject* TsAccess::CurrentCharacter()
{
    const TsPlayer* player = LocalPlayer();
    return player ? player->GetCurrentCharacter() : nullptr;
}

TsDiaryData* TsAccess::Diary()
{
    const TsPlayer* player = LocalPlayer();
    return player ? player->GetDiary() : nullptr;
}

TsOptions* TsAccess::Options()
{
    static TsOptions options;
    return &options;
}

TsLevel* TsAccess::CurrentLevel()
{
    const TsMain* app = TsMain::Instance();
    return app ? TsLevel::Cast(app->GetLevel()) : nullptr;
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

// The radar and the in-game menu belong to the current level.
TsRadar* TsAccess::Radar()
{
    const TsLevel* level = Level();
    return level ? level->GetRadar() : nullptr;
}

TsGameFrontEnd* TsAccess::GameFrontEnd()
{
    const TsLevel* level = Level();
    return level ? level->GetGameFrontEnd() : nullptr;
}

namespace {

TsTutorialDialog* Tutorial(const char* caller)
{
    TsGameFrontEnd* menu = TsAccess::GameFrontEnd();
    auto* tutorial = menu ? dynamic_cast<TsTutorialDialog*>(menu->GetTutorialScreen()) : nullptr;
    if (!tutorial) {
        LogErrorF("TsAccess::%s: there is no level, so no tutorial window", caller);
    }
    return tutorial;
}

} // namespace

void TsAccess::TutorialDialog()
{
    if (TsTutorialDialog* tutorial = Tutorial("TutorialDialog")) {
        TsGameFrontEnd* menu = GameFrontEnd();
        menu->SetActive(true, false);
        menu->PushWindow(tutorial, TsFrontEndBase::kScreen, false);
    }
}

void TsAccess::StartTutorialDialog(int count)
{
    if (TsTutorialDialog* tutorial = Tutorial("StartTutorialDialog")) {
        TsGameFrontEnd* menu = GameFrontEnd();
        menu->SetActive(true, false);
        tutorial->Clear(count);
        menu->PushWindow(tutorial, TsFrontEndBase::kScreen, false);
    }
}

void TsAccess::TutorialDialogAddFragment(int textId, int index)
{
    if (TsTutorialDialog* tutorial = Tutorial("TutorialDialogAddFragment")) {
        tutorial->AddFragment(textId, index);
    }
}

void TsAccess::SetTutorialDialogExitScript(const char* text)
{
    if (TsTutorialDialog* tutorial = Tutorial("SetTutorialDialogExitScript")) {
        tutorial->SetExitScript(text);
    }
}

lua_State* TsAccess::LuaState()
{
    return g_luaState;
}

void TsAccess::SetLuaState(lua_State* L)
{
    g_luaState = L;
}
