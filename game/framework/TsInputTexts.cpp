// The texts and characters of keys: key names for the binding screen, the
// characters keys type into edit boxes, and the text ids of action names.
#include <array>

#include "game/framework/TsAccess.h"
#include "game/framework/TsInput.h"
#include "platform/KeyCodes.h"

namespace {

constexpr int kLastNamedKey = plat::kKeyMediaSelect;

struct KeyName {
    int code;
    const char* name;
};

constexpr KeyName kKeyNames[] = {
    {plat::kKeyEscape, "ESCAPE"}, {plat::kKey1, "1"}, {plat::kKey2, "2"}, {plat::kKey3, "3"}, {plat::kKey4, "4"},
    {plat::kKey5, "5"}, {plat::kKey6, "6"}, {plat::kKey7, "7"}, {plat::kKey8, "8"}, {plat::kKey9, "9"},
    {plat::kKey0, "0"}, {plat::kKeyMinus, "MINUS"}, {plat::kKeyEquals, "EQUALS"}, {plat::kKeyBackspace, "BACK"},
    {plat::kKeyTab, "TAB"}, {plat::kKeyQ, "Q"}, {plat::kKeyW, "W"}, {plat::kKeyE, "E"}, {plat::kKeyR, "R"},
    {plat::kKeyT, "T"}, {plat::kKeyY, "Y"}, {plat::kKeyU, "U"}, {plat::kKeyI, "I"}, {plat::kKeyO, "O"},
    {plat::kKeyP, "P"}, {plat::kKeyLeftBracket, "LBRACKET"}, {plat::kKeyRightBracket, "RBRACKET"},
    {plat::kKeyReturn, "RETURN"}, {plat::kKeyLeftControl, "LCONTROL"}, {plat::kKeyA, "A"}, {plat::kKeyS, "S"},
    {plat::kKeyD, "D"}, {plat::kKeyF, "F"}, {plat::kKeyG, "G"}, {plat::kKeyH, "H"}, {plat::kKeyJ, "J"},
    {plat::kKeyK, "K"}, {plat::kKeyL, "L"}, {plat::kKeySemicolon, "SEMICOLON"}, {plat::kKeyApostrophe, "APOSTROPHE"},
    {plat::kKeyGrave, "GRAVE"}, {plat::kKeyLeftShift, "LSHIFT"}, {plat::kKeyBackslash, "BACKSLASH"}, {plat::kKeyZ, "Z"},
    {plat::kKeyX, "X"}, {plat::kKeyC, "C"}, {plat::kKeyV, "V"}, {plat::kKeyB, "B"}, {plat::kKeyN, "N"},
    {plat::kKeyM, "M"}, {plat::kKeyComma, "COMMA"}, {plat::kKeyPeriod, "PERIOD"}, {plat::kKeySlash, "SLASH"},
    {plat::kKeyRightShift, "RSHIFT"}, {plat::kKeyNumpadMultiply, "MULTIPLY"}, {plat::kKeyLeftAlt, "LMENU"},
    {plat::kKeySpace, "SPACE"}, {plat::kKeyCapsLock, "CAPITAL"}, {plat::kKeyF1, "F1"}, {plat::kKeyF2, "F2"},
    {plat::kKeyF3, "F3"}, {plat::kKeyF4, "F4"}, {plat::kKeyF5, "F5"}, {plat::kKeyF6, "F6"}, {plat::kKeyF7, "F7"},
    {plat::kKeyF8, "F8"}, {plat::kKeyF9, "F9"}, {plat::kKeyF10, "F10"}, {plat::kKeyNumLock, "NUMLOCK"},
    {plat::kKeyScrollLock, "SCROLL"}, {plat::kKeyNumpad7, "NUMPAD7"}, {plat::kKeyNumpad8, "NUMPAD8"},
    {plat::kKeyNumpad9, "NUMPAD9"}, {plat::kKeyNumpadMinus, "SUBTRACT"}, {plat::kKeyNumpad4, "NUMPAD4"},
    {plat::kKeyNumpad5, "NUMPAD5"}, {plat::kKeyNumpad6, "NUMPAD6"}, {plat::kKeyNumpadPlus, "ADD"},
    {plat::kKeyNumpad1, "NUMPAD1"}, {plat::kKeyNumpad2, "NUMPAD2"}, {plat::kKeyNumpad3, "NUMPAD3"},
    {plat::kKeyNumpad0, "NUMPAD0"}, {plat::kKeyNumpadPeriod, "DECIMAL"}, {plat::kKeyIsoBackslash, "OEM_102"},
    {plat::kKeyF11, "F11"}, {plat::kKeyF12, "F12"}, {plat::kKeyF13, "F13"}, {plat::kKeyF14, "F14"},
    {plat::kKeyF15, "F15"}, {plat::kKeyKana, "KANA"}, {plat::kKeyRo, "ABNT_C1"}, {plat::kKeyConvert, "CONVERT"},
    {plat::kKeyNoConvert, "NOCONVERT"}, {plat::kKeyYen, "YEN"}, {plat::kKeyBrazilianNumpadPeriod, "ABNT_C2"},
    {plat::kKeyNumpadEquals, "NUMPADEQUALS"}, {plat::kKeyPreviousTrack, "PREVTRACK"}, {plat::kKeyAt, "AT"},
    {plat::kKeyColon, "COLON"}, {plat::kKeyUnderline, "UNDERLINE"}, {plat::kKeyKanji, "KANJI"},
    {plat::kKeyStop, "STOP"}, {plat::kKeyAx, "AX"}, {plat::kKeyUnlabeled, "UNLABELED"},
    {plat::kKeyNextTrack, "NEXTTRACK"}, {plat::kKeyNumpadEnter, "NUMPADENTER"}, {plat::kKeyRightControl, "RCONTROL"},
    {plat::kKeyMute, "MUTE"}, {plat::kKeyCalculator, "CALCULATOR"}, {plat::kKeyPlayPause, "PLAYPAUSE"},
    {plat::kKeyMediaStop, "MEDIASTOP"}, {plat::kKeyVolumeDown, "VOLUMEDOWN"}, {plat::kKeyVolumeUp, "VOLUMEUP"},
    {plat::kKeyWebHome, "WEBHOME"}, {plat::kKeyNumpadComma, "NUMPADCOMMA"}, {plat::kKeyNumpadDivide, "DIVIDE"},
    {plat::kKeyPrintScreen, "SYSRQ"}, {plat::kKeyRightAlt, "RMENU"}, {plat::kKeyPause, "PAUSE"},
    {plat::kKeyHome, "HOME"}, {plat::kKeyUp, "UP"}, {plat::kKeyPageUp, "PAGE UP"}, {plat::kKeyLeft, "LEFT"},
    {plat::kKeyRight, "RIGHT"}, {plat::kKeyEnd, "END"}, {plat::kKeyDown, "DOWN"}, {plat::kKeyPageDown, "PAGE DOWN"},
    {plat::kKeyInsert, "INSERT"}, {plat::kKeyDelete, "DELETE"}, {plat::kKeyLeftWindows, "LWIN"},
    {plat::kKeyRightWindows, "RWIN"}, {plat::kKeyApplication, "APPS"}, {plat::kKeyPower, "POWER"},
    {plat::kKeySleep, "SLEEP"}, {plat::kKeyWake, "WAKE"}, {plat::kKeyWebSearch, "WEBSEARCH"},
    {plat::kKeyWebFavorites, "WEBFAVORITES"}, {plat::kKeyWebRefresh, "WEBREFRESH"}, {plat::kKeyWebStop, "WEBSTOP"},
    {plat::kKeyWebForward, "WEBFORWARD"}, {plat::kKeyWebBack, "WEBBACK"}, {plat::kKeyMyComputer, "MYCOMPUTER"},
    {plat::kKeyMail, "MAIL"}, {plat::kKeyMediaSelect, "MEDIASELECT"},
};

using NameTable = std::array<const char*, kLastNamedKey + 1>;

const NameTable& KeyNames()
{
    static const NameTable table = [] {
        NameTable t;
        t.fill("");
        for (const KeyName& k : kKeyNames) {
            t[k.code] = k.name;
        }
        return t;
    }();
    return table;
}

using CharTable = std::array<char, plat::kKeyCodeCount>;

struct CharTables {
    CharTable plain{};
    CharTable shifted{};

