// A real, hidden window on the test display, with a procedure that records
// what it is sent, for tests that drive the program through SDL's queue.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/Window.h"

namespace testwin {

struct Seen {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    bool operator==(const Seen&) const = default;
};

inline std::vector<Seen>& Log()
{
    static std::vector<Seen> log;
    return log;
}

// Like the game's: a destroyed window ends the program with exit code 0.
inline intptr_t RecordingProc(plat::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    Log().push_back(Seen{message, wParam, lParam});
    if (message == plat::kMsgDestroy)
        return plat::PostQuit(0), 0;
    return plat::DefaultWindowProc(window, message, wParam, lParam);
}

// Takes everything off the queue, dispatching it; quit messages are counted.
inline int DispatchAll()
{
    int quits = 0;
    plat::Message m;
    while (plat::PeekWindowMessage(m, true)) {
        if (m.message == plat::kMsgQuit)
            ++quits;
        else
            plat::DispatchWindowMessage(m);
    }
    return quits;
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        plat::WindowDesc desc;
        desc.title = "Tessaran - The Game";
        desc.width = 400;
        desc.height = 300;
        m_window = plat::Window::Create(desc, &RecordingProc, &error);
        ASSERT_NE(m_window, nullptr) << "no display for the test window: " << error;
        DispatchAll();
        Log().clear();
    }
    void TearDown() override
    {
        m_window.reset();
        DispatchAll();
        Log().clear();
    }

    std::unique_ptr<plat::Window> m_window;
};

} // namespace testwin
