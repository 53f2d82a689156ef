// Doors without a level: the shape read from a mesh, the blocking face, the
// footprint on the tiles, movement, locks, touches, switches and the archive.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/OmMath.h"
#include "engine/OmRef.h"
#include "game/objects/TsDoorObject.h"
#include "game/objects/TsSwitchObject.h"
#include "game/world/TsWorldHit.h"
#include "tests/engine/ArchiveTestSupport.h"
#include "tests/game/objects/DoorSlab.h"
#include "tests/game/framework/LogCapture.h"
#include "testing/ScratchDir.h"
#include "tests/game/objects/ArchiveRoundTrip.h"
#include "tests/platform/DebugOutputCapture.h"

namespace {

class DoorTest : public ::testing::Test {
protected:
    TsDoorObject* MakeDoor(const char* name, int32_t type = eDoorType_UpSlider)
    {
        auto* door = new TsDoorObject;
        door->SetName(name);
        door->SetDoorType(type);
        ScanSlab(*door);
        door->UpdateWorldShape();
        made.push_back(OmRef<TsEntity>::Adopt(door));
        return door;
    }
    // The switch the dependent-switch texts name.
    TsSwitchObject* MakeLever()
    {
        auto* sw = new TsSwitchObject;
        sw->SetName("lever");
        made.push_back(OmRef<TsEntity>::Adopt(sw));
        return sw;
    }
    static int TicksUntilStill(TsDoorObject& door, int limit = 100)
    {
        int ticks = 0;
        while (door.GetTransitionState() != TsDoorObject::kStill && ticks < limit) {
            door.Tick(uint32_t(ticks));
            ++ticks;
        }
        return ticks;
    }
    std::vector<OmRef<TsEntity>> made;
};

} // namespace

TEST_F(DoorTest, TheMeshGivesAFootprintAFaceAHeightAndASlideWidth)
{
    TsDoorObject* door = MakeDoor("door");
    EXPECT_FLOAT_EQ(door->GetHeight(), 3.0f);
    EXPECT_FLOAT_EQ(door->GetSlideWidth(), 2.0f);
    // The model turns a quarter further than its heading: the slab's width
    // lies along world Z and its face in the plane x = 0.
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(std::fabs(door->GetWorldFootprint()[i].x), 0.125f, 1e-5f);
        EXPECT_NEAR(std::fabs(door->GetWorldFootprint()[i].z), 1.0f, 1e-5f);
        EXPECT_NEAR(door->GetWorldFace()[i].x, 0.0f, 1e-5f);
    }
    EXPECT_NEAR(std::fabs(door->GetFaceNormal().x), 1.0f, 1e-5f);
}

TEST_F(DoorTest, ASecondDoorOfTheSameModelCopiesTheShape)
{
    TsDoorObject* door = MakeDoor("door");
    auto copy = OmMakeRef<TsDoorObject>();
    copy->SetupFromModel(door);
    EXPECT_TRUE(copy->IsFootprintKnown());
    EXPECT_FLOAT_EQ(copy->GetSlideWidth(), 2.0f);
}