    CharTables()
    {
        Letters("qwertyuiop", plat::kKeyQ);
        Letters("asdfghjkl", plat::kKeyA);
        Letters("zxcvbnm", plat::kKeyZ);
        const char* digits = "1234567890";
        const char* digitsShifted = "!\"\xA3$%^&*()"; // \xA3: the pound sign
        for (int i = 0; i < 10; ++i) {
            plain[plat::kKey1 + i] = digits[i];
            shifted[plat::kKey1 + i] = digitsShifted[i];
        }
        Both(plat::kKeyMinus, '-', '_');
        Both(plat::kKeyEquals, '=', '+');
        Both(plat::kKeyLeftBracket, '[', '{');
        Both(plat::kKeyRightBracket, ']', '}');
        Both(plat::kKeySemicolon, ';', ':');
        Both(plat::kKeyApostrophe, '\'', '@');
        Both(plat::kKeyComma, ',', '<');
        Both(plat::kKeyPeriod, '.', '.');
        Both(plat::kKeySlash, '/', '?');
        Both(plat::kKeySpace, ' ', ' ');
    }
    void Letters(const char* row, int firstCode)
    {
        for (int i = 0; row[i]; ++i) {
            plain[firstCode + i] = row[i];
            shifted[firstCode + i] = static_cast<char>(row[i] - 'a' + 'A');
        }
    }
    void Both(int code, char p, char s)
    {
        plain[code] = p;
        shifted[code] = s;
    }
};

const CharTables& Chars()
{
    static const CharTables tables;
    return tables;
}

const char* TextOrEmpty(int id)
{
    if (id < 0) {
        return "";
    }
    const char* text = TsAccess::GetDialogDisplayString(id);
    return text ? text : "";
}

} // namespace

