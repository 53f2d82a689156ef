#include "game/objects/TsMineObject.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "engine/OmArchive.h"
#include "engine/OmGroup.h"
#include "engine/OmList.h"
#include "engine/OmRef.h"
#include "engine/OmRenderer.h"
#include "engine/OmSceneImporter.h"
#include "engine/OmSkinMesh.h"
#include "engine/OmSkinShape.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAnimationDB.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsGameTicks.h"
#include "game/framework/TsLog.h"
#include "game/objects/TsAttack.h"
#include "game/objects/TsProjectileAttributes.h"
#include "game/world/TsExplosion.h"
#include "platform/FilePath.h"

OM_IMPLEMENT_CLASS(TsMineObject, TsModel)

namespace {

constexpr const char* kMineFolder = "data\\characters\\";
constexpr float kModelScale = 0.1f;
constexpr int32_t kMaxInfluences = 4;
constexpr uint32_t kModelRenderFlags = 0x4C;
// A model file name is its folder name and a four-character extension.
constexpr size_t kExtensionLength = 4;

OmSkinShape* FirstSkinShape(OmNode* node)
{
    if (!node) {
        return nullptr;
    }
    if (node->IsKindOf(&OmSkinShape::s_class)) {
        return static_cast<OmSkinShape*>(node);
    }
    if (node->IsKindOf(&OmGroup::s_class)) {
        auto* group = static_cast<OmGroup*>(node);
        for (int32_t i = 0; i < group->GetChildCount(); ++i) {
            if (OmSkinShape* found = FirstSkinShape(group->GetChild(uint32_t(i)))) {
                return found;
            }
        }
    }
    return nullptr;
}

} // namespace

TsMineObject::TsMineObject()
{
    SetDetonationDelay(kDefaultDelaySeconds);
}

TsMineObject::~TsMineObject() = default;

void TsMineObject::SetDetonationDelay(float seconds)
{
    m_countdownTicks = TsGameTicks::FromSeconds(seconds);
}

void TsMineObject::Write(OmArchive& archive)
{
    TsModel::Write(archive);
    archive.WriteI32(m_animationClass);
    archive.WriteBool(m_triggered);
    archive.WriteI32(m_countdownTicks);
    archive.WriteI32(m_projectileId);
    archive.WriteFloat(m_damage);
    archive.WriteI32(m_matterType);
}

void TsMineObject::Read(OmArchive& archive)
{
    TsModel::Read(archive);
    archive.ReadI32(m_animationClass);
    archive.ReadBool(m_triggered);
    archive.ReadI32(m_countdownTicks);
    archive.ReadI32(m_projectileId);
    archive.ReadFloat(m_damage);
    archive.ReadEnum(m_matterType);
}

bool TsMineObject::Initialise()
{
    TsAnimationDB* db = TsAccess::AnimDB();
    if (db) {
        db->MarkForLoading(m_animationClass);
    }
    if (!LoadModel(kMineFolder)) {
        return false;
    }
    if (m_shape) {
        m_shape->ClearAnimation();
    }
    if (TsAudio* audio = TsAccess::Audio()) {
        audio->FlagSoundForLoading(kArmingSound);
        audio->FlagSoundForLoading(kExplosionSound);
    }
    return true;
}

bool TsMineObject::LoadModel(const char*)
{
    const char* name = GetMdl();
    if (!name || !*name || GetModel()) {
        return true;
    }
    const std::string mdl = name;
    // The model's folder is its file name without the extension: a shorter
    // name names no folder.
    if (mdl.size() <= kExtensionLength) {
        LogErrorF("TsMineObject %s: the model name \"%s\" is too short to name a model folder",
                  NameOrEmpty(), mdl.c_str());
        return false;
    }
    if (!plat::FolderExists(kMineFolder)) {
        LogErrorF("Couldn't open main character dir (%s)", kMineFolder);
        return false;
    }
    const std::string folder = std::string(kMineFolder) + mdl.substr(0, mdl.size() - kExtensionLength) + "\\";
    if (!plat::FolderExists(folder)) {
        LogErrorF("Couldn't open character dir (%s)", folder.c_str());
        return false;
    }
    // The importer holds the model's materials: it must outlive the mesh's
    // conversion for the renderer below, or the converted mesh names
    // materials that are gone and draws nothing.
    OmSceneImporter importer;
    OmRef<OmSkinShape> shape;
    // A mine of the same model lends its mesh; the shape is its own, to play
    // its own animation.
    OmFastAllocIterator it;
    s_pool.BeginIteration(it);
    while (void* cell = s_pool.NextLiveObject(it)) {
        auto* other = static_cast<TsMineObject*>(static_cast<OmObject*>(cell));
        if (other != this && other->m_shape && other->m_shape->GetGeometry() && other->GetMdl()
            && std::strcmp(other->GetMdl(), name) == 0) {
            shape = OmMakeRef<OmSkinShape>();
            shape->SetGeometry(other->m_shape->GetGeometry());
            break;
        }
    }
    if (!shape) {
        const std::string path = plat::ResolvePath(folder + mdl);
        const std::string bones = plat::ResolvePath(folder + "bones.txt");
        importer.SetTextureDirectory(plat::ResolvePath(folder + "Textures\\").c_str());
        const auto mesh = OmRef<OmSkinMesh>::Adopt(
            importer.LoadSkinned(path.c_str(), kModelScale, kMaxInfluences, false, bones.c_str()));
        if (!mesh) {
            LogErrorF("error loading model for mine %s: %s", NameOrEmpty(), path.c_str());
            return false;
        }
        shape = OmMakeRef<OmSkinShape>();
        shape->SetGeometry(mesh);
    }
    const auto group = OmMakeRef<OmGroup>();
    group->AddChild(shape);
    if (OmRenderer* renderer = OmRenderer::Current()) {
        CreateRenderMeshes(group, *renderer, kModelRenderFlags);
    }
    m_shape = std::move(shape);
    SetModel(group);
    return true;
}

