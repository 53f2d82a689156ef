// The demo campaign and its title played through the real program as a
// player plays them: the title's menus, the name, the intro, the load
// screen, the town's trader and smith, the way out, the mission's squad and
// vault door, the new game's save, the game-over question, back to the title
// and out. Input goes in through the X server; what the game shows is read
// back as the display's pixels, what it plays as the wave file its sound
// library writes, and every error it reports is looked for in its output.
// Where walking the party across a level by clicks would be slow and flaky,
// the developer shell places it; the steps the flows check are the player's.
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <numeric>
#include <vector>

#include "ProgramFlow.h"
#include "platform/ImageFile.h"

namespace {

using namespace game_test;

// The intro: a dawn over the desert, sand below and a deep blue sky above.
bool IntroShown(const Screenshot& s)
{
    auto sand = [&](int x, int y) { return s.Red(x, y) > 150 && s.Green(x, y) > 90 && s.Blue(x, y) < 100; };
    return sand(100, 560) && sand(700, 560) && s.Blue(400, 20) > 100 && s.Red(400, 20) < 80;
}

// The load screen: a gold frame round a dark blue page.
bool LoadScreenShown(const Screenshot& s)
{
    return IsGold(s, 22, 300) && IsGold(s, 400, 22) && s.Blue(400, 100) > s.Red(400, 100) + 20 &&
           s.Red(400, 100) < 40;
}

// Play: the HUD's two portrait panels at the foot of the screen (the party's
// health bars red under each) over a drawn world.
bool PlayShown(const Screenshot& s)
{
    auto healthBar = [&](int x, int y) { return s.Red(x, y) > 180 && s.Green(x, y) < 80 && s.Blue(x, y) < 80; };
    return healthBar(100, 585) && healthBar(660, 585) && DrawnPoints(s, 0, 0, kWidth, 460) > 300 &&
           !LoadScreenShown(s);
}

// The pause menu: six gold buttons down the middle.
bool PauseMenuShown(const Screenshot& s) { return GoldButtons(s, 250, 210) == 0x3F; }

// The followed character stands in the middle of the screen, head at about
// y 205 and feet at 350. Lit, its body shows the walker's blue cloth and
// skin; unlit it is black. Counts the body's pixels in either colour, in
// hundredths of the box.
int CentreFigureLitShare(const Screenshot& s)
{
    return s.Count(380, 215, 420, 335, [&](int x, int y) {
        const int r = s.Red(x, y), b = s.Blue(x, y);
        return (b > r + 40 && b > 90) || (r > 150 && r > b + 50);
    }) * 100 / (40 * 120);
}

// Where an entity two steps east of the current character is on the screen
// once the camera has followed: the middle of its body.
constexpr int kBesideX = 530, kBesideY = 285;
// The same for a thing lying on the ground, and for the vault's switch.
constexpr int kItemX = 522, kItemY = 347, kSwitchX = 526, kSwitchY = 312;

// The trade panel: the party's inventory grid on the left, the trader's
// articles (coloured cells) on the right; the trader's first article, and
// the price window an article's click opens on the left (at the article's
// picture, at its top).
constexpr int kTraderCellX = 592, kTraderCellY = 76, kPriceX = 75, kPriceY = 150;
// His picture (a bronze face in a steel frame) is the square that ends the trade.
constexpr int kPictureX = 680, kPictureY = 106;
bool TraderPictureShown(const Screenshot& s)
{
    const int x = kPictureX + 32, y = kPictureY + 30;
    return s.Red(x, y) > 150 && s.Red(x, y) > s.Green(x, y) && s.Green(x, y) > s.Blue(x, y) + 40 &&
           s.Red(kPictureX + 1, kPictureY + 32) > 150 && s.Blue(kPictureX + 1, kPictureY + 32) > 150;
}
bool TradePanelShown(const Screenshot& s)
{
    // An article's icon is a coloured square inside its slot; the level behind is grey.
    auto article = [&](int x, int y) {
        const int r = s.Red(x, y), g = s.Green(x, y), b = s.Blue(x, y);
        return std::max({r, g, b}) - std::min({r, g, b}) > 40;
    };
    return article(528, 76) && article(592, 76) && article(592, 140) && article(208, 76);
}

// The cursor over something a click acts on: a green square round a green dot.
bool SelectCursorAt(const Screenshot& s, int x, int y)
{
    auto green = [&](int dx, int dy) { return s.Green(x + dx, y + dy) > 200 && s.Red(x + dx, y + dy) < 170; };
    return green(-7, -7) && green(6, -7) && green(-7, 6) && green(6, 6) && green(0, 0);
}

// The radar's frame in the top-right corner: its light top and dark right bevels.
bool RadarShown(const Screenshot& s)
{
    auto grey = [&](int x, int y, int level) {
        return std::abs(s.Red(x, y) - level) + std::abs(s.Blue(x, y) - level - 15) < 40;
    };
    return grey(kWidth - 138, 11, 200) && grey(kWidth - 66, 11, 200) && grey(kWidth - 12, 74, 70);
}

// The HUD's info windows: white text on pale tan paper, in a slate frame
// 10 pixels wide.
bool IsWindowPaper(const Screenshot& s, int x, int y)
{
    const int r = s.Red(x, y), g = s.Green(x, y), b = s.Blue(x, y);
    return r >= 165 && r <= 200 && g >= 155 && g <= 190 && b >= 130 && b <= 165 && r - g >= 0 && r - g <= 20 &&
           r - b >= 20 && r - b <= 45;
}
bool IsWindowFrame(const Screenshot& s, int x, int y)
{
    if (x < 0 || y < 0 || x >= s.width || y >= s.height)
        return false;
    const int r = s.Red(x, y), g = s.Green(x, y), b = s.Blue(x, y);
    return b > r + 20 && g > r && r > 70 && r < 110 && b < 140;
}
struct Box {
    int left = kWidth, top = kHeight, right = -1, bottom = -1;
};
// The extent of the paper seen in the rectangle [x0, x1) x [y0, y1).
Box PaperIn(const Screenshot& s, int x0, int y0, int x1, int y1)
{
    Box box;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (IsWindowPaper(s, x, y)) {
                box.left = std::min(box.left, x), box.right = std::max(box.right, x);
                box.top = std::min(box.top, y), box.bottom = std::max(box.bottom, y);
            }
    return box;
}
// The window of this paper is wholly on the screen: its frame shows beyond
// the paper on all four sides.
bool FramedOnScreen(const Screenshot& s, const Box& paper)
{
    const int midX = (paper.left + paper.right) / 2, midY = (paper.top + paper.bottom) / 2;
    return paper.right >= paper.left && IsWindowFrame(s, paper.left - 5, midY) &&
           IsWindowFrame(s, paper.right + 5, midY) && IsWindowFrame(s, midX, paper.top - 5) &&
           IsWindowFrame(s, midX, paper.bottom + 5);
}
// Rows of the rectangle that hold white ink.
std::vector<int> InkRows(const Screenshot& s, int x0, int y0, int x1, int y1)
{
    std::vector<int> rows;
    for (int y = y0; y < y1; ++y)
        if (s.CountBright(x0, y, x1, y + 1, 200) > 0)
            rows.push_back(y);
    return rows;
}
// The lines of text those rows make: runs of rows with ink.
int TextLines(const std::vector<int>& rows)
{
    int lines = 0;
    for (size_t i = 0; i < rows.size(); ++i)
        lines += i == 0 || rows[i] != rows[i - 1] + 1;
    return lines;
}

// A message over play with its one OK button, in the middle: the middle
// of the button (a message of more lines puts it lower), or -1 when no such
// message shows. The button is the one gold bar across the middle with none
// just above or below it.
int OkButtonY(const Screenshot& s)
{
    auto bar = [&](int y) { return IsGold(s, 345, y) && IsGold(s, 455, y); };
    for (int top = 200; top < 480; ++top) {
        if (!bar(top))
            continue;
        int bottom = top;
        while (bottom < 520 && bar(bottom + 1))
            ++bottom;
        const bool button = bottom - top >= 12 && bottom - top <= 40;
        if (button && !IsGold(s, 400, bottom + 24) && !IsGold(s, 345, top - 16) && !IsGold(s, 345, top - 30))
            return (top + bottom) / 2;
        top = bottom;
    }
    return -1;
}
bool OkBoxShown(const Screenshot& s) { return OkButtonY(s) >= 0; }

// A conversation's line is white text on a dark band above the panels,
// x 145..655, its last row of text ending at y 464; the band's backing keeps
// the level behind it far from white. Whether two looks show the same line
// there (nine tenths of their white pixels shared, so the level's glow
// through the letters' soft edges does not count).
constexpr int kLineLeft = 145, kLineRight = 655, kLineTop = 440, kLineBottom = 464;
bool SameLineShown(const Screenshot& a, const Screenshot& b)
{
    const int both = a.Count(kLineLeft, kLineTop, kLineRight, kLineBottom,
                             [&](int x, int y) { return a.Bright(x, y, 200) && b.Bright(x, y, 200); });
    const int either = a.Count(kLineLeft, kLineTop, kLineRight, kLineBottom,
                               [&](int x, int y) { return a.Bright(x, y, 200) || b.Bright(x, y, 200); });
    return either > 40 && both * 10 >= either * 9;
}

// Whether the screen's colour is the picture's, drawn over whatever lay
// behind it: an opaque pixel as it is, a translucent one anywhere between
// its own colour and its colour over white; each channel to within the
// steps of the game's 16-bit screen.
bool ShowsPicturePixel(const Screenshot& s, int x, int y, uint32_t argb)
{
    constexpr int kStep = 8;
    const int alpha = int(argb >> 24);
    for (int shift : {16, 8, 0}) {
        const int own = alpha * int(argb >> shift & 0xFF) / 255, seen = int(s.At(x, y) >> shift & 0xFF);
        if (seen < own - kStep || seen > own + (255 - alpha) + kStep)
            return false;
    }
    return true;
}

using Points = std::vector<std::pair<int, int>>;

// The HUD's menu button, a 64 x 64 picture in the bottom-right corner:
// points of its face and of its bevel's light and dark edges, clear of the
// target's bars that are drawn over its middle while a character is pointed at.
const Points kMenuButtonPoints = {{8, 8}, {56, 8}, {8, 56}, {56, 56}, {32, 52}, {1, 32}, {32, 1}, {62, 32}, {32, 62}};

class CampaignFlow : public ProgramFlow {
protected:
    // Waits for the demo's picture to show at its points, its corner in the
    // screen's bottom-left or bottom-right. A failure lists each point as
    // the screen and the picture have it.
    bool PictureShown(const char* file, bool right, const Points& points, const char* step)
    {
        plat::Image picture;
        std::string error;
        if (!plat::LoadImageFile(m_root + "/data/" + file, picture, nullptr, &error)) {
            ADD_FAILURE() << error;
            return false;
        }
        for (const auto& [x, y] : points) {
            if (x >= int(picture.width) || y >= int(picture.height)) {
                ADD_FAILURE() << file << " holds no point " << x << ", " << y;
                return false;
            }
        }
        const int left = right ? kWidth - int(picture.width) : 0, top = kHeight - int(picture.height);
        auto art = [&](int x, int y) { return picture.At(uint32_t(x), uint32_t(y)); };
        auto shown = [&](const Screenshot& s) {
            return std::all_of(points.begin(), points.end(), [&](const std::pair<int, int>& p) {
                return ShowsPicturePixel(s, left + p.first, top + p.second, art(p.first, p.second));
            });
        };
        if (WaitForScreen(shown, step, 10s))
            return true;
        std::string seen;
        char line[96];
        for (const auto& [x, y] : points) {
            std::snprintf(line, sizeof line, "(%d, %d): %06X on the screen, %08X in the picture\n", x, y,
                          m_shot.width ? m_shot.At(left + x, top + y) : 0u, art(x, y));
            seen += line;
        }
        ADD_FAILURE() << file << " at " << step << ":\n" << seen;
        return false;
    }
    bool MenuButtonShown(const char* step) { return PictureShown("hud/comms.tga", true, kMenuButtonPoints, step); }

