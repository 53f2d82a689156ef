#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "platform/CameraMatrix.h"

namespace {

// The depth of a point (0, 0, z) after the projection: w-divided z.
float Depth(const float m[16], float z) { return (z * m[10] + m[14]) / (z * m[11] + m[15]); }

TEST(CameraMatrix, PerspectivesMapNearAndFarToZeroAndOne)
{
    float fov[16], box[16];
    plat::MatrixPerspectiveFovLH(fov, 1.5707964f, 1.3333334f, 1.0f, 1000.0f);
    plat::MatrixPerspectiveLH(box, 4.0f, 2.0f, 2.0f, 10.0f);
    EXPECT_NEAR(fov[0], 0.75f, 1e-5f); // 90 degrees high, 4:3 wide
    EXPECT_NEAR(box[5], 2.0f, 1e-5f);  // 2 near units tall at distance 2
    for (auto [m, nearZ, farZ] : {std::tuple{fov, 1.0f, 1000.0f}, {box, 2.0f, 10.0f}}) {
        EXPECT_NEAR(Depth(m, nearZ), 0.0f, 1e-5f);
        EXPECT_NEAR(Depth(m, farZ), 1.0f, 1e-5f);
    }
}

TEST(CameraMatrix, AProductMayBeWrittenOverOneOfItsOperands)
{
    float a[16], b[16];
    for (int i = 0; i < 16; ++i) a[i] = float(i), b[i] = (i % 5 == 0) ? 2.0f : 0.0f;
    plat::MatrixMultiply(a, a, b);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(a[i], 2.0f * float(i));
}

TEST(CameraMatrix, PointsProjectIntoTheViewportButNotFromTheCameraPlane)
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

TEST(CameraMatrix, LookingAlongTheUpVectorGivesZerosNotNaNs)
{
    const float eye[3] = {0, 0, -10}, above[3] = {0, 10, -10}, up[3] = {0, 1, 0};
    float view[16];
    plat::MatrixLookAtLH(view, eye, above, up);
    for (float v : view) EXPECT_FALSE(std::isnan(v));
}

} // namespace
