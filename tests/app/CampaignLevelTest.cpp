// The demo campaign's levels in the real application, for what the driven
// campaign does not reach: the trader's press, the mission's mine and clubs,
// "Try Again", the tutorial's lessons and the smith's lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "engine/OmCamera.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsCamera.h"
#include "game/framework/TsCutScene.h"
#include "game/framework/TsInput.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsCollectibleObject.h"
#include "game/objects/TsConversation.h"
#include "game/objects/TsDoorObject.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsLevelCursor.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsWeaponObject.h"
#include "platform/KeyCodes.h"
#include "tests/app/DemoLevelFixture.h"
#include "tests/game/framework/LogCapture.h"
#include "ui/TsGameFrontEnd.h"
#include "ui/TsGuiButton.h"
#include "ui/TsGuiMessageBox.h"
#include "ui/TsGuiWindow.h"
#include "ui/TsHUDe.h"
#include "ui/TsInGameWindows.h"

using namespace apptest;

namespace {

class CampaignLevel : public DemoLevelTest {
protected:
    // The fixture's log takes every line from the start: a second capture
    // would take the hook over and leave it empty when it goes.
    void Play(const char* mission)
    {
        ASSERT_NO_FATAL_FAILURE(LoadMission(mission));
        Tap(plat::kKeySpace); // pressed and let go, it takes the load screen away
        Frames(1, 100);
        ASSERT_NE(Level()->GetWorld(), nullptr);
        // The pointer starts in the window's corner, where it turns the
        // camera: it rests in the middle before the test's own moves.
        MouseToCentre();
    }

    // ---- the player's hands: keys and the mouse, through SDL's queue ----

