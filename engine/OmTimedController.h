// A controller that runs on its own clock: the frame time is scaled and
// offset, then held, looped or bounced within [startTime, endTime].
#pragma once

#include "engine/OmController.h"

enum OmTimeMode : int32_t {
    OM_TIME_LOOP = 0,
    OM_TIME_CLAMP = 1,
    OM_TIME_PINGPONG = 2, // and any other value
};

class OmTimedController : public OmController {
    OM_DECLARE_ABSTRACT_CLASS(OmTimedController)

    OmTimedController() = default;
    explicit OmTimedController(OmArchive& archive) : OmController(archive) {}

    float MapTime(float t) const;

    int32_t timeMode = OM_TIME_CLAMP;
    float startTime = 0.0f;
    float endTime = 0.0f;
    float timeOffset = 0.0f;
    float timeScale = 1.0f;
};
