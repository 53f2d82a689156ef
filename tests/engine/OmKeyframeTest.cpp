#include <gtest/gtest.h>

#include <cmath>

#include "engine/OmGroup.h"
#include "engine/OmKeyframeController.h"
#include "engine/OmMatrix3.h"
#include "engine/OmRef.h"

namespace {

OmKeyframeController* MakeController(int32_t mode, float start, float end)
{
    auto* c = new OmKeyframeController();
    c->timeMode = mode;
    c->startTime = start;
    c->endTime = end;
    return c;
}

// Positions (0,0,0), (10,0,0), (10,20,0) at times 0, 1, 3; scales 1, 2, 4.
OmRef<OmKeyframeData> MakeData(bool shared)
{
    static const float times[] = {0.0f, 1.0f, 3.0f};
    static const OmVector3 positions[] = {{0, 0, 0}, {10, 0, 0}, {10, 20, 0}};
    static const float scales[] = {1.0f, 2.0f, 4.0f};
    auto data = OmMakeRef<OmKeyframeData>();
    if (shared)
        data->SetSharedTimes(3, times);
    data->SetPositionKeys(3, times, positions);
    data->SetScaleKeys(3, times, scales);
    return data;
}

} // namespace

TEST(OmTimedController, TimeIsClampedLoopedOrBouncedIntoTheRangeByTheMode)
{
    const struct {
        int32_t mode;
        float start, end, scale, offset, time, mapped;
    } cases[] = {
        {OM_TIME_CLAMP, 2, 4, 1, 0, 1, 2},
        {OM_TIME_CLAMP, 2, 4, 1, 0, 3.5f, 3.5f},
        {OM_TIME_CLAMP, 2, 4, 1, 0, 9, 4},
        {OM_TIME_LOOP, 2, 4, 1, 0, 5, 3},
        {OM_TIME_LOOP, 2, 4, 1, 0, 1, 3},           // before the start wraps too
        {OM_TIME_PINGPONG, 2, 4, 1, 0, 5, 3},       // backward leg: 4 - 1
        {OM_TIME_PINGPONG, 2, 4, 1, 0, 7, 3},       // forward leg: 2 + 1
        {OM_TIME_PINGPONG, 2, 4, 1, 0, 7.5f, 3.5f},
        {OM_TIME_PINGPONG, 2, 4, 1, 0, 5.5f, 2.5f},
        {7, 2, 4, 1, 0, 5, 3},                      // any other mode bounces as well
        {OM_TIME_CLAMP, 2, 4, 2, 1, 1, 3},          // 1 x 2 + 1
        {OM_TIME_LOOP, 2, 2, 1, 0, 17, 2},          // an empty range gives its start
        {OM_TIME_PINGPONG, 2, 2, 1, 0, -3, 2},
        {OM_TIME_PINGPONG, 2, 1, 1, 0, 5, 2},       // and so does a reversed one
    };
    for (const auto& c : cases) {
        OmKeyframeController* controller = MakeController(c.mode, c.start, c.end);
        controller->timeScale = c.scale;
        controller->timeOffset = c.offset;
        EXPECT_FLOAT_EQ(controller->MapTime(c.time), c.mapped) << c.mode << " at " << c.time;
        delete controller;
    }
}

