// The demo campaign's two levels played in the real application: the town
// (the party, the trader, the smith's conversation, the way out) and the
// mission (the hostile squad on its patrol, the vault door with its lock,
// key and switch, the mine, the stash, the weapon, the opening cut scene
// and the objective). Each starts as a new game does and plays a while
// with nothing logged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "engine/OmCamera.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsCamera.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsInput.h"
#include "game/framework/TsLoadScreen.h"
#include "game/framework/TsScriptHost.h"
#include "game/level/TsCutScene.h"
#include "game/level/TsLevel.h"
#include "game/level/TsLevelInfo.h"
#include "game/objects/TsCollectibleObject.h"
#include "game/objects/TsConversation.h"
#include "game/objects/TsDoorObject.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsLevelCursor.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsSquadObject.h"
#include "game/objects/TsSwitchObject.h"
#include "game/objects/TsWeaponObject.h"
#include "platform/EventInjection.h"
#include "platform/Window.h"
#include "tests/app/ActiveSquads.h"
#include "tests/app/AppFixture.h"
#include "tests/game/framework/LogCapture.h"
#include "tests/game/framework/ScratchDir.h"
#include "ui/TsGameFrontEnd.h"
#include "ui/TsGuiButton.h"
#include "ui/TsGuiDraw.h"
#include "ui/TsGuiMessageBox.h"
#include "ui/TsGuiWindow.h"
#include "ui/TsHUDe.h"
#include "ui/TsInGameWindows.h"

using namespace apptest;

