#include "game/objects/TsSwitchObject.h"

#include <cfloat>
#include <cstdio>
#include <cstring>

#include "engine/OmArchive.h"
#include "engine/OmMath.h"
#include "engine/OmRenderer.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsScriptHost.h"
#include "game/framework/TsScriptQuote.h"
#include "game/objects/TsPathfinder.h"

OM_IMPLEMENT_CLASS(TsSwitchObject, TsDynGeometry)

bool TsSwitchObject::s_debug = false;

namespace {

constexpr float kHotspotMarker = 0.25f;
constexpr uint32_t kHotspotColour = 0xFFFFFF00u;

} // namespace

TsSwitchObject::TsSwitchObject()
{
    SetFlag(TS_ENTITY_USABLE);
    m_radius = 0.2f;
}

TsSwitchObject::TsSwitchObject(OmArchive& archive) : TsDynGeometry(archive) {}

TsSwitchObject::~TsSwitchObject() = default;

void TsSwitchObject::Write(OmArchive& archive)
{
    TsDynGeometry::Write(archive);
    archive.WriteI32(m_state).WriteBool(m_on != 0).WriteBool(m_disabled != 0);
    m_activateScript.Write(archive);
    m_deactivateScript.Write(archive);
    archive.WriteI32(m_activateMotion).WriteI32(m_deactivateMotion);
    archive.WriteU32(m_spareWords[0]).WriteU32(m_spareWords[1]);
    archive.WriteFloat(m_motionProgress).WriteFloat(m_motionStep);
    archive.WriteVector(m_motionDirection).WriteVector(m_motionSpin).WriteVector(m_hotspot);
    m_activateActions.Write(archive);
    m_deactivateActions.Write(archive);
    archive.WriteI32(m_keyCount);
    for (int32_t i = 0; i < m_keyCount; ++i)
        m_keyNames[i].Write(archive);
}

void TsSwitchObject::Read(OmArchive& archive)
{
    TsDynGeometry::Read(archive);
    bool on = false, disabled = false;
    archive.ReadI32(m_state).ReadBool(on).ReadBool(disabled);
    m_on = on ? 1 : 0;
    m_disabled = disabled ? 1 : 0;
    m_activateScript.Read(archive);
    m_deactivateScript.Read(archive);
    archive.ReadI32(m_activateMotion).ReadI32(m_deactivateMotion);
    archive.ReadU32(m_spareWords[0]).ReadU32(m_spareWords[1]);
    archive.ReadFloat(m_motionProgress).ReadFloat(m_motionStep);
    archive.ReadVector(m_motionDirection).ReadVector(m_motionSpin).ReadVector(m_hotspot);
    m_activateActions.Read(archive, GetName());
    m_deactivateActions.Read(archive, GetName());
    int32_t count = 0;
    archive.ReadI32(count);
    if (count < 0 || count > 1024) {
        archive.Fail("a switch holds an impossible number of key names");
        m_keyCount = 0;
        return;
    }
    if (count > kMaxKeys)
        LogErrorF("TsSwitchObject: switch '%s' has %d saved key names; the first %d are kept",
                  NameOrEmpty(), int(count), int(kMaxKeys));
    m_keyCount = 0;
    for (int32_t i = 0; i < count && !archive.HasFailed(); ++i) {
        OmString name;
        name.Read(archive);
        if (m_keyCount < kMaxKeys)
            m_keyNames[m_keyCount++].Set(name.Get());
    }
}

void TsSwitchObject::ParseKeys()
{
    m_keyCount = 0;
    const char* text = m_keyText.Get();
    char word[256];
    int used = 0;
    while (text && std::sscanf(text, "%255s%n", word, &used) == 1) {
        text += used;
        if (m_keyCount >= kMaxKeys) {
            LogInfo("TsSwitchObject::Initialise - Too many keys");
            break;
        }
        m_keyNames[m_keyCount++].Set(word);
    }
}

bool TsSwitchObject::Initialise()
{
    if (!TsDynGeometry::Initialise())
        return false;
    m_activateActions.ResolveAll(*this);
    m_deactivateActions.ResolveAll(*this);
    ParseKeys();
    SetPendingOverlay(kClosedOverlay);
    return true;
}

namespace {

// "%s()" of a name; false (logged) for a name that is not a script name.
bool CallText(const char* name, OmString& out, const char* switchName)
{
    if (!TsIsScriptIdentifier(name)) {
        LogErrorF("TsSwitchObject: switch '%s' refuses the script '%s': it is not a script name",
                  switchName ? switchName : "", name ? name : "(null)");
        return false;
    }
    char text[300];
    std::snprintf(text, sizeof text, "%s()", name);
    out.Set(text);
    return true;
}

} // namespace

void TsSwitchObject::SetActivateScript(const char* name)
{
    if (CallText(name, m_activateScript, GetName()))
        m_deactivateScript.Set(m_activateScript.Get());
}

void TsSwitchObject::SetDeactivateScript(const char* name)
{
    CallText(name, m_deactivateScript, GetName());
}

void TsSwitchObject::RunScript(const OmString& script)
{
    if (!script.IsEmpty())
        TsScriptHost::DoString(TsAccess::LuaState(), script.Get());
}

void TsSwitchObject::StartMotion(int32_t kind)
{
    m_motionProgress = 0.0f;
    m_motionStep = TsAccess::TickDuration() / kMotionSeconds;
    switch (kind) {
    case kMotionUp:
        m_motionDirection = OmVector3(0, 1, 0);
        m_motionSpin = OmVector3(0, OM_TWO_PI, 0);
        break;
    case kMotionDown:
        m_motionDirection = OmVector3(0, -1, 0);
        m_motionSpin = OmVector3(0, OM_TWO_PI, 0);
        break;
    case kMotionSpin:
        m_motionDirection = OmVector3();
        m_motionSpin = OmVector3(0, 0, OM_TWO_PI);
        break;
    default:
        break;
    }
}

