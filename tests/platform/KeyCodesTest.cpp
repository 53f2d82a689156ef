#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
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

namespace {

// An X server of the test's own, so changing its keyboard layout cannot
// touch the shared display other tests type on.
class PrivateDisplay {
public:
    PrivateDisplay()
    {
        int ready[2];
        if (pipe(ready) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            close(ready[0]);
            const std::string fd = std::to_string(ready[1]);
            // -noreset: the layout set by one client outlives it.
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-noreset", "-nolisten", "tcp", "-screen", "0",
                   "320x240x24", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(ready[1]);
        // The server writes its number once it is up, and the newline in a
        // write of its own: closing the pipe before that newline arrives
        // makes the second write fail, and the server stops.
        std::string number;
        char c = 0;
        while (read(ready[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(ready[0]);
        if (c == '\n' && !number.empty())
            name_ = ":" + number;
    }
    ~PrivateDisplay()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& Name() const { return name_; }
    // The language the keymap gives once the layout is set on the server,
    // read by a window (SDL's video) opened on it.
    int LanguageWithLayout(const char* layout) const
    {
        const std::string command = "setxkbmap -display " + name_ + " " + layout;
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
    pid_t pid_ = -1;
    std::string name_;
};

} // namespace

TEST(KeyCodes, KeysGiveTheCodeOfTheirPlaceAndTheLayoutLanguageComesFromTheServersKeymap)
{
    // Key codes run along the rows of the main block: Q to P, A to L, Z to M.
    constexpr std::string_view rows[] = {"qwertyuiop", "asdfghjkl", "zxcvbnm"};
    constexpr int rowStart[] = {16, 30, 44};
    for (int r = 0; r < 3; ++r) {
        for (size_t i = 0; i < rows[r].size(); ++i)
            EXPECT_EQ(plat::KeyCodeFromScancode(sc::A + (rows[r][i] - 'a')), rowStart[r] + int(i)) << rows[r][i];
    }
    for (int i = 0; i < 10; ++i) { // SDL orders 1..9, 0 like the keyboard
        EXPECT_EQ(plat::KeyCodeFromScancode(sc::Num1 + i), 2 + i);
        EXPECT_EQ(plat::KeyCodeFromScancode(sc::F1 + i), 59 + i);
    }
    // Scancode, key code: F11, F12; left and right control, shift, alt and
    // logo keys; Return and keypad Enter; keypad 1; Escape, Space, the
    // arrows; the key beside Enter is one key whatever the keyboard calls it.
    const int cases[][2] = {{68, 87},  {69, 88},  {224, 29}, {228, 157}, {225, 42}, {229, 54}, {226, 56},
                            {230, 184}, {227, 219}, {231, 220}, {40, 28},  {88, 156}, {89, 79},  {41, 1},
                            {44, 57},  {82, 200}, {80, 203}, {79, 205}, {81, 208}, {50, 43},  {sc::Backslash, 43}};
    for (const auto& c : cases)
        EXPECT_EQ(plat::KeyCodeFromScancode(c[0]), c[1]) << "scancode " << c[0];
    EXPECT_EQ(plat::ScancodeFromKeyCode(43), sc::Backslash);
    // Codes and scancodes outside the tables have no key.
    for (auto [scancode, code] : {std::pair{-1, -1}, {512, 256}})
        EXPECT_EQ(plat::KeyCodeFromScancode(scancode) | plat::ScancodeFromKeyCode(code), 0) << scancode;

    // The layout language comes from the server's keymap.
    PrivateDisplay display;
    ASSERT_FALSE(display.Name().empty()) << "Xvfb did not start";
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
