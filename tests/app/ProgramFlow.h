// The real program started under the test's X server, its title reached,
// and the player's input sent to it: keys and clicks through the X server,
// the picture read back as the display's pixels, the game asked through its
// developer shell, and every error it reports looked for in its output.
#pragma once

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "GameExecutable.h"
#include "ScreenGrab.h"

namespace game_test {

inline constexpr int kWidth = 800, kHeight = 600;

// The main menu's buttons: x 80..300, the first at y 180, 36 apart.
inline int MenuButtonY(int k) { return 196 + 36 * k; }
enum MainButton { kNewGame, kTutorial, kLoadGame, kOptions, kCredits, kQuit };

// What each screen looks like, from a few pixels that no other screen of
// the flows has.
inline bool IsGold(const Screenshot& s, int x, int y)
{
    return s.Red(x, y) > 140 && s.Red(x, y) > s.Green(x, y) && s.Green(x, y) > s.Blue(x, y) + 30;
}

// Which of a menu's six places, 36 apart down from (x, top), show a gold
// button: one bit each, the first place lowest.
inline int GoldButtons(const Screenshot& s, int x, int top)
{
    int shown = 0;
    for (int k = 0; k < 6; ++k)
        shown |= int(IsGold(s, x, top + 36 * k)) << k;
    return shown;
}
inline bool MainMenuShown(const Screenshot& s) { return GoldButtons(s, 86, MenuButtonY(0) - 8) == 0x3F; }

// Points of a 20-pixel grid over the rectangle where something is drawn.
inline int DrawnPoints(const Screenshot& s, int x0, int y0, int x1, int y1)
{
    int drawn = 0;
    for (int x = x0; x < x1; x += 20)
        for (int y = y0; y < y1; y += 20)
            drawn += (s.At(x, y) & 0xFFFFFF) != 0;
    return drawn;
}

// A screen test that holds once the rectangle looks the same in two looks
// running and `also` holds for the look and the rectangle's pixels.
template <class Also>
auto StillRegion(int x0, int y0, int x1, int y1, Also also)
{
    return [=, seen = std::vector<uint32_t>()](const Screenshot& s) mutable {
        std::vector<uint32_t> now = s.Region(x0, y0, x1, y1);
        const bool still = also(s, now) && now == seen;
        seen = std::move(now);
        return still;
    };
}

// The name asked for a new game: a gold frame over the menu round the
// name's box and its OK and Cancel buttons.
inline bool NameDialogShown(const Screenshot& s)
{
    return IsGold(s, 470, 255) && IsGold(s, 470, 291) && IsGold(s, 243, 300) && IsGold(s, 636, 300);
}

// A question over play: a gold-framed box with Yes above No in the middle.
inline constexpr int kYesY = 267, kNoY = 307;
inline bool QuestionShown(const Screenshot& s)
{
    return IsGold(s, 345, kYesY - 6) && IsGold(s, 455, kNoY - 6) && !IsGold(s, 400, kNoY + 34) &&
           (IsGold(s, 400, 207) || IsGold(s, 400, 208));
}

// Back on the title's menu with nothing over it.
inline bool TitleAlone(const Screenshot& s) { return MainMenuShown(s) && !NameDialogShown(s) && !QuestionShown(s); }

// The game started with its shell, as the title's and the campaign's flows
// start it.
class ProgramFlow : public GameExecutable {
protected:
    void SetUp() override
    {
        m_screen = std::to_string(m_shown.desktopWidth) + "x" + std::to_string(m_shown.desktopHeight) + "x24";
        ASSERT_NO_FATAL_FAILURE(GameExecutable::SetUp());
        // The sound goes to a wave file (16-bit stereo) instead of a card;
        // every error the game reports is copied to its output too.
        m_sound = m_scratch + "/sound.wav";
        std::ofstream(m_scratch + "/alsoft.conf") << "[general]\nsample-type = int16\nchannels = stereo\n"
                                                    "frequency = 22050\n[wave]\nfile = "
                                                 << m_sound << "\n";
        m_environment = {{"ALSOFT_DRIVERS", "wave"},
                        {"ALSOFT_CONF", m_scratch + "/alsoft.conf"},
                        {"TESSARAN_DEBUG_OUTPUT", "1"}};
    }

    void TearDown() override
    {
        if (m_terminal >= 0)
            close(m_terminal);
        GameExecutable::TearDown();
    }

    // Starts the game with its shell, answers the start-up dialog and waits
    // for the title's menu.
    void StartToTitle()
    {
        m_game_pid = Launch(kRun, true, &m_terminal);
        ASSERT_GT(m_game_pid, 0);
        ASSERT_TRUE(AnswerStartupDialog(m_game_pid, "Return")) << Output(kRun);
        ASSERT_TRUE(WaitForOutput(kRun, "Start-up complete", m_game_pid)) << Output(kRun);
        ASSERT_TRUE(WaitForScreen(MainMenuShown, "title"));
        // The window takes the keyboard before any key: a key that comes
        // with the focus, before the game has taken the keyboard back, is
        // not the game's.
        std::system(Xdo(kFocus).c_str());
        WaitForATick();
    }

    // Gives the game's window the keyboard before a key or click.
    static inline const std::string kFocus = "search --name '^Tessaran - The Game$' windowfocus";

