#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/Display.h"

namespace {

// The tests run on a virtual X display.
TEST(Display, ARealDisplayIsFoundAndADriverThatDrawsNowhereIsNot)
{
    std::string reason;
    EXPECT_TRUE(plat::HasDisplay(&reason)) << reason;
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display ? display : "";
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    const bool found = plat::HasDisplay(&reason);
    // Chosen by name, a driver that draws nowhere is what the user wants.
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    const bool chosen = plat::HasDisplay();
    unsetenv("SDL_VIDEODRIVER");
    if (!saved.empty()) {
        setenv("DISPLAY", saved.c_str(), 1);
    }
    EXPECT_FALSE(found);
    EXPECT_FALSE(reason.empty());
    EXPECT_TRUE(chosen);
}

} // namespace
