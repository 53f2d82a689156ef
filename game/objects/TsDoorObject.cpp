#include "game/objects/TsDoorObject.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsLog.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsSwitchObject.h"
#include "game/world/TsWorld.h"
#include "game/world/TsWorldHit.h"

OM_IMPLEMENT_CLASS(TsDoorObject, TsDynGeometry)

namespace {

// Opening sounds by door type.
constexpr int32_t kOpenSounds[eDoorTypes] = {230, 231, 228, 229, 227};
constexpr int32_t kPartySize = 3;

// Turned about the up axis through `about`, at p's own height.
OmVector3 RotateY(const OmVector3& p, const OmVector3& about, float angle)
{
    const OmVector3 d(p.x - about.x, p.y, p.z - about.z);
    return GroundRotated(d, std::cos(angle), std::sin(angle)) + OmVector3(about.x, 0, about.z);
}

} // namespace

TsDoorObject::TsDoorObject()
{
    ClearFlag(TS_ENTITY_MODEL);
}

TsDoorObject::TsDoorObject(OmArchive& archive) : TsDynGeometry(archive) {}

TsDoorObject::~TsDoorObject() = default;

int32_t TsDoorObject::OpenSoundOf(int32_t doorType)
{
    return doorType >= 0 && doorType < eDoorTypes ? kOpenSounds[doorType] : -1;
}

bool TsDoorObject::Register(OmArchive& archive)
{
    if (!TsDynGeometry::Register(archive))
        return false; // already entered
    for (int32_t i = 0; i < m_dependentSwitchCount; ++i)
        if (m_dependentSwitches[i].switchObject)
            m_dependentSwitches[i].switchObject->Register(archive);
    if (m_buddy)
        m_buddy->Register(archive);
    return true;
}

void TsDoorObject::Write(OmArchive& archive)
{
    TsDynGeometry::Write(archive);
    archive.WriteI32(m_doorType).WriteBool(m_locked != 0).WriteBool(m_open != 0).WriteI32(m_transition);
    archive.WriteFloat(m_progress).WriteFloat(m_step).WriteFloat(m_doorSpeed);
    archive.WriteVector(m_startPosition).WriteVector(m_travel).WriteFloat(m_pivotAngle);
    archive.WriteBool(m_wantOpen != 0).WriteI32(m_dependentSwitchCount);
    for (int32_t i = 0; i < m_dependentSwitchCount; ++i)
        archive.WriteObjectRef(m_dependentSwitches[i].switchObject).WriteBool(m_dependentSwitches[i].on != 0);
    archive.WriteObjectRef(m_buddy);
}

void TsDoorObject::Read(OmArchive& archive)
{
    TsDynGeometry::Read(archive);
    bool locked = false, open = false, wantOpen = false;
    archive.ReadI32(m_doorType).ReadBool(locked).ReadBool(open).ReadI32(m_transition);
    archive.ReadFloat(m_progress).ReadFloat(m_step).ReadFloat(m_doorSpeed);
    archive.ReadVector(m_startPosition).ReadVector(m_travel).ReadFloat(m_pivotAngle);
    archive.ReadBool(wantOpen).ReadI32(m_dependentSwitchCount);
    m_locked = locked ? 1 : 0;
    m_open = open ? 1 : 0;
    m_wantOpen = wantOpen ? 1 : 0;
    if (m_dependentSwitchCount < 0 || m_dependentSwitchCount > kMaxDependentSwitches) {
        archive.Fail("a door names more dependent switches than it can hold");
        m_dependentSwitchCount = 0;
        return;
    }
    for (int32_t i = 0; i < m_dependentSwitchCount; ++i) {
        bool on = false;
        ReadLink(archive, m_dependentSwitches[i].switchObject).ReadBool(on);
        m_dependentSwitches[i].on = on ? 1 : 0;
    }
    ReadLink(archive, m_buddy);
    // A door that stood open with characters near it was opened by them.
    m_openedByApproach = m_open && m_wantOpen ? 1 : 0;
    // The heading shows the progress of the last tick (one step behind).
    const float applied = m_progress - m_step > 0.0f ? m_progress - m_step : 0.0f;
    float fraction = m_open ? 1.0f : 0.0f;
    if (m_transition == kOpening)
        fraction = applied;
    else if (m_transition == kClosing)
        fraction = 1.0f - applied;
    const float swung = m_pivotAngle * fraction;
    m_closedHeading = GetHeading() - swung;
}

