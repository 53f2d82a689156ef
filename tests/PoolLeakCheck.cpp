// Fails a test program, as the sanitizer's leak check does for the heap,
// when a pooled object was never given back: reported when a test's game
// systems stopped, or found here once every test and its fixtures are gone.
// Linked into every test program whose code has pools.
#include <gtest/gtest.h>

#include "engine/OmPoolLeaks.h"

namespace {

class PoolLeakCheck : public ::testing::Environment {
public:
    void TearDown() override
    {
        OmPoolLeaks::ReportEveryPool("the test program ended");
        EXPECT_EQ(OmPoolLeaks::Reported(), 0u) << "pooled objects leaked: see the \"Pool leak\" lines above";
    }
};

[[maybe_unused]] ::testing::Environment* const g_poolLeakCheck =
    OmPoolLeaks::kReports ? ::testing::AddGlobalTestEnvironment(new PoolLeakCheck) : nullptr;

} // namespace
