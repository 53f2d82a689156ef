// The static facade through which scripts and game code reach the game's
// single objects. An accessor whose object does not exist answers null and
// logs (once) what is missing, so a script sees nil instead of a crash.
#pragma once

#include "game/framework/TsGameTicks.h"

struct lua_State;
class TsGameMode;
class TsLevel;
class TsFrontEnd;
class TsCutScene;
class TsEntityDB;
class TsWorld;
class TsPathfinder;
class TsHUDe;
class TsRadar;
class TsConversation;
class TsCamera;
class TsAnimationDB;
class TsInput;
class TsAudio;
class TsPlayer;
struct TsLevelInfo;
class TsEntity;
class TsPCObject;
class TsOptions;
class TsDiaryData;
class TsDialogStrings;
class TsLevelCursor;
class TsLevelState;
class TsGameFrontEnd;
class OmProfiler;

class TsAccess {
public:
    static TsGameMode* Mode();
    static TsLevel* Level();
    static TsFrontEnd* FrontEnd();
    // Set by the title front end for its lifetime.
    static void SetFrontEnd(TsFrontEnd* frontEnd);
    static TsCutScene* CutScene();
    static TsEntityDB* EntityDB();
    static TsWorld* World();
    static TsPathfinder* Pathfinder();
    static TsHUDe* HUDe();
    static TsRadar* Radar();
    static TsConversation* Conversation();
    static TsCamera* CameraHelper();
    static TsAnimationDB* AnimDB();
    static TsInput* Input();
    static TsAudio* Audio();
    static TsPlayer* LocalPlayer();
    static TsLevelInfo* LevelInfo();
    // The character the player controls; none without a player or squad.
    static TsPCObject* CurrentCharacter();
    static TsOptions* Options();
    static TsDiaryData* Diary();
    static TsDialogStrings* DialogStrings();
    static TsLevelCursor* LevelCursor();
    static TsGameFrontEnd* GameFrontEnd();
    // The current level's section timer (null outside a level).
    static OmProfiler* LevelProfiler();

    // The level while one is being played (null otherwise), without logging:
    // for code that asks whether a level exists.
    static TsLevel* CurrentLevel();
    // The same level as its objects, HUD and cut scene see it (null
    // outside a level, without logging).
    static TsLevelState* LevelState();

    static int ScreenWidth();
    static int ScreenHeight();
    static int TicksPerSecond() { return TsGameTicks::kPerSecond; }
    static float TickDuration() { return TsGameTicks::kSeconds; }
    static float FrameDelta();
    static int TickCount();
    static float GameTime();

    static const char* GetDialogDisplayString(int id);

    // The movie played when the game exits; an empty or null text clears it.
    static const char* GetExitMovie();
    static void SetExitMovie(const char* name);

    static void TutorialDialog();
    static void StartTutorialDialog(int count);
    static void TutorialDialogAddFragment(int textId, int index);
    static void SetTutorialDialogExitScript(const char* text);

    // The application's script state, set by the application when it opens one.
    static lua_State* LuaState();
    static void SetLuaState(lua_State* L);
};
