#include "game/objects/TsSwitchAction.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>
#include <strings.h>

#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsLink.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsScriptHost.h"
#include "game/framework/TsScriptQuote.h"
#include "game/objects/TsDoorObject.h"
#include "game/objects/TsSwitchObject.h"

namespace {

struct KindInfo {
    const char* word; // null: matched by no word
    uint32_t recordSize;
};

// Kind words and the bytes each record took in the saved list (with the
// kind word); size 0 marks the kinds whose lines are dropped.
constexpr KindInfo kKinds[kSwitchKindCount] = {
    {"Cap", 16},
    {"Wait", 24},
    {"UnlockDoor", 40},
    {"LockDoor", 40},
    {"OpenDoor", 40},
    {"CloseDoor", 40},
    {"", 16},
    {nullptr, 16},
    {"EnableSwitch", 0},
    {"DisableSwitch", 0},
    {nullptr, 16},
    {nullptr, 16},
    {"PlaySound", 20},
    {"RunHack", 0},
    {"CallScript", 20},
    {"ActivateParticles", 20},
    {"DeactivateParticles", 20},
    {"ChangeParticleColour", 24},
    {"Animate_XTrans", 36},
    {"Animate_YTrans", 36},
    {"Animate_ZTrans", 36},
    {"Animate_RotateX", 24},
    {"Animate_RotateY", 24},
    {"Animate_RotateZ", 24},
    {nullptr, 16},
};

void RunLua(const char* text)
{
    if (text && *text)
        TsScriptHost::DoString(TsAccess::LuaState(), text);
}

// Does nothing and holds the list (the cap, the unnamed and unknown kinds).
class PlainAction : public TsSwitchAction {
public:
    using TsSwitchAction::TsSwitchAction;
    bool IsBarrier() const override { return true; }

protected:
    Result Execute(TsSwitchObject&) override { return kFinished; }
};

class WaitAction : public TsSwitchAction {
public:
    WaitAction() : TsSwitchAction(kSwitchWait) {}
    void Resolve(TsSwitchObject& owner) override
    {
        m_waitTime = GetText() ? float(std::strtod(GetText(), nullptr)) : 0.0f;
        if (m_waitTime == 0.0f)
            LogInfoF("SwitchAction_WaitData::Resolve - Switch '%s' has a zero wait time action, is this intended?",
                     owner.NameOrEmpty());
    }
    void Reset() override
    {
        TsSwitchAction::Reset();
        m_elapsed = 0.0f;
    }
    bool IsBarrier() const override { return true; }

protected:
    Result Execute(TsSwitchObject&) override
    {
        m_elapsed += TsAccess::TickDuration();
        if (m_elapsed >= m_waitTime) {
            MarkDone();
            return kFinished;
        }
        return kRunning;
    }

private:
    float m_waitTime = 0.0f;
    float m_elapsed = 0.0f;
};

class DoorAction : public TsSwitchAction {
public:
    static constexpr int kMaxKeySwitches = 4;

    explicit DoorAction(int32_t kind) : TsSwitchAction(kind) {}

