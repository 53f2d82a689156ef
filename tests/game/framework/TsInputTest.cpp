#include "tests/platform/WindowFixture.h"

#include <initializer_list>
#include <string>

#include "game/framework/TsInput.h"
#include "platform/EventInjection.h"
#include "platform/KeyCodes.h"
#include "tests/game/framework/LogCapture.h"

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 300;

class TsInputTest : public testwin::WindowTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(testwin::WindowTest::SetUp());
        ASSERT_TRUE(m_input.Create(m_window.get(), false, true));
        plat::InjectFocus(*m_window, true);
        m_input.Reacquire();
        ASSERT_TRUE(m_input.Update(kWidth, kHeight));
    }
    void TearDown() override
    {
        m_input.Destroy();
        plat::SetKeyboardLayoutLanguageOverride(std::nullopt);
        testwin::WindowTest::TearDown();
    }
    void Key(int code, bool pressed) { ASSERT_TRUE(plat::InjectKey(*m_window, code, pressed)); }
    void Frame() { ASSERT_TRUE(m_input.Update(kWidth, kHeight)); }
    // One tick's end and the next frame's poll.
    void NextTick()
    {
        m_input.EndTick();
        Frame();
    }
    std::string Cursor() const
    {
        return std::to_string(m_input.GetCursorX()) + "," + std::to_string(m_input.GetCursorY());
    }
    std::string CursorAfterMove(int x, int y)
    {
        plat::InjectMouseMove(*m_window, x, y);
        Frame();
        return Cursor();
    }
    // "P" pressed, "D" down, "R" released, "-" nothing.
    std::string StateOf(int action) const
    {
        const bool down = m_input.IsActionDown(action);
        if (m_input.IsActionPressed(action))
            return down ? "P" : "?";
        if (m_input.IsActionReleased(action))
            return down ? "?" : "R";
        return down ? "D" : "-";
    }
    void HoldEverything()
    {
        for (int code = plat::kKeyEscape; code <= plat::kKeyMediaSelect; ++code)
            plat::InjectKey(*m_window, code, true);
        for (int b = 0; b < 8; ++b)
            plat::InjectMouseButton(*m_window, b, true);
    }
    // Plays a tick script (below) from a cleared state: the states noted.
    std::string RunTicks(const std::string& script, const std::function<void(bool)>& press,
                         const std::function<std::string()>& note)
    {
        m_input.ClearState();
        std::string states;
        for (const char step : script) {
            switch (step) {
            case '+': press(true); break;
            case '-': press(false); break;
            case 'f': Frame(); break;
            case 't': NextTick(); break;
            case 's': states += note(); break;
            case 'k':
                m_input.KeyToChar(plat::kKeySpace);
                m_input.GetBufferedKeys(0, nullptr);
                break;
            default: break;
            }
        }
        return states;
    }
    // Press, hold for a tick, release, one more tick: the action's state in each.
    std::string PressHoldRelease(int action, const std::function<void(bool)>& set)
    {
        return RunTicks("+ f s t s - t s t s", set, [&] { return StateOf(action); });
    }

    TsInput m_input;
};

TEST_F(TsInputTest, EveryBoundActionLatchesPressedDownAndReleasedPerTick)
{
    TsKeyBindings defaults;
    defaults.SetDefaults();
    for (int action = 0; action < TsInput::kActionCount; ++action) {
        const int key = defaults.KeyOf(action);
        const int button = defaults.MouseButtonOf(action);
        if (key >= 0) {
            EXPECT_EQ(PressHoldRelease(action, [&](bool down) { Key(key, down); }), "PDR-")
                << "action " << action << " key " << key;
        } else if (button >= 0) {
            auto press = [&](bool down) { plat::InjectMouseButton(*m_window, button, down); };
            EXPECT_EQ(PressHoldRelease(action, press), "PDR-") << "action " << action;
        }
    }
}