    void Point(int x, int y)
    {
        MouseTo(x, y);
        Frames(2, 100);
    }
    // Points at the middle of an entity (where the cursor finds it) and
    // clicks once the view holds still under the pointer; false when it is
    // off the screen or the cursor does not find it.
    bool ClickOn(TsEntity* entity, int button = 0)
    {
        for (int attempt = 0; attempt < 10; ++attempt) {
            int x = 0, y = 0, again_x = 0, again_y = 0;
            if (!ScreenPoint(MiddleOf(entity), x, y))
                return false;
            Point(x, y);
            if (ScreenPoint(MiddleOf(entity), again_x, again_y) && again_x == x && again_y == y &&
                TsAccess::LevelCursor()->GetHovered() == entity) {
                ClickHere(button);
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
        if (!ScreenPoint(OmVector3(x, 0.0f, z), sx, sy))
            return false;
        Click(sx, sy);
        const TsEntity* walker = TsAccess::CurrentCharacter();
        return StepUntil([&] {
            const OmVector3 d = walker->GetPosition() - OmVector3(x, walker->GetPosition().y, z);
            return d.Length() < 0.75f;
        }, 150);
    }
    TsPCObject* Member(const char* name) { return static_cast<TsPCObject*>(TsAccess::LocalPlayer()->GetCharacter(name)); }
    TsGameFrontEnd* Menu() const { return TsAccess::GameFrontEnd(); }
    const char* TopWindow() const
    {
        return Menu() && Menu()->GetTopWindow() ? Menu()->GetTopWindow()->GetName() : "";
    }
    // Past the objective page (Return closes it) and the opening cut scene,
    // ready to play.
    void StartMissionPlay()
    {
        ASSERT_STREQ(TopWindow(), "objective");
        Tap(plat::kKeyReturn);
        ASSERT_FALSE(Menu()->HasOpenWindows());
        ASSERT_TRUE(StepUntil([&] { return LuaNumber("g_missionIntro") == 0.0; }, 60)) << "the opening ends";
        ASSERT_FALSE(Level()->GetCutScene()->IsCutSceneActive());
        Frames(5, 100);
        const OmVector3 eye = Level()->GetCamera()->GetSceneCamera()->GetPosition();
        ASSERT_LT(std::fabs(eye.x - Member("Ann")->GetPosition().x), 1.0f) << "the camera is back on the party";
    }
    // The town with Ann four steps west of its weapon trader.
    TsCharacterObject* PlayTownBesideTheTrader()
    {
        Play("town");
        auto* trader = Named<TsCharacterObject>("WeaponTrader");
        if (HasFatalFailure() || !trader)
            return nullptr;
        Member("Ann")->SetPosition(trader->GetPosition().x - 4.0f, trader->GetPosition().y, trader->GetPosition().z);
        Frames(10, 100);
        return trader;
    }
    // Clicks a button of the message box on top of the in-game menu.
    void ClickButton(int index)
    {
        auto* box = dynamic_cast<TsGuiMessageBox*>(Menu()->GetTopWindow());
        ASSERT_NE(box, nullptr);
        TsGuiButton* button = box->GetButton(index);
        ASSERT_NE(button, nullptr);
        ClickCentre(*button);
    }
    // Ann fetches the vault key and works the switch, by orders rather
    // than clicks (the door's own test clicks), two ticks a frame.
    void OpenVault()
    {
        TsPCObject* ann = Member("Ann");
        auto* key = Named<TsCollectibleObject>("vaultKey");
        auto* door = Named<TsDoorObject>("vaultDoor");
        ASSERT_TRUE(key && door);
        ann->UseEntity(key);
        ASSERT_TRUE(StepUntil([&] { return ann->GetInventory()->Holds(key); }, 100, 2 * kTickUnits))
            << "the key picked up";
        ann->UseEntity(Named<TsEntity>("vaultSwitch"));
        ASSERT_TRUE(StepUntil([&] { return door->IsOpen() && door->GetTransitionState() == TsDoorObject::kStill; },
                              100, 2 * kTickUnits))
            << "the door opened";
        FrameAfter(100); // the open door's ground is walkable from the next tick
    }
    std::vector<TsCharacterObject*> Guards()
    {
        std::vector<TsCharacterObject*> guards;
        for (const char* name : {"guard1", "guard2", "guard3"})
            if (auto* guard = Named<TsCharacterObject>(name))
                guards.push_back(guard);
        return guards;
    }
};

// The press on the trader sends Ann walking to him and the view follows her:
// a release read after he slid from under the pointer still starts the
// trade, while a press and release on the bare ground do not.
TEST_F(CampaignLevel, ATraderPressedOnStartsTheTradeWhereverTheButtonComesUp)
{
    TsCharacterObject* trader = PlayTownBesideTheTrader();
    ASSERT_NE(trader, nullptr);
    TsHUDe* hud = Level()->GetHUD();
    Click(40, 300);
    EXPECT_FALSE(hud->IsTraderPending()) << "a click on the ground";
    // Ann walks there; the view rests with her before the press.
    ASSERT_TRUE(StepUntil([&] { return Member("Ann")->GetPendingCommand() == 0; }, 150));
    Frames(10, 100);
    int x = 0, y = 0;
    ASSERT_TRUE(ScreenPoint(MiddleOf(trader), x, y));
    Point(x, y);
    ASSERT_EQ(TsAccess::LevelCursor()->GetHovered(), trader);
    Button(true);
    Frames(6, 100);
    Point(40, 300);
    ASSERT_NE(TsAccess::LevelCursor()->GetHovered(), trader) << "the pointer has left him";
    Button(false);
    Frames(1, 100);
    EXPECT_EQ(hud->GetTrader(), trader);
    EXPECT_TRUE(TsAccess::Conversation()->HasConversationStarted());
    EXPECT_EQ(log.Errors(), "");
}

// A script that fails counts as one that starts no talk.
TEST_F(CampaignLevel, ATraderWhoseScriptStartsNoTalkIsLoggedAndLeavesTheHudFree)
{
    TsCharacterObject* trader = PlayTownBesideTheTrader();
    ASSERT_NE(trader, nullptr);
    for (const char* broken : {"function(name) error('no words') end", "function(name) end"}) {
        ASSERT_EQ(RunLua(std::string("RunWeaponTraderConversation = ") + broken), 0);
        log.Clear();
        ASSERT_TRUE(ClickOn(trader)) << broken;
        EXPECT_TRUE(log.Contains("started no conversation")) << broken;
        EXPECT_FALSE(Level()->GetHUD()->IsTraderPending()) << broken;
    }
}

// The hall's mine lies on the floor where it is placed and is seen there:
// around its place on the screen the casing's cloth shows, and moved away
// the floor is plain again. Ann stands two steps west, the camera on her.
TEST_F(CampaignLevel, TheMissionsMineIsSeenWhereItLies)
{
    ASSERT_NO_FATAL_FAILURE(Play("mission"));
    ASSERT_NO_FATAL_FAILURE(StartMissionPlay());
    TsEntity* mine = Named<TsEntity>("hallMine");
    ASSERT_NE(mine, nullptr);
    ASSERT_NE(static_cast<TsModel*>(mine)->GetModel(), nullptr) << "the mine has its model";
    TsPCObject* ann = Member("Ann");
    const OmVector3 at = mine->GetPosition();
    ann->StopMoving();
    ann->SetPosition(at.x - 2.0f, at.y, at.z);
    Frames(40, 100);
    const auto clothAroundMine = [&] {
        Frames(2, 100);
        int sx = 0, sy = 0;
        if (!ScreenPoint(at + OmVector3(0.0f, 0.06f, 0.0f), sx, sy))
            return -1;
        const Picture screen = Look();
        if (sx < 12 || sy < 12 || sx + 12 > screen.width || sy + 12 > screen.height)
            return -1;
        return screen.Count(sx - 12, sy - 12, sx + 12, sy + 12,
                            [](uint32_t p) { return Blue(p) > Red(p) + 40 && Blue(p) > 90; });
    };
    const int seen = clothAroundMine();
    mine->SetPosition(at.x, at.y - 50.0f, at.z);
    const int gone = clothAroundMine();
    EXPECT_GT(seen, 40) << "the casing shows";
    EXPECT_LT(gone, 5) << "without it the floor is plain";
}

// The hall's guards are humanoids armed from their weapon template: each
// holds its club, and the first blow Ann takes from one in play deals the
// club's damage, not the bare hand's.
TEST_F(CampaignLevel, TheMissionsGuardsFightWithTheirClubs)
{
    ASSERT_NO_FATAL_FAILURE(Play("mission"));
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
    EXPECT_EQ(log.Errors(), "");
}

// The fight lost: the game-over question's "Try Again" (Return) loads the
// mission's start again ("Main Menu" is the driven lost campaign's answer).
TEST_F(CampaignLevel, AFallenPartyEndsInTheGameOverQuestion)
{
    ASSERT_NO_FATAL_FAILURE(Play("mission"));
    TsPlayer* player = TsAccess::LocalPlayer();
    // Worn down to a point of health each and too weary to fight back, the
    // party walks up to the squad in the hall until the game-over question.
    ASSERT_NO_FATAL_FAILURE(StartMissionPlay());
    ASSERT_NO_FATAL_FAILURE(OpenVault());
    for (const char* name : {"Ann", "Bob"}) {
        TsPCObject* pc = Member(name);
        pc->SetHealth(1.0f);
        pc->SetVitality(0.0f);
        pc->SetVitalityRecovery(0.0f);
        pc->SetAutoAttack(false);
    }
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
    auto* box = dynamic_cast<TsGuiMessageBox*>(Menu()->GetTopWindow());
    ASSERT_NE(box, nullptr);
    EXPECT_STREQ(box->GetText(), "Your squad has fallen.");
    ASSERT_EQ(box->GetButtonCount(), 2);

    // Try Again: the game the mission started with is loaded once more.
    ASSERT_FALSE(std::string(player->GetLoadedSaveName()).empty());
    ASSERT_EQ(RunLua("g_fallenLevel = 1"), 0); // gone with the fallen level's script state
    Frames(2, 100); // a Return already down as the box opened is no answer
    Tap(plat::kKeyReturn);
    FrameAfter(10);
    Tap(plat::kKeySpace);
    Frames(1, 100);
    ASSERT_NE(Level(), nullptr);
    EXPECT_EQ(LuaNumber("g_fallenLevel"), -1.0) << "a new level, loaded";
    EXPECT_EQ(TsAccess::Input()->GetCursorX(), TsAccess::ScreenWidth() / 2) << "the pointer stays, not in the corner";
    EXPECT_EQ(TsAccess::Input()->GetCursorY(), TsAccess::ScreenHeight() / 2);
    EXPECT_EQ(Level()->GetGameOverState(), TsLevel::kPlaying);
    ASSERT_NE(Member("Ann"), nullptr);
    EXPECT_FALSE(Member("Ann")->HasFlag(TS_ENTITY_DEAD)) << "the party stands again";
    EXPECT_FALSE(Member("Bob")->HasFlag(TS_ENTITY_DEAD));
    EXPECT_EQ(log.Errors(), "");
}

// The tutorial's four lessons, each shown once the one before is done and
// its task counted from the window's close box: walking by a click on the
// floor, the vest picked up by a click, the door opened by a click on its
// switch, and the guide's talk (reached through that door).
TEST_F(CampaignLevel, TheTutorialTeachesItsLessonsOneByOneAndEndsOnTheTitle)
{
    ASSERT_NO_FATAL_FAILURE(Play("Tutorial"));
    EXPECT_STREQ(TsAccess::LevelInfo()->levelName.Get(), "Tutorial");
    auto* tutorial = dynamic_cast<TsTutorialDialog*>(Menu()->GetTutorialScreen());
    ASSERT_NE(tutorial, nullptr);
    TsPCObject* ann = Member("Ann");
    ASSERT_NE(ann, nullptr);
    auto* door = Named<TsDoorObject>("tutorialDoor");
    ASSERT_NE(door, nullptr);
    const OmVector3 start = ann->GetPosition();
    const struct {
        int topics;
        const char* title; // the shown text begins with it
        std::function<bool()> task;
    } lessons[] = {
        {2, "Welcome:", [&] { return WalkTo(start.x + 2.0f, start.z); }},
        {1, "Picking up:", [&] { return ClickOn(Named<TsEntity>("tutorialVest")); }},
        {1, "Doors:", [&] { return ClickOn(Named<TsEntity>("tutorialSwitch")); }},
        // Through the door the switch opened, to the guide's side.
        {1, "Talking:", [&] { return ann->UseEntity(Named<TsEntity>("Guide")); }},
    };
    for (const auto& lesson : lessons) {
        SCOPED_TRACE(lesson.title);
        ASSERT_TRUE(StepUntil([&] { return std::string(TopWindow()) == "tutorial"; }, 200)) << log.All();
        EXPECT_TRUE(Level()->IsPaused()) << "the lesson holds the level";
        EXPECT_EQ(tutorial->GetFragmentCount(), lesson.topics);
        EXPECT_EQ(std::string(tutorial->GetFragment(0)).rfind(lesson.title, 0), 0u) << tutorial->GetFragment(0);
        ClickCentre(tutorial->text.closeBox);
        ASSERT_FALSE(Menu()->HasOpenWindows());
        EXPECT_EQ(LuaNumber("g_lessonOpen"), 0.0) << "the exit script ran";
        ASSERT_TRUE(lesson.task());
    }
    TsConversation* talk = TsAccess::Conversation();
    ASSERT_TRUE(StepUntil([&] { return LuaNumber("g_guideTalked") == 1.0; }, 300)) << "the leader got to the guide";
    EXPECT_TRUE(door->IsOpen());
    EXPECT_EQ(talk->GetFragmentCount(), 2u);
    ASSERT_TRUE(StepUntil([&] { return !talk->HasConversationStarted() && Menu()->HasOpenWindows(); }, 400))
        << "the talk ends and the closing message is shown";
    EXPECT_EQ(LuaNumber("g_tutorialOver"), 1.0);
    ASSERT_NO_FATAL_FAILURE(ClickButton(0));
    Frames(2, 100);
    EXPECT_EQ(Level(), nullptr) << "no closing screen after the tutorial";
    ASSERT_NE(app->GetMode(), nullptr);
    EXPECT_EQ(app->GetMode()->GetModeType(), TS_MODE_FRONT_END);
    EXPECT_EQ(log.Errors(), "");
}

// Each line, wrapped to the conversation's width in the HUD's font, is drawn
// in white in the band above the panels, under his name in gold.
TEST_F(CampaignLevel, TheSmithsLinesShowAboveThePanelsInTheHudsFont)
{
    ASSERT_NO_FATAL_FAILURE(Play("town"));
    TsHUDe* hud = Level()->GetHUD();
    ASSERT_EQ(RunLua("TalkToSmith('Smith', 'Ann')"), 0) << log.All();
    TsConversation* talk = TsAccess::Conversation();
    ASSERT_TRUE(talk->HasConversationStarted());
    EXPECT_TRUE(talk->IsCameraUsed()) << "the town's talks are framed";
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
        const Picture screen = Look();
        const int left = int(x), top = int(textY), bottom = int(textY + h), right = int(x + w);
        EXPECT_GT(screen.Count(left, top, right, bottom, white), int(w * h) / 20) << text;
        EXPECT_EQ(screen.Count(right + 2, top, left + int(TsHUDe::kConversationWidth), bottom, white), 0)
            << "nothing drawn past the line's measured width: " << text;
        EXPECT_GT(screen.Count(left, int(nameY), left + 200, top, gold), 10) << "the speaker's name";
        bands.push_back(screen.Region(left, int(nameY), left + 510, bottom));
        talk->Advance();
        Frames(1, 100);
        ++lines;
    }
    EXPECT_EQ(lines, 3) << "the smith, Ann, the smith";
    EXPECT_GE(wrapped, 1) << "his first line is wider than the band";
    for (size_t i = 1; i < bands.size(); ++i)
        EXPECT_NE(bands[i], bands[i - 1]) << "line " << i << " changed the band";
    const Picture after = Look();
    float x = 0.0f, nameY = 0.0f, textY = 0.0f;
    TsHUDe::PlaceConversationLine(row, row, x, nameY, textY);
    EXPECT_EQ(after.Count(int(x), int(nameY), int(x) + 510, int(textY + row), gold), 0)
        << "the talk is over";
}

} // namespace
