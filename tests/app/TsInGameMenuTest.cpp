// The in-game menu over the demo level in the real application: the pause
// menu stops the level and Escape lets it go on, its pages open and close,
// the radar draws and keeps its settings through a save, and the trade.
#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsOptions.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsDiaryData.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsItemObject.h"
#include "game/objects/TsNPCObject.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsPlayer.h"
#include "platform/KeyCodes.h"
#include "tests/app/DemoLevelFixture.h"
#include "ui/TsGameFrontEnd.h"
#include "ui/TsHUDe.h"
#include "ui/TsInGameWindows.h"
#include "ui/TsRadar.h"
#include "ui/TsTrade.h"

namespace apptest {
namespace {

class InGameMenu : public DemoLevelTest {
protected:
    void SetUp() override
    {
        DemoLevelTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(EnterDemoLevel(4));
        menu = Level()->GetGameFrontEnd();
        ASSERT_NE(menu, nullptr);
        tutorial = dynamic_cast<TsTutorialDialog*>(menu->GetTutorialScreen());
        ASSERT_NE(tutorial, nullptr);
        objective = dynamic_cast<TsObjectiveWindow*>(menu->GetObjectiveScreen());
        ASSERT_NE(objective, nullptr);
    }

    // A character of no squad standing at (x, z), in play; null if it cannot start.
    TsNPCObject* AddStranger(const char* name, float x, float z)
    {
        TsNPCObject* npc = Figure(new TsNPCObject, name, x, z);
        Level()->GetEntityDB()->AddEntity(OmRef<TsEntity>::Adopt(npc));
        return npc->Initialise() ? npc : nullptr;
    }
    const char* TopName() const { return menu->GetTopWindow() ? menu->GetTopWindow()->GetName() : ""; }
    // A lesson of one topic, its exit script given, over the paused level.
    void ShowLesson(const char* exitScript)
    {
        menu->SetActive(true, false);
        tutorial->Clear(1);
        tutorial->AddFragment(6300, 0);
        tutorial->SetExitScript(exitScript);
        menu->PushWindow(tutorial, TsFrontEndBase::kScreen);
    }

    // A hero beside the demo's tech trader, who sells ammunition with no
    // stack limit at the given price; the hero carries some of the same.
    void SetUpAmmunitionTrade(float price)
    {
        buyer = AddHero(4.0f, 4.0f);
        TsNPCObject* trader = AddStranger("TechTrader", 6.0f, 4.0f);
        ASSERT_NE(trader, nullptr);
        ASSERT_TRUE(Named<TsItemObject>("ammoA") && trader->GetInventory() && buyer->GetInventory());
        wares = UnlimitedAmmunition();
        wares->SetValue(price);
        wares->SetForSale(true);
        ASSERT_GE(trader->GetInventory()->AddArticle(wares), 1);
        carried = UnlimitedAmmunition();
        ASSERT_GE(buyer->GetInventory()->AddArticle(carried), 1);
    }
    TsItemObject* UnlimitedAmmunition()
    {
        auto* ammo = new TsItemObject;
        ammo->CopyFromTemplate(Named<TsItemObject>("ammoA"));
        ammo->SetMaxStack(0);
        return ammo;
    }

