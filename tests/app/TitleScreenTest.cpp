// The title screen through the real program, as a player uses it: the mouse
// and keys go in through the X server, what the game shows comes back as the
// display's pixels, and what it writes is read from its folder.
#include <sys/stat.h>
#include <utime.h>

#include <filesystem>

#include "GameExecutable.h"
#include "ScreenGrab.h"

namespace {

using game_test::GameExecutable;
using game_test::GrabScreen;
using game_test::Screenshot;
using namespace std::chrono_literals;

// The game's mode is 800 x 600 and the virtual screen is made the same size,
// so a fraction f of the screen is pixel f * 800 (x) or f * 600 (y).
constexpr int kWidth = 800, kHeight = 600;

// The main menu: six buttons at x 0.1, the first at y 0.3, one button
// height (32 pixels) plus 4 apart.
constexpr int kButtonX = 80;
int ButtonY(int k) { return 180 + 36 * k; }
enum MainButton { kNewGame, kTutorial, kLoadGame, kOptions, kCredits, kQuit };

class TitleScreen : public GameExecutable {
protected:
    void SetUp() override
    {
        screen_ = "800x600x24";
        GameExecutable::SetUp();
    }

    std::string Xdo(const std::string& args) const
    {
        return "DISPLAY=" + displayName_ + " xdotool " + args + " > /dev/null 2>&1";
    }

    // Held across a few of the game's ticks, so the tick sees it go down and up.
    void Click(int x, int y)
    {
        std::system(Xdo("mousemove " + std::to_string(x) + " " + std::to_string(y) + " mousedown 1").c_str());
        std::this_thread::sleep_for(300ms);
        std::system(Xdo("mouseup 1").c_str());
        std::this_thread::sleep_for(700ms);
    }

    void Drag(int fromX, int toX, int y)
    {
        std::system(Xdo("mousemove " + std::to_string(fromX) + " " + std::to_string(y) + " mousedown 1").c_str());
        for (int step = 1; step <= 4; ++step) {
            std::this_thread::sleep_for(200ms);
            const int x = fromX + (toX - fromX) * step / 4;
            std::system(Xdo("mousemove " + std::to_string(x) + " " + std::to_string(y)).c_str());
        }
        std::this_thread::sleep_for(300ms);
        std::system(Xdo("mouseup 1").c_str());
        std::this_thread::sleep_for(700ms);
    }

    void Key(const char* key)
    {
        std::system(Xdo(std::string("search --name '^Tessaran - The Game$' windowfocus")).c_str());
        std::system(Xdo(std::string("keydown ") + key).c_str());
        std::this_thread::sleep_for(300ms);
        std::system(Xdo(std::string("keyup ") + key).c_str());
        std::this_thread::sleep_for(700ms);
    }

    Screenshot Grab() { return GrabScreen(displayName_, kWidth, kHeight); }

    // A face of the gold buttons: red above green above blue, and bright.
    static bool IsGold(const Screenshot& s, int x, int y)
    {
        return s.Red(x, y) > 140 && s.Red(x, y) > s.Green(x, y) && s.Green(x, y) > s.Blue(x, y) + 30;
    }

    bool MainMenuShown(const Screenshot& s)
    {
        if (s.width != kWidth)
            return false;
        for (int k = 0; k < 6; ++k)
            if (!IsGold(s, kButtonX + 6, ButtonY(k) + 8))
                return false;
        return true;
    }

    // A question over the menu: a gold-framed box with Yes above No.
    static constexpr int kNoX = 400, kYesY = 261, kNoY = 301;
    static bool QuestionShown(const Screenshot& s)
    {
        return s.width == kWidth && IsGold(s, kNoX - 55, kYesY - 6) && IsGold(s, kNoX + 55, kNoY - 6) &&
               !IsGold(s, kNoX, kNoY + 34) && (IsGold(s, kNoX, 201) || IsGold(s, kNoX, 202));
    }

    // Waits, within the bound, until the screen shows what is looked for.
    template <class Shown>
    bool WaitForScreen(Shown shown, std::chrono::seconds bound)
    {
        for (auto end = std::chrono::steady_clock::now() + bound; std::chrono::steady_clock::now() < end;) {
            if (shown(Grab()))
                return true;
            std::this_thread::sleep_for(100ms);
        }
        return false;
    }

    // Waits for the main menu to come up; the last picture taken.
    Screenshot WaitForMainMenu()
    {
        Screenshot shot;
        for (auto end = std::chrono::steady_clock::now() + 60s; std::chrono::steady_clock::now() < end;) {
            shot = Grab();
            if (MainMenuShown(shot))
                break;
            std::this_thread::sleep_for(250ms);
        }
        return shot;
    }

