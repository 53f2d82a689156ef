// OpenGL for the graphics device only: entry points come straight from the
// system's libGL (compatibility profile).
#pragma once

#ifndef GL_GLEXT_PROTOTYPES
#define GL_GLEXT_PROTOTYPES 1
#endif
#include <GL/gl.h>
#include <GL/glext.h>

namespace plat {

// Asks SDL for the context the device needs; call before creating a window.
void GfxSetGLAttributes();

// Keeps the OpenGL driver (and what it loaded) in memory once a context has
// used it: destroying and
// re-creating the device (around video playback) then does not reload it,
// and leak reports at exit can still name its code.
void GfxPinGLDriver();

} // namespace plat
