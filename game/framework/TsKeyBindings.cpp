#include "game/framework/TsKeyBindings.h"

namespace {
constexpr int32_t kDefaultKeys[TsKeyBindings::kActionCount] = {
    -1, -1, -1, -1, -1, // 0-4: mouse only
    203,                // 5 LEFT
    205,                // 6 RIGHT
    208,                // 7 DOWN
    200,                // 8 UP
    1,                  // 9 ESCAPE
    57,                 // 10 SPACE
    28,                 // 11 RETURN
    209,                // 12 PAGE DOWN
    201,                // 13 PAGE UP
    29,                 // 14 LCONTROL
    38,                 // 15 L
    42,                 // 16 LSHIFT
    35,                 // 17 H
    59,                 // 18 F1
    60,                 // 19 F2
    61,                 // 20 F3
    2, 3, 4, 5, 6,      // 21-25 "1" to "5"
    64,                 // 26 F6
    65,                 // 27 F7
    68,                 // 28 F10
    -1, -1, -1, -1,     // 29-32 none
    88,                 // 33 F12
    58,                 // 34 CAPITAL
    42,                 // 35 LSHIFT
    57,                 // 36 SPACE
    15,                 // 37 TAB
};
constexpr int32_t kDefaultMouse[TsKeyBindings::kMouseActionCount] = {0, 1, 2, 0, 1};
constexpr int kMouseButtonCount = 8;
constexpr int kKeyCodeCount = 256;
} // namespace

void TsKeyBindings::SetDefaults()
{
    for (int i = 0; i < kMouseActionCount; ++i) {
        mouseButton[i] = kDefaultMouse[i];
    }
    useMouseWheel = 1;
    for (int i = 0; i < kActionCount; ++i) {
        key[i] = kDefaultKeys[i];
    }
}

int32_t TsKeyBindings::KeyOf(int action) const
{
    if (action < 0 || action >= kActionCount) {
        return kNone;
    }
    const int32_t k = key[action];
    return (k >= 0 && k < kKeyCodeCount) ? k : kNone;
}

int32_t TsKeyBindings::MouseButtonOf(int action) const
{
    if (action < 0 || action >= kMouseActionCount) {
        return kNone;
    }
    const int32_t b = mouseButton[action];
    return (b >= 0 && b < kMouseButtonCount) ? b : kNone;
}

void TsKeyBindings::SetKey(int action, int32_t keyCode)
{
    if (action < 0 || action >= kActionCount) {
        return;
    }
    key[action] = (keyCode >= 0 && keyCode < kKeyCodeCount) ? keyCode : kNone;
}