namespace {

namespace fs = std::filesystem;

long ResidentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

class CampaignLevel : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        const fs::path home = fs::current_path();
        scratch = std::make_unique<ScratchDir>();
        fs::create_directory_symlink(home / "scripts", "scripts");
        fs::create_directory_symlink(home / "data", "data");
        TsMain::SetModeFactory(TS_MODE_LEVEL, &TsLevel::Make);
        Start();
    }
    void TearDown() override
    {
        AppTest::TearDown();
        scratch.reset();
    }

    // The fixture's log takes every line from the start: a second capture
    // would take the hook over and leave it empty when it goes.
    void Play(const char* mission)
    {
        ASSERT_TRUE(app->StartMission("Ann", "OnNewGame", mission, 0)) << log.All();
        app->RequestMode(TS_MODE_LEVEL);
        FrameAfter(10);
        ASSERT_NE(Level(), nullptr);
        PassLoadScreen();
        ASSERT_NE(Level()->GetWorld(), nullptr);
        // The pointer starts in the window's corner, where it turns the
        // camera: it rests in the middle before the test's own moves.
        int width = 0, height = 0;
        app->GetWindow()->GetClientSize(width, height);
        plat::InjectMouseMove(*app->GetWindow(), width / 2, height / 2);
    }
    // Space, pressed and let go, takes the load screen away.
    void PassLoadScreen()
    {
        PressKey(TsLoadScreen::kSpaceKey);
        Frames(1, 100);
        ASSERT_TRUE(plat::InjectKey(*app->GetWindow(), TsLoadScreen::kSpaceKey, false));
        Frames(2, 100);
    }
    // The closing screen holds the switch to the title until Space.
    void PassTheClosingScreenToTheTitle()
    {
        ASSERT_NE(Level(), nullptr);
        PassLoadScreen();
        Frames(1, 100);
        EXPECT_EQ(Level(), nullptr);
        ASSERT_NE(app->GetMode(), nullptr);
        EXPECT_EQ(app->GetMode()->GetModeType(), TS_MODE_FRONT_END);
    }
    TsLevel* Level() const { return TsAccess::CurrentLevel(); }
    int Run(const char* text) { return TsScriptHost::DoString(TsAccess::LuaState(), text); }
    double Number(const char* name)
    {
        double value = -1.0;
        return TsScriptHost::GetGlobalNumber(TsAccess::LuaState(), name, &value) ? value : -1.0;
    }
    TsEntity* Entity(const char* name)
    {
        for (OmList::Node* n = Level()->GetEntityDB()->GetEntities().GetFirst(); n; n = n->next) {
            auto* entity = TsEntity::Cast(static_cast<OmObject*>(n->value));
            if (entity && entity->GetName() && std::string(entity->GetName()) == name)
                return entity;
        }
        return nullptr;
    }
    bool Named(const char* name)
    {
        for (OmList::Node* n = Level()->GetEntityDB()->GetEntities().GetFirst(); n; n = n->next) {
            auto* object = static_cast<TsObject*>(n->value);
            if (object && object->GetName() && std::string(object->GetName()) == name)
                return true;
        }
        return false;
    }
    // What was logged as an error (red), one line each.
    static std::string Errors(const LogCapture& log)
    {
        std::string errors;
        for (const LoggedLine& line : log.Lines())
            if (line.colour.r == 255 && line.colour.g == 0 && line.colour.b == 0)
                errors += line.text + "\n";
        return errors;
    }
    void Ticks(int count)
    {
        for (int i = 0; i < count; ++i)
            Level()->Tick(++tick);
    }

    // ---- the player's hands: keys and the mouse, through SDL's queue ----

    // Down for a frame, then up again, so the next tap is a new press.
    void Tap(int key)
    {
        PressKey(key);
        Frames(1, 100);
        ASSERT_TRUE(plat::InjectKey(*app->GetWindow(), key, false));
        Frames(1, 100);
    }
    void Point(int x, int y)
    {
        plat::InjectMouseMove(*app->GetWindow(), x, y);
        Frames(2, 100);
    }
    // A click of a mouse button (0 left, 1 right) where the pointer is.
    void Click(int button = 0)
    {
        plat::InjectMouseButton(*app->GetWindow(), button, true);
        Frames(1, 100);
        plat::InjectMouseButton(*app->GetWindow(), button, false);
        Frames(1, 100);
    }
    void ClickAt(int x, int y, int button = 0)
    {
        Point(x, y);
        Click(button);
    }
    // Where a point of the world is on the screen, through the level's
    // camera: the inverse of the cursor's pick ray.
    bool ScreenOf(const OmVector3& at, int& x, int& y)
    {
        const OmCamera* camera = Level()->GetCamera()->GetSceneCamera();
        if (!camera)
            return false;
        const OmVector3 d = at - camera->GetPosition();
        const float depth = d.Dot(camera->GetForward());
        const OmProjection& view = camera->GetProjection();
        if (depth <= view.nearDistance)
            return false;
        const float nx = view.nearDistance * d.Dot(camera->GetRight()) / depth / view.halfWidth;
        const float ny = -view.nearDistance * d.Dot(camera->GetUp()) / depth / view.halfHeight;
        int width = 0, height = 0;
        app->GetWindow()->GetClientSize(width, height);
        x = int((nx + 1.0f) * 0.5f * float(width));
        y = int((ny + 1.0f) * 0.5f * float(height));
        return x >= 0 && y >= 0 && x < width && y < height;
    }
    // Points at the middle of an entity (where the cursor finds it) and
    // clicks once the view holds still under the pointer; false when it is
    // off the screen or the cursor does not find it.
    bool ClickOn(TsEntity* entity, int button = 0)
    {
        for (int attempt = 0; attempt < 10; ++attempt) {
            int x = 0, y = 0, again_x = 0, again_y = 0;
            if (!ScreenOf(MiddleOf(entity), x, y))
                return false;
            Point(x, y);
            if (ScreenOf(MiddleOf(entity), again_x, again_y) && again_x == x && again_y == y &&
                TsAccess::LevelCursor()->GetHovered() == entity) {
                Click(button);
                return true;
            }
        }
        return false;
    }
    // A click on the ground at (x, z) sends the current character there;
    // true once it stands within a step of it.
    bool WalkTo(float x, float z)
    {
        int sx = 0, sy = 0;
        if (!ScreenOf(OmVector3(x, 0.0f, z), sx, sy))
            return false;
        ClickAt(sx, sy);
        const TsEntity* walker = TsAccess::CurrentCharacter();
        return StepUntil([&] {
            const OmVector3 d = walker->GetPosition() - OmVector3(x, walker->GetPosition().y, z);
            return d.Length() < 0.75f;
        }, 150);
    }
    static OmVector3 MiddleOf(const TsEntity* entity)
    {
        OmVector3 middle = entity->GetPosition();
        middle.y += 0.5f * entity->GetHeight();
        return middle;
    }
    // The trader's picture's top-left corner, right of the two grids.
    static void TradePicturePoint(int& px, int& py)
    {
        int gx = 0, gy = 0;
        TsHUDe::GetGridOrigin(0, gx, gy);
        px = int(float(TsAccess::ScreenWidth() - gx - 448 - 64) * 0.5f + float(gx + 448));
        py = gy - 2;
    }
    static int Red(uint32_t p) { return int(p >> 16 & 0xFF); }
    static int Green(uint32_t p) { return int(p >> 8 & 0xFF); }
    static int Blue(uint32_t p) { return int(p & 0xFF); }
    // Pixels of the rectangle [x0, x1) x [y0, y1) that pass the test.
    template <typename Test>
    static int Count(const std::vector<uint32_t>& screen, int width, int x0, int y0, int x1, int y1, Test test)
    {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += test(screen[size_t(y) * width + x]) ? 1 : 0;
        return n;
    }
    TsPCObject* Member(const char* name) { return static_cast<TsPCObject*>(TsAccess::LocalPlayer()->GetCharacter(name)); }
    TsGameFrontEnd* Menu() const { return TsAccess::GameFrontEnd(); }
    const char* TopWindow() const
    {
        return Menu() && Menu()->GetTopWindow() ? Menu()->GetTopWindow()->GetName() : "";
    }
    // The mission opens with its objective page; Return closes it.
    void CloseObjective()
    {
        ASSERT_STREQ(TopWindow(), "objective");
        Tap(kReturnKey);
        ASSERT_FALSE(Menu()->HasOpenWindows());
    }

    // Past the objective page and the opening cut scene, ready to play.
    void StartMissionPlay()
    {
        ASSERT_NO_FATAL_FAILURE(CloseObjective());
        ASSERT_TRUE(StepUntil([&] { return Number("g_missionIntro") == 0.0; }, 60)) << "the opening ends";
        ASSERT_FALSE(Level()->GetCutScene()->IsCutSceneActive());
        Frames(5, 100);
        const OmVector3 eye = Level()->GetCamera()->GetSceneCamera()->GetPosition();
        ASSERT_LT(std::fabs(eye.x - Member("Ann")->GetPosition().x), 1.0f) << "the camera is back on the party";
    }
    // Clicks a button of the message box on top of the in-game menu.
    void ClickButton(int index)
    {
        auto* box = dynamic_cast<TsGuiMessageBox*>(Menu()->GetTopWindow());
        ASSERT_NE(box, nullptr);
        TsGuiButton* button = box->GetButton(index);
        ASSERT_NE(button, nullptr);
        Point(int(GuiToPixelsX(button->GetX() + button->GetWidth() / 2.0f)),
              int(GuiToPixelsY(button->GetY() + button->GetHeight() / 2.0f)));
        Click();
    }
    // Ann fetches the vault key and works the switch, by orders rather
    // than clicks (the door's own test clicks), two ticks a frame.
    void OpenVault()
    {
        TsPCObject* ann = Member("Ann");
        auto* key = dynamic_cast<TsCollectibleObject*>(Entity("vaultKey"));
        auto* door = TsDoorObject::Cast(Entity("vaultDoor"));
        ASSERT_TRUE(key && door);
        ann->UseEntity(key);
        ASSERT_TRUE(TicksUntil(200, [&] { return ann->GetInventory()->Holds(key); })) << "the key picked up";
        ann->UseEntity(Entity("vaultSwitch"));
        ASSERT_TRUE(TicksUntil(200, [&] { return door->IsOpen() && door->GetTransitionState() == TsDoorObject::kStill; }))
            << "the door opened";
        FrameAfter(100); // the open door's ground is walkable from the next tick
    }
    // Frames of two ticks each until the condition holds, at most limit
    // ticks: the game's clock runs, as shots and timers need.
    bool TicksUntil(int limit, const std::function<bool()>& condition)
    {
        return StepUntil(condition, limit / 2, 0.0, 2 * kTickUnits);
    }
    std::vector<TsCharacterObject*> Guards()
    {
        std::vector<TsCharacterObject*> guards;
        for (const char* name : {"guard1", "guard2", "guard3"})
            if (auto* guard = dynamic_cast<TsCharacterObject*>(Entity(name)))
                guards.push_back(guard);
        return guards;
    }

    // The party, worn down to a point of health each and too weary to fight
    // back, walks up to the squad in the hall, until the game-over question.
    void WalkIntoTheSquadAndFall()
    {
        ASSERT_NO_FATAL_FAILURE(StartMissionPlay());
        ASSERT_NO_FATAL_FAILURE(OpenVault());
        for (const char* name : {"Ann", "Bob"}) {
            TsPCObject* pc = Member(name);
            pc->SetHealth(1.0f);
            pc->SetVitality(0.0f);
            pc->SetVitalityRecovery(0.0f);
            pc->SetAutoAttack(false); // too weary to fight back
        }
        // They walk up to the nearest guard until the squad hears them.
        ASSERT_TRUE(StepUntil([&] {
            for (const char* name : {"Ann", "Bob"}) {
                TsPCObject* pc = Member(name);
                if (pc->GetPendingCommand() == 0 && !pc->HasFlag(TS_ENTITY_DEAD))
                    pc->MoveTo(Guards()[0]->GetPosition());
            }
            return Level()->GetGameOverState() != TsLevel::kPlaying;
        }, 600)) << "a member fell";
        EXPECT_TRUE(Member("Ann")->HasFlag(TS_ENTITY_DEAD) || Member("Bob")->HasFlag(TS_ENTITY_DEAD));
        ASSERT_TRUE(StepUntil([&] { return Level()->GetGameOverState() == TsLevel::kGameOverQuestion; }, 100))
            << "the game-over scene ends in the question";
    }

    static constexpr int kEscapeKey = 1;
    static constexpr int kReturnKey = 0x1C;

    uint32_t tick = 1000;
    std::unique_ptr<ScratchDir> scratch;
};

