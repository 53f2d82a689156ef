#include "tests/platform/WindowFixture.h"

#include <sstream>
#include <string>
#include <vector>

#include "platform/EventInjection.h"
#include "platform/InputDevices.h"

namespace {

using plat::InputResult;

class InputDevicesTest : public testwin::WindowTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(testwin::WindowTest::SetUp());
        m_system = plat::InputSystem::Create();
        ASSERT_NE(m_system, nullptr);
        m_keyboard = m_system->CreateKeyboard();
        m_mouse = m_system->CreateMouse();
        ASSERT_EQ(m_keyboard->SetCooperativeLevel(m_window.get(), {}), InputResult::Ok);
        ASSERT_EQ(m_mouse->SetCooperativeLevel(m_window.get(), {}), InputResult::Ok);
        m_keyboard->SetBufferSize(32);
    }
    void TearDown() override
    {
        m_keyboard.reset();
        m_mouse.reset();
        m_system.reset();
        testwin::WindowTest::TearDown();
    }
    void FocusAndAcquire()
    {
        plat::InjectFocus(*m_window, true);
        ASSERT_EQ(m_keyboard->Acquire(), InputResult::Ok);
        ASSERT_EQ(m_mouse->Acquire(), InputResult::Ok);
    }
    // Buffered events read into events; the result and how many came.
    std::pair<InputResult, uint32_t> Buffered(plat::KeyEvent* events, uint32_t room)
    {
        return {m_keyboard->GetBufferedEvents(events, room), room};
    }
    // Movement x, y, wheel, and the first three buttons since the last read.
    std::vector<int> MouseRead()
    {
        plat::MouseState ms;
        EXPECT_EQ(m_mouse->GetDeviceState(ms), InputResult::Ok);
        return std::vector<int>{int(ms.x), int(ms.y), int(ms.z), ms.buttons[0], ms.buttons[1], ms.buttons[2]};
    }
    static constexpr int kDown = plat::kKeyDownBit;

    std::unique_ptr<plat::InputSystem> m_system;
    std::unique_ptr<plat::KeyboardDevice> m_keyboard;
    std::unique_ptr<plat::MouseDevice> m_mouse;
};

TEST_F(InputDevicesTest, ForegroundDevicesFollowTheWindowFocus)
{
    uint8_t state[256];
    EXPECT_EQ(m_keyboard->GetDeviceState(state), InputResult::NotAcquired);
    EXPECT_EQ(m_keyboard->Acquire(), InputResult::OtherAppHasPriority);
    FocusAndAcquire();
    EXPECT_EQ(m_keyboard->GetDeviceState(state), InputResult::Ok);
    plat::InjectFocus(*m_window, false);
    EXPECT_EQ(m_keyboard->GetDeviceState(state), InputResult::InputLost);
    plat::MouseState ms;
    EXPECT_EQ(m_mouse->GetDeviceState(ms), InputResult::InputLost);
    EXPECT_EQ(m_keyboard->Acquire(), InputResult::OtherAppHasPriority);
    EXPECT_EQ(m_keyboard->GetDeviceState(state), InputResult::InputLost);
    plat::InjectFocus(*m_window, true);
    EXPECT_EQ(m_keyboard->Acquire(), InputResult::Ok);
    EXPECT_EQ(m_keyboard->GetDeviceState(state), InputResult::Ok);
    EXPECT_EQ(m_keyboard->Unacquire(), InputResult::Ok);
    EXPECT_EQ(m_keyboard->GetDeviceState(state), InputResult::NotAcquired);
}

TEST_F(InputDevicesTest, TheCooperativeLevelNeedsAWindowAndNoBackgroundExclusivity)
{
    auto keyboard = m_system->CreateKeyboard();
    EXPECT_EQ(keyboard->Acquire(), InputResult::InvalidParam);
    EXPECT_EQ(keyboard->SetCooperativeLevel(nullptr, {}), InputResult::InvalidParam);
    EXPECT_EQ(keyboard->SetCooperativeLevel(m_window.get(), {.exclusive = true, .foreground = false}),
              InputResult::InvalidParam);
}

TEST_F(InputDevicesTest, ABackgroundDeviceMayBeAcquiredWithoutTheFocus)
{
    auto keyboard = m_system->CreateKeyboard();
    EXPECT_EQ(keyboard->SetCooperativeLevel(m_window.get(), {.exclusive = false, .foreground = false}), InputResult::Ok);
    plat::InjectFocus(*m_window, false);
    EXPECT_EQ(keyboard->Acquire(), InputResult::Ok);
    plat::InjectFocus(*m_window, true);
    plat::InjectFocus(*m_window, false);
    EXPECT_TRUE(keyboard->IsAcquired());
}

TEST_F(InputDevicesTest, TheMouseReportsMovementInBackBufferPixelsItsButtonsAndWheel)
{
    FocusAndAcquire();
    m_window->SetBackBufferSize(800, 600);
    plat::InjectMouseMove(*m_window, 100, 50);
    plat::InjectMouseButton(*m_window, 1, true); // right
    plat::InjectMouseWheel(*m_window, 2);
    plat::InjectMouseWheel(*m_window, -1);
    EXPECT_EQ(MouseRead(), (std::vector<int>{200, 100, plat::kWheelNotch, 0, kDown, 0}));
    plat::InjectMouseMove(*m_window, 90, 60);
    plat::InjectMouseButton(*m_window, 1, false);
    plat::InjectMouseButton(*m_window, 2, true);
    EXPECT_EQ(MouseRead(), (std::vector<int>{-20, 20, 0, 0, 0, kDown}));
}

