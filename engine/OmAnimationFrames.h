// The frame pair and blend fraction of a keyframe animation at a moment,
// shared by skinned and morph shapes.
#pragma once

#include <cstdint>

// Play modes of skin and morph shapes.
enum OmPlayMode : int32_t {
    OM_PLAY_LOOP = 0,
    OM_PLAY_ONCE = 1,     // then hold the last frame
    OM_PLAY_PINGPONG = 2, // forward, then backward
    OM_PLAY_HOLD = 3,     // the last frame
};

struct OmAnimationFrames {
    int32_t frame0 = -1;
    int32_t frame1 = -1;
    float fraction = 0.0f;
};

// elapsed: seconds since the start; duration: seconds of the whole
// animation; speed: 1 / duration; frameCount: frames of the animation.
// False, with out untouched, for a mode the caller does not play (hold is
// played only when allowHold) and for an animation without frames or time.
// Every index written lies in 0 .. frameCount - 1 and the fraction in 0..1,
// whatever the inputs.
bool ComputeAnimationFrames(int32_t mode, float elapsed, float duration, float speed, uint32_t frameCount,
                            bool allowHold, OmAnimationFrames& out);