TEST_F(CampaignLevel, TheTownHasItsPartyTraderAndSmithAndPlaysWithoutComplaint)
{
    Play("town");
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_STREQ(TsAccess::LevelInfo()->levelName.Get(), "Town");
    for (const char* name : {"Ann", "Bob", "WeaponTrader", "Smith", "wayOut", "townMedkit"})
        EXPECT_TRUE(Named(name)) << name;
    ASSERT_EQ(Run("TalkToSmith()"), 0);
    EXPECT_EQ(Number("g_townTalked"), 1.0);
    Ticks(200);
    EXPECT_EQ(Errors(log), "");
}

// A click on the smith sends the leader to him; using him (or coming near)
// runs his banter, which plays the town's talk line after line to its end.
TEST_F(CampaignLevel, ClickingTheSmithPlaysHisTalkToTheEnd)
{
    Play("town");
    ASSERT_FALSE(HasFatalFailure());
    TsConversation* talk = TsAccess::Conversation();
    EXPECT_FALSE(talk->HasConversationStarted()) << "the party starts out of the smith's reach";
    ASSERT_TRUE(ClickOn(Entity("Smith")));
    ASSERT_TRUE(StepUntil([&] { return talk->HasConversationStarted(); }, 100)) << "the leader got to him";
    EXPECT_EQ(Number("g_townTalked"), 1.0);
    EXPECT_EQ(talk->GetFragmentCount(), 3u) << "the whole talk, the first time";
    ASSERT_TRUE(StepUntil([&] { return !talk->HasConversationStarted(); }, 300, kHearingSeconds))
        << "the lines run out";
    // Used again, he has only his last word.
    TsPCObject* ann = Member("Ann");
    ann->UseEntity(Entity("Smith"));
    ASSERT_TRUE(StepUntil([&] { return talk->HasConversationStarted(); }, 100));
    EXPECT_EQ(talk->GetFragmentCount(), 1u);
    EXPECT_EQ(Errors(log), "");
}