TEST_F(InputDevicesTest, AClickThatWentDownAndUpBetweenTwoReadsReadsAsDownOnce)
{
    FocusAndAcquire();
    MouseRead();
    plat::InjectMouseButton(*m_window, 0, true);
    plat::InjectMouseButton(*m_window, 0, false);
    EXPECT_EQ(MouseRead(), (std::vector<int>{0, 0, 0, kDown, 0, 0}));
    EXPECT_EQ(MouseRead(), (std::vector<int>{0, 0, 0, 0, 0, 0}));
}

TEST_F(InputDevicesTest, WheelTurnsWhileUnacquiredAreNotTheGamesButMovesAreCaughtUp)
{
    FocusAndAcquire();
    m_window->SetBackBufferSize(800, 600);
    plat::InjectMouseMove(*m_window, 90, 60);
    MouseRead();
    m_mouse->Unacquire();
    plat::InjectMouseWheel(*m_window, 3);
    plat::InjectMouseMove(*m_window, 100, 60);
    ASSERT_EQ(m_mouse->Acquire(), InputResult::Ok);
    const std::vector<int> caughtUp = MouseRead();
    EXPECT_EQ(caughtUp[0], 20);
    EXPECT_EQ(caughtUp[2], 0);
}


// Key events and reads in order: "+30" presses key 30, "-30" lets it go,
// "~30" is a repeat of its press; "?" reads the state, giving the keys
// among 28, 30, 48, 57 and 200 that it saw down; "h" looks at the held
// keys the same way; "b" fetches the buffer, giving "b" and its length;
// "f" takes the focus away and back and acquires again; "u" unacquires,
// "a" acquires; "x" flushes the buffer.
struct KeyScript {
    const char* what;
    const char* script;
    std::vector<std::string> reads;
};

const KeyScript kKeyScripts[] = {
    {"a held key let go and pressed again between reads stays down", "+30 ? -30 +30 ? -30 ?", {"30", "30", ""}},
    {"a held key let go and tapped is down once more", "+30 ? -30 +30 -30 ? ?", {"30", "30", ""}},
    {"repeats of a held key are no press", "+30 ? ~30 ~30 -30 ? ?", {"30", "", ""}},
    {"a tap while another key is held", "+48 ? +30 -30 ? -48 ?", {"48", "30 48", ""}},
    // A "repeat" of a key that is up (its press went to a window now gone)
    // is the press it really is; repeats of a held key are not buffered.
    {"a repeat of a key that is up is a press", "+200 ~200 ~28 ? b", {"28 200", "b2"}},
    {"a look at the held keys and a fetch of the buffer leave the tap for the read", "+30 -30 h b ? ?",
     {"", "b2", "30", ""}},
    {"a tap is lost with the focus", "+30 -30 f ?", {""}},
    {"a key let go in another window is up when the focus comes back", "+200 f ?", {""}},
    {"a tap made unacquired is not the game's", "u +48 -48 a ?", {""}},
    {"a key held from before acquiring is down but not buffered", "u +57 a ? b", {"57", "b0"}},
    {"a flush empties the buffer", "+57 -57 +28 x b", {"b0"}},
};

TEST_F(InputDevicesTest, KeyScriptsReadAsExpected)
{
    const auto keys = [](const uint8_t* state) {
        std::string seen;
        for (int code : {28, 30, 48, 57, 200})
            if (state[code] == plat::kKeyDownBit)
                seen += (seen.empty() ? "" : " ") + std::to_string(code);
        return seen;
    };
    uint8_t state[256];
    plat::KeyEvent events[32];
    for (const KeyScript& c : kKeyScripts) {
        SCOPED_TRACE(c.what);
        FocusAndAcquire();
        m_keyboard->Flush();
        std::vector<std::string> reads;
        std::istringstream script(c.script);
        for (std::string step; script >> step;) {
            if (step == "?" || step == "h") {
                ASSERT_EQ(step == "?" ? m_keyboard->GetDeviceState(state) : m_keyboard->GetHeldKeys(state),
                          InputResult::Ok);
                reads.push_back(keys(state));
            } else if (step == "b") {
                reads.push_back("b" + std::to_string(Buffered(events, 32).second));
            } else if (step == "f") {
                plat::InjectFocus(*m_window, false);
                plat::InjectFocus(*m_window, true);
                ASSERT_EQ(m_keyboard->Acquire(), InputResult::Ok);
            } else if (step == "u" || step == "a") {
                ASSERT_EQ(step == "u" ? m_keyboard->Unacquire() : m_keyboard->Acquire(), InputResult::Ok);
            } else if (step == "x") {
                m_keyboard->Flush();
            } else {
                ASSERT_TRUE(plat::InjectKey(*m_window, std::stoi(step.substr(1)), step[0] != '-', step[0] == '~'));
            }
        }
        EXPECT_EQ(reads, c.reads);
        // Whatever the script left held is let go with the focus.
        plat::InjectFocus(*m_window, false);
    }
    EXPECT_FALSE(plat::InjectKey(*m_window, 84, true)); // no key has code 84
    m_keyboard->Unacquire();
    EXPECT_EQ(Buffered(events, 32), std::pair(InputResult::NotAcquired, 0u));
}

} // namespace
