// A character's counters. Its countdowns: the cooldown, above 0 while it is
// loud (others hear it from farther); the hit flash; the stun; and the busy
// wait of a blocked step or of a frozen world, -1 when it waits for nothing.
// And the tick counter its squad's member actions keep their rhythm by,
// randomised now and then so that members do not act in step. Each
// countdown rests at its floor and never wraps (TsCountdown); the counter
// starts over past its top. A busy wait that runs out while the character
// can move ends what it was doing: the counters start the rhythm over and
// say so, and the character stops.
#pragma once

#include <cstdint>

#include "game/framework/TsCountdown.h"

class OmArchive;

class TsCharacterCounters {
public:
    int32_t GetCooldown() const { return m_cooldown.Get(); }
    void SetCooldown(int32_t ticks) { m_cooldown.Set(ticks); }
    // Loud for at least ticks more.
    void SoundFor(int32_t ticks) { m_cooldown.AtLeast(ticks); }
    int32_t GetHitFlash() const { return m_hitFlash.Get(); }
    void Flash(int32_t ticks) { m_hitFlash.Set(ticks); }
    int32_t GetStunTicks() const { return m_stun.Get(); }
    // A stun never shortens a longer one; a stunned character waits for
    // nothing.
    void Stun(int32_t ticks)
    {
        m_busy.Set(-1);
        m_stun.AtLeast(ticks);
    }
    int32_t GetBusyTicks() const { return m_busy.Get(); }
    void SetBusyTicks(int32_t ticks) { m_busy.Set(ticks); }
    bool IsBusy() const { return m_busy.Get() > 0; }
    // A step blocked by someone in the way: a wait of ticks, unless one is
    // already under way.
    void Block(int32_t ticks)
    {
        if (m_busy.Get() <= 0)
            m_busy.Set(ticks);
    }
    int32_t GetTickCounter() const { return m_tickCounter; }
    void SetTickCounter(int32_t counter) { m_tickCounter = counter; }

    // A tick: the counter on, the countdowns but the stun down. True when a
    // busy wait ran out while the character could move.
    bool Tick(bool mobile);
    // A stunned tick; true when the stun is over.
    bool TickStun()
    {
        m_stun.Tick();
        return m_stun.Get() < 1;
    }
    // As a character starts afresh: all at 0 but the hit flash.
    void Reset();

    // The tick counter and the cooldown, and the hit flash, stun and busy
    // wait, each pair where the character's archive keeps it.
    void WriteRhythm(OmArchive& archive) const;
    void ReadRhythm(OmArchive& archive);
    void WriteWaits(OmArchive& archive) const;
    void ReadWaits(OmArchive& archive);

private:
    // First, beside the life state: every neighbour's senses read it.
    TsCountdown<0> m_cooldown;
    TsCountdown<0> m_hitFlash;
    TsCountdown<0> m_stun;
    TsCountdown<-1> m_busy;
    int32_t m_tickCounter = 0;
};
