#include <gtest/gtest.h>

#include <set>
#include <string_view>

#include "platform/KeyCodes.h"

// SDL's USB-HID scancode numbers of the keys checked here (stable ABI values).
namespace sc {
constexpr int A = 4;
constexpr int Num1 = 30;
constexpr int Return = 40;
constexpr int Escape = 41;
constexpr int Space = 44;
constexpr int F1 = 58;
constexpr int F12 = 69;
constexpr int Right = 79, Left = 80, Down = 81, Up = 82;
constexpr int Kp1 = 89;
constexpr int KpEnter = 88;
constexpr int NonUsHash = 50;
constexpr int Backslash = 49;
constexpr int LCtrl = 224, LShift = 225, LAlt = 226, LGui = 227;
constexpr int RCtrl = 228, RShift = 229, RAlt = 230, RGui = 231;
constexpr int Count = 512;
} // namespace sc

TEST(KeyCodes, LettersDigitsAndFunctionKeysFollowThePhysicalRows)
{
    // Key codes run along the rows of the main block: Q to P, A to L, Z to M.
    constexpr std::string_view rows[] = {"qwertyuiop", "asdfghjkl", "zxcvbnm"};
    constexpr int rowStart[] = {16, 30, 44};
    for (int r = 0; r < 3; ++r) {
        for (size_t i = 0; i < rows[r].size(); ++i) {
            const int scancode = sc::A + (rows[r][i] - 'a');
            EXPECT_EQ(plat::KeyCodeFromScancode(scancode), rowStart[r] + static_cast<int>(i))
                << "letter " << rows[r][i];
        }
    }
    for (int d = 0; d < 10; ++d) { // SDL orders 1..9, 0 like the keyboard
        EXPECT_EQ(plat::KeyCodeFromScancode(sc::Num1 + d), 2 + d);
    }
    for (int f = 0; f < 10; ++f) {
        EXPECT_EQ(plat::KeyCodeFromScancode(sc::F1 + f), 59 + f);
    }
    EXPECT_EQ(plat::KeyCodeFromScancode(sc::F12 - 1), 87);
    EXPECT_EQ(plat::KeyCodeFromScancode(sc::F12), 88);
}

TEST(KeyCodes, SidesOfModifiersAndNumpadTwinsStayApart)
{
    EXPECT_EQ(plat::KeyCodeFromScancode(sc::LCtrl), 29);
    EXPECT_EQ(plat::KeyCodeFromScancode(sc::RCtrl), 157);
    EXPECT_EQ(plat::KeyCodeFromScancode(sc::LShift), 42);
    EXPECT_EQ(plat::KeyCodeFromScancode(sc::RShift), 54);
    EXPECT_EQ(plat::KeyCodeFromScancode(sc::LAlt), 56);
    EXPECT_EQ(plat::KeyCodeFromScancode(sc::RAlt), 184);
    EXPECT_EQ(plat::KeyCodeFromScancode(sc::LGui), 219);
    EXPECT_EQ(plat::KeyCodeFromScancode(sc::RGui), 220);
    EXPECT_EQ(plat::KeyCodeFromScancode(sc::Return), 28);
    EXPECT_EQ(plat::KeyCodeFromScancode(sc::KpEnter), 156);
    EXPECT_EQ(plat::KeyCodeFromScancode(sc::Kp1), 79);
    EXPECT_EQ(plat::KeyCodeFromScancode(sc::Escape), 1);
    EXPECT_EQ(plat::KeyCodeFromScancode(sc::Space), 57);
    EXPECT_EQ(plat::KeyCodeFromScancode(sc::Up), 200);
    EXPECT_EQ(plat::KeyCodeFromScancode(sc::Left), 203);
    EXPECT_EQ(plat::KeyCodeFromScancode(sc::Right), 205);
    EXPECT_EQ(plat::KeyCodeFromScancode(sc::Down), 208);
    // The key beside Enter is one key whatever the keyboard calls it.
    EXPECT_EQ(plat::KeyCodeFromScancode(sc::NonUsHash), 43);
    EXPECT_EQ(plat::KeyCodeFromScancode(sc::Backslash), 43);
    EXPECT_EQ(plat::ScancodeFromKeyCode(43), sc::Backslash);
}

TEST(KeyCodes, EveryCodeIsInRangeAndMapsBackToAKeyGivingIt)
{
    std::set<int> produced;
    for (int s = -1; s <= sc::Count; ++s) {
        const int code = plat::KeyCodeFromScancode(s);
        if (code != 0) {
            EXPECT_GE(code, 1);
            EXPECT_LE(code, 237);
            produced.insert(code);
        }
    }
    EXPECT_GT(produced.size(), 130u);
    for (int code = 0; code < plat::kKeyCodeCount; ++code) {
        const int scancode = plat::ScancodeFromKeyCode(code);
        if (produced.count(code)) {
            EXPECT_EQ(plat::KeyCodeFromScancode(scancode), code) << "code " << code;
        } else {
            EXPECT_EQ(scancode, 0) << "code " << code;
        }
    }
    EXPECT_EQ(plat::ScancodeFromKeyCode(-1), 0);
    EXPECT_EQ(plat::ScancodeFromKeyCode(256), 0);
}
