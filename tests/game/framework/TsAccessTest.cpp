#include <gtest/gtest.h>

#include "game/framework/TsAccess.h"
#include "tests/game/framework/LogCapture.h"

namespace {

TEST(TsAccess, ExitMovieAndMissingObjects)
{
    LogCapture log;
    TsAccess::SetExitMovie("outro.bik");
    TsAccess::SetExitMovie(TsAccess::GetExitMovie()); // its own text
    EXPECT_STREQ(TsAccess::GetExitMovie(), "outro.bik");
    TsAccess::SetExitMovie("");
    EXPECT_EQ(TsAccess::GetExitMovie(), nullptr);
    TsAccess::SetExitMovie(nullptr);
    EXPECT_EQ(TsAccess::GetExitMovie(), nullptr);

    // Objects that do not exist answer null and say so once.
    EXPECT_EQ(TsAccess::HUDe(), nullptr);
    EXPECT_EQ(TsAccess::HUDe(), nullptr);
    EXPECT_EQ(log.Lines().size(), 1u);
    EXPECT_TRUE(log.Contains("TsAccess::HUDe"));
    EXPECT_EQ(TsAccess::CurrentLevel(), nullptr);
}

} // namespace
