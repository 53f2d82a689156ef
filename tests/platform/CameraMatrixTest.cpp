#include <gtest/gtest.h>

#include <cmath>

#include "platform/CameraMatrix.h"

namespace {

void ExpectMatrix(const float* m, std::initializer_list<float> expected)
{
    int i = 0;
    for (float e : expected) {
        EXPECT_NEAR(m[i], e, 1e-5f) << "element " << i;
        ++i;
    }
}

// v * M for a point (w = 1).
void Apply(const float m[16], const float v[3], float out[4])
{
    for (int c = 0; c < 4; ++c) out[c] = v[0] * m[c] + v[1] * m[4 + c] + v[2] * m[8 + c] + m[12 + c];
}

TEST(CameraMatrix, LookAtPutsTheTargetAheadOnZ)
{
    // The renderer's default camera: from (30, 0, 0) towards the origin.
    const float eye[3] = {30, 0, 0}, at[3] = {0, 0, 0}, up[3] = {0, 1, 0};
    float view[16];
    plat::MatrixLookAtLH(view, eye, at, up);
    ExpectMatrix(view, {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 30, 1});

    // The origin 30 ahead; 5 up is up; +z in the world is to the right when looking down -x.
    const struct {
        float v[3];
        int axis;
        float expected;
    } cases[] = {{{0, 0, 0}, 2, 30}, {{30, 5, 0}, 1, 5}, {{30, 0, 2}, 0, 2}};
    for (const auto& c : cases) {
        float p[4];
        Apply(view, c.v, p);
        EXPECT_NEAR(p[c.axis], c.expected, 1e-5f) << "axis " << c.axis;
    }

    // Looking along the up vector leaves no sideways axis: zeros, not NaNs.
    const float straightUp[3] = {30, 10, 0};
    plat::MatrixLookAtLH(view, eye, straightUp, up);
    for (float v : view) EXPECT_FALSE(std::isnan(v));
}

TEST(CameraMatrix, PerspectiveMapsNearAndFarToZeroAndOne)
{
    float proj[16];
    plat::MatrixPerspectiveFovLH(proj, 1.5707964f, 1.3333334f, 1.0f, 1000.0f);
    const float q = 1000.0f / 999.0f;
    ExpectMatrix(proj, {0.75f, 0, 0, 0, 0, 1, 0, 0, 0, 0, q, 1, 0, 0, -q, 0});
    for (float z : {1.0f, 1000.0f}) {
        const float v[3] = {0, 0, z};
        float p[4];
        Apply(proj, v, p);
        EXPECT_NEAR(p[2] / p[3], z == 1.0f ? 0.0f : 1.0f, 1e-5f);
    }

    plat::MatrixPerspectiveLH(proj, 4.0f, 2.0f, 2.0f, 10.0f);
    ExpectMatrix(proj, {1, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1.25f, 1, 0, 0, -2.5f, 0});
}

TEST(CameraMatrix, ProjectPointsIntoTheViewport)
{
    const float eye[3] = {0, 0, -10}, at[3] = {0, 0, 0}, up[3] = {0, 1, 0};
    float view[16], proj[16], moved[16];
    plat::MatrixLookAtLH(view, eye, at, up);
    plat::MatrixPerspectiveFovLH(proj, 1.5707964f, 1.0f, 1.0f, 100.0f);
    const plat::ProjectViewport vp{100, 50, 200, 200, 0.0f, 1.0f};
    for (int i = 0; i < 16; ++i) moved[i] = (i % 5 == 0) ? 1.0f : 0.0f;
    moved[12] = moved[13] = 5; // a world matrix moving the point by (5, 5, 0) first
    // 90 degrees: at distance 10 the half-height is 10, so y = 5 is a
    // quarter of the viewport above the centre (y runs down on screen).
    const struct {
        float point[3];
        const float* world;
        float x, y;
    } cases[] = {{{0, 0, 0}, nullptr, 200, 150}, {{5, 5, 0}, nullptr, 250, 100}, {{0, 0, 0}, moved, 250, 100}};
    float out[3];
    for (const auto& c : cases) {
        ASSERT_TRUE(plat::Vec3Project(out, c.point, vp, proj, view, c.world));
        EXPECT_NEAR(out[0], c.x, 1e-3f);
        EXPECT_NEAR(out[1], c.y, 1e-3f);
        EXPECT_NEAR(out[2], (100.0f / 99.0f) * (1.0f - 1.0f / 10.0f), 1e-5f);
    }
    // A point on the camera plane has no place on screen.
    const float beside[3] = {3, 0, -10};
    EXPECT_FALSE(plat::Vec3Project(out, beside, vp, proj, view, nullptr));
    EXPECT_EQ(out[0], 0.0f);
}

TEST(CameraMatrix, MultiplyMayWriteOverAnOperand)
{
    float a[16], b[16];
    for (int i = 0; i < 16; ++i) a[i] = float(i), b[i] = (i % 5 == 0) ? 2.0f : 0.0f;
    plat::MatrixMultiply(a, a, b);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(a[i], 2.0f * float(i));
}

} // namespace