    static int PercentChanged(const Screenshot& a, const Screenshot& b, int top = 0, int bottom = kHeight)
    {
        const int changed = a.Count(0, top, kWidth, bottom, [&](int x, int y) { return a.At(x, y) != b.At(x, y); });
        return changed * 100 / (kWidth * (bottom - top));
    }

    // The level's own clock: the game calls the level script's LuaTick once
    // a tick of play, and the shell counts round it (again once a level's
    // script has put its own LuaTick in its place).
    static inline const std::string kLevelTicks =
        "(function() if LuaTick ~= g_countingTick then local tick = LuaTick g_levelTicks = g_levelTicks or 0 "
        "g_countingTick = function() g_levelTicks = g_levelTicks + 1 return tick and tick() or 0 end "
        "LuaTick = g_countingTick end return g_levelTicks end)()";
    int LevelTicks() { return std::atoi(Ask(kLevelTicks).c_str()); }
    bool WaitForLevelSeconds(double seconds)
    {
        const std::string until = std::to_string(LevelTicks()) + " + SecondsToTicks(" + std::to_string(seconds) + ")";
        return WaitForAnswer(kLevelTicks + " >= " + until, "true", 120s);
    }

    // After a jump of the followed character: until the view has begun to
    // move away from `from` (at most 5 s), then until two looks half a
    // second apart differ in under 3% of the screen (the figures' idling
    // aside), at most 20 s. The seconds are the level's own, so the camera
    // has arrived however slowly the machine draws.
    void WaitForStillView(const Screenshot& from)
    {
        for (int look = 0; look < 10 && PercentChanged(from, Grab()) < 5; ++look)
            WaitForLevelSeconds(0.5);
        Screenshot before = Grab();
        for (int look = 0; look < 40; ++look) {
            WaitForLevelSeconds(0.5);
            Screenshot now = Grab();
            if (PercentChanged(before, now) < 3)
                return;
            before = std::move(now);
        }
    }

