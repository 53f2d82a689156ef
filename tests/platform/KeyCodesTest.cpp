#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/KeyCodes.h"
#include "platform/Window.h"

extern char** environ;

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

using Clock = std::chrono::steady_clock;
constexpr auto kServerStartLimit = std::chrono::seconds(60);

// Whether an X server answers on display number n's local socket, by its
// path or by its abstract name (a server may manage only one of the two).
bool ServerAnswers(int n)
{
    const std::string path = "/tmp/.X11-unix/X" + std::to_string(n);
    for (const bool abstract : {false, true}) {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return false;
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path + abstract, sizeof addr.sun_path - 1, "%s", path.c_str());
        const auto size = socklen_t(offsetof(sockaddr_un, sun_path) + abstract + path.size() + !abstract);
        const bool answers = connect(fd, reinterpret_cast<const sockaddr*>(&addr), size) == 0;
        close(fd);
        if (answers)
            return true;
    }
    return false;
}

bool DisplayInUse(int n)
{
    struct stat st;
    const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
    const std::string socketPath = "/tmp/.X11-unix/X" + std::to_string(n);
    return stat(lock.c_str(), &st) == 0 || stat(socketPath.c_str(), &st) == 0;
}

// An X server of the test's own, so changing its keyboard layout cannot
// touch the shared display other tests type on. It is started on a display
// number of its own choosing (as xvfb-run does) and waited for by connecting
// to its socket, with a time limit, so a server that cannot start fails the
// test with what it printed rather than holding it until the suite's limit.
class PrivateDisplay {
public:
    PrivateDisplay()
    {
        char logName[] = "/tmp/om-keymap-xvfb-XXXXXX";
        const int log = mkstemp(logName);
        if (log < 0)
            return;
        close(log);
        logName_ = logName;
        // Numbers apart from the ones xvfb-run counts up from (99), spread by
        // process so parallel runs of this test seldom meet.
        int n = 400 + int(getpid() % 400);
        for (int tries = 0; tries < 5; ++tries, ++n) {
            while (DisplayInUse(n))
                ++n;
            const Started started = Start(n);
            if (started == Started::Ready)
                name_ = ":" + std::to_string(n);
            if (started != Started::Exited)
                break;
        }
    }
    ~PrivateDisplay()
    {
        Stop();
        if (!logName_.empty())
            unlink(logName_.c_str());
    }
    const std::string& Name() const { return name_; }

    // What the server printed, for a failure message.
    std::string Log() const
    {
        std::ifstream in(logName_);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // The language the keymap gives once the layout is set on the server,
    // read by a window (SDL's video) opened on it.
    int LanguageWithLayout(const char* layout) const
    {
        const std::string command = "timeout 60 setxkbmap -display " + name_ + " " + layout;
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
    enum class Started { Ready, Exited, Failed }; // Failed: not spawned, or silent past the limit

    Started Start(int n)
    {
        const std::string display = ":" + std::to_string(n);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logName_.c_str(), O_WRONLY | O_APPEND, 0);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        // -noreset: the layout set by one client outlives it.
        const char* argv[] = {"Xvfb", display.c_str(), "-noreset", "-nolisten", "tcp", "-screen", "0", "320x240x24",
                              nullptr};
        const int failed = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, const_cast<char* const*>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (failed) {
            pid_ = -1;
            return Started::Failed;
        }
        const auto deadline = Clock::now() + kServerStartLimit;
        while (Clock::now() < deadline) {
            if (ServerAnswers(n))
                return Started::Ready;
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) { // it stopped: the number was taken after all
                pid_ = -1;
                return Started::Exited;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        Stop();
        return Started::Failed;
    }
    void Stop()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

    pid_t pid_ = -1;
    std::string name_;
    std::string logName_;
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
