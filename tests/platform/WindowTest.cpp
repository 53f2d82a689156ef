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

// Full screen the picture keeps its shape between black bars: the pointer
// is read where the picture shows, and over a bar as the picture's nearest edge.
TEST(FullScreenWindow, ThePointerIsReadWhereThePictureShowsAndOverABarAtItsEdge)
{
    plat::WindowDesc desc;
    desc.fullScreen = true;
    auto window = plat::Window::Create(desc, nullptr);
    ASSERT_NE(window, nullptr);
    int w = 0, h = 0;
    window->GetClientSize(w, h);
    window->SetBackBufferSize(w, h / 2); // at its own size, a bar above and below
    const int top = (h - h / 2) / 2;
    for (const auto& [windowY, pictureY] :
         {std::pair{top / 2, 0}, std::pair{top + 10, 10}, std::pair{h - 1, h / 2 - 1}}) {
        plat::InjectMouseMove(*window, w / 2, windowY);
        int x = 0, y = 0;
        window->GetCursorPosition(x, y);
        EXPECT_EQ(std::pair(x, y), std::pair(w / 2, pictureY)) << "pointer at y " << windowY;
    }
}

} // namespace
