// The display's gamma ramp drawn into the shown picture, for a display that
// takes no ramp of its own (Wayland's never does; X's only through a
// colour map): each level of each colour goes through the ramp as the
// picture is scaled into the window, as the display's own ramp would have
// taken it.
#pragma once

#include "platform/GfxTypes.h"

namespace plat {

using GLuintName = unsigned int; // an OpenGL object name

class GfxGammaPass {
public:
    // Whether the ramp leaves every 8-bit level as it is: a picture shown
    // through it is the picture.
    static bool IsNeutral(const GfxGammaRamp& ramp);

    // Made, used and destroyed with the device's OpenGL context current.
    GfxGammaPass();
    ~GfxGammaPass();
    GfxGammaPass(const GfxGammaPass&) = delete;
    GfxGammaPass& operator=(const GfxGammaPass&) = delete;

    // False when the driver would not build the pass (it says why once).
    bool Ready() const { return program_ != 0; }

    // Draws the picture (a texture, top row first) through the ramp over the
    // bound framebuffer's viewport, filtered linearly. Leaves its program,
    // its vertex array and its textures on units 0 and 1 bound; the units
    // must have no sampler object bound.
    void Draw(GLuintName picture, const GfxGammaRamp& ramp);

private:
    GLuintName program_ = 0;
    GLuintName vertexArray_ = 0;
    GLuintName rampTexture_ = 0;
    GfxGammaRamp sent_{}; // what the ramp texture holds
    bool rampSent_ = false;
};

} // namespace plat