TEST_F(TsInputTest, UnboundActionsAndBindingsOutOfRangeStayUpWhateverIsHeld)
{
    TsKeyBindings b;
    b.SetDefaults();
    b.key[TS_ACTION_CAMERA_LEFT] = 256;
    b.key[TS_ACTION_CAMERA_RIGHT] = -7;
    b.key[TS_ACTION_ZOOM_OUT] = 1 << 30;
    b.mouseButton[TS_ACTION_SELECT] = 8;
    b.mouseButton[TS_ACTION_CANCEL] = -2;
    m_input.SetKeyBindings(b);
    HoldEverything();
    NextTick();
    for (int action : std::initializer_list<int>{TS_ACTION_IMMUNITY, TS_ACTION_SPARE_1, TS_ACTION_SPARE_2,
                                                 TS_ACTION_SPARE_3, -1, 40, TS_ACTION_CAMERA_LEFT,
                                                 TS_ACTION_CAMERA_RIGHT, TS_ACTION_ZOOM_OUT, TS_ACTION_SELECT,
                                                 TS_ACTION_CANCEL})
        EXPECT_EQ(StateOf(action), "-") << "action " << action;
    EXPECT_EQ(StateOf(TS_ACTION_ZOOM_IN) + StateOf(TS_ACTION_WEAPON_MODE_BUTTON), "PP"); // in range: still works
    b.SetKey(TS_ACTION_CAMERA_LEFT, 300);
    EXPECT_EQ(b.key[TS_ACTION_CAMERA_LEFT], TsKeyBindings::kNone);
    b.SetKey(99, plat::kKey2); // no such action: ignored
    EXPECT_EQ(b.KeyOf(99), TsKeyBindings::kNone);
}

// Taps of SPACE (the skip-line action's key) against the game's frames and ticks:
// "+" presses it, "-" lets it go, "f" is a frame's poll, "k" a look at the
// keyboard between polls (a typed character and the buffered keys, as a
// text box makes), "t" ends the tick and polls the next frame, "s" notes
// the action's state as the tick sees it.
struct TickCase {
    const char* what;
    const char* script;
    const char* states;
};

const TickCase kTickCases[] = {
    {"a tap inside one frame", "+ - f s t s t s", "PR-"},
    {"a tap inside one frame that a look saw first", "+ - k f s t s", "PR"},
    {"a tap over two frames of one tick", "+ f - f s t s t s", "PR-"},
    {"two taps inside one tick read as one press", "+ - f + - f s t s t s", "PR-"},
    {"a tap after a release in the same tick waits a tick", "+ f t s - f + - f s t s t s t s", "DRPR-"},
    {"a key held over ticks", "+ f s t s t s - f s t s", "PDDR-"},
    {"a release and press of a held key between ticks", "+ f t t s - f + f s t s", "DRP"},
};

// Each tap also made with the mouse's left button: a click quicker than a
// tick selects, as a tap of a key acts.
TEST_F(TsInputTest, EveryTapOrClickIsOnePressAndOneReleaseWhateverTheFramesAndTicks)
{
    const auto click = [&](bool down) { plat::InjectMouseButton(*m_window, 0, down); };
    for (const TickCase& c : kTickCases) {
        // The key asked for by its code keeps to the ticks as its action does.
        std::string keyStates;
        const std::string states = RunTicks(c.script, [&](bool down) { Key(plat::kKeySpace, down); }, [&] {
            keyStates += m_input.IsKeyDown(plat::kKeySpace) == m_input.IsActionDown(TS_ACTION_SKIP_LINE) ? '=' : '!';
            return StateOf(TS_ACTION_SKIP_LINE);
        });
        EXPECT_EQ(states, c.states) << c.what;
        EXPECT_EQ(keyStates, std::string(states.size(), '=')) << c.what;
        EXPECT_EQ(RunTicks(c.script, click, [&] { return StateOf(TS_ACTION_SELECT); }), c.states)
            << "click: " << c.what;
    }
}

