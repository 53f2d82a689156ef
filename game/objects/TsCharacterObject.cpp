#include "game/objects/TsCharacterObject.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <strings.h>
#include <string>
#include <utility>

#include "engine/OmArchive.h"
#include "engine/OmBaseSkinMesh.h"
#include "engine/OmClass.h"
#include "engine/OmFastAlloc.h"
#include "engine/OmGroup.h"
#include "engine/OmMath.h"
#include "engine/OmMorphMesh.h"
#include "engine/OmMorphShape.h"
#include "engine/OmRand.h"
#include "engine/OmRef.h"
#include "engine/OmRenderer.h"
#include "engine/OmSceneImporter.h"
#include "engine/OmSkinMesh.h"
#include "engine/OmSkinShape.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAnimationDB.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsCutScene.h"
#include "game/framework/TsGameTicks.h"
#include "game/framework/TsLevelInfo.h"
#include "game/framework/TsLevelState.h"
#include "game/framework/TsLog.h"
#include "game/objects/TsArticleOffer.h"
#include "game/objects/TsConversation.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsItemObject.h"
#include "game/objects/TsSquadObject.h"
#include "game/objects/TsTeam.h"
#include "game/objects/TsTimerTable.h"
#include "game/objects/TsWeaponObject.h"
#include "platform/FilePath.h"

#include <filesystem>

OM_IMPLEMENT_ABSTRACT_CLASS(TsCharacterObject, TsModel)

