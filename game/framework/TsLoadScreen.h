// The load screen: a full-screen image with a pulsing prompt, shown while
// the game waits for the Space key (when a level is left for the front end,
// or after a saved game has loaded). While it is held or prompting, the
// current mode is neither ticked nor drawn.
#pragma once

#include <cstdint>

#include "engine/OmRef.h"
#include "platform/GfxTexture.h"

// A value set once per tick and drawn in between.
struct TsLoadScreenPulse {
    float previous = 0.0f;
    float current = 0.0f;
    float next = 0.0f;
    float interpolated = 0.0f;

    void Advance()
    {
        previous = current;
        current = next;
    }
    void Interpolate(float fraction) { interpolated = previous + (current - previous) * fraction; }
};

struct TsLoadScreen {
    static constexpr const char* kPromptText = "Press Space To Continue";
    static constexpr const char* kLoadingText = "Loading....";
    static constexpr const char* kClosingImage = "Closing Screen.tga";

    uint8_t held = 0;   // an image is up and the game waits for Space
    uint8_t prompt = 0; // the prompt text is shown; cleared by the frame after the hold
    // A surface in memory that no device owns: let go of as the hold ends
    // and as the game shuts down; freeing it later, at exit, touches nothing.
    OmRef<plat::GfxSurface> image;
    int32_t textY = 0;
    TsLoadScreenPulse pulse;
    uint8_t closingScreenArmed = 1;

    bool Active() const { return held || prompt; }
    const char* Text() const { return prompt ? kPromptText : kLoadingText; }
    // The pulse's per-tick step: 0.2, 0.4 ... 1.2, then back to 0.2.
    void TickPulse();
};

extern TsLoadScreen g_loadScreen;

// Fills an image the size of the back buffer from ".\data\<name>"; the
// image stays null when it cannot be made or read.
void LoadLoadScreenImage(const char* name);
void ReleaseLoadScreenImage();