TEST_F(TsInputTest, AMouseActionWithAKeyTooIsDownWhileEitherIsHeld)
{
    TsKeyBindings b;
    b.SetDefaults();
    b.SetKey(TS_ACTION_SELECT, plat::kKeyS);
    m_input.SetKeyBindings(b);
    plat::InjectMouseButton(*m_window, 0, true);
    std::string states;
    const auto tick = [&] { NextTick(); states += StateOf(TS_ACTION_SELECT); };
    for (int i = 0; i < 3; ++i)
        tick();
    Key(plat::kKeyS, true);
    plat::InjectMouseButton(*m_window, 0, false);
    tick();
    Key(plat::kKeyS, false);
    tick();
    EXPECT_EQ(states, "PDDDR");
}

TEST_F(TsInputTest, WheelNotchesDriveTheWeaponCyclingActionsForOneTick)
{
    constexpr int kUp = TS_ACTION_PREVIOUS_WEAPON, kDown = TS_ACTION_NEXT_WEAPON;
    plat::InjectMouseWheel(*m_window, 1);
    Frame();
    EXPECT_GT(m_input.GetMouseWheel(), 0);
    NextTick();
    EXPECT_EQ(StateOf(kUp) + StateOf(kDown), "P-");
    NextTick();
    EXPECT_EQ(StateOf(kUp) + StateOf(kDown), "R-");
    NextTick();
    EXPECT_EQ(StateOf(kUp) + StateOf(kDown), "--");

    // Downward, and with the action's key unbound it still comes back up.
    TsKeyBindings b = m_input.GetKeyBindings();
    b.key[kDown] = TsKeyBindings::kNone;
    m_input.SetKeyBindings(b);
    plat::InjectMouseWheel(*m_window, -2);
    Frame();
    NextTick();
    EXPECT_EQ(StateOf(kDown) + StateOf(kUp), "P-");
    NextTick();
    EXPECT_EQ(StateOf(kDown), "R");

    // Without the wheel option the wheel is only a number.
    b.useMouseWheel = 0;
    m_input.SetKeyBindings(b);
    plat::InjectMouseWheel(*m_window, 1);
    Frame();
    NextTick();
    EXPECT_EQ(StateOf(kUp) + StateOf(kDown), "--");
    EXPECT_EQ(m_input.GetMouseWheel(), 0); // reset by the tick's end
}

// The cursor moves by the pointer's moves, so a reset that left it in the
// corner would keep it away from the pointer for good.
TEST_F(TsInputTest, TheCursorFollowsThePointerWithinTheSizeItIsGiven)
{
    EXPECT_EQ(CursorAfterMove(120, 80), "120,80");
    EXPECT_EQ(CursorAfterMove(130, 70), "130,70");

    // The cursor is kept on the size it is given, here smaller than the window.
    plat::InjectMouseMove(*m_window, 399, 299);
    ASSERT_TRUE(m_input.Update(200, 100));
    EXPECT_EQ(Cursor(), "200,100");
    EXPECT_EQ(CursorAfterMove(0, 0), "0,0");
    EXPECT_EQ(m_input.GetMouseState().x, -399);

    m_window->SetBackBufferSize(800, 600);
    plat::InjectMouseMove(*m_window, 200, 150);
    ASSERT_TRUE(m_input.Update(800, 600));
    EXPECT_EQ(Cursor(), "400,300");
}

TEST_F(TsInputTest, SyncingTakesThePointerOnTheScreensScaleAndTellsIfItIsInside)
{
    m_window->SetBackBufferSize(800, 600);
    ASSERT_TRUE(m_input.Update(800, 600));
    plat::InjectMouseMove(*m_window, 450, -20);
    m_input.SyncCursorToWindow(*m_window);
    EXPECT_FALSE(m_input.IsCursorInsideWindow());
    EXPECT_EQ(Cursor(), "799,0");
    plat::InjectMouseMove(*m_window, 50, 60);
    m_input.SyncCursorToWindow(*m_window);
    EXPECT_TRUE(m_input.IsCursorInsideWindow());
    EXPECT_EQ(Cursor(), "100,120");
}

