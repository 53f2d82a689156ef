#include <gtest/gtest.h>

#include <cmath>

#include "engine/OmGroup.h"
#include "engine/OmKeyframeController.h"
#include "engine/OmMatrix3.h"

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
OmKeyframeData* MakeData(bool shared)
{
    static const float times[] = {0.0f, 1.0f, 3.0f};
    static const OmVector3 positions[] = {{0, 0, 0}, {10, 0, 0}, {10, 20, 0}};
    static const float scales[] = {1.0f, 2.0f, 4.0f};
    auto* data = new OmKeyframeData();
    if (shared)
        data->SetSharedTimes(3, times);
    data->SetPositionKeys(3, times, positions);
    data->SetScaleKeys(3, times, scales);
    return data;
}

} // namespace

TEST(OmTimedController, ClampLoopPingPongAndEmptyRangeMapping)
{
    OmKeyframeController* c = MakeController(OM_TIME_CLAMP, 2.0f, 4.0f);
    EXPECT_FLOAT_EQ(c->MapTime(1.0f), 2.0f);
    EXPECT_FLOAT_EQ(c->MapTime(3.5f), 3.5f);
    EXPECT_FLOAT_EQ(c->MapTime(9.0f), 4.0f);

    c->timeMode = OM_TIME_LOOP;
    EXPECT_FLOAT_EQ(c->MapTime(5.0f), 3.0f);
    EXPECT_FLOAT_EQ(c->MapTime(1.0f), 3.0f); // before the start wraps too

    c->timeMode = OM_TIME_PINGPONG;
    EXPECT_FLOAT_EQ(c->MapTime(5.0f), 3.0f); // backward leg: 4 - 1
    EXPECT_FLOAT_EQ(c->MapTime(7.0f), 3.0f); // forward leg: 2 + 1
    EXPECT_FLOAT_EQ(c->MapTime(7.5f), 3.5f);
    EXPECT_FLOAT_EQ(c->MapTime(5.5f), 2.5f);
    c->timeMode = 7; // any other value bounces as well
    EXPECT_FLOAT_EQ(c->MapTime(5.0f), 3.0f);

    c->timeScale = 2.0f;
    c->timeOffset = 1.0f;
    c->timeMode = OM_TIME_CLAMP;
    EXPECT_FLOAT_EQ(c->MapTime(1.0f), 3.0f); // 1 x 2 + 1

    // An empty or reversed range gives its start in loop and ping-pong.
    c->timeScale = 1.0f;
    c->timeOffset = 0.0f;
    c->endTime = 2.0f;
    c->timeMode = OM_TIME_LOOP;
    EXPECT_FLOAT_EQ(c->MapTime(17.0f), 2.0f);
    c->timeMode = OM_TIME_PINGPONG;
    EXPECT_FLOAT_EQ(c->MapTime(-3.0f), 2.0f);
    c->endTime = 1.0f;
    EXPECT_FLOAT_EQ(c->MapTime(5.0f), 2.0f);
    delete c;
}

TEST(OmKeySearch, AtBetweenAndBeyondKeysWithTheCursorCarriedOver)
{
    const float times[] = {0.0f, 1.0f, 2.0f, 4.0f};
    constexpr uint32_t kAny = ~0u;
    struct Case {
        const char* name;
        float time;
        uint32_t index0, index1;
        float fraction;
        uint32_t cursor;
    } cases[] = {
        {"before the first", -1.0f, 0, 0, 0.0f, kAny},
        {"between 2 and 4", 3.0f, 2, 3, 0.5f, 2},
        {"exactly on the cursor's key", 2.0f, 2, 2, 0.0f, kAny},
        {"beyond the last", 9.0f, 3, 3, NAN, 3},
        {"back from the end, step by step", 0.25f, 0, 1, 0.25f, 1},
        {"forward again from there", 1.5f, 1, 2, 0.5f, kAny},
    };
    uint32_t cursor = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const OmKeySample k = OmSearchKeys(4, times, c.time, cursor);
        EXPECT_EQ(k.index0, c.index0);
        EXPECT_EQ(k.index1, c.index1);
        if (!std::isnan(c.fraction)) {
            EXPECT_FLOAT_EQ(k.fraction, c.fraction);
        }
        if (c.cursor != kAny) {
            EXPECT_EQ(cursor, c.cursor);
        }
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

TEST(OmKeyframeController, ClampHoldsFirstAndLastKeysAndInterpolates)
{
    for (bool shared : {false, true}) {
        SCOPED_TRACE(shared ? "shared times" : "own times");
        auto* node = new OmGroup();
        OmKeyframeController* c = MakeController(OM_TIME_CLAMP, 0.0f, 3.0f);
        OmKeyframeData* data = MakeData(shared);
        c->SetKeys(data);
        data->Release();
        node->AddController(c);

        node->LocalPosition() = OmVector3(5, 5, 5);
        EXPECT_FALSE(c->Update(-2.0f));
        EXPECT_FLOAT_EQ(node->GetLocal().position.x, 0.0f);
        EXPECT_FLOAT_EQ(node->GetLocal().scale, 1.0f);

        c->Update(2.0f); // halfway from key 1 to key 2
        EXPECT_FLOAT_EQ(node->GetLocal().position.x, 10.0f);
        EXPECT_FLOAT_EQ(node->GetLocal().position.y, 10.0f);
        EXPECT_FLOAT_EQ(node->GetLocal().scale, 3.0f);
        EXPECT_TRUE(node->IsDirty());

        c->Update(50.0f);
        EXPECT_FLOAT_EQ(node->GetLocal().position.y, 20.0f);
        EXPECT_FLOAT_EQ(node->GetLocal().scale, 4.0f);
        node->Release();
    }
}

TEST(OmKeyframeController, RotationKeysSlerpIntoTheLocalRotation)
{
    auto* node = new OmGroup();
    OmKeyframeController* c = MakeController(OM_TIME_CLAMP, 0.0f, 1.0f);
    auto* data = new OmKeyframeData();
    const float times[] = {0.0f, 1.0f};
    const float h = std::sqrt(0.5f);
    // Identity to a half turn about y: halfway is a quarter turn.
    const OmQuaternion rotations[] = {{0, 0, 0, 1}, {0, 1, 0, 0}};
    data->SetRotationKeys(2, times, rotations);
    c->SetKeys(data);
    data->Release();
    node->AddController(c);
    c->Update(0.5f);
    OmMatrix3 expected;
    expected.SetFromQuaternion(OmQuaternion(0, h, 0, h));
    const OmMatrix3& got = node->GetLocal().rotation;
    for (int i = 0; i < 9; ++i)
        EXPECT_NEAR(got.m[i], expected.m[i], 1e-3f) << i; // slerp is not renormalised
    node->Release();
}

TEST(OmKeyframeData, SharedTimesCutLongerChannels)
{
    auto* data = new OmKeyframeData();
    const float times[] = {0.0f, 1.0f, 2.0f};
    const float scales[] = {1.0f, 2.0f, 3.0f};
    data->SetScaleKeys(3, times, scales);
    data->SetSharedTimes(2, times);
    EXPECT_EQ(data->scaleCount, 2u); // never reads past the two shared times
    EXPECT_EQ(data->scaleTimes, nullptr);
    data->Release();
}
