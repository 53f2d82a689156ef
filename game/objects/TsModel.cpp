#include "game/objects/TsModel.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/OmArchive.h"
#include "engine/OmBaseSprite.h"
#include "engine/OmClass.h"
#include "engine/OmFastAlloc.h"
#include "engine/OmGroup.h"
#include "engine/OmMath.h"
#include "engine/OmRef.h"
#include "engine/OmRenderer.h"
#include "engine/OmSceneImporter.h"
#include "engine/OmTextureResource.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsDialogStrings.h"
#include "game/framework/TsLog.h"
#include "game/world/TsModelLighting.h"
#include "platform/GfxTypes.h"
#include "render/OmD3D.h"

OM_IMPLEMENT_ABSTRACT_CLASS(TsModel, TsEntity)

namespace {

constexpr uint32_t kModelRenderFlags = 0x4C;
constexpr size_t kMaxPath = 512;

} // namespace

TsModel::TsModel()
{
    SetFlag(TS_ENTITY_MODEL);
}

TsModel::TsModel(OmArchive& archive) : TsEntity(archive)
{
}

namespace {

// The sprite goes with the reference its texture was registered with.
void ReleaseSprite(OmRef<OmBaseSprite>& sprite)
{
    if (!sprite)
        return;
    if (OmRenderer* renderer = OmRenderer::Current())
        renderer->ReleaseTexture(sprite->textureId);
    sprite = nullptr;
}

} // namespace

TsModel::~TsModel()
{
    SetModel(nullptr);
    ReleaseSprite(m_sprite);
}

void TsModel::Write(OmArchive& archive)
{
    TsEntity::Write(archive);
    m_mdl.Write(archive);
    m_spriteName.Write(archive);
    archive.WriteU32(m_uniqueModel);
    archive.WriteI32(m_displayNameId).WriteI32(m_displayDescriptionId);
    archive.WriteFloat(m_heading).WriteFloat(m_previousHeading).WriteFloat(m_spareHeading);
    archive.WriteU32(m_headingDirty);
    archive.WriteVector(m_direction);
}

void TsModel::Read(OmArchive& archive)
{
    TsEntity::Read(archive);
    m_mdl.Read(archive);
    m_spriteName.Read(archive);
    uint32_t unique = 0, dirty = 0;
    archive.ReadU32(unique);
    archive.ReadI32(m_displayNameId).ReadI32(m_displayDescriptionId);
    archive.ReadFloat(m_heading).ReadFloat(m_previousHeading).ReadFloat(m_spareHeading);
    archive.ReadU32(dirty);
    archive.ReadVector(m_direction);
    m_uniqueModel = unique != 0 ? 1 : 0;
    m_headingDirty = dirty != 0 ? 1 : 0;
}

void TsModel::Tick(uint32_t tickCount)
{
    TsEntity::Tick(tickCount);
    m_previousHeading = m_heading;
}

void TsModel::Render(float renderTime, float fraction)
{
    OmRenderer* renderer = OmRenderer::Current();
    if (!renderer || !DrawModel(renderTime, fraction)) {
        return;
    }
    LightFromWorld();
    m_model->Render(*renderer);
}

// The level's strongest lights at the model become the device's lights,
// and the texture is multiplied by the colour they give the vertices.
void TsModel::LightFromWorld() const
{
    // Outside a level (a viewer, the title) the device's lights stand.
    const TsWorld* world = TsAccess::World();
    if (!world) {
        return;
    }
    TsModelLighting(*world, *this);
    if (OmD3D* d3d = OmD3D::Instance()) {
        using namespace plat;
        d3d->SetTextureStageState(0, GfxTss::ColorOp, d3d->CanModulate2x() ? GfxTop::Modulate2x : GfxTop::Modulate);
        d3d->SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::Texture);
        d3d->SetTextureStageState(0, GfxTss::ColorArg2, GfxTa::Diffuse);
        // Models are scaled down from their files' tenths of a unit, which
        // shrinks their normals with them: unnormalised they would take a
        // hundredth of the light and draw nearly black.
        d3d->DispatchRenderState(GfxRs::NormalizeNormals, 1);
    }
}

float TsModel::InterpolatedHeading(float fraction) const
{
    float d = m_heading - m_previousHeading;
    if (m_previousHeading < m_heading && d > OM_PI) {
        d -= OM_TWO_PI;
    } else if (m_previousHeading >= m_heading && d < -OM_PI) {
        d += OM_TWO_PI;
    }
    return m_previousHeading + d * fraction;
}

bool TsModel::DrawModel(float time, float fraction)
{
    if (!m_model) {
        return false;
    }
    m_model->LocalScale() = 1.0f;
    OmVector3& position = m_model->LocalPosition();
    OmVector3::Lerp(m_previousPosition, m_position, fraction, position);
    m_model->LocalRotation().SetRotationY(InterpolatedHeading(fraction));
    m_model->Update(time);
    return true;
}

void TsModel::ScanModelNodes(OmNode*)
{
}

void TsModel::SetupFromModel(TsModel*)
{
}

void TsModel::SetModel(OmNode* node)
{
    m_model.Reset(node);
}

void TsModel::CopyModelOf(const TsModel& source)
{
    if (!source.m_model) {
        return;
    }
    const auto copy = OmRef<OmNode>::Adopt(source.m_model->NewInstance());
    copy->CopyFrom(*source.m_model);
    SetModel(copy);
}

void TsModel::JoinPath(char* out, size_t size, const char* directory, const char* file)
{
    directory = directory ? directory : "";
    file = file ? file : "";
    const size_t length = std::strlen(directory);
    const bool separated = length == 0 || directory[length - 1] == '/' || directory[length - 1] == '\\';
    std::snprintf(out, size, "%s%s%s", directory, separated ? "" : "/", file);
}