// Doors answer casts by the engine's one ray-triangle test: a segment that
// meets the face all but edge-on (its determinant under the cut-off) is
// not stopped, as it would not be by any other triangle.
TEST_F(DoorTest, SegmentsAreBlockedFromTheFaceOnButNotEndingOnItOrAllButEdgeOn)
{
    TsDoorObject* door = MakeDoor("door");
    const OmVector3* face = door->GetWorldFace();
    const OmVector3 n = door->GetFaceNormal();
    OmVector3 along = face[1] - face[0];
    along.Normalise();
    const OmVector3 inside = face[0] * 0.7f + face[1] * 0.2f + face[2] * 0.1f;
    const struct {
        OmVector3 from, to;
        bool passes;
        float distance;
    } cases[] = {
        {{-1, 1, 0}, {1, 1, 0}, false, 1.0f},    // straight through
        {{0, 1, 0.5f}, {2, 1, 0.5f}, false, 0.0f}, // starts on the face (t = 0)
        {{-1, 1, 0}, {0, 1, 0}, true, 0.0f},     // ends on it (t = 1)
        {{-1, 3.5f, 0}, {1, 3.5f, 0}, true, 0.0f}, // over the top
        {{-1, 1, 1.5f}, {1, 1, 1.5f}, true, 0.0f}, // beside it
        {{0.5f, 1, 0}, {0.5f, 1, 3}, true, 0.0f}, // parallel to it
        {inside - along - n * 1e-8f, inside + along + n * 1e-8f, true, 0.0f}, // all but edge-on
        {inside - along - n * 0.1f, inside + along + n * 0.1f, false, (along + n * 0.1f).Length()},
    };
    for (const auto& c : cases) {
        TsWorldHit hit;
        EXPECT_EQ(door->TestSegment(c.from, c.to, hit), c.passes) << c.from.x << " " << c.from.z;
        if (!c.passes) {
            EXPECT_NEAR(hit.distance, c.distance, 1e-4f);
            EXPECT_NEAR(hit.point.x, 0.0f, 1e-4f);
        }
    }
    door->OpenDoor(true);
    TsWorldHit hit;
    EXPECT_TRUE(door->TestSegment(OmVector3(-1, 1, 0), OmVector3(1, 1, 0), hit)) << "an open door never blocks";
}

// A 4 x 3 rectangle of unit tiles at the origin: a wall along column 0,
// class-3 floor elsewhere; a thin slab over column 2.
TEST(DoorFootprint, TheFootprintBlocksTheTilesItCoversAndLeavesTheOthersAsTheyWere)
{
    TsTileOverlay overlay;
    overlay.width = 4;
    overlay.height = 3;
    overlay.savedCodes.Resize(12);
    overlay.overlayCodes.Resize(12);
    for (uint32_t i = 0; i < 12; ++i)
        overlay.savedCodes.Set(i, i % 4 == 0 ? 0u : 3u);
    const OmVector3 quad[4] = {{2.4f, 0, -0.5f}, {2.6f, 0, -0.5f}, {2.6f, 0, 3.5f}, {2.4f, 0, 3.5f}};
    TsDynGeometry::RasteriseQuad(overlay, quad, 1.0f, 0.0f, 0.0f);
    for (uint32_t row = 0; row < 3; ++row)
        for (uint32_t column = 0; column < 4; ++column) {
            const uint32_t expected = column == 2 ? 0u : column == 0 ? 0u : 3u;
            EXPECT_EQ(overlay.overlayCodes.Get(row * 4 + column), expected) << row << "," << column;
        }
    // A quad thinner than a tile and off the tile centres still blocks.
    const OmVector3 sliver[4] = {{1.05f, 0, 1.1f}, {1.1f, 0, 1.1f}, {1.1f, 0, 1.2f}, {1.05f, 0, 1.2f}};
    TsDynGeometry::RasteriseQuad(overlay, sliver, 1.0f, 0.0f, 0.0f);
    EXPECT_EQ(overlay.overlayCodes.Get(1 * 4 + 1), 0u);
    EXPECT_EQ(overlay.overlayCodes.Get(1 * 4 + 2), 3u);
}