namespace {

constexpr const char* kCharacterFolder = "data\\characters\\";
constexpr const char* kHudFolder = "data\\HUD\\";
constexpr float kModelScale = 0.1f;   // model files are in tenths of a unit
constexpr int32_t kMaxInfluences = 4; // bones per skinned vertex
constexpr uint32_t kModelRenderFlags = 0x4C;

// The model's folder below the characters' folder: the model file's name
// without its extension ("brusk.pbf" lives in "brusk\").
std::string ModelFolder(const char* mdl)
{
    std::string name(mdl);
    const size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        return name.substr(0, slash);
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

constexpr const char* kTongueModel = "brusk";
constexpr const char* kTongueFile = "data\\items\\brusk_tongue.PBF";
constexpr const char* kTongueTextures = "data\\items\\textures\\";

std::string ModelFile(const char* mdl)
{
    std::string name(mdl);
    const size_t slash = name.find_last_of("\\/");
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

// Order does not matter to the lists this serves.
template <class T>
void EraseAt(OmArray<T>& array, uint32_t i)
{
    array[i] = array[array.GetCount() - 1];
    array.Resize(array.GetCount() - 1);
}

OmSkinShape* FindSkinShape(OmNode* node)
{
    if (!node)
        return nullptr;
    if (node->IsKindOf(&OmSkinShape::s_class))
        return static_cast<OmSkinShape*>(node);
    if (node->IsKindOf(&OmGroup::s_class)) {
        auto* group = static_cast<OmGroup*>(node);
        for (int32_t i = 0; i < group->GetChildCount(); ++i)
            if (OmSkinShape* found = FindSkinShape(group->GetChild(uint32_t(i))))
                return found;
    }
    return nullptr;
}

} // namespace

TsCharacterObject::TsCharacterObject()
{
    SetFlag(TS_ENTITY_TARGETABLE | TS_ENTITY_DISTANCE_LIMITED);
    m_inventory = OmMakeRef<TsInventory>(this);
    // What the character fights with while its hands are empty: a short
    // blow in a wide cone.
    m_innateAttack = OmMakeRef<TsWeaponObject>();
    m_innateAttack->SetOwner(this);
    m_innateAttack->SetBimodal(false);
    m_innateAttack->SetMode(false);
    TsWeaponAttributes& innate = m_innateAttack->Attributes(false);
    innate.weaponType = TS_WEAPON_MELEE;
    innate.equipType = TS_EQUIP_BAREHANDED;
    innate.matterType = TS_MATTER_PHYSICAL;
    innate.ammoType = 0;
    innate.ammoPerShot = 0;
    innate.efficiency = 10.0f;
    innate.range = 2.0f;
    innate.autoAimRange = 5.0f;
    innate.spread = 90.0f; // degrees: a quarter turn
    innate.reload = 1.2f;
    innate.stun = 0.0f;
    innate.projectileId = 0;
}

TsCharacterObject::TsCharacterObject(OmArchive& archive) : TsModel(archive)
{
}

TsCharacterObject::~TsCharacterObject()
{
    // The inventory lets go of its articles without reaching back into a
    // character that is going.
    if (m_inventory) {
        m_inventory->SetOwner(nullptr);
        m_inventory = nullptr;
    }
    m_innateAttack = nullptr;
    if (OmSkinShape* shape = FindSkinShape(m_model)) {
        for (uint32_t i = shape->GetAttachmentCount(); i-- > 0;)
            shape->DetachAttachmentAt(i);
    }
    m_tongue.Release();
    m_modelInstance = nullptr;
}

// ---- set-up --------------------------------------------------------------

void TsCharacterObject::SetRunSpeed(float speed)
{
    m_runSpeed = speed;
    m_runToAttack = 1;
}

bool TsCharacterObject::Import()
{
    if ((m_inventory && !m_inventory->Import()) || (m_innateAttack && !m_innateAttack->Import()))
        return false;
    bool ok = LoadModel(kCharacterFolder);
    if (!LoadSprite(kHudFolder))
        ok = false;
    if (!m_initialArticle.IsEmpty() && !AddInitialArticle()) {
        LogErrorF("Not able to add article %s to inventory of NPC %s", m_initialArticle.Get(),
                  NameOrEmpty());
        ok = false;
    }
    return ok;
}

// The initial article is made from the item template of its name.
bool TsCharacterObject::AddInitialArticle()
{
    if (!m_inventory)
        return false;
    auto item = OmMakeRef<TsItemObject>();
    item->SetTemplate(m_initialArticle.Get());
    if (!item->RunTemplate() || !item->Import())
        return false;
    TsItemObject* made = item;
    OmRef<TsCollectibleObject> offered(std::move(item));
    const bool added = TsOfferArticle(*m_inventory, offered) > 0;
    if (added && m_inventory->Holds(made))
        m_inventory->EquipArticle(made);
    return added;
}

bool TsCharacterObject::Initialise()
{
    if (TsAnimationDB* db = TsAccess::AnimDB(); db && m_animationClass >= 0)
        db->MarkForLoading(m_animationClass);
    bool ok = LoadModel(kCharacterFolder);
    LoadSprite(kHudFolder);
    m_modelInstance = FindSkinShape(m_model);
    if (m_innateAttack && !m_innateAttack->Initialise())
        ok = false;
    if (m_attackBone >= 0 && m_modelInstance) {
        auto* shape = static_cast<OmSkinShape*>(m_modelInstance);
        if (!shape->AttachNodeToBone(m_attackBone))
            LogErrorF("TsCharacterObject: %s has no attack bone %d", NameOrEmpty(), m_attackBone);
    }
    // After the attack node is made: the equipped article goes into the hand.
    if (m_inventory && !m_inventory->Initialise())
        ok = false;
    if (TsAudio* audio = TsAccess::Audio()) {
        for (int32_t sound : m_sounds)
            if (sound >= 0 && sound <= kMaxSoundId)
                audio->FlagSoundForLoading(SoundId(sound));
    }
    m_targets.SetBasePoint(m_position);
    // A route, its track and the neighbour list start with room for a
    // grow step each, so that the first chase of a fight allocates nothing.
    m_route.Reserve();
    m_neighbours.Reserve();
    return ok;
}

bool TsCharacterObject::LoadModel(const char*)
{
    if (m_mdl.IsEmpty() || m_model)
        return true;
    if (!plat::FolderExists(kCharacterFolder)) {
        LogErrorF("Couldn't open main character dir (%s)", kCharacterFolder);
        return false;
    }
    const std::string folder = std::string(kCharacterFolder) + ModelFolder(m_mdl.Get()) + "\\";
    if (!plat::FolderExists(folder)) {
        LogErrorF("Couldn't open character dir (%s)", folder.c_str());
        return false;
    }
    // Full paths: the working folder is never changed to find a model.
    const std::string path = plat::ResolvePath(folder + ModelFile(m_mdl.Get()));
    const std::string bones = plat::ResolvePath(folder + "bones.txt");
    // A skinned figure's folder holds its bones; one without them holds a
    // morph figure, whose model's meshes are its frames.
    if (std::error_code error; !std::filesystem::exists(bones, error))
        return LoadMorphFigure(folder, path);
    if (!BorrowSkinMesh() && !LoadSkinnedFigure(folder, path, bones))
        return false;
    // Each tongue-striker has its own tongue for its own bone, whether its
    // mesh was loaded or lent.
    if (strcasecmp(ModelFolder(m_mdl.Get()).c_str(), kTongueModel) == 0)
        LoadTongue();
    return true;
}

// Another character with the same file lends its mesh: each character
// needs a shape of its own to play its own animation.
bool TsCharacterObject::BorrowSkinMesh()
{
    const int32_t classId = GetClassId();
    OmFastAlloc* pool = classId >= 0 ? OmClassRegistry::Instance().GetPool(classId) : nullptr;
    if (!pool)
        return false;
    OmFastAllocIterator it;
    pool->BeginIteration(it);
    while (void* cell = pool->NextLiveObject(it)) {
        auto* other = static_cast<TsCharacterObject*>(static_cast<OmObject*>(cell));
        OmSkinShape* shape = other == this ? nullptr : FindSkinShape(other->m_model);
        if (!shape || !shape->GetGeometry() || std::strcmp(other->m_mdl.Get(), m_mdl.Get()) != 0)
            continue;
        const auto copy = OmMakeRef<OmSkinShape>();
        copy->SetGeometry(shape->GetGeometry());
        SetModel(copy);
        return true;
    }
    return false;
}

bool TsCharacterObject::LoadSkinnedFigure(const std::string& folder, const std::string& path, const std::string& bones)
{
    OmSceneImporter importer;
    importer.SetTextureDirectory(plat::ResolvePath(folder + "Textures\\").c_str());
    const auto mesh =
        OmRef<OmSkinMesh>::Adopt(importer.LoadSkinned(path.c_str(), kModelScale, kMaxInfluences, false, bones.c_str()));
    if (!mesh) {
        LogErrorF("error loading model for character %s: %s", NameOrEmpty(), path.c_str());
        return false;
    }
    const auto shape = OmMakeRef<OmSkinShape>();
    if (OmRenderer* renderer = OmRenderer::Current()) {
        // Drawn through the renderer's skinned mesh, which takes the pose
        // on every draw.
        const auto renderMesh = OmRef<OmBaseSkinMesh>::Adopt(renderer->CreateSkinMesh());
        if (renderMesh && mesh->ConvertForRenderer(*renderer, kModelRenderFlags, *renderMesh)) {
            shape->SetGeometry(renderMesh);
        } else {
            LogErrorF("TsCharacterObject: the figure of %s could not be made for the renderer; it is not drawn",
                      NameOrEmpty());
            shape->SetGeometry(mesh);
        }
    } else {
        static bool reported = false;
        LogErrorOnce(reported, "TsCharacterObject: characters are loaded without render meshes: there is no renderer");
        shape->SetGeometry(mesh);
    }
    SetModel(shape);
    return true;
}

// A morph figure plays its frames round and round, from its first, at the
// morph shape's own thirty a second; it stands in a group of its own, as
// scene files do, which makes its render mesh.
bool TsCharacterObject::LoadMorphFigure(const std::string& folder, const std::string& path)
{
    OmSceneImporter importer;
    importer.SetTextureDirectory(plat::ResolvePath(folder + "Textures\\").c_str());
    const auto mesh = OmRef<OmMorphMesh>::Adopt(importer.LoadMorphModel(path.c_str(), kModelScale));
    if (!mesh) {
        LogErrorF("error loading model for character %s: %s", NameOrEmpty(), path.c_str());
        return false;
    }
    const auto shape = OmMakeRef<OmMorphShape>();
    shape->SetGeometry(mesh);
    const auto figure = OmMakeRef<OmGroup>();
    figure->AddChild(shape);
    OmRenderer* renderer = OmRenderer::Current();
    if (renderer && !CreateRenderMeshes(figure, *renderer, kModelRenderFlags))
        LogErrorF("TsCharacterObject: the figure of %s could not be made for the renderer; it is not drawn",
                  NameOrEmpty());
    shape->PlayAnimation(0, OM_PLAY_LOOP);
    SetModel(figure);
    return true;
}

// The one figure with a tongue strike carries its tongue as a timed
// attachment, shown on its bone 1 for a moment at each strike.
void TsCharacterObject::LoadTongue()
{
    const std::string path = plat::ResolvePath(kTongueFile);
    const std::string textures = plat::ResolvePath(kTongueTextures);
    OmGroup* tongue = TsModel::LoadScene(path.c_str(), textures.c_str());
    if (!tongue) {
        LogErrorF("error loading the tongue attachment for character %s: %s", NameOrEmpty(),
                  path.c_str());
        return;
    }
    m_tongue.Adopt(tongue);
}

// ---- saving ---------------------------------------------------------------

bool TsCharacterObject::Register(OmArchive& archive)
{
    if (!TsModel::Register(archive))
        return false;
    for (OmObject* owned : {InventoryObject(), InnateAttackObject(), SquadObject()})
        if (owned)
            owned->Register(archive);
    TsEntity* lastAttacker = m_targets.GetLastAttacker();
    for (TsEntity* entity : {m_targets.GetFirst(), m_targets.GetLocked(), m_targets.GetAssigned(), lastAttacker})
        if (entity)
            entity->Register(archive);
    return true;
}

OmObject* TsCharacterObject::InventoryObject() const
{
    return m_inventory;
}

OmObject* TsCharacterObject::InnateAttackObject() const
{
    return m_innateAttack;
}

OmObject* TsCharacterObject::SquadObject() const
{
    return m_squad;
}

void TsCharacterObject::Write(OmArchive& archive)
{
    TsModel::Write(archive);
    archive.WriteObjectRef(InventoryObject());
    archive.WriteI32(m_displayRaceId).WriteFloat(m_walkSpeed).WriteFloat(m_runSpeed);
    archive.WriteU32(m_runToAttack).WriteFloat(m_floatWord).WriteFloat(m_attentionRange);
    m_vitals.Write(archive);
    for (float defence : m_defences)
        archive.WriteFloat(defence);
    archive.WriteFloat(m_offenceSkill).WriteI32(m_skill);
    archive.WriteObjectRef(InnateAttackObject());
    archive.WriteI32(m_lifeState).WriteU32(m_action.IsRunning() ? 1 : 0).WriteU32(m_actionByte).WriteU32(m_aiming);
    archive.WriteI32(m_options).WriteFloat(m_fade);
    m_route.WriteKeys(archive);
    m_targets.Write(archive);
    m_counters.WriteRhythm(archive);
    m_waist.Write(archive);
    archive.WriteFloat(m_maxTurnRate);
    archive.WriteI32(m_attackRequested);
    m_action.Write(archive);
    archive.WriteU32(m_spareByte);
    m_counters.WriteWaits(archive);
    archive.WriteI32(m_route.GetBeaconIndex());
    archive.WriteI32(m_attackBone).WriteI32(m_limits[0]).WriteI32(m_limits[1]).WriteI32(m_animationClass);
    m_route.WriteTrack(archive);
    archive.WriteI32(m_squadIndex).WriteObjectRef(SquadObject());
    for (int32_t sound : m_sounds)
        archive.WriteI32(sound);
}

namespace {

uint8_t ReadByte(OmArchive& archive)
{
    uint32_t value = 0;
    archive.ReadU32(value);
    return value != 0 ? 1 : 0;
}

} // namespace

void TsCharacterObject::Read(OmArchive& archive)
{
    TsModel::Read(archive);
    archive.ReadRef(m_inventory);
    archive.ReadI32(m_displayRaceId).ReadFloat(m_walkSpeed).ReadFloat(m_runSpeed);
    m_runToAttack = ReadByte(archive);
    archive.ReadFloat(m_floatWord).ReadFloat(m_attentionRange);
    m_vitals.Read(archive);
    for (float& defence : m_defences)
        archive.ReadFloat(defence);
    archive.ReadFloat(m_offenceSkill).ReadI32(m_skill);
    archive.ReadRef(m_innateAttack);
    archive.ReadI32(m_lifeState);
    m_action.SetRunning(ReadByte(archive) != 0);
    m_actionByte = ReadByte(archive);
    m_aiming = ReadByte(archive);
    archive.ReadI32(m_options).ReadFloat(m_fade);
    m_route.ReadKeys(archive);
    m_targets.Read(archive);
    m_counters.ReadRhythm(archive);
    m_waist.Read(archive);
    archive.ReadFloat(m_maxTurnRate);
    archive.ReadI32(m_attackRequested);
    m_action.Read(archive);
    m_spareByte = ReadByte(archive);
    int32_t beaconIndex = 0;
    m_counters.ReadWaits(archive);
    archive.ReadI32(beaconIndex);
    m_route.SetBeaconIndex(beaconIndex);
    archive.ReadI32(m_attackBone).ReadI32(m_limits[0]).ReadI32(m_limits[1]).ReadI32(m_animationClass);
    m_route.ReadTrack(archive);
    archive.ReadI32(m_squadIndex);
    archive.ReadRef(m_squad);
    // The squad's reference, which the saved count leaves out.
    if (m_squad)
        AddRef();
    for (int32_t& sound : m_sounds)
        archive.ReadI32(sound);
    // A damaged file must not leave a state the tick cannot handle.
    if (m_lifeState < kImmune || m_lifeState > kFading)
        archive.Fail("a character's life state is out of range");
}

uint32_t TsCharacterObject::RetakenReferences() const
{
    return TsModel::RetakenReferences() + (m_squad && m_squad->HasMember(this) ? 1 : 0);
}

bool TsCharacterObject::LinksAreSound() const
{
    return TsModel::LinksAreSound() && (!m_squad || m_squad->HasMember(this));
}

// ---- health, vitality, stun ---------------------------------------------------

float TsCharacterObject::IncrementVitality(float delta)
{
    if (m_vitals.AddVitality(delta))
        Die();
    return m_vitals.GetVitality();
}

float TsCharacterObject::IncrementHealth(float delta)
{
    if (m_vitals.AddHealth(delta))
        Die();
    return m_vitals.GetHealth();
}

void TsCharacterObject::Stun(float seconds)
{
    if (HasFlag(TS_ENTITY_DEAD))
        return;
    if (m_lifeState != kStunned) {
        StopMoving();
        m_action.Fall();
    }
    m_lifeState = kStunned;
    m_counters.Stun(TsGameTicks::FromSeconds(seconds));
}

void TsCharacterObject::Die()
{
    DieAndReport();
}

int32_t TsCharacterObject::DieAndReport()
{
    SetFlag(TS_ENTITY_DEAD);
    if (m_lifeState >= kDead)
        return kDead;
    m_lifeState = kDead;
    if (m_innateAttack && m_innateAttack->IsBimodal()) {
        // A creature that bursts when it dies: its second blow is launched
        // from the middle of its body whatever kind of weapon the block
        // names (a sweep would land after the creature is gone), and it is
        // gone at once.
        m_innateAttack->SetMode(true);
        m_innateAttack->SetReloadCountdown(0);
        const OmVector3 centre = m_position + OmVector3(0.0f, 0.5f * m_height, 0.0f);
        m_innateAttack->FireAt(centre, OmVector3(0.0f, 1.0f, 0.0f), nullptr);
        SetFlag(TS_ENTITY_PENDING_DELETE);
        // As the fade's timer holds a falling body, this one holds the
        // burst creature to the next tick: the squad's reference, given
        // back below, may be its last, and whoever killed it (and this
        // call) still reads it.
        TsTimerTable::Instance().AddTimer(this, 0.0f, 1, kLastTickTimerKind);
    } else {
        TsTimerTable::Instance().AddTimer(this, 2.0f, 1, kFadeTimerKind);
    }
    // A continuous weapon firing as its wielder falls is not ticked into
    // silence by a character that is never ticked again.
    if (TsWeaponObject* attack = GetCurrentAttack())
        attack->StopLoop();
    PlaySoundSlot(TS_CHARSOUND_DEATH, m_position);
    m_height = 0.1f;
    StopMoving();
    m_action.Fall();
    m_counters.SetBusyTicks(-1);
    if (m_squad)
        return m_squad->OnMemberDied(this) ? 1 : 0;
    return -1;
}

bool TsCharacterObject::OnTimer(TsTimerEntry& entry)
{
    if (entry.userWord1 == kFadeTimerKind)
        BeginFadeOut();
    return true;
}

void TsCharacterObject::BeginFadeOut()
{
    m_fade = 1.0f;
    m_lifeState = kFading;
}

void TsCharacterObject::ResetState()
{
    m_action.Reset();
    m_lifeState = kAlive;
    m_fade = 1.0f;
    m_route.ForgetKeys();
    m_targets.Forget();
    m_counters.Reset();
    m_actionByte = m_aiming = 0;
    m_waist.Straighten();
    m_attackRequested = 0;
    m_route.SetProgress(0.0f);
    m_limits[0] = m_limits[1] = 8388607;
    if (TsWeaponObject* attack = GetCurrentAttack())
        attack->ResetAttack();
}

// ---- queries ------------------------------------------------------------------

TsWeaponObject* TsCharacterObject::GetCurrentAttack() const
{
    TsWeaponObject* equipped = m_inventory ? m_inventory->GetEquipped() : nullptr;
    return equipped ? equipped : m_innateAttack;
}

float TsCharacterObject::GetDefence(int32_t matterType) const
{
    if (matterType < 0 || matterType >= TS_NUM_MATTER_TYPES)
        return 0.0f;
    return m_defences[matterType] + (m_inventory ? m_inventory->GetDefenceBonus(matterType) : 0.0f);
}

float TsCharacterObject::GetPhysicalDefence() const
{
    return GetDefence(TS_MATTER_PHYSICAL);
}

float TsCharacterObject::GetChemicalDefence() const
{
    return GetDefence(TS_MATTER_CHEMICAL);
}

float TsCharacterObject::GetEnergyDefence() const
{
    return GetDefence(TS_MATTER_ENERGY);
}

bool TsCharacterObject::IsHostileTo(const TsCharacterObject* other) const
{
    if (!other || !m_squad || !other->m_squad)
        return false;
    const TsTeam* team = m_squad->GetTeam();
    return team && team->GetAlliance(other->m_squad->GetTeam()) == TS_ALLIANCE_HOSTILE;
}

int32_t TsCharacterObject::SquadConfiguredBehaviour() const
{
    return m_squad ? m_squad->GetBehaviour() : -1;
}

bool TsCharacterObject::IsWorldFrozen()
{
    const TsLevelState* level = TsAccess::LevelState();
    if (!level || !level->GetPlayerLockout())
        return false;
    const TsCutScene* cutScene = TsAccess::CutScene();
    if (cutScene && cutScene->IsCutSceneActive())
        return true;
    const TsConversation* conversation = TsAccess::Conversation();
    return conversation && conversation->HasConversationStarted();
}

// ---- sounds ---------------------------------------------------------------------

void TsCharacterObject::FlagSoundForLoading(int32_t slot, int32_t soundId)
{
    if (slot < 0 || slot >= TS_NUM_CHARACTER_SOUNDS || soundId < 0 || soundId > kMaxSoundId)
        return;
    if (!TsAccess::Audio() || m_sounds[slot] == soundId)
        return;
    m_sounds[slot] = soundId;
}

int32_t TsCharacterObject::GetSoundSlot(int32_t slot) const
{
    return slot >= 0 && slot < TS_NUM_CHARACTER_SOUNDS ? m_sounds[slot] : -1;
}

bool TsCharacterObject::PlaySoundSlot(int32_t slot, const OmVector3& at) const
{
    return TsPlaySoundAt(GetSoundSlot(slot), at) != 0;
}

bool TsCharacterObject::IsSoundSlotPlaying(int32_t slot) const
{
    const int32_t sound = GetSoundSlot(slot);
    TsAudio* audio = sound >= 0 ? TsAccess::Audio() : nullptr;
    return audio && audio->IsSoundPlaying(SoundId(sound));
}

// ---- neighbours and the ignore list ------------------------------------------------

void TsCharacterObject::BuildNeighbourList(const TsEntityGrid& activeEntities)
{
    m_neighbours.Build(*this, NeighbourReach(), activeEntities);
}

float TsCharacterObject::NeighbourReach() const
{
    const TsLevelInfo* info = TsAccess::LevelInfo();
    const float alert = info && info->bIsSneakLevel ? 3.0f : 1.0f;
    return std::max({kLeastNeighbourReach, 2.0f * m_attentionRange * alert, CurrentRange()});
}

void TsCharacterObject::AddIgnore(TsEntity* entity)
{
    if (!entity)
        return;
    const int32_t ticks = 20 + OmRand() % 20;
    for (uint32_t i = 0; i < m_ignoreList.GetCount(); ++i) {
        if (m_ignoreList[i].entity == entity) {
            m_ignoreList[i].ticksLeft = ticks;
            return;
        }
    }
    Ignored entry;
    entry.entity = entity;
    entry.ticksLeft = ticks;
    m_ignoreList.Add(entry);
}

void TsCharacterObject::RemoveIgnore(TsEntity* entity)
{
    for (uint32_t i = m_ignoreList.GetCount(); i-- > 0;)
        if (m_ignoreList[i].entity == entity)
            EraseAt(m_ignoreList, i);
}

bool TsCharacterObject::IsIgnored(const TsEntity* entity) const
{
    for (uint32_t i = 0; i < m_ignoreList.GetCount(); ++i)
        if (m_ignoreList[i].entity == entity)
            return true;
    return false;
}

void TsCharacterObject::AgeIgnoreList()
{
    for (uint32_t i = m_ignoreList.GetCount(); i-- > 0;)
        if (--m_ignoreList[i].ticksLeft < 1)
            EraseAt(m_ignoreList, i);
}

// ---- targets ------------------------------------------------------------------------

void TsCharacterObject::SetLockedTarget(TsEntity* target)
{
    if (IsValidTarget(target, true))
        m_targets.Lock(target);
}

void TsCharacterObject::SetAssignedTarget(TsEntity* target)
{
    if (IsValidTarget(target, true))
        m_targets.Assign(target);
}

void TsCharacterObject::ClearTargets()
{
    m_targets.Clear();
}

void TsCharacterObject::OnTouch(TsEntity*, float)
{
}

void TsCharacterObject::Use(TsCharacterObject*)
{
}

