#include "game/objects/TsTimerTable.h"

#include <utility>

#include "engine/OmArchive.h"
#include "game/framework/TsCountdown.h"
#include "game/framework/TsGameTicks.h"
#include "game/framework/TsObject.h"

TsTimerTable& TsTimerTable::Instance()
{
    static TsTimerTable table;
    return table;
}

TsTimerTable::TsTimerTable() = default;

TsTimerTable::~TsTimerTable()
{
    // The program is ending: the objects' pools may already be gone.
    Abandon();
}

int32_t TsTimerTable::AddTimer(TsObject* target, float seconds, int32_t repeats, int32_t userWord1,
                               int32_t userWord2, OmObject* userObject)
{
    if (!target) {
        return -1;
    }
    const int32_t id = m_ids.AllocIndex();
    if (uint32_t(id) >= m_entries.GetCount()) {
        m_entries.Resize(uint32_t(id) + 1);
    }
    Slot& slot = m_entries[uint32_t(id)];
    slot.target.Reset(target);
    slot.userObject.Reset(userObject);
    slot.setInWalk = m_walk;
    TsTimerEntry& entry = slot.entry;
    entry.target = target;
    entry.period = entry.countdown = TsGameTicks::FromSecondsRoundedUp(seconds);
    entry.repeats = repeats < 0 ? 0 : repeats;
    entry.userWord1 = userWord1;
    entry.userWord2 = userWord2;
    entry.userObject = userObject;
    return id;
}

const TsTimerEntry* TsTimerTable::GetEntry(int32_t id) const
{
    if (id < 0 || uint32_t(id) >= m_entries.GetCount() || !m_ids.IsInUse(id)) {
        return nullptr;
    }
    return &m_entries[uint32_t(id)].entry;
}

void TsTimerTable::Reserve(uint32_t timers)
{
    m_ids.Reserve(timers);
    m_entries.Reserve(timers);
}

// The references leave the slot before they are let go: a destructor that
// runs then may touch the table (and move its slots).
void TsTimerTable::ReleaseSlot(Slot& slot)
{
    slot.entry.target = nullptr;
    slot.entry.userObject = nullptr;
    OmRef<TsObject> target = std::move(slot.target);
    OmRef<OmObject> userObject = std::move(slot.userObject); // let go of before the target
}

void TsTimerTable::EndEntry(int32_t id)
{
    ReleaseSlot(m_entries[uint32_t(id)]);
    m_ids.ReleaseIndex(id);
}

bool TsTimerTable::SetBeforeThisWalk(int32_t id) const
{
    return m_ids.IsInUse(id) && m_entries[uint32_t(id)].setInWalk != m_walk;
}

void TsTimerTable::Tick()
{
    ++m_walk;
    if (m_entries.GetCount() == 0) {
        return;
    }
    for (int32_t cursor = m_ids.GetFirst(); cursor != -1;) {
        const int32_t id = m_ids.GetNext(cursor);
        TsTimerEntry& entry = m_entries[uint32_t(id)].entry;
        if (--entry.countdown > 0) {
            continue;
        }
        // Only this table still holds the target: its owner let it go.
        if (!entry.target || entry.target->GetRefCount() <= 1) {
            EndEntry(id);
            continue;
        }
        // OnTimer may add timers (moving the entries), end others or clear
        // the table, and a new timer may take an ended one's id: it gets a
        // copy, and the entry is found again afterwards; like the entry,
        // the copy borrows the table's references. When the next timer
        // went, the walk cannot go on; the rest count down on the next tick.
        TsTimerEntry fired = entry;
        const bool again = fired.target->OnTimer(fired);
        if (cursor != -1 && !SetBeforeThisWalk(cursor)) {
            cursor = -1;
        }
        if (!SetBeforeThisWalk(id)) {
            continue; // it ended in the call
        }
        TsTimerEntry& after = m_entries[uint32_t(id)].entry;
        if (!again) {
            EndEntry(id);
            continue;
        }
        after.countdown = after.period;
        if (after.repeats != 0 && after.repeats-- == 1) {
            EndEntry(id);
        }
    }
}

