// The front end's window stack driven by the real application: routing of
// mouse events top-down, drawing bottom-up, pages, double clicks, and
// windows that change the stack from inside the events they are sent.
#include <string>

#include "render/OmD3D.h"
#include "tests/ui/GuiFixture.h"
#include "ui/TsGuiButton.h"
#include "ui/TsGuiMessageBox.h"

namespace guitest {
namespace {

// Shared by the windows of one test: who got what, in order.
std::string g_trace;

class Recorder : public TsGuiWindow {
public:
    Recorder(TsFrontEndBase* fe, const char* tag) : TsGuiWindow(fe), m_tag(tag) {}
    ~Recorder() override { ++deleted; }
    void Open(TsGuiArg x, TsGuiArg y) override { ++opens, openY = y, TsGuiWindow::Open(x, y); }
    void Activate(TsGuiArg a, TsGuiArg b) override { ++activates, TsGuiWindow::Activate(a, b); }
    void Deactivate(TsGuiArg a, TsGuiArg b) override { ++deactivates, TsGuiWindow::Deactivate(a, b); }
    void OnMouseMove(int32_t p, uint32_t b) override { Log("m"), TsGuiWindow::OnMouseMove(p, b); }
    void OnMouseDown(int32_t p, uint32_t b) override { Log("d"), downButtons = b, TsGuiWindow::OnMouseDown(p, b); }
    void OnMouseUp(int32_t p, uint32_t b) override { Log("u"), TsGuiWindow::OnMouseUp(p, b); }
    void Update(float t) override { Log("t"), lastTime = t, TsGuiWindow::Update(t); }
    void Render(float f) override { Log("r"), TsGuiWindow::Render(f); }
    static inline int deleted = 0;
    int opens = 0, activates = 0, deactivates = 0;
    TsGuiArg openY = 0;
    uint32_t downButtons = 0;
    float lastTime = 0.0f;

private:
    void Log(const char* what) { g_trace += std::string(m_tag) + what + " "; }
    const char* m_tag;
};

class FrontEndStack : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        g_trace.clear();
        Recorder::deleted = 0;
    }
    // A screen that records what it is sent, on top of the stack.
    Recorder* PushScreen()
    {
        auto* screen = FrontEnd().AdoptPage(std::make_unique<Recorder>(&FrontEnd(), "S"));
        FrontEnd().PushWindow(screen, TsFrontEndBase::kScreen);
        return screen;
    }
    // A press of one tick and a release of one: the buttons the press carried.
    uint32_t Press(const Recorder& screen)
    {
        Button(true);
        Frame();
        const uint32_t buttons = screen.downButtons;
        Button(false);
        Frame();
        return buttons;
    }
};

TEST_F(FrontEndStack, PagesAreOpenedOnceAndFoundByName)
{
    TestFrontEnd& fe = FrontEnd();
    auto* options = fe.AdoptPage(std::make_unique<Recorder>(&fe, "O"));
    char name[] = "Options";
    options->SetName(name);
    name[0] = 'X'; // the window keeps its own copy
    auto* load = fe.AdoptPage(std::make_unique<Recorder>(&fe, "L"));
    load->SetName("Load");
    int marker = 0;
    fe.PushWindowAt(options, 3, TsGuiArg(&marker), TsFrontEndBase::kScreen);
    EXPECT_EQ(options->openY, TsGuiArg(&marker)); // a whole pointer reaches Open
    fe.PushWindow(load, TsFrontEndBase::kScreen);
    fe.PopWindow();
    fe.PushWindow(load, TsFrontEndBase::kScreen);
    fe.PushWindow(options, TsFrontEndBase::kScreen); // the same page twice on the stack
    EXPECT_EQ(std::pair(options->opens, load->opens), std::pair(1, 1));
    EXPECT_EQ(fe.FindPage("Options"), options);
    EXPECT_EQ(fe.FindPage("options"), nullptr); // case counts
    EXPECT_EQ(fe.FindPage(nullptr), nullptr);
    fe.PopAllWindows();
    EXPECT_EQ(Recorder::deleted, 0); // pages outlive their pops
    fe.PopWindow(); // an empty stack pops nothing
    EXPECT_EQ(fe.enterGameCalls, 1);
    fe.PushWindow(nullptr, 7);
    EXPECT_FALSE(fe.HasOpenWindows());
}

