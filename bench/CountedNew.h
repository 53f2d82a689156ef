// Counts every heap allocation of the program, for the benchmarks that
// report allocations per frame. Replacement allocation functions may be
// defined once per program: include this header from exactly one source
// file of a benchmark program.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

// The replacements pair malloc with free, which the compiler cannot see
// through once they are inlined into new-expressions.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace bench {
inline std::atomic<uint64_t> g_allocations{0};
}

void* operator new(std::size_t size)
{
    bench::g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
