// Counts the heap allocations a test makes on its own thread, for the tests
// that prove per-frame work allocates nothing, or the whole program's, for the
// benchmarks that report allocations per frame; and the heap bytes in use, for
// the tests that bound what a piece of work may ask of memory. The program's
// global allocation functions are replaced in AllocationCounter.cpp, which the
// test and benchmark programs that count link in once.
#pragma once

#include <cstdint>

namespace testalloc {

// Turns counting on or off for the calling thread; other threads (drivers,
// audio) are never counted.
void Count(bool on);

// Turns counting on or off for every thread at once.
void CountEveryThread(bool on);

// Allocations counted so far, by every thread while it was counted.
uint64_t Counted();

// Heap bytes the whole program holds now (every thread, whether counting or
// not), and the most it held at once since the last ResetPeak: what a piece
// of work asked of memory, however briefly.
uint64_t LiveBytes();
uint64_t PeakBytes();
void ResetPeak();

} // namespace testalloc
