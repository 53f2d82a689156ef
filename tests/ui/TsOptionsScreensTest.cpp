// What the options screens leave behind when they are left: the detail
// levels, gamma, volumes and game switches in the options and in the player's
// "options.lua", and the key screen's answers (keep, discard, defaults)
// with its two mouse toggles and the keys it captures.
#include "tests/ui/AppFixture.h"

#include <filesystem>

#include "game/framework/TsAccess.h"
#include "game/framework/TsOptions.h"
#include "platform/KeyCodes.h"
#include "ui/TsInputScreen.h"
#include "ui/TsOptionsScreens.h"

using namespace titletest;

namespace {

class OptionsScreens : public StartedTitleTest {
protected:
    TsOptions& Options() { return *TsAccess::Options(); }

    std::string OptionsFile() const { return scratch->Read("options.lua"); }
    bool Wrote(const std::string& call) const { return OptionsFile().find(call) != std::string::npos; }

    // The top window is the question with this text: answer it.
    void Answer(int32_t text, int32_t result)
    {
        ASSERT_NO_FATAL_FAILURE(ExpectMessage(text));
        Title().SetMessageResult(result);
        Title().PopWindow();
        Frame();
    }
};

TEST_F(OptionsScreens, TheDetailSliderSetsAllThreeLevelsWhichLeavingWrites)
{
    for (const auto& [value, level] : {std::pair(0.5f, 1), {0.0f, 0}, {1.0f, 2}, {0.9f, 1}}) {
        SCOPED_TRACE(value);
        auto& screen = Show<TsGraphicsScreen>(TsFrontEnd::GetGraphicsScreen);
        screen.detail.SetValue(value);
        screen.detail.OnChanged();
        for (int32_t g = 0; g < TsGraphicsScreen::kGroups; ++g)
            EXPECT_EQ(screen.CheckedLevel(g), level) << "group " << g;
        Title().PopWindow();
        EXPECT_EQ(Options().GetAnimDetailLevel(), level);
        for (const char* setter : {"SetTexDetailLevel", "SetAnimDetailLevel", "SetFXDetailLevel"})
            EXPECT_TRUE(Wrote(setter + ("(" + std::to_string(level) + ")"))) << setter << "\n" << OptionsFile();
    }
}

TEST_F(OptionsScreens, GammaFollowsItsSliderAtOnceAndIsWrittenOnLeaving)
{
    auto& screen = Show<TsGraphicsScreen>(TsFrontEnd::GetGraphicsScreen);
    for (float value : {0.25f, 0.75f}) {
        screen.gamma.SetValue(value);
        Frame();
        EXPECT_FLOAT_EQ(Options().GetGamma(), value);
    }
    EXPECT_FALSE(std::filesystem::exists("options.lua")) << "written only on leaving";
    Title().PopWindow();
    EXPECT_TRUE(Wrote("SetGamma(0.75")) << OptionsFile();
}

TEST_F(OptionsScreens, TheGameSwitchesShowTheOptionsAndAreWrittenOnLeaving)
{
    Options().SetTransparentCam(false);
    Options().SetAnimatingInventory(true);
    auto& game = Show<TsGameOptionsScreen>(TsFrontEnd::GetGameOptionsScreen);
    EXPECT_FALSE(game.transparentCamera.IsChecked());
    EXPECT_TRUE(game.animatingInventory.IsChecked());
    Press(game.transparentCamera);
    Press(game.animatingInventory);
    Title().PopWindow();
    EXPECT_EQ(std::pair(Options().IsTransparentCam(), Options().IsAnimatingInventory()), std::pair(true, false));
    EXPECT_TRUE(Wrote("SetTransparentCam(1)") && Wrote("SetAnimatingInventory(0)")) << OptionsFile();
}

// Leaving the key screen: without changes it closes at once; with changes
// it asks, and OK keeps them (options and file) while Cancel discards them.
// The defaults button asks too, and Yes alone resets the edits.
TEST_F(OptionsScreens, TheKeyScreenKeepsOrDiscardsItsEditsAsAnswered)
{
    using plat::kKeyZ;
    enum Edit { None, Wheel, Swap, Key };
    constexpr int32_t kOk = TsFrontEndBase::kResultOk, kCancel = TsFrontEndBase::kResultCancel;
    const struct {
        Edit edit;
        bool useDefaults; // the defaults button, answered Yes, before leaving
        int32_t answer;   // to the question on leaving (-1: none is asked)
        bool kept;
    } cases[] = {{None, false, -1, false},     {Wheel, false, kOk, true}, {Swap, false, kOk, true},
                 {Key, false, kCancel, false}, {Swap, false, kCancel, false}, {Key, true, -1, false}};
    TsKeyBindings defaults{};
    defaults.SetDefaults();
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "edit " << c.edit << " answer " << c.answer);
        // Every case starts from the stored defaults.
        Options().SetLMoveRFire(true);
        Options().SetUseMouseWheel(true);
        for (int32_t a = 0; a <= TsOptions::kLastBindableAction; ++a)
            Options().SetKeyBinding(a, defaults.key[a]);
        Options().Apply(TsOptions::APPLY_BINDINGS);
        std::filesystem::remove("options.lua");

