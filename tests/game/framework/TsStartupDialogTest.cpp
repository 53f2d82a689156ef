// The start-up dialog: which adapter and mode it preselects from the
// options, what its commands hand on, and the window worked through
// injected keys and clicks.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "game/framework/TsOptions.h"
#include "game/framework/TsStartupDialog.h"
#include "game/framework/TsStartupDialogWindow.h"
#include "platform/EventInjection.h"
#include "platform/GfxSystem.h"
#include "platform/KeyCodes.h"
#include "platform/MessageBox.h"
#include "render/OmD3D.h"
#include "tests/game/framework/LogCapture.h"
#include "testing/ScratchDir.h"
#include "tools/DemoImages.h"

namespace {

using namespace plat;
using plat::GfxFormat::A8R8G8B8;
using plat::GfxFormat::R5G6B5;
using plat::GfxFormat::R8G8B8;
using plat::GfxFormat::X8R8G8B8;

GfxTestAdapter Adapter(const char* name, std::vector<GfxDisplayMode> modes)
{
    GfxTestAdapter a;
    a.description = name;
    a.modes = std::move(modes);
    return a;
}

class TsStartupDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetMessageBoxHook([this](std::string_view caption, std::string_view text) {
            boxes_.push_back(std::string(caption) + ": " + std::string(text));
        });
    }
    void TearDown() override
    {
        SetMessageBoxHook(nullptr);
        ClearGfxTestAdapters();
    }

    // The options ask for a mode on an adapter; the dialog is prepared over the given adapters.
    int Prepare(std::vector<GfxTestAdapter> adapters, int width, int height, int bits, int adapter = 0)
    {
        SetGfxTestAdapters(std::move(adapters));
        options_.SetScreenWidth(width);
        options_.SetScreenHeight(height);
        options_.SetBitDepth(bits);
        options_.SetAdapter(adapter);
        dialog_ = std::make_unique<TsStartupDialog>(renderer_, options_, skipVideos_);
        return dialog_->Prepare();
    }

    std::string SelectedModeText() const
    {
        const int mode = dialog_->SelectedMode();
        return mode >= 0 && mode < dialog_->ModeCount() ? dialog_->ModeText(mode) : "(none)";
    }

    // What the options now ask for: "adapter: width x height x bits".
    std::string Chosen() const
    {
        return std::to_string(options_.GetAdapter()) + ": " + std::to_string(options_.GetScreenWidth()) + " x " +
               std::to_string(options_.GetScreenHeight()) + " x " + std::to_string(options_.GetBitDepth());
    }

    std::vector<std::string> ModeTexts() const
    {
        std::vector<std::string> texts;
        for (int i = 0; i < dialog_->ModeCount(); ++i)
            texts.push_back(dialog_->ModeText(i));
        return texts;
    }

    OmD3D renderer_;
    TsOptions options_;
    bool skipVideos_ = false;
    std::unique_ptr<TsStartupDialog> dialog_;
    std::vector<std::string> boxes_;
};

TEST_F(TsStartupDialogTest, PreselectsTheWantedModeOr800x600x16OrTheFirst)
{
    // 1024 x 768 exists only in 16 bits: the 16-bit 800 x 600 is taken instead.
    ASSERT_EQ(Prepare({Adapter("A", {{640, 480, 60, R5G6B5}, {800, 600, 60, R5G6B5}, {1024, 768, 60, R5G6B5},
                                     {640, 480, 60, X8R8G8B8}})},
                      1024, 768, 32),
              TsStartupDialog::kPlay);
    EXPECT_EQ(SelectedModeText(), "800 x 600 x 16");
    EXPECT_TRUE(boxes_.empty());

    // The wanted mode itself when it is there.
    Prepare({Adapter("A", {{800, 600, 60, R5G6B5}, {1024, 768, 60, X8R8G8B8}})}, 1024, 768, 32);
    EXPECT_EQ(SelectedModeText(), "1024 x 768 x 32");

    // Neither the wanted mode nor 800 x 600 x 16: the first mode.
    Prepare({Adapter("A", {{1280, 1024, 60, X8R8G8B8}, {640, 480, 60, X8R8G8B8}})}, 1024, 768, 32);
    EXPECT_EQ(dialog_->SelectedMode(), 0);

    // 24-bit RGB counts as 32 bits, in the list and when matching the options.
    Prepare({Adapter("A", {{800, 600, 60, R8G8B8}, {800, 600, 60, R5G6B5}, {640, 480, 60, A8R8G8B8}})}, 800, 600, 32);
    EXPECT_EQ(SelectedModeText(), "800 x 600 x 32");
    EXPECT_EQ(ModeTexts(), (std::vector<std::string>{"800 x 600 x 16", "640 x 480 x 32", "800 x 600 x 32"}));
}