// A screen that clears the state after a long load, and focus coming back
// after the pointer was held outside the window, leave the cursor on the
// pointer, and the moves before either are not counted again.
TEST_F(TsInputTest, ClearsAndRegainedFocusLeaveTheCursorOnThePointer)
{
    plat::InjectMouseMove(*m_window, 120, 80);
    Frame();
    m_input.ClearState();
    EXPECT_EQ(Cursor(), "120,80");
    plat::InjectMouseMove(*m_window, 300, 200); // while the next screen loads, no frame reads it
    m_input.ClearState();
    EXPECT_EQ(Cursor(), "300,200");
    EXPECT_EQ(CursorAfterMove(310, 190), "310,190");

    // A drag held beyond the window's edge parts the clamped cursor from it.
    EXPECT_EQ(CursorAfterMove(310, -40), "310,0");
    plat::InjectFocus(*m_window, false);
    m_input.Unacquire();
    plat::InjectMouseMove(*m_window, 50, 60);
    plat::InjectFocus(*m_window, true);
    m_input.Acquire(); // as the window procedure does
    Frame();
    EXPECT_EQ(Cursor(), "50,60");
}

TEST_F(TsInputTest, AFailedReadChangesNoActionAndTheDeviceComesBack)
{
    Key(plat::kKeyEscape, true);
    NextTick();
    NextTick();
    EXPECT_EQ(StateOf(TS_ACTION_MENU), "D");

    plat::InjectFocus(*m_window, false);
    EXPECT_FALSE(m_input.Update(kWidth, kHeight));
    EXPECT_EQ(StateOf(TS_ACTION_MENU), "D");
    EXPECT_EQ(m_input.GetBufferedKeys(32, nullptr), 0);

    plat::InjectFocus(*m_window, true);
    EXPECT_FALSE(m_input.Update(kWidth, kHeight)); // this read takes the device back
    EXPECT_TRUE(m_input.Update(kWidth, kHeight));
    EXPECT_EQ(StateOf(TS_ACTION_MENU), "R"); // the key's release happened elsewhere
}

TEST_F(TsInputTest, BufferedKeysArriveInOrderAndBeyondThirtyTwoAreDropped)
{
    m_input.FlushKeyboard();
    for (int i = 0; i < 20; ++i)
        Key(plat::kKeyQ + i, true), Key(plat::kKeyQ + i, false);
    TsKeyEvent out[40];
    ASSERT_EQ(m_input.GetBufferedKeys(40, out), 32);
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(out[i].code, static_cast<uint32_t>(plat::kKeyQ + i / 2)) << i;
        EXPECT_EQ(out[i].pressed, i % 2 == 0 ? 1 : 0) << i;
    }
    EXPECT_EQ(m_input.GetBufferedKeys(40, out), 0);

    // Events beyond the count asked for are gone too.
    Key(plat::kKeyA, true);
    Key(plat::kKeyS, true);
    Key(plat::kKeyD, true);
    ASSERT_EQ(m_input.GetBufferedKeys(2, out), 2);
    EXPECT_EQ(out[1].code, static_cast<uint32_t>(plat::kKeyS));
    EXPECT_EQ(m_input.GetBufferedKeys(2, out), 0);

    Key(plat::kKeyF, true);
    m_input.FlushKeyboard();
    EXPECT_EQ(m_input.GetBufferedKeys(2, out), 0);
    Key(plat::kKeyG, true);
    EXPECT_EQ(m_input.GetBufferedKeys(-5, out), 0);
}