bool TsDoorObject::Import()
{
    bool ok = TsDynGeometry::Import();
    if (m_buddyName.IsEmpty())
        return ok;
    m_buddy = nullptr;
    const TsEntityDB* db = TsAccess::EntityDB();
    for (OmList::Node* node = db ? db->GetDoors().GetFirst() : nullptr; node; node = node->next) {
        auto* door = TsDoorObject::Cast(OmList::ValueAt<OmObject>(node));
        if (door && door != this && door->GetName() && strcasecmp(door->GetName(), m_buddyName.Get()) == 0) {
            m_buddy = door;
            return ok;
        }
    }
    LogInfoF("Error: buddy (%s) not found for door %s", m_buddyName.Get(), NameOrEmpty());
    return false;
}

void TsDoorObject::SetTravelByType()
{
    const OmVector3 h = GetDirection();
    m_travel = OmVector3();
    switch (m_doorType) {
    case eDoorType_LeftSlider:
        m_travel = OmVector3(m_slideWidth * h.x, 0, m_slideWidth * h.z);
        break;
    case eDoorType_RightSlider:
        m_travel = OmVector3(-m_slideWidth * h.x, 0, -m_slideWidth * h.z);
        break;
    case eDoorType_UpSlider:
        m_travel = OmVector3(0, m_height, 0);
        break;
    case eDoorType_DownSlider:
        m_travel = OmVector3(0, -(m_height + 0.5f), 0);
        break;
    case eDoorType_Pivoting:
        m_pivotAngle = kPivotAngle;
        break;
    default:
        break; // an unknown type does not move
    }
}

void TsDoorObject::ParseDependentSwitches()
{
    m_dependentSwitchCount = 0;
    const char* text = m_dependentSwitchText.Get();
    if (!text)
        return;
    while (*text) {
        char name[128];
        int value = 0, used = 0;
        while (*text == ' ' || *text == '\t')
            ++text;
        if (!*text)
            break;
        if (std::sscanf(text, "%127s %d%n", name, &value, &used) != 2) {
            LogInfo("TsDoorObject::Initialise - Incorrectly formatted dependent switch string");
            break;
        }
        text += used;
        if (m_dependentSwitchCount >= kMaxDependentSwitches) {
            LogInfo("TsDoorObject::Initialise - Too many dependent switches");
            break;
        }
        if (value != 0 && value != 1) {
            LogInfoF("TsDoorObject::Initialise - Wierd on/off value (%d); must be 0 or 1", value);
            value = 0;
        }
        auto* found = TsSwitchObject::Cast(OmClassRegistry::Instance().FindObject(TsSwitchObject::ClassId(), name));
        if (!found)
            LogInfoF("TsDoorObject::Initialise - Invalid switch name '%s'", name);
        m_dependentSwitches[m_dependentSwitchCount++] = DependentSwitch{found, uint8_t(value == 1)};
    }
}

bool TsDoorObject::Initialise()
{
    if (!TsDynGeometry::Initialise())
        return false;
    SetTravelByType();
    ParseDependentSwitches();
    if (m_transition == kStill && !m_open)
        m_closedHeading = GetHeading();
    LogPumpMessages();
    SetPendingOverlay(CurrentOverlayIndex());
    return true;
}

int32_t TsDoorObject::CurrentOverlayIndex() const
{
    if (!m_open)
        return kClosedOverlay;
    return m_doorType == eDoorType_Pivoting ? kOpenOverlay : kRestoreCodes;
}

// The open overlay of a pivoting door is the footprint swung about the
// hinge (the door's position), so the doorway is free while it stands open.
void TsDoorObject::FillOverlay(uint32_t index, TsTileOverlay& overlay)
{
    const TsWorld* world = TsAccess::World();
    if (index != uint32_t(kOpenOverlay) || m_doorType != eDoorType_Pivoting) {
        TsDynGeometry::FillOverlay(index, overlay);
        return;
    }
    OmVector3 swung[4];
    for (int i = 0; i < 4; ++i)
        swung[i] = RotateY(m_worldFootprint[i], m_position, kPivotAngle);
    RasteriseQuad(overlay, swung, world->GetAITileSize(), world->GetAIMapOrigin().x, world->GetAIMapOrigin().z);
}

void TsDoorObject::BeginTransition(int32_t transition)
{
    ClearFlag(TS_ENTITY_DISTANCE_LIMITED);
    m_progress = 0.0f;
    const float speed = m_doorSpeed > kMinimumSpeed ? m_doorSpeed : kMinimumSpeed;
    m_step = TsAccess::TickDuration() / speed;
    m_transition = transition;
    m_startPosition = m_position;
}

bool TsDoorObject::OpenDoor(bool force)
{
    if (m_open || (m_locked && !force))
        return false;
    BeginTransition(kOpening);
    m_open = 1;
    m_openedByApproach = 0;
    if (m_buddy)
        m_buddy->OpenDoor(force);
    SetPendingOverlay(CurrentOverlayIndex());
    const int32_t sound = OpenSoundOf(m_doorType);
    if (sound >= 0)
        if (TsAudio* audio = TsAccess::Audio())
            audio->PlaySound(sound, m_position.x, m_position.y, m_position.z, false);
    return true;
}

