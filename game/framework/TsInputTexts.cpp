// The texts and characters of keys: key names for the binding screen, the
// characters keys type into edit boxes, and the text ids of action names.
#include <array>

#include "game/framework/TsAccess.h"
#include "game/framework/TsInput.h"
#include "platform/KeyCodes.h"

namespace {

constexpr int kLastNamedKey = 237;
constexpr int kLeftShift = 42;
constexpr int kRightShift = 54;

struct KeyName {
    int code;
    const char* name;
};

constexpr KeyName kKeyNames[] = {
    {1, "ESCAPE"}, {2, "1"}, {3, "2"}, {4, "3"}, {5, "4"}, {6, "5"}, {7, "6"}, {8, "7"},
    {9, "8"}, {10, "9"}, {11, "0"}, {12, "MINUS"}, {13, "EQUALS"}, {14, "BACK"}, {15, "TAB"},
    {16, "Q"}, {17, "W"}, {18, "E"}, {19, "R"}, {20, "T"}, {21, "Y"}, {22, "U"}, {23, "I"},
    {24, "O"}, {25, "P"}, {26, "LBRACKET"}, {27, "RBRACKET"}, {28, "RETURN"}, {29, "LCONTROL"},
    {30, "A"}, {31, "S"}, {32, "D"}, {33, "F"}, {34, "G"}, {35, "H"}, {36, "J"}, {37, "K"},
    {38, "L"}, {39, "SEMICOLON"}, {40, "APOSTROPHE"}, {41, "GRAVE"}, {42, "LSHIFT"},
    {43, "BACKSLASH"}, {44, "Z"}, {45, "X"}, {46, "C"}, {47, "V"}, {48, "B"}, {49, "N"},
    {50, "M"}, {51, "COMMA"}, {52, "PERIOD"}, {53, "SLASH"}, {54, "RSHIFT"}, {55, "MULTIPLY"},
    {56, "LMENU"}, {57, "SPACE"}, {58, "CAPITAL"}, {59, "F1"}, {60, "F2"}, {61, "F3"},
    {62, "F4"}, {63, "F5"}, {64, "F6"}, {65, "F7"}, {66, "F8"}, {67, "F9"}, {68, "F10"},
    {69, "NUMLOCK"}, {70, "SCROLL"}, {71, "NUMPAD7"}, {72, "NUMPAD8"}, {73, "NUMPAD9"},
    {74, "SUBTRACT"}, {75, "NUMPAD4"}, {76, "NUMPAD5"}, {77, "NUMPAD6"}, {78, "ADD"},
    {79, "NUMPAD1"}, {80, "NUMPAD2"}, {81, "NUMPAD3"}, {82, "NUMPAD0"}, {83, "DECIMAL"},
    {86, "OEM_102"}, {87, "F11"}, {88, "F12"}, {100, "F13"}, {101, "F14"}, {102, "F15"},
    {112, "KANA"}, {115, "ABNT_C1"}, {121, "CONVERT"}, {123, "NOCONVERT"}, {125, "YEN"},
    {126, "ABNT_C2"}, {141, "NUMPADEQUALS"}, {144, "PREVTRACK"}, {145, "AT"}, {146, "COLON"},
    {147, "UNDERLINE"}, {148, "KANJI"}, {149, "STOP"}, {150, "AX"}, {151, "UNLABELED"},
    {153, "NEXTTRACK"}, {156, "NUMPADENTER"}, {157, "RCONTROL"}, {160, "MUTE"},
    {161, "CALCULATOR"}, {162, "PLAYPAUSE"}, {164, "MEDIASTOP"}, {174, "VOLUMEDOWN"},
    {176, "VOLUMEUP"}, {178, "WEBHOME"}, {179, "NUMPADCOMMA"}, {181, "DIVIDE"}, {183, "SYSRQ"},
    {184, "RMENU"}, {197, "PAUSE"}, {199, "HOME"}, {200, "UP"}, {201, "PAGE UP"},
    {203, "LEFT"}, {205, "RIGHT"}, {207, "END"}, {208, "DOWN"}, {209, "PAGE DOWN"},
    {210, "INSERT"}, {211, "DELETE"}, {219, "LWIN"}, {220, "RWIN"}, {221, "APPS"},
    {222, "POWER"}, {223, "SLEEP"}, {227, "WAKE"}, {229, "WEBSEARCH"}, {230, "WEBFAVORITES"},
    {231, "WEBREFRESH"}, {232, "WEBSTOP"}, {233, "WEBFORWARD"}, {234, "WEBBACK"},
    {235, "MYCOMPUTER"}, {236, "MAIL"}, {237, "MEDIASELECT"},
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

using CharTable = std::array<char, 256>;

struct CharTables {
    CharTable plain{};
    CharTable shifted{};

    CharTables()
    {
        Letters("qwertyuiop", 16);
        Letters("asdfghjkl", 30);
        Letters("zxcvbnm", 44);
        const char* digits = "1234567890";
        const char* digitsShifted = "!\"\xA3$%^&*()"; // \xA3: the pound sign
        for (int i = 0; i < 10; ++i) {
            plain[2 + i] = digits[i];
            shifted[2 + i] = digitsShifted[i];
        }
        Both(12, '-', '_');
        Both(13, '=', '+');
        Both(26, '[', '{');
        Both(27, ']', '}');
        Both(39, ';', ':');
        Both(40, '\'', '@');
        Both(51, ',', '<');
        Both(52, '.', '.');
        Both(53, '/', '?');
        Both(57, ' ', ' ');
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
    if (keyCode < 0 || keyCode >= 256) {
        return 0;
    }
    uint8_t state[256];
    ReadKeyboard(state, false); // a failed read leaves no shift down
    const bool shift = state[kLeftShift] != 0 || state[kRightShift] != 0;
    if (!shift) {
        return Chars().plain[keyCode];
    }
    // A US keyboard has '@' over 2 and the double quote over the apostrophe.
    if (plat::KeyboardLayoutLanguage() == plat::kLanguageUsEnglish) {
        if (keyCode == 3) {
            return '@';
        }
        if (keyCode == 40) {
            return '"';
        }
    }
    return Chars().shifted[keyCode];
}

int TsInput::ActionNameTextId(int action)
{
    if (action >= 0 && action <= 16) {
        return 30684 + action;
    }
    if (action == 17) {
        return 30716;
    }
    if (action >= 18 && action <= 32) {
        return 30701 + (action - 18);
    }
    return action == 34 ? -1 : 30717;
}

int TsInput::ActionListNameTextId(int action)
{
    if (action >= 3 && action <= 16) {
        return 30658 + (action - 3);
    }
    if (action == 17) {
        return 30683;
    }
    if (action >= 18 && action <= 28) {
        return 30672 + (action - 18);
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
