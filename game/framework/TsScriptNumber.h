// Every script number is a double. Wherever the game takes an integer from a
// script (a binding's argument, a member variable, the answer of a script
// function) it uses this one rule, so that a script sees the same integer
// whichever way its number travels.
#pragma once

#include <cmath>
#include <cstdint>

// Truncated toward zero through a 64-bit integer, of which the low 32 bits
// are kept (4294967301 gives 5, 2147483648 gives INT32_MIN). A number with no
// 64-bit value (NaN, an infinity, or anything at or beyond 2^63 in size)
// gives 0.
inline std::int32_t TsScriptNumberToInt(double d)
{
    constexpr double kLimit = 9223372036854775808.0; // 2^63
    if (std::isnan(d) || d >= kLimit || d < -kLimit) {
        return 0;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::int64_t>(d)));
}
