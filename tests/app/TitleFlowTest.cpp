// The title through the real program: the program starting, one copy at a
// time, the title's menus reached by real clicks and keys, and quitting.
// What the title's screens do with what they are given is their in-process
// tests' (TitleScreens, Credits).
#include <unistd.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <utility>

#include "ProgramFlow.h"
#include "testing/ScratchDir.h"

namespace {

using namespace game_test;

// The title's options: four of the menu's six places hold buttons, and Back.
bool OptionsPageShown(const Screenshot& s)
{
    return GoldButtons(s, 86, MenuButtonY(0) - 8) == 0xF && IsGold(s, 660, 538);
}

// The saves: their list, and Load, Delete and Back below it. The game's
// message box stands over the middle of the screen, in grey.
bool SavesPageShown(const Screenshot& s) { return !MainMenuShown(s) && IsGold(s, 660, 538); }
constexpr uint32_t kBoxGrey = 0xD4D0C8;
constexpr int kRowX = 200, kFirstRowY = 113, kLoadX = 120, kDeleteX = 327, kSaveButtonsY = 479;

// A lesson of the tutorial: the text's gold-framed window on the left and
// its topic list on the right, over the paused level. The text window's
// close box is in its top right corner.
constexpr int kTutorialCloseX = 527, kTutorialCloseY = 159;
bool TutorialShown(const Screenshot& s)
{
    return IsGold(s, 10, 300) && IsGold(s, 562, 200);
}

// The game's cursor is drawn 8 pixels up and left of the pointer at (x, y): its pale fill.
auto CursorAt(int x, int y)
{
    return [=](const Screenshot& s) { return s.CountBright(x - 8, y - 6, x, y + 8, 180) > 10; };
}

class TitleScreen : public ProgramFlow {
protected:
    // The button goes down on the thumb and a tick takes it there before
    // the pointer moves; a tick takes each step of the move, and the
    // release.
    void Drag(int fromX, int toX, int y)
    {
        std::system(Xdo(kFocus + " mousemove " + OnDesktop(fromX, y) + " mousedown 1").c_str());
        WaitForATick();
        for (int step = 1; step <= 4; ++step)
            PointAt(fromX + (toX - fromX) * step / 4, y);
        std::system(Xdo("mouseup 1").c_str());
        WaitForATick();
    }

    // The pointer goes to (x, y) and a tick has taken it there.
    void PointAt(int x, int y)
    {
        std::system(Xdo("mousemove " + OnDesktop(x, y)).c_str());
        WaitForATick();
    }