    // Puts the current character two steps west of the named entity, the
    // camera following: the entity is then on the screen at kBeside.
    void StandWestOf(const char* name)
    {
        const Screenshot from = Grab();
        // Orders from before (a walk to the smith a click began) are
        // dropped: she is put there to stay.
        Run(std::string("local at = ") + name +
            ":GetPosition(); local pc = TsAccess.CurrentCharacter(); pc:SetPosition(GetX(at) - 2, GetY(at), GetZ(at)); "
            "pc:StopMoving()");
        WaitForStillView(from);
    }

    // Ann goes to the town's weapon trader and clicks him; his talk ends in
    // the trade panel.
    void TradeWithTheWeaponTrader()
    {
        ASSERT_NO_FATAL_FAILURE(StandWestOf("WeaponTrader"));
        Click(kBesideX, kBesideY);
        // His lines are moved on with Space, as a player does when the
        // machine is slow; the panel opens when the talk ends.
        auto trading = [&] {
            const bool shown = TradePanelShown(Grab());
            if (!shown)
                MoveTheTalkOn();
            return shown;
        };
        ASSERT_TRUE(WaitUntil(trading, 90s, 200ms))
            << "Ann stands at " << Ask("GetX(Ann:GetPosition()) .. ', ' .. GetZ(Ann:GetPosition())") << "\n"
            << Output(kRun);
        // The panel's opening runs its course: its picture stands in its frame.
        ASSERT_TRUE(WaitForScreen(TraderPictureShown, "trade-panel-open"));
    }

