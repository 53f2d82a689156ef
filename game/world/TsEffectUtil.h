// Two small rendering services the effects share: the texture-factor fade
// (a whole model drawn at one alpha, through the stage-0 alpha argument) and
// the loading of effect sprite textures.
#pragma once

#include <cstdint>

// Probes once whether the device can do the fade in one pass; until then,
// and when it cannot, Begin and End change nothing.
void TestTextureFactorFade();
bool IsTextureFactorFadeSupported();
bool IsTextureFactorFadeActive();
void BeginTextureFactorFade(float alpha);
void EndTextureFactorFade();

// Registers "data\fx\sprites\<name>.tga" with the renderer; -1 when there is
// no renderer or no name.
int32_t LoadFxSprite(const char* name);
