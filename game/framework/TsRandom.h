// The game's own random numbers, shared by the AI and the audio: a 31-bit
// linear congruential generator whose sequence is the same on every host,
// so a level replays the same way wherever it runs.
#pragma once

#include <cstdint>

// seed := (seed * 1103515245 + 12345) mod 2^31; answers the new seed. The
// seed is 1 when the program starts.
int32_t Random();
// The low 8 bits of the next Random().
int32_t RandByte();
// Restarts the sequence from a seed (only its low 31 bits count).
void SeedRandom(uint32_t seed);
// The seed count draws of Random() would leave after seed, without drawing
// them: a few multiplications however large the count.
uint32_t RandomSeedAfter(uint32_t seed, uint64_t count);