    void Resolve(TsSwitchObject& owner) override
    {
        m_door = nullptr;
        m_keyCount = 0;
        const char* text = GetText() ? GetText() : "";
        char word[128];
        int used = 0;
        if (std::sscanf(text, "%127s%n", word, &used) == 1) {
            m_door = TsDoorObject::Cast(OmClassRegistry::Instance().FindObject(TsDoorObject::ClassId(), word));
            if (!m_door)
                LogInfoF("SwitchAction_DoorData::Resolve - Cannot find door '%s' for OpenDoor action in switch '%s'",
                         word, owner.NameOrEmpty());
            text += used;
        }
        while (m_keyCount < kMaxKeySwitches && std::sscanf(text, "%127s%n", word, &used) == 1) {
            text += used;
            KeySwitch& key = m_keys[m_keyCount++];
            key.switchObject =
                TsSwitchObject::Cast(OmClassRegistry::Instance().FindObject(TsSwitchObject::ClassId(), word));
            if (!key.switchObject)
                LogInfoF("SwitchAction_DoorData::Resolve - Cannot find switch '%s' for door action in switch '%s'",
                         word, owner.NameOrEmpty());
            key.requiredOn = true;
            // A "0" or "1" after the blank is the state the key must be in.
            if (text[0] == ' ' && (text[1] == '0' || text[1] == '1') && (text[2] == ' ' || text[2] == '\0')) {
                key.requiredOn = text[1] == '1';
                text += 2;
            }
        }
        LogPumpMessages();
    }

protected:
    Result Execute(TsSwitchObject&) override
    {
        if (!m_door)
            return kFailed;
        for (int i = 0; i < m_keyCount; ++i) {
            const TsSwitchObject* key = m_keys[i].switchObject;
            if (!key)
                continue;
            const bool onAndIdle = key->IsOn() && key->GetState() == TsSwitchObject::kIdle;
            if (onAndIdle != m_keys[i].requiredOn)
                return kFailed;
        }
        switch (m_kind) {
        case kSwitchOpenDoor:
            if (!m_door->OpenDoor(true))
                return kFailed;
            break;
        case kSwitchCloseDoor:
            if (!m_door->CloseDoor(true, true))
                return kFailed;
            break;
        case kSwitchLockDoor:
            m_door->SetLock(true);
            break;
        default:
            m_door->SetLock(false);
            break;
        }
        MarkDone();
        return kFinished;
    }

private:
    // Found by name at Resolve; a script may delete them afterwards.
    struct KeySwitch {
        TsLink<TsSwitchObject> switchObject;
        bool requiredOn = true;
    };
    TsLink<TsDoorObject> m_door;
    KeySwitch m_keys[kMaxKeySwitches];
    int m_keyCount = 0;
};

class SoundAction : public TsSwitchAction {
public:
    SoundAction() : TsSwitchAction(kSwitchPlaySound) {}

protected:
    // The sound's name goes into script text: only a plain name may.
    Result Execute(TsSwitchObject& owner) override
    {
        const char* sound = GetText() ? GetText() : "";
        if (!TsIsScriptIdentifier(sound)) {
            LogErrorF("TsSwitchObject: switch '%s' names a sound that is not a script name: %s", owner.NameOrEmpty(),
                      sound);
            MarkDone();
            return kFinished;
        }
        const OmVector3& p = owner.GetPosition();
        char call[256];
        std::snprintf(call, sizeof call, "TsAccess.Audio():LuaPlaySoundNow(%s,%f,%f,%f)", sound, double(p.x),
                      double(p.y), double(p.z));
        LogInfo(call);
        RunLua(call);
        MarkDone();
        return kFinished;
    }
};

class ScriptAction : public TsSwitchAction {
public:
    ScriptAction() : TsSwitchAction(kSwitchCallScript) {}

protected:
    Result Execute(TsSwitchObject&) override
    {
        RunLua(GetText());
        MarkDone();
        return kFinished;
    }
};

// Particle and rotation lines are read and kept; they do nothing.
class InertAction : public TsSwitchAction {
public:
    using TsSwitchAction::TsSwitchAction;

protected:
    Result Execute(TsSwitchObject&) override { return kFinished; }
};

class TranslateAction : public TsSwitchAction {
public:
    explicit TranslateAction(int32_t kind) : TsSwitchAction(kind), m_axis(kind - kSwitchXTrans) {}

    void Resolve(TsSwitchObject&) override
    {
        m_distance = m_duration = 0.0f;
        if (GetText())
            std::sscanf(GetText(), "%f %f", &m_distance, &m_duration);
        const float ticks = m_duration / TsAccess::TickDuration();
        m_perTick = ticks > 0.0f ? m_distance / ticks : m_distance;
    }
    void Reset() override
    {
        TsSwitchAction::Reset();
        m_elapsed = 0.0f;
    }

protected:
    Result Execute(TsSwitchObject& owner) override
    {
        // A switch that has a motion of its own is not moved by its list.
        if (owner.GetCurrentMotion() != TsSwitchObject::kNoMotion)
            return kFinished;
        if (m_elapsed >= m_duration)
            return kFinished;
        OmVector3 delta;
        (m_axis == 0 ? delta.x : m_axis == 1 ? delta.y : delta.z) = m_perTick;
        owner.MoveBy(delta);
        m_elapsed += TsAccess::TickDuration();
        return kRunning;
    }

private:
    int32_t m_axis;
    float m_distance = 0.0f;
    float m_perTick = 0.0f;
    float m_duration = 0.0f;
    float m_elapsed = 0.0f;
};

} // namespace

