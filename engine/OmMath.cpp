#include "engine/OmMath.h"

#include <cmath>
#include <cstring>
#include <vector>

int RoundToInt(float f) { return static_cast<int>(std::lrintf(f)); }

namespace {

uint32_t FloatBits(float f)
{
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

float BitsFloat(uint32_t b)
{
    float f;
    std::memcpy(&f, &b, sizeof f);
    return f;
}

// Mantissas of square roots indexed by the low exponent bit and the top 15
// mantissa bits: the first half covers 2..4, the second half 1..2.
const std::vector<uint32_t>& SqrtTable()
{
    static const std::vector<uint32_t> table = [] {
        std::vector<uint32_t> t(65536);
        for (uint32_t i = 0; i < 32768; ++i) {
            t[i] = FloatBits(std::sqrt(BitsFloat(0x40000000u | i << 8))) & 0x7FFFFFu;
            t[32768 + i] = FloatBits(std::sqrt(BitsFloat(0x3F800000u | i << 8))) & 0x7FFFFFu;
        }
        return t;
    }();
    return table;
}

// Built while the program starts rather than on the first call in a frame.
[[maybe_unused]] const bool g_sqrtTableReady = !SqrtTable().empty();

} // namespace

float FastSqrt(float f)
{
    if (!(f > 0.0f)) {
        return 0.0f;
    }
    const int32_t b = static_cast<int32_t>(FloatBits(f));
    const uint32_t exponent = static_cast<uint32_t>(((b - 0x3F800000) >> 1) + 0x3F800000) & 0x7F800000u;
    return BitsFloat(SqrtTable()[(b >> 8) & 0xFFFF] | exponent);
}