TEST_F(TsInputTest, KeyToCharFollowsShiftAndTheLayoutLanguage)
{
    plat::SetKeyboardLayoutLanguageOverride(2057); // British
    using namespace plat;
    const int codes[] = {kKeyQ,     kKeyA,      kKeyZ,           kKey1,          kKey2,     kKey3,     kKey0,
                         kKeyMinus, kKeyEquals, kKeyLeftBracket, kKeyApostrophe, kKeyComma, kKeySlash, kKeySpace};
    const std::string plain = "qaz1230-=[',/ ", shifted = "QAZ!\"\xA3)_+{@<? ";
    auto typed = [&] {
        std::string got;
        for (int code : codes)
            got += m_input.KeyToChar(code);
        return got;
    };
    EXPECT_EQ(typed(), plain);
    Key(kKeyRightShift, true);
    EXPECT_EQ(typed(), shifted);

    plat::SetKeyboardLayoutLanguageOverride(plat::kLanguageUsEnglish);
    EXPECT_EQ(m_input.KeyToChar(kKey2), '@');
    EXPECT_EQ(m_input.KeyToChar(kKeyApostrophe), '"');
    Key(kKeyRightShift, false);
    Key(kKeyLeftShift, true); // does the same
    EXPECT_EQ(m_input.KeyToChar(kKey2), '@');
    Key(kKeyLeftShift, false);
    EXPECT_EQ(m_input.KeyToChar(kKey2), '2');

    for (int code : std::initializer_list<int>{0, kKeyEscape, kKeyBackspace, kKeyTab, kKeyReturn, kKeyGrave,
                                               kKeyBackslash, kKeyNumpadMultiply, kKeyUp, 255, -1, 256, 100000})
        EXPECT_EQ(m_input.KeyToChar(code), 0) << code;
}

TEST(TsInputTexts, KeyNamesCoverEveryKeyTheKeyboardCanSendAndLookupsAreBounded)
{
    for (int code : {84, 238, 0, -1})
        EXPECT_STREQ(TsInput::GetKeyName(code), "") << code;
    // Texts outside their tables, and the edges of the mouse-only and
    // rebindable ranges.
    EXPECT_EQ(TsInput::ActionNameTextId(TS_ACTION_SPARE_4), -1);
    EXPECT_EQ(TsInput::ActionListNameTextId(TS_ACTION_IMMUNITY), -1);
    EXPECT_STREQ(TsInput::GetActionName(TS_ACTION_SPARE_4), "");
    EXPECT_STREQ(TsInput::GetActionListName(40), "");
    EXPECT_TRUE(!TsInput::IsMouseAction(TS_ACTION_QUIT) && TsInput::IsMouseAction(TS_ACTION_IMMUNITY) &&
                TsInput::IsMouseAction(TS_ACTION_GAG) && !TsInput::IsMouseAction(TS_ACTION_SPARE_4));
    EXPECT_TRUE(!TsInput::IsRebindableAction(TS_ACTION_ATTACK) && TsInput::IsRebindableAction(TS_ACTION_CAMERA_LEFT));

    // Every key code an SDL key produces has a name (the default bindings'
    // keys among them).
    for (int code = plat::kKeyEscape; code <= plat::kKeyMediaSelect; ++code) {
        const bool sent = plat::ScancodeFromKeyCode(code) != 0;
        EXPECT_TRUE(*TsInput::GetKeyName(code) != '\0' || !sent) << "code " << code;
    }
}

TEST(TsInputCreate, RefusedSetUpsFailAndLeaveNothingHalfMade)
{
    LogCapture log;
    TsInput input;
    EXPECT_FALSE(input.Update(640, 480)); // never created: nothing to read
    EXPECT_EQ(input.GetBufferedKeys(32, nullptr), 0);
    EXPECT_EQ(input.KeyToChar(plat::kKeyA), 'a');

    plat::WindowDesc desc;
    auto window = plat::Window::Create(desc, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(input.Create(window.get(), true, false));
    EXPECT_TRUE(log.Contains("background"));
    EXPECT_EQ(input.GetKeyboardDevice(), nullptr);
    EXPECT_FALSE(input.Create(nullptr, false, true));
    EXPECT_EQ(input.GetKeyboardDevice(), nullptr);
    EXPECT_TRUE(input.Create(window.get(), true, true));
    EXPECT_NE(input.GetKeyboardDevice(), nullptr);
}

} // namespace
