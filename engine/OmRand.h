// The game's own C-runtime-style random numbers: 15-bit results (0..32767)
// from the classic linear congruential step, so formulas that divide by
// OM_RAND_MAX behave the same on every host (glibc's rand is 31-bit).
#pragma once

#include <cstdint>

constexpr int OM_RAND_MAX = 32767;

// Next value in 0..OM_RAND_MAX.
int OmRand();

// The next value as a fraction of OM_RAND_MAX: 0 to 1, both ends included.
inline float OmRand01() { return float(OmRand()) / float(OM_RAND_MAX); }

// Restarts the sequence; the sequence before any call starts from seed 1.
void OmSRand(uint32_t seed);

