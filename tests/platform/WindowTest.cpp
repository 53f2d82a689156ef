#include "tests/platform/WindowFixture.h"

#include <csignal>

#include "platform/EventInjection.h"

namespace {

using testwin::DispatchAll;
using testwin::Log;
using testwin::Seen;
using WindowTest = testwin::WindowTest;

TEST_F(WindowTest, FocusChangesBecomeActivationMessagesInTheSystemsOrder)
{
    plat::InjectFocus(*window_, true);
    EXPECT_EQ(DispatchAll(), 0);
    EXPECT_TRUE(window_->HasFocus());
    plat::InjectFocus(*window_, false);
    DispatchAll();
    EXPECT_FALSE(window_->HasFocus());

    const std::vector<Seen> expected = {
        {plat::kMsgActivateApp, 1, 0}, {plat::kMsgActivate, plat::kActivateActive, 0},
        {plat::kMsgActivate, plat::kActivateInactive, 0}, {plat::kMsgActivateApp, 0, 0},
    };
    EXPECT_EQ(Log(), expected);
}

TEST_F(WindowTest, ClosingDestroysOnceAndQuitsWithCodeZero)
{
    plat::InjectClose(*window_);
    plat::InjectClose(*window_); // a second click while closing changes nothing

    plat::Message m;
    ASSERT_TRUE(plat::PeekWindowMessage(m, true));
    EXPECT_EQ(m.message, plat::kMsgDestroy);
    EXPECT_EQ(m.window, window_.get());
    plat::DispatchWindowMessage(m);

    ASSERT_TRUE(plat::PeekWindowMessage(m, true));
    EXPECT_EQ(m.message, plat::kMsgQuit);
    EXPECT_EQ(m.window, nullptr);
    EXPECT_EQ(static_cast<int>(m.wParam), 0);
    EXPECT_FALSE(plat::PeekWindowMessage(m, true));
    EXPECT_EQ(Log().size(), 1u);
}

TEST_F(WindowTest, ATerminateSignalClosesTheWindowLikeItsCloseButton)
{
    std::raise(SIGTERM); // SDL turns it into a quit event instead of ending the process
    EXPECT_EQ(DispatchAll(), 1);
    plat::InjectClose(*window_); // already on its way out: nothing more
    EXPECT_EQ(DispatchAll(), 0);
    const std::vector<Seen> expected = {{plat::kMsgDestroy, 0, 0}};
    EXPECT_EQ(Log(), expected);
}

TEST_F(WindowTest, DrainingDispatchesEverythingAndLeavesTheQuitForTheMainLoop)
{
    plat::InjectResize(*window_, 320, 200);
    plat::InjectFocus(*window_, true);
    plat::InjectClose(*window_);
    plat::InjectFocus(*window_, false); // after the quit: must wait for the main loop

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

TEST_F(WindowTest, PointerPositionIsInBackBufferPixels)
{
    const auto cursor = [&] {
        int x = -1, y = -1;
        window_->GetCursorPosition(x, y);
        return std::pair{x, y};
    };
    plat::InjectMouseMove(*window_, 100, 150);
    DispatchAll();
    EXPECT_EQ(cursor(), std::pair(100, 150));
    window_->SetBackBufferSize(800, 600); // twice the window's 400 x 300
    EXPECT_EQ(cursor(), std::pair(200, 300));
    plat::InjectMouseMove(*window_, 399, 0);
    DispatchAll();
    EXPECT_EQ(cursor(), std::pair(798, 0));
}

TEST_F(WindowTest, EventsForAnotherWindowAreNotThisWindowsMessages)
{
    plat::WindowDesc desc;
    desc.title = "other";
    auto other = plat::Window::Create(desc, nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other->Id(), window_->Id());
    plat::InjectFocus(*other, true);
    plat::InjectClose(*other);
    EXPECT_EQ(DispatchAll(), 0); // a window without procedure takes the default: no quit
    EXPECT_TRUE(Log().empty());
    EXPECT_TRUE(other->HasFocus());
    EXPECT_FALSE(window_->HasFocus());

    // A window destroyed with messages still queued takes them with it.
    plat::InjectFocus(*other, false);
    plat::Message m;
    ASSERT_TRUE(plat::PeekWindowMessage(m, false));
    other.reset();
    EXPECT_FALSE(plat::PeekWindowMessage(m, true));
}

} // namespace
