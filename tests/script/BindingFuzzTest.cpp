// The binding under random calls, seeded so a failure repeats: any fault
// (a crash, a use of freed memory, undefined behaviour, a leak) stops the
// run under the sanitizers, and the test names the seed that found it. The
// libFuzzer target fuzz_binding drives the same sessions for longer runs.

#include <gtest/gtest.h>

#include <atomic>

#include "tests/fuzz/BindingFuzz.h"
#include "tests/game/framework/LogCapture.h"

constexpr uint32_t kSeeds = 200;
constexpr int kSteps = 500;

TEST(BindingFuzzTest, RandomCallsRaiseErrorsButNeverFault)
{
    LogCapture quiet; // thousands of refusals are logged on purpose
    bindingfuzz::Tally tally;
    for (uint32_t seed = 1; seed <= kSeeds; ++seed) {
        SCOPED_TRACE(seed);
        bindingfuzz::Choices choices(seed);
        bindingfuzz::Session(choices, tally).Run(kSteps);
    }
    // The run reached the whole package, and both answers came back.
    EXPECT_GT(tally.functions, 400u);
    EXPECT_EQ(tally.calls, size_t(kSeeds) * kSteps);
    EXPECT_GT(tally.refused, tally.calls / 4);
    EXPECT_GT(tally.calls - tally.refused, tally.calls / 20);
}

// A call that hangs (a loop a script's number drives) stops the run with
// the call named, instead of stalling it for ever.
TEST(BindingFuzzTest, ACallThatDoesNotReturnWithinASecondStopsTheRun)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe"); // the watchdog's thread must run in the child
    EXPECT_DEATH(
        {
            bindingfuzz::Watchdog::Instance().Begin("TsCharacterObject.GiveEntireInventory");
            std::atomic<uint64_t> spin{0};
            for (;;)
                spin.fetch_add(1, std::memory_order_relaxed);
        },
        "did not return within a second: TsCharacterObject.GiveEntireInventory");
}
