#include "engine/OmAnimationFrames.h"

#include <cmath>

namespace {

void Set(OmAnimationFrames& out, int32_t a, int32_t b, float fraction)
{
    out.frame0 = a;
    out.frame1 = b;
    out.fraction = fraction;
}

void Loop(float x, int32_t f, OmAnimationFrames& out)
{
    // Rounding can land exactly on f: that is the last frame blended fully
    // into the first.
    if (!(x < float(f)))
        return Set(out, f - 1, 0, 1.0f);
    const int32_t k = int32_t(x);
    Set(out, k, k + 1 >= f ? 0 : k + 1, x - float(k));
}

void Once(float x, int32_t f, OmAnimationFrames& out)
{
    // Before the start (a fraction of a frame early included) it shows the
    // first frame; from the last frame on it holds that one.
    if (!(x > 0.0f))
        return Set(out, 0, 0, 0.0f);
    if (!(x + 1.0f < float(f)))
        return Set(out, f - 1, f - 1, 1.0f);
    const int32_t k = int32_t(x);
    Set(out, k, k + 1, x - float(k));
}

void PingPong(float x, int32_t f, OmAnimationFrames& out)
{
    const int32_t n = f - 1;
    // A position past the float range (a far-off time, or a damaged record's
    // tiny duration) has no place in the cycle: it shows the first frame.
    if (n == 0 || !(x > 0.0f) || std::isinf(x))
        return Set(out, 0, n == 0 ? 0 : 1, 0.0f);
    // The position inside one forward-and-back cycle; fmod keeps large
    // times inside the integer range.
    const float cycle = std::fmod(x, float(2 * n));
    int32_t m = int32_t(cycle);
    if (m >= 2 * n)
        m = 2 * n - 1;
    float fraction = cycle - float(m);
    if (fraction > 1.0f)
        fraction = 1.0f;
    if (m < n)
        return Set(out, m, m + 1, fraction);
    Set(out, 2 * n - m, 2 * n - m - 1, fraction);
}

} // namespace

bool ComputeAnimationFrames(int32_t mode, float elapsed, float duration, float speed, uint32_t frameCount,
                            bool allowHold, OmAnimationFrames& out)
{
    if (frameCount < 1 || frameCount > uint32_t(INT32_MAX / 2) || !std::isfinite(duration) || !(duration > 0.0f) ||
        !std::isfinite(speed) || !std::isfinite(elapsed))
        return false;
    const int32_t f = int32_t(frameCount);
    switch (mode) {
    case OM_PLAY_LOOP:
        Loop(std::fabs(std::fmod(elapsed, duration) * speed * float(f)), f, out);
        return true;
    case OM_PLAY_ONCE:
        Once(float(f) * speed * elapsed, f, out);
        return true;
    case OM_PLAY_PINGPONG:
        PingPong(float(f - 1) * speed * elapsed, f, out);
        return true;
    case OM_PLAY_HOLD:
        if (!allowHold)
            return false;
        Set(out, f - 1, f - 1, 1.0f);
        return true;
    default:
        return false;
    }
}
