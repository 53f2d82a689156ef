// Game objects live in their classes' pools; the sanitizer build must still
// see a freed object touched or freed again, and say who freed it.
#include <gtest/gtest.h>

#include "engine/OmFastAlloc.h"
#include "game/objects/TsItemObject.h"

#if OM_POOL_POISONING

namespace {

struct MisuseCase {
    const char* what;
    void (*misuse)(TsItemObject* freed);
    const char* report;
};

const MisuseCase kMisuses[] = {
    {"read after release", [](TsItemObject* freed) { [[maybe_unused]] volatile int32_t stack = freed->GetStack(); },
     "use-after-poison.*is [0-9]+ bytes inside a cell of pool TsItemObject, freed by:\n +#0 .*Release"},
    {"released twice", [](TsItemObject* freed) { freed->Release(); },
     "use-after-poison.*is [0-9]+ bytes inside a cell of pool TsItemObject, freed by:\n +#0 .*Release"},
};

} // namespace

TEST(PooledObjectDeathTest, UseAndFreeAfterReleaseAreReportedWithTheFreeingStack)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const MisuseCase& c : kMisuses) {
        SCOPED_TRACE(c.what);
        EXPECT_DEATH(
            {
                auto* item = new TsItemObject; // made holding its one reference
                item->Release();
                c.misuse(item);
            },
            c.report);
    }
}

#endif