const char* TsInput::GetKeyName(int keyCode)
{
    if (keyCode < 1 || keyCode > kLastNamedKey) {
        return "";
    }
    return KeyNames()[keyCode];
}

char TsInput::KeyToChar(int keyCode)
{
    if (keyCode < 0 || keyCode >= plat::kKeyCodeCount) {
        return 0;
    }
    uint8_t state[plat::kKeyCodeCount];
    ReadKeyboard(state, false); // a failed read leaves no shift down
    const bool shift = state[plat::kKeyLeftShift] != 0 || state[plat::kKeyRightShift] != 0;
    if (!shift) {
        return Chars().plain[keyCode];
    }
    // A US keyboard has '@' over 2 and the double quote over the apostrophe.
    if (plat::KeyboardLayoutLanguage() == plat::kLanguageUsEnglish) {
        if (keyCode == plat::kKey2) {
            return '@';
        }
        if (keyCode == plat::kKeyApostrophe) {
            return '"';
        }
    }
    return Chars().shifted[keyCode];
}

int TsInput::ActionNameTextId(int action)
{
    if (action >= TS_ACTION_SELECT && action <= TS_ACTION_INVENTORY) {
        return 30684 + action;
    }
    if (action == TS_ACTION_HEAL) {
        return 30716;
    }
    if (action >= TS_ACTION_MEMBER_1 && action <= TS_ACTION_SPARE_3) {
        return 30701 + (action - TS_ACTION_MEMBER_1);
    }
    return action == TS_ACTION_SPARE_4 ? -1 : 30717;
}

int TsInput::ActionListNameTextId(int action)
{
    if (action >= TS_ACTION_MOVE && action <= TS_ACTION_INVENTORY) {
        return 30658 + (action - TS_ACTION_MOVE);
    }
    if (action == TS_ACTION_HEAL) {
        return 30683;
    }
    if (action >= TS_ACTION_MEMBER_1 && action <= TS_ACTION_QUIT) {
        return 30672 + (action - TS_ACTION_MEMBER_1);
    }
    return -1;
}

int TsInput::MouseButtonNameTextId(int button)
{
    return button == 0 ? 30718 : button == 1 ? 30719 : 30720;
}

const char* TsInput::GetActionName(int action)
{
    return TextOrEmpty(ActionNameTextId(action));
}

const char* TsInput::GetActionListName(int action)
{
    return TextOrEmpty(ActionListNameTextId(action));
}

const char* TsInput::GetMouseButtonName(int button)
{
    return TextOrEmpty(MouseButtonNameTextId(button));
}
