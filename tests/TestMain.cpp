// Entry point of every test program: the same process set-up as the game.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/MessageBox.h"
#include "platform/Process.h"

int main(int argc, char** argv)
{
    plat::UseCLocale();
    // A modal box would wait for a click that never comes under the virtual
    // display; tests that look at boxes install their own hook over this one.
    plat::SetMessageBoxHook([](std::string_view caption, std::string_view text) {
        std::fprintf(stderr, "[message box] %s: %s\n", std::string(caption).c_str(),
                     std::string(text).c_str());
    });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
