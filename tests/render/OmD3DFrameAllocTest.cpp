// The per-frame paths of the renderer - queued and direct text, debug lines,
// line lists and the wire cylinder - allocate nothing once running. This
// file replaces the global allocation functions to count calls made on the
// test's own thread while counting is on.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "tests/render/RendererFixture.h"

namespace {

thread_local bool t_counting = false;
uint64_t g_allocations = 0;

void* Allocate(std::size_t size)
{
    if (t_counting)
        ++g_allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void* AllocateNoThrow(std::size_t size) noexcept
{
    if (t_counting)
        ++g_allocations;
    return std::malloc(size ? size : 1);
}

} // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return AllocateNoThrow(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return AllocateNoThrow(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

using FrameAllocTest = rtest::RendererTest;

TEST_F(FrameAllocTest, FontDebugLinesAndLineListsAllocateNothingFrameAfterFrame)
{
    ASSERT_TRUE(Open(640, 480));
    const float yellow[4] = {1, 1, 0, 1};
    const OmVector3 points[4] = {OmVector3(0, 0, 1), OmVector3(1, 1, 1), OmVector3(1, 0, 1), OmVector3(0, 1, 1)};
    const OmVector3 at(0, 0, 5);
    uint64_t counted = 0;
    for (int frame = 0; frame < 102; ++frame) {
        // Two frames to warm up: the driver builds its programs, the text
        // queue and the wire scratch reach their sizes.
        t_counting = frame >= 2;
        const uint64_t before = g_allocations;
        ASSERT_TRUE(renderer->BeginScene(float(frame) * 0.016f));
        renderer->Clear(nullptr, 0);
        renderer->QueueText(0.1f, 0.1f, "Health 100  Ammo 42", yellow, 1.0f);
        renderer->QueueText(0.1f, 0.2f, "A longer line of text that needs more than one batch to draw it all", yellow,
                            1.0f);
        renderer->DrawQueuedText();
        renderer->DrawText(0.5f, 0.5f, "direct", yellow, 1.0f);
        float w = 0, h = 0;
        renderer->GetTextExtent("direct", &w, &h);
        for (int i = 0; i < 20; ++i)
            renderer->AddDebugLine(0.0f, 0.0f, 1.0f, float(i), 1.0f, 1.0f, 1.0f, 0.5f, 0.0f, 1.0f);
        renderer->DrawLines(2, points, 0xFFFFFFFF);
        renderer->DrawWirePrimitive(&at, 1.0f, 0.5f, 12, yellow);
        renderer->EndScene();
        t_counting = false;
        counted += g_allocations - before;
        renderer->Present();
        renderer->ClearQueuedText();
    }
    EXPECT_EQ(counted, 0u);
    // The counter does count: a plain allocation registers.
    t_counting = true;
    const uint64_t before = g_allocations;
    delete new int(1);
    t_counting = false;
    EXPECT_EQ(g_allocations, before + 1);
}
