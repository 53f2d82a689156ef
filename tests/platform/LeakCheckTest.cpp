#include "platform/LeakCheck.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// A pointer the leak checker cannot see while it is scrambled: the block it
// names counts as lost until the pointer is put back.
struct HiddenBlock {
    static constexpr std::uintptr_t kMask = 0x5a5a5a5a5a5a5a5aULL;
    std::uintptr_t scrambled = reinterpret_cast<std::uintptr_t>(std::malloc(64)) ^ kMask;
    ~HiddenBlock() { std::free(reinterpret_cast<void*>(scrambled ^ kMask)); }
};

} // namespace

TEST(LeakCheck, AForkedCheckFindsALostBlockAndPassesOnceItIsFound)
{
    if (!OM_LEAK_CHECK)
        GTEST_SKIP() << "this build has no leak checker";
    if (const char* options = std::getenv("ASAN_OPTIONS"); options && std::strstr(options, "detect_leaks=0"))
        GTEST_SKIP() << "leak detection is switched off";
    {
        HiddenBlock lost; // the copy reports it as usual; the test goes on
        EXPECT_EQ(plat::CheckLeaksNow(), plat::LeakCheck::kLeaks);
    }
    EXPECT_EQ(plat::CheckLeaksNow(), plat::LeakCheck::kClean);
    EXPECT_EQ(plat::ExitCodeAfterLeakCheck(7), 7);
}
