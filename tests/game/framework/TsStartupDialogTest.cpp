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
            m_boxes.push_back(std::string(caption) + ": " + std::string(text));
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
        m_options.SetScreenWidth(width);
        m_options.SetScreenHeight(height);
        m_options.SetBitDepth(bits);
        m_options.SetAdapter(adapter);
        m_dialog = std::make_unique<TsStartupDialog>(m_renderer, m_options, m_skipVideos);
        return m_dialog->Prepare();
    }

    std::string SelectedModeText() const
    {
        const int mode = m_dialog->SelectedMode();
        return mode >= 0 && mode < m_dialog->ModeCount() ? m_dialog->ModeText(mode) : "(none)";
    }

    // What the options now ask for: "adapter: width x height x bits".
    std::string Chosen() const
    {
        return std::to_string(m_options.GetAdapter()) + ": " + std::to_string(m_options.GetScreenWidth()) + " x " +
               std::to_string(m_options.GetScreenHeight()) + " x " + std::to_string(m_options.GetBitDepth());
    }

    std::vector<std::string> ModeTexts() const
    {
        std::vector<std::string> texts;
        for (int i = 0; i < m_dialog->ModeCount(); ++i)
            texts.push_back(m_dialog->ModeText(i));
        return texts;
    }

    OmD3D m_renderer;
    TsOptions m_options;
    bool m_skipVideos = false;
    std::unique_ptr<TsStartupDialog> m_dialog;
    std::vector<std::string> m_boxes;
};

TEST_F(TsStartupDialogTest, PreselectsTheWantedModeOr800x600x16OrTheFirst)
{
    // 1024 x 768 exists only in 16 bits: the 16-bit 800 x 600 is taken instead.
    ASSERT_EQ(Prepare({Adapter("A", {{640, 480, 60, R5G6B5}, {800, 600, 60, R5G6B5}, {1024, 768, 60, R5G6B5},
                                     {640, 480, 60, X8R8G8B8}})},
                      1024, 768, 32),
              TsStartupDialog::kPlay);
    EXPECT_EQ(SelectedModeText(), "800 x 600 x 16");
    EXPECT_TRUE(m_boxes.empty());

    // The wanted mode itself when it is there.
    Prepare({Adapter("A", {{800, 600, 60, R5G6B5}, {1024, 768, 60, X8R8G8B8}})}, 1024, 768, 32);
    EXPECT_EQ(SelectedModeText(), "1024 x 768 x 32");

    // Neither the wanted mode nor 800 x 600 x 16: the first mode.
    Prepare({Adapter("A", {{1280, 1024, 60, X8R8G8B8}, {640, 480, 60, X8R8G8B8}})}, 1024, 768, 32);
    EXPECT_EQ(m_dialog->SelectedMode(), 0);

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
        EXPECT_EQ(m_dialog->SelectedAdapter(), 0) << wanted;
        EXPECT_EQ(SelectedModeText(), "800 x 600 x 16") << wanted;
    }
    ASSERT_EQ(Prepare(two, 1024, 768, 32, 1), TsStartupDialog::kPlay);
    EXPECT_EQ(m_dialog->SelectedAdapter(), 1);
    EXPECT_EQ(m_dialog->AdapterText(1), "Second");

    // The wanted adapter has no modes: the lowest-numbered one that has some.
    ASSERT_EQ(Prepare({Adapter("Empty", {}), Adapter("Empty too", {}), Adapter("Good", {{640, 480, 60, R5G6B5}}),
                       Adapter("Also good", {{800, 600, 60, R5G6B5}})},
                      800, 600, 16, 1),
              TsStartupDialog::kPlay);
    EXPECT_EQ(m_dialog->SelectedAdapter(), 2);
}

TEST_F(TsStartupDialogTest, WithoutAnAdapterWithModesThePlayerIsToldAndTheDialogQuits)
{
    EXPECT_EQ(Prepare({Adapter("Empty", {{320, 200, 60, R5G6B5}})}, 800, 600, 16), TsStartupDialog::kQuit);
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0], "Tessaran Error: Tessaran could not find a compatible display mode.\nTry changing your "
                         "desktop display mode to High Color (16 bit), or updating\nyour video card driver.");
}

TEST_F(TsStartupDialogTest, ChangingTheAdapterRefillsTheModesAndPlayHandsTheChoiceOn)
{
    ASSERT_EQ(Prepare({Adapter("First", {{800, 600, 60, R5G6B5}, {640, 480, 60, R5G6B5}}), Adapter("No modes", {}),
                       Adapter("Third", {{1280, 1024, 60, X8R8G8B8}, {1024, 768, 60, X8R8G8B8}})},
                      800, 600, 16),
              TsStartupDialog::kPlay);
    for (int refused : {1, -1, 3}) // no modes, and outside the list
        EXPECT_FALSE(m_dialog->SelectAdapter(refused)) << refused;
    EXPECT_EQ(m_dialog->SelectedAdapter(), 0);
    EXPECT_EQ(m_dialog->ModeCount(), 2);

    ASSERT_TRUE(m_dialog->SelectAdapter(2));
    EXPECT_EQ(ModeTexts(), (std::vector<std::string>{"1024 x 768 x 32", "1280 x 1024 x 32"}));
    EXPECT_EQ(m_dialog->SelectedMode(), 0);
    EXPECT_FALSE(m_dialog->SelectMode(2));
    ASSERT_TRUE(m_dialog->SelectMode(1));
    m_dialog->SetFmvDisabled(true);

    EXPECT_EQ(m_dialog->Play(), TsStartupDialog::kPlay);
    EXPECT_EQ(m_renderer.GetCurrentAdapterIndex(), 2);
    EXPECT_EQ(m_renderer.GetSelectedModeIndex(), 1);
    EXPECT_EQ(Chosen(), "2: 1280 x 1024 x 32");
    EXPECT_TRUE(m_skipVideos);
}

