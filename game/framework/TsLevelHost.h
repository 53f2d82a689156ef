// The level's face toward the application: what TsMain asks of the level
// that plays the game (building, saving, loading and adopting a level, the
// local player who plays it) and what TsAccess answers from it. The level
// lives layers above the application, so it implements this interface and
// registers its maker with TsMain (SetLevelHostFactory), as the modes
// register theirs; an application made without one runs its front end and
// tools, and refuses (logged) whatever needs a level.
//
// One host belongs to one application, which owns it and outlives it. The
// level itself is a mode, owned by the application; the host owns the local
// player.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct lua_State;
struct TsLevelInfo;
class OmProfiler;
class TsConversation;
class TsCutScene;
class TsDiaryData;
class TsEntityDB;
class TsGameFrontEnd;
class TsGameMode;
class TsHUDe;
class TsLevel;
class TsLevelCursor;
class TsLevelState;
class TsPathfinder;
class TsPCObject;
class TsPlayer;
class TsRadar;
class TsWorld;

class TsLevelHost {
public:
    virtual ~TsLevelHost() = default;

    // ---- the level's share of the game systems ----
    // Starts what every level uses (shock waves, explosions, shots and their
    // attributes) once the script state is open; false when the shots'
    // attributes cannot be read.
    virtual bool StartSystems() = 0;
    // Lets go of them, before the particle system they draw with goes.
    virtual void StopSystems() = 0;
    // The player and the timers let go of the level's objects while those
    // still live (the switch then frees every pool); the player is deleted.
    virtual void DropPlayerAndTimers() = 0;

    // ---- the local player ----
    // The player of the level being played or built (null without one).
    virtual TsPlayer* LocalPlayer() const = 0;
    // Deletes the local player, when the level it plays goes.
    virtual void DropPlayer() = 0;
    // Whether the level being played is the tutorial, which is left for
    // the title without the closing screen.
    virtual bool PlaysTutorial() const = 0;

    // ---- building, saving and loading ----
    // A new, empty level, for a tool to fill.
    virtual std::unique_ptr<TsGameMode> NewLevel() = 0;
    // Whether the level is inside its own script tick (it may not be
    // replaced then).
    virtual bool IsInScriptTick(const TsGameMode* level) const = 0;
    // The level stands: the camera follows the player, its film plays once,
    // its music starts and its objectives are shown.
    virtual void LevelStarted() = 0;
    // Writes the player and the current level under the player's next save
    // name; false (and the save name left as it was) when not written.
    virtual bool SaveGame() = 0;
    // Reads the named save and gives its level to the application (or
    // builds the next level around a carried-over player); false leaves
    // nothing half adopted to play.
    virtual bool LoadSavedLevel(const std::string& saveName) = 0;
    // Carries the player over to the next level through "player.tmp".
    virtual bool WritePlayerTemp() = 0;
    // Builds a new player into the level given (the application's current
    // level for the length of the call), has the script function fill them,
    // saves them and makes that save the next one to load. The player is
    // deleted again, and the one before restored.
    virtual bool BuildMission(TsGameMode& level, lua_State* L, const char* firstText, const char* function,
                              const char* secondText, int32_t saveNumber) = 0;

    // ---- what TsAccess answers (null outside a level) ----
    virtual TsLevel* Level() const = 0;
    virtual TsLevelState* LevelState() const = 0;
    virtual TsHUDe* HUDe() const = 0;
    virtual TsRadar* Radar() const = 0;
    virtual TsCutScene* CutScene() const = 0;
    virtual TsConversation* Conversation() const = 0;
    virtual TsWorld* World() const = 0;
    virtual TsPathfinder* Pathfinder() const = 0;
    virtual TsLevelCursor* LevelCursor() const = 0;
    virtual TsEntityDB* EntityDB() const = 0;
    virtual OmProfiler* LevelProfiler() const = 0;
    virtual TsGameFrontEnd* GameFrontEnd() const = 0;
    // The local player's level information, character and diary.
    virtual TsLevelInfo* LevelInfo() const = 0;
    virtual TsPCObject* CurrentCharacter() const = 0;
    virtual TsDiaryData* Diary() const = 0;
    // Flips one of the level's debug switches; false without a level.
    virtual bool ToggleDebugSwitch(int index) = 0;

    // The tutorial window of the in-game menu: shown (emptied first for
    // `count` fragments when `clear`), given a fragment, given the script
    // its closing runs. Without a level the call is logged, naming the
    // caller, and does nothing.
    virtual void ShowTutorial(const char* caller, bool clear, int count) = 0;
    virtual void AddTutorialFragment(const char* caller, int textId, int index) = 0;
    virtual void SetTutorialExitScript(const char* caller, const char* text) = 0;
};
