// The title screens' rules: the saved-game list (names, order, deletion and
// loading that fail), the name dialog's answers and the hidden modes.
#include "tests/ui/AppFixture.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "game/objects/TsPlayer.h"
#include "ui/TsLoadGameScreen.h"
#include "ui/TsTitleScreens.h"

using namespace titletest;

namespace {

class TitleScreens : public TitleTest {
protected:
    void SetUp() override
    {
        TitleTest::SetUp();
        std::filesystem::create_directory("Save Games");
    }

    // Starts the title and opens the load screen over the saves made.
    TsLoadGameScreen& StartOnLoadScreen()
    {
        Start();
        return Show<TsLoadGameScreen>(TsFrontEnd::GetLoadScreen);
    }

    // Starts the title and opens the new-game name dialog over it, a frame on.
    TsNewGameScreen& StartOnNameDialog()
    {
        Start();
        return Show<TsNewGameScreen>(TsFrontEnd::GetNewGameScreen, TsFrontEndBase::kMessageBox);
    }

    std::vector<std::string> Listed(TsSaveGameList& list)
    {
        std::vector<std::string> files;
        for (int32_t i = 0; i < list.GetItemCount(); ++i)
            files.push_back(list.EntryAt(i)->file.Get());
        return files;
    }
};

TEST_F(TitleScreens, SavesAreListedNewestFirstOrByNameAndNumber)
{
    MakeSave("bob [2]", 1000);
    MakeSave("alice [2]", 3000);
    MakeSave("alice [1]", 2000);
    MakeSave("dave [1] - Demo", 500); // a save named with its level
    // Not saves: a name with a dot, a damaged one, one too long to be a
    // player's, and a folder.
    for (const std::string bad : {"notes.txt", "bob [2]x", "bob [2", "bob [2] -Demo", "[4]", "alice [x]"})
        MakeSave(bad, 5000);
    MakeSave(std::string(80, 'a') + " [1]", 5000);
    std::filesystem::create_directory("Save Games/carl [1]");
    TsLoadGameScreen& screen = StartOnLoadScreen();
    EXPECT_EQ(Listed(screen.list), (std::vector<std::string>{"alice [2]", "alice [1]", "bob [2]", "dave [1] - Demo"}));
    EXPECT_EQ(screen.sort.GetSortOrder(), 1);
    screen.list.SelectIndex(1);
    screen.sort.SetSortOrder(0);
    EXPECT_EQ(Listed(screen.list), (std::vector<std::string>{"alice [1]", "alice [2]", "bob [2]", "dave [1] - Demo"}));
    EXPECT_EQ(screen.list.GetSelected(), screen.list.EntryAt(1)) << "the selection keeps its row";
    EXPECT_NE(std::string(screen.list.EntryAt(0)->label.Get()).find("alice [1] : "), std::string::npos);

    // Equal names and numbers: the newer first either way.
    TsSaveGameEntry a, b;
    a.player = b.player = "p", a.number = b.number = 1, a.writeTime = 10, b.writeTime = 20;
    EXPECT_GT(TsSaveGameList::Compare(a, b, 0), 0);
    EXPECT_GT(TsSaveGameList::Compare(a, b, 1), 0);
}

// A save that cannot be deleted keeps its row and says so; one whose file
// has gone since the list was read says so when loaded, drops its row and
// starts nothing.
TEST_F(TitleScreens, ASaveThatCannotBeDeletedOrHasGoneSaysSo)
{
    MakeSave("alice [1]", 2000);
    MakeSave("bob [1]", 1000);
    TsLoadGameScreen& screen = StartOnLoadScreen();
    // The file becomes a folder with something in it: remove() fails.
    std::filesystem::remove("Save Games/alice [1]");
    std::filesystem::create_directories("Save Games/alice [1]/inside");
    screen.list.SelectIndex(0);
    EXPECT_FALSE(screen.list.DeleteSelected());
    EXPECT_EQ(screen.list.GetItemCount(), 2);
    EXPECT_TRUE(log.Contains("could not be deleted"));
    screen.list.SetSelected(nullptr);
    EXPECT_FALSE(screen.list.DeleteSelected()) << "nothing selected";

    std::filesystem::remove("Save Games/bob [1]");
    screen.list.SelectIndex(1);
    screen.list.LoadSelected();
    ASSERT_NO_FATAL_FAILURE(ExpectMessage(30618));
    const TsGuiWindow* box = Title().GetTopWindow();
    EXPECT_EQ(Listed(screen.list), (std::vector<std::string>{"alice [1]"}));
    EXPECT_TRUE(app->GetPendingLoad().empty());
    EXPECT_EQ(app->GetModeRequest(), TS_MODE_NO_REQUEST);
    Frames(3);
    EXPECT_EQ(Title().GetTopWindow(), box) << "the message waits for its OK";
}

// One click on a save selects it; a double click on it loads it.
TEST_F(TitleScreens, ADoubleClickOnASaveLoadsIt)
{
    MakeSave("alice [1]", 2000);
    MakeSave("bob [1]", 1000);
    TsSaveGameList& list = StartOnLoadScreen().list;
    const int x = int(GuiToPixelsX(list.GetX() + list.GetWidth() / 2.0f));
    const int y = int(list.GetContentTop() + list.EntryAt(1)->height * 1.5f);
    ASSERT_EQ(list.ItemAt(float(x), float(y)), list.EntryAt(1));
    Click(x, y);
    EXPECT_EQ(list.GetSelected(), list.EntryAt(1));
    EXPECT_TRUE(app->GetPendingLoad().empty()) << "one click only selects";
    Frames(3);
    ClickHere();
    ClickHere();
    EXPECT_EQ(app->GetPendingLoad(), "bob [1]");
}

// Deleting a row selects the row before it, or the one after when it was
// the first, so saves can be deleted one after another.
TEST_F(TitleScreens, DeletingASaveSelectsItsNeighbour)
{
    MakeSave("a [1]", 4000);
    MakeSave("b [1]", 3000);
    MakeSave("c [1]", 2000);
    MakeSave("d [1]", 1000);
    TsSaveGameList& list = StartOnLoadScreen().list;
    const struct {
        int32_t row;
        const char* selectedAfter;
        std::vector<std::string> left;
    } cases[] = {
        {1, "a [1]", {"a [1]", "c [1]", "d [1]"}}, {0, "c [1]", {"c [1]", "d [1]"}}, {1, "c [1]", {"c [1]"}},
        {0, nullptr, {}},
    };
    for (const auto& c : cases) {
        list.SelectIndex(c.row);
        ASSERT_TRUE(list.DeleteSelected()) << c.row;
        EXPECT_EQ(Listed(list), c.left);
        const auto* selected = static_cast<const TsSaveGameEntry*>(list.GetSelected());
        EXPECT_STREQ(selected ? selected->file.Get() : nullptr, c.selectedAfter);
    }
}

// A quick tap on a busy machine lets Return go before the tick that reads it.
TEST_F(TitleScreens, AReturnTapBetweenTwoTicksGivesTheName)
{
    TsNewGameScreen& dialog = StartOnNameDialog();
    dialog.name.SetText("WARDEN");
    Frame();
    Key(kKeyReturn, true);
    FrameAfter(0); // a frame in the same instant: a poll, no tick
    ASSERT_EQ(Title().GetTopWindow(), &dialog) << "no tick yet";
    Key(kKeyReturn, false);
    FrameAfter(kTickUnits);
    EXPECT_STREQ(PlayerName().Get(), "WARDEN");
}

// A busy machine's ticks can be that far apart.
TEST_F(TitleScreens, ANameTypedWithReturnInOneTickIsTheNameGiven)
{
    StartOnNameDialog();
    for (int key : {plat::kKeyA, plat::kKeyN, plat::kKeyN, kKeyReturn}) {
        Key(key, true);
        Key(key, false);
    }
    FrameAfter(kTickUnits);
    EXPECT_STREQ(PlayerName().Get(), "ANN");
}

TEST_F(TitleScreens, TheNameDialogTakesOnlyAGoodNameAndOnlyOnOk)
{
    Start();
    TsFrontEnd& title = Title();
    TsGuiWindow* dialog = TsFrontEnd::GetNewGameScreen(&title);
    // A stale OK from an earlier question must not start a game.
    title.SetMessageResult(TsFrontEndBase::kResultOk);
    title.PushWindow(dialog, TsFrontEndBase::kMessageBox);
    static_cast<TsNewGameScreen*>(dialog)->name.SetText("SOMEONE");
    Tap(kKeyEscape); // the title's back action closes the dialog
    EXPECT_NE(title.GetTopWindow(), dialog);
    EXPECT_EQ(title.GetMessageResult(), TsFrontEndBase::kResultCancel);
    EXPECT_TRUE(PlayerName().IsEmpty());
    EXPECT_EQ(app->GetModeRequest(), TS_MODE_NO_REQUEST);

    title.PushWindow(dialog, TsFrontEndBase::kMessageBox);
    static_cast<TsNewGameScreen*>(dialog)->name.SetText("WARDEN");
    Tap(kKeyReturn);
    EXPECT_EQ(title.GetMessageResult(), TsFrontEndBase::kResultOk);
    EXPECT_STREQ(PlayerName().Get(), "WARDEN");

    // An empty name and one with other characters than letters, digits,
    // spaces and underscores each get their message, and no game starts.
    auto* main = static_cast<TsMainScreen*>(TsFrontEnd::GetMainScreen(&title));
    ASSERT_EQ(title.GetTopWindow(), main);
    for (const auto& [typed, text] : {std::pair("", 30591), std::pair("a-b", 30592), std::pair("dot.", 30592)}) {
        SCOPED_TRACE(typed);
        Press(main->newGame);
        auto* asked = dynamic_cast<TsNewGameScreen*>(title.GetTopWindow());
        ASSERT_NE(asked, nullptr);
        asked->name.SetText(typed);
        Tap(kKeyReturn);
        Frame();
        ASSERT_NO_FATAL_FAILURE(ExpectMessage(text));
        title.PopWindow();
        Frame();
        EXPECT_EQ(title.GetTopWindow(), main) << "one message only";
    }
    EXPECT_EQ(app->GetModeRequest(), TS_MODE_NO_REQUEST);
}

// A game that cannot start (its first save cannot be written: "Save Games"
// is a file) leaves the title as it was, its music playing on.
TEST_F(TitleScreens, AGameThatCannotStartLeavesTheTitlesMusicPlaying)
{
    std::filesystem::remove("Save Games");
    scratch->Write("Save Games", "not a folder");
    Start();
    const TsAudio* audio = TsAccess::Audio();
    ASSERT_TRUE(audio && audio->IsSoundPlaying(AID_FRONTEND_MUSIC));
    auto* main = static_cast<TsMainScreen*>(TsFrontEnd::GetMainScreen(&Title()));
    Press(main->tutorial);
    ASSERT_EQ(app->GetModeRequest(), TS_MODE_NO_REQUEST) << "no game started";
    EXPECT_TRUE(audio->IsSoundPlaying(AID_FRONTEND_MUSIC));
}

TEST_F(TitleScreens, AHiddenModeNameTogglesItsModeAndStartsNoGame)
{
    Start();
    TsFrontEnd& title = Title();
    ASSERT_STRNE(TitleText(30579), "") << "the demo texts hold the hidden-mode names";
    TsPlayer::_EnableEasterEgg(TsPlayer::EGG_BIGHEADS, false);
    std::string upper = TitleText(30579);
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    // Typed twice (in any case): on, then off again, each with its message.
    for (const auto& [on, text] : {std::pair(true, 30580), std::pair(false, 30581)}) {
        PlayerName() = upper.c_str();
        EXPECT_TRUE(CheckHiddenModeName(&title));
        EXPECT_EQ(TsPlayer::_IsEasterEggEnabled(TsPlayer::EGG_BIGHEADS), on);
        ASSERT_NO_FATAL_FAILURE(ExpectMessage(text));
        title.PopWindow();
    }
    EXPECT_FALSE(TsPlayer::_IsEasterEggEnabled(TsPlayer::EGG_STICKMEN)) << "only the named mode switches";
    PlayerName() = "WARDEN";
    EXPECT_FALSE(CheckHiddenModeName(&title));
    EXPECT_EQ(app->GetModeRequest(), TS_MODE_NO_REQUEST);
}

} // namespace
