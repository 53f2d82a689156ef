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

// Every row starts from the frame the owner last put on the engine camera
// and blends halfway through one tick's move.
TEST_F(CameraTest, EachModePlacesTheEngineCameraFromItsBlendedValues)
{
    const float pitchedY = 2.0f + 10.0f * std::sin(kPi / 6), pitchedZ = 3.0f - 10.0f * std::cos(kPi / 6);
    const struct {
        const char* what;
        TsCameraMode mode;
        OmVector3 from, to, focus;
        float heading, pitch, roll;
        OmVector3 eye, forward;
        bool upright; // the engine camera's up is world up
    } rows[] = {
        {"free: halfway along its move, a quarter turn to the side", TS_CAMERA_FREE, {0, 0, 0}, {10, 0, 0},
         {1, 2, 3}, kPi / 2, 0, 0, {5, 0, 0}, {-1, 0, 0}, true},
        {"orbit: the distance back from the focus", TS_CAMERA_ORBIT, {0, 0, 0}, {10, 0, 0}, {1, 2, 3}, 0, 0, 0,
         {1, 2, -7}, {0, 0, 1}, true},
        {"orbit pitched: still looking at the focus", TS_CAMERA_ORBIT, {0, 0, 0}, {10, 0, 0}, {1, 2, 3}, 0,
         kPi / 6, 0, {1, pitchedY, pitchedZ}, {0, (2 - pitchedY) / 10, (3 - pitchedZ) / 10}, false},
        {"look-at rolled: still looking at the focus", TS_CAMERA_LOOK_AT, {0, 0, 0}, {0, 0, 0}, {0, 0, 5}, 0, 0,
         0.7f, {0, 0, 0}, {0, 0, 1}, false},
        {"look-at unrolled", TS_CAMERA_LOOK_AT, {0, 0, 0}, {0, 0, 0}, {0, 0, 5}, 0, 0, 0, {0, 0, 0}, {0, 0, 1}, true},
        {"owner: the frame as its owner put it", TS_CAMERA_OWNER, {0, 0, 0}, {10, 0, 0}, {1, 2, 3}, kPi / 2, 0, 0,
         {7, 7, 7}, {0, 0, 1}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        node->SetFrame(OmVector3(7, 7, 7), OmVector3(1, 0, 0), OmVector3(0, 1, 0), OmVector3(0, 0, 1));
        camera->SetMode(row.mode);
        camera->Position().SetAll(row.from);
        camera->Position().SetNext(row.to);
        camera->Focus().SetAll(row.focus);
        camera->Distance().SetAll(10.0f);
        camera->Heading().SetAll(row.heading);
        camera->Pitch().SetAll(row.pitch);
        camera->Roll().SetAll(row.roll);
        camera->Tick(1);
        camera->Update(0.5f);
        ExpectNear(node->GetPosition(), row.eye.x, row.eye.y, row.eye.z);
        ExpectNear(node->GetForward(), row.forward.x, row.forward.y, row.forward.z);
        if (row.upright)
            ExpectNear(node->GetUp(), 0, 1, 0);
    }
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
    const OmRef<TsCamera> back = Reloaded<TsCamera>(camera, "camera.sav");
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