// The trader's talk ends in the trade panel: the blaster is bought with
// the party's money and the starting medkit sold, both by clicks on the
// panel; Escape ends the trade.
TEST_F(CampaignLevel, TheTraderSellsABlasterAndBuysAMedkitThroughThePanel)
{
    Play("town");
    ASSERT_FALSE(HasFatalFailure());
    TsPlayer* player = TsAccess::LocalPlayer();
    TsPCObject* ann = Member("Ann");
    ASSERT_NE(ann, nullptr);
    EXPECT_EQ(player->GetKitty(), 100) << "the money the party sets out with";
    TsInventory* pack = ann->GetInventory();
    ASSERT_EQ(pack->GetTotalCount(), 1) << "a medkit";
    TsCollectibleObject* medkit = pack->GetArticle(0);
    TsHUDe* hud = Level()->GetHUD();
    auto* trader = dynamic_cast<TsCharacterObject*>(Entity("WeaponTrader"));
    ASSERT_NE(trader, nullptr);
    ASSERT_EQ(trader->GetInventory()->GetTotalCount(), 3);

    ASSERT_TRUE(ClickOn(trader));
    EXPECT_EQ(hud->GetTrader(), trader);
    ASSERT_TRUE(TsAccess::Conversation()->HasConversationStarted()) << log.All();
    ASSERT_TRUE(StepUntil([&] { return hud->IsTradePanelVisible() && !hud->IsAnimating(); }, 200, kHearingSeconds))
        << "the talk ended and the panel opened";
    // His picture, a bronze face, stands in its steel frame right of the grids.
    int sw = 0, sh = 0;
    const std::vector<uint32_t> panel = ScreenPixels(sw, sh);
    int px = 0, py = 0;
    TradePicturePoint(px, py);
    const uint32_t face = panel[size_t(py + 30) * sw + px + 32], rim = panel[size_t(py + 32) * sw + px + 1];
    EXPECT_TRUE(Red(face) > 150 && Red(face) > Green(face) && Green(face) > Blue(face) + 40) << std::hex << face;
    EXPECT_TRUE(Red(rim) > 150 && Blue(rim) > 150) << "the banter frame " << std::hex << rim;

    // Buying: the trader's blaster, then its price window.
    int tx = 0, ty = 0, ox = 0, oy = 0;
    TsHUDe::GetGridOrigin(1, tx, ty);
    TsHUDe::GetGridOrigin(0, ox, oy);
    int blasterCell = -1;
    for (int k = 0; k < 3; ++k)
        if (std::string(trader->GetInventory()->GetArticle(k)->GetName()) == "traderBlaster")
            blasterCell = k;
    ASSERT_GE(blasterCell, 0);
    ASSERT_LT(blasterCell, 2) << "on the first row of the trader's staircase";
    ClickAt(tx - 64 * blasterCell + 32, ty - 32); // the slot as drawn
    ASSERT_TRUE(hud->GetInfoWindow().IsVisible());
    int32_t rect[4] = {};
    hud->GetInfoWindow().GetRect(rect, false);
    ClickAt((rect[0] + rect[2]) / 2, (rect[1] + rect[3]) / 2);
    EXPECT_EQ(player->GetKitty(), 40) << "the blaster's price";
    ASSERT_EQ(pack->GetTotalCount(), 2);
    EXPECT_EQ(pack->GetWeaponCount(), 1);
    EXPECT_TRUE(trader->GetInventory()->GetTotalCount() == 3) << "the trader keeps his own";

    // Selling: Ann's medkit, the first article of her own staircase.
    ASSERT_TRUE(pack->Holds(medkit));
    int medkitCell = -1;
    for (int k = 0; k < pack->GetTotalCount(); ++k)
        if (pack->GetArticle(k) == medkit)
            medkitCell = k;
    ASSERT_GE(medkitCell, 0);
    ASSERT_LT(medkitCell, 2) << "on the first row of her staircase";
    ClickAt(ox + 64 * medkitCell + 32, oy - 32);
    ASSERT_TRUE(hud->GetInfoWindow().IsVisible());
    hud->GetInfoWindow().GetRect(rect, false);
    ClickAt((rect[0] + rect[2]) / 2, (rect[1] + rect[3]) / 2);
    EXPECT_EQ(player->GetKitty(), 40 + 13) << "two thirds of its value";
    EXPECT_EQ(pack->GetTotalCount(), 1);
    EXPECT_FALSE(pack->Holds(medkit));

    Tap(kEscapeKey);
    ASSERT_TRUE(StepUntil([&] { return !hud->IsTraderPending() && !hud->IsAnimating(); }, 40));
    EXPECT_FALSE(hud->IsTradePanelVisible());
    EXPECT_FALSE(Menu()->HasOpenWindows()) << "the Escape that ends a trade opens no menu";
    EXPECT_EQ(Errors(log), "");
}

// The press on the trader sends Ann walking to him and the view follows her:
// a release read after he slid from under the pointer still starts the
// trade, while a press and release on the bare ground do not.
TEST_F(CampaignLevel, ATraderPressedOnStartsTheTradeWhereverTheButtonComesUp)
{
    Play("town");
    ASSERT_FALSE(HasFatalFailure());
    TsHUDe* hud = Level()->GetHUD();
    auto* trader = dynamic_cast<TsCharacterObject*>(Entity("WeaponTrader"));
    ASSERT_NE(trader, nullptr);
    Member("Ann")->SetPosition(trader->GetPosition().x - 4.0f, trader->GetPosition().y, trader->GetPosition().z);
    Frames(10, 100);

    ClickAt(40, 300);
    EXPECT_FALSE(hud->IsTraderPending()) << "a click on the ground";
    int x = 0, y = 0;
    ASSERT_TRUE(ScreenOf(MiddleOf(trader), x, y));
    Point(x, y);
    ASSERT_EQ(TsAccess::LevelCursor()->GetHovered(), trader);
    plat::InjectMouseButton(*app->GetWindow(), 0, true);
    Frames(6, 100);
    Point(40, 300);
    ASSERT_NE(TsAccess::LevelCursor()->GetHovered(), trader) << "the pointer has left him";
    plat::InjectMouseButton(*app->GetWindow(), 0, false);
    Frames(1, 100);
    EXPECT_EQ(hud->GetTrader(), trader);
    EXPECT_TRUE(TsAccess::Conversation()->HasConversationStarted());
    EXPECT_EQ(Errors(log), "");
}

// The objective page the mission opens with gives way to Escape as well as
// to Return, and play goes on without the pause menu.
TEST_F(CampaignLevel, EscapeClosesTheMissionsObjectivePage)
{
    Play("mission");
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_STREQ(TopWindow(), "objective");
    EXPECT_TRUE(Level()->IsPaused());
    Tap(kEscapeKey);
    EXPECT_FALSE(Menu()->HasOpenWindows());
    EXPECT_FALSE(Level()->IsPaused());
    Frames(3, 100);
    EXPECT_FALSE(Menu()->HasOpenWindows()) << "the same Escape does not open the pause menu";
    ASSERT_TRUE(StepUntil([&] { return Number("g_missionIntro") == 0.0; }, 60)) << "the opening runs, then play";
    Tap(kEscapeKey);
    EXPECT_STREQ(TopWindow(), "inmenu") << "the next one does";
    Tap(kEscapeKey);
    EXPECT_FALSE(Menu()->HasOpenWindows());
    EXPECT_EQ(Errors(log), "");
}

TEST_F(CampaignLevel, TheMissionHasItsSquadDoorMineStashAndOpening)
{
    Play("mission");
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_STREQ(TsAccess::LevelInfo()->levelName.Get(), "Mission");
    for (const char* name : {"Ann", "Bob", "guard1", "guard2", "guard3", "patrol1", "vaultDoor", "vaultSwitch",
                             "vaultKey", "blaster", "hallMine"})
        EXPECT_TRUE(Named(name)) << name;
    Ticks(1);
    EXPECT_GT(Number("g_missionIntro"), 0.0) << "the opening cut scene runs";
    EXPECT_EQ(TsAccess::LevelInfo()->missionObjectiveID, 6100);
    // A new mission opens with its objective in the in-game menu; play
    // waits under it until it is closed.
    EXPECT_TRUE(TsAccess::GameFrontEnd()->HasOpenWindows());
    EXPECT_TRUE(Level()->IsPaused());
    Level()->ActivateIngameFrontEnd(false);
    Frames(3, 100);
    EXPECT_FALSE(TsAccess::GameFrontEnd()->HasOpenWindows());
    Ticks(400);
    EXPECT_EQ(Number("g_missionIntro"), 0.0) << "the opening ends";
    EXPECT_EQ(Errors(log), "");
}

