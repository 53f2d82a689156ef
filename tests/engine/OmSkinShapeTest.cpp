#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <type_traits>
#include <vector>

#include "engine/OmAnimationFrames.h"
#include "engine/OmBaseSkinMesh.h"
#include "engine/OmBoneAnimation.h"
#include "engine/OmGroup.h"
#include "engine/OmMatrix3.h"
#include "engine/OmSkinMesh.h"
#include "engine/OmSkinShape.h"
#include "tests/engine/SceneTestSupport.h"

namespace {

constexpr float kDegree = 3.14159265f / 180.0f;
// The interpolation uses a polynomial sine: close, not exact.
constexpr float kTolerance = 2e-3f;

// Frame f turns bone 0 by 10f degrees and bone 1 by 20f degrees about Z
// and puts the root at (f, 0, 0). Bone 2 has no keys.
void MakeArmAnimation(OmBoneAnimation& anim, uint32_t frames, float duration)
{
    ASSERT_TRUE(anim.Allocate(frames, 2));
    anim.duration = duration;
    for (uint32_t f = 0; f < frames; ++f) {
        for (uint32_t b = 0; b < 2; ++b) // a turn about Z, in the quaternion's sign convention
            anim.Key(f, b) = OmQuaternion(0, 0, -std::sin(5.0f * float((b + 1) * f) * kDegree),
                                          std::cos(5.0f * float((b + 1) * f) * kDegree));
        anim.rootPositions[f].Set(float(f), 0.0f, 0.0f);
    }
}

// Root 0 -> 1 -> 2, each one unit along Y from its parent; bone 2 is "LeftHeadBone".
OmRef<OmSkinMesh> MakeArmMesh()
{
    auto mesh = OmMakeRef<OmSkinMesh>();
    const char* names[] = {"Root", "Upper", "LeftHeadBone"};
    for (int32_t b = 0; b < 3; ++b) {
        OmBone bone;
        bone.SetName(names[b]);
        bone.parent = b - 1;
        bone.firstChild = b < 2 ? b + 1 : -1;
        bone.offset.Set(0.0f, b == 0 ? 0.0f : 1.0f, 0.0f);
        mesh->skeleton.bones.Add(bone);
    }
    mesh->skeleton.rootBone = 0;
    return mesh;
}

// The arm worked out by hand: bone 0 at the root turned by a0 about Z, bones
// 1 and 2 one unit up their parent's Y axis turned by a0 + a1 (bone 2 has no
// keys); a twisted bone and the bones below it also turn about Y.
void ExpectArm(OmSkinShape& shape, float a0, float a1, float rootX, const std::string& what, int32_t twisted = -1,
               float twist = 0.0f)
{
    ASSERT_EQ(shape.GetBones().GetCount(), 3u);
    OmMatrix3 spin;
    spin.SetRotationY(twist * kDegree);
    const float angles[3] = {a0, a0 + a1, a0 + a1};
    OmBoneMatrix expected[3];
    for (uint32_t b = 0; b < 3; ++b) {
        expected[b].rotation.SetRotationZ(angles[b] * kDegree);
        if (twisted >= 0 && int32_t(b) >= twisted)
            expected[b].rotation.PostMultiply(spin);
        expected[b].position = b == 0 ? OmVector3(rootX, 0.0f, 0.0f)
                                      : expected[b - 1].position
                                            + expected[b - 1].rotation.Transform(OmVector3(0.0f, 1.0f, 0.0f));
        const OmBoneMatrix& bone = shape.GetBones()[b];
        for (int i = 0; i < 9; ++i)
            EXPECT_NEAR(bone.rotation.m[i], expected[b].rotation.m[i], kTolerance) << what << " bone " << b;
        EXPECT_TRUE(OmVector3::NearlyEqual(bone.position, expected[b].position, kTolerance)) << what << " bone " << b;
    }
}

class SkinShapeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MakeArmAnimation(*m_anim, 4, 1.0f);
        m_shape->SetGeometry(MakeArmMesh());
    }

    // Starts at time 10 and updates at 10 + elapsed.
    void PlayAt(int32_t mode, float elapsed)
    {
        m_shape->PlayAnimation(m_anim.Get(), mode);
        m_shape->Update(10.0f);
        m_shape->Update(10.0f + elapsed);
    }

    const OmRef<OmBoneAnimation> m_anim = OmMakeRef<OmBoneAnimation>();
    OmRef<OmSkinShape> m_shape = OmMakeRef<OmSkinShape>();
};

