// Keyboard key codes as the game knows them: one byte per physical key, the
// numbering its saved key bindings ("options.lua") use, 1 to 237. SDL's
// scancodes name the same physical keys; these tables join the two.
#pragma once

#include <cstdint>
#include <optional>

namespace plat {

inline constexpr int kKeyCodeCount = 256;

// The keys by code. Saved bindings and scripts store these numbers, so a
// key keeps its number for good.
enum KeyCode : uint8_t {
    kKeyEscape = 1,
    kKey1 = 2, kKey2 = 3, kKey3 = 4, kKey4 = 5, kKey5 = 6,
    kKey6 = 7, kKey7 = 8, kKey8 = 9, kKey9 = 10, kKey0 = 11,
    kKeyMinus = 12, kKeyEquals = 13, kKeyBackspace = 14, kKeyTab = 15,
    kKeyQ = 16, kKeyW = 17, kKeyE = 18, kKeyR = 19, kKeyT = 20,
    kKeyY = 21, kKeyU = 22, kKeyI = 23, kKeyO = 24, kKeyP = 25,
    kKeyLeftBracket = 26, kKeyRightBracket = 27, kKeyReturn = 28, kKeyLeftControl = 29,
    kKeyA = 30, kKeyS = 31, kKeyD = 32, kKeyF = 33, kKeyG = 34,
    kKeyH = 35, kKeyJ = 36, kKeyK = 37, kKeyL = 38,
    kKeySemicolon = 39, kKeyApostrophe = 40, kKeyGrave = 41, kKeyLeftShift = 42, kKeyBackslash = 43,
    kKeyZ = 44, kKeyX = 45, kKeyC = 46, kKeyV = 47, kKeyB = 48, kKeyN = 49, kKeyM = 50,
    kKeyComma = 51, kKeyPeriod = 52, kKeySlash = 53, kKeyRightShift = 54,
    kKeyNumpadMultiply = 55, kKeyLeftAlt = 56, kKeySpace = 57, kKeyCapsLock = 58,
    kKeyF1 = 59, kKeyF2 = 60, kKeyF3 = 61, kKeyF4 = 62, kKeyF5 = 63,
    kKeyF6 = 64, kKeyF7 = 65, kKeyF8 = 66, kKeyF9 = 67, kKeyF10 = 68,
    kKeyNumLock = 69, kKeyScrollLock = 70,
    kKeyNumpad7 = 71, kKeyNumpad8 = 72, kKeyNumpad9 = 73, kKeyNumpadMinus = 74,
    kKeyNumpad4 = 75, kKeyNumpad5 = 76, kKeyNumpad6 = 77, kKeyNumpadPlus = 78,
    kKeyNumpad1 = 79, kKeyNumpad2 = 80, kKeyNumpad3 = 81, kKeyNumpad0 = 82, kKeyNumpadPeriod = 83,
    kKeyIsoBackslash = 86, // the extra key left of Z on ISO keyboards
    kKeyF11 = 87, kKeyF12 = 88, kKeyF13 = 100, kKeyF14 = 101, kKeyF15 = 102,
    kKeyKana = 112,
    kKeyRo = 115, // also the Brazilian "/?" key
    kKeyConvert = 121, kKeyNoConvert = 123, kKeyYen = 125,
    kKeyBrazilianNumpadPeriod = 126,
    kKeyNumpadEquals = 141, kKeyPreviousTrack = 144,
    kKeyAt = 145, kKeyColon = 146, kKeyUnderline = 147, kKeyKanji = 148,
    kKeyStop = 149, kKeyAx = 150, kKeyUnlabeled = 151, kKeyNextTrack = 153,
    kKeyNumpadEnter = 156, kKeyRightControl = 157,
    kKeyMute = 160, kKeyCalculator = 161, kKeyPlayPause = 162, kKeyMediaStop = 164,
    kKeyVolumeDown = 174, kKeyVolumeUp = 176, kKeyWebHome = 178, kKeyNumpadComma = 179,
    kKeyNumpadDivide = 181, kKeyPrintScreen = 183, kKeyRightAlt = 184, kKeyPause = 197,
    kKeyHome = 199, kKeyUp = 200, kKeyPageUp = 201,
    kKeyLeft = 203, kKeyRight = 205,
    kKeyEnd = 207, kKeyDown = 208, kKeyPageDown = 209, kKeyInsert = 210, kKeyDelete = 211,
    kKeyLeftWindows = 219, kKeyRightWindows = 220, kKeyApplication = 221,
    kKeyPower = 222, kKeySleep = 223, kKeyWake = 227,
    kKeyWebSearch = 229, kKeyWebFavorites = 230, kKeyWebRefresh = 231, kKeyWebStop = 232,
    kKeyWebForward = 233, kKeyWebBack = 234,
    kKeyMyComputer = 235, kKeyMail = 236, kKeyMediaSelect = 237,
};

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
