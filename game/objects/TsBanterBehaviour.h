// What a banter character does beyond an ordinary non-player character:
// its marker sprite, and the Lua banter function it calls when used, which
// usually builds and runs a conversation. TsBanterObject's Initialise, Tick
// and Use are defined with these helpers in TsBanterBehaviour.cpp.
#pragma once

#include <cstdint>

class OmBaseSprite;
class TsEntity;

class TsBanterBehaviour {
public:
    static constexpr int32_t kIdleAnimation = 1;
    static constexpr uint32_t kMarkerColour = 0xC0FFFFFFu; // white at alpha 192
    static constexpr float kMarkerPosition = 24.0f;        // pixels

    // Pixel positioning at (24, 24), white at alpha 192.
    static void SetUpMarker(OmBaseSprite* sprite);
    // Calls banterScript("bantererName", "userName"); nothing for an empty
    // script; a function name that is not a script name is refused
    // (logged). True when the function was called.
    static bool CallBanter(const char* banterScript, const TsEntity& banterer, const TsEntity* user);
};
