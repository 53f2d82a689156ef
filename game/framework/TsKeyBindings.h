// The control bindings: which mouse button and which keyboard key drive each
// of the game's bindable actions. The block is written to "options.lua" word
// by word, so its layout is fixed: 44 signed 32-bit words.
#pragma once

#include <cstdint>

// The game's bindable input actions, numbered as the binding block stores
// them (the key of action a is word 6 + a). Saved options and scripts hold
// these numbers, so an action keeps its number for good.
enum TsAction : int32_t {
    TS_ACTION_SELECT = 0,             // left button by default; clicks on screens
    TS_ACTION_CANCEL = 1,             // right button
    TS_ACTION_WEAPON_MODE_BUTTON = 2, // middle button
    TS_ACTION_MOVE = 3,               // move to, or use, what is under the cursor
    TS_ACTION_ATTACK = 4,
    TS_ACTION_CAMERA_LEFT = 5,
    TS_ACTION_CAMERA_RIGHT = 6,
    TS_ACTION_ZOOM_OUT = 7,
    TS_ACTION_ZOOM_IN = 8,
    TS_ACTION_MENU = 9, // also backs out of any screen
    TS_ACTION_SKIP_LINE = 10,
    TS_ACTION_END_TALK = 11,
    TS_ACTION_NEXT_WEAPON = 12,     // also the wheel turned down
    TS_ACTION_PREVIOUS_WEAPON = 13, // also the wheel turned up
    TS_ACTION_WEAPON_MODE = 14,
    TS_ACTION_DIARY = 15,
    TS_ACTION_INVENTORY = 16,
    TS_ACTION_HEAL = 17,
    TS_ACTION_MEMBER_1 = 18, // selects a squad member; 19 and 20 the next two
    TS_ACTION_MEMBER_2 = 19,
    TS_ACTION_MEMBER_3 = 20,
    TS_ACTION_NEAR_VIEW = 21,
    TS_ACTION_MIDDLE_VIEW = 22,
    TS_ACTION_FAR_VIEW = 23,
    TS_ACTION_OVERHEAD_VIEW = 24,
    TS_ACTION_FREE_VIEW = 25,
    TS_ACTION_QUICK_SAVE = 26,
    TS_ACTION_QUICK_LOAD = 27,
    TS_ACTION_QUIT = 28,
    TS_ACTION_IMMUNITY = 29,
    TS_ACTION_SPARE_1 = 30, // 30-32 have names but no use
    TS_ACTION_SPARE_2 = 31,
    TS_ACTION_SPARE_3 = 32,
    TS_ACTION_GAG = 33,
    TS_ACTION_SPARE_4 = 34, // 34 and 35 have keys but no name and no use
    TS_ACTION_SPARE_5 = 35,
    TS_ACTION_VIEWER_HOME = 36,  // the object viewer's camera back home
    TS_ACTION_VIEWER_ORBIT = 37, // the object viewer's orbit about the origin
};

struct TsKeyBindings {
    static constexpr int kMouseActionCount = 5;  // actions 0-4 may take a mouse button
    static constexpr int kActionCount = 38;      // actions 0-37 may take a key
    static constexpr int kWordCount = 44;
    static constexpr int32_t kNone = -1;

    int32_t mouseButton[kMouseActionCount]; // words 0-4
    int32_t useMouseWheel;                  // word 5: the wheel drives the weapon-cycling actions
    int32_t key[kActionCount];              // words 6-43: key code of each action

    void SetDefaults();

    // The key of an action, or kNone. Keys come from a script file that a
    // player may edit, so anything that cannot index a 256-byte key state
    // counts as unbound.
    int32_t KeyOf(int action) const;
    // The mouse button of actions 0-4 (0-7), or kNone.
    int32_t MouseButtonOf(int action) const;
    // Stores a key for any action 0-37; values outside -1..255 unbind it.
    void SetKey(int action, int32_t keyCode);

    bool operator==(const TsKeyBindings&) const = default;
};

static_assert(sizeof(TsKeyBindings) == TsKeyBindings::kWordCount * 4,
              "the binding block is saved and copied as 44 words");
