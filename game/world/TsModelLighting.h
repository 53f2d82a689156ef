// Lighting of models (characters, doors, collectibles) by the device's fixed
// lights: the strongest static lights at the model become up to four
// directional device lights, every other device light is switched off,
// and the ambient level is the world's (zero).
#pragma once

#include <cstdint>

#include "engine/OmVector3.h"

class OmMaxLight;
class TsEntity;
class TsWorld;

constexpr int TS_MAX_MODEL_LIGHTS = 4;
constexpr int TS_DEVICE_LIGHTS = 8;

// A device light's direction for a world light seen from point: from the
// light's position for omni and spot lights (kinds 0 and 2), else its own
// axis. Straight down when either leaves no direction.
OmVector3 TsModelLightDirection(const OmMaxLight& light, const OmVector3& point);

// Loads lights[0..count-1] (count clamped to 0..4) with their strengths as
// directional device lights 0..count-1 lighting point, disables the others
// and sets the ambient render state from ambient (r, g, b, a).
void TsApplyModelLights(const OmVector3& point, OmMaxLight* const* lights, const float* strengths, int count,
                        const float ambient[4]);

// The whole set-up for one model about to be drawn: the world's strongest
// lights at the middle of the entity's height. Returns the lights loaded.
int TsModelLighting(const TsWorld& world, const TsEntity& entity);