TEST_F(DoorTest, SlidersMoveByTheirTravelAndEndExactlyOpen)
{
    struct Case {
        int32_t type;
        OmVector3 travel;
    };
    // Heading 0 faces +Z, along the slab's width.
    const Case sliders[] = {
        {eDoorType_LeftSlider, {0, 0, 2}},
        {eDoorType_RightSlider, {0, 0, -2}},
        {eDoorType_UpSlider, {0, 3, 0}},
        {eDoorType_DownSlider, {0, -3.5f, 0}},
        {7, {0, 0, 0}}, // an unknown type does not move
    };
    for (const Case& c : sliders) {
        TsDoorObject* door = MakeDoor("slider", c.type);
        door->SetPosition(5, 0, 5);
        ASSERT_TRUE(door->Initialise());
        EXPECT_TRUE(door->OpenDoor(false));
        EXPECT_TRUE(door->IsOpen()) << "open at once";
        EXPECT_EQ(door->GetTransitionState(), TsDoorObject::kOpening);
        EXPECT_FLOAT_EQ(door->GetStep(), 0.4f);
        // Positions at progress 0, 0.4, 0.8; the fourth tick ends it.
        const float expected[3] = {0.0f, 0.4f, 0.8f};
        for (float p : expected) {
            door->Tick(0);
            EXPECT_NEAR(door->GetPosition().y, c.travel.y * p, 1e-5f) << c.type;
            EXPECT_NEAR(door->GetPosition().z, 5 + c.travel.z * p, 1e-5f) << c.type;
        }
        door->Tick(0);
        EXPECT_EQ(door->GetTransitionState(), TsDoorObject::kStill);
        EXPECT_NEAR(door->GetPosition().y, c.travel.y, 1e-5f) << "the whole travel, not four fifths of it";
        EXPECT_NEAR(door->GetPosition().z, 5 + c.travel.z, 1e-5f);
        EXPECT_EQ(door->CurrentOverlayIndex(), TsDynGeometry::kRestoreCodes);
        EXPECT_TRUE(door->CloseDoor(true, false));
        EXPECT_TRUE(door->IsOpen()) << "open until the closing ends";
        EXPECT_EQ(TicksUntilStill(*door), 4);
        EXPECT_FALSE(door->IsOpen());
        EXPECT_NEAR(door->GetPosition().y, 0.0f, 1e-5f);
        EXPECT_NEAR(door->GetPosition().z, 5.0f, 1e-5f);
        EXPECT_EQ(door->CurrentOverlayIndex(), TsDynGeometry::kClosedOverlay);
    }
}

TEST_F(DoorTest, ADoorWithoutASpeedStillFinishesItsMove)
{
    TsDoorObject* door = MakeDoor("guarded");
    for (float speed : {0.0f, -1.0f}) {
        door->SetDoorSpeed(speed);
        ASSERT_TRUE(door->OpenDoor(true));
        EXPECT_GT(door->GetStep(), 0.0f);
        EXPECT_LT(TicksUntilStill(*door, 1000), 1000) << "a door of speed " << speed << " still finishes";
        ASSERT_TRUE(door->CloseDoor(true, true));
        TicksUntilStill(*door, 1000);
    }
}

TEST(DoorSound, ATypeOutOfRangeHasNoSound)
{
    EXPECT_EQ(TsDoorObject::OpenSoundOf(-1), -1);
    EXPECT_EQ(TsDoorObject::OpenSoundOf(eDoorTypes), -1);
}

// (A walker stops at one: CharacterLevel.AWalkerStopsAtALockedDoor.)
TEST_F(DoorTest, ALockedDoorOpensOnlyWithForce)
{
    TsDoorObject* door = MakeDoor("locked");
    door->SetLock(true);
    EXPECT_FALSE(door->OpenDoor(false));
    EXPECT_TRUE(door->OpenDoor(true));
    EXPECT_FALSE(door->CloseDoor(true, true)) << "still opening";
}

TEST_F(DoorTest, DependentSwitchesAreReadInPairsAndNineAreTooMany)
{
    TsSwitchObject* sw = MakeLever();
    TsDoorObject* door = MakeDoor("dependent");
    LogCapture log;
    door->SetDependentSwitchText("lever 1 lever 0 lever 2 nobody 1 lever 1 lever 1 lever 1 lever 1 lever 1");
    ASSERT_TRUE(door->Initialise());
    EXPECT_EQ(door->GetDependentSwitchCount(), TsDoorObject::kMaxDependentSwitches);
    EXPECT_EQ(door->GetDependentSwitch(0).switchObject, sw);
    EXPECT_EQ(door->GetDependentSwitch(0).on, 1);
    EXPECT_EQ(door->GetDependentSwitch(1).on, 0);
    EXPECT_EQ(door->GetDependentSwitch(2).on, 0) << "a value other than 0 or 1 counts as off";
    EXPECT_EQ(door->GetDependentSwitch(3).switchObject, nullptr);
    EXPECT_TRUE(log.Contains("Wierd on/off value (2)"));
    EXPECT_TRUE(log.Contains("Invalid switch name 'nobody'"));
    EXPECT_TRUE(log.Contains("Too many dependent switches"));

    door->SetDependentSwitchText("lever 1 lever");
    ASSERT_TRUE(door->Initialise());
    EXPECT_EQ(door->GetDependentSwitchCount(), 1);
    EXPECT_TRUE(log.Contains("Incorrectly formatted dependent switch string"));
}

