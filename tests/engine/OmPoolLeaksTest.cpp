// The sanitizer build's report of pooled cells never given back.
#include <gtest/gtest.h>

#include <string>

#include "engine/OmFastAlloc.h"
#include "engine/OmPoolLeaks.h"

namespace {

// Named, so that the report can be seen to name the cell's maker.
__attribute__((noinline)) void* MakeTheProbeCell(OmFastAlloc& pool)
{
    return pool.Alloc(32);
}

TEST(OmPoolLeaks, ACellNeverGivenBackIsReportedWithItsPoolAndItsMaker)
{
    if (!OmPoolLeaks::kReports)
        GTEST_SKIP() << "only the sanitizer build keeps where cells were made";
    OmFastAlloc pool(32, 128, 8, "LeakProbe");
    void* kept = MakeTheProbeCell(pool);
    pool.Free(pool.Alloc(32)); // given back: not reported

    testing::internal::CaptureStderr();
    const uint32_t reported = OmPoolLeaks::Describe(pool, false, "the probe ended");
    const std::string text = testing::internal::GetCapturedStderr();

    EXPECT_EQ(reported, 1u);
    EXPECT_NE(text.find("Pool leak: a cell of pool LeakProbe"), std::string::npos) << text;
    EXPECT_NE(text.find("still allocated when the probe ended"), std::string::npos) << text;
    EXPECT_NE(text.find("MakeTheProbeCell"), std::string::npos) << text;
    pool.Free(kept);
    EXPECT_EQ(OmPoolLeaks::Describe(pool, false, "the probe ended"), 0u);
}

} // namespace
