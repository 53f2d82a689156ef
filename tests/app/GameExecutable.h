// Starts the game executable as a player starts it, each copy in a scratch
// folder of its own (with the demo's scripts and data linked in) on a
// private virtual display, and watches its output and exit.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "testing/ScratchDir.h"
#include "tests/platform/PrivateDisplay.h"

namespace game_test {

using namespace std::chrono_literals;
using testwin::ReadText;

// The build folder: named by the environment, else the one this test
// program was built in (<build>/tests/app_tests).
inline std::string BuildDir()
{
    if (const char* dir = std::getenv("OM_BUILD_DIR")) {
        return dir;
    }
    char self[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path(self, n > 0 ? size_t(n) : 0);
    for (int up = 0; up < 2 && !path.empty(); ++up) {
        path.erase(path.find_last_of('/'));
    }
    return path;
}

// Polls the condition every pollInterval until it holds; false when the
// timeout passes first. The timeout only bounds a failure: what a test
// waits for is the condition, never the time.
template <class Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout = 120s,
               std::chrono::milliseconds pollInterval = 50ms)
{
    for (const auto end = std::chrono::steady_clock::now() + timeout;; std::this_thread::sleep_for(pollInterval)) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
    }
}

// Whether the started program has ended (and is reaped).
inline bool Ended(pid_t pid) { return waitpid(pid, nullptr, WNOHANG) == pid; }