// The hall's mine lies on the floor where it is placed and is seen there:
// around its place on the screen the casing's cloth shows, and moved away
// the floor is plain again. Ann stands two steps west, the camera on her.
TEST_F(CampaignLevel, TheMissionsMineIsSeenWhereItLies)
{
    Play("mission");
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_NO_FATAL_FAILURE(StartMissionPlay());
    TsEntity* mine = Entity("hallMine");
    ASSERT_NE(mine, nullptr);
    ASSERT_NE(static_cast<TsModel*>(mine)->GetModel(), nullptr) << "the mine has its model";
    TsPCObject* ann = Member("Ann");
    const OmVector3 at = mine->GetPosition();
    ann->StopMoving();
    ann->SetPosition(at.x - 2.0f, at.y, at.z);
    Frames(40, 100);
    const auto clothAroundMine = [&] {
        Frames(2, 100);
        int sx = 0, sy = 0, sw = 0, sh = 0;
        if (!ScreenOf(at + OmVector3(0.0f, 0.06f, 0.0f), sx, sy))
            return -1;
        const std::vector<uint32_t> screen = ScreenPixels(sw, sh);
        if (sx < 12 || sy < 12 || sx + 12 > sw || sy + 12 > sh)
            return -1;
        return Count(screen, sw, sx - 12, sy - 12, sx + 12, sy + 12,
                     [](uint32_t p) { return Blue(p) > Red(p) + 40 && Blue(p) > 90; });
    };
    const int seen = clothAroundMine();
    mine->SetPosition(at.x, at.y - 50.0f, at.z);
    const int gone = clothAroundMine();
    EXPECT_GT(seen, 40) << "the casing shows";
    EXPECT_LT(gone, 5) << "without it the floor is plain";
}

// The vault door stays shut for the switch until the vault key has been
// picked up: clicked, the switch then turns the lock and opens the door,
// and works it both ways from then on.
TEST_F(CampaignLevel, TheVaultKeyPickedUpLetsTheSwitchOpenTheLockedDoor)
{
    Play("mission");
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_NO_FATAL_FAILURE(StartMissionPlay());
    auto* door = TsDoorObject::Cast(Entity("vaultDoor"));
    auto* lever = TsSwitchObject::Cast(Entity("vaultSwitch"));
    auto* key = dynamic_cast<TsCollectibleObject*>(Entity("vaultKey"));
    ASSERT_TRUE(door && lever && key);
    TsPCObject* ann = Member("Ann");
    TsConversation* talk = TsAccess::Conversation();
    EXPECT_TRUE(door->IsLocked());
    EXPECT_FALSE(door->IsOpen());

    // Without the key: Ann says the door is locked, and it stays so.
    ASSERT_TRUE(WalkTo(6.5f, 5.0f)) << "within sight of the switch";
    ASSERT_TRUE(ClickOn(lever));
    ASSERT_TRUE(StepUntil([&] { return talk->HasConversationStarted(); }, 150)) << "she got to the switch";
    EXPECT_TRUE(lever->IsOn());
    EXPECT_TRUE(door->IsLocked());
    EXPECT_FALSE(door->IsOpen());
    ASSERT_TRUE(StepUntil([&] { return !talk->HasConversationStarted(); }, 100, kHearingSeconds));

    // The key, clicked, is walked to and picked up.
    ASSERT_TRUE(ClickOn(key));
    ASSERT_TRUE(StepUntil([&] { return ann->GetInventory()->Holds(key); }, 150));
    EXPECT_TRUE(door->IsLocked()) << "carrying the key opens nothing by itself";

    // The switch again: the key turns the lock and the door opens.
    ASSERT_TRUE(ClickOn(lever));
    ASSERT_TRUE(StepUntil([&] { return door->IsOpen(); }, 150));
    EXPECT_FALSE(door->IsLocked());
    EXPECT_FALSE(talk->HasConversationStarted()) << "nothing to say this time";
    ASSERT_TRUE(StepUntil([&] { return door->GetTransitionState() == TsDoorObject::kStill; }, 40));

    // From now on the switch closes and opens it.
    ann->UseEntity(lever);
    ASSERT_TRUE(StepUntil([&] { return !door->IsOpen(); }, 60));
    ASSERT_TRUE(StepUntil([&] { return door->GetTransitionState() == TsDoorObject::kStill; }, 40));
    ann->UseEntity(lever);
    ASSERT_TRUE(StepUntil([&] { return door->IsOpen(); }, 60));
    EXPECT_EQ(Errors(log), "");
}

