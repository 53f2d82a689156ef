// The developer's debug views and profilers on the town in the real
// application.
#include <algorithm>

#include "engine/OmProfiler.h"
#include "game/framework/TsAccess.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsPCObject.h"
#include "tests/app/DemoLevelFixture.h"

namespace apptest {
namespace {

class LevelDebugViews : public DemoLevelTest {
protected:
    void SetUp() override
    {
        DemoLevelTest::SetUp();
        // The town: the party, other squads, an article lying about and the
        // way-out trigger.
        ASSERT_NO_FATAL_FAILURE(EnterDemoLevel(30, "town"));
    }
    // The plain picture, and the box round whatever still moves while the
    // level is paused (an animated model of the town keeps its cycle).
    void TakePlainPicture()
    {
        m_plain = LookAfter(2);
        for (int frame = 0; frame < 8; ++frame) {
            const Picture again = LookAfter(2);
            for (int y = 0; y < m_plain.height; ++y)
                for (int x = 0; x < m_plain.width; ++x)
                    if (m_plain.At(x, y) != again.At(x, y))
                        m_moving.Add(x, y);
        }
    }
    // Pixels of the picture that differ from the plain one outside that box.
    int ChangedFromPlain()
    {
        const Picture now = LookAfter(2);
        return m_plain.Count(0, 0, m_plain.width, m_plain.height,
                             [&](int x, int y) { return m_plain.At(x, y) != now.At(x, y) && !m_moving.Holds(x, y); });
    }
    struct Box {
        static constexpr int kMargin = 8;
        int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
        void Add(int x, int y)
        {
            x0 = std::min(x0, x - kMargin);
            y0 = std::min(y0, y - kMargin);
            x1 = std::max(x1, x + kMargin);
            y1 = std::max(y1, y + kMargin);
        }
        bool Holds(int x, int y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
    };

    Picture m_plain;
    Box m_moving;
};

// Paused, the level draws nearly the same picture every frame, so whatever a
// switch changes where it stands still is the switch's own drawing.
TEST_F(LevelDebugViews, EachSwitchDrawsWhileOnAndTheSamePictureComesBackWhenOff)
{
    // Ann walks between the medkit and the way out, so she has a path to
    // show; the pointer rests on the floor in the middle.
    TsPCObject* ann = TsAccess::CurrentCharacter();
    ASSERT_NE(ann, nullptr);
    ann->SetPositionOnGround(OmVector3(13.5f, 0.0f, 3.5f));
    Frames(20, 100);
    ann->MoveTo(OmVector3(15.0f, 0.0f, 4.5f));
    MouseToCentre();
    Frames(2, 100);
    Level()->Pause(true);
    TakePlainPicture();
    for (const char* debugSwitch : {"DebugGrid()", "DebugRadius()", "DebugPaths()", "DebugBehaviours()",
                                    "DebugCollectibles()", "DebugText()", "DebugProfile()",
                                    "GetCurrentLevel():DebugLevel()"}) {
        SCOPED_TRACE(debugSwitch);
        ASSERT_EQ(RunLua(debugSwitch), 0) << log.All();
        EXPECT_GT(ChangedFromPlain(), 20);
        ASSERT_EQ(RunLua(debugSwitch), 0);
        EXPECT_EQ(ChangedFromPlain(), 0);
    }
}

// A hundred ticks of play close the level's first window: the sections of
// the tick and of the frames drawn between ticks were timed, and so were
// the application's six.
TEST_F(LevelDebugViews, TheProfilersTimeTheirSectionsWhileTheLevelPlays)
{
    TsPCObject* ann = TsAccess::CurrentCharacter();
    ASSERT_NE(ann, nullptr);
    ann->MoveTo(ann->GetPosition() + OmVector3(6.0f, 0.0f, 4.0f));
    Frames(110, 100);
    // The test's clock stands still inside a frame, so the times are 0;
    // the calls show what was timed.
    const OmProfiler& level = Level()->GetProfiler();
    ASSERT_EQ(level.GetSectionCount(), TS_PROFILE_LEVEL_SECTION_COUNT);
    // No one in the town looks out for enemies, so line of sight is not asked.
    for (int i : {TS_PROFILE_ASTAR, TS_PROFILE_UI_PROCESS, TS_PROFILE_LUA_TICK,
                  TS_PROFILE_ACTIVE_LIST_TICK, TS_PROFILE_CHARACTER_AVOIDANCE, TS_PROFILE_PARTICLES,
                  TS_PROFILE_RAYCASTING}) {
        EXPECT_GT(level.GetSection(i).lastCalls, 0u) << level.GetSectionName(i);
    }
    const OmProfiler& main = app->GetProfiler();
    ASSERT_EQ(main.GetSectionCount(), TsMain::PROFILE_SECTION_COUNT);
    for (int i = 0; i < main.GetSectionCount(); ++i) {
        EXPECT_GT(main.GetSection(i).lastCalls, 0u) << main.GetSectionName(i);
    }
}

} // namespace
} // namespace apptest
