// The level's life: construction, tear-down, its archive form and the
// operations scripts call. The play itself (Import, Initialise, Tick,
// Render) is in TsLevelPlay.cpp.
#include "game/level/TsLevel.h"

#include <cstdio>
#include <numbers>

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
#include "render/OmD3D.h"
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
    entityDB_ = OmMakeRef<TsEntityDB>();
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
        profiler_.AddSection(name);
    }
    narrowestFov_ = 10.0f * kDegrees;
    startFov_ = 35.0f * kDegrees;
    widestFov_ = 35.0f * kDegrees;
    playElevation_ = 30.0f * kDegrees;
    pathfinder_ = std::make_unique<TsPathfinder>();
    // The HUD borrows the radar, so the radar comes first.
    radar_ = std::make_unique<TsRadar>();
    hud_ = std::make_unique<TsHUDe>(radar_.get());
    levelCursor_ = std::make_unique<TsLevelCursor>();
    cursorQueries_ = std::make_unique<TsLevelCursorQueries>(*this);
    audioView_ = std::make_unique<TsLevelAudioView>(*this);
    cutScene_ = OmMakeRef<TsCutScene>();
    cutScene_->SetCamera(m_camera);
    cutScene_->SetSceneFraming(widestFov_, ElevationStep(0));
    conversation_ = OmMakeRef<TsConversation>();
    trade_ = OmMakeRef<TsTrade>();
    gameFrontEnd_ = OmMakeRef<TsGameFrontEnd>();
    gameFrontEnd_->SetLevel(this);
}

TsLevel::~TsLevel()
{
    ReleaseOwned();
}

void TsLevel::TakeWorld(TsWorld* world)
{
    if (world_ != world) {
        world_.AdoptNew(world);
    }
    pathfinder_->SetWorld(world);
}

// The cut scene and the world are the level's own; the entity database came
// from the archive when the level did, and a failed load takes it down itself.
void TsLevel::ReleaseOwned()
{
    cutScene_ = nullptr;
    if (radar_) {
        radar_->Release();
        radar_.reset();
    }
    // Neither is in the level's archive: they go with the level whatever
    // tears it down.
    gameFrontEnd_ = nullptr;
    trade_ = nullptr;
    cursorQueries_.reset();
    audioView_.reset();
    levelCursor_.reset();
    pathfinder_.reset();
    if (OmArchive::IsBeingTakenDown(*this)) {
        // A failed load takes down what it read; what the level made for
        // itself (the conversation, when the file's was never reached) is
        // the level's to release.
        LetGoWhileTakenDown(world_);
        LetGoWhileTakenDown(conversation_);
        LetGoWhileTakenDown(entityDB_);
        return;
    }
    world_ = nullptr;
    // The timers hold the level's objects (a fallen character waiting to
    // fade): they let go of them before the database takes them down. The
    // table is the played level's: a level nobody plays (one a script made,
    // one the shell replaced) leaves it to the level that is played.
    if (IsPlayedOrNoneIs(this))
        TsTimerTable::Instance().Clear();
    // The conversation holds its speakers: it lets go of them before the
    // database takes the characters down.
    conversation_ = nullptr;
    entityDB_ = nullptr;
}

float TsLevel::ElevationStep(int step)
{
    return step >= 0 && step < 3 ? kElevationSteps[step] : kElevationSteps[0];
}

bool TsLevel::GetDebugSwitch(int index) const
{
    return index >= 0 && index < kDebugSwitchCount && debugSwitches_[index] != 0;
}

void TsLevel::ToggleDebugSwitch(int index)
{
    if (index >= 0 && index < kDebugSwitchCount) {
        debugSwitches_[index] = debugSwitches_[index] ? 0 : 1;
    }
}

void TsLevel::DebugLevel()
{
    levelDebug_ = levelDebug_ ? 0 : 1;
    triggerDisplay_ = levelDebug_;
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
    TsTimerTable::Instance().Register(archive);
    TsProjectile::ForEachLive([&archive](TsProjectile& shot) { shot.Register(archive); });
    if (entityDB_) {
        entityDB_->Register(archive);
    }
    if (conversation_) {
        conversation_->Register(archive);
    }
    return true;
}