TEST_F(FrontEndStack, ClosingEverythingWithNothingOpenHandsNothingOver)
{
    FrontEnd().PopAllWindows();
    EXPECT_EQ(FrontEnd().enterGameCalls, 0);
}

TEST_F(FrontEndStack, TicksCarryTheGameTime)
{
    Recorder* screen = PushScreen();
    Frame();
    EXPECT_FLOAT_EQ(screen->lastTime, 0.1f * float(app->GetTickCount() - 1));
}

TEST_F(FrontEndStack, ASecondPressWithinTwoTicksOnTheSamePixelIsADoubleClick)
{
    Recorder* screen = PushScreen();
    MouseTo(50, 60);
    Frame();
    EXPECT_EQ(Press(*screen), 1u);
    EXPECT_EQ(Press(*screen), 1u | 4u);
    Frames(3);
    // The pointer moving by one pixel between the presses clears it.
    Press(*screen);
    MouseTo(51, 60);
    EXPECT_EQ(Press(*screen), 1u);
    EXPECT_EQ(std::pair(FrontEnd().GetMouseX(), FrontEnd().GetMouseY()), std::pair(51, 60));
}

TEST_F(FrontEndStack, AMessageBoxTakesTheMouseButBothWindowsAreDrawn)
{
    TestFrontEnd& fe = FrontEnd();
    Recorder* screen = PushScreen();
    Frame();
    auto made = std::make_unique<Recorder>(&fe, "B");
    Recorder* box = made.get();
    fe.PushWindow(std::move(made), TsFrontEndBase::kMessageBox);
    EXPECT_EQ(std::pair(screen->deactivates, box->activates), std::pair(1, 1));
    g_trace.clear();
    Click(100, 100);
    EXPECT_EQ(g_trace, "Bt Bm Sr Br Bt Bm Bd Sr Br Bt Bm Bu Sr Br ");
    // The screen is the top again, without a new Activate; the box is gone.
    g_trace.clear();
    fe.PopWindow();
    EXPECT_EQ(Recorder::deleted, 1);
    EXPECT_EQ(screen->activates, 1);
    Frame();
    EXPECT_EQ(g_trace, "St Sm Sr ");
}

// ---- windows that change the stack from inside its walks ----

class PushingButton : public TsGuiButton {
public:
    void OnMouseDown(int32_t, uint32_t) override
    {
        TsFrontEndBase* fe = GetOwner()->GetFrontEnd();
        fe->PushWindow(std::make_unique<TsGuiMessageBox>("Are you sure?", TsGuiMessageBox::kYesNo, fe, nullptr),
                       TsFrontEndBase::kMessageBox);
        ++pushes;
    }
    int pushes = 0;
};

class CloseAllButton : public TsGuiButton {
public:
    void OnMouseUp(int32_t, uint32_t) override { GetOwner()->GetFrontEnd()->PopAllWindows(); }
};

class ButtonWindow : public TsGuiWindow {
public:
    ButtonWindow(TsFrontEndBase* fe, TsGuiButton& button, TsGuiButton& after) : TsGuiWindow(fe)
    {
        AddChild(&button);
        AddChild(&after); // still reached after the first button's action
        button.SetRect(0.25f, 0.25f, 0.1f, 0.1f);
        after.SetRect(0.25f, 0.25f, 0.1f, 0.1f);
    }
};

TEST_F(FrontEndStack, AMessageBoxClosesItselfFromItsMouseUpDuringTheWalk)
{
    TestFrontEnd& fe = FrontEnd();
    Recorder* screen = PushScreen();
    // Each kind's last button, its word and the result it leaves.
    const struct {
        int32_t kind;
        const char* text;
        int32_t result;
    } cases[] = {{TsGuiMessageBox::kOk, "OK", 0}, {TsGuiMessageBox::kOkCancel, "Cancel", 1},
                 {TsGuiMessageBox::kYesNo, "No", 3}};
    for (const auto& c : cases) {
        auto made = std::make_unique<TsGuiMessageBox>("Quit the game?", c.kind, &fe, nullptr);
        TsGuiMessageBox* box = made.get();
        fe.PushWindow(std::move(made), TsFrontEndBase::kMessageBox);
        fe.SetMessageResult(-5);
        TsGuiButton* last = box->GetButton(box->GetButtonCount() - 1);
        EXPECT_STREQ(last->GetText(), c.text);
        ClickCentre(*last);
        EXPECT_EQ(fe.GetMessageResult(), c.result);
        EXPECT_EQ(fe.GetTopWindow(), screen);
        g_trace.clear();
        Frame(); // the screen has the mouse again
        EXPECT_EQ(g_trace, "St Sm Sr ");
    }
}

