// The game executable itself, started as a player starts it: its start-up
// dialog, and a clear message when it cannot start.
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

#include "GameExecutable.h"
#include "ScreenGrab.h"
#include "game/framework/TsStartupDialogWindow.h"
#include "platform/ImageFile.h"

namespace {

using game_test::GameExecutable;
using namespace std::chrono_literals;

// The start-up dialog shows its picture: the panel's pixels on the screen
// are the demo's art, as the file holds them. Played on a damaged animation
// database, the game's failure box then answers Return, as players expect,
// and the game ends.
TEST_F(GameExecutable, TheStartUpDialogShowsItsPicture)
{
    const std::string data = m_scratch + "/data";
    ASSERT_EQ(unlink(data.c_str()), 0);
    ASSERT_EQ(mkdir(data.c_str(), 0755), 0);
    for (const auto& entry : std::filesystem::directory_iterator(m_root + "/data"))
        if (entry.path().filename() != "animdb.tsa")
            std::filesystem::create_symlink(entry.path(), data + "/" + entry.path().filename().string());
    std::ofstream(data + "/animdb.tsa") << "damaged";
    plat::Image art;
    std::string error;
    ASSERT_TRUE(plat::LoadImageFile(m_root + "/data/frontend/startup.tga", art, nullptr, &error)) << error;
    const auto panel = TsStartupDialogWindow::kPictureRect;
    ASSERT_EQ(int(art.width), panel.w) << "the art is made for the panel";
    ASSERT_EQ(int(art.height), panel.h);

    const pid_t game = Launch("picture", true);
    // Where the dialog window stands on the screen (no window manager: its
    // own position, without a frame).
    const std::string query = "DISPLAY=" + m_displayName + " xdotool search --sync " + StartupDialog(game) +
                              " getwindowgeometry --shell 2>/dev/null";
    int x = -1, y = -1;
    int matching = 0;
    auto drawn = [&] {
        if (FILE* out = popen(query.c_str(), "r")) {
            char line[128];
            while (std::fgets(line, sizeof line, out)) {
                std::sscanf(line, "X=%d", &x);
                std::sscanf(line, "Y=%d", &y);
            }
            pclose(out);
        }
        if (x < 0 || y < 0)
            return false;
        const int left = x + panel.x, top = y + panel.y;
        const game_test::Screenshot shot = game_test::GrabScreen(m_displayName, left + panel.w, top + panel.h);
        auto same = [&](int sx, int sy) {
            return shot.At(sx, sy) == (art.At(uint32_t(sx - left), uint32_t(sy - top)) & 0xFFFFFF);
        };
        matching = shot.pixels.empty() ? 0 : shot.Count(left, top, left + panel.w, top + panel.h, same);
        return matching >= panel.w * panel.h * 9 / 10;
    };
    EXPECT_TRUE(game_test::WaitUntil(drawn, 120s, 200ms))
        << matching << " pixels as the art's at " << x << ", " << y << "\n" << Output("picture");
    EXPECT_EQ(Output("picture").find("picture is missing"), std::string::npos) << Output("picture");
    ASSERT_TRUE(AnswerStartupDialog(game, "Return")) << Output("picture");
    ASSERT_TRUE(WaitForOutput("picture", "Animation database initialisation error", game)) << Output("picture");
    EXPECT_TRUE(AnswerWindow(game, MessageBoxOf(game), "Return")) << Output("picture");
    EXPECT_EQ(WaitForExit(game), 0) << Output("picture");
}

TEST_F(GameExecutable, WithoutADisplayItSaysWhyAndEndsWithZero)
{
    const pid_t game = Launch("nodisplay", false);
    EXPECT_EQ(WaitForExit(game), 0);
    const std::string output = Output("nodisplay");
    EXPECT_NE(output.find("TessaranApp: Error: there is no display"), std::string::npos) << output;
}

} // namespace
