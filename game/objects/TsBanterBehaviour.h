// What a banter character does beyond an ordinary non-player character:
// its marker sprite, the idle animation it holds, and the Lua banter
// function it calls when used (or when the player comes near), which
// usually builds and runs a conversation. The banter character class
// calls these from its own operations.
#pragma once

#include <cstdint>

class OmBaseSprite;
class TsCharacterObject;
class TsEntity;

class TsBanterBehaviour {
public:
    // The player's current character within this ground distance of a
    // banter character starts its banter once, until it has walked away
    // beyond the far reach.
    static constexpr float kNearReach = 3.0f;
    static constexpr float kFarReach = 6.0f;
    static constexpr int32_t kIdleAnimation = 1;

    // Marker sprite: pixel positioning at (24, 24), white at alpha 192.
    static void SetUpMarker(OmBaseSprite* sprite);
    // Calls banterScript(bantererName, userName); nothing for an empty
    // script; a name that is not an identifier is refused (logged). True
    // when the function ran.
    static bool CallBanter(const char* banterScript, const TsEntity& banterer, const TsEntity* user);
    // The idle animation, set when the character shows another one.
    static void HoldIdleAnimation(TsCharacterObject& character);
    // Whether the player has just come near (the nearby flag is updated).
    static bool PlayerCameNear(const TsEntity& banterer, const TsEntity* player, uint8_t& nearby);
};