// A button that pushes a box on its press stops the walk; a close box that
// pops every window (itself too) is safe inside its own window's walk.
TEST_F(FrontEndStack, ButtonsThatPushOrPopWindowsInsideTheWalkStopIt)
{
    TestFrontEnd& fe = FrontEnd();
    PushingButton button, after;
    auto* screen = fe.AdoptPage(std::make_unique<ButtonWindow>(&fe, button, after));
    fe.PushWindow(screen, TsFrontEndBase::kScreen);
    fe.PushWindow(std::make_unique<Recorder>(&fe, "W"), 0); // under nothing: would get the events
    fe.PopWindow();
    fe.PushWindow(screen, TsFrontEndBase::kScreen);
    Click(int(GuiToPixelsX(0.25f)) + 4, int(GuiToPixelsY(0.25f)) + 2);
    // Both overlapping buttons were pressed, each pushing a box; the walk
    // stopped at the change, so no box got that press.
    EXPECT_EQ(std::pair(button.pushes, after.pushes), std::pair(1, 1));
    EXPECT_EQ(fe.GetStackDepth(), 4);
    ASSERT_NE(dynamic_cast<TsGuiMessageBox*>(fe.GetTopWindow()), nullptr);
    fe.PopAllWindows(); // the boxes die here; ASan checks the rest

    CloseAllButton close;
    TsGuiButton dummy;
    auto popup = std::make_unique<ButtonWindow>(&fe, close, dummy);
    fe.PushWindow(popup.get(), TsFrontEndBase::kMessageBox);
    fe.PushWindow(std::move(popup), TsFrontEndBase::kMessageBox); // twice: deleted once
    Click(int(GuiToPixelsX(0.25f)) + 4, int(GuiToPixelsY(0.25f)) + 2);
    EXPECT_FALSE(fe.HasOpenWindows());
    EXPECT_EQ(fe.enterGameCalls, 2);
    EXPECT_EQ(Recorder::deleted, 1);
    Frame();
}

TEST_F(FrontEndStack, FrontEndImagesComeFromTheirFolderOrNotAtAll)
{
    WriteFrontEndImage("front1.tga", 64, 48, 0xFF00FF00);
    plat::GfxSurface* backdrop = TsFrontEndBase::CreateBackdropSurface("data\\frontend\\front1.tga");
    ASSERT_NE(backdrop, nullptr);
    const std::vector<uint32_t> screen = DrawnAlone([&](OmD3D&) { TsFrontEndBase::DrawBackdrop(backdrop); });
    EXPECT_EQ(std::pair(Pixel(screen, 0, 0), Pixel(screen, 639, 479)), std::pair(0x00FF00u, 0x00FF00u));
    TsFrontEndBase::ReleaseBackdrop(backdrop);
    plat::GfxSurface* empty = TsFrontEndBase::CreateBackdropSurface("data\\frontend\\none.tga");
    EXPECT_TRUE(log.Contains("Failed to load backdrop 'data\\frontend\\none.tga'"));
    TsFrontEndBase::ReleaseBackdrop(empty);
    TsFrontEndBase::DrawBackdrop(nullptr);
    TsFrontEndBase::ReleaseBackdrop(nullptr);

    WriteFrontEndImage("button.tga", 64, 32, 0xFFFFFFFF);
    std::unique_ptr<TsGuiSprite> sprite(TsFrontEndBase::LoadTGAFrontEndSprite("button.tga"));
    ASSERT_NE(sprite, nullptr);
    EXPECT_EQ(std::pair(sprite->GetPixelWidth(), sprite->GetPixelHeight()), std::pair(64.0f, 32.0f));
    EXPECT_EQ(TsFrontEndBase::LoadTGAFrontEndSprite("missing.tga"), nullptr);
    EXPECT_TRUE(log.Contains("Error loading frontend sprite 'missing.tga'"));
    const std::string longName(250, 'a');
    EXPECT_EQ(TsFrontEndBase::LoadTGAFrontEndSprite(longName.c_str()), nullptr);
    EXPECT_TRUE(log.Contains("Too many characters in sprite path"));
    EXPECT_EQ(TsFrontEndBase::LoadTGAFrontEndSprite(nullptr), nullptr);
}

} // namespace
} // namespace guitest
