// The camera helpers the renderer and the HUD take from the device's
// utility library: left-handed look-at and perspective matrices and the
// world-to-screen projection of a point. Matrices are 16 floats, row-major,
// for row vectors (a point is transformed as v * M, translation in row 3).
#pragma once

#include <cstdint>

namespace plat {

// View matrix looking from eye towards at, with up giving the vertical.
// Degenerate axes come out as zero vectors rather than NaNs.
void MatrixLookAtLH(float out[16], const float eye[3], const float at[3], const float up[3]);

// Perspective projection from the vertical field of view (radians) and the
// aspect ratio (width / height); depth maps near..far to 0..1.
void MatrixPerspectiveFovLH(float out[16], float fovY, float aspect, float zNear, float zFar);

// Perspective projection from the view volume's width and height at the
// near plane.
void MatrixPerspectiveLH(float out[16], float width, float height, float zNear, float zFar);

// out = a * b.
void MatrixMultiply(float out[16], const float a[16], const float b[16]);

// The viewport as the device describes it: pixels and a depth range.
struct ProjectViewport {
    uint32_t x = 0, y = 0, width = 0, height = 0;
    float minZ = 0.0f, maxZ = 1.0f;
};

// Screen position of a point: transformed by world, view and projection
// (a null matrix counts as identity), divided by w, then mapped into the
// viewport with y running down and depth into minZ..maxZ. A point on the
// camera plane (w = 0) has no screen position: out is zeroed and false
// returned.
bool Vec3Project(float out[3], const float v[3], const ProjectViewport& viewport,
                 const float* projection, const float* view, const float* world);

} // namespace plat
