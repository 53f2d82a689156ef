// The level's life: construction, tear-down, its archive form and the
// operations scripts call. The play itself (Import, Initialise, Tick,
// Render) is in TsLevelPlay.cpp.
#include "game/level/TsLevel.h"

#include <cstdio>
#include <numbers>
#include <vector>

#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "engine/OmRef.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsCutScene.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsMain.h"
#include "game/level/TsLevelAudioView.h"
#include "game/level/TsLevelCursorQueries.h"
#include "game/objects/TsConversation.h"
#include "game/objects/TsLevelCursor.h"
#include "game/objects/TsPathfinder.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsProjectile.h"
#include "game/objects/TsTimerTable.h"
#include "game/world/TsWorld.h"
#include "game/world/TsWorldCell.h"
#include "platform/FilePath.h"
#include "ui/TsGameFrontEnd.h"
#include "ui/TsHUDe.h"
#include "ui/TsRadar.h"
#include "ui/TsTrade.h"

OM_IMPLEMENT_CLASS(TsLevel, TsGameMode)

namespace {

constexpr float kDegrees = std::numbers::pi_v<float> / 180.0f;
constexpr float kElevationSteps[3] = {30.0f * kDegrees, 50.0f * kDegrees, 85.0f * kDegrees};

template <class T>
void LetGoWhileTakenDown(OmRef<T>& held)
{
    if (held && OmArchive::IsBeingTakenDown(*held))
        held.Detach();
    else
        held = nullptr;
}

bool IsPlayedOrNoneIs(const TsLevel* level)
{
    const TsMain* app = TsMain::Instance();
    const TsGameMode* played = app ? app->GetLevel() : nullptr;
    return !played || played == level;
}

void ReadByteFlag(OmArchive& archive, uint8_t& flag)
{
    uint32_t word = 0;
    archive.ReadU32(word);
    flag = word != 0 ? 1 : 0;
}

} // namespace

TsGameMode* TsLevel::Make()
{
    return new TsLevel;
}

TsLevel::TsLevel()
{
    CreateMembers();
    m_entityDB = OmMakeRef<TsEntityDB>();
}

TsLevel::TsLevel(OmArchive& archive) : TsGameMode(archive)
{
    CreateMembers();
}

void TsLevel::CreateMembers()
{
    static const char* const kSections[TS_PROFILE_LEVEL_SECTION_COUNT] = {
        "Line of Sight", "AStar",     "AStar CreatePath", "UI process", "LuaTick",
        "Active List Tick", "Character Avoidance", "Particles", "Raycasting"};
    for (const char* name : kSections) {
        m_profiler.AddSection(name);
    }
    m_narrowestFov = 10.0f * kDegrees;
    m_startFov = 35.0f * kDegrees;
    m_widestFov = 35.0f * kDegrees;
    m_playElevation = 30.0f * kDegrees;
    m_pathfinder = std::make_unique<TsPathfinder>();
    // The HUD borrows the radar, so the radar comes first.
    m_radar = std::make_unique<TsRadar>();
    m_hud = std::make_unique<TsHUDe>(m_radar.get());
    m_levelCursor = std::make_unique<TsLevelCursor>();
    m_cursorQueries = std::make_unique<TsLevelCursorQueries>(*this);
    m_audioView = std::make_unique<TsLevelAudioView>(*this);
    m_cutScene = OmMakeRef<TsCutScene>();
    m_cutScene->SetCamera(m_camera);
    m_cutScene->SetSceneFraming(m_widestFov, ElevationStep(0));
    m_conversation = OmMakeRef<TsConversation>();
    m_trade = OmMakeRef<TsTrade>();
    m_gameFrontEnd = OmMakeRef<TsGameFrontEnd>();
    m_gameFrontEnd->SetLevel(this);
}

TsLevel::~TsLevel()
{
    ReleaseOwned();
}

void TsLevel::TakeWorld(TsWorld* world)
{
    if (m_world != world) {
        if (m_world) {
            m_world->LeaveGround();
        }
        m_world.AdoptNew(world);
    }
    m_pathfinder->SetWorld(world);
    // The entities stand on the played level's world; a level nobody plays
    // (one a script made beside it) leaves the ground to that one.
    if (IsPlayedOrNoneIs(this)) {
        GroundEntities();
    }
}

