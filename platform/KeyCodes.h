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
// (1033 for US English, 0 when it is another or cannot be told). X names
// no language for its layout, so the keymap SDL read from it decides: a
// layout whose keys give what a US keyboard's give is US. Before SDL's
// video is started there is no keymap, and the answer is 0.
inline constexpr int kLanguageUsEnglish = 1033;
int KeyboardLayoutLanguage();

// Tests pin the answer; an empty value restores the keymap's.
void SetKeyboardLayoutLanguageOverride(std::optional<int> language);

} // namespace plat
