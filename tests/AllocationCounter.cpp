#include "tests/AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

thread_local bool t_counting = false;
std::atomic<uint64_t> g_allocations{0};

void* Allocate(std::size_t size) noexcept
{
    if (t_counting)
        g_allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
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

uint64_t Counted()
{
    return g_allocations.load(std::memory_order_relaxed);
}

} // namespace testalloc

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
