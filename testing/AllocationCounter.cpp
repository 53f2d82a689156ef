#include "testing/AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>

namespace {

thread_local bool t_counting = false;
std::atomic<bool> g_everyThread{false};
std::atomic<uint64_t> g_allocations{0};
std::atomic<uint64_t> g_liveBytes{0};
std::atomic<uint64_t> g_peakBytes{0};

void* Allocate(std::size_t size) noexcept
{
    if (t_counting || g_everyThread.load(std::memory_order_relaxed))
        g_allocations.fetch_add(1, std::memory_order_relaxed);
    void* p = std::malloc(size ? size : 1);
    if (p) {
        const uint64_t bytes = malloc_usable_size(p);
        const uint64_t live = g_liveBytes.fetch_add(bytes, std::memory_order_relaxed) + bytes;
        uint64_t peak = g_peakBytes.load(std::memory_order_relaxed);
        while (live > peak && !g_peakBytes.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
        }
    }
    return p;
}

void Free(void* p) noexcept
{
    if (p)
        g_liveBytes.fetch_sub(malloc_usable_size(p), std::memory_order_relaxed);
    std::free(p);
}

void* AllocateOrThrow(std::size_t size)
{
    if (void* p = Allocate(size))
        return p;
    throw std::bad_alloc();
}

} // namespace

namespace testalloc {

void Count(bool on)
{
    t_counting = on;
}

void CountEveryThread(bool on)
{
    g_everyThread.store(on, std::memory_order_relaxed);
}

uint64_t Counted()
{
    return g_allocations.load(std::memory_order_relaxed);
}

uint64_t LiveBytes()
{
    return g_liveBytes.load(std::memory_order_relaxed);
}

uint64_t PeakBytes()
{
    return g_peakBytes.load(std::memory_order_relaxed);
}

void ResetPeak()
{
    g_peakBytes.store(g_liveBytes.load(std::memory_order_relaxed), std::memory_order_relaxed);
}

} // namespace testalloc

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { Free(p); }
void operator delete[](void* p) noexcept { Free(p); }
void operator delete(void* p, std::size_t) noexcept { Free(p); }
void operator delete[](void* p, std::size_t) noexcept { Free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Free(p); }