    std::string ReadFile(const std::string& path) const
    {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    void MakeSave(const std::string& name, time_t when)
    {
        const std::string path = scratch_ + "/Save Games/" + name;
        std::ofstream(path) << "save";
        utimbuf times{when, when};
        utime(path.c_str(), &times);
    }
};

TEST_F(TitleScreen, MenusOptionsSavesCreditsAndQuitWorkThroughTheProgram)
{
    ASSERT_EQ(mkdir((scratch_ + "/Save Games").c_str(), 0755), 0);
    MakeSave("alice [1]", 1767261600); // the older
    MakeSave("alice [2]", 1769940000); // the newer
    MakeSave("notes.txt", 1769940000); // not a save: a name with a dot
    const pid_t game = Launch("title", true);
    ASSERT_TRUE(AnswerStartupDialog(game, "Return")) << Output("title");
    ASSERT_TRUE(WaitForOutput("title", "Start-up complete", game)) << Output("title");

    // The title: the scene behind, the six buttons where the layout puts
    // them, the cursor where the pointer is.
    Screenshot title = WaitForMainMenu();
    ASSERT_TRUE(MainMenuShown(title)) << Output("title");
    int lit = 0;
    for (int x = 400; x < 800; x += 20)
        for (int y = 0; y < 600; y += 20)
            lit += (title.At(x, y) & 0xFFFFFF) != 0;
    EXPECT_GT(lit, 500) << "the scene behind the menu is drawn";
    EXPECT_FALSE(IsGold(title, kButtonX - 20, ButtonY(0) + 8)) << "nothing gold left of the buttons";
    // The cursor is drawn 8 pixels up and left of the pointer; its pale fill.
    // The pointer is moved once the window shows, so the move reaches it.
    for (auto end = std::chrono::steady_clock::now() + 10s; std::chrono::steady_clock::now() < end;) {
        std::system(Xdo("mousemove 590 490").c_str());
        std::this_thread::sleep_for(100ms);
        std::system(Xdo("mousemove 600 500").c_str());
        std::this_thread::sleep_for(500ms);
        title = Grab();
        if (title.CountBright(592, 494, 600, 508, 180) > 10)
            break;
    }
    EXPECT_GT(title.CountBright(592, 494, 600, 508, 180), 10);
    EXPECT_LT(title.CountBright(620, 440, 640, 460, 180), 5) << "no cursor away from the pointer";

    // Options, then sound: the music slider goes down; leaving the screen
    // writes the new volume.
    EXPECT_NE(ReadFile(scratch_ + "/options.lua").find("SetMusicVolume(0)"), std::string::npos);
    Click(kButtonX + 100, ButtonY(kOptions) + 16);
    Click(kButtonX + 100, ButtonY(0) + 16); // the first options button: sound
    Drag(546, 440, 280);                    // the music slider's thumb, from full to lower
    Click(720, 545);                        // back to the options
    const std::string options = ReadFile(scratch_ + "/options.lua");
    EXPECT_EQ(options.find("SetMusicVolume(0)"), std::string::npos) << options;
    EXPECT_NE(options.find("SetMusicVolume(-"), std::string::npos) << options;
    Click(720, 545); // back to the main menu
    ASSERT_TRUE(MainMenuShown(WaitForMainMenu()));

    // The saves, newest first: a row turns white when selected. Two rows
    // hold saves (notes.txt is not one); the first is "alice [2]", and
    // deleting it after the question leaves the older one.
    Click(kButtonX + 100, ButtonY(kLoadGame) + 16);
    constexpr int kRowY[3] = {113, 129, 145};
    // Measured with the pointer out of the way: the cursor is pale too.
    auto rowLit = [&](int row) {
        std::system(Xdo("mousemove 700 300").c_str());
        std::this_thread::sleep_for(300ms);
        return Grab().CountBright(90, kRowY[row] - 6, 330, kRowY[row] + 6, 180);
    };
    EXPECT_EQ(rowLit(0) + rowLit(1), 0) << "nothing selected yet";
    Click(200, kRowY[1]);
    EXPECT_GT(rowLit(1), 20);
    EXPECT_EQ(rowLit(0), 0);
    Click(200, kRowY[2]);
    EXPECT_EQ(rowLit(2), 0) << "no third row";
    Click(200, kRowY[0]);
    EXPECT_GT(rowLit(0), 20);
    Click(327, 479); // delete
    // Yes is Return, pressed again should a busy machine's frame outlast it.
    const std::string newest = scratch_ + "/Save Games/alice [2]";
    for (int attempt = 0; attempt < 4 && access(newest.c_str(), F_OK) == 0; ++attempt) {
        Key("Return");
        for (int wait = 0; wait < 25 && access(newest.c_str(), F_OK) == 0; ++wait)
            std::this_thread::sleep_for(200ms);
    }
    EXPECT_EQ(access((scratch_ + "/Save Games/alice [1]").c_str(), F_OK), 0);
    EXPECT_EQ(access((scratch_ + "/Save Games/alice [2]").c_str(), F_OK), -1);
    EXPECT_EQ(access((scratch_ + "/Save Games/notes.txt").c_str(), F_OK), 0);
    Click(200, kRowY[1]);
    EXPECT_EQ(rowLit(1), 0) << "one row left";
    Click(720, 545);
    ASSERT_TRUE(MainMenuShown(WaitForMainMenu()));

    // The credits roll over the figure: light text right of the menu that
    // is not there on the main menu, and moves from one moment to the next.
    auto lightText = [](const Screenshot& shot, int x, int y) {
        return shot.Red(x, y) > 110 && shot.Green(x, y) > 110 && shot.Blue(x, y) > 110;
    };
    auto countText = [&](const Screenshot& shot) {
        int n = 0;
        for (int y = 90; y < 450; ++y)
            for (int x = 330; x < 800; ++x)
                n += lightText(shot, x, y);
        return n;
    };
    const Screenshot before = Grab();
    Click(kButtonX + 100, ButtonY(kCredits) + 16);
    // A loaded machine draws slowly: the text is waited for, not timed.
    Screenshot first = Grab();
    for (auto end = std::chrono::steady_clock::now() + 20s;
         countText(first) <= countText(before) + 300 && std::chrono::steady_clock::now() < end;
         first = Grab())
        std::this_thread::sleep_for(250ms);
    EXPECT_GT(countText(first), countText(before) + 300);
    auto moved = [&](const Screenshot& later) {
        int n = 0;
        for (int y = 90; y < 450; ++y)
            for (int x = 330; x < 800; ++x)
                n += lightText(first, x, y) != lightText(later, x, y);
        return n;
    };
    Screenshot later = Grab();
    for (auto end = std::chrono::steady_clock::now() + 20s;
         moved(later) <= 200 && std::chrono::steady_clock::now() < end; later = Grab())
        std::this_thread::sleep_for(250ms);
    EXPECT_GT(moved(later), 200) << "the credits scroll";
    Key("Escape"); // the back action closes the credits
    ASSERT_TRUE(MainMenuShown(WaitForMainMenu()));

    // Escape on the main menu asks; Yes (Return) ends the program with 0.
    Key("Escape");
    Key("Return");
    EXPECT_EQ(WaitForExit(game), 0) << Output("title");
}

// Escape let go at once, well inside one of the game's frames, is still
// the player's press: each of twenty such taps asks whether to quit, and
// each question is answered No by a click.
TEST_F(TitleScreen, EveryInstantTapOfEscapeAsksToQuit)
{
    const pid_t game = Launch("taps", true);
    ASSERT_TRUE(AnswerStartupDialog(game, "Return")) << Output("taps");
    ASSERT_TRUE(WaitForOutput("taps", "Start-up complete", game)) << Output("taps");
    ASSERT_TRUE(MainMenuShown(WaitForMainMenu())) << Output("taps");
    // The game's cursor is pushed into the top-left corner with the pointer,
    // then both go to No; a frame must read each move apart.
    auto pointAtNo = [&] {
        for (const std::string& move : {std::string("0 0"), std::to_string(kNoX) + " " + std::to_string(kNoY)}) {
            std::system(Xdo("mousemove " + move).c_str());
            std::this_thread::sleep_for(500ms);
        }
    };
    pointAtNo();
    auto menuAlone = [this](const Screenshot& s) { return MainMenuShown(s) && !QuestionShown(s); };
    int asked = 0;
    for (int tap = 0; tap < 20; ++tap) {
        std::system(Xdo("search --name '^Tessaran - The Game$' windowfocus key Escape").c_str());
        if (!WaitForScreen(QuestionShown, 15s)) {
            ADD_FAILURE() << "tap " << tap << " asked nothing";
            continue;
        }
        ++asked;
        // A click that found the cursor elsewhere is made again.
        bool answered = false;
        for (int attempt = 0; attempt < 3 && !answered; ++attempt) {
            if (attempt > 0)
                pointAtNo();
            std::system(Xdo("click 1").c_str());
            answered = WaitForScreen(menuAlone, 10s);
        }
        ASSERT_TRUE(answered) << "No closed no question after tap " << tap;
    }
    EXPECT_EQ(asked, 20);
    ASSERT_EQ(kill(game, SIGTERM), 0);
    EXPECT_EQ(WaitForExit(game), 0) << Output("taps");
}

} // namespace