// A render skin mesh that keeps the bone matrices it is handed.
class TestSkinRenderMesh : public OmBaseSkinMesh {
    OM_DECLARE_TEST_CLASS(TestSkinRenderMesh, OmBaseSkinMesh)

    void Render(OmRenderer&) override { ++draws; }
    bool Create(OmRenderer&, uint32_t, uint32_t, uint32_t, const uint8_t*) override { return true; }
    bool ConvertFrom(const OmSkinMesh& mesh) override
    {
        for (uint32_t i = 0; i < mesh.skeleton.bones.GetCount(); ++i)
            skeleton.bones.Add(mesh.skeleton.bones[i]);
        skeleton.rootBone = mesh.skeleton.rootBone;
        return true;
    }
    void SetBoneMatrices(const OmBoneMatrix* matrices, uint32_t count) override
    {
        handed.assign(matrices, matrices + count);
    }
    const OmSkeleton* GetSkeleton() const override { return &skeleton; }

    OmSkeleton skeleton;
    std::vector<OmBoneMatrix> handed;
    int draws = 0;
};

OM_IMPLEMENT_CLASS(TestSkinRenderMesh, OmBaseSkinMesh)

class LineRenderer : public RecordingRenderer {
public:
    void DrawLines(int32_t count, const OmVector3*, uint32_t colour) override
    {
        lineCount = count;
        lineColour = colour;
    }
    int32_t lineCount = 0;
    uint32_t lineColour = 0;
};

// A record ends only when its last holder lets go: a delete, or one made on
// the stack, could end one that a figure is still playing.
static_assert(!std::is_destructible_v<OmBoneAnimation>, "an animation record is ended by Release alone");

} // namespace

TEST_F(SkinShapeTest, AnimationsWithoutFramesOrTimeAreRefusedAndTheRestPoseStands)
{
    const auto empty = OmMakeRef<OmBoneAnimation>(); // no frames
    const auto instant = OmMakeRef<OmBoneAnimation>();
    MakeArmAnimation(*instant, 4, 0.0f);
    const auto broken = OmMakeRef<OmBoneAnimation>();
    MakeArmAnimation(*broken, 4, std::nanf(""));
    DebugOutputCapture trace;
    for (OmBoneAnimation* anim : {empty.Get(), instant.Get(), broken.Get()}) {
        m_shape->PlayAnimation(anim, OM_PLAY_PINGPONG);
        EXPECT_EQ(m_shape->GetAnimation(), nullptr);
        m_shape->Update(1.0f);
        m_shape->Update(2.0f);
        EXPECT_EQ(m_shape->GetPose(), nullptr);
    }
    EXPECT_TRUE(trace.Contains("cannot play"));
}