void TsLevel::GroundEntities()
{
    if (m_world) {
        m_world->BecomeGround();
    }
}

// The cut scene and the world are the level's own; the entity database came
// from the archive when the level did, and a failed load takes it down itself.
void TsLevel::ReleaseOwned()
{
    m_cutScene = nullptr;
    if (m_radar) {
        m_radar->Release();
        m_radar.reset();
    }
    // Neither is in the level's archive: they go with the level whatever
    // tears it down.
    m_gameFrontEnd = nullptr;
    m_trade = nullptr;
    m_cursorQueries.reset();
    m_audioView.reset();
    m_levelCursor.reset();
    m_pathfinder.reset();
    // A script may keep the world after its level goes: the entities no
    // longer stand on it.
    if (m_world) {
        m_world->LeaveGround();
    }
    if (OmArchive::IsBeingTakenDown(*this)) {
        // A failed load takes down what it read; what the level made for
        // itself (the conversation, when the file's was never reached) is
        // the level's to release.
        LetGoWhileTakenDown(m_world);
        LetGoWhileTakenDown(m_conversation);
        LetGoWhileTakenDown(m_entityDB);
        if (m_readTimers) {
            m_readTimers->Abandon(); // their objects are taken down too
        }
        return;
    }
    m_world = nullptr;
    // The timers hold the level's objects (a fallen character waiting to
    // fade): they let go of them before the database takes them down. The
    // table is the played level's: a level nobody plays (one a script made,
    // one the shell replaced) leaves it to the level that is played.
    if (IsPlayedOrNoneIs(this))
        TsTimerTable::Instance().Clear();
    if (m_readTimers) {
        m_readTimers->Clear();
    }
    // The conversation holds its speakers: it lets go of them before the
    // database takes the characters down.
    m_conversation = nullptr;
    m_entityDB = nullptr;
}

float TsLevel::ElevationStep(int step)
{
    return step >= 0 && step < 3 ? kElevationSteps[step] : kElevationSteps[0];
}

bool TsLevel::GetDebugSwitch(int index) const
{
    return index >= 0 && index < kDebugSwitchCount && m_debugSwitches[index] != 0;
}

void TsLevel::ToggleDebugSwitch(int index)
{
    if (index >= 0 && index < kDebugSwitchCount) {
        m_debugSwitches[index] = m_debugSwitches[index] ? 0 : 1;
    }
}

void TsLevel::DebugLevel()
{
    m_levelDebug = m_levelDebug ? 0 : 1;
    m_triggerDisplay = m_levelDebug;
}

bool TsLevel::IsInUse() const
{
    const TsMain* app = TsMain::Instance();
    return app && (app->GetMode() == this || app->GetLevel() == this);
}

// ---- archive --------------------------------------------------------------

bool TsLevel::Register(OmArchive& archive)
{
    if (!TsGameMode::Register(archive)) {
        return false;
    }
    Timers().Register(archive);
    TsProjectile::ForEachLive([&archive](TsProjectile& shot) { shot.Register(archive); });
    if (m_entityDB) {
        m_entityDB->Register(archive);
    }
    if (m_conversation) {
        m_conversation->Register(archive);
    }
    return true;
}

TsTimerTable& TsLevel::Timers()
{
    return m_readTimers ? *m_readTimers : TsTimerTable::Instance();
}

void TsLevel::InstallReadTimers()
{
    if (m_readTimers) {
        TsTimerTable::Instance().TakeOver(*m_readTimers);
        m_readTimers.reset();
    }
}

// The live projectiles are written with their count in front: a load must
// know how many references follow, whatever is live when it runs. The count
// is that of the references written, not the pool's: a cell the walk passes
// by (a shot a damaged file left counted 0) would shift every field after.
void TsLevel::Write(OmArchive& archive)
{
    TsGameMode::Write(archive);
    Timers().Write(archive);
    std::vector<const TsProjectile*> shots;
    TsProjectile::ForEachLive([&shots](const TsProjectile& shot) { shots.push_back(&shot); });
    archive.WriteU32(uint32_t(shots.size()));
    for (const TsProjectile* shot : shots) {
        archive.WriteObjectRef(shot);
    }
    archive.WriteObjectRef(m_entityDB);
    archive.WriteObjectRef(m_conversation);
    archive.WriteBool(m_videoPlayed != 0);
    archive.WriteBool(m_conversationCamera != 0);
    archive.WriteBool(m_cursorMode != 0);
    archive.WriteBool(m_objectivesShown != 0);
    m_radar->Write(archive);
}

