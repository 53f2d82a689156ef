// Bucket counts for the hash maps: a table of primes, each roughly double
// the one before.
#pragma once

#include <cstdint>

// The first prime of the table greater than n (both compared as signed
// 32-bit numbers). Past the end of the table the program stops with a fatal
// error: a map that large means something has gone badly wrong.
int32_t OmPrime_GetNext(int32_t n);