class GameExecutable : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_game = BuildDir() + "/tessaran";
        m_root = std::getenv("OM_SOURCE_DIR") ? std::getenv("OM_SOURCE_DIR") : ".";
        ASSERT_EQ(access(m_game.c_str(), X_OK), 0) << "no game executable at " << m_game;
        StartDisplay();
        // The game runs in a folder of its own, so the options and log it
        // writes stay out of the source tree; its scripts and data are the
        // demo's.
        m_scratchDir = std::make_unique<ScratchDir>(ScratchDir::kStayOutside);
        m_scratch = m_scratchDir->Path();
        ASSERT_TRUE(m_scratchDir->LinkDemoData()) << "the demo data is missing: run tools/make-data BUILD_DIR";
    }

    // The game runs full screen and takes the focus: on a display of its own
    // it cannot take it from other tests' windows.
    void StartDisplay()
    {
        m_display = std::make_unique<testwin::PrivateDisplay>(m_screen);
        m_displayName = m_display->Name();
        ASSERT_FALSE(m_displayName.empty()) << "no virtual display could be started:\n" << m_display->Log();
    }

    void TearDown() override
    {
        for (pid_t pid : m_started) {
            if (kill(pid, 0) == 0) {
                kill(pid, SIGKILL);
                waitpid(pid, nullptr, 0);
            }
        }
        m_scratchDir.reset();
        m_display.reset();
    }

    // Starts a copy whose output goes to <scratch>/<name>.log (its lock lives
    // there too, so other runs on this machine do not count); given a
    // terminal, with the developer shell reading from a terminal that the
    // test types into (*terminal: the controlling side).
    pid_t Launch(const std::string& name, bool withDisplay, int* terminal = nullptr)
    {
        const pid_t pid = terminal ? forkpty(terminal, nullptr, nullptr, nullptr) : fork();
        if (pid == 0)
            RunGameInChild(name, withDisplay);
        m_started.push_back(pid);
        return pid;
    }

    // In the forked child: output to the log, the test's environment, the
    // scratch folder as working folder, then the game. Never returns.
    [[noreturn]] void RunGameInChild(const std::string& name, bool withDisplay)
    {
        const std::string output = m_scratch + "/" + name + ".log";
        const int fd = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, STDOUT_FILENO);
        dup2(fd, STDERR_FILENO);
        setenv("XDG_RUNTIME_DIR", m_scratch.c_str(), 1);
        // No sound card on a test machine: a silent output, or the game
        // stops at start-up with its audio error box.
        setenv("ALSOFT_DRIVERS", "null", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        // What a test sets for its copies over these (a sound driver that
        // writes a file, say).
        for (const auto& [variable, value] : m_environment)
            setenv(variable.c_str(), value.c_str(), 1);
        if (withDisplay) {
            setenv("DISPLAY", m_displayName.c_str(), 1);
        } else {
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
        }
        if (chdir(m_scratch.c_str()) != 0)
            _exit(126);
        execl(m_game.c_str(), m_game.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }

    static void Type(int terminal, const std::string& line)
    {
        ASSERT_EQ(write(terminal, line.data(), line.size()), ssize_t(line.size()));
    }

    // Works this copy's start-up dialog as a player would, with one key
    // (Return plays, Escape quits); true once it has been answered.
    bool AnswerStartupDialog(pid_t game, const char* key) { return AnswerWindow(game, StartupDialog(game), key); }
    // The xdotool search criteria of this copy's start-up dialog, and of its message box.
    static std::string StartupDialog(pid_t game) { return WindowOf(game, "Tessaran Demo V1.0"); }
    static std::string MessageBoxOf(pid_t game) { return WindowOf(game, "TessaranApp"); }
    static std::string WindowOf(pid_t game, const std::string& title)
    {
        return "--all --pid " + std::to_string(game) + " --name '^" + title + "$'";
    }

    // Presses the key on the window that the xdotool search finds once it
    // is on the screen, and waits for it to go; again only when it stays up
    // long after (it may not have taken the focus). The window answers one
    // key, so a second press can never answer twice.
    bool AnswerWindow(pid_t game, const std::string& criteria, const char* key)
    {
        if (std::system("command -v xdotool > /dev/null") != 0) {
            ADD_FAILURE() << "xdotool is needed to work the start-up dialog";
            return false;
        }
        const std::string search = "search --onlyvisible " + criteria;
        const std::string find = Xdo(search);
        // Sent to that window alone. The window closes as the key goes down,
        // and xdotool then stops before the release: the key is let go again
        // on its own, or the server would hold it down into the game.
        const std::string press =
            Xdo(search + " windowfocus key --window %1 " + key) + "; " + Xdo(std::string("keyup ") + key);
        bool seen = false, answered = false;
        auto pressed = std::chrono::steady_clock::now();
        WaitUntil(
            [&] {
                if (std::system(find.c_str()) != 0)
                    return (answered = seen) || Ended(game);
                if (!seen || std::chrono::steady_clock::now() - pressed > 20s) {
                    seen = true;
                    std::system(press.c_str());
                    pressed = std::chrono::steady_clock::now();
                }
                return false;
            },
            120s, 100ms);
        return answered;
    }

    std::string Xdo(const std::string& args) const
    {
        return "DISPLAY=" + m_displayName + " xdotool " + args + " > /dev/null 2>&1";
    }

    std::string Output(const std::string& name) const { return ReadText(m_scratch + "/" + name + ".log"); }

    bool WaitForOutput(const std::string& name, const std::string& piece, pid_t pid)
    {
        auto shown = [&] { return Output(name).find(piece) != std::string::npos; };
        return WaitUntil([&] { return shown() || Ended(pid); }) && shown();
    }

    // The exit code as the program returned it (-1 comes back as 255),
    // -1000 when it did not end in time or ended by a signal.
    int WaitForExit(pid_t pid)
    {
        int status = 0;
        if (!WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }))
            return -1000;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1000;
    }

    // The virtual screen: the game runs full screen at its mode, so a screen of
    // the mode's size shows it pixel for pixel.
    std::string m_screen = "1280x1024x24";
    std::vector<std::pair<std::string, std::string>> m_environment;
    std::string m_game;
    std::string m_root;
    std::unique_ptr<ScratchDir> m_scratchDir;
    std::string m_scratch; // its path
    std::vector<pid_t> m_started;
    std::unique_ptr<testwin::PrivateDisplay> m_display;
    std::string m_displayName;
};

} // namespace game_test
