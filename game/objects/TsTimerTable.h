// The level's pending timed calls: "call this object's OnTimer after so
// many seconds, so many times". Counted down in game ticks; one table for
// the whole program, ticked, saved and loaded by the level and cleared when
// the game systems stop.
//
// An entry holds a reference on its target and on its user object, let go
// when the entry ends, so a target whose owner has released it is never
// called and its pool cell is never mistaken for another object's.
#pragma once

#include <cstdint>

#include "engine/OmArray.h"
#include "engine/OmIndexTable.h"
#include "engine/OmRef.h"

class OmArchive;
class OmObject;
class TsObject;

// Seven words on disk; pointer-sized targets in memory. What OnTimer and
// GetEntry see: the pointers borrow the table's references.
struct TsTimerEntry {
    TsObject* target = nullptr; // null once the entry has ended
    int32_t period = 0;         // ticks between calls
    int32_t repeats = 0;        // calls still to make; 0 runs without end
    int32_t countdown = 0;      // ticks until the next call
    int32_t userWord1 = 0;
    int32_t userWord2 = 0;
    OmObject* userObject = nullptr;
};

class TsTimerTable {
public:
    static constexpr uint32_t kIdGrowStep = 32;
    static constexpr uint32_t kEntryGrowStep = 64;

    static TsTimerTable& Instance();

    TsTimerTable();
    ~TsTimerTable();
    TsTimerTable(const TsTimerTable&) = delete;
    TsTimerTable& operator=(const TsTimerTable&) = delete;

    // Calls target->OnTimer every seconds (at least one tick), repeats
    // times (0: until OnTimer answers false). Returns the id, or -1 for a
    // null target.
    int32_t AddTimer(TsObject* target, float seconds, int32_t repeats, int32_t userWord1 = 0,
                     int32_t userWord2 = 0, OmObject* userObject = nullptr);
    // Room for so many timers at once, made ahead so that adding one
    // mid-game (a fallen character's fade) allocates nothing.
    void Reserve(uint32_t timers);
    // One game tick: counts every entry down and fires the due ones.
    void Tick();
    // Ends every entry, letting go of its references.
    void Clear();
    // Drops every entry without touching the objects: for a table whose
    // objects are gone or are being taken down with it.
    void Abandon();
    // Ends every entry of this table, then takes the other's entries as
    // they stand (ids, order, countdowns and references); the other is
    // left empty. How a table read with a level becomes the program's.
    void TakeOver(TsTimerTable& other);

    // The entry of an id in use; null for any other id.
    const TsTimerEntry* GetEntry(int32_t id) const;
    uint32_t GetEntryCount() const { return m_entries.GetCount(); }
    uint32_t GetActiveCount() const { return m_ids.GetCount(); }

    void Register(OmArchive& archive);
    void Write(OmArchive& archive);
    // A table whose ids do not fit its entries fails the archive and is
    // left empty. The references the entries hold come back with their
    // objects' saved counts.
    void Read(OmArchive& archive);

private:
    // An id's entry with the references that keep its objects alive. The
    // array drops no element when emptied, so a slot past the count holds
    // nothing: a slot's references are let go (or dropped) before it is.
    struct Slot {
        TsTimerEntry entry;
        OmRef<TsObject> target;
        OmRef<OmObject> userObject;
        uint32_t setInWalk = 0; // the walk running when it was set
    };

    void EndEntry(int32_t id);
    // Whether id holds a timer set before the current walk began: one set
    // during it (perhaps in an ended timer's id) waits for the next tick.
    bool SetBeforeThisWalk(int32_t id) const;
    static void ReleaseSlot(Slot& slot);

    OmIndexTable m_ids{kIdGrowStep};
    OmArray<Slot> m_entries{kEntryGrowStep};
    uint32_t m_walk = 0; // Tick calls so far
};
