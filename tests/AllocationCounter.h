// Counts the heap allocations a test makes on its own thread, for the tests
// that prove per-frame work allocates nothing. The program's global
// allocation functions are replaced in AllocationCounter.cpp, which the test
// programs that count link in once.
#pragma once

#include <cstdint>

namespace testalloc {

// Turns counting on or off for the calling thread; other threads (drivers,
// audio) are never counted.
void Count(bool on);

// Allocations counted so far, by every thread that had counting on.
uint64_t Counted();

} // namespace testalloc