void TsLevel::Read(OmArchive& archive)
{
    TsGameMode::Read(archive);
    // Kept with the level until it is played: reading them into the
    // program's table would drop the timers that run now.
    m_readTimers = std::make_unique<TsTimerTable>();
    m_readTimers->Read(archive);
    archive.ReadU32(m_projectilesRead);
    // The shots live in their pool, each holding itself: the references
    // name that hold, which the shot's count must cover.
    for (uint32_t i = 0; i < m_projectilesRead && !archive.HasFailed(); ++i) {
        TsProjectile* shot = nullptr;
        archive.ReadHeldRef(shot);
    }
    archive.ReadRef(m_entityDB);
    if (!archive.HasFailed() && !m_entityDB) {
        archive.Fail("a level without an entity database");
    }
    TsConversation* conversation = nullptr;
    archive.ReadHeldRef(conversation);
    if (!archive.HasFailed() && conversation) {
        m_conversation.AdoptNew(conversation);
    }
    ReadByteFlag(archive, m_videoPlayed);
    ReadByteFlag(archive, m_conversationCamera);
    ReadByteFlag(archive, m_cursorMode);
    ReadByteFlag(archive, m_objectivesShown);
    m_radar->Read(archive);
}

// ---- script operations ----------------------------------------------------

// A developer tool: the level's world made from a scene file (cell edge
// and vertex colours for the importer, then the cloud values and the
// import flag kept in the world).
bool TsLevel::ImportWorld(const char* path, const char* dynObjFolder, float cellEdge, bool vertexColours,
                          float cloudA, float cloudB, bool importFlag)
{
    TakeWorld(new TsWorld); // holding the reference it is made with
    const TsWorldImportSettings settings{.cellEdge = cellEdge, .vertexColours = vertexColours};
    if (!m_world->ImportWorld(path, dynObjFolder, settings)) {
        return false;
    }
    m_world->SetCloudParams(cloudA, cloudB);
    m_world->SetImportFlag(importFlag);
    return true;
}

// The environment archive holds the world as its first root, with the
// materials and textures it draws with.
bool TsLevel::LoadWorld(const char* file)
{
    if (m_world) {
        return true;
    }
    if (!file || !*file) {
        return false;
    }
    TsWorld* world = TsWorld::LoadWorld(plat::ResolvePath(file).c_str());
    if (!world) {
        return false;
    }
    TakeWorld(world);
    m_world->CreateEffects();
    return true;
}

bool TsLevel::SaveWorld(const char* file)
{
    if (!m_world || !file || !*file) {
        LogError("TsLevel::SaveWorld: there is no world or no file name");
        return false;
    }
    return m_world->SaveWorld(file);
}

// The two names go to the world's AI-map builder as the script gave them.
bool TsLevel::MakeDetectionMap(const char* first, const char* second)
{
    if (!m_world) {
        LogError("TsLevel::MakeDetectionMap: the level has no world");
        return false;
    }
    return m_world->CreateAIMap(first, second);
}

// The cut scene, a running conversation and the HUD's two modal states (a
// question box waiting for its answer, the trade panel) hold the game out of
// its normal state.
bool TsLevel::GameIsInNormalState() const
{
    if (m_cutScene->IsCutSceneActive() || (m_conversation && m_conversation->HasConversationStarted())) {
        return false;
    }
    return !(m_hud && (m_hud->IsDialogueOpen() || m_hud->IsTradePanelVisible()));
}

void TsLevel::Pause(bool paused)
{
    SetPaused(paused);
    if (paused) {
        if (TsAudio* audio = TsAccess::Audio()) {
            audio->StopAllVoices();
        }
    }
}

void TsLevel::ActivateIngameFrontEnd(bool on)
{
    m_gameFrontEnd->SetActive(on, true);
}

void TsLevel::BeginConvert()
{
    if (TsMain* app = TsMain::Instance()) {
        app->BeginConvert(this);
    }
}

void TsLevel::EndConvert()
{
    if (TsMain* app = TsMain::Instance()) {
        app->EndConvert(this);
    }
}
