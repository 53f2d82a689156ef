#include "game/world/TsDirectionTable.h"

#include <cmath>

namespace {

// The six axes, then a Fibonacci spiral of the remaining points: an even
// spread whose nearest neighbours lie about ten to thirteen degrees apart.
struct Table {
    OmVector3 entries[kTsDirectionCount];
    Table()
    {
        const OmVector3 axes[6] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {-1, 0, 0}, {0, -1, 0}, {0, 0, -1}};
        for (int i = 0; i < 6; ++i)
            entries[i] = axes[i];
        constexpr int kSpread = kTsDirectionCount - 6;
        const double golden = 3.14159265358979323846 * (3.0 - std::sqrt(5.0));
        for (int i = 0; i < kSpread; ++i) {
            const double y = 1.0 - (double(i) + 0.5) * 2.0 / kSpread;
            const double r = std::sqrt(1.0 - y * y);
            const double a = golden * i;
            entries[6 + i] = OmVector3(float(r * std::cos(a)), float(r * std::sin(a)), float(y));
        }
    }
};

const Table& TheTable()
{
    static const Table table;
    return table;
}

} // namespace

const OmVector3& TsDirection(uint32_t index)
{
    return TheTable().entries[index & 255u];
}

uint8_t TsNearestDirection(const OmVector3& n)
{
    const Table& table = TheTable();
    int best = 0;
    float bestDot = 0.0f;
    for (int i = 0; i < kTsDirectionCount; ++i) {
        const float dot = table.entries[i].Dot(n);
        if (dot > bestDot) {
            bestDot = dot;
            best = i;
        }
    }
    return uint8_t(best);
}