class TsStartupDialogWindowTest : public TsStartupDialogTest {
protected:
    void Open()
    {
        m_skipVideos = true;
        ASSERT_EQ(Prepare({Adapter("First", {{640, 480, 60, R5G6B5}, {800, 600, 60, R5G6B5}}),
                           Adapter("Second", {{1024, 768, 60, X8R8G8B8}, {1280, 1024, 60, X8R8G8B8}})},
                          800, 600, 16),
                  TsStartupDialog::kPlay);
        m_window = std::make_unique<TsStartupDialogWindow>(*m_dialog);
        std::string error;
        ASSERT_TRUE(m_window->Create(&error)) << error;
        EXPECT_TRUE(m_dialog->IsFmvDisabled()); // the box starts as the flag is
    }

    void Key(int code) { InjectKey(m_window->GetWindow(), code, true); }
    void Click(const TsStartupDialogWindow::Rect& r)
    {
        ASSERT_GT(r.w, 0);
        InjectMouseMove(m_window->GetWindow(), r.CentreX(), r.CentreY());
        InjectMouseButton(m_window->GetWindow(), 0, true);
        InjectMouseButton(m_window->GetWindow(), 0, false);
    }
    void TearDown() override
    {
        m_window.reset();
        TsStartupDialogTest::TearDown();
    }

    std::unique_ptr<TsStartupDialogWindow> m_window;
};

TEST_F(TsStartupDialogWindowTest, ClosingTheWindowQuitsAndChangesNothing)
{
    Open();
    Key(kKeySpace);  // opens the adapter list
    Key(kKeyEscape); // closes it again without quitting
    EXPECT_EQ(m_window->Step(), 0);
    EXPECT_EQ(m_window->OpenList(), 0);
    Key(kKeyDown);                     // a new choice ...
    InjectClose(m_window->GetWindow()); // ... but closing the window quits, changing nothing
    EXPECT_EQ(m_window->Step(), TsStartupDialog::kQuit);
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
    EXPECT_EQ(m_window->Step(), 0);
    EXPECT_EQ(m_dialog->SelectedAdapter(), 1);
    EXPECT_EQ(m_window->Focus(), TsStartupDialog::kDisableFmv);
    Key(kKeyReturn);
    EXPECT_EQ(m_window->Step(), TsStartupDialog::kPlay);
    EXPECT_EQ(Chosen(), "1: 1280 x 1024 x 32");
    EXPECT_FALSE(m_skipVideos);
}

TEST_F(TsStartupDialogWindowTest, TheMouseChoosesAndPlays)
{
    Open();
    Click(m_window->ControlRect(TsStartupDialog::kModeList));
    EXPECT_EQ(m_window->Step(), 0);
    ASSERT_EQ(m_window->OpenList(), TsStartupDialog::kModeList);
    Click(m_window->ItemRect(0)); // 640 x 480
    Click(m_window->ControlRect(TsStartupDialog::kDisableFmv));
    EXPECT_EQ(m_window->Step(), 0);
    EXPECT_EQ(m_window->OpenList(), 0);
    EXPECT_EQ(m_dialog->ModeText(m_dialog->SelectedMode()), "640 x 480 x 16");
    EXPECT_FALSE(m_dialog->IsFmvDisabled());

    // The button plays only when released over it.
    const auto button = m_window->ControlRect(TsStartupDialog::kPlay);
    InjectMouseMove(m_window->GetWindow(), button.CentreX(), button.CentreY());
    InjectMouseButton(m_window->GetWindow(), 0, true);
    InjectMouseMove(m_window->GetWindow(), 5, 5);
    InjectMouseButton(m_window->GetWindow(), 0, false);
    EXPECT_EQ(m_window->Step(), 0);
    Click(button);
    EXPECT_EQ(m_window->Step(), TsStartupDialog::kPlay);
    EXPECT_EQ(Chosen(), "0: 640 x 480 x 16");
    EXPECT_FALSE(m_skipVideos);
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
        const plat::DialogSurface& surface = m_window->Surface();
        for (int y : {r.y, r.y + r.h / 2, r.y + r.h - 1}) {
            const uint32_t expected = shown ? art.At(uint32_t(r.w / 2), uint32_t(y - r.y)) : surface.PixelAt(r.x, r.y);
            EXPECT_EQ(surface.PixelAt(r.x + r.w / 2, y), expected) << "row " << y;
        }
        EXPECT_EQ(log.All().find("picture is missing") != std::string::npos, !shown) << log.All();
        Key(kKeyReturn);
        EXPECT_EQ(m_window->Step(), TsStartupDialog::kPlay);
        m_window.reset();
    }
}

} // namespace