bool TsModel::ShareModel()
{
    // The registry's own index: class ids are only numbered for archives.
    int32_t classIndex = -1;
    OmClassRegistry& registry = OmClassRegistry::Instance();
    OmFastAlloc* pool = registry.FindClassIndex(GetClass()->name, classIndex) ? registry.GetPool(classIndex) : nullptr;
    if (!pool) {
        return false;
    }
    OmFastAllocIterator it;
    pool->BeginIteration(it);
    while (void* cell = pool->NextLiveObject(it)) {
        auto* other = static_cast<TsModel*>(static_cast<OmObject*>(cell));
        const char* name = other->m_mdl.Get();
        if (other == this || !other->m_model || !name || std::strcmp(name, m_mdl.Get()) != 0) {
            continue;
        }
        SetupFromModel(other);
        CopyModelOf(*other);
        return true;
    }
    return false;
}

bool TsModel::LoadModel(const char* directory)
{
    if (m_mdl.IsEmpty() || m_model) {
        return true;
    }
    if (!m_uniqueModel && ShareModel()) {
        return true;
    }
    // Full paths: the working folder is never changed to find a model.
    char path[kMaxPath];
    char textures[kMaxPath];
    JoinPath(path, sizeof path, directory, m_mdl.Get());
    JoinPath(textures, sizeof textures, directory, "Textures/");
    const auto group =
        OmRef<OmGroup>::Adopt(LoadScene(path, textures, [this](OmGroup* loaded) { ScanModelNodes(loaded); }));
    if (!group) {
        LogErrorF("error loading model for game object: %s", path);
        return false;
    }
    SetModel(group->GetChildCount() == 1 ? group->GetChild(0) : group.Get());
    return true;
}

OmGroup* TsModel::LoadScene(const char* path, const char* textures, const std::function<void(OmGroup*)>& scan)
{
    auto group = OmMakeRef<OmGroup>();
    OmSceneImporter importer;
    importer.SetTextureDirectory(textures);
    if (!importer.Load(path, group)) {
        return nullptr;
    }
    group->Update(0.0f);
    if (scan)
        scan(group);
    if (OmRenderer* renderer = OmRenderer::Current()) {
        CreateRenderMeshes(group, *renderer, kModelRenderFlags);
    } else {
        static bool reported = false;
        LogErrorOnce(reported, "TsModel: models are loaded without render meshes: there is no renderer");
    }
    group->Update(0.0f);
    return group.Detach(); // the caller's reference
}

bool TsModel::LoadSprite(const char* directory)
{
    if (m_spriteName.IsEmpty()) {
        return true;
    }
    OmRenderer* renderer = OmRenderer::Current();
    if (!renderer) {
        LogErrorF("TsModel: sprite %s not loaded: there is no renderer", m_spriteName.Get());
        return false;
    }
    // Loaded again (import, then initialise): the sprite made before gives
    // its texture back first, so that each model holds one reference.
    ReleaseSprite(m_sprite);
    char path[kMaxPath];
    JoinPath(path, sizeof path, directory, m_spriteName.Get());
    OmTextureResource texture(path, -1, 1);
    const int32_t id = renderer->RegisterTexture(&texture);
    OmBaseSprite* sprite = id >= 0 && renderer->LoadTexture(id) ? renderer->CreateSprite(0) : nullptr;
    if (!sprite) {
        LogErrorF("Error loading sprite %s", m_spriteName.Get());
        renderer->ReleaseTexture(id);
        return false;
    }
    m_sprite.AdoptNew(sprite);
    m_sprite->textureId = id;
    m_sprite->screenRelative = 0;
    m_sprite->colour = 0xFFFFFFFFu;
    return true;
}

const char* TsModel::GetDisplayName()
{
    const TsDialogStrings* strings = TsAccess::DialogStrings();
    m_displayName.Set(strings ? strings->GetString(m_displayNameId) : "");
    return m_displayName.Get() ? m_displayName.Get() : "";
}

const char* TsModel::GetDisplayDescription()
{
    const TsDialogStrings* strings = TsAccess::DialogStrings();
    m_displayDescription.Set(strings ? strings->GetString(m_displayDescriptionId) : "");
    return m_displayDescription.Get() ? m_displayDescription.Get() : "";
}

void TsModel::SetHeading(float radians)
{
    float h = std::fmod(radians, OM_TWO_PI);
    if (h > OM_PI) {
        h -= OM_TWO_PI;
    }
    m_heading = h;
    m_headingDirty = 1;
}

void TsModel::SetHeadingDegrees(float degrees)
{
    // The remainder by a half turn, as the level scripts were placed with.
    m_heading = std::fmod(degrees * OM_PI / 180.0f, OM_PI);
    m_headingDirty = 1;
}

const OmVector3& TsModel::GetDirection()
{
    if (m_headingDirty) {
        m_direction.Set(std::sin(m_heading), 0.0f, std::cos(m_heading));
    }
    return m_direction;
}

void TsModel::SetDirection(const OmVector3& v)
{
    // Only the horizontal part turns the model; a direction with none (or
    // one that is not a number) leaves the heading as it was.
    const float length = std::sqrt(v.x * v.x + v.z * v.z);
    if (!(length > 1e-6f) || !std::isfinite(length)) {
        return;
    }
    m_direction.Set(v.x / length, 0.0f, v.z / length);
    float heading = std::acos(std::fmin(1.0f, std::fmax(-1.0f, m_direction.z)));
    if (m_direction.x < 0.0f) {
        heading = -heading;
    }
    m_heading = heading;
    m_headingDirty = 0;
}
