// The per-frame paths of the renderer, counted on the test's own thread.
#include <gtest/gtest.h>

#include "testing/AllocationCounter.h"
#include "tests/render/RendererFixture.h"

using FrameAllocTest = rtest::ScreenTest;

TEST_F(FrameAllocTest, FontDebugLinesAndLineListsAllocateNothingFrameAfterFrame)
{
    const float yellow[4] = {1, 1, 0, 1};
    const OmVector3 points[4] = {OmVector3(0, 0, 1), OmVector3(1, 1, 1), OmVector3(1, 0, 1), OmVector3(0, 1, 1)};
    const OmVector3 at(0, 0, 5);
    uint64_t counted = 0;
    for (int frame = 0; frame < 102; ++frame) {
        // Two frames to warm up: the driver builds its programs, the text
        // queue and the wire scratch reach their sizes.
        testalloc::Count(frame >= 2);
        const uint64_t before = testalloc::Counted();
        ASSERT_TRUE(renderer->BeginScene(float(frame) * 0.016f));
        renderer->Clear(nullptr, 0);
        renderer->QueueText(0.1f, 0.1f, "Health 100  Ammo 42", yellow, 1.0f);
        renderer->QueueText(0.1f, 0.2f, "A longer line of text that needs more than one batch to draw it all", yellow,
                            1.0f);
        renderer->DrawQueuedText();
        renderer->DrawText(0.5f, 0.5f, "direct", yellow, 1.0f);
        float w = 0, h = 0;
        renderer->GetTextExtent("direct", &w, &h);
        for (int i = 0; i < 300; ++i) // past the store's 256: dropped, not grown into
            renderer->AddDebugLine(0.0f, 0.0f, 1.0f, float(i), 1.0f, 1.0f, 1.0f, 0.5f, 0.0f, 1.0f);
        EXPECT_EQ(renderer->GetDebugLineCount(), 256u);
        renderer->DrawLines(2, points, 0xFFFFFFFF);
        renderer->DrawWirePrimitive(&at, 1.0f, 0.5f, 12, yellow);
        renderer->EndScene();
        testalloc::Count(false);
        counted += testalloc::Counted() - before;
        renderer->Present();
        renderer->ClearQueuedText();
    }
    EXPECT_EQ(counted, 0u);
    // The counter does count: a plain allocation registers.
    testalloc::Count(true);
    const uint64_t before = testalloc::Counted();
    delete new int(1);
    testalloc::Count(false);
    EXPECT_EQ(testalloc::Counted(), before + 1);
}
