// The game's input asked about one action this tick, for the HUD and the
// in-game windows. Without an input (none made yet, or a test that makes
// none) no action is down, pressed or released.
#pragma once

#include "game/framework/TsAccess.h"
#include "game/framework/TsInput.h"

namespace TsActionInput {

inline bool Pressed(TsAction action)
{
    const TsInput* input = TsAccess::Input();
    return input && input->IsActionPressed(action);
}

inline bool Released(TsAction action)
{
    const TsInput* input = TsAccess::Input();
    return input && input->IsActionReleased(action);
}

inline bool Down(TsAction action)
{
    const TsInput* input = TsAccess::Input();
    return input && input->IsActionDown(action);
}

// Back (the menu action) leaves a window.
inline bool BackPressed()
{
    return Pressed(TS_ACTION_MENU);
}

} // namespace TsActionInput