// The fight won: Ann, with the blaster she picked up, shoots the hall's
// three guards down through the game's own attacks; the mission's message
// comes up, its OK runs the script's leaving and ends the level for the
// title through the closing screen.
TEST_F(CampaignLevel, BeatingTheSquadWinsTheMissionAndLeavesForTheTitle)
{
    Play("mission");
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_NO_FATAL_FAILURE(StartMissionPlay());
    TsPCObject* ann = Member("Ann");
    auto* blaster = dynamic_cast<TsWeaponObject*>(Entity("blaster"));
    ASSERT_NE(blaster, nullptr);
    ASSERT_TRUE(ClickOn(blaster));
    ASSERT_TRUE(StepUntil([&] { return ann->GetInventory()->Holds(blaster); }, 150)) << "picked up";
    auto* ammo = dynamic_cast<TsCollectibleObject*>(Entity("missionAmmo"));
    ASSERT_NE(ammo, nullptr);
    ASSERT_TRUE(ClickOn(ammo));
    ASSERT_TRUE(StepUntil([&] { return ann->GetInventory()->GetAmmoCount() > 0; }, 150)) << "picked up";
    ASSERT_TRUE(ann->GetInventory()->EquipArticle(blaster));
    ASSERT_NO_FATAL_FAILURE(OpenVault());

    // The fight, two ticks a frame (the game's clock must run for the
    // shots to fly): Ann is ordered at the first guard still standing every
    // second; the squad fights back.
    std::vector<TsCharacterObject*> guards = Guards();
    ASSERT_EQ(guards.size(), 3u);
    // Into the doorway, short of the mine, in sight of the hall.
    ann->MoveTo(OmVector3(13.0f, 0.0f, 5.0f));
    ASSERT_TRUE(TicksUntil(150, [&] { return ann->GetPosition().x > 12.5f; }))
        << ann->GetPosition().x << ", " << ann->GetPosition().z;
    int ticks = 0;
    auto standing = [&] {
        int n = 0;
        for (TsCharacterObject* guard : guards)
            n += guard->HasFlag(TS_ENTITY_DEAD) ? 0 : 1;
        return n;
    };
    for (; ticks < 1200 && standing() > 0 && !ann->HasFlag(TS_ENTITY_DEAD); ticks += 2) {
        if (ticks % 10 == 0)
            for (TsCharacterObject* guard : guards)
                if (!guard->HasFlag(TS_ENTITY_DEAD)) {
                    ann->AttackTarget(guard, MiddleOf(guard), true);
                    break;
                }
        FrameAfter(200);
    }
    std::printf("[ figures  ] the fight took %d ticks; Ann's health %.1f, Bob's %.1f\n", ticks, ann->GetHealth(),
                Member("Bob")->GetHealth());
    ASSERT_EQ(standing(), 0) << "the squad is beaten";
    ASSERT_FALSE(ann->HasFlag(TS_ENTITY_DEAD));
    Frames(2, 100);
    EXPECT_EQ(Number("g_missionWon"), 1.0);
    ASSERT_NE(Menu()->GetTopWindow(), nullptr) << "the won message";
    auto* box = dynamic_cast<TsGuiMessageBox*>(Menu()->GetTopWindow());
    ASSERT_NE(box, nullptr);
    EXPECT_STREQ(box->GetText(), "The hall is clear and its squad beaten. Well done!");
    EXPECT_TRUE(Level()->IsPaused());
    ASSERT_NO_FATAL_FAILURE(ClickButton(0));
    Frames(2, 100);
    EXPECT_EQ(Number("g_missionLeft"), 1.0) << "the message's script ran";
    EXPECT_EQ(app->GetModeRequest(), TS_MODE_FRONT_END) << "the level ends for the title";
    Frames(3, 100);
    ASSERT_NO_FATAL_FAILURE(PassTheClosingScreenToTheTitle());
    EXPECT_EQ(Errors(log), "");
}

// The hall's guards are humanoids armed from their weapon template: each
// holds its club, and the first blow Ann takes from one in play deals the
// club's damage, not the bare hand's.
TEST_F(CampaignLevel, TheMissionsGuardsFightWithTheirClubs)
{
    Play("mission");
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_NO_FATAL_FAILURE(StartMissionPlay());
    std::vector<TsCharacterObject*> guards = Guards();
    ASSERT_EQ(guards.size(), 3u);
    for (TsCharacterObject* guard : guards) {
        const TsWeaponObject* club = guard->GetCurrentAttack();
        ASSERT_NE(club, guard->InnateAttack()) << guard->GetName() << " holds a weapon";
        EXPECT_EQ(club->Current().weaponType, TS_WEAPON_MELEE) << guard->GetName();
        EXPECT_FLOAT_EQ(club->Current().efficiency, 5.0f) << guard->GetName() << ": the club's damage";
        EXPECT_NE(club->Current().efficiency, guard->InnateAttack()->Current().efficiency);
    }
    ASSERT_NO_FATAL_FAILURE(OpenVault());
    TsPCObject* ann = Member("Ann");
    ann->SetVitalityRecovery(0.0f);
    ann->SetHealthRecovery(0.0f);
    ann->SetAutoAttack(false);
    const float expected = 5.0f * std::max(0.0f, 1.0f - ann->GetPhysicalDefence() * 0.01f);
    float before = 0.0f;
    ASSERT_TRUE(StepUntil(
        [&] {
            if (ann->GetLastAttacker())
                return true;
            before = ann->GetHealth() + ann->GetVitality();
            if (ann->GetPendingCommand() == 0)
                ann->MoveTo(guards[0]->GetPosition());
            return false;
        },
        600))
        << "a guard struck Ann";
    EXPECT_NE(std::find(guards.begin(), guards.end(), ann->GetLastAttacker()), guards.end());
    EXPECT_NEAR(before - (ann->GetHealth() + ann->GetVitality()), expected, 1e-3f);
    EXPECT_EQ(Errors(log), "");
}