    // The game keeps a click or a key tap that falls between two of its
    // ticks, so each goes down and up at once; the caller waits for what it
    // leads to. The game's cursor stands where the pointer is, whatever the
    // game went through before: the pointer goes straight to the place, and
    // the same read of the mouse takes the move and the click.
    void Click(int x, int y, int button = 1)
    {
        std::system(Xdo(kFocus + " mousemove " + OnDesktop(x, y) + " click " + std::to_string(button)).c_str());
    }

    // Where the point of the picture is on the desktop, as xdotool takes it.
    std::string OnDesktop(int x, int y) const
    {
        return std::to_string(int(std::ceil(m_shown.DesktopX(x)))) + " " +
               std::to_string(int(std::ceil(m_shown.DesktopY(y))));
    }

    void Key(const char* key) { std::system(Xdo(kFocus + " key " + key).c_str()); }

    // The game's picture as the game drew it, on a larger desktop read where
    // it is shown scaled.
    Screenshot Grab() { return GrabPicture(m_displayName, m_shown); }

    // Waits for the screen to show what the test looks for (the step's
    // name and the game's output are logged when it never does); the
    // picture is kept.
    template <class Shown>
    bool WaitForScreen(Shown shown, const char* step, std::chrono::seconds timeout = 60s)
    {
        bool seen = false;
        auto look = [&] { return (seen = (m_shot = Grab()).width == kWidth && shown(m_shot)) || Ended(m_game_pid); };
        if (WaitUntil(look, timeout, 150ms) && seen)
            return true;
        std::printf("[ not seen ] %s\n%s\n", step, Output(kRun).c_str());
        return false;
    }

    // Presses the key once the screen takes it, and waits for what it leads to.
    template <class Shown>
    bool Press(const char* key, Shown shown, const char* step, std::chrono::seconds timeout = 60s)
    {
        Key(key);
        return WaitForScreen(shown, step, timeout);
    }

    // Asks the game through its shell; the answer as Lua's tostring gives it.
    std::string Ask(const std::string& expression)
    {
        const std::string tag = "answer" + std::to_string(++m_asked) + ":";
        Type(m_terminal, "Print('answer' .. " + std::to_string(m_asked) + " .. ':' .. tostring(" + expression + "))\n");
        std::string answer = "(no answer)";
        WaitUntil(
            [&] {
                const std::string out = Output(kRun);
                const size_t at = out.find(tag), end = at == std::string::npos ? at : out.find('\n', at);
                if (end != std::string::npos)
                    answer = out.substr(at + tag.size(), end - at - tag.size());
                return end != std::string::npos;
            },
            20s, 100ms);
        return answer;
    }

    // A setup step through the shell; it has run once the next answer comes.
    void Run(const std::string& line)
    {
        Type(m_terminal, line + "\n");
        Ask("0");
    }

    bool WaitForAnswer(const std::string& expression, const std::string& wanted, std::chrono::seconds timeout = 30s)
    {
        return WaitUntil([&] { return Ask(expression) == wanted; }, timeout, 300ms);
    }

    // Returns once the game has read all input sent before the call and run
    // a tick on it. The shell answers between frames, each frame reading
    // the input that came before it, and the part of a tick gone by at the
    // last frame (TsAccess.FrameDelta) only grows until a tick begins: an
    // answer lower than the one before it comes after a frame that read the
    // input and ran a tick. A whole part is a frame that fell behind, after
    // which the next frame ticks at once: so do frames slower than two ticks,
    // whose part stays whole.
    void WaitForATick()
    {
        double before = -1.0;
        auto ticked = [&] {
            const std::string answer = Ask("TsAccess.FrameDelta()");
            char* end = nullptr;
            const double now = std::strtod(answer.c_str(), &end);
            if (end == answer.c_str())
                return false;
            const bool began = before >= 0.0 && (now < before || (now >= 1.0 && before >= 1.0));
            before = now;
            return began;
        };
        EXPECT_TRUE(WaitUntil(ticked, 120s)) << "no tick began";
    }

    // Clicks at (x, y), up to three times, until the expression reads as
    // the wanted value: a click may come down before the view settled. Only
    // for a click that a second one repeats, never doubles (an order to
    // walk to a thing and take it).
    bool ClickUntil(int x, int y, const std::string& expression, const std::string& wanted,
                    std::chrono::seconds timeout)
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            Click(x, y);
            if (WaitForAnswer(expression, wanted, timeout))
                return true;
        }
        return false;
    }

    // No error reported, no sanitizer's word, in what the game wrote.
    void ExpectNoErrors()
    {
        const std::string out = Output(kRun);
        for (const char* error : {"** ERROR **", "runtime error", "Sanitizer", "Fatal Error"})
            EXPECT_EQ(out.find(error), std::string::npos) << error << "\n" << out;
    }

    // Escape on the title asks; Yes ends the program, which must end with 0.
    void QuitFromTitle()
    {
        ASSERT_TRUE(WaitForScreen(MainMenuShown, "title-last"));
        ASSERT_TRUE(Press("Escape", QuestionShown, "title-quit-question"));
        Key("Return");
        EXPECT_EQ(WaitForExit(m_game_pid), 0) << Output(kRun);
        ExpectNoErrors();
    }

    static constexpr const char* kRun = "game";
    // The display: the game's own size, or a desktop its picture is scaled to.
    game_test::ShownPicture m_shown{kWidth, kHeight, kWidth, kHeight};
    pid_t m_game_pid = -1;
    int m_terminal = -1;
    int m_asked = 0;
    std::string m_sound;
    Screenshot m_shot;
};

} // namespace game_test
