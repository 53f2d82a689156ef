#include "platform/CameraMatrix.h"

#include <cmath>
#include <cstring>

namespace plat {
namespace {

void Sub(float out[3], const float a[3], const float b[3])
{
    for (int i = 0; i < 3; ++i) out[i] = a[i] - b[i];
}

void Cross(float out[3], const float a[3], const float b[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

float Dot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void Normalise(float v[3])
{
    const float length = std::sqrt(Dot(v, v));
    if (length == 0.0f) return; // stays the zero vector
    for (int i = 0; i < 3; ++i) v[i] /= length;
}

void Zero(float m[16]) { std::memset(m, 0, sizeof(float) * 16); }

void Perspective(float out[16], float xScale, float yScale, float zNear, float zFar)
{
    Zero(out);
    const float q = zFar / (zFar - zNear);
    out[0] = xScale;
    out[5] = yScale;
    out[10] = q;
    out[11] = 1.0f;
    out[14] = -q * zNear;
}

void Transform(float out[4], const float v[4], const float* m)
{
    if (!m) {
        std::memcpy(out, v, sizeof(float) * 4);
        return;
    }
    for (int c = 0; c < 4; ++c) {
        out[c] = v[0] * m[c] + v[1] * m[4 + c] + v[2] * m[8 + c] + v[3] * m[12 + c];
    }
}

} // namespace

void MatrixLookAtLH(float out[16], const float eye[3], const float at[3], const float up[3])
{
    float z[3], x[3], y[3];
    Sub(z, at, eye);
    Normalise(z);
    Cross(x, up, z);
    Normalise(x);
    Cross(y, z, x);
    const float* axes[3] = {x, y, z};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) out[row * 4 + col] = axes[col][row];
        out[row * 4 + 3] = 0.0f;
    }
    out[12] = -Dot(x, eye);
    out[13] = -Dot(y, eye);
    out[14] = -Dot(z, eye);
    out[15] = 1.0f;
}

void MatrixPerspectiveFovLH(float out[16], float fovY, float aspect, float zNear, float zFar)
{
    const float yScale = 1.0f / std::tan(fovY / 2.0f);
    Perspective(out, yScale / aspect, yScale, zNear, zFar);
}

void MatrixPerspectiveLH(float out[16], float width, float height, float zNear, float zFar)
{
    Perspective(out, 2.0f * zNear / width, 2.0f * zNear / height, zNear, zFar);
}

void MatrixMultiply(float out[16], const float a[16], const float b[16])
{
    float r[16];
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a[row * 4 + k] * b[k * 4 + col];
            r[row * 4 + col] = sum;
        }
    }
    std::memcpy(out, r, sizeof r); // out may be a or b
}

bool Vec3Project(float out[3], const float v[3], const ProjectViewport& viewport,
                 const float* projection, const float* view, const float* world)
{
    float p[4] = {v[0], v[1], v[2], 1.0f}, q[4];
    Transform(q, p, world);
    Transform(p, q, view);
    Transform(q, p, projection);
    if (q[3] == 0.0f || !std::isfinite(q[3])) {
        out[0] = out[1] = out[2] = 0.0f;
        return false;
    }
    const float x = q[0] / q[3], y = q[1] / q[3], z = q[2] / q[3];
    out[0] = float(viewport.x) + (1.0f + x) * float(viewport.width) * 0.5f;
    out[1] = float(viewport.y) + (1.0f - y) * float(viewport.height) * 0.5f;
    out[2] = viewport.minZ + z * (viewport.maxZ - viewport.minZ);
    return true;
}

} // namespace plat