    void EndTheTrade()
    {
        Click(kPictureX + 32, kPictureY + 32);
        ASSERT_TRUE(WaitForScreen([](const Screenshot& s) { return PlayShown(s) && !TraderPictureShown(s); },
                                  "trade-over"));
    }

    // Space moves a running talk on by a line, once a tick has taken the
    // last; false when no talk runs.
    bool MoveTheTalkOn()
    {
        if (Ask("TsAccess.Conversation():HasConversationStarted() == 1") != "true")
            return false;
        Key("space");
        WaitForATick();
        return true;
    }

    // Buys the trader's first article: a click on it shows its price window
    // over the party's grid, and a click on that buys it.
    void BuyTheTradersFirstArticle()
    {
        // The window has come when the place under it changed, and has
        // settled when two looks running show the same there.
        const int x0 = kPriceX - 20, y0 = kPriceY - 20, x1 = kPriceX + 20, y1 = kPriceY + 20;
        const std::vector<uint32_t> before = Grab().Region(x0, y0, x1, y1);
        auto priceShown = StillRegion(x0, y0, x1, y1, [&](const Screenshot&, const std::vector<uint32_t>& now) {
            return std::inner_product(now.begin(), now.end(), before.begin(), size_t(0), std::plus<>(),
                                      std::not_equal_to<>()) > before.size() / 4;
        });
        Click(kTraderCellX, kTraderCellY);
        ASSERT_TRUE(WaitForScreen(priceShown, "price-window"));
        Click(kPriceX, kPriceY);
        ASSERT_TRUE(WaitForAnswer("Ann:GetInventory():GetWeaponCount()", "1", 60s)) << "the blaster bought";
    }