TEST_F(TsStartupDialogTest, AnAdapterOutsideTheListOrWithoutModesIsNotKept)
{
    const std::vector<GfxTestAdapter> two = {Adapter("First", {{800, 600, 60, R5G6B5}}),
                                             Adapter("Second", {{1024, 768, 60, X8R8G8B8}})};
    for (int wanted : {2, 7, -1, -100}) {
        ASSERT_EQ(Prepare(two, 800, 600, 16, wanted), TsStartupDialog::kPlay) << wanted;
        EXPECT_EQ(dialog_->SelectedAdapter(), 0) << wanted;
        EXPECT_EQ(SelectedModeText(), "800 x 600 x 16") << wanted;
    }
    ASSERT_EQ(Prepare(two, 1024, 768, 32, 1), TsStartupDialog::kPlay);
    EXPECT_EQ(dialog_->SelectedAdapter(), 1);
    EXPECT_EQ(dialog_->AdapterText(1), "Second");

    // The wanted adapter has no modes: the lowest-numbered one that has some.
    ASSERT_EQ(Prepare({Adapter("Empty", {}), Adapter("Empty too", {}), Adapter("Good", {{640, 480, 60, R5G6B5}}),
                       Adapter("Also good", {{800, 600, 60, R5G6B5}})},
                      800, 600, 16, 1),
              TsStartupDialog::kPlay);
    EXPECT_EQ(dialog_->SelectedAdapter(), 2);
}

TEST_F(TsStartupDialogTest, WithoutAnAdapterWithModesThePlayerIsToldAndTheDialogQuits)
{
    EXPECT_EQ(Prepare({Adapter("Empty", {{320, 200, 60, R5G6B5}})}, 800, 600, 16), TsStartupDialog::kQuit);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], "Tessaran Error: Tessaran could not find a compatible display mode.\nTry changing your "
                         "desktop display mode to High Color (16 bit), or updating\nyour video card driver.");
}

TEST_F(TsStartupDialogTest, ChangingTheAdapterRefillsTheModesAndPlayHandsTheChoiceOn)
{
    ASSERT_EQ(Prepare({Adapter("First", {{800, 600, 60, R5G6B5}, {640, 480, 60, R5G6B5}}), Adapter("No modes", {}),
                       Adapter("Third", {{1280, 1024, 60, X8R8G8B8}, {1024, 768, 60, X8R8G8B8}})},
                      800, 600, 16),
              TsStartupDialog::kPlay);
    for (int refused : {1, -1, 3}) // no modes, and outside the list
        EXPECT_FALSE(dialog_->SelectAdapter(refused)) << refused;
    EXPECT_EQ(dialog_->SelectedAdapter(), 0);
    EXPECT_EQ(dialog_->ModeCount(), 2);

    ASSERT_TRUE(dialog_->SelectAdapter(2));
    EXPECT_EQ(ModeTexts(), (std::vector<std::string>{"1024 x 768 x 32", "1280 x 1024 x 32"}));
    EXPECT_EQ(dialog_->SelectedMode(), 0);
    EXPECT_FALSE(dialog_->SelectMode(2));
    ASSERT_TRUE(dialog_->SelectMode(1));
    dialog_->SetFmvDisabled(true);

    EXPECT_EQ(dialog_->Play(), TsStartupDialog::kPlay);
    EXPECT_EQ(renderer_.GetCurrentAdapterIndex(), 2);
    EXPECT_EQ(renderer_.GetSelectedModeIndex(), 1);
    EXPECT_EQ(Chosen(), "2: 1280 x 1024 x 32");
    EXPECT_TRUE(skipVideos_);
}

class TsStartupDialogWindowTest : public TsStartupDialogTest {
protected:
    void Open()
    {
        skipVideos_ = true;
        ASSERT_EQ(Prepare({Adapter("First", {{640, 480, 60, R5G6B5}, {800, 600, 60, R5G6B5}}),
                           Adapter("Second", {{1024, 768, 60, X8R8G8B8}, {1280, 1024, 60, X8R8G8B8}})},
                          800, 600, 16),
                  TsStartupDialog::kPlay);
        window_ = std::make_unique<TsStartupDialogWindow>(*dialog_);
        std::string error;
        ASSERT_TRUE(window_->Create(&error)) << error;
        EXPECT_TRUE(dialog_->IsFmvDisabled()); // the box starts as the flag is
    }

    void Key(int code) { InjectKey(window_->GetWindow(), code, true); }
    void Click(const TsStartupDialogWindow::Rect& r)
    {
        ASSERT_GT(r.w, 0);
        InjectMouseMove(window_->GetWindow(), r.CentreX(), r.CentreY());
        InjectMouseButton(window_->GetWindow(), 0, true);
        InjectMouseButton(window_->GetWindow(), 0, false);
    }
    void TearDown() override
    {
        window_.reset();
        TsStartupDialogTest::TearDown();
    }

