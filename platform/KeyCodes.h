// Keyboard key codes as the game knows them: one byte per physical key, the
// numbering its saved key bindings ("options.lua") use, 1 to 237. SDL's
// scancodes name the same physical keys; these tables join the two.
#pragma once

#include <cstdint>
#include <optional>

namespace plat {

inline constexpr int kKeyCodeCount = 256;

// The key code of an SDL scancode, 0 for keys the game has no code for.
uint8_t KeyCodeFromScancode(int scancode);

// The scancode that produces a key code (the main one where several keys
// share a code), 0 when none does.
int ScancodeFromKeyCode(int keyCode);

// The language of the active keyboard layout as a layout language number
// (1033 for US English, 0 when it is another or cannot be told). Linux has
// no per-window layout language, so the locale decides: en_US, C and POSIX
// count as US, which is also X's default layout.
inline constexpr int kLanguageUsEnglish = 1033;
int KeyboardLayoutLanguage();

// Tests pin the answer; an empty value restores the locale's.
void SetKeyboardLayoutLanguageOverride(std::optional<int> language);

} // namespace plat