    std::string Options() const { return ReadText(m_scratch + "/options.lua"); }
};

// One copy at a time; the title's scene, options, a save deleted and the
// tutorial's start, each worked with the mouse and keys. The save list's
// order, the credits and the name dialog's answers are the title screens'
// in-process tests'; the cursor is ScaledTitle's.
TEST_F(TitleScreen, MenusOptionsSavesAndQuitWorkThroughTheProgram)
{
    MakeSave("alice [1]", 1767261600, m_scratch + "/Save Games");
    ASSERT_NO_FATAL_FAILURE(StartToTitle());
    // What is built is used: no line says otherwise.
    for (const char* missing : {"fonts are not built yet", "renderer is not built yet", "HUD font is not built yet",
                                "display device is not built yet", "not applied", "dofile() could not open"})
        EXPECT_EQ(Output(kRun).find(missing), std::string::npos) << missing << "\n" << Output(kRun);
    // A second copy leaves at once, with -1 and without a word.
    const pid_t second = Launch("second", true);
    EXPECT_EQ(WaitForExit(second), 255);
    EXPECT_EQ(Output("second").find("Start-up"), std::string::npos);

    // The scene behind the menu is drawn, nothing gold left of the buttons.
    EXPECT_GT(DrawnPoints(m_shot, 400, 0, kWidth, kHeight), 500);
    EXPECT_FALSE(IsGold(m_shot, 60, MenuButtonY(0) - 8));

    // Options, then sound: the music slider goes down; leaving the screen
    // writes the new volume.
    EXPECT_NE(Options().find("SetMusicVolume(0)"), std::string::npos);
    Click(180, MenuButtonY(kOptions));
    ASSERT_TRUE(WaitForScreen(OptionsPageShown, "options"));
    // The first options button: sound, whose sliders stand once the
    // options' buttons have gone and the music slider looks the same twice.
    // Only the slider's own opaque cells are compared: the panel round it
    // lets the moving scene show through.
    Click(180, MenuButtonY(0));
    auto soundPage = StillRegion(420, 274, 557, 287, [](const Screenshot& s, auto&) { return !OptionsPageShown(s); });
    ASSERT_TRUE(WaitForScreen(soundPage, "sound"));
    Drag(546, 440, 280); // the music slider's thumb, from full to lower
    Click(720, 545);     // back to the options
    EXPECT_TRUE(WaitUntil([&] { return Options().find("SetMusicVolume(-") != std::string::npos; }, 60s)) << Options();
    EXPECT_EQ(Options().find("SetMusicVolume(0)"), std::string::npos) << Options();
    ASSERT_TRUE(WaitForScreen(OptionsPageShown, "options-again"));
    Click(720, 545);
    ASSERT_TRUE(WaitForScreen(MainMenuShown, "title-after-options"));

    // The saves: a click selects the one row, which the delete button,
    // after the question (Yes is Return), deletes from the folder.
    Click(180, MenuButtonY(kLoadGame));
    ASSERT_TRUE(WaitForScreen(SavesPageShown, "saves"));
    Click(kRowX, kFirstRowY);
    PointAt(700, 300); // the row is seen lit with the pointer out of the way
    EXPECT_TRUE(WaitForScreen([](const Screenshot& s) { return s.CountBright(90, 107, 330, 119, 180) > 20; },
                              "row-selected"));
    Click(kDeleteX, kSaveButtonsY);
    ASSERT_TRUE(WaitForScreen(QuestionShown, "delete-question"));
    Key("Return");
    const std::string save = m_scratch + "/Save Games/alice [1]";
    EXPECT_TRUE(WaitUntil([&] { return access(save.c_str(), F_OK) != 0; }, 60s));
    Click(720, 545);
    ASSERT_TRUE(WaitForScreen(MainMenuShown, "title-after-saves"));

    // The tutorial's lessons themselves are played in process (CampaignLevel).
    Click(180, MenuButtonY(kTutorial));
    ASSERT_TRUE(WaitForScreen(TutorialShown, "tutorial-welcome"));
    EXPECT_EQ(Ask("TsAccess.LevelInfo().levelName:Get()"), "Tutorial");
    ASSERT_TRUE(ClickUntil(kTutorialCloseX, kTutorialCloseY, "g_lessonOpen", "0", 20s)) << Output(kRun);
    ASSERT_TRUE(Press("F10", QuestionShown, "quit-question-in-play"));
    Key("Return");
    EXPECT_EQ(WaitForExit(m_game_pid), 0) << Output(kRun);
    ExpectNoErrors();
}

// A save cut short, chosen on the saves' page, is refused with the game's
// box; once that is answered, the title is seen again and the shell answers.
TEST_F(TitleScreen, AfterTheBoxOfADamagedSaveTheTitleIsSeenAgain)
{
    ASSERT_NO_FATAL_FAILURE(StartToTitle());
    Run("CreateSave('demo', 5)");
    std::filesystem::resize_file(m_scratch + "/Save Games/Test [5] - Demo", 3000);
    Click(180, MenuButtonY(kLoadGame));
    ASSERT_TRUE(WaitForScreen(SavesPageShown, "saves"));
    Click(kRowX, kFirstRowY);
    WaitForATick();
    Click(kLoadX, kSaveButtonsY);
    ASSERT_TRUE(WaitForOutput(kRun, "The level could not be started; returning to the front end.", m_game_pid));
    ASSERT_TRUE(AnswerWindow(m_game_pid, MessageBoxOf(m_game_pid), "Return"));
    EXPECT_TRUE(WaitForScreen([](const Screenshot& s) { return TitleAlone(s) && s.At(200, 260) != kBoxGrey; },
                              "title-after-the-box"));
    EXPECT_EQ(Ask("6 * 7"), "42");
}

// Escape let go at once, well inside one of the game's frames, is still
// the player's press.
TEST_F(TitleScreen, EveryInstantTapOfEscapeAsksToQuit)
{
    ASSERT_NO_FATAL_FAILURE(StartToTitle());
    // The game's cursor is pushed into the top-left corner with the pointer,
    // then both go to No; a tick takes each move apart.
    PointAt(0, 0);
    PointAt(400, kNoY);
    for (int tap = 0; tap < 10; ++tap) {
        ASSERT_TRUE(Press("Escape", QuestionShown, "tap-question", 15s)) << "tap " << tap << " asked nothing";
        std::system(Xdo("click 1").c_str());
        ASSERT_TRUE(WaitForScreen(TitleAlone, "tap-answered")) << "No closed no question after tap " << tap;
    }
    ASSERT_EQ(kill(m_game_pid, SIGTERM), 0);
    EXPECT_EQ(WaitForExit(m_game_pid), 0) << Output(kRun);
}

// A desktop of another shape than the picture's, which the display cannot
// switch to: the picture is shown scaled between black bars, and the game's
// cursor is drawn under the mouse near the picture's top and its bottom.
class ScaledTitle : public TitleScreen, public ::testing::WithParamInterface<std::pair<int, int>> {
protected:
    void SetUp() override
    {
        std::tie(m_shown.desktopWidth, m_shown.desktopHeight) = GetParam();
        TitleScreen::SetUp();
    }
};

TEST_P(ScaledTitle, TheGamesCursorIsDrawnUnderTheMouse)
{
    ASSERT_NO_FATAL_FAILURE(StartToTitle());
    for (const auto& [x, y] : {std::pair{600, 60}, std::pair{600, 540}}) {
        PointAt(x, y);
        EXPECT_TRUE(WaitForScreen(CursorAt(x, y), "cursor")) << "the mouse at " << x << ", " << y;
    }
}

INSTANTIATE_TEST_SUITE_P(FiveByFourAndWide, ScaledTitle,
                         ::testing::Values(std::pair{1280, 1024}, std::pair{1920, 1080}));

} // namespace