TEST_F(SkinShapeTest, EveryPlayModePosesTheArmAsWorkedOutByHand)
{
    const struct {
        const char* what;
        int32_t mode;
        float elapsed, a0, a1, rootX;
        int32_t frame0 = -1, frame1 = -1; // checked when set
    } cases[] = {
        {"loop between frames 1 and 2", OM_PLAY_LOOP, 0.375f, 15, 30, 1.5f},
        // 3.5 frames into the third lap: the last frame back to the first.
        {"loop wrapping to frame 0", OM_PLAY_LOOP, 2.875f, 15, 30, 1.5f, 3, 0},
        {"once on frame 2", OM_PLAY_ONCE, 0.5f, 20, 40, 2},
        {"once past its end holds the last frame", OM_PLAY_ONCE, 5.0f, 30, 60, 3},
        {"ping-pong forward", OM_PLAY_PINGPONG, 0.5f, 15, 30, 1.5f},
        // 4.5 of 6 steps: halfway from frame 2 back to 1.
        {"ping-pong backward", OM_PLAY_PINGPONG, 1.5f, 15, 30, 1.5f, 2, 1},
        {"hold", OM_PLAY_HOLD, 0.1f, 30, 60, 3},
        {"play-once a fraction of a frame before its start", OM_PLAY_ONCE, -0.1f, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        PlayAt(c.mode, c.elapsed);
        ExpectArm(*m_shape, c.a0, c.a1, c.rootX, c.what);
        if (c.frame0 >= 0) {
            EXPECT_EQ(m_shape->GetFrames().frame0, c.frame0) << c.what;
            EXPECT_EQ(m_shape->GetFrames().frame1, c.frame1) << c.what;
        }
    }
}

TEST_F(SkinShapeTest, AQueuedAnimationTakesOverOnceTheCurrentOneHasRun)
{
    const auto wave = OmMakeRef<OmBoneAnimation>(); // two frames over half a second: 0 and 10/20 degrees
    MakeArmAnimation(*wave, 2, 0.5f);
    m_shape->PlayAnimation(m_anim.Get(), OM_PLAY_LOOP);
    m_shape->Update(0.0f);
    m_shape->QueueAnimation(wave, OM_PLAY_ONCE);
    EXPECT_EQ(m_shape->GetQueuedAnimation(), wave);

    m_shape->Update(0.875f); // still the loop
    EXPECT_EQ(m_shape->GetAnimation(), m_anim.Get());
    ExpectArm(*m_shape, 15.0f, 30.0f, 1.5f, "loop before the hand-over");

    m_shape->Update(1.125f); // past one second: the wave starts now, at its first frame
    EXPECT_EQ(m_shape->GetAnimation(), wave);
    EXPECT_FALSE(m_shape->GetQueuedAnimation());
    ExpectArm(*m_shape, 0.0f, 0.0f, 0.0f, "queued animation at its start");

    m_shape->Update(1.25f); // an eighth of a second in: halfway between its two frames
    ExpectArm(*m_shape, 5.0f, 10.0f, 0.5f, "queued animation halfway");
    m_shape->Update(1.375f); // a quarter second in: the last frame of a play-once
    ExpectArm(*m_shape, 10.0f, 20.0f, 1.0f, "queued animation at its end");

    // Nothing playing: a queued animation plays at once.
    m_shape->ClearAnimation();
    m_shape->QueueAnimation(wave, OM_PLAY_HOLD);
    EXPECT_EQ(m_shape->GetAnimation(), wave);
}

TEST(AnimationFramesTest, NoFramesNoTimeNoNumberOrAnUnknownModeComputeNothing)
{
    OmAnimationFrames frames;
    EXPECT_FALSE(ComputeAnimationFrames(OM_PLAY_LOOP, 0.5f, 1.0f, 1.0f, 0, true, frames));
    EXPECT_FALSE(ComputeAnimationFrames(OM_PLAY_LOOP, 0.5f, 0.0f, 1.0f, 4, true, frames));
    EXPECT_FALSE(ComputeAnimationFrames(OM_PLAY_ONCE, std::nanf(""), 1.0f, 1.0f, 4, true, frames));
    EXPECT_FALSE(ComputeAnimationFrames(OM_PLAY_HOLD, 0.5f, 1.0f, 1.0f, 4, false, frames));
    EXPECT_FALSE(ComputeAnimationFrames(7, 0.5f, 1.0f, 1.0f, 4, true, frames));
    EXPECT_EQ(frames.frame0, -1);
}

TEST(AnimationFramesTest, IndicesStayInsideTheAnimationWhateverTheTime)
{
    // Awkward durations, times just short of whole laps, far-off (past what
    // frames x speed x time can hold) and negative times: indices in 0..F-1.
    OmAnimationFrames frames;
    for (uint32_t f : {1u, 2u, 3u, 7u, 30u}) {
        const float duration = float(f) / 30.0f;
        const float speed = 1.0f / duration;
        for (int32_t mode = 0; mode <= 3; ++mode) {
            for (int lap = -3; lap < 200; ++lap) {
                for (float t : {std::nextafter(float(lap) * duration, -1e9f), float(lap) * duration,
                                float(lap) * duration + duration * 0.5f, 1e30f, 3e38f, -1e30f}) {
                    ASSERT_TRUE(ComputeAnimationFrames(mode, t, duration, speed, f, true, frames));
                    ASSERT_GE(frames.frame0, 0) << mode << " " << t;
                    ASSERT_LT(frames.frame0, int32_t(f)) << mode << " " << t;
                    ASSERT_GE(frames.frame1, 0) << mode << " " << t;
                    ASSERT_LT(frames.frame1, int32_t(f)) << mode << " " << t;
                    ASSERT_GE(frames.fraction, 0.0f) << mode << " " << t;
                    ASSERT_LE(frames.fraction, 1.0f) << mode << " " << t;
                }
            }
        }
    }
}

TEST(SkeletonTest, DamagedTreesPoseWhatTheyCanAndStop)
{
    OmSkeleton skeleton;
    OmArray<OmBoneMatrix> out;
    skeleton.Pose(out, nullptr); // nothing at all
    for (int i = 0; i < 3; ++i)
        skeleton.bones.Add(OmBone());
    skeleton.rootBone = -1;
    skeleton.Pose(out, nullptr);
    EXPECT_EQ(out.GetCount(), 3u); // sized, nothing posed
    // Children that loop back to the root and siblings that point at
    // themselves end the walk instead of spinning.
    skeleton.rootBone = 0;
    skeleton.bones[0].offset.Set(1.0f, 2.0f, 3.0f);
    skeleton.bones[1].offset.Set(0.0f, 1.0f, 0.0f);
    skeleton.bones[0].firstChild = 1, skeleton.bones[1].parent = 0, skeleton.bones[1].firstChild = 0;
    skeleton.bones[2].parent = 7, skeleton.bones[2].nextSibling = 2;
    skeleton.Pose(out, nullptr);
    skeleton.bones[1].firstChild = -1;
    skeleton.bones[1].nextSibling = 1;
    skeleton.Pose(out, nullptr);
    EXPECT_TRUE(out[0].position.Equals(OmVector3(1.0f, 2.0f, 3.0f)));
    EXPECT_TRUE(out[1].position.Equals(OmVector3(1.0f, 3.0f, 3.0f)));
}

// The bones below swing round with it, those above stay; no twist leaves the pose.
TEST_F(SkinShapeTest, ATwistedBoneTurnsItselfAndTheBonesBelowItAboutTheVertical)
{
    EXPECT_FALSE(m_shape->SetTwistedBone(3, 1.0f));
    EXPECT_FALSE(m_shape->SetTwistedBone(-2, 1.0f));
    const struct {
        int32_t bone;
        float degrees;
    } cases[] = {{1, 90.0f}, {1, -45.0f}, {0, 30.0f}, {-1, 90.0f}, {1, 0.0f}};
    for (const auto& c : cases) {
        ASSERT_TRUE(m_shape->SetTwistedBone(c.bone, c.degrees * kDegree));
        PlayAt(OM_PLAY_HOLD, 0.0f); // the last frame: 30 and 60 degrees about Z
        ExpectArm(*m_shape, 30.0f, 60.0f, 3.0f, "bone " + std::to_string(c.bone) + " turned", c.bone, c.degrees);
    }
    // The hand swings off the XY plane only when the elbow turns.
    ASSERT_TRUE(m_shape->SetTwistedBone(1, 90.0f * kDegree));
    PlayAt(OM_PLAY_HOLD, 0.0f);
    EXPECT_GT(std::fabs(m_shape->GetBones()[2].position.z), 0.9f);
}

TEST_F(SkinShapeTest, BonesAreFoundByPartOfTheirName)
{
    EXPECT_EQ(m_shape->GetBoneIndex("Head"), 2);
    EXPECT_EQ(m_shape->GetBoneIndex("pper"), 1);
    EXPECT_EQ(m_shape->GetBoneIndex("Tail"), -1);
    EXPECT_EQ(m_shape->GetBoneIndex(nullptr), -1);
}

TEST_F(SkinShapeTest, BoneIndicesOutsideTheSkeletonAreRefusedAndReported)
{
    DebugOutputCapture trace;
    EXPECT_FALSE(m_shape->AttachNodeToBone(-1));
    EXPECT_FALSE(m_shape->AttachNodeToBone(3));
    EXPECT_FALSE(m_shape->SetScaledBone(3, 4.0f));
    EXPECT_FALSE(m_shape->SetScaledBone(-2, 4.0f));
    EXPECT_TRUE(trace.Contains("bone 3"));
    EXPECT_EQ(m_shape->GetAttachmentCount(), 0u);
}

TEST_F(SkinShapeTest, AHandHeldNodeFollowsItsBoneAndAskingAgainGivesTheSameNode)
{
    OmGroup* hand = m_shape->AttachNodeToBone(2);
    ASSERT_TRUE(hand);
    ASSERT_EQ(m_shape->AttachNodeToBone(2), hand);
    PlayAt(OM_PLAY_HOLD, 0.0f);
    EXPECT_TRUE(OmVector3::NearlyEqual(hand->GetLocal().position, m_shape->GetBones()[2].position, 1e-6f));
    EXPECT_TRUE(hand->GetLocal().rotation.Equals(m_shape->GetBones()[2].rotation));
}

TEST_F(SkinShapeTest, DetachingBySlotLeavesAHoleThatTheSearchSkips)
{
    ASSERT_TRUE(m_shape->AttachNodeToBone(2));
    OmGroup* elbow = m_shape->AttachNodeToBone(1);
    m_shape->DetachAttachmentAt(0);
    ASSERT_EQ(m_shape->GetAttachmentCount(), 2u);
    EXPECT_EQ(m_shape->GetAttachment(0).bone, -1);
    EXPECT_FALSE(m_shape->FindBoneNode(2));
    EXPECT_FALSE(m_shape->FindBoneNode(-1));
    EXPECT_EQ(m_shape->FindBoneNode(1), elbow);
    m_shape->DetachAttachmentAt(99); // no such slot: nothing happens
}

TEST_F(SkinShapeTest, AScaledBoneScalesItsQuaternionByTheTraceTerm)
{
    // Four times the rotation's trace term.
    ASSERT_TRUE(m_shape->SetScaledBone(1, 4.0f));
    PlayAt(OM_PLAY_HOLD, 0.0f);
    const OmQuaternion& q = m_shape->GetPose()->rotations[1];
    EXPECT_GT(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w, 3.0f);
}

TEST_F(SkinShapeTest, DrawingHandsThePoseToTheRenderMeshByDefault)
{
    LineRenderer renderer;
    OmSkinMesh* engineMesh = OmSkinMesh::Cast(m_shape->GetGeometry());
    const auto renderMesh = OmMakeRef<TestSkinRenderMesh>();
    ASSERT_TRUE(engineMesh->ConvertForRenderer(renderer, 0, *renderMesh));
    m_shape->SetGeometry(renderMesh);

    PlayAt(OM_PLAY_LOOP, 0.375f); // the skeleton now comes from the render mesh
    m_shape->Render(renderer);
    ASSERT_EQ(renderMesh->handed.size(), 3u);
    EXPECT_TRUE(OmVector3::NearlyEqual(renderMesh->handed[0].position, OmVector3(1.5f, 0, 0), 1e-5f));
    EXPECT_EQ(renderMesh->draws, 1);
    EXPECT_EQ(renderer.lineCount, 0);

    // The skeleton display without the mesh: two bones with parents, and a
    // three-line cross on the head bone.
    renderer.SetRenderOption(5);
    m_shape->Render(renderer);
    EXPECT_EQ(renderMesh->draws, 1);
    EXPECT_EQ(renderer.lineCount, 2 + 3);
    EXPECT_EQ(renderer.lineColour, 0xFFFFFFFFu);
}

// In the first frame the hand (bone 2) is two units up from the root.
TEST_F(SkinShapeTest, ANodeHungOnABoneIsPlacedInTheWorldWhereTheShapePutsTheBone)
{
    OmGroup* hand = m_shape->AttachNodeToBone(2);
    ASSERT_TRUE(hand);
    OmGroup* held = AddNode<OmGroup>(*hand, "held");
    held->LocalPosition() = OmVector3(0.5f, 0.0f, 0.0f);
    OmMatrix3 turn;
    turn.SetRotationY(90.0f * kDegree);
    m_shape->LocalPosition() = OmVector3(5.0f, 0.0f, 3.0f);
    m_shape->LocalRotation() = turn;
    PlayAt(OM_PLAY_ONCE, 0.0f); // no bone turned, the root at the origin
    const OmVector3 place(5.0f, 0.0f, 3.0f);
    EXPECT_TRUE(OmVector3::NearlyEqual(hand->GetWorldPosition(), place + turn.Transform(OmVector3(0, 2, 0)), 1e-4f));
    EXPECT_TRUE(
        OmVector3::NearlyEqual(held->GetWorldPosition(), place + turn.Transform(OmVector3(0.5f, 2, 0)), 1e-4f));
}

TEST_F(SkinShapeTest, DrawingTheShapeDrawsWhatHangsOnItsBones)
{
    RecordingRenderer renderer;
    OmGroup* hand = m_shape->AttachNodeToBone(2);
    ASSERT_TRUE(hand);
    const auto sword = OmMakeRef<TestRenderMesh>();
    sword->SetName("sword");
    sword->SetBounds(OmSphere(OmVector3(), 0.5f));
    AddShape(*hand, "sword", sword);
    PlayAt(OM_PLAY_ONCE, 0.0f);
    m_shape->Render(renderer);
    EXPECT_EQ(renderer.draws, std::vector<std::string>{"sword"});
}
