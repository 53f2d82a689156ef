#include "game/framework/TsKeyBindings.h"

#include "platform/KeyCodes.h"

namespace {
constexpr int32_t kDefaultKeys[TsKeyBindings::kActionCount] = {
    -1, -1, -1, -1, -1,                                 // select to attack: mouse only
    plat::kKeyLeft,                                     // camera left
    plat::kKeyRight,                                    // camera right
    plat::kKeyDown,                                     // zoom out
    plat::kKeyUp,                                       // zoom in
    plat::kKeyEscape,                                   // menu
    plat::kKeySpace,                                    // skip line
    plat::kKeyReturn,                                   // end talk
    plat::kKeyPageDown,                                 // next weapon
    plat::kKeyPageUp,                                   // previous weapon
    plat::kKeyLeftControl,                              // weapon mode
    plat::kKeyL,                                        // diary
    plat::kKeyLeftShift,                                // inventory
    plat::kKeyH,                                        // heal
    plat::kKeyF1, plat::kKeyF2, plat::kKeyF3,           // members 1 to 3
    plat::kKey1, plat::kKey2, plat::kKey3, plat::kKey4, // near, middle, far, overhead view
    plat::kKey5,                                        // free view
    plat::kKeyF6,                                       // quick save
    plat::kKeyF7,                                       // quick load
    plat::kKeyF10,                                      // quit
    -1, -1, -1, -1,                                     // immunity and the three spares: none
    plat::kKeyF12,                                      // gag
    plat::kKeyCapsLock,                                 // spare 4
    plat::kKeyLeftShift,                                // spare 5
    plat::kKeySpace,                                    // viewer home
    plat::kKeyTab,                                      // viewer orbit
};
constexpr int32_t kDefaultMouse[TsKeyBindings::kMouseActionCount] = {0, 1, 2, 0, 1};
constexpr int kMouseButtonCount = 8;
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
    return (k >= 0 && k < plat::kKeyCodeCount) ? k : kNone;
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
    key[action] = (keyCode >= 0 && keyCode < plat::kKeyCodeCount) ? keyCode : kNone;
}