void TsMineObject::UpdateAnimation()
{
    TsAnimationDB* db = TsAccess::AnimDB();
    if (!db || !m_shape) {
        return;
    }
    const OmBoneAnimation* wanted = db->GetAnimation(m_animationClass, m_triggered ? kAnimDie : kAnimStand);
    if (wanted && m_shape->GetAnimation() != wanted) {
        m_shape->ClearAnimation();
        m_shape->PlayAnimation(wanted, m_triggered ? 1 : 0);
    }
}

void TsMineObject::Tick(uint32_t tickCount)
{
    UpdateAnimation();
    if (m_triggered && !m_detonated) {
        // A delay of 0 (or less) goes off on the first tick after the touch.
        if (m_countdownTicks <= 1) {
            m_countdownTicks = 0;
            Detonate();
        } else {
            --m_countdownTicks;
        }
    }
    TsModel::Tick(tickCount);
}

void TsMineObject::Render(float renderTime, float fraction)
{
    TsModel::Render(renderTime, fraction);
}

void TsMineObject::OnTouch(TsEntity*, float)
{
    m_triggered = true;
    TsPlaySoundAt(kArmingSound, m_position);
}

void TsMineObject::OnHit(TsAttack&)
{
    if (m_triggered) {
        return;
    }
    m_triggered = true;
    Detonate();
}

void TsMineObject::Detonate()
{
    if (m_detonated) {
        return;
    }
    m_detonated = true;
    SetFlag(TS_ENTITY_PENDING_DELETE);
    const TsProjectileAttributes* rec = TsProjectileAttributes::_Attributes(m_projectileId);
    if (!rec) {
        LogErrorF("TsMineObject %s: projectile id %d is not one of the %d projectile types; the mine goes off "
                  "without a blast",
                  NameOrEmpty(), m_projectileId, TsProjectileAttributes::kCount);
        return;
    }
    const float inner = rec->m_fExplosionRangeInner;
    const float outer = rec->m_fExplosionRangeOuter;
    const OmVector3 blast(m_position.x, m_position.y + m_height, m_position.z);
    if (TsEntityDB* db = TsAccess::EntityDB()) {
        TsAttack attack;
        attack.SetMatterType(m_matterType);
        for (const OmList::Node* node = db->GetEntities().GetFirst(); node; node = node->next) {
            auto* entity = OmList::ValueAt<TsEntity>(node);
            if (!entity || entity == this) {
                continue;
            }
            const float half = entity->GetHeight() * 0.5f;
            const float reach = std::max(half, entity->GetRadius());
            const OmVector3& p = entity->GetPosition();
            const OmVector3 d = OmVector3(p.x, p.y + half, p.z) - blast;
            const float limit = reach + outer;
            if (limit * limit <= d.LengthSquared()) {
                continue;
            }
            const float distance = d.Length();
            const OmVector3 direction = distance > 0.0f ? d * (1.0f / distance) : OmVector3(0.0f, 1.0f, 0.0f);
            // Equal ranges leave no falloff band: the full strength reaches
            // the outer range.
            const float span = outer - inner;
            const float strength = span > 0.0f ? std::clamp((outer - distance) / span, 0.0f, 1.0f)
                                                : (distance < outer ? 1.0f : 0.0f);
            attack.SetDamage(strength * m_damage);
            attack.SetTarget(entity);
            attack.SetPosition(blast + direction * (distance - entity->GetRadius()));
            attack.SetDirection(direction);
            attack.Deliver();
        }
    }
    if (rec->m_iExposionID >= 0) {
        if (!TsInitialExplosions::Spawn(rec->m_iExposionID, blast, OmVector3(0.0f, 1.0f, 0.0f), TsAccess::GameTime())) {
            LogErrorF("TsMineObject %s: explosion type %d is not loaded", NameOrEmpty(),
                      rec->m_iExposionID);
        }
        TsPlaySoundAt(kExplosionSound, blast);
    }
}