    std::unique_ptr<TsStartupDialogWindow> window_;
};

TEST_F(TsStartupDialogWindowTest, ClosingTheWindowQuitsAndChangesNothing)
{
    Open();
    Key(kKeySpace);  // opens the adapter list
    Key(kKeyEscape); // closes it again without quitting
    EXPECT_EQ(window_->Step(), 0);
    EXPECT_EQ(window_->OpenList(), 0);
    Key(kKeyDown);                     // a new choice ...
    InjectClose(window_->GetWindow()); // ... but closing the window quits, changing nothing
    EXPECT_EQ(window_->Step(), TsStartupDialog::kQuit);
    EXPECT_EQ(Chosen(), "0: 800 x 600 x 16");
}

TEST_F(TsStartupDialogWindowTest, TheKeyboardAloneChoosesAndPlays)
{
    Open();
    Key(kKeySpace);
    Key(kKeyDown);
    Key(kKeyReturn); // picks "Second"
    Key(kKeyTab);    // to the mode list
    Key(kKeyDown);   // 1280 x 1024
    Key(kKeyTab);    // to the check box
    Key(kKeySpace);  // videos on again
    EXPECT_EQ(window_->Step(), 0);
    EXPECT_EQ(dialog_->SelectedAdapter(), 1);
    EXPECT_EQ(window_->Focus(), TsStartupDialog::kDisableFmv);
    Key(kKeyReturn);
    EXPECT_EQ(window_->Step(), TsStartupDialog::kPlay);
    EXPECT_EQ(Chosen(), "1: 1280 x 1024 x 32");
    EXPECT_FALSE(skipVideos_);
}

TEST_F(TsStartupDialogWindowTest, TheMouseChoosesAndPlays)
{
    Open();
    Click(window_->ControlRect(TsStartupDialog::kModeList));
    EXPECT_EQ(window_->Step(), 0);
    ASSERT_EQ(window_->OpenList(), TsStartupDialog::kModeList);
    Click(window_->ItemRect(0)); // 640 x 480
    Click(window_->ControlRect(TsStartupDialog::kDisableFmv));
    EXPECT_EQ(window_->Step(), 0);
    EXPECT_EQ(window_->OpenList(), 0);
    EXPECT_EQ(dialog_->ModeText(dialog_->SelectedMode()), "640 x 480 x 16");
    EXPECT_FALSE(dialog_->IsFmvDisabled());

    // The button plays only when released over it.
    const auto button = window_->ControlRect(TsStartupDialog::kPlay);
    InjectMouseMove(window_->GetWindow(), button.CentreX(), button.CentreY());
    InjectMouseButton(window_->GetWindow(), 0, true);
    InjectMouseMove(window_->GetWindow(), 5, 5);
    InjectMouseButton(window_->GetWindow(), 0, false);
    EXPECT_EQ(window_->Step(), 0);
    Click(button);
    EXPECT_EQ(window_->Step(), TsStartupDialog::kPlay);
    EXPECT_EQ(Chosen(), "0: 640 x 480 x 16");
    EXPECT_FALSE(skipVideos_);
}

// The picture panel shows the art file, cut to the panel; a damaged file
// leaves the panel empty, says why in the log, and the dialog works on.
TEST_F(TsStartupDialogWindowTest, ThePicturePanelShowsItsArtOrStaysEmptyWithoutIt)
{
    const auto r = TsStartupDialogWindow::kPictureRect;
    for (const bool shown : {true, false}) {
        SCOPED_TRACE(shown);
        ScratchDir scratch;
        LogCapture log;
        // Stripes the panel could not show by chance: a colour per row; larger than the panel.
        demo::Picture art(300, 400);
        for (uint32_t y = 0; y < 400; ++y)
            art.Fill(0, int(y), 300, int(y) + 1, demo::Argb(y % 256, 200, 40));
        std::filesystem::create_directories("data/frontend");
        if (shown)
            ASSERT_TRUE(demo::WriteTarga("data/frontend/startup.tga", art));
        else
            scratch.Write("data/frontend/startup.tga", "not a picture");
        Open();
        const plat::DialogSurface& surface = window_->Surface();
        for (int y : {r.y, r.y + r.h / 2, r.y + r.h - 1}) {
            const uint32_t expected = shown ? art.At(uint32_t(r.w / 2), uint32_t(y - r.y)) : surface.PixelAt(r.x, r.y);
            EXPECT_EQ(surface.PixelAt(r.x + r.w / 2, y), expected) << "row " << y;
        }
        EXPECT_EQ(log.All().find("picture is missing") != std::string::npos, !shown) << log.All();
        Key(kKeyReturn);
        EXPECT_EQ(window_->Step(), TsStartupDialog::kPlay);
        window_.reset();
    }
}

} // namespace