int32_t TsSwitchObject::GetMotionFor(int32_t state) const
{
    switch (state) {
    case kActivating:
        return m_activateMotion;
    case kDeactivating:
    case kRefused:
        return m_deactivateMotion;
    default:
        return kNoMotion;
    }
}

bool TsSwitchObject::AdvanceMotion()
{
    const int32_t kind = GetCurrentMotion();
    if (kind < kMotionUp || kind > kMotionSpin || m_motionProgress >= 1.0f)
        return true;
    m_position += m_motionDirection * m_motionStep;
    m_motionProgress += m_motionStep;
    return m_motionProgress >= 1.0f - 1e-6f;
}

void TsSwitchObject::Throw(int32_t motion, int32_t state, const OmString& script)
{
    if (m_state != kIdle)
        return;
    if (m_disabled) {
        StartMotion(m_deactivateMotion);
        m_state = kRefused;
        return;
    }
    StartMotion(motion);
    m_state = state;
    RunScript(script);
}

void TsSwitchObject::ActivateSwitch() { Throw(m_activateMotion, kActivating, m_activateScript); }

void TsSwitchObject::DeactivateSwitch() { Throw(m_deactivateMotion, kDeactivating, m_deactivateScript); }

void TsSwitchObject::Use(TsCharacterObject*)
{
    if (m_state != kIdle)
        return;
    if (m_on)
        DeactivateSwitch();
    else
        ActivateSwitch();
}

void TsSwitchObject::OnTouch(TsEntity*, float) {}

// A failing action puts the switch back to idle at once; then the list
// starts over at the next use and the on state stays as it was. A list
// done before the motion waits for it without running again.
void TsSwitchObject::TickList(TsSwitchActionList& list, int32_t runningState, int32_t onWhenDone)
{
    const bool listDone = list.Run(*this);
    const bool motionDone = AdvanceMotion();
    if (m_state != runningState) {
        list.Restart();
        return;
    }
    if (!listDone || !motionDone)
        return;
    list.Restart();
    m_state = kIdle;
    if (onWhenDone >= 0)
        m_on = onWhenDone ? 1 : 0;
}

void TsSwitchObject::Tick(uint32_t tickCount)
{
    switch (m_state) {
    case kActivating:
        TickList(m_activateActions, kActivating, 1);
        break;
    case kDeactivating:
        TickList(m_deactivateActions, kDeactivating, 0);
        break;
    case kRefused:
        TickList(m_deactivateActions, kRefused, -1);
        break;
    default:
        break;
    }
    TsDynGeometry::Tick(tickCount);
}

void TsSwitchObject::Render(float renderTime, float fraction)
{
    TsDynGeometry::Render(renderTime, fraction);
    OmRenderer* renderer = OmRenderer::Current();
    if (!s_debug || !renderer || m_hotspot.x == FLT_MAX)
        return;
    const OmVector3& h = m_hotspot;
    const OmVector3 lines[6] = {
        h - OmVector3(kHotspotMarker, 0, 0), h + OmVector3(kHotspotMarker, 0, 0),
        h - OmVector3(0, kHotspotMarker, 0), h + OmVector3(0, kHotspotMarker, 0),
        h - OmVector3(0, 0, kHotspotMarker), h + OmVector3(0, 0, kHotspotMarker),
    };
    renderer->DrawLines(3, lines, kHotspotColour);
}

const OmVector3& TsSwitchObject::GetHotspot()
{
    if (m_hotspot.x == FLT_MAX)
        CalculateHotspot();
    return m_hotspot;
}

void TsSwitchObject::CalculateHotspot()
{
    const OmVector3 h = GetDirection();
    const OmVector3 directions[4] = {OmVector3(h.x, 0, h.z), OmVector3(-h.x, 0, -h.z), OmVector3(h.z, 0, -h.x),
                                     OmVector3(-h.z, 0, h.x)};
    TsPathfinder* pathfinder = TsAccess::CurrentLevel() ? TsAccess::Pathfinder() : nullptr;
    float best = FLT_MAX;
    for (const OmVector3& d : directions) {
        OmVector3 point;
        const OmVector3 from = m_position + d * m_radius;
        if (!pathfinder || !pathfinder->GetValidPosition(from, d, kHotspotReach, kHotspotRadius, false, true, point))
            continue;
        const float dx = point.x - m_position.x, dz = point.z - m_position.z;
        if (dx * dx + dz * dz < best) {
            best = dx * dx + dz * dz;
            m_hotspot = OmVector3(point.x, m_position.y, point.z);
        }
    }
    if (best == FLT_MAX) {
        m_hotspot = m_position + directions[0] * (m_radius + kHotspotRadius);
        LogInfoF("Defaulting switch hotspot for %s", NameOrEmpty());
    }
}

void TsSwitchObject::CalculateHotspots()
{
    LogInfo("Calculating Switch Hotspots...");
    const TsEntityDB* db = TsAccess::EntityDB();
    TsPathfinder* pathfinder = TsAccess::Pathfinder();
    for (OmList::Node* node = db ? db->GetOtherEntities().GetFirst() : nullptr; node; node = node->next) {
        auto* sw = TsSwitchObject::Cast(OmList::ValueAt<OmObject>(node));
        if (!sw)
            continue;
        if (pathfinder)
            pathfinder->CentreOn(sw->GetPosition().x, sw->GetPosition().z);
        sw->CalculateHotspot();
    }
    LogInfo("... Done");
}