        auto& screen = Show<TsInputScreen>(TsFrontEnd::GetInputScreen);
        TsKeyBindings& edited = screen.list.Edited();
        ASSERT_EQ(edited, defaults);
        TsKeyBindings expected = defaults;
        switch (c.edit) {
        case Wheel: Press(screen.mouseWheel); expected.useMouseWheel = 0; break;
        case Swap:
            Press(screen.swapMouse);
            expected.mouseButton[TS_ACTION_SELECT] = expected.mouseButton[TS_ACTION_MOVE] = 1;
            expected.mouseButton[TS_ACTION_CANCEL] = expected.mouseButton[TS_ACTION_ATTACK] = 0;
            break;
        case Key:
            ASSERT_TRUE(TsKeyBindingList::Bind(edited, TS_ACTION_MEMBER_3, kKeyZ));
            expected.SetKey(TS_ACTION_MEMBER_3, kKeyZ);
            break;
        case None: break;
        }
        EXPECT_EQ(edited, expected);
        if (c.useDefaults) {
            screen.defaults.OnMouseDown(0, 1);
            Answer(30609, TsFrontEndBase::kResultNo);
            EXPECT_EQ(edited, expected) << "No keeps the edits";
            screen.defaults.OnMouseDown(0, 1);
            Answer(30609, TsFrontEndBase::kResultYes);
            EXPECT_EQ(edited, defaults);
            screen.defaults.OnMouseUp(0, 0);
        }
        screen.Finish();
        if (c.answer >= 0)
            Answer(30607, c.answer);
        EXPECT_NE(Title().GetTopWindow(), &screen) << "the screen is closed";
        EXPECT_EQ(Options().GetKeyBindings(), c.kept ? expected : defaults);
        EXPECT_EQ(std::filesystem::exists("options.lua"), c.kept) << "written only when kept";
        EXPECT_TRUE(!c.kept || (Wrote("SetUseMouseWheel(" + std::to_string(expected.useMouseWheel) + ")") &&
                                Wrote("SetLMoveRFire(" + std::to_string(int(expected.mouseButton[TS_ACTION_MOVE] == 0)) + ")")))
            << OptionsFile();
        if (c.answer == kCancel) {
            EXPECT_EQ(edited, defaults) << "Cancel leaves the defaults in the edited block";
        }
    }
}

// A discarded visit may have left other settings on the toggles.
TEST_F(OptionsScreens, TheKeyScreensTogglesShowTheStoredSettingsOnEachVisit)
{
    Options().SetUseMouseWheel(false);
    Options().SetLMoveRFire(false);
    Options().Apply(TsOptions::APPLY_BINDINGS);
    for (int visit = 0; visit < 2; ++visit) {
        SCOPED_TRACE(visit);
        auto& screen = Show<TsInputScreen>(TsFrontEnd::GetInputScreen);
        EXPECT_TRUE(screen.mouseWheel.IsChecked() && screen.swapMouse.IsChecked());
        Press(screen.mouseWheel);
        screen.Finish();
        Answer(30607, TsFrontEndBase::kResultCancel);
        ASSERT_NE(Title().GetTopWindow(), &screen);
    }
}

TEST_F(OptionsScreens, CapturedKeysAreDirectInputCodesThatSurviveOptionsLua)
{
    using plat::kKeyZ, plat::kKeyX;
    auto& input = Show<TsInputScreen>(TsFrontEnd::GetInputScreen);
    TsKeyBindings& edited = input.list.Edited();
    // Another action holds the key first; capturing moves it.
    ASSERT_TRUE(TsKeyBindingList::Bind(edited, TS_ACTION_MEMBER_3, kKeyZ));
    input.list.BeginCapture(TS_ACTION_NEXT_WEAPON);
    Frame();
    Tap(kKeyZ);
    Frames(2);
    EXPECT_EQ(std::pair(edited.KeyOf(TS_ACTION_NEXT_WEAPON), edited.KeyOf(TS_ACTION_MEMBER_3)),
              std::pair(int32_t(kKeyZ), TsKeyBindings::kNone));
    char text[64];
    TsKeyBindingList::BindingText(edited, TS_ACTION_MEMBER_3, text, sizeof text);
    EXPECT_STREQ(text, "???");
    EXPECT_FALSE(TsKeyBindingList::Bind(edited, TS_ACTION_NEXT_WEAPON, edited.KeyOf(TS_ACTION_MENU)));
    EXPECT_EQ(edited.KeyOf(TS_ACTION_NEXT_WEAPON), kKeyZ);

    input.StoreBindings();
    Options().SetKeyBinding(TS_ACTION_NEXT_WEAPON, kKeyX);
    ASSERT_TRUE(Options().Load());
    EXPECT_EQ(Options().GetKeyBindings().KeyOf(TS_ACTION_NEXT_WEAPON), kKeyZ);
}

} // namespace
