// Scalar helpers and constants shared by all of the engine's arithmetic.
#pragma once

#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>

// Constants in float arithmetic. They are compile-time values (the float
// nearest pi equals 4 * atan2f(1, 1)) so that static initialisers in other
// files can use them safely.
inline constexpr float OM_PI = 3.14159265358979323846f;
inline constexpr float OM_HALF_PI = OM_PI * 0.5f;
inline constexpr float OM_TWO_PI = OM_PI * 2.0f;
inline constexpr float OM_INV_PI = 1.0f / OM_PI;
inline constexpr float OM_INV_TWO_PI = 1.0f / OM_TWO_PI;
inline constexpr float OM_DEG_TO_RAD = OM_PI * 0.0055555557f;
inline constexpr float OM_RAD_TO_DEG = OM_INV_PI * 180.0f;
inline constexpr float OM_SQRT2 = 1.41421356237309504880f;
inline constexpr float OM_HALF_SQRT2 = OM_SQRT2 / 2.0f;

// lo when v < lo, else hi when v > hi, else v. lo is tested first, so it wins
// when the range is inverted.
inline int ClampInt(int v, int lo, int hi)
{
    if (v < lo) {
        return lo;
    }
    if (v > hi) {
        return hi;
    }
    return v;
}

// A number from a script or a file as an int, truncated toward zero. A bare
// cast is undefined past the int's range and for NaN; here a value past the
// range gives the nearest limit and NaN gives 0.
inline int32_t SaturatingInt(double v)
{
    if (std::isnan(v)) {
        return 0;
    }
    if (v <= double(INT32_MIN)) {
        return INT32_MIN;
    }
    return v >= double(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(v);
}

// v held to 0..1; NaN stays NaN.
inline float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

// Nearest integer with halves going to the even neighbour, as the
// processor's default rounding does.
int RoundToInt(float f);

// The game's coarse square root: the root of the number with its low 8
// mantissa bits dropped, accurate to about 15 mantissa bits, the same on
// every machine. Zero, negative inputs and NaN give 0. A positive normal
// number, all that distances give, is worked out here, where every
// neighbour's measure can have it without a call; the rest out of line.
float FastSqrtOther(float f);
inline float FastSqrt(float f)
{
    const uint32_t bits = std::bit_cast<uint32_t>(f);
    if (bits - 0x00800000u < 0x7F000000u)
        return std::sqrt(std::bit_cast<float>(bits & ~0xFFu));
    return FastSqrtOther(f);
}