// The fight lost: the party, worn down to its last point of health, meets
// the squad in the hall; the first to fall starts the game-over scene and
// its question. "Try Again" (Return) loads the mission's start again;
// "Main Menu" (a click) leaves for the title.
TEST_F(CampaignLevel, AFallenPartyEndsInTheGameOverQuestion)
{
    Play("mission");
    ASSERT_FALSE(HasFatalFailure());
    TsPlayer* player = TsAccess::LocalPlayer();
    ASSERT_NO_FATAL_FAILURE(WalkIntoTheSquadAndFall());
    auto* box = dynamic_cast<TsGuiMessageBox*>(Menu()->GetTopWindow());
    ASSERT_NE(box, nullptr);
    EXPECT_STREQ(box->GetText(), "Your squad has fallen.");
    ASSERT_EQ(box->GetButtonCount(), 2);

    // Try Again: the game the mission started with is loaded once more.
    ASSERT_FALSE(std::string(player->GetLoadedSaveName()).empty());
    ASSERT_EQ(Run("g_fallenLevel = 1"), 0); // gone with the fallen level's script state
    Frames(2, 100); // a Return already down as the box opened is no answer
    Tap(kReturnKey);
    FrameAfter(10);
    PassLoadScreen();
    ASSERT_NE(Level(), nullptr);
    EXPECT_EQ(Number("g_fallenLevel"), -1.0) << "a new level, loaded";
    int width = 0, height = 0;
    app->GetWindow()->GetClientSize(width, height);
    EXPECT_EQ(TsAccess::Input()->GetCursorX(), width / 2) << "the pointer stays where it was, not in the corner";
    EXPECT_EQ(TsAccess::Input()->GetCursorY(), height / 2);
    EXPECT_EQ(Level()->GetGameOverState(), TsLevel::kPlaying);
    ASSERT_NE(Member("Ann"), nullptr);
    EXPECT_FALSE(Member("Ann")->HasFlag(TS_ENTITY_DEAD)) << "the party stands again";
    EXPECT_FALSE(Member("Bob")->HasFlag(TS_ENTITY_DEAD));

    // Fallen again, and this time to the title.
    ASSERT_NO_FATAL_FAILURE(WalkIntoTheSquadAndFall());
    Frames(2, 100);
    ASSERT_NO_FATAL_FAILURE(ClickButton(1));
    ASSERT_NO_FATAL_FAILURE(PassTheClosingScreenToTheTitle());
    EXPECT_EQ(Errors(log), "");
}

// Walking into the dead end past the town's east gap takes the party to
// the mission. The party read back from the transfer file joins the new
// level (it is listed, so it is drawn and ticked) and is let go of with it.
TEST_F(CampaignLevel, TheWayOutOfTownTakesThePartyToTheMission)
{
    Play("town");
    ASSERT_FALSE(HasFatalFailure());
    // On the way the smith stops her for his talk; she goes on after it.
    TsPCObject* ann = Member("Ann");
    ASSERT_TRUE(StepUntil([&] {
        if (ann->GetPendingCommand() == 0 && !TsAccess::Conversation()->HasConversationStarted())
            ann->MoveTo(OmVector3(17.0f, 0.0f, 6.0f));
        return app->GetModeRequest() == TS_MODE_LEVEL;
    }, 300, kHearingSeconds)) << "the way out was taken";
    FrameAfter(10);
    PassLoadScreen();
    ASSERT_NE(Level(), nullptr);
    EXPECT_STREQ(TsAccess::LevelInfo()->levelName.Get(), "Mission");
    for (const char* name : {"guard1", "vaultDoor", "Ann", "Bob"})
        EXPECT_TRUE(Named(name)) << name;
    TsPlayer* player = TsAccess::LocalPlayer();
    EXPECT_EQ(player->GetCharacterCount(), 2) << "the party came along and was not made again";
    EXPECT_NE(player->GetCharacter("Ann"), nullptr);
    EXPECT_NE(player->GetCharacter("Bob"), nullptr);
    // "Try Again" after a fall here goes back to the mission's start with
    // the party as it came, not to the town.
    ASSERT_FALSE(std::string(player->GetLoadedSaveName()).empty());
    // The first level's script state marked: a level built afresh has a new
    // one (its address may well be the first level's, freed just before).
    ASSERT_EQ(Run("g_firstLevel = 1"), 0);
    player->ChangeLevel();
    FrameAfter(10);
    PassLoadScreen();
    ASSERT_NE(Level(), nullptr);
    EXPECT_EQ(Number("g_firstLevel"), -1.0);
    EXPECT_STREQ(TsAccess::LevelInfo()->levelName.Get(), "Mission");
    EXPECT_EQ(TsAccess::LocalPlayer()->GetCharacterCount(), 2);
    for (const char* name : {"guard1", "Ann", "Bob"})
        EXPECT_TRUE(Named(name)) << name;
    EXPECT_EQ(Errors(log), "");
}

// Twenty minutes of play on the mission (12,000 ticks at 10 Hz) with the
// hall's squad always active and patrolling, run as fast as the ticks go:
// memory stays flat and nothing is logged as an error (the tick's cost is
// bench/campaign's figure).
TEST_F(CampaignLevel, TwentyMinutesOfTheMissionWithFlatMemory)
{
    Play("mission");
    ASSERT_FALSE(HasFatalFailure());
    Level()->ActivateIngameFrontEnd(false);
    Frames(2, 100);
    // Every squad stays active wherever the camera looks.
    EXPECT_EQ(ForceOtherSquadsActive(*Level()), 1) << "the hall's squad";
    TsEntity* guard = Entity("guard1");
    ASSERT_NE(guard, nullptr);
    const OmVector3 posted = guard->GetPosition();
    Ticks(1200);
    EXPECT_GT((guard->GetPosition() - posted).Length(), 1.0f) << "the guard walks the patrol";
    const long early = ResidentKilobytes();
    Ticks(10800);
    EXPECT_LT(ResidentKilobytes() - early, 4096) << "memory stays flat";
    EXPECT_EQ(Errors(log), "");
}