// A script may delete it; a save would reach into its freed cell.
TEST_F(DoorTest, ADependentSwitchThatIsDestroyedIsForgottenAndNotSaved)
{
    auto lever = OmRef<TsSwitchObject>::Adopt(new TsSwitchObject);
    lever->SetName("lever");
    TsDoorObject* door = MakeDoor("dependent");
    door->SetDependentSwitchText("lever 1");
    ASSERT_TRUE(door->Initialise());
    ASSERT_EQ(door->GetDependentSwitch(0).switchObject, lever.Get());
    lever = nullptr;
    EXPECT_EQ(door->GetDependentSwitch(0).switchObject, nullptr);
    ScratchDir dir;
    EXPECT_TRUE(SaveRoots({door}, "door.sav"));
}

TEST_F(DoorTest, AnArchiveNamingNineDependentSwitchesIsRefused)
{
    TsDoorObject* crowded = MakeDoor("crowded");
    ScratchDir dir;
    ASSERT_TRUE(SaveRoots({crowded}, "door.sav"));
    // The door is the file's last object: its last two words are the
    // dependent-switch count (0) and the null buddy.
    std::vector<unsigned char> bytes = archive_test::ReadFile("door.sav");
    archive_test::SetWord(bytes, bytes.size() - 8, 9);
    DebugOutputCapture reported;
    EXPECT_FALSE(LoadsAs(bytes, "door.sav"));
    EXPECT_TRUE(reported.Contains("more dependent switches than it can hold")) << reported.Text();
}

TEST_F(DoorTest, APivotingDoorSwingsAQuarterTurnAndBackAndASavedOneFinishesItsSwing)
{
    MakeLever();
    TsDoorObject* door = MakeDoor("pivot", eDoorType_Pivoting);
    door->SetDependentSwitchText("lever 1");
    door->SetLock(true);
    door->SetHeading(0.3f);
    ASSERT_TRUE(door->Initialise());
    EXPECT_FLOAT_EQ(door->GetPivotAngle(), OM_HALF_PI);
    ASSERT_TRUE(door->OpenDoor(true));
    door->Tick(0);
    door->Tick(0);
    EXPECT_NEAR(door->GetHeading(), 0.3f + 0.4f * OM_HALF_PI, 1e-5f) << "part way round";
    ScratchDir dir;
    const OmRef<TsDoorObject> loaded = Reloaded<TsDoorObject>(door, "door.sav");
    ASSERT_NE(loaded.Get(), nullptr);
    const auto lever = OmRef<TsSwitchObject>::Adopt(loaded->GetDependentSwitch(0).switchObject); // the copy's own
    EXPECT_TRUE(loaded->IsLocked());
    EXPECT_EQ(loaded->GetTransitionState(), TsDoorObject::kOpening);
    ASSERT_NE(lever.Get(), nullptr);
    EXPECT_STREQ(lever->GetName(), "lever");
    TicksUntilStill(*loaded);
    EXPECT_NEAR(loaded->GetHeading(), 0.3f + OM_HALF_PI, 1e-5f);

    TicksUntilStill(*door);
    EXPECT_NEAR(door->GetHeading(), 0.3f + OM_HALF_PI, 1e-5f);
    EXPECT_NEAR(door->GetPosition().x, 0.0f, 1e-6f) << "it turns about its hinge, it does not slide";
    EXPECT_EQ(door->CurrentOverlayIndex(), TsDynGeometry::kOpenOverlay);
    ASSERT_TRUE(door->CloseDoor(true, true));
    TicksUntilStill(*door);
    EXPECT_NEAR(door->GetHeading(), 0.3f, 1e-5f);
}