TsSwitchAction::Result TsSwitchAction::Run(TsSwitchObject& owner)
{
    return IsDone() ? kFinished : Execute(owner);
}

int32_t TsSwitchAction::KindOf(const char* word, uint32_t length)
{
    if (length == 0)
        return kSwitchUnnamed6;
    if (length > kMaxKindWord)
        return kSwitchOther;
    for (int32_t kind = 0; kind < kSwitchKindCount; ++kind) {
        const char* name = kKinds[kind].word;
        if (name && *name && std::strlen(name) == length && strncasecmp(name, word, length) == 0)
            return kind;
    }
    return kSwitchOther;
}

const char* TsSwitchAction::NameOf(int32_t kind)
{
    return kind >= 0 && kind < kSwitchKindCount && kKinds[kind].word ? kKinds[kind].word : "";
}

uint32_t TsSwitchAction::RecordSize(int32_t kind)
{
    return kind >= 0 && kind < kSwitchKindCount ? kKinds[kind].recordSize : 0;
}

std::unique_ptr<TsSwitchAction> TsSwitchAction::Make(int32_t kind)
{
    switch (kind) {
    case kSwitchWait:
        return std::make_unique<WaitAction>();
    case kSwitchUnlockDoor:
    case kSwitchLockDoor:
    case kSwitchOpenDoor:
    case kSwitchCloseDoor:
        return std::make_unique<DoorAction>(kind);
    case kSwitchEnableSwitch:
    case kSwitchDisableSwitch:
    case kSwitchRunHack:
        return nullptr;
    case kSwitchPlaySound:
        return std::make_unique<SoundAction>();
    case kSwitchCallScript:
        return std::make_unique<ScriptAction>();
    case kSwitchActivateParticles:
    case kSwitchDeactivateParticles:
    case kSwitchChangeParticleColour:
    case kSwitchRotateX:
    case kSwitchRotateY:
    case kSwitchRotateZ:
        return std::make_unique<InertAction>(kind);
    case kSwitchXTrans:
    case kSwitchYTrans:
    case kSwitchZTrans:
        return std::make_unique<TranslateAction>(kind);
    default:
        return kind >= 0 && kind < kSwitchKindCount ? std::make_unique<PlainAction>(kind) : nullptr;
    }
}

// ---- the list ------------------------------------------------------------------

TsSwitchActionList::~TsSwitchActionList()
{
    Clear();
}

void TsSwitchActionList::Clear()
{
    m_actions.clear();
    m_cursor = kNoCursor;
    m_capacityBytes = 0;
}

void TsSwitchActionList::Append(std::unique_ptr<TsSwitchAction> action)
{
    // The saved form keeps the capacity the byte buffer would have had.
    const uint32_t size = TsSwitchAction::RecordSize(action->GetKind());
    if (m_capacityBytes <= GetUsedBytes() + size)
        m_capacityBytes += 2 * size;
    m_actions.push_back(std::move(action));
}

bool TsSwitchActionList::AddLine(const char* line)
{
    if (!line)
        return false;
    uint32_t length = 0;
    while (line[length] && line[length] != ' ')
        ++length;
    const int32_t kind = TsSwitchAction::KindOf(line, length);
    std::unique_ptr<TsSwitchAction> action = TsSwitchAction::Make(kind);
    if (!action)
        return false;
    action->SetText(line[length] == ' ' ? line + length + 1 : line + length);
    Append(std::move(action));
    return true;
}

