#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/KeyCodes.h"
#include "platform/Window.h"

// SDL's USB-HID scancode numbers of the keys checked here (stable ABI values).
namespace sc {
constexpr int A = 4, Num1 = 30, F1 = 58, Backslash = 49;
} // namespace sc

TEST(KeyCodes, LettersRunAlongTheRowsOfTheMainBlock)
{
    // Q to P, A to L, Z to M: each row counts up from its first key's code.
    constexpr std::string_view rows[] = {"qwertyuiop", "asdfghjkl", "zxcvbnm"};
    constexpr int rowStart[] = {16, 30, 44};
    for (int r = 0; r < 3; ++r) {
        for (size_t i = 0; i < rows[r].size(); ++i)
            EXPECT_EQ(plat::KeyCodeFromScancode(sc::A + (rows[r][i] - 'a')), rowStart[r] + int(i)) << rows[r][i];
    }
}

TEST(KeyCodes, DigitsAndFunctionKeysRunInKeyboardOrder)
{
    for (int i = 0; i < 10; ++i) { // SDL orders 1..9, 0 like the keyboard
        EXPECT_EQ(plat::KeyCodeFromScancode(sc::Num1 + i), 2 + i);
        EXPECT_EQ(plat::KeyCodeFromScancode(sc::F1 + i), 59 + i);
    }
}

TEST(KeyCodes, NamedKeysGiveTheirCodes)
{
    const struct {
        int scancode, code;
        const char* key;
    } cases[] = {
        {68, 87, "F11"},          {69, 88, "F12"},           {224, 29, "left control"}, {228, 157, "right control"},
        {225, 42, "left shift"},  {229, 54, "right shift"},  {226, 56, "left alt"},     {230, 184, "right alt"},
        {227, 219, "left logo"},  {231, 220, "right logo"},  {40, 28, "Return"},        {88, 156, "keypad Enter"},
        {89, 79, "keypad 1"},     {41, 1, "Escape"},         {44, 57, "Space"},         {82, 200, "up"},
        {80, 203, "left"},        {79, 205, "right"},        {81, 208, "down"},
        // The key beside Enter is one key whatever the keyboard calls it.
        {50, 43, "non-US hash"},  {sc::Backslash, 43, "backslash"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(plat::KeyCodeFromScancode(c.scancode), c.code) << c.key;
    EXPECT_EQ(plat::ScancodeFromKeyCode(43), sc::Backslash);
}

TEST(KeyCodes, CodesAndScancodesOutsideTheTablesHaveNoKey)
{
    for (int scancode : {-1, 512})
        EXPECT_EQ(plat::KeyCodeFromScancode(scancode), 0) << scancode;
    for (int code : {-1, 256})
        EXPECT_EQ(plat::ScancodeFromKeyCode(code), 0) << code;
}

namespace {

// An X server of the test's own, so changing its keyboard layout cannot
// touch the shared display other tests type on. The server picks a free
// display number itself and writes it down once it takes connections (so
// parallel runs never meet on one number); the wait for it has a limit, so
// a server that cannot start fails the test with what it printed rather
// than holding it until the suite's limit.
class PrivateDisplay {
public:
    PrivateDisplay()
    {
        char logName[] = "/tmp/om-keymap-xvfb-XXXXXX";
        const int log = mkstemp(logName);
        int ready[2];
        if (log < 0 || pipe(ready) != 0)
            return;
        m_logName = logName;
        const std::string fd = std::to_string(ready[1]); // made before the fork: the child only execs
        m_pid = fork();
        if (m_pid == 0) {
            close(ready[0]);
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
            // -noreset: the layout set by one client outlives it.
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-noreset", "-nolisten", "tcp", "-screen", "0",
                   "320x240x24", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(log);
        close(ready[1]);
        std::string number;
        char c = 0;
        pollfd wait{ready[0], POLLIN, 0};
        while (m_pid > 0 && poll(&wait, 1, 60000) == 1 && read(ready[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(ready[0]);
        if (c == '\n' && !number.empty())
            m_name = ":" + number;
    }
    ~PrivateDisplay()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
        if (!m_logName.empty())
            unlink(m_logName.c_str());
    }
    const std::string& Name() const { return m_name; }

    // What the server printed, for a failure message.
    std::string Log() const
    {
        std::ifstream in(m_logName);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // The language the keymap gives once the layout is set on the server,
    // read by a window (SDL's video) opened on it.
    int LanguageWithLayout(const char* layout) const
    {
        const std::string command = "timeout 60 setxkbmap -display " + m_name + " " + layout;
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        plat::WindowDesc desc;
        desc.width = 64;
        desc.height = 64;
        std::string error;
        auto window = plat::Window::Create(desc, &plat::DefaultWindowProc, &error);
        EXPECT_NE(window, nullptr) << error;
        return plat::KeyboardLayoutLanguage();
    }

private:
    pid_t m_pid = -1;
    std::string m_name;
    std::string m_logName;
};

} // namespace

TEST(KeyboardLayout, LanguageComesFromTheServersKeymap)
{
    PrivateDisplay display;
    ASSERT_FALSE(display.Name().empty()) << "Xvfb did not start:\n" << display.Log();
    const char* shared = std::getenv("DISPLAY");
    const std::string saved = shared ? shared : "";
    setenv("DISPLAY", display.Name().c_str(), 1);
    const struct {
        const char* layout;
        int language;
    } layouts[] = {{"gb", 0}, {"us", plat::kLanguageUsEnglish}, {"de", 0}, {"fr", 0}};
    for (const auto& l : layouts)
        EXPECT_EQ(display.LanguageWithLayout(l.layout), l.language) << l.layout;
    setenv("DISPLAY", saved.c_str(), 1);
}
