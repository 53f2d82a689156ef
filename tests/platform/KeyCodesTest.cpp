#include <gtest/gtest.h>

#include <string_view>

#include "platform/KeyCodes.h"

// SDL's USB-HID scancode numbers of the keys checked here (stable ABI values).
namespace sc {
constexpr int A = 4, Num1 = 30, F1 = 58, Backslash = 49;
} // namespace sc

TEST(KeyCodes, KeysGiveTheCodeOfTheirPlaceOnTheKeyboard)
{
    // Key codes run along the rows of the main block: Q to P, A to L, Z to M.
    constexpr std::string_view rows[] = {"qwertyuiop", "asdfghjkl", "zxcvbnm"};
    constexpr int rowStart[] = {16, 30, 44};
    for (int r = 0; r < 3; ++r) {
        for (size_t i = 0; i < rows[r].size(); ++i)
            EXPECT_EQ(plat::KeyCodeFromScancode(sc::A + (rows[r][i] - 'a')), rowStart[r] + int(i)) << rows[r][i];
    }
    for (int i = 0; i < 10; ++i) { // SDL orders 1..9, 0 like the keyboard
        EXPECT_EQ(plat::KeyCodeFromScancode(sc::Num1 + i), 2 + i);
        EXPECT_EQ(plat::KeyCodeFromScancode(sc::F1 + i), 59 + i);
    }
    // Scancode, key code: F11, F12; left and right control, shift, alt and
    // logo keys; Return and keypad Enter; keypad 1; Escape, Space, the
    // arrows; the key beside Enter is one key whatever the keyboard calls it.
    const int cases[][2] = {{68, 87},  {69, 88},  {224, 29}, {228, 157}, {225, 42}, {229, 54}, {226, 56},
                            {230, 184}, {227, 219}, {231, 220}, {40, 28},  {88, 156}, {89, 79},  {41, 1},
                            {44, 57},  {82, 200}, {80, 203}, {79, 205}, {81, 208}, {50, 43},  {sc::Backslash, 43}};
    for (const auto& c : cases)
        EXPECT_EQ(plat::KeyCodeFromScancode(c[0]), c[1]) << "scancode " << c[0];
    EXPECT_EQ(plat::ScancodeFromKeyCode(43), sc::Backslash);
    // Codes and scancodes outside the tables have no key.
    for (auto [scancode, code] : {std::pair{-1, -1}, {512, 256}})
        EXPECT_EQ(plat::KeyCodeFromScancode(scancode) | plat::ScancodeFromKeyCode(code), 0) << scancode;
}
