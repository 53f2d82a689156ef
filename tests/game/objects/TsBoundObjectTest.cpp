#include <gtest/gtest.h>

#include <cmath>

#include "engine/OmRef.h"
#include "engine/OmVector3.h"
#include "game/objects/TsBoundObject.h"
#include "tests/engine/ArchiveTestSupport.h"
#include "tests/game/framework/LogCapture.h"
#include "testing/ScratchDir.h"
#include "tests/game/objects/ArchiveRoundTrip.h"

namespace {

using V = OmVector3;

// The six faces of the cube from lo to lo + 1, normals inward.
void AddCube(TsBoundObject& bound, int32_t volume, float lo)
{
    const float hi = lo + 1;
    const V faces[6][3] = {
        {V(lo, lo, lo), V(lo, hi, lo), V(lo, lo, hi)}, // x = lo, normal +x
        {V(hi, lo, lo), V(hi, lo, hi), V(hi, hi, lo)}, // x = hi, normal -x
        {V(lo, lo, lo), V(lo, lo, hi), V(hi, lo, lo)}, // y = lo, normal +y
        {V(lo, hi, lo), V(hi, hi, lo), V(lo, hi, hi)}, // y = hi, normal -y
        {V(lo, lo, lo), V(hi, lo, lo), V(lo, hi, lo)}, // z = lo, normal +z
        {V(lo, lo, hi), V(lo, hi, hi), V(hi, lo, hi)}, // z = hi, normal -z
    };
    for (int32_t i = 0; i < 6; ++i)
        ASSERT_EQ(bound.AddPlane(volume, faces[i][0], faces[i][1], faces[i][2]), i + 1);
}

// Two unit cubes: volume 0 at the origin, volume 1 from (5, 5, 5).
class TwoCubes : public ::testing::Test {
protected:
    void SetUp() override
    {
        AddCube(*bound, 0, 0.0f);
        AddCube(*bound, 1, 5.0f);
    }
    const OmRef<TsBoundObject> bound = OmMakeRef<TsBoundObject>();
};

} // namespace

TEST_F(TwoCubes, PlanesThatSkipAVolumeOrAreNoPlaneAreRefused)
{
    struct Case {
        int32_t volume;
        V p1, p2, p3;
    };
    const float nan = std::nanf("");
    const Case cases[] = {
        {3, V(0, 0, 0), V(0, 1, 0), V(0, 0, 1)},           // skips volume 2
        {-1, V(0, 0, 0), V(0, 1, 0), V(0, 0, 1)},
        {2, V(0, 0, 0), V(1, 1, 1), V(2, 2, 2)}, // the next volume's first plane, flat
        {1, V(0, 0, 0), V(1, 1, 1), V(3, 3, 3)}, // one line
        {1, V(2, 2, 2), V(2, 2, 2), V(0, 1, 0)}, // two points the same
        {1, V(nan, 0, 0), V(0, 1, 0), V(0, 0, 1)},
    };
    for (const Case& c : cases) {
        LogCapture log;
        EXPECT_EQ(bound->AddPlane(c.volume, c.p1, c.p2, c.p3), -1) << c.volume;
        EXPECT_FALSE(log.Lines().empty());
    }
    EXPECT_EQ(bound->GetPlaneCount(), 12u);
    EXPECT_EQ(bound->GetVolumeCount(), 2u) << "a refused first plane leaves no volume behind";
    EXPECT_TRUE(bound->IsInsideBound(V(5.5f, 5.5f, 5.5f)));
    EXPECT_TRUE(bound->IsInsideBound(V(0.9f, 0.5f, 0.5f)));
}

TEST_F(TwoCubes, APlaneForAnEarlierVolumeCutsOnlyThatVolume)
{
    EXPECT_EQ(bound->AddPlane(0, V(0.5f, 0, 0), V(0.5f, 0, 1), V(0.5f, 1, 0)), 7); // x < 0.5
    EXPECT_EQ(bound->GetPlaneCount(), 13u);
    EXPECT_TRUE(bound->IsInsideBound(V(0.2f, 0.5f, 0.5f)));
    EXPECT_FALSE(bound->IsInsideBound(V(0.9f, 0.5f, 0.5f)));
    EXPECT_TRUE(bound->IsInsideBound(V(5.5f, 5.5f, 5.5f)));
    EXPECT_TRUE(bound->IsInsideBound(V(5.9f, 5.1f, 5.9f)));
    EXPECT_FALSE(bound->IsInsideBound(V(6.1f, 5.5f, 5.5f)));
    EXPECT_EQ(bound->AddPlane(2, V(0, 0, 0), V(0, 1, 0), V(0, 0, 1)), 1) << "the next volume";
}

// What comes back holds the cubes' insides and faces and nothing beyond.
TEST_F(TwoCubes, VolumesRoundTripThroughAnArchive)
{
    ScratchDir dir;
    EXPECT_FALSE(OmMakeRef<TsBoundObject>()->IsInsideBound(V(0, 0, 0))) << "no volumes";
    const OmRef<TsBoundObject> loaded = Reloaded<TsBoundObject>(bound.Get(), "bound.tsw");
    ASSERT_NE(loaded.Get(), nullptr);
    EXPECT_EQ(loaded->GetVolumeCount(), 2u);
    const struct {
        V point;
        bool inside;
    } cases[] = {
        {V(0.5f, 0.5f, 0.5f), true}, {V(0, 0.5f, 0.5f), true},    {V(1, 1, 1), true},
        {V(1.5f, 0.5f, 0.5f), false}, {V(0.5f, -1, 0.5f), false}, {V(0.5f, 0.5f, 2), false},
        {V(5.5f, 5.5f, 5.5f), true}, {V(3, 3, 3), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(loaded->IsInsideBound(c.point), c.inside) << c.point.x << "," << c.point.y << "," << c.point.z;
}

// The last volume's plane count is the file's last word.
TEST_F(TwoCubes, ADamagedPlaneCountFailsTheLoad)
{
    ScratchDir dir;
    ASSERT_TRUE(SaveRoots({bound.Get()}, "bound.tsw"));
    std::vector<unsigned char> bytes = archive_test::ReadFile("bound.tsw");
    ASSERT_EQ(archive_test::WordAt(bytes, bytes.size() - 4), 6u);
    archive_test::SetWord(bytes, bytes.size() - 4, 7);
    EXPECT_FALSE(LoadsAs(bytes, "broken.tsw"));
}

