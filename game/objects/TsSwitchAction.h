// The actions a switch runs when it changes, each written by the level's
// scripts as one short line: a kind word, a blank, and the kind's text.
// Actions between two barriers run side by side; a barrier (a wait, or a
// plain action) holds the list until everything before it has finished.
//
// A list keeps its actions as objects with an index cursor; the saved form
// is the list of kinds and texts with the byte sizes the saved games have
// always used, so older saves read back.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/OmString.h"

class OmArchive;
class TsDoorObject;
class TsSwitchObject;

enum TsSwitchActionKind : int32_t {
    kSwitchCap = 0,
    kSwitchWait = 1,
    kSwitchUnlockDoor = 2,
    kSwitchLockDoor = 3,
    kSwitchOpenDoor = 4,
    kSwitchCloseDoor = 5,
    kSwitchUnnamed6 = 6,
    kSwitchUnnamed7 = 7,
    kSwitchEnableSwitch = 8,
    kSwitchDisableSwitch = 9,
    kSwitchUnnamed10 = 10,
    kSwitchUnnamed11 = 11,
    kSwitchPlaySound = 12,
    kSwitchRunHack = 13,
    kSwitchCallScript = 14,
    kSwitchActivateParticles = 15,
    kSwitchDeactivateParticles = 16,
    kSwitchChangeParticleColour = 17,
    kSwitchXTrans = 18,
    kSwitchYTrans = 19,
    kSwitchZTrans = 20,
    kSwitchRotateX = 21,
    kSwitchRotateY = 22,
    kSwitchRotateZ = 23,
    kSwitchOther = 24,
    kSwitchKindCount = 25,
};

class TsSwitchAction {
public:
    enum Result : int32_t { kFailed = 0, kFinished = 1, kRunning = 2 };
    static constexpr uint8_t kDone = 1;
    // The longest kind word that can name a kind.
    static constexpr uint32_t kMaxKindWord = 63;

    explicit TsSwitchAction(int32_t kind) : m_kind(kind) {}
    virtual ~TsSwitchAction() = default;
    TsSwitchAction(const TsSwitchAction&) = delete;
    TsSwitchAction& operator=(const TsSwitchAction&) = delete;

    virtual void Resolve(TsSwitchObject& owner) { (void)owner; }
    virtual void Reset() { m_flags &= uint8_t(~kDone); }
    // Runs one step; a done action answers kFinished without acting.
    Result Run(TsSwitchObject& owner);
    virtual bool IsBarrier() const { return false; }

    int32_t GetKind() const { return m_kind; }
    const char* GetText() const { return m_text.Get(); }
    void SetText(const char* text) { m_text.Set(text); }
    bool IsDone() const { return (m_flags & kDone) != 0; }
    uint8_t GetFlags() const { return m_flags; }

    // The kind of a kind word (24 for any other word, 6 for an empty one).
    static int32_t KindOf(const char* word, uint32_t length);
    // The kind words, indexed by kind ("" for the unnamed kinds).
    static const char* NameOf(int32_t kind);
    // Bytes a record of the kind took in the saved list; 0 for kinds that
    // are never stored.
    static uint32_t RecordSize(int32_t kind);
    // A new action of a kind; null for the kinds that add nothing.
    static std::unique_ptr<TsSwitchAction> Make(int32_t kind);

protected:
    virtual Result Execute(TsSwitchObject& owner) = 0;
    void MarkDone() { m_flags |= kDone; }

    int32_t m_kind;
    uint8_t m_flags = 0;
    OmString m_text;
};

// One of the two lists of a switch.
class TsSwitchActionList {
public:
    static constexpr int32_t kNoCursor = -1;

    TsSwitchActionList() = default;
    ~TsSwitchActionList();
    TsSwitchActionList(const TsSwitchActionList&) = delete;
    TsSwitchActionList& operator=(const TsSwitchActionList&) = delete;

    // Parses one line; false when the line adds nothing (the dropped kinds).
    bool AddLine(const char* line);
    void ResolveAll(TsSwitchObject& owner);
    // One pass; true when the list is done.
    bool Run(TsSwitchObject& owner);
    // Cursor cleared and every action reset.
    void Restart();
    void Clear();

    uint32_t GetCount() const { return uint32_t(m_actions.size()); }
    TsSwitchAction* GetAction(uint32_t i) const { return i < m_actions.size() ? m_actions[i].get() : nullptr; }
    int32_t GetCursor() const { return m_cursor; }
    // The byte sizes of the saved form.
    uint32_t GetUsedBytes() const;
    uint32_t GetCapacityBytes() const { return m_capacityBytes; }

    void Write(OmArchive& archive) const;
    // Rebuilds the list from kinds and texts; a cursor that falls on no
    // record start is dropped (logged), as is a record of a kind that is
    // never stored.
    void Read(OmArchive& archive, const char* ownerName);

private:
    void Append(std::unique_ptr<TsSwitchAction> action);
    // Byte offset of record i in the saved form.
    uint32_t OffsetOf(uint32_t index) const;

    std::vector<std::unique_ptr<TsSwitchAction>> m_actions;
    int32_t m_cursor = kNoCursor;
    uint32_t m_capacityBytes = 0;
};
