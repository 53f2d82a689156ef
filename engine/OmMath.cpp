#include "engine/OmMath.h"

#include <cmath>
#include <cstring>

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

// The root's mantissa as the game's square-root table held it: the table
// was indexed by the low exponent bit and the top 15 mantissa bits, and
// entry i held the mantissa of the root of the float with those bits over
// 2..4 (exponent bit clear) or 1..2 (set).
uint32_t RootMantissa(uint32_t index)
{
    const uint32_t base = (index & 0x8000u) ? 0x3F800000u : 0x40000000u;
    return FloatBits(std::sqrt(BitsFloat(base | (index & 0x7FFFu) << 8))) & 0x7FFFFFu;
}

} // namespace

// The old table's answers without its 256 KB, which every neighbour's
// distance used to pull through the cache. For a positive normal number the
// table's answer is exactly the correctly rounded root of the number with
// its low 8 mantissa bits cleared (the table ignored them; its exponent
// halves as the root's does), which the processor gives at once (FastSqrt
// does that inline). Denormals and infinity keep the table's arithmetic,
// entry and all.
float FastSqrtOther(float f)
{
    if (!(f > 0.0f)) {
        return 0.0f;
    }
    const uint32_t bits = FloatBits(f);
    if (bits >= 0x00800000u && bits < 0x7F800000u) {
        return std::sqrt(BitsFloat(bits & ~0xFFu));
    }
    const int32_t b = static_cast<int32_t>(bits);
    const uint32_t exponent = static_cast<uint32_t>(((b - 0x3F800000) >> 1) + 0x3F800000) & 0x7F800000u;
    return BitsFloat(RootMantissa((bits >> 8) & 0xFFFFu) | exponent);
}
