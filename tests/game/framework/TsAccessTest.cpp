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

    // Without a level its radar and in-game menu are not there either.
    EXPECT_EQ(TsAccess::CurrentLevel(), nullptr);
    EXPECT_EQ(TsAccess::Radar(), nullptr);
    EXPECT_EQ(TsAccess::GameFrontEnd(), nullptr);
    EXPECT_EQ(TsAccess::HUDe(), nullptr);
}

} // namespace
