#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/KeyCodes.h"
#include "platform/Window.h"
#include "tests/platform/PrivateDisplay.h"

// SDL's USB-HID scancode numbers of the keys checked here (stable ABI values).
namespace sc {
constexpr int A = 4, Num1 = 30, F1 = 58, Backslash = 49;
} // namespace sc

TEST(KeyCodes, LettersRunAlongTheRowsOfTheMainBlock)
{
    // Q to P, A to L, Z to M: each row counts up from its first key's code.
    constexpr std::string_view rows[] = {"qwertyuiop", "asdfghjkl", "zxcvbnm"};
    constexpr int rowStart[] = {16, 30, 44};
    for (int r = 0; r < 3; ++r) {
        for (size_t i = 0; i < rows[r].size(); ++i)
            EXPECT_EQ(plat::KeyCodeFromScancode(sc::A + (rows[r][i] - 'a')), rowStart[r] + int(i)) << rows[r][i];
    }
}

TEST(KeyCodes, DigitsAndFunctionKeysRunInKeyboardOrder)
{
    for (int i = 0; i < 10; ++i) { // SDL orders 1..9, 0 like the keyboard
        EXPECT_EQ(plat::KeyCodeFromScancode(sc::Num1 + i), 2 + i);
        EXPECT_EQ(plat::KeyCodeFromScancode(sc::F1 + i), 59 + i);
    }
}

TEST(KeyCodes, NamedKeysGiveTheirCodesAndScancodesOutsideTheTableNone)
{
    const struct {
        int scancode, code;
        const char* key;
    } cases[] = {
        {68, 87, "F11"},          {69, 88, "F12"},           {224, 29, "left control"}, {228, 157, "right control"},
        {225, 42, "left shift"},  {229, 54, "right shift"},  {226, 56, "left alt"},     {230, 184, "right alt"},
        {227, 219, "left logo"},  {231, 220, "right logo"},  {40, 28, "Return"},        {88, 156, "keypad Enter"},
        {89, 79, "keypad 1"},     {41, 1, "Escape"},         {44, 57, "Space"},         {82, 200, "up"},
        {80, 203, "left"},        {79, 205, "right"},        {81, 208, "down"},
        // The key beside Enter is one key whatever the keyboard calls it.
        {50, 43, "non-US hash"},  {sc::Backslash, 43, "backslash"},
        {-1, 0, "before the table"}, {512, 0, "past the table"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(plat::KeyCodeFromScancode(c.scancode), c.code) << c.key;
    EXPECT_EQ(plat::ScancodeFromKeyCode(43), sc::Backslash);
    for (int code : {-1, 256})
        EXPECT_EQ(plat::ScancodeFromKeyCode(code), 0) << code;
}

namespace {

// The language the keymap gives once the layout is set on the display's
// server, read by a window (SDL's video) opened on it.
int LanguageWithLayout(const std::string& display, const char* layout)
{
    const std::string command = "timeout 60 setxkbmap -display " + display + " " + layout;
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    plat::WindowDesc desc;
    desc.width = 64;
    desc.height = 64;
    std::string error;
    auto window = plat::Window::Create(desc, &plat::DefaultWindowProc, &error);
    EXPECT_NE(window, nullptr) << error;
    return plat::KeyboardLayoutLanguage();
}

} // namespace

TEST(KeyboardLayout, LanguageComesFromTheServersKeymap)
{
    testwin::PrivateDisplay display("320x240x24");
    ASSERT_FALSE(display.Name().empty()) << "Xvfb did not start:\n" << display.Log();
    const char* shared = std::getenv("DISPLAY");
    const std::string saved = shared ? shared : "";
    setenv("DISPLAY", display.Name().c_str(), 1);
    const struct {
        const char* layout;
        int language;
    } layouts[] = {{"gb", 0}, {"us", plat::kLanguageUsEnglish}, {"de", 0}, {"fr", 0}};
    for (const auto& l : layouts)
        EXPECT_EQ(LanguageWithLayout(display.Name(), l.layout), l.language) << l.layout;
    setenv("DISPLAY", saved.c_str(), 1);
}