bool TsDoorObject::CloseDoor(bool force, bool buddyForce)
{
    if (m_buddy && m_buddy->m_wantOpen && !buddyForce)
        return false;
    if (!m_open || m_transition != kStill || (m_locked && !force))
        return false;
    BeginTransition(kClosing);
    m_openedByApproach = 0;
    if (m_buddy && m_buddy->m_transition != kClosing)
        m_buddy->CloseDoor(force, buddyForce);
    SetPendingOverlay(kClosedOverlay);
    StopPartyForClosing();
    return true;
}

void TsDoorObject::StopPartyForClosing()
{
    const TsPlayer* player = TsAccess::LocalPlayer();
    for (int32_t i = 0; player && i < kPartySize; ++i) {
        if (auto* character = TsCharacterObject::Cast(player->GetSquadMember(i))) {
            character->StopMoving();
            character->SetTickCounter(kReplanTicks);
        }
    }
}

void TsDoorObject::OnTouch(TsEntity*, float separation)
{
    if (separation < kOpenReach)
        m_wantOpen = 1;
    else if (separation > kCloseReach)
        m_wantOpen = 0;
}

void TsDoorObject::Use(TsCharacterObject* user)
{
    OnTouch(user, 0.0f);
}

// Characters touching a door only ever report contact, so the door looks
// for the nearest active character itself: that is what lets it close
// again once everybody has walked away.
void TsDoorObject::SenseCharacters()
{
    const TsEntityDB* db = TsAccess::CurrentLevel() ? TsAccess::EntityDB() : nullptr;
    if (!db)
        return;
    const OmArray<TsEntity*>& characters = db->GetActiveCharacters();
    float nearest = FLT_MAX;
    TsEntity* nearestCharacter = nullptr;
    for (uint32_t i = 0; i < characters.GetCount(); ++i) {
        TsEntity* other = characters[i];
        if (!other || other->HasFlag(TS_ENTITY_DEAD | TS_ENTITY_DORMANT))
            continue;
        const float dx = other->GetPosition().x - m_position.x;
        const float dz = other->GetPosition().z - m_position.z;
        const float separation = std::sqrt(dx * dx + dz * dz) - m_radius - other->GetRadius();
        if (separation < nearest) {
            nearest = separation;
            nearestCharacter = other;
        }
    }
    OnTouch(nearestCharacter, nearest);
}

void TsDoorObject::UpdateMovement()
{
    const float p = m_progress < 1.0f ? m_progress : 1.0f;
    if (m_doorType == eDoorType_Pivoting) {
        const float swung = m_transition == kOpening ? p : 1.0f - p;
        SetHeading(m_closedHeading + m_pivotAngle * swung);
        return;
    }
    if (m_transition == kOpening)
        m_position = m_startPosition + m_travel * p;
    else if (m_transition == kClosing)
        m_position = m_startPosition - m_travel * p;
}

void TsDoorObject::Tick(uint32_t tickCount)
{
    TsDynGeometry::Tick(tickCount);
    SenseCharacters();
    if (m_wantOpen) {
        if (OpenDoor(false))
            m_openedByApproach = 1;
    } else if (m_openedByApproach) {
        CloseDoor(false, false);
    }
    if (m_transition == kStill)
        return;
    if (m_progress >= 1.0f) {
        // The last step lands exactly on the end of the travel.
        m_progress = 1.0f;
        UpdateMovement();
        SetFlag(TS_ENTITY_DISTANCE_LIMITED);
        m_open = m_transition != kClosing ? 1 : 0;
        m_transition = kStill;
        m_startPosition = m_position;
        return;
    }
    UpdateMovement();
    m_progress += m_step;
}

void TsDoorObject::Render(float renderTime, float fraction)
{
    if (m_buddy && m_buddy->m_transition == m_transition && m_transition != kStill &&
        m_buddy->m_progress > m_progress) {
        m_progress = m_buddy->m_progress;
        UpdateMovement();
    }
    TsDynGeometry::Render(renderTime, fraction);
}

bool TsDoorObject::TestSegment(const OmVector3& start, const OmVector3& end, TsWorldHit& hit)
{
    if (m_open)
        return true;
    return TsDynGeometry::TestSegment(start, end, hit);
}

void TsDoorObject::ApplyClosedOverlays()
{
    const TsEntityDB* db = TsAccess::EntityDB();
    for (OmList::Node* node = db ? db->GetDoors().GetFirst() : nullptr; node; node = node->next) {
        auto* door = TsDoorObject::Cast(OmList::ValueAt<OmObject>(node));
        if (door && door->CurrentOverlayIndex() == kClosedOverlay)
            door->ApplyOverlay(kClosedOverlay);
    }
}
