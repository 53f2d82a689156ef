#include "game/objects/TsTriggerObject.h"

#include <cstdio>

#include "engine/OmArchive.h"
#include "engine/OmRenderer.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsScriptHost.h"
#include "game/framework/TsScriptQuote.h"
#include "game/objects/TsBanterObject.h"
#include "game/objects/TsNPCObject.h"
#include "game/objects/TsPCObject.h"

OM_IMPLEMENT_CLASS(TsTriggerObject, TsEntity)

bool TsTriggerObject::s_shown = false;

namespace {

constexpr int kWireSides = 8;
constexpr float kWireColour[4] = {1.0f, 0.0f, 0.0f, 0.5f};

} // namespace

TsTriggerObject::TsTriggerObject()
{
    ClearFlag(TS_ENTITY_ORDINARY);
}

void TsTriggerObject::Write(OmArchive& archive)
{
    TsEntity::Write(archive);
    archive.WriteBool(m_active != 0).WriteU32(m_activationType).WriteU32(m_acceptType);
    m_triggerScript.Write(archive);
}

void TsTriggerObject::Read(OmArchive& archive)
{
    TsEntity::Read(archive);
    bool active = false;
    archive.ReadBool(active).ReadU32(m_activationType).ReadU32(m_acceptType);
    m_active = active ? 1 : 0;
    m_triggerScript.Read(archive);
}

void TsTriggerObject::SetExitTrigger(bool exit)
{
    if (!exit)
        return;
    m_position.y -= m_height;
    m_height *= 2.0f;
}

bool TsTriggerObject::Accepts(const TsEntity* other) const
{
    if (!other || !m_active || m_triggerScript.IsEmpty() || TsBanterObject::Cast(other))
        return false;
    switch (m_acceptType) {
    case kAcceptNpc:
        return TsNPCObject::Cast(other) != nullptr;
    case kAcceptPc:
        return TsPCObject::Cast(other) != nullptr;
    case kAcceptCurrentCharacter:
        return static_cast<const void*>(other) == static_cast<const void*>(TsAccess::CurrentCharacter());
    default:
        return true;
    }
}

bool TsTriggerObject::Fires(const TsEntity& other) const
{
    const OmVector3 offset = other.GetPosition() - m_position;
    const float reach = offset.Length() - other.GetRadius();
    const bool inside = m_radius >= reach;
    switch (m_activationType) {
    case kFireInside:
        return inside;
    case kFireOutside:
        return !inside;
    default:
        return true;
    }
}

void TsTriggerObject::OnTouch(TsEntity* other, float)
{
    if (!Accepts(other) || !Fires(*other))
        return;
    const char* function = m_triggerScript.Get();
    const char* self = GetName();
    const char* toucher = other->GetName();
    // The call is script text: only plain names may go into it.
    if (!TsIsScriptIdentifier(function) || !TsIsScriptIdentifier(self) || !TsIsScriptIdentifier(toucher)) {
        LogErrorF("TsTriggerObject: not firing %s: its script (%s) or a name (%s, %s) is not a script name",
                  self ? self : "(unnamed)", function, self ? self : "", toucher ? toucher : "");
        return;
    }
    char call[512];
    const int n = std::snprintf(call, sizeof call, "%s(%s,%s)", function, self, toucher);
    if (n < 0 || n >= static_cast<int>(sizeof call)) {
        LogErrorF("TsTriggerObject: the call of %s is too long", function);
        return;
    }
    TsScriptHost::DoString(TsAccess::LuaState(), call);
}

void TsTriggerObject::Render(float, float)
{
    OmRenderer* renderer = OmRenderer::Current();
    if (!s_shown || !renderer)
        return;
    renderer->DrawWirePrimitive(&m_position, m_height, m_radius, kWireSides, kWireColour);
}
