#include "platform/KeyCodes.h"

#include <SDL.h>

#include <array>

namespace plat {
namespace {

struct Pair {
    SDL_Scancode scancode;
    KeyCode code;
};

// Every key with a code. Where two SDL scancodes are the same key on
// different keyboards the main one comes first.
constexpr Pair kPairs[] = {
    {SDL_SCANCODE_ESCAPE, kKeyEscape},
    {SDL_SCANCODE_1, kKey1}, {SDL_SCANCODE_2, kKey2}, {SDL_SCANCODE_3, kKey3}, {SDL_SCANCODE_4, kKey4},
    {SDL_SCANCODE_5, kKey5}, {SDL_SCANCODE_6, kKey6}, {SDL_SCANCODE_7, kKey7}, {SDL_SCANCODE_8, kKey8},
    {SDL_SCANCODE_9, kKey9}, {SDL_SCANCODE_0, kKey0},
    {SDL_SCANCODE_MINUS, kKeyMinus}, {SDL_SCANCODE_EQUALS, kKeyEquals},
    {SDL_SCANCODE_BACKSPACE, kKeyBackspace}, {SDL_SCANCODE_TAB, kKeyTab},
    {SDL_SCANCODE_Q, kKeyQ}, {SDL_SCANCODE_W, kKeyW}, {SDL_SCANCODE_E, kKeyE}, {SDL_SCANCODE_R, kKeyR},
    {SDL_SCANCODE_T, kKeyT}, {SDL_SCANCODE_Y, kKeyY}, {SDL_SCANCODE_U, kKeyU}, {SDL_SCANCODE_I, kKeyI},
    {SDL_SCANCODE_O, kKeyO}, {SDL_SCANCODE_P, kKeyP},
    {SDL_SCANCODE_LEFTBRACKET, kKeyLeftBracket}, {SDL_SCANCODE_RIGHTBRACKET, kKeyRightBracket},
    {SDL_SCANCODE_RETURN, kKeyReturn}, {SDL_SCANCODE_LCTRL, kKeyLeftControl},
    {SDL_SCANCODE_A, kKeyA}, {SDL_SCANCODE_S, kKeyS}, {SDL_SCANCODE_D, kKeyD}, {SDL_SCANCODE_F, kKeyF},
    {SDL_SCANCODE_G, kKeyG}, {SDL_SCANCODE_H, kKeyH}, {SDL_SCANCODE_J, kKeyJ}, {SDL_SCANCODE_K, kKeyK},
    {SDL_SCANCODE_L, kKeyL},
    {SDL_SCANCODE_SEMICOLON, kKeySemicolon}, {SDL_SCANCODE_APOSTROPHE, kKeyApostrophe}, {SDL_SCANCODE_GRAVE, kKeyGrave},
    {SDL_SCANCODE_LSHIFT, kKeyLeftShift},
    {SDL_SCANCODE_BACKSLASH, kKeyBackslash},
    {SDL_SCANCODE_NONUSHASH, kKeyBackslash}, // the same key position on ISO keyboards
    {SDL_SCANCODE_Z, kKeyZ}, {SDL_SCANCODE_X, kKeyX}, {SDL_SCANCODE_C, kKeyC}, {SDL_SCANCODE_V, kKeyV},
    {SDL_SCANCODE_B, kKeyB}, {SDL_SCANCODE_N, kKeyN}, {SDL_SCANCODE_M, kKeyM},
    {SDL_SCANCODE_COMMA, kKeyComma}, {SDL_SCANCODE_PERIOD, kKeyPeriod}, {SDL_SCANCODE_SLASH, kKeySlash},
    {SDL_SCANCODE_RSHIFT, kKeyRightShift}, {SDL_SCANCODE_KP_MULTIPLY, kKeyNumpadMultiply},
    {SDL_SCANCODE_LALT, kKeyLeftAlt},
    {SDL_SCANCODE_SPACE, kKeySpace}, {SDL_SCANCODE_CAPSLOCK, kKeyCapsLock},
    {SDL_SCANCODE_F1, kKeyF1}, {SDL_SCANCODE_F2, kKeyF2}, {SDL_SCANCODE_F3, kKeyF3}, {SDL_SCANCODE_F4, kKeyF4},
    {SDL_SCANCODE_F5, kKeyF5}, {SDL_SCANCODE_F6, kKeyF6}, {SDL_SCANCODE_F7, kKeyF7}, {SDL_SCANCODE_F8, kKeyF8},
    {SDL_SCANCODE_F9, kKeyF9}, {SDL_SCANCODE_F10, kKeyF10},
    {SDL_SCANCODE_NUMLOCKCLEAR, kKeyNumLock}, {SDL_SCANCODE_SCROLLLOCK, kKeyScrollLock},
    {SDL_SCANCODE_KP_7, kKeyNumpad7}, {SDL_SCANCODE_KP_8, kKeyNumpad8}, {SDL_SCANCODE_KP_9, kKeyNumpad9},
    {SDL_SCANCODE_KP_MINUS, kKeyNumpadMinus},
    {SDL_SCANCODE_KP_4, kKeyNumpad4}, {SDL_SCANCODE_KP_5, kKeyNumpad5}, {SDL_SCANCODE_KP_6, kKeyNumpad6},
    {SDL_SCANCODE_KP_PLUS, kKeyNumpadPlus},
    {SDL_SCANCODE_KP_1, kKeyNumpad1}, {SDL_SCANCODE_KP_2, kKeyNumpad2}, {SDL_SCANCODE_KP_3, kKeyNumpad3},
    {SDL_SCANCODE_KP_0, kKeyNumpad0}, {SDL_SCANCODE_KP_PERIOD, kKeyNumpadPeriod},
    {SDL_SCANCODE_NONUSBACKSLASH, kKeyIsoBackslash}, // the extra key left of Z on ISO keyboards
    {SDL_SCANCODE_F11, kKeyF11}, {SDL_SCANCODE_F12, kKeyF12},
    {SDL_SCANCODE_F13, kKeyF13}, {SDL_SCANCODE_F14, kKeyF14}, {SDL_SCANCODE_F15, kKeyF15},
    {SDL_SCANCODE_INTERNATIONAL2, kKeyKana},              // Katakana/Hiragana
    {SDL_SCANCODE_INTERNATIONAL1, kKeyRo},                // Ro, and the Brazilian "/?" key
    {SDL_SCANCODE_INTERNATIONAL4, kKeyConvert},           // Henkan (convert)
    {SDL_SCANCODE_INTERNATIONAL5, kKeyNoConvert},         // Muhenkan (no convert)
    {SDL_SCANCODE_INTERNATIONAL3, kKeyYen},               // Yen
    {SDL_SCANCODE_KP_COMMA, kKeyBrazilianNumpadPeriod},   // the Brazilian keypad "."
    {SDL_SCANCODE_KP_EQUALS, kKeyNumpadEquals},
    {SDL_SCANCODE_AUDIOPREV, kKeyPreviousTrack},
    {SDL_SCANCODE_STOP, kKeyStop},
    {SDL_SCANCODE_AUDIONEXT, kKeyNextTrack},
    {SDL_SCANCODE_KP_ENTER, kKeyNumpadEnter}, {SDL_SCANCODE_RCTRL, kKeyRightControl},
    {SDL_SCANCODE_AUDIOMUTE, kKeyMute},
    {SDL_SCANCODE_MUTE, kKeyMute},
    {SDL_SCANCODE_CALCULATOR, kKeyCalculator}, {SDL_SCANCODE_AUDIOPLAY, kKeyPlayPause},
    {SDL_SCANCODE_AUDIOSTOP, kKeyMediaStop},
    {SDL_SCANCODE_VOLUMEDOWN, kKeyVolumeDown},
    {SDL_SCANCODE_VOLUMEUP, kKeyVolumeUp},
    {SDL_SCANCODE_AC_HOME, kKeyWebHome},
    {SDL_SCANCODE_KP_DIVIDE, kKeyNumpadDivide},
    {SDL_SCANCODE_PRINTSCREEN, kKeyPrintScreen},
    {SDL_SCANCODE_SYSREQ, kKeyPrintScreen},
    {SDL_SCANCODE_RALT, kKeyRightAlt},
    {SDL_SCANCODE_PAUSE, kKeyPause},
    {SDL_SCANCODE_HOME, kKeyHome}, {SDL_SCANCODE_UP, kKeyUp}, {SDL_SCANCODE_PAGEUP, kKeyPageUp},
    {SDL_SCANCODE_LEFT, kKeyLeft}, {SDL_SCANCODE_RIGHT, kKeyRight},
    {SDL_SCANCODE_END, kKeyEnd}, {SDL_SCANCODE_DOWN, kKeyDown}, {SDL_SCANCODE_PAGEDOWN, kKeyPageDown},
    {SDL_SCANCODE_INSERT, kKeyInsert}, {SDL_SCANCODE_DELETE, kKeyDelete},
    {SDL_SCANCODE_LGUI, kKeyLeftWindows}, {SDL_SCANCODE_RGUI, kKeyRightWindows},
    {SDL_SCANCODE_APPLICATION, kKeyApplication},
    {SDL_SCANCODE_MENU, kKeyApplication},
    {SDL_SCANCODE_POWER, kKeyPower}, {SDL_SCANCODE_SLEEP, kKeySleep},
    {SDL_SCANCODE_AC_SEARCH, kKeyWebSearch}, {SDL_SCANCODE_AC_BOOKMARKS, kKeyWebFavorites},
    {SDL_SCANCODE_AC_REFRESH, kKeyWebRefresh}, {SDL_SCANCODE_AC_STOP, kKeyWebStop},
    {SDL_SCANCODE_AC_FORWARD, kKeyWebForward}, {SDL_SCANCODE_AC_BACK, kKeyWebBack},
    {SDL_SCANCODE_COMPUTER, kKeyMyComputer}, {SDL_SCANCODE_MAIL, kKeyMail}, {SDL_SCANCODE_MEDIASELECT, kKeyMediaSelect},
};

struct Tables {
    std::array<uint8_t, SDL_NUM_SCANCODES> toCode{};
    std::array<int, kKeyCodeCount> toScancode{};
    Tables()
    {
        for (const Pair& p : kPairs) {
            toCode[p.scancode] = p.code;
            if (toScancode[p.code] == 0) {
                toScancode[p.code] = p.scancode;
            }
        }
    }
};

const Tables& GetTables()
{
    static const Tables tables;
    return tables;
}

std::optional<int>& LanguageOverride()
{
    static std::optional<int> language;
    return language;
}

// Keys whose unshifted symbol tells a US layout from its neighbours: the
// British '#' beside Return, the French top row and AZERTY letters, the
// German Z and umlauts.
constexpr struct {
    SDL_Scancode scancode;
    SDL_Keycode us;
} kUsKeys[] = {
    {SDL_SCANCODE_2, SDLK_2},
    {SDL_SCANCODE_APOSTROPHE, SDLK_QUOTE},
    {SDL_SCANCODE_BACKSLASH, SDLK_BACKSLASH},
    {SDL_SCANCODE_Q, SDLK_q},
    {SDL_SCANCODE_Y, SDLK_y},
    {SDL_SCANCODE_SEMICOLON, SDLK_SEMICOLON},
};

// The keymap is SDL's copy of the X server's, kept up to date as the user
// switches layouts, so it is asked each time.
int LanguageFromKeymap()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        return 0;
    }
    for (const auto& key : kUsKeys) {
        if (SDL_GetKeyFromScancode(key.scancode) != key.us) {
            return 0;
        }
    }
    return kLanguageUsEnglish;
}

} // namespace

uint8_t KeyCodeFromScancode(int scancode)
{
    if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) {
        return 0;
    }
    return GetTables().toCode[scancode];
}

int ScancodeFromKeyCode(int keyCode)
{
    if (keyCode < 0 || keyCode >= kKeyCodeCount) {
        return 0;
    }
    return GetTables().toScancode[keyCode];
}

int KeyboardLayoutLanguage()
{
    if (LanguageOverride()) {
        return *LanguageOverride();
    }
    return LanguageFromKeymap();
}

void SetKeyboardLayoutLanguageOverride(std::optional<int> language)
{
    LanguageOverride() = language;
}

} // namespace plat
