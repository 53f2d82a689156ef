// The accessors that reach into the level being played: its world, HUD,
// cut scene and menus, and the local player's state. They live with the
// level so that the application's services need know nothing of it.
#include "game/framework/TsAccess.h"

#include "game/framework/TsLog.h"
#include "game/framework/TsMain.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsPlayer.h"
#include "ui/TsGameFrontEnd.h"
#include "ui/TsInGameWindows.h"

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

TsLevel* TsAccess::CurrentLevel()
{
    const TsMain* app = TsMain::Instance();
    return app ? TsLevel::Cast(app->GetLevel()) : nullptr;
}

TsLevelState* TsAccess::LevelState()
{
    return CurrentLevel();
}

// The radar and the in-game menu belong to the current level.
TsRadar* TsAccess::Radar()
{
    const TsLevel* level = Level();
    return level ? level->GetRadar() : nullptr;
}

OmProfiler* TsAccess::LevelProfiler()
{
    TsLevel* level = CurrentLevel();
    return level ? &level->GetProfiler() : nullptr;
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
