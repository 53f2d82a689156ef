// The control bindings: which mouse button and which keyboard key drive each
// of the game's bindable actions. The block is written to "options.lua" word
// by word, so its layout is fixed: 44 signed 32-bit words.
#pragma once

#include <cstdint>

struct TsKeyBindings {
    static constexpr int kMouseActionCount = 5;  // actions 0-4 may take a mouse button
    static constexpr int kActionCount = 38;      // actions 0-37 may take a key
    static constexpr int kWordCount = 44;
    static constexpr int32_t kNone = -1;

    int32_t mouseButton[kMouseActionCount]; // words 0-4
    int32_t useMouseWheel;                  // word 5: the wheel drives actions 12 and 13
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
