#include "game/objects/TsStashObject.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <string>

#include "engine/OmArchive.h"
#include "engine/OmGroup.h"
#include "engine/OmMath.h"
#include "engine/OmMatrix3.h"
#include "engine/OmNode.h"
#include "engine/OmRef.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsScriptHost.h"
#include "game/objects/TsCollectibleObject.h"
#include "game/objects/TsPCObject.h"
#include "game/world/TsEffectUtil.h"

OM_IMPLEMENT_CLASS(TsStashObject, TsModel)

namespace {


bool NameHoldsLid(const char* name)
{
    if (!name || std::strlen(name) <= 2)
        return false;
    for (const char* p = name; p[0] && p[1] && p[2]; ++p)
        if (std::tolower(static_cast<unsigned char>(p[0])) == 'l' &&
            std::tolower(static_cast<unsigned char>(p[1])) == 'i' &&
            std::tolower(static_cast<unsigned char>(p[2])) == 'd')
            return true;
    return false;
}

} // namespace

TsStashObject::TsStashObject()
{
    SetFlag(TS_ENTITY_COLLECTIBLE);
    m_radius = 1.0f;
    m_height = 0.5f;
}

TsStashObject::~TsStashObject()
{
    SetPayload(nullptr);
}

void TsStashObject::SetPayload(TsCollectibleObject* payload)
{
    m_payload.Reset(payload);
}

bool TsStashObject::Register(OmArchive& archive)
{
    if (!TsModel::Register(archive))
        return false;
    if (m_payload)
        m_payload->Register(archive);
    return true;
}

// A stash saved while its lid swings is saved as already gone.
void TsStashObject::Write(OmArchive& archive)
{
    if (m_opened) {
        SetFlag(TS_ENTITY_PENDING_DELETE);
        m_opened = 0;
    }
    TsModel::Write(archive);
    m_payloadType.Write(archive);
    archive.WriteObjectRef(m_payload);
}

void TsStashObject::Read(OmArchive& archive)
{
    TsModel::Read(archive);
    m_payloadType.Read(archive);
    archive.ReadRef(m_payload); // the reference written with the stash is ours
}

// The payload is made once: importing again (a script may ask) keeps the
// payload already made instead of making a second one.
bool TsStashObject::Import()
{
    const bool model = LoadModel(TsCollectibleObject::kModelFolder);
    if (m_payload)
        return model && m_payload->Import();
    int32_t index = -1;
    const char* type = m_payloadType.Get() ? m_payloadType.Get() : "";
    if (!OmClassRegistry::Instance().FindClassIndex(type, index)) {
        LogErrorF("TsStashObject: %s holds a payload of unknown class '%s'", NameOrEmpty(), type);
        return false;
    }
    const auto made = OmRef<OmObject>::Adopt(OmClassRegistry::Instance().CreateObject(index));
    auto* payload = TsCollectibleObject::Cast(made);
    if (!payload) {
        LogErrorF("TsStashObject: %s cannot hold a '%s': it is not a collectible", NameOrEmpty(), type);
        return false;
    }
    const std::string name = std::string("payload") + NameOrEmpty();
    payload->SetName(name.c_str());
    SetPayload(payload); // the stash's reference is the one it keeps
    TsEntityDB* db = TsAccess::EntityDB();
    if (db)
        db->MakeLuaGlobal(payload);
    const char* templ = m_payloadTemplate.Get();
    if (!templ || !TsScriptHost::RunTemplate(TsAccess::LuaState(), templ, payload)) {
        LogErrorF("TsStashObject: template %s of %s failed", templ ? templ : "(none)", NameOrEmpty());
        return false;
    }
    if (!payload->GetTemplate())
        payload->SetTemplate(templ);
    if (db)
        db->MakeLuaGlobal(payload);
    payload->SetPositionOnGround(m_position);
    return model && payload->Import();
}

bool TsStashObject::Initialise()
{
    if (m_payload) {
        if (!m_payload->Initialise())
            return false;
        if (TsEntityDB* db = TsAccess::EntityDB())
            db->MakeLuaGlobal(m_payload);
    }
    LoadModel(TsCollectibleObject::kModelFolder);
    m_lid = FindLid(GetModel());
    return true;
}

OmNode* TsStashObject::FindLid(OmNode* root)
{
    if (!root)
        return nullptr;
    if (NameHoldsLid(root->GetName()))
        return root;
    if (!root->IsKindOf(&OmGroup::s_class))
        return nullptr;
    auto* group = static_cast<OmGroup*>(root);
    for (int32_t i = 0; i < group->GetChildCount(); ++i)
        if (OmNode* found = FindLid(group->GetChild(uint32_t(i))))
            return found;
    return nullptr;
}

void TsStashObject::OnTouch(TsEntity* other, float)
{
    if (TsPCObject::Cast(other))
        Open(other);
}

void TsStashObject::Open(TsEntity* opener)
{
    if (!m_opened && m_payload) {
        if (TsEntityDB* db = TsAccess::EntityDB()) {
            db->AddEntity(OmRef<TsEntity>(m_payload));
        }
        m_payload->HoldFor(opener, TsAccess::TicksPerSecond());
        SetPayload(nullptr);
        if (TsAudio* audio = TsAccess::Audio())
            audio->PlaySound(SoundId(kOpenSound), m_position.x, m_position.y, m_position.z, false);
        m_opened = 1;
    }
    if (!m_lid)
        SetFlag(TS_ENTITY_PENDING_DELETE);
}

void TsStashObject::AdvanceOpening(float dt)
{
    if (!m_opened || !m_lid)
        return;
    m_openProgress += kOpenRate * dt;
    if (m_openProgress >= kGoneAt) {
        m_opened = 0;
        SetFlag(TS_ENTITY_PENDING_DELETE);
    }
    const float angle = std::fmin(m_openProgress, 1.0f) * OM_PI;
    m_lid->LocalRotation().SetRotationX(angle);
}

float TsStashObject::GetFade() const
{
    const float t = std::fmin(std::fmax(m_openProgress * 0.5f, 0.0f), 1.0f);
    return 1.0f - t;
}

void TsStashObject::Render(float renderTime, float fraction)
{
    if (m_opened) {
        AdvanceOpening(TsAccess::FrameDelta());
        BeginTextureFactorFade(GetFade());
        TsModel::Render(renderTime, fraction);
        EndTextureFactorFade();
        return;
    }
    if (!HasFlag(TS_ENTITY_PENDING_DELETE))
        TsModel::Render(renderTime, fraction);
}