// The tutorial's four lessons, each shown in the tutorial window once the
// one before is done and its task counted from the window's close box:
// walking by a click on the floor, the vest picked up by a click, the door
// opened by a click on its switch, and the guide's talk (reached through
// that door). Its closing message's OK goes straight to the title.
TEST_F(CampaignLevel, TheTutorialTeachesItsLessonsOneByOneAndEndsOnTheTitle)
{
    Play("Tutorial");
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_STREQ(TsAccess::LevelInfo()->levelName.Get(), "Tutorial");
    auto* tutorial = dynamic_cast<TsTutorialDialog*>(Menu()->GetTutorialScreen());
    ASSERT_NE(tutorial, nullptr);
    TsPCObject* ann = Member("Ann");
    ASSERT_NE(ann, nullptr);
    auto* door = TsDoorObject::Cast(Entity("tutorialDoor"));
    ASSERT_NE(door, nullptr);
    const OmVector3 start = ann->GetPosition();
    struct Lesson {
        int topics;
        const char* title; // the shown text begins with it
        std::function<bool()> task;
    };
    const Lesson lessons[] = {
        {2, "Welcome:", [&] { return WalkTo(start.x + 2.0f, start.z); }},
        {1, "Picking up:", [&] { return ClickOn(Entity("tutorialVest")); }},
        {1, "Doors:", [&] { return ClickOn(Entity("tutorialSwitch")); }},
        // Through the door the switch opened, to the guide's side.
        {1, "Talking:", [&] { return ann->UseEntity(Entity("Guide")); }},
    };
    for (const Lesson& lesson : lessons) {
        SCOPED_TRACE(lesson.title);
        ASSERT_TRUE(StepUntil([&] { return std::string(TopWindow()) == "tutorial"; }, 200)) << log.All();
        EXPECT_TRUE(Level()->IsPaused()) << "the lesson holds the level";
        EXPECT_EQ(tutorial->GetFragmentCount(), lesson.topics);
        EXPECT_EQ(std::string(tutorial->GetFragment(0)).rfind(lesson.title, 0), 0u) << tutorial->GetFragment(0);
        const auto& close = tutorial->text.closeBox;
        ClickAt(int(GuiToPixelsX(close.GetX() + close.GetWidth() / 2.0f)),
                int(GuiToPixelsY(close.GetY() + close.GetHeight() / 2.0f)));
        ASSERT_FALSE(Menu()->HasOpenWindows());
        EXPECT_EQ(Number("g_lessonOpen"), 0.0) << "the exit script ran";
        ASSERT_TRUE(lesson.task());
    }
    TsConversation* talk = TsAccess::Conversation();
    ASSERT_TRUE(StepUntil([&] { return Number("g_guideTalked") == 1.0; }, 300)) << "the leader got to the guide";
    EXPECT_TRUE(door->IsOpen());
    EXPECT_EQ(talk->GetFragmentCount(), 2u);
    ASSERT_TRUE(StepUntil([&] { return !talk->HasConversationStarted() && Menu()->HasOpenWindows(); }, 400, kHearingSeconds))
        << "the talk ends and the closing message is shown";
    EXPECT_EQ(Number("g_tutorialOver"), 1.0);
    ASSERT_NO_FATAL_FAILURE(ClickButton(0));
    Frames(2, 100);
    EXPECT_EQ(Level(), nullptr) << "no closing screen after the tutorial";
    ASSERT_NE(app->GetMode(), nullptr);
    EXPECT_EQ(app->GetMode()->GetModeType(), TS_MODE_FRONT_END);
    EXPECT_EQ(Errors(log), "");
}

// The smith's talk on the screen: each line (wrapped to the conversation's
// width in the HUD's font) is drawn in white in the band above the panels
// under his name in gold, nothing runs past its measured width, the band
// changes with each line and empties when the talk ends. An open inventory
// closes as the talk begins.
TEST_F(CampaignLevel, TheSmithsLinesShowAboveThePanelsInTheHudsFont)
{
    Play("town");
    ASSERT_FALSE(HasFatalFailure());
    TsHUDe* hud = Level()->GetHUD();
    hud->OpenInventory(0);
    ASSERT_EQ(Run("TalkToSmith('Smith', 'Ann')"), 0) << log.All();
    TsConversation* talk = TsAccess::Conversation();
    ASSERT_TRUE(talk->HasConversationStarted());
    EXPECT_EQ(hud->GetOpenSlot(), -1) << "the talk closed the inventory at once";
    EXPECT_FALSE(hud->IsAnimating());
    Frames(2, 100); // the first line starts on the tick after Run
    auto white = [](uint32_t p) { return Red(p) > 200 && Green(p) > 200 && Blue(p) > 200; };
    auto gold = [](uint32_t p) { return Red(p) > 180 && Green(p) > 90 && Green(p) < 190 && Blue(p) < 110; };
    float rowWidth = 0.0f, row = 0.0f;
    hud->GetTextExtent(" ", rowWidth, row);
    ASSERT_GT(row, 0.0f);
    std::vector<std::vector<uint32_t>> bands;
    int lines = 0, wrapped = 0;
    while (talk->HasConversationStarted() && lines < 5) {
        const TsConversationFragment* line = talk->GetCurrentFragment();
        ASSERT_NE(line, nullptr);
        const std::string text = line->GetText();
        float w = 0.0f, h = 0.0f;
        hud->GetTextExtent(text.c_str(), w, h);
        EXPECT_LE(w, TsHUDe::kConversationWidth) << text;
        wrapped += text.find('\n') != std::string::npos ? 1 : 0;
        float x = 0.0f, nameY = 0.0f, textY = 0.0f;
        TsHUDe::PlaceConversationLine(h, row, x, nameY, textY);
        int sw = 0, sh = 0;
        const std::vector<uint32_t> screen = ScreenPixels(sw, sh);
        const int left = int(x), top = int(textY), bottom = int(textY + h), right = int(x + w);
        EXPECT_GT(Count(screen, sw, left, top, right, bottom, white), int(w * h) / 20) << text;
        EXPECT_EQ(Count(screen, sw, right + 2, top, left + int(TsHUDe::kConversationWidth), bottom, white), 0)
            << "nothing drawn past the line's measured width: " << text;
        EXPECT_GT(Count(screen, sw, left, int(nameY), left + 200, top, gold), 10) << "the speaker's name";
        std::vector<uint32_t> band;
        for (int y = int(nameY); y < bottom; ++y)
            band.insert(band.end(), screen.begin() + y * sw + left, screen.begin() + y * sw + left + 510);
        bands.push_back(std::move(band));
        talk->Advance();
        Frames(1, 100);
        ++lines;
    }
    EXPECT_EQ(lines, 3) << "the smith, Ann, the smith";
    EXPECT_GE(wrapped, 1) << "his first line is wider than the band";
    for (size_t i = 1; i < bands.size(); ++i)
        EXPECT_NE(bands[i], bands[i - 1]) << "line " << i << " changed the band";
    int sw = 0, sh = 0;
    const std::vector<uint32_t> after = ScreenPixels(sw, sh);
    float x = 0.0f, nameY = 0.0f, textY = 0.0f;
    TsHUDe::PlaceConversationLine(row, row, x, nameY, textY);
    EXPECT_EQ(Count(after, sw, int(x), int(nameY), int(x) + 510, int(textY + row), gold), 0) << "the talk is over";
}

} // namespace