void TsTimerTable::Clear()
{
    for (int32_t cursor = m_ids.GetFirst(); cursor != -1;) {
        const int32_t id = m_ids.GetNext(cursor);
        if (uint32_t(id) < m_entries.GetCount()) {
            ReleaseSlot(m_entries[uint32_t(id)]);
        }
    }
    Abandon();
}

void TsTimerTable::Abandon()
{
    // The references are dropped, not let go of; emptying the array would
    // otherwise leave them in slots a later timer overwrites.
    for (uint32_t i = 0; i < m_entries.GetCount(); ++i) {
        m_entries[i].target.Detach();
        m_entries[i].userObject.Detach();
    }
    m_ids.Clear();
    m_entries.RemoveAll();
}

void TsTimerTable::TakeOver(TsTimerTable& other)
{
    if (&other == this) {
        return;
    }
    Clear();
    m_ids.Swap(other.m_ids);
    m_entries.Swap(other.m_entries);
}

void TsTimerTable::Register(OmArchive& archive)
{
    for (int32_t cursor = m_ids.GetFirst(); cursor != -1;) {
        const TsTimerEntry& entry = m_entries[uint32_t(m_ids.GetNext(cursor))].entry;
        // Each object enters with what it holds: entering it bare would
        // make its own Register stop early later and leave those out.
        if (entry.userObject) {
            entry.userObject->Register(archive);
        }
        if (entry.target) {
            entry.target->Register(archive);
        }
    }
}

void TsTimerTable::Write(OmArchive& archive)
{
    m_ids.Write(archive);
    archive.WriteU32(m_entries.GetCount()).WriteU32(m_entries.GetGrowStep());
    for (int32_t cursor = m_ids.GetFirst(); cursor != -1;) {
        const TsTimerEntry& entry = m_entries[uint32_t(m_ids.GetNext(cursor))].entry;
        archive.WriteObjectRef(entry.target);
        archive.WriteI32(entry.period).WriteI32(entry.repeats).WriteI32(entry.countdown);
        archive.WriteI32(entry.userWord1).WriteI32(entry.userWord2);
        archive.WriteObjectRef(entry.userObject);
    }
}

void TsTimerTable::Read(OmArchive& archive)
{
    Abandon();
    m_ids.Read(archive);
    uint32_t count = 0, growStep = 0;
    archive.ReadU32(count).ReadU32(growStep);
    if (archive.HasFailed()) {
        Abandon();
        return;
    }
    // Every id in use indexes an entry, and no entry lies past the ids.
    bool fits = growStep > 0 && growStep <= OM_MAX_GROW_STEP && count <= m_ids.GetCapacity();
    for (int32_t cursor = m_ids.GetFirst(); fits && cursor != -1;) {
        fits = uint32_t(m_ids.GetNext(cursor)) < count;
    }
    if (!fits) {
        archive.Fail("the timer table's ids do not fit its entries");
        Abandon();
        return;
    }
    m_entries.Construct(count, growStep);
    for (int32_t cursor = m_ids.GetFirst(); cursor != -1;) {
        Slot& slot = m_entries[uint32_t(m_ids.GetNext(cursor))];
        TsTimerEntry& entry = slot.entry;
        // The saved counts include the table's references: adopted.
        archive.ReadRef(slot.target);
        archive.ReadI32(entry.period).ReadI32(entry.repeats);
        // Each tick counts it down before it is looked at.
        TsCountdown<0> countdown;
        countdown.Read(archive, "a timer's countdown");
        entry.countdown = countdown.Get();
        archive.ReadI32(entry.userWord1).ReadI32(entry.userWord2);
        archive.ReadRef(slot.userObject);
        entry.target = slot.target;
        entry.userObject = slot.userObject;
        if (entry.period < 1) {
            entry.period = 1;
        }
        if (entry.repeats < 0) {
            entry.repeats = 0;
        }
    }
    if (archive.HasFailed()) {
        Abandon();
    }
}