void TsSwitchActionList::ResolveAll(TsSwitchObject& owner)
{
    for (const std::unique_ptr<TsSwitchAction>& action : m_actions)
        action->Resolve(owner);
}

void TsSwitchActionList::Restart()
{
    m_cursor = kNoCursor;
    for (const std::unique_ptr<TsSwitchAction>& action : m_actions)
        action->Reset();
}

bool TsSwitchActionList::Run(TsSwitchObject& owner)
{
    const uint32_t count = GetCount();
    if (count == 0)
        return true;
    // Finished already in this use: the switch's motion may still be
    // playing, and the list runs once (its owner restarts it).
    if (m_cursor >= int32_t(count))
        return true;
    const uint32_t start = m_cursor >= 0 ? uint32_t(m_cursor) : 0;
    bool allFinished = true;
    uint32_t resume = start;
    for (uint32_t i = start; i < count; ++i) {
        TsSwitchAction* action = m_actions[i].get();
        if (action->IsBarrier() && !allFinished) {
            m_cursor = int32_t(resume);
            return false;
        }
        switch (action->Run(owner)) {
        case TsSwitchAction::kFailed:
            owner.SetState(TsSwitchObject::kIdle);
            break;
        case TsSwitchAction::kFinished:
            if (allFinished)
                resume = i + 1;
            break;
        default:
            allFinished = false;
            break;
        }
        if (action->IsBarrier()) {
            m_cursor = int32_t(resume);
            return false;
        }
    }
    // Actions still running at the end of the list go on from the first of
    // them next tick; starting the whole list over would reset them and
    // run a translation at the end of a list for ever.
    if (!allFinished) {
        m_cursor = int32_t(resume);
        return false;
    }
    m_cursor = int32_t(count);
    return true;
}

uint32_t TsSwitchActionList::OffsetOf(uint32_t index) const
{
    uint32_t offset = 0;
    for (uint32_t i = 0; i < index && i < GetCount(); ++i)
        offset += TsSwitchAction::RecordSize(m_actions[i]->GetKind());
    return offset;
}

uint32_t TsSwitchActionList::GetUsedBytes() const
{
    return OffsetOf(GetCount());
}

void TsSwitchActionList::Write(OmArchive& archive) const
{
    const uint32_t count = GetCount();
    archive.WriteU32(m_capacityBytes).WriteU32(GetUsedBytes()).WriteU32(count);
    archive.WriteU32(m_cursor >= 0 ? OffsetOf(uint32_t(m_cursor)) : 0xFFFFFFFFu);
    for (uint32_t i = 0; i < count; ++i)
        archive.WriteI32(m_actions[i]->GetKind()).WriteString(m_actions[i]->GetText());
}

void TsSwitchActionList::Read(OmArchive& archive, const char* ownerName)
{
    Clear();
    uint32_t capacity = 0, used = 0, count = 0, cursor = 0;
    archive.ReadU32(capacity).ReadU32(used).ReadU32(count).ReadU32(cursor);
    for (uint32_t i = 0; i < count && !archive.HasFailed(); ++i) {
        int32_t kind = 0;
        char* text = nullptr;
        archive.ReadI32(kind).ReadString(text);
        std::unique_ptr<TsSwitchAction> action = TsSwitchAction::Make(kind);
        if (!action) {
            LogErrorF("TsSwitchObject: switch '%s' has a saved action of kind %d, which no list holds; dropped",
                      ownerName ? ownerName : "", int(kind));
        } else {
            action->SetText(text ? text : "");
            m_actions.push_back(std::move(action));
        }
        delete[] text;
    }
    m_capacityBytes = capacity > GetUsedBytes() ? capacity : GetUsedBytes();
    if (cursor == 0xFFFFFFFFu)
        return;
    for (uint32_t i = 0; i <= GetCount(); ++i) {
        if (OffsetOf(i) == cursor) {
            m_cursor = int32_t(i);
            return;
        }
    }
    LogErrorF("TsSwitchObject: switch '%s' has a saved action cursor (%u) on no action; the list starts over",
              ownerName ? ownerName : "", cursor);
}
