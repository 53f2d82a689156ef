// The game camera: tick values blended by the frame's fraction, the
// placement modes written into the engine camera, the projection.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/OmCamera.h"
#include "engine/OmRef.h"
#include "game/framework/TsCamera.h"
#include "testing/ScratchDir.h"
#include "tests/game/objects/ArchiveRoundTrip.h"

namespace {

constexpr float kPi = 3.14159265f;

struct CameraTest : ::testing::Test {
    void SetUp() override
    {
        const auto scene = OmMakeRef<OmCamera>();
        camera->SetSceneCamera(scene);
        node = scene;
    }

    void ExpectNear(const OmVector3& v, float x, float y, float z)
    {
        EXPECT_NEAR(v.x, x, 1e-4f);
        EXPECT_NEAR(v.y, y, 1e-4f);
        EXPECT_NEAR(v.z, z, 1e-4f);
    }

    const OmRef<TsCamera> camera = OmMakeRef<TsCamera>();
    OmCamera* node = nullptr; // borrowed: the camera holds it
};

TEST_F(CameraTest, SnapLeavesNothingToBlend)
{
    camera->Heading().SetNext(1.0f);
    camera->Snap();
    EXPECT_TRUE(camera->IsActive());
    EXPECT_FLOAT_EQ(camera->Heading().previous, 1.0f);
    EXPECT_FLOAT_EQ(camera->Heading().current, 1.0f);
    EXPECT_EQ(camera->GetProjectionRefresh(), 3);
}

TEST_F(CameraTest, TicksMoveTheValuesOnlyWhileTheCameraIsActive)
{
    camera->Heading().SetAll(1.0f);
    camera->Heading().SetNext(2.0f);
    camera->SetActive(false);
    camera->Tick(1);
    EXPECT_FLOAT_EQ(camera->Heading().current, 1.0f);
    camera->SetActive(true);
    camera->Tick(2);
    EXPECT_FLOAT_EQ(camera->Heading().previous, 1.0f);
    EXPECT_FLOAT_EQ(camera->Heading().current, 2.0f);
    EXPECT_FLOAT_EQ(camera->Heading().Interpolate(0.25f), 1.25f);
}

TEST_F(CameraTest, EachModePlacesTheEngineCameraFromItsBlendedValues)
{
    camera->SetMode(TS_CAMERA_FREE);
    camera->Position().SetAll(OmVector3(0, 0, 0));
    camera->Position().SetNext(OmVector3(10, 0, 0));
    camera->Heading().SetAll(kPi / 2);
    camera->Tick(1);
    camera->Update(0.5f);
    ExpectNear(node->GetPosition(), 5, 0, 0);
    ExpectNear(node->GetForward(), -1, 0, 0); // a quarter turn: to the side

    // Orbit: the distance back from the focus, still looking at it when pitched.
    camera->SetMode(TS_CAMERA_ORBIT);
    camera->Focus().SetAll(OmVector3(1, 2, 3));
    camera->Distance().SetAll(10.0f);
    camera->Heading().SetAll(0.0f);
    camera->Update(0.0f);
    ExpectNear(node->GetPosition(), 1, 2, -7);
    camera->Pitch().SetAll(kPi / 6);
    camera->Update(0.0f);
    const OmVector3& eye = node->GetPosition();
    EXPECT_NEAR(eye.y, 2.0f + 10.0f * std::sin(kPi / 6), 1e-4f);
    const OmVector3 toFocus = (OmVector3(1, 2, 3) - eye) * 0.1f;
    ExpectNear(node->GetForward(), toFocus.x, toFocus.y, toFocus.z);

    // A look-at camera looks at its focus whatever its roll.
    camera->SetMode(TS_CAMERA_LOOK_AT);
    camera->Position().SetAll(OmVector3(0, 0, 0));
    camera->Focus().SetAll(OmVector3(0, 0, 5));
    for (float roll : {0.7f, 0.0f}) {
        camera->Roll().SetAll(roll);
        camera->Update(0.0f);
        ExpectNear(node->GetForward(), 0, 0, 1);
    }
    ExpectNear(node->GetUp(), 0, 1, 0);

    // The owner's mode leaves the frame as its owner put it.
    camera->SetMode(TS_CAMERA_OWNER);
    node->SetFrame(OmVector3(7, 7, 7), OmVector3(1, 0, 0), OmVector3(0, 1, 0), OmVector3(0, 0, 1));
    camera->Update(0.0f);
    ExpectNear(node->GetPosition(), 7, 7, 7);
}

TEST_F(CameraTest, TheProjectionFollowsTheFieldOfViewForTwoTicks)
{
    camera->SetNearPlane(2.0f);
    camera->SetFarPlane(200.0f);
    camera->SetFieldOfView(kPi / 2);
    EXPECT_EQ(camera->GetProjectionRefresh(), 2);
    camera->Tick(1);
    camera->Update(1.0f);
    EXPECT_NEAR(node->GetProjection().halfWidth, 2.0f, 1e-4f); // tan 45 x near
    EXPECT_NEAR(node->GetProjection().halfHeight, 1.5f, 1e-4f);
    EXPECT_FLOAT_EQ(node->GetProjection().farDistance, 200.0f);
    camera->Tick(2);
    camera->Tick(3); // refresh count used up: a later change waits for SetFieldOfView
    OmProjection p = node->GetProjection();
    p.halfWidth = 9.0f;
    node->SetProjection(p);
    camera->Update(1.0f);
    EXPECT_FLOAT_EQ(node->GetProjection().halfWidth, 9.0f);
}

TEST_F(CameraTest, ASavedCameraComesBackSettled)
{
    ScratchDir dir;
    camera->SetMode(TS_CAMERA_ORBIT);
    camera->SetActive(true);
    camera->Position().SetAll(OmVector3(1, 2, 3));
    camera->Position().SetNext(OmVector3(4, 5, 6));
    camera->Heading().SetNext(0.5f);
    camera->Pitch().SetNext(-0.25f);
    camera->Roll().SetNext(0.125f);
    camera->Focus().SetNext(OmVector3(7, 8, 9));
    camera->Distance().SetNext(12.0f);
    camera->SetFieldOfView(1.25f);
    camera->SetAspect(0.5f);
    const auto back = OmRef<TsCamera>::Adopt(RoundTrip<TsCamera>(camera, "camera.sav"));
    ASSERT_NE(back.Get(), nullptr);
    const struct {
        const char* what;
        const TsLerpFloat& value;
        float saved;
    } floats[] = {{"heading", back->Heading(), 0.5f},  {"pitch", back->Pitch(), -0.25f},
                  {"roll", back->Roll(), 0.125f},      {"distance", back->Distance(), 12.0f},
                  {"field of view", back->FieldOfView(), 1.25f}};
    for (const auto& f : floats) {
        EXPECT_FLOAT_EQ(f.value.previous, f.saved) << f.what;
        EXPECT_FLOAT_EQ(f.value.current, f.saved) << f.what;
    }
    ExpectNear(back->Position().previous, 4, 5, 6);
    ExpectNear(back->Focus().current, 7, 8, 9);
    EXPECT_EQ(back->GetMode(), TS_CAMERA_ORBIT);
    EXPECT_TRUE(back->IsActive());
    EXPECT_FLOAT_EQ(back->GetAspect(), 0.5f);
}

} // namespace
