#include "tests/platform/WindowFixture.h"

#include "platform/EventInjection.h"

namespace {

using testwin::DispatchAll;
using testwin::Log;
using testwin::Seen;
using WindowTest = testwin::WindowTest;

TEST_F(WindowTest, DrainingDispatchesEverythingAndLeavesTheQuitForTheMainLoop)
{
    plat::InjectResize(*m_window, 320, 200);
    plat::InjectFocus(*m_window, true);
    plat::InjectClose(*m_window);
    plat::InjectFocus(*m_window, false); // after the quit: must wait for the main loop
    EXPECT_FALSE(plat::DrainMessages());
    const std::vector<Seen> expected = {
        {plat::kMsgSize, 0, 320 | (200 << 16)}, {plat::kMsgActivateApp, 1, 0},
        {plat::kMsgActivate, plat::kActivateActive, 0}, {plat::kMsgDestroy, 0, 0},
    };
    EXPECT_EQ(Log(), expected);
    plat::Message m;
    ASSERT_TRUE(plat::PeekWindowMessage(m, false));
    EXPECT_EQ(m.message, plat::kMsgQuit);
    EXPECT_FALSE(plat::DrainMessages()); // still there: draining never eats it
    EXPECT_EQ(DispatchAll(), 1);
    EXPECT_EQ(Log().size(), expected.size() + 2); // the late focus loss arrived after
}

TEST_F(WindowTest, EventsForAnotherWindowAreNotThisWindowsMessages)
{
    plat::WindowDesc desc;
    desc.title = "other";
    auto other = plat::Window::Create(desc, nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other->Id(), m_window->Id());
    plat::InjectFocus(*other, true);
    plat::InjectClose(*other);
    EXPECT_EQ(DispatchAll(), 0); // a window without procedure takes the default: no quit
    EXPECT_TRUE(Log().empty());
    EXPECT_TRUE(other->HasFocus());
    EXPECT_FALSE(m_window->HasFocus());
    // A window destroyed with messages still queued takes them with it.
    plat::InjectFocus(*other, false);
    plat::Message m;
    ASSERT_TRUE(plat::PeekWindowMessage(m, false));
    other.reset();
    EXPECT_FALSE(plat::PeekWindowMessage(m, true));
}

} // namespace
