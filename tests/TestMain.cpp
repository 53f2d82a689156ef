// Entry point of every test program: the same process set-up as the game.
#include <gtest/gtest.h>

#include "platform/Process.h"

int main(int argc, char** argv)
{
    plat::UseCLocale();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
