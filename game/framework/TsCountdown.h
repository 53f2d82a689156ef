// A count of ticks that runs down by one a tick to its floor and rests
// there. The floor is the count's own: 0 for one that only runs out; -1 for
// one that tells "nothing under way" (-1) from "runs out now" (0); the least
// int for one that goes on counting how long ago it ran out. The count never
// wraps: nothing adds to it, a count set below the floor is the floor, and
// a saved count below it (which the game never writes) fails the load.
#pragma once

#include <algorithm>
#include <cstdint>

class OmArchive;

// The saved form every countdown shares.
class TsCountdownFile {
protected:
    static void WriteTicks(OmArchive& archive, int32_t ticks);
    // The saved count; below the floor the archive fails, naming what, and
    // the floor is answered.
    static int32_t ReadTicks(OmArchive& archive, int32_t floor, const char* what);
};

template <int32_t Floor>
class TsCountdown : private TsCountdownFile {
public:
    static constexpr int32_t kFloor = Floor;

    constexpr TsCountdown() = default;
    constexpr explicit TsCountdown(int32_t ticks) : m_ticks(std::max(ticks, Floor)) {}

    int32_t Get() const { return m_ticks; }
    void Set(int32_t ticks) { m_ticks = std::max(ticks, Floor); }
    // Lengthens the count to ticks; never shortens it.
    void AtLeast(int32_t ticks) { m_ticks = std::max(m_ticks, ticks); }
    void Tick()
    {
        if (m_ticks > Floor)
            --m_ticks;
    }

    void Write(OmArchive& archive) const { WriteTicks(archive, m_ticks); }
    void Read(OmArchive& archive, const char* what) { m_ticks = ReadTicks(archive, Floor, what); }

private:
    int32_t m_ticks = std::max(0, Floor);
};