// The live projectiles are written with their count in front: a load must
// know how many references follow, whatever is live when it runs.
void TsLevel::Write(OmArchive& archive)
{
    TsGameMode::Write(archive);
    TsTimerTable::Instance().Write(archive);
    archive.WriteU32(TsProjectile::LiveCount());
    TsProjectile::ForEachLive([&archive](TsProjectile& shot) { archive.WriteObjectRef(&shot); });
    archive.WriteObjectRef(entityDB_);
    archive.WriteObjectRef(conversation_);
    archive.WriteBool(videoPlayed_ != 0);
    archive.WriteBool(conversationCamera_ != 0);
    archive.WriteBool(cursorMode_ != 0);
    archive.WriteBool(objectivesShown_ != 0);
    radar_->Write(archive);
}

void TsLevel::Read(OmArchive& archive)
{
    TsGameMode::Read(archive);
    TsTimerTable::Instance().Read(archive);
    archive.ReadU32(projectilesRead_);
    // The shots live in their pool; the references only bring them back.
    for (uint32_t i = 0; i < projectilesRead_ && !archive.HasFailed(); ++i) {
        TsProjectile* shot = nullptr;
        archive.ReadRef(shot);
    }
    archive.ReadRef(entityDB_);
    if (!archive.HasFailed() && !entityDB_) {
        archive.Fail("a level without an entity database");
    }
    TsConversation* conversation = nullptr;
    archive.ReadRef(conversation);
    if (!archive.HasFailed() && conversation) {
        conversation_.AdoptNew(conversation);
    }
    ReadByteFlag(archive, videoPlayed_);
    ReadByteFlag(archive, conversationCamera_);
    ReadByteFlag(archive, cursorMode_);
    ReadByteFlag(archive, objectivesShown_);
    radar_->Read(archive);
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
    if (!world_->ImportWorld(path, dynObjFolder, settings)) {
        return false;
    }
    world_->SetCloudParams(cloudA, cloudB);
    world_->SetImportFlag(importFlag);
    return true;
}

// The environment archive holds the world as its first root, with the
// materials and textures it draws with.
bool TsLevel::LoadWorld(const char* file)
{
    if (world_) {
        return true;
    }
    if (!file || !*file) {
        return false;
    }
    OmArchive archive(OmClassRegistry::Instance());
    if (OmD3D* renderer = OmD3D::Instance()) {
        archive.SetResourceOwner(&renderer->GetResourceOwner());
    }
    if (!archive.Load(plat::ResolvePath(file).c_str()) || archive.GetRootCount() == 0) {
        return false;
    }
    TsWorld* world = TsWorld::Cast(archive.GetRoot(0));
    if (!world) {
        LogErrorF("TsLevel::LoadWorld: the first object of \"%s\" is not a world", file);
        for (uint32_t i = 0; i < archive.GetRootCount(); ++i) {
            if (OmObject* root = archive.GetRoot(i)) {
                root->Release();
            }
        }
        return false;
    }
    TakeWorld(world);
    world_->CreateEffects();
    return true;
}

bool TsLevel::SaveWorld(const char* file)
{
    if (!world_ || !file || !*file) {
        LogError("TsLevel::SaveWorld: there is no world or no file name");
        return false;
    }
    OmArchive archive(OmClassRegistry::Instance());
    if (OmD3D* renderer = OmD3D::Instance()) {
        archive.SetResourceOwner(&renderer->GetResourceOwner());
    }
    archive.AddRoot(world_);
    return archive.SaveReplacing(file);
}

// The two names go to the world's AI-map builder as the script gave them.
bool TsLevel::MakeDetectionMap(const char* first, const char* second)
{
    if (!world_) {
        LogError("TsLevel::MakeDetectionMap: the level has no world");
        return false;
    }
    return world_->CreateAIMap(first, second);
}

// The cut scene, a running conversation and the HUD's two modal states (a
// question box waiting for its answer, the trade panel) hold the game out of
// its normal state.
bool TsLevel::GameIsInNormalState() const
{
    if (cutScene_->IsCutSceneActive() || (conversation_ && conversation_->HasConversationStarted())) {
        return false;
    }
    return !(hud_ && (hud_->IsDialogueOpen() || hud_->IsTradePanelVisible()));
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
    gameFrontEnd_->SetActive(on, true);
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