    // The samples played so far: the wave file's 16-bit data runs from its
    // "data" mark to the end (the writer leaves the sizes open until it closes).
    std::vector<int16_t> Samples() const
    {
        std::ifstream in(m_sound, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        const size_t data = std::min(bytes.find("data"), bytes.size()) + 8;
        std::vector<int16_t> samples(data < bytes.size() ? (bytes.size() - data) / 2 : 0);
        std::memcpy(samples.data(), bytes.data() + std::min(data, bytes.size()), samples.size() * 2);
        return samples;
    }
    // Whether more than a murmur is played from now on: the wave file is
    // read until such a sample comes (its writer keeps pace with real time).
    bool HeardFromNow()
    {
        const size_t mark = Samples().size();
        auto heard = [&] {
            const std::vector<int16_t> samples = Samples();
            return std::any_of(samples.begin() + std::ptrdiff_t(std::min(mark, samples.size())), samples.end(),
                               [](int16_t sample) { return std::abs(int(sample)) > 300; });
        };
        return WaitUntil(heard, 20s, 100ms);
    }

    // Space, one tap shorter than a tick, lets the load screen go once the
    // level behind it stands: the shell answers between frames only, so it
    // names the level once the load is done and the screen waits for Space.
    void LeaveTheLoadScreen(const char* level)
    {
        ASSERT_TRUE(WaitForAnswer("TsAccess.LevelInfo().levelName:Get()", level, 60s)) << Output(kRun);
        ASSERT_TRUE(Press("space", [](const Screenshot& s) { return !LoadScreenShown(s); }, level));
    }

    // The mission's objective page waits over the paused level from its
    // first tick, which starts the opening; Escape closes it. Asked, the
    // HUD's menu button is seen over the page and after it.
    void CloseTheObjectivePage(bool seeingTheMenuButton = false)
    {
        ASSERT_TRUE(WaitForAnswer("g_missionIntro", "1", 60s)) << Output(kRun);
        EXPECT_TRUE(!seeingTheMenuButton || MenuButtonShown("menu-button-objective"));
        ASSERT_TRUE(Press("Escape", PlayShown, "mission-play"));
        EXPECT_TRUE(!seeingTheMenuButton || MenuButtonShown("menu-button-mission"));
    }

    // Ann is put on the town's way out (the walk there is the shell's, as
    // the conversation cameras leave the view turned); its trigger carries
    // the party to the mission, past whose load screen this returns.
    void TakeTheWayOutToTheMission()
    {
        Run("local at = wayOut:GetPosition(); Ann:SetPosition(GetX(at), GetY(at), GetZ(at))");
        ASSERT_TRUE(WaitForScreen(LoadScreenShown, "mission-load-screen"));
        ASSERT_NO_FATAL_FAILURE(LeaveTheLoadScreen("Mission"));
    }

    // Leaving the level for the title shows the closing screen (the load
    // screen's picture), which waits for Space from its first showing.
    void LeaveTheClosingScreen()
    {
        ASSERT_TRUE(WaitForScreen(LoadScreenShown, "closing-screen"));
        ASSERT_TRUE(Press("space", MainMenuShown, "title-after-closing"));
    }

    // A level started from the developer shell (once the shell has run the
    // line given at the title), up to its load screen.
    void ToLoadScreenFromTheShell(const std::string& mission, const std::string& atTitle = "")
    {
        ASSERT_NO_FATAL_FAILURE(StartToTitle());
        if (!atTitle.empty())
            Run(atTitle);
        Type(m_terminal, "TestMission('" + mission + "')\n");
        ASSERT_TRUE(WaitForScreen(LoadScreenShown, "shell-load-screen"));
    }

    // The mission from the shell, past its load screen and its objective
    // page, which Escape closes.
    void PlayMissionFromTheShell(const std::string& atTitle = "")
    {
        ASSERT_NO_FATAL_FAILURE(ToLoadScreenFromTheShell("mission", atTitle));
        ASSERT_NO_FATAL_FAILURE(LeaveTheLoadScreen("Mission"));
        ASSERT_NO_FATAL_FAILURE(CloseTheObjectivePage());
    }
};

// The won run: a new game from the title (the name, the intro skipped with a
// key, the load screen let go with Space), the town (a blaster bought from
// the trader, the smith's talk framed by the camera, a pause), the way out
// to the mission (the objective page closed with Escape), the vault key
// picked up, the door opened with the switch, the squad beaten, back to the
// title and out.
TEST_F(CampaignFlow, ANewGameIsPlayedFromTheTitleThroughTheTownToTheWonMission)
{
    ASSERT_NO_FATAL_FAILURE(StartToTitle());
    EXPECT_TRUE(HeardFromNow()) << "the title's music is heard";

    Click(180, MenuButtonY(kNewGame));
    ASSERT_TRUE(WaitForScreen(NameDialogShown, "name-dialog"));
    // The name's box takes the keys of a tick before it looks at Return.
    std::system(Xdo(kFocus + " type ann").c_str());
    ASSERT_TRUE(Press("Return", [](const Screenshot& s) { return !NameDialogShown(s); }, "name-given"));
    ASSERT_TRUE(WaitForScreen(IntroShown, "intro"));
    ASSERT_TRUE(Press("Escape", LoadScreenShown, "load-screen"));
    const std::string radar = "Initialising static radar", out = Output(kRun);
    const size_t made = out.find(radar);
    EXPECT_TRUE(made != std::string::npos && out.find(radar, made + 1) == std::string::npos) << "made once\n" << out;
    ASSERT_NO_FATAL_FAILURE(LeaveTheLoadScreen("Town"));
    ASSERT_TRUE(WaitForScreen(PlayShown, "town"));
    EXPECT_TRUE(MenuButtonShown("menu-button-town"));
    // Ann stands where no lamp falls on the side the camera sees: the town's
    // daylight lights her, not black.
    EXPECT_TRUE(WaitForScreen([](const Screenshot& s) { return CentreFigureLitShare(s) >= 30; }, "town-party-lit", 10s))
        << CentreFigureLitShare(m_shot) << "% of her body lit";
    std::vector<std::string> saves;
    for (const auto& file : std::filesystem::directory_iterator(m_scratch + "/Save Games"))
        saves.push_back(file.path().filename().string());
    ASSERT_EQ(saves.size(), 1u);
    EXPECT_EQ(strcasecmp(saves[0].c_str(), "ann [1] - Town"), 0) << saves[0];
    EXPECT_TRUE(HeardFromNow()) << "the town's sound is heard";

    EXPECT_EQ(Ask("TsAccess.LocalPlayer():GetKitty()"), "100");
    ASSERT_NO_FATAL_FAILURE(TradeWithTheWeaponTrader());
    EXPECT_TRUE(MenuButtonShown("menu-button-trade"));
    // The money window stands whole where the radar was.
    auto money = [](const Screenshot& s) { return PaperIn(s, kPictureX - 80, kPictureY + 64, kWidth, kHeight); };
    EXPECT_TRUE(
        WaitForScreen([&](const Screenshot& s) { return FramedOnScreen(s, money(s)) && !RadarShown(s); }, "money"));
    ASSERT_NO_FATAL_FAILURE(BuyTheTradersFirstArticle());
    EXPECT_EQ(Ask("TsAccess.LocalPlayer():GetKitty()"), "40") << "the blaster's price paid";
    EXPECT_TRUE(TraderPictureShown(Grab()));
    ASSERT_NO_FATAL_FAILURE(EndTheTrade());
    EXPECT_TRUE(MenuButtonShown("menu-button-after-trade"));

    // The smith: the view turned back to the heading the trader's talk's
    // camera set out from, and the two put side by side, are setup steps; a
    // click on him starts his talk (its lines on the screen are the
    // in-process CampaignLevel test's), and the camera frames the two.
    const Screenshot from = Grab();
    Run("TsAccess.CutScene():RotateCamera(0, 0); Ann:SetPosition(11, 0, 6); Ann:StopMoving()");
    // A view raised over a wall comes down only after four seconds of the
    // game's own time.
    ASSERT_TRUE(WaitForLevelSeconds(5)) << Output(kRun);
    WaitForStillView(from);
    const Screenshot before = Grab();
    Run("Smith:SetPosition(13, 0, 6)");
    EXPECT_TRUE(ClickUntil(kBesideX, kBesideY, "g_townTalked", "1", 20s)) << Output(kRun);
    // The middle of the view, between the radar above and the talk's lines
    // below, which come and go with any talk.
    EXPECT_TRUE(WaitForScreen([&](const Screenshot& s) { return PercentChanged(before, s, 150, 350) > 30; },
                              "talk-framed", 15s))
        << "the camera framed the smith and Ann";
    // Nobody pressing Space, a line stays to be read: one is still on the
    // band after three seconds of the level's time from when it was first
    // seen (the clock read after that look, and before the last).
    const int threeSeconds = std::atoi(Ask("SecondsToTicks(3)").c_str());
    Screenshot seen = Grab();
    int since = LevelTicks(), held = 0;
    WaitUntil([&] {
        const int at = LevelTicks();
        Screenshot now = Grab();
        if (SameLineShown(seen, now)) {
            held = at - since;
        } else {
            seen = std::move(now);
            since = LevelTicks();
        }
        return held >= threeSeconds;
    }, 60s);
    EXPECT_GE(held, threeSeconds) << "ticks the longest line of the smith's talk was on the screen";
    for (int line = 0; line < 10 && MoveTheTalkOn(); ++line) {
    }
    EXPECT_EQ(Ask("TsAccess.Conversation():HasConversationStarted() == 1"), "false");

    ASSERT_TRUE(Press("Escape", PauseMenuShown, "town-pause-menu"));
    ASSERT_TRUE(Press("Escape", [](const Screenshot& s) { return PlayShown(s) && !PauseMenuShown(s); },
                      "town-after-pause"));
    EXPECT_TRUE(HeardFromNow()) << "the town's sound is heard after the pause";

    ASSERT_NO_FATAL_FAILURE(TakeTheWayOutToTheMission());
    EXPECT_EQ(Ask("TsAccess.LocalPlayer():GetTeamCount()"), "2") << "the party came along";
    // The Escape that closes the objective page opens no pause menu: the
    // level runs on, and the opening ends.
    ASSERT_NO_FATAL_FAILURE(CloseTheObjectivePage(true));
    EXPECT_TRUE(WaitForAnswer("g_missionIntro", "0", 60s)) << "the opening ends";
    EXPECT_FALSE(PauseMenuShown(Grab()));

    ASSERT_NO_FATAL_FAILURE(StandWestOf("vaultKey"));
    ASSERT_TRUE(ClickUntil(kItemX, kItemY, "vaultKey:HasOwner()", "1", 20s)) << Output(kRun);
    ASSERT_NO_FATAL_FAILURE(StandWestOf("vaultSwitch"));
    // The switch works the door each time: one click, waited for.
    Click(kSwitchX, kSwitchY);
    ASSERT_TRUE(WaitForAnswer("vaultDoor:IsOpen()", "1", 60s)) << Output(kRun);

    // The open door lets the hall's squad at the party, which beats it: the
    // mission is won, its message's OK (a click) leaves for the title
    // through the closing screen.
    ASSERT_TRUE(WaitForScreen(OkBoxShown, "won", 120s));
    EXPECT_EQ(Ask("g_missionWon"), "1");
    Click(400, OkButtonY(m_shot));
    ASSERT_NO_FATAL_FAILURE(LeaveTheClosingScreen());
    ASSERT_NO_FATAL_FAILURE(QuitFromTitle());
}

// The lost run: the mission started from the shell, the party worn down and
// put among the hall's squad (setup steps), the game-over scene and its
// question answered "Main Menu" with a click, back to the title and out.
// Loading a save from the title's list is the title screens' test's.
TEST_F(CampaignFlow, AFallenPartyIsAskedTheGameOverQuestionAndMainMenuLeadsToTheTitle)
{
    ASSERT_NO_FATAL_FAILURE(PlayMissionFromTheShell());

    Run("Ann:SetHealth(1); Bob:SetHealth(1); Ann:SetVitality(0); Bob:SetVitality(0); local g = guard1:GetPosition(); "
        "Ann:SetPosition(GetX(g) + 1, GetY(g), GetZ(g)); Bob:SetPosition(GetX(g) + 1, GetY(g), GetZ(g) + 1)");
    ASSERT_TRUE(WaitForScreen(QuestionShown, "game-over-question", 90s));
    Click(400, kNoY); // "Main Menu"
    ASSERT_NO_FATAL_FAILURE(LeaveTheClosingScreen());
    ASSERT_NO_FATAL_FAILURE(QuitFromTitle());
}

// The HUD's text where a player reads it, in the town: Ann's details (a
// right click on her portrait) and the count in her weapon's slot at the
// screen's foot, both of numbers a script set past the int range: her most
// health 1e30, and a radiation generator charged 1e30 in her hand.
TEST_F(CampaignFlow, TheHudsWindowsAndCountsShowWhollyOnTheScreen)
{
    ASSERT_NO_FATAL_FAILURE(ToLoadScreenFromTheShell("town"));
    ASSERT_NO_FATAL_FAILURE(LeaveTheLoadScreen("Town"));
    ASSERT_TRUE(WaitForScreen(PlayShown, "town"));

    // Her details open over the panels, left of the money window: her name,
    // her description over two lines, her role, vitality, and health over
    // two (its most has ten digits).
    Run("Ann:SetMaxHealth(1e30)");
    auto details = [](const Screenshot& s) { return PaperIn(s, 0, 380, 280, kHeight); };
    Click(97, 545, 3);
    EXPECT_TRUE(WaitForScreen([&](const Screenshot& s) { return FramedOnScreen(s, details(s)); }, "details"));
    const Box paper = details(m_shot);
    EXPECT_EQ(TextLines(InkRows(m_shot, paper.left, paper.top, paper.right + 1, paper.bottom + 1)), 7)
        << "rows of text in " << paper.left << ", " << paper.top << " to " << paper.right << ", " << paper.bottom;
    Click(97, 545); // a click on her portrait closes them
    EXPECT_TRUE(WaitForScreen([&](const Screenshot& s) { return !FramedOnScreen(s, details(s)); }, "details-closed"));

    // The count is drawn 46 pixels into the 64-pixel slot, bottom-left; a
    // row clear of its ink lies between it and the screen's edge. It is
    // read once the slot shows the generator (a blaster's green) and looks
    // the same twice running.
    Run("local gun = TsWeaponObject:new(); WeaponTemplateBlaster(gun); gun:Import(); local a = gun:Attributes(false); "
        "a:SetWeaponType(TS_WEAPON_RADIATION_GENERATOR); a:SetStun(1e30); local pack = Ann:GetInventory(); "
        "pack:AddArticle(gun); pack:EquipArticle(gun)");
    auto countRows = [](const Screenshot& s) { return InkRows(s, 0, kHeight - 64, 64, kHeight); };
    auto settled = StillRegion(0, kHeight - 64, 64, kHeight, [&](const Screenshot& s, auto&) {
        return s.Green(32, kHeight - 40) > s.Red(32, kHeight - 40) + 60 && !countRows(s).empty();
    });
    EXPECT_TRUE(WaitForScreen(settled, "count", 20s));
    const std::vector<int> rows = countRows(m_shot);
    ASSERT_FALSE(rows.empty());
    EXPECT_LT(rows.back(), kHeight - 2) << "the count's lowest row of ink";
    ExpectNoErrors();
}

TEST_F(CampaignFlow, AClickOnAFallenTradersBodyStartsNoTalkAndNoTrade)
{
    ASSERT_NO_FATAL_FAILURE(ToLoadScreenFromTheShell("town"));
    ASSERT_NO_FATAL_FAILURE(LeaveTheLoadScreen("Town"));
    ASSERT_NO_FATAL_FAILURE(StandWestOf("WeaponTrader"));
    Run("WeaponTrader:IncrementHealth(-WeaponTrader:GetMaxHealth())");
    std::system(Xdo(kFocus + " mousemove " + OnDesktop(kItemX, kItemY)).c_str());
    ASSERT_TRUE(WaitForScreen([](const Screenshot& s) { return SelectCursorAt(s, kItemX, kItemY); }, "body", 10s));
    Click(kItemX, kItemY);
    WaitForATick();
    EXPECT_EQ(Ask("TsAccess.Conversation():HasConversationStarted() == 1"), "false");
    EXPECT_FALSE(TradePanelShown(Grab()));
    ExpectNoErrors();
}

// The game on a desktop larger than its picture, which the display cannot
// switch to the game's size: the picture is shown scaled to the desktop.
class ScaledCampaignFlow : public CampaignFlow {
protected:
    void SetUp() override
    {
        m_shown.desktopWidth = 1024, m_shown.desktopHeight = 768;
        CampaignFlow::SetUp();
    }
};

TEST_F(ScaledCampaignFlow, TheMenuButtonInThePicturesCornerShowsInTownTradeAndMission)
{
    ASSERT_NO_FATAL_FAILURE(ToLoadScreenFromTheShell("town"));
    ASSERT_NO_FATAL_FAILURE(LeaveTheLoadScreen("Town"));
    ASSERT_TRUE(WaitForScreen(PlayShown, "town"));
    EXPECT_TRUE(MenuButtonShown("menu-button-town"));
    ASSERT_NO_FATAL_FAILURE(TradeWithTheWeaponTrader());
    EXPECT_TRUE(MenuButtonShown("menu-button-trade"));
    ASSERT_NO_FATAL_FAILURE(EndTheTrade());
    EXPECT_TRUE(MenuButtonShown("menu-button-after-trade"));
    ASSERT_NO_FATAL_FAILURE(TakeTheWayOutToTheMission());
    ASSERT_NO_FATAL_FAILURE(CloseTheObjectivePage(true));
    ExpectNoErrors();
}

// The first portrait panel's plate, a 192 x 64 picture in the bottom-left
// corner, is drawn whole at the default texture detail and at the lowest
// (where the device holds it 128 texels wide): right of the portrait and
// clear of the icons and bars, its face and its right bevel are where the
// picture has them. The detail is set at the title, before the mission.
TEST_F(CampaignFlow, TheHudPlateIsDrawnWholeAtTheDefaultAndTheLowestTextureDetail)
{
    // Columns of the face, then the bevel's outer columns (its inner one is
    // blurred with the face where the picture is held smaller).
    Points plate;
    for (int x : {160, 170, 180, 190, 191})
        for (int y : {20, 30, 33})
            plate.push_back({x, y});
    for (const auto& [detail, name] : {std::pair{2, "default"}, std::pair{0, "lowest"}}) {
        SCOPED_TRACE(std::string("texture detail ") + name);
        ASSERT_NO_FATAL_FAILURE(
            PlayMissionFromTheShell("TsAccess.Options():SetTexDetailLevel(" + std::to_string(detail) + ")"));
        EXPECT_TRUE(PictureShown("hud/plate.tga", false, plate, "plate"));
        ExpectNoErrors();
        kill(m_game_pid, SIGKILL);
        waitpid(m_game_pid, nullptr, 0);
        close(m_terminal);
        m_terminal = -1;
    }
}

} // namespace