TEST(OmKeySearch, FindsTheKeysAroundATimeAndCarriesTheCursorOver)
{
    const float times[] = {0.0f, 1.0f, 2.0f, 4.0f};
    constexpr uint32_t kAny = ~0u;
    const struct {
        const char* name;
        float time;
        uint32_t index0, index1;
        float fraction;
        uint32_t cursor;
    } searches[] = {
        {"before the first", -1.0f, 0, 0, 0.0f, kAny},
        {"between 2 and 4", 3.0f, 2, 3, 0.5f, 2},
        {"exactly on the cursor's key", 2.0f, 2, 2, 0.0f, kAny},
        {"beyond the last", 9.0f, 3, 3, NAN, 3},
        {"back from the end, step by step", 0.25f, 0, 1, 0.25f, 1},
        {"forward again from there", 1.5f, 1, 2, 0.5f, kAny},
    };
    uint32_t cursor = 0;
    for (const auto& c : searches) {
        SCOPED_TRACE(c.name);
        const OmKeySample k = OmSearchKeys(4, times, c.time, cursor);
        EXPECT_EQ(k.index0, c.index0);
        EXPECT_EQ(k.index1, c.index1);
        EXPECT_TRUE(std::isnan(c.fraction) || k.fraction == c.fraction) << k.fraction;
        EXPECT_TRUE(c.cursor == kAny || cursor == c.cursor) << cursor;
    }

    cursor = 99; // left over from longer data
    OmKeySample k = OmSearchKeys(3, times, 1.5f, cursor);
    EXPECT_EQ(k.index0, 1u);
    EXPECT_EQ(k.index1, 2u);
    const float one[] = {5.0f};
    cursor = 0;
    k = OmSearchKeys(1, one, 7.0f, cursor);
    EXPECT_EQ(k.index0, 0u);
    EXPECT_EQ(k.index1, 0u);
}

TEST(OmKeyframeController, ClampHoldsTheFirstAndLastKeysAndInterpolatesBetween)
{
    for (bool shared : {false, true}) {
        SCOPED_TRACE(shared ? "shared times" : "own times");
        const auto node = OmMakeRef<OmGroup>();
        OmKeyframeController* c = MakeController(OM_TIME_CLAMP, 0.0f, 3.0f);
        c->SetKeys(MakeData(shared).Get());
        node->AddController(c);

        node->LocalPosition() = OmVector3(5, 5, 5);
        EXPECT_FALSE(c->Update(-2.0f));
        EXPECT_EQ(node->GetLocal().position.x, 0.0f);
        EXPECT_EQ(node->GetLocal().scale, 1.0f);
        c->Update(2.0f); // halfway from key 1 to key 2
        EXPECT_TRUE(node->GetLocal().position.Equals(OmVector3(10, 10, 0)));
        EXPECT_EQ(node->GetLocal().scale, 3.0f);
        EXPECT_TRUE(node->IsDirty());
        c->Update(50.0f);
        EXPECT_EQ(node->GetLocal().position.y, 20.0f);
        EXPECT_EQ(node->GetLocal().scale, 4.0f);
    }
}

TEST(OmKeyframeController, RotationKeysSlerpIntoTheLocalRotation)
{
    const auto node = OmMakeRef<OmGroup>();
    OmKeyframeController* c = MakeController(OM_TIME_CLAMP, 0.0f, 1.0f);
    const auto data = OmMakeRef<OmKeyframeData>();
    const float ends[] = {0.0f, 1.0f};
    // Identity to a half turn about y: halfway is a quarter turn.
    const OmQuaternion rotations[] = {{0, 0, 0, 1}, {0, 1, 0, 0}};
    data->SetRotationKeys(2, ends, rotations);
    c->SetKeys(data.Get());
    node->AddController(c);
    c->Update(0.5f);
    OmMatrix3 expected;
    expected.SetFromQuaternion(OmQuaternion(0, std::sqrt(0.5f), 0, std::sqrt(0.5f)));
    for (int i = 0; i < 9; ++i) // slerp is not renormalised
        EXPECT_NEAR(node->GetLocal().rotation.m[i], expected.m[i], 1e-3f) << i;
}

TEST(OmKeyframeData, SharedTimesCutLongerChannels)
{
    const auto cut = OmMakeRef<OmKeyframeData>();
    const float three[] = {0.0f, 1.0f, 2.0f};
    const float scales[] = {1.0f, 2.0f, 3.0f};
    cut->SetScaleKeys(3, three, scales);
    cut->SetSharedTimes(2, three);
    EXPECT_EQ(cut->scaleCount, 2u);
    EXPECT_FALSE(cut->scaleTimes); // never reads past the two shared times
}
