// The cut-scene director on a camera: timed and immediate tracks, the
// framing blend, following, turning the short way and conversation framing.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/OmRef.h"
#include "game/framework/TsCamera.h"
#include "game/framework/TsCutScene.h"
#include "tests/game/framework/TestEntities.h"

namespace {

constexpr float kPi = 3.14159265f;

struct CutSceneTest : ::testing::Test {
    void SetUp() override { scene->SetCamera(camera); }
    void TearDown() override { TsEntity::SetGroundProbe(nullptr); }
    // One game tick of the scene and then the camera, as the level runs them.
    void Ticks(int n)
    {
        for (int i = 0; i < n; ++i) {
            scene->Tick(0);
            camera->Tick(0);
        }
    }

    const OmRef<TsCamera> camera = OmMakeRef<TsCamera>();
    const OmRef<TsCutScene> scene = OmMakeRef<TsCutScene>();
};

// With no time a zoom or a turn applies in the same tick. An immediate turn
// counts from where the last timed turn started, so a script stepping by
// quarters lands on the angles it counted.
TEST_F(CutSceneTest, ImmediateWorkAppliesAtOnceAndTurnsCountFromTheLastTimedTurnsStart)
{
    camera->Distance().SetAll(10.0f);
    scene->ZoomCamera(3.0f, -1.0f, TS_CAMERAMOVE_INTERP);
    EXPECT_FLOAT_EQ(camera->Distance().previous, 3.0f);
    EXPECT_FALSE(scene->IsCameraZooming() || scene->IsCutSceneActive());
    camera->Heading().SetAll(1.0f);
    scene->RotateCamera(0.25f, 0.0f, TS_CAMERAMOVE_INTERP);
    EXPECT_NEAR(camera->Heading().current, kPi / 2, 1e-5f); // no timed turn yet: from 0
    scene->RotateCamera(0.1f, 1.0f, TS_CAMERAMOVE_INTERP);  // starts at pi / 2
    Ticks(3);
    scene->RotateCamera(0.25f, 0.0f, TS_CAMERAMOVE_INTERP);
    EXPECT_NEAR(camera->Heading().next, kPi, 1e-5f);
}

TEST_F(CutSceneTest, AMoveStepsTheFocusLinearlyAndStartsTheFramingBlend)
{
    camera->Focus().SetAll(OmVector3(0, 0, 0));
    camera->SetFieldOfView(1.0f);
    camera->Pitch().SetAll(0.0f);
    camera->Distance().SetAll(12.0f);
    scene->MoveCamera(10.0f, 0.0f, -20.0f, 0.5f, TS_CAMERAMOVE_SINE); // every profile moves linearly
    EXPECT_TRUE(scene->IsBlending());
    struct Step {
        int ticks;
        float x, z, fieldOfView, pitch;
    };
    const float fovTarget = TsCutScene::kSceneFieldOfView, pitchTarget = TsCutScene::kScenePitch;
    const Step steps[] = {
        {1, 2.0f, -4.0f, 1.0f + (fovTarget - 1.0f) * 0.2f, pitchTarget * 0.2f},
        {2, 6.0f, -12.0f, 1.0f + (fovTarget - 1.0f) * 0.6f, pitchTarget * 0.6f},
        {2, 10.0f, -20.0f, fovTarget, pitchTarget},
    };
    for (const Step& s : steps) {
        Ticks(s.ticks);
        EXPECT_NEAR(camera->Focus().current.x, s.x, 1e-4f);
        EXPECT_NEAR(camera->Focus().current.z, s.z, 1e-4f);
        EXPECT_NEAR(camera->GetFieldOfView(), s.fieldOfView, 1e-4f);
        EXPECT_NEAR(camera->Pitch().current, s.pitch, 1e-4f);
    }
    EXPECT_FALSE(scene->IsBlending());
    EXPECT_FALSE(scene->IsCameraMoving());
    Ticks(1);
    EXPECT_FALSE(scene->IsCutSceneActive());
    EXPECT_FLOAT_EQ(camera->Distance().next, 12.0f); // restored on leaving
}

TEST_F(CutSceneTest, LeavingRestoresTheDistanceAndForgetsTheTarget)
{
    const auto target = OmMakeRef<TestThing>();
    target->SetPosition(3.0f, 1.0f, 4.0f);
    camera->Distance().SetAll(15.0f);
    scene->SetCutSceneActive(true);
    scene->LockActive(true);
    scene->SetFollowTarget(target);
    EXPECT_EQ(target->GetRefCount(), 2u); // the scene holds the target it follows
    scene->ZoomCamera(5.0f, 0.2f, TS_CAMERAMOVE_INTERP);
    Ticks(3);
    EXPECT_FLOAT_EQ(camera->Distance().current, 5.0f);
    EXPECT_FLOAT_EQ(camera->Focus().current.x, 3.0f); // following while nothing moves the focus
    EXPECT_TRUE(scene->IsCutSceneActive());           // held open by the lock
    scene->SetCutSceneActive(false);
    EXPECT_FLOAT_EQ(camera->Distance().next, 15.0f);
    EXPECT_EQ(scene->GetFollowTarget(), nullptr);
    EXPECT_FALSE(scene->IsActiveLocked());
    EXPECT_EQ(target->GetRefCount(), 1u);
}

TEST_F(CutSceneTest, AFadeHoldsTheSceneOpenUntilItCompletes)
{
    scene->FadeCamera(TS_FADE_UNIFORM, 0.3f, true);
    Ticks(3);
    EXPECT_TRUE(scene->IsCutSceneActive() && !scene->IsFadeComplete());
    Ticks(2);
    EXPECT_TRUE(scene->IsFadeComplete() && !scene->IsCutSceneActive());
}

TEST_F(CutSceneTest, TurningToAHeadingGoesTheShortWayFromWhereTheCameraIs)
{
    camera->Heading().SetAll(-0.2f); // wraps to just under a full turn
    scene->RotateCameraTo(10.0f, 1.0f, TS_CAMERAMOVE_INTERP);
    EXPECT_NEAR(camera->Heading().current, 2 * kPi - 0.2f, 1e-4f);
    Ticks(10);
    EXPECT_NEAR(TsCutScene::Wrap(camera->Heading().current), 10.0f * kPi / 180.0f, 1e-4f);
    EXPECT_GT(camera->Heading().current, 2 * kPi - 0.2f); // forwards across zero, not back round
}

// Walls along x = -1.5 .. : everything cast from the negative x side hits.
class HalfWorld : public TsGroundProbe {
public:
    bool CastSegmentStatic(const OmVector3& from, const OmVector3&, float& hitHeight) override
    {
        hitHeight = 0.0f;
        return from.x < 0.0f;
    }
    float GetGroundHeight(const OmVector3&) override { return 0.0f; }
};

TEST_F(CutSceneTest, TheOverviewFramingSkipsCandidatesBehindWalls)
{
    const OmVector3 speaker(0, 0, 0), listener(0, 0, 4); // facing +z
    auto frame = [&] {
        scene->Reset();
        camera->Distance().SetAll(8.0f);
        camera->Heading().SetAll(0.0f);
        scene->SetupConversationCamera(speaker, listener, 3);
    };
    frame();
    EXPECT_TRUE(scene->IsActiveLocked());
    EXPECT_TRUE(scene->IsPlayerLockedOut());
    EXPECT_TRUE(scene->IsCameraMoving() && scene->IsCameraRotating() && scene->IsCameraZooming());
    Ticks(40);
    const float openHeading = TsCutScene::Wrap(camera->Heading().current);

    // The first candidate's view is blocked here, so another is taken and
    // its camera stands on the open side.
    HalfWorld world;
    TsEntity::SetGroundProbe(&world);
    frame();
    Ticks(40);
    EXPECT_GT(std::fabs(TsCutScene::ShortestDifference(openHeading, TsCutScene::Wrap(camera->Heading().current))),
              0.1f);
    const OmVector3 back = TsCamera::Orientation(camera->Heading().current, TsCutScene::kScenePitch, 0).GetColumn(2);
    EXPECT_GE((camera->Focus().current - back * camera->Distance().current).x, 0.0f);
    EXPECT_FLOAT_EQ(camera->Distance().current, 8.0f);
}

TEST_F(CutSceneTest, SideFramingsStandBesideTheSpeaker)
{
    const OmVector3 p(10, 0, 10);
    struct Case {
        int mode;
        float x, z;
    };
    // Speaker facing +x: d = (1, 0, 0).
    for (const Case& c : {Case{0, 9.0f, 11.0f}, Case{2, 9.0f, 9.0f}, Case{1, 10.0f, 10.0f}}) {
        camera->Focus().SetAll(OmVector3(0, 0, 0));
        scene->Reset();
        scene->SetupConversationCamera(p, OmVector3(20, 0, 10), c.mode);
        Ticks(40);
        EXPECT_NEAR(camera->Focus().current.x, c.x, 1e-3f) << c.mode;
        EXPECT_NEAR(camera->Focus().current.z, c.z, 1e-3f) << c.mode;
        EXPECT_NEAR(camera->Distance().current, 7.0f, 1e-3f);
    }
    // Both at one point: no direction, no crash, still framed.
    scene->Reset();
    scene->SetupConversationCamera(p, p, 1);
    EXPECT_TRUE(scene->IsCameraMoving());
}

} // namespace