    TsGameFrontEnd* menu = nullptr;
    // Set by SetUpAmmunitionTrade: the hero, the trader's wares and the hero's own.
    TsPCObject* buyer = nullptr;
    TsItemObject* wares = nullptr;
    TsItemObject* carried = nullptr;
    TsTutorialDialog* tutorial = nullptr; // the lessons' window, which the menu keeps
    TsObjectiveWindow* objective = nullptr; // so is the objectives' page
};

// The pause menu stops the level under it; its pages are made once, found
// again by name and close back to it, by Escape or by a click let go on
// the HUD's comms button (not one just beside it); a diary of one entry
// takes a click anywhere in its list; Escape does not reach the menu under
// the quit question. The comms button then closes the menu and the level
// goes on, its music with it.
TEST_F(InGameMenu, ThePauseMenuStopsTheLevelAndEscapeLetsItGoOn)
{
    const int w = TsAccess::ScreenWidth(), h = TsAccess::ScreenHeight();
    // A click let go at (x, y); a page over the menu stays open while held.
    auto clickAt = [&](int x, int y) {
        const std::string before = TopName();
        MouseTo(x, y);
        Frames(1, 100);
        Button(true);
        Frames(1, 100);
        EXPECT_TRUE(before == "inmenu" || TopName() == before) << "nothing happens while the button is held";
        Button(false);
        Frames(1, 100);
    };
    TsAccess::Diary()->AddEntry("Demo", "The Demo", "Ann", -1, "A first line");
    const uint32_t playing = CentrePixel();
    Level()->ActivateIngameFrontEnd(true);
    Frames(2, 100);
    EXPECT_TRUE(menu->IsActive() && Level()->IsPaused());
    EXPECT_STREQ(TopName(), "inmenu");
    const double ticks = LuaNumber("g_demoTicks");
    Frames(5, 100);
    EXPECT_EQ(LuaNumber("g_demoTicks"), ticks) << "the level waits under the menu";
    EXPECT_NE(CentrePixel(), playing) << "the menu is drawn over the level";
    auto* buttons = dynamic_cast<TsPauseMenu*>(menu->GetMenuScreen());
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(menu->GetMenuScreen(), buttons);
    buttons->diary.OnMouseUp(0, 0);
    Frames(2, 100);
    EXPECT_STREQ(TopName(), "diary");
    EXPECT_FALSE(menu->IsTutorialAllowed()) << "no tutorial over the diary";
    auto* diary = dynamic_cast<TsDiaryScreen*>(menu->GetDiaryScreen());
    ASSERT_NE(diary, nullptr);
    EXPECT_EQ(diary->page.GetSelected(), 0) << "the last entry is selected";
    for (const float y : {0.0f, 40.0f, 400.0f})
        EXPECT_EQ(diary->page.EntryAt(y, 12.0f, 1), 0) << y;
    EXPECT_EQ(diary->page.EntryAt(40.0f, 12.0f, 0), -1) << "an empty diary picks nothing";
    Tap(plat::kKeyEscape);
    EXPECT_STREQ(TopName(), "inmenu");
    EXPECT_TRUE(menu->IsTutorialAllowed());
    EXPECT_EQ(menu->GetDiaryScreen(), menu->FindPage("diary"));

    // The options page: its sliders read the options and write them back.
    buttons->options.OnMouseUp(0, 0);
    Frames(2, 100);
    EXPECT_STREQ(TopName(), "inoptions");
    auto* options = dynamic_cast<TsInGameOptionsScreen*>(menu->GetInGameOptionsScreen());
    ASSERT_NE(options, nullptr);
    EXPECT_NEAR(options->music.GetValue(), TsOptions::SliderPlaceOf(TsAccess::Options()->GetMusicVolume()), 1e-3f);
    clickAt(w - 32, h - 32);
    EXPECT_STREQ(TopName(), "inmenu");

    // The quit question: No leaves the menu open and the level where it is.
    buttons->quit.OnMouseUp(0, 0);
    Frames(1, 100);
    EXPECT_TRUE(buttons->IsQuitPending());
    auto* box = dynamic_cast<TsGuiMessageBox*>(menu->GetTopWindow());
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(box->GetButtonCount(), 2);
    Tap(plat::kKeyEscape);
    EXPECT_EQ(menu->GetTopWindow(), box);
    box->GetButton(1)->SetHover(true);
    box->OnMouseUp(0, 0);
    Frames(1, 100);
    EXPECT_FALSE(buttons->IsQuitPending());
    EXPECT_STREQ(TopName(), "inmenu");
    EXPECT_EQ(app->GetModeRequest(), TS_MODE_NO_REQUEST);

    clickAt(w - 70, h - 32);
    EXPECT_TRUE(menu->IsActive()) << "beside the button";
    clickAt(w - 32, h - 32);
    EXPECT_FALSE(menu->HasOpenWindows() || menu->IsActive() || Level()->IsPaused());
    Frames(5, 100);
    EXPECT_GT(LuaNumber("g_demoTicks"), ticks);
    // The pause silenced only the voices: the level's music still plays.
    const TsAudio* audio = TsAccess::Audio();
    ASSERT_NE(audio, nullptr);
    EXPECT_TRUE(audio->IsSoundPlaying(AID_BED_MUSIC) && audio->IsSoundPlaying(AID_AMB_MUSIC));

    // Asked again, Yes leaves the level for the title.
    Level()->ActivateIngameFrontEnd(true);
    Frames(2, 100);
    buttons->quit.OnMouseUp(0, 0);
    Frames(1, 100);
    box = dynamic_cast<TsGuiMessageBox*>(menu->GetTopWindow());
    ASSERT_NE(box, nullptr);
    box->GetButton(0)->SetHover(true);
    box->OnMouseUp(0, 0);
    Frames(1, 100);
    EXPECT_EQ(app->GetModeRequest(), TS_MODE_FRONT_END);
}

// The pause menu's third button goes back to the game saved last (here the
// quick save just made), and its name says so.
TEST_F(InGameMenu, ThePauseMenusLoadButtonLoadsTheLastSaveAndSaysSo)
{
    Level()->ActivateIngameFrontEnd(true);
    Frames(2, 100);
    auto* pause = dynamic_cast<TsPauseMenu*>(menu->GetMenuScreen());
    ASSERT_NE(pause, nullptr);
    EXPECT_STREQ(pause->loadLastSave.GetText(), "Load Last Save");
    pause->quickSave.OnMouseUp(0, 0);
    menu->PopWindow(); // the saved message
    const std::string saved = TsAccess::LocalPlayer()->GetSaveName();
    ASSERT_NE(saved, "");
    pause->loadLastSave.OnMouseUp(0, 0);
    EXPECT_EQ(app->GetPendingLoad(), saved);
    EXPECT_EQ(app->GetModeRequest(), TS_MODE_LEVEL);
}

// Titles are cut where the plain font's drawing would leave their room,
// and at the first stop character.
TEST_F(InGameMenu, TitlesAreCutToTheirRoomByMeasuring)
{
    const struct {
        const char* text;
        const char* stops;
        float room;
    } cases[] = {{"Moving: walk and run", "\n:", 1000.0f}, {"WWWWWWWWWWWWWWWWWWWW", "", 60.0f},
                 {"iiiiiiiiiiiiiiiiiiii", "", 60.0f},     {"A long diary title", "", 0.0f}};
    for (const auto& c : cases) {
        char out[64];
        CutToWidth(*menu, c.text, c.stops, c.room, out, sizeof out);
        float w = 0.0f, h = 0.0f;
        menu->GetPlainTextExtent(out, w, h);
        const size_t n = std::strlen(out);
        EXPECT_LE(w, c.room) << c.text;
        const size_t whole = std::strcspn(c.text, c.stops);
        if (n < whole) {
            std::string longer(c.text, n + 1);
            menu->GetPlainTextExtent(longer.c_str(), w, h);
            EXPECT_GT(w, c.room) << "one more character would not fit: " << c.text;
        }
        EXPECT_LE(n, whole) << c.text;
    }
}

// The squad's character at the centre, another character near it and the
// objective, in the three shading modes: the local map by density, by
// edges, and the blurred map of the whole world.
TEST_F(InGameMenu, TheRadarShowsTheSquadOthersAndTheObjectiveInEveryMode)
{
    AddHero(4.0f, 4.0f);
    ASSERT_NE(AddStranger("stranger", 12.0f, 9.0f), nullptr);

    TsRadar* radar = Level()->GetRadar();
    for (const int mode : {0, 1, 2}) {
        for (const bool far : {false, true}) {
            radar->Release();
            radar->CreateRadar(mode);
            radar->SetObjective(far ? 90.0f : 10.0f, 0.0f, far ? 4.0f : -2.0f);
            Frames(3, 100);
            SCOPED_TRACE(testing::Message() << "mode " << mode << (far ? ", far objective" : ""));
            EXPECT_EQ(radar->GetDrawnBlips(TsRadar::kPCBlip), 1);
            EXPECT_EQ(radar->GetDrawnBlips(TsRadar::kNPCBlip), 1);
            EXPECT_EQ(radar->GetDrawnBlips(TsRadar::kObjectiveBlip), far ? 0 : 1);
            EXPECT_EQ(radar->GetDrawnArrows(), far ? 1 : 0);
            if (mode == 2)
                EXPECT_NE(radar->GetWorldMap(), nullptr);
            else
                EXPECT_NE(radar->GetLocalMap(), nullptr);
        }
    }
    radar->UseRadar(false);
    Frames(2, 100);
    EXPECT_EQ(radar->GetDrawnBlips(TsRadar::kPCBlip), 0) << "a hidden radar draws nothing";
}

// A notice at pixel (300, 200): before, the two numbers reached the box as a
// button count and a pointer to buttons.
TEST_F(InGameMenu, APositionedNoticeTakesNoButtonsFromItsPixelPosition)
{
    menu->SetActive(true, false);
    ShowMessageBoxAt("Notice", 300.0f, 200.0f, menu);
    auto* notice = dynamic_cast<TsGameMessageBox*>(menu->GetTopWindow());
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice->GetButtonCount(), 0);
    EXPECT_NEAR(GuiToPixelsX(notice->GetX()), 300.0f, 1.0f);
    EXPECT_NEAR(GuiToPixelsY(notice->GetY()), 200.0f, 1.0f);
}

TEST_F(InGameMenu, TheObjectivesHintAndALessonsExitScriptAreCutToTheirBounds)
{
    const std::string longHint(2000, 'h');
    objective->SetText("Find the door", longHint.c_str());
    EXPECT_EQ(std::strlen(objective->GetHintLine()), TsObjectiveWindow::kMaxHint);
    objective->SetText("Find the door", nullptr);
    EXPECT_STREQ(objective->GetHintLine(), "");
    const std::string longScript = "g_tutorialDone = 1 --" + std::string(3000, 'x');
    tutorial->SetExitScript(longScript.c_str());
    EXPECT_EQ(std::strlen(tutorial->GetExitScript()), TsTutorialDialog::kMaxExitScript);
}

TEST_F(InGameMenu, TheLastWindowsCloseBoxResumesAndRunsTheExitScriptOnce)
{
    menu->SetActive(true, false);
    tutorial->SetExitScript("g_tutorialDone = (g_tutorialDone or 0) + 1");
    tutorial->Clear(2);
    tutorial->AddFragment(30733, 0);
    tutorial->AddFragment(-5, -1); // refused
    EXPECT_EQ(tutorial->GetFragmentCount(), 1);
    menu->PushWindow(tutorial, TsFrontEndBase::kScreen);
    Frames(1, 100);
    tutorial->text.closeBox.OnMouseUp(0, 0); // the last window's close box
    Frames(1, 100);
    EXPECT_FALSE(menu->HasOpenWindows());
    EXPECT_FALSE(Level()->IsPaused());
    EXPECT_EQ(LuaNumber("g_tutorialDone"), 1.0) << "the exit script runs once";
    EXPECT_EQ(tutorial->GetFragmentCount(), 0);
    EXPECT_STREQ(tutorial->GetExitScript(), "");
}

TEST_F(InGameMenu, AMemberFallenAsTheMenuOpensClosesItAgain)
{
    TsPCObject* hero = AddHero(10.0f, 4.0f); // in the corridor, where nothing lies
    hero->SetFlag(TS_ENTITY_DEAD);
    Level()->ActivateIngameFrontEnd(true);
    Frames(2, 100);
    hero->ClearFlag(TS_ENTITY_DEAD);
    EXPECT_FALSE(menu->HasOpenWindows() || Level()->IsPaused());
}

TEST_F(InGameMenu, ALessonUnderAMessageKeepsItsTextAndExitScriptUntilItCloses)
{
    ShowLesson("g_lessonRead = (g_lessonRead or 0) + 1");
    // The lesson's words: the bright pixels inside its text window.
    auto words = [&] {
        Frames(1, 100);
        const TsGuiControl& text = tutorial->text;
        return Look().Count(int(GuiToPixelsX(text.GetX())) + 16, int(GuiToPixelsY(text.GetY())) + 16,
                            int(GuiToPixelsX(text.GetRight())) - 16, int(GuiToPixelsY(text.GetBottom())) - 16,
                            [](uint32_t p) { return Red(p) > 180 && Green(p) > 180 && Blue(p) > 180; });
    };
    const int before = words();
    ASSERT_GT(before, 50) << "the lesson is on the screen";

    ShowMessageBox("The objectives have changed.", TsGuiMessageBox::kOk, menu);
    Frames(1, 100);
    EXPECT_EQ(LuaNumber("g_lessonRead"), -1.0) << "no exit script while the lesson is only covered";
    menu->PopWindow(); // the message answered
    EXPECT_EQ(menu->GetTopWindow(), tutorial);
    EXPECT_GE(words(), before * 9 / 10) << "the lesson's words are back";
    EXPECT_EQ(LuaNumber("g_lessonRead"), -1.0);

    tutorial->text.closeBox.OnMouseUp(0, 0);
    Frames(1, 100);
    EXPECT_EQ(LuaNumber("g_lessonRead"), 1.0) << "the exit script runs as the lesson closes";
    EXPECT_EQ(tutorial->GetFragmentCount(), 0);
}

// A script starts the objectives and the lesson under them in one tick.
TEST_F(InGameMenu, TheObjectivesOkClosesOnlyThemNotTheLessonBeneath)
{
    ShowLesson("g_lessonRead = 1");
    menu->PushWindowAt(objective, reinterpret_cast<TsGuiArg>("Find the door"), 0, TsFrontEndBase::kScreen);
    objective->button.OnMouseUp(0, 0);
    Frames(2, 100);
    EXPECT_EQ(menu->GetTopWindow(), tutorial);
    EXPECT_TRUE(Level()->IsPaused());
    EXPECT_EQ(LuaNumber("g_lessonRead"), -1.0) << "the lesson is not over unseen";
    EXPECT_EQ(tutorial->GetFragmentCount(), 1);
}

TEST_F(InGameMenu, TheObjectivesShownAgainAfterAMouseOkStayOpen)
{
    Level()->SetObjectivesText("Find the door");
    Frames(1, 100);
    ASSERT_EQ(menu->GetTopWindow(), objective);
    objective->button.OnMouseUp(0, 0);
    Frames(1, 100);
    ASSERT_FALSE(menu->HasOpenWindows());
    Level()->SetObjectivesText("Open the door");
    Frames(2, 100);
    EXPECT_EQ(menu->GetTopWindow(), objective);
}

// A lesson whose exit script starts the next one, closed with the whole menu
// (the pause menu's Resume, a script): the next lesson is shown over the
// paused level, and closing it lets play go on.
TEST_F(InGameMenu, ALessonStartedAsTheMenuClosesIsShownAndPlayGoesOnAfterIt)
{
    ShowLesson("TsAccess:StartTutorialDialog(1); TsAccess:TutorialDialogAddFragment(30733, 0)");
    Frames(1, 100);
    menu->SetActive(false, true);
    EXPECT_EQ(menu->GetTopWindow(), tutorial) << "the next lesson is on the screen";
    EXPECT_EQ(tutorial->GetFragmentCount(), 1);
    EXPECT_TRUE(Level()->IsPaused());
    EXPECT_TRUE(menu->IsActive());
    Frames(1, 100);
    tutorial->text.closeBox.OnMouseUp(0, 0);
    Frames(1, 100);
    EXPECT_FALSE(menu->HasOpenWindows());
    EXPECT_FALSE(Level()->IsPaused());
}

TEST_F(InGameMenu, ATutorialFragmentIndexPastTheBoundIsRefusedAndLogged)
{
    tutorial->Clear(2);
    for (int32_t index : {TsTutorialDialog::kMaxFragmentIndex + 1, 1000000000, INT32_MAX}) {
        SCOPED_TRACE(index);
        log.Clear();
        tutorial->AddFragment(30733, index);
        EXPECT_EQ(tutorial->GetFragmentCount(), 0);
        EXPECT_TRUE(log.Contains("TutorialDialogAddFragment")) << log.All();
        EXPECT_TRUE(log.Contains(std::to_string(TsTutorialDialog::kMaxFragmentIndex))) << log.All();
    }
    tutorial->AddFragment(30733, TsTutorialDialog::kMaxFragmentIndex); // the last allowed
    EXPECT_EQ(tutorial->GetFragmentCount(), TsTutorialDialog::kMaxFragmentIndex + 1);
}

// Scrolled, the tutorial's text keeps inside its window: the level above it
// looks as it did unscrolled (but for what the level itself moves). Once
// its topic list is scrolled, a click on the first row picks the topic
// drawn there, and that row is the one lit.
TEST_F(InGameMenu, ScrolledTutorialTextAndTopicsKeepToTheirWindowsAndRows)
{
    const int32_t ids[] = {6300, 6310, 6320, 6330, 6340, 6350, 6360, 6370, 6200, 6210, 6220, 6230};
    tutorial->Clear(int32_t(std::size(ids)));
    for (int32_t i = 0; i < int32_t(std::size(ids)); ++i)
        tutorial->AddFragment(ids[i], i);
    menu->SetActive(true, false);
    menu->PushWindow(tutorial, TsFrontEndBase::kScreen);
    std::string longText;
    for (int word = 0; word < 400; ++word)
        longText += "Lesson ";
    tutorial->text.SetText(longText.c_str());
    // The strip above the text window, over the width of its text.
    const int stripBottom = int(GuiToPixelsY(tutorial->text.GetY())) - 16;
    const int stripLeft = int(GuiToPixelsX(tutorial->text.GetX())) + 12;
    const int stripRight = int(GuiToPixelsX(tutorial->text.list.GetX())) - 4;
    const auto differing = [&](const Picture& a, const Picture& b) {
        return a.Count(stripLeft, 0, stripRight, stripBottom,
                       [&](int x, int y) { return (a.At(x, y) & 0xFFFFFF) != (b.At(x, y) & 0xFFFFFF); });
    };
    const Picture plain = LookAfter(1);
    const int noise = differing(plain, LookAfter(1));
    tutorial->text.list.SetValue(0.1f); // ten lines scrolled away
    const Picture scrolled = LookAfter(1);
    ASSERT_EQ(scrolled.pixels.size(), plain.pixels.size());
    EXPECT_LE(differing(plain, scrolled), noise + 20) << "scrolled text drawn above its window";

    TsTextView& topics = tutorial->topics;
    topics.list.SetValue(0.5f);
    const int32_t first = topics.FirstShown();
    ASSERT_GT(first, 0);
    const int rowX = int(GuiToPixelsX(topics.GetX())) + 20, rowY = int(GuiToPixelsY(topics.GetY())) + 12;
    topics.OnMouseUp(GuiPackMouse(rowX, rowY), 0);
    EXPECT_EQ(topics.GetSelected(), first);
    const Picture shown = LookAfter(1);
    const auto yellow = [&](int top, int bottom) {
        const int left = int(GuiToPixelsX(topics.GetX())), right = int(GuiToPixelsX(topics.GetRight()));
        return shown.Count(left, top, right, std::min(bottom, shown.height),
                           [](uint32_t p) { return Red(p) > 200 && Green(p) > 200 && Blue(p) < 80; });
    };
    const int frameBottom = int(GuiToPixelsY(topics.GetBottom()));
    EXPECT_GT(yellow(rowY - 4, rowY + int(TsTextView::kLineHeight) - 4), 5) << "the clicked row is lit";
    EXPECT_EQ(yellow(rowY + int(TsTextView::kLineHeight), frameBottom + 40), 0) << "lit on another row";
    menu->PopWindow();
}

// The stack is topped up and sold a pack at a time.
TEST_F(InGameMenu, ATraderSellsAndBuysAtTheTradePrices)
{
    TsPCObject* hero = AddHero(4.0f, 4.0f);
    TsNPCObject* trader = AddStranger("TechTrader", 6.0f, 4.0f);
    ASSERT_NE(trader, nullptr);
    // Copies of the level's articles, on no entity list.
    ASSERT_TRUE(Named<TsItemObject>("medkitA") && Named<TsItemObject>("ammoA") && trader->GetInventory() && hero->GetInventory());
    auto* medkit = new TsItemObject;
    medkit->CopyFromTemplate(Named<TsItemObject>("medkitA"));
    auto* ammo = new TsItemObject;
    ammo->CopyFromTemplate(Named<TsItemObject>("ammoA"));
    medkit->SetValue(7.0f);
    medkit->SetForSale(true);
    ASSERT_GE(trader->GetInventory()->AddArticle(medkit), 1); // the inventory's reference now
    ammo->SetValue(3.0f);
    ammo->SetForSale(true);
    ammo->SetPackSize(4);
    ammo->SetMaxStack(20);
    ASSERT_GE(hero->GetInventory()->AddArticle(ammo), 1);
    ASSERT_EQ(ammo->GetStack(), 10);
    TsPlayer* player = TsAccess::LocalPlayer();
    player->AddToKitty(100 - player->GetKitty());

    TsHUDe* hud = Level()->GetHUD();

    // Buying: a new medkit of the trader's, at its value times its pack.
    const int32_t before = hero->GetInventory()->GetTotalCount();
    const int32_t cost = TsTrade::BuyCost(7.0f, medkit->GetPackSize(), hero->GetPCType());
    ASSERT_TRUE(hud->BuyArticle(*hero, *medkit));
    EXPECT_EQ(player->GetKitty(), 100 - cost);
    EXPECT_EQ(hero->GetInventory()->GetTotalCount(), before + 1);
    EXPECT_TRUE(trader->GetInventory()->Holds(medkit)) << "the trader keeps its own";

    // Selling: a pack from the larger stack, then what is left.
    const int32_t kitty = player->GetKitty();
    ASSERT_TRUE(hud->SellArticle(*hero, *ammo));
    EXPECT_EQ(ammo->GetStack(), 6);
    EXPECT_EQ(player->GetKitty(), kitty + 8); // trunc(3 x 4 x 0.66667)
    ASSERT_TRUE(hud->SellArticle(*hero, *ammo));
    EXPECT_EQ(ammo->GetStack(), 2);
    ASSERT_TRUE(hud->SellArticle(*hero, *ammo)); // the article is gone after this
    EXPECT_EQ(hero->GetInventory()->GetTotalCount(), before) << "the last of the stack goes with the article";
    EXPECT_EQ(player->GetKitty(), kitty + 8 + 8 + 4);
    Frames(2, 100);

    player->AddToKitty(-player->GetKitty());
    EXPECT_FALSE(hud->BuyArticle(*hero, *medkit));
    EXPECT_EQ(player->GetKitty(), 0);
}

// A trade left with Escape, or whose trader goes, ends: the radar is back,
// the money window and the inventory gone; the next Escape opens the menu.
TEST_F(InGameMenu, ATradeEndsAsItIsLeftOrItsTraderGoes)
{
    const std::pair<const char*, std::function<void(TsNPCObject*)>> rows[] = {
        {"left", [&](TsNPCObject*) { Tap(plat::kKeyEscape); }},
        {"killed", [](TsNPCObject* trader) { trader->IncrementHealth(-2.0f * trader->GetMaxHealth()); }},
        {"sent to sleep by a script", [](TsNPCObject* trader) { trader->SetDormant(true); }},
        {"taken off the level", [](TsNPCObject* trader) { Level()->GetEntityDB()->RemoveEntity(trader); }},
    };
    AddHero(4.0f, 4.0f);
    TsHUDe* hud = Level()->GetHUD();
    for (const auto& [how, go] : rows) {
        SCOPED_TRACE(how);
        TsNPCObject* trader = AddStranger("TechTrader", 6.0f, 4.0f);
        hud->SetTrader(trader);
        hud->OnConversationEnd();
        Frames(30, 100); // the inventory flies out
        ASSERT_FALSE(Level()->GetRadar()->IsRadarShown()) << "the money window takes its corner";
        go(trader);
        Frames(30, 100); // the inventory flies home
        EXPECT_FALSE(hud->IsTraderPending() || hud->IsPanelOpen() || hud->GetPriceWindow().IsVisible());
        EXPECT_TRUE(Level()->GetRadar()->IsRadarShown());
        EXPECT_FALSE(menu->HasOpenWindows());
        Tap(plat::kKeyEscape);
        EXPECT_STREQ(TopName(), "inmenu");
        Tap(plat::kKeyEscape);
    }
}

// Unlimited (no maximum stack): a new article is bought, its rounds join the
// hero's stack and the copy is released.
TEST_F(InGameMenu, BuyingUnlimitedAmmunitionTheHeroCarriesReleasesTheBoughtCopy)
{
    ASSERT_NO_FATAL_FAILURE(SetUpAmmunitionTrade(1.0f));
    const int32_t rounds = carried->GetStack() + wares->GetStack();
    TsPlayer* player = TsAccess::LocalPlayer();
    player->AddToKitty(1000 - player->GetKitty());
    const uint32_t live = TsItemObject::s_pool.GetLiveCount();

    ASSERT_TRUE(Level()->GetHUD()->BuyArticle(*buyer, *wares));
    CollectScriptHandles();
    EXPECT_EQ(carried->GetStack(), rounds);
    EXPECT_EQ(TsItemObject::s_pool.GetLiveCount(), live);
}

// A full stack takes nothing and the buy is refused.
TEST_F(InGameMenu, UnlimitedAmmunitionBoughtIntoACappedStackCostsOnlyWhatFits)
{
    ASSERT_NO_FATAL_FAILURE(SetUpAmmunitionTrade(10.0f));
    ASSERT_GT(wares->GetPackSize(), 3);
    TsPlayer* player = TsAccess::LocalPlayer();
    const struct {
        const char* what;
        int32_t room;
        bool bought;
    } rows[] = {{"room for three rounds", 3, true}, {"no room", 0, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        carried->SetStack(5);
        carried->SetMaxStack(5 + row.room);
        player->AddToKitty(1000 - player->GetKitty());
        EXPECT_EQ(Level()->GetHUD()->BuyArticle(*buyer, *wares), row.bought);
        EXPECT_EQ(carried->GetStack(), 5 + row.room);
        EXPECT_EQ(player->GetKitty(), 1000 - TsTrade::BuyCost(10.0f, row.room, buyer->GetPCType()));
    }
}

// A price a script set below every int is held at the lowest: the buy pays
// the party that much, up to the kitty's limit, whether it brings a new
// article or tops up the hero's stack.
TEST_F(InGameMenu, ABuyPricedBelowEveryIntPaysThePartyUpToTheKittysLimit)
{
    ASSERT_NO_FATAL_FAILURE(SetUpAmmunitionTrade(-1e30f));
    TsPlayer* player = TsAccess::LocalPlayer();
    for (const bool carrying : {true, false}) {
        SCOPED_TRACE(carrying ? "a top-up" : "a new article");
        if (!carrying) {
            ASSERT_TRUE(buyer->GetInventory()->RemoveArticle(carried));
        }
        player->AddToKitty(1000 - player->GetKitty());
        EXPECT_TRUE(Level()->GetHUD()->BuyArticle(*buyer, *wares));
        EXPECT_EQ(player->GetKitty(), INT32_MAX);
    }
}

} // namespace
} // namespace apptest
