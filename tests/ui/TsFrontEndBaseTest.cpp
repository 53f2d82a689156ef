// The front end's window stack driven by the real application: routing of
// mouse events top-down, drawing bottom-up with the cursor on top, updates
// stopped by the kind bits, pages, double clicks, and windows that change
// the stack from inside the events they are sent.
#include <string>

#include "platform/FilePath.h"
#include "platform/GfxTexture.h"
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
    Recorder(TsFrontEndBase* fe, const char* tag) : TsGuiWindow(fe), tag_(tag) {}
    ~Recorder() override { ++deleted(); }
    void Open(TsGuiArg x, TsGuiArg y) override
    {
        ++opens;
        openX = x;
        openY = y;
        TsGuiWindow::Open(x, y);
    }
    void Activate(TsGuiArg a, TsGuiArg b) override { ++activates, TsGuiWindow::Activate(a, b); }
    void Deactivate(TsGuiArg a, TsGuiArg b) override { ++deactivates, TsGuiWindow::Deactivate(a, b); }
    void OnMouseMove(int32_t p, uint32_t b) override { Log("m"), TsGuiWindow::OnMouseMove(p, b); }
    void OnMouseDown(int32_t p, uint32_t b) override
    {
        Log("d");
        downButtons = b;
        TsGuiWindow::OnMouseDown(p, b);
    }
    void OnMouseUp(int32_t p, uint32_t b) override { Log("u"), TsGuiWindow::OnMouseUp(p, b); }
    void Update(float t) override { Log("t"), lastTime = t, TsGuiWindow::Update(t); }
    void Render(float f) override { Log("r"), TsGuiWindow::Render(f); }
    static int& deleted()
    {
        static int n = 0;
        return n;
    }

    int opens = 0, activates = 0, deactivates = 0;
    TsGuiArg openX = 0, openY = 0;
    uint32_t downButtons = 0;
    float lastTime = 0.0f;

private:
    void Log(const char* what) { g_trace += std::string(tag_) + what + " "; }
    const char* tag_;
};

class FrontEndStack : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        g_trace.clear();
        Recorder::deleted() = 0;
        Start();
    }
};

TEST_F(FrontEndStack, AMessageBoxOverAScreenTakesTheMouseAndUpdatesButBothAreDrawn)
{
    TestFrontEnd& fe = FrontEnd();
    auto* screen = new Recorder(&fe, "S");
    auto* box = new Recorder(&fe, "B");
    fe.PushWindow(screen, TsFrontEndBase::kScreen, false);
    fe.PushWindow(box, TsFrontEndBase::kMessageBox, true);
    EXPECT_EQ(screen->deactivates, 1);
    EXPECT_EQ(box->activates, 1);
    EXPECT_EQ(fe.GetPageCount(), 1u); // the transient box is no page

    Click(100, 100);
    // Updates and mouse events stop at the box; both are drawn, bottom first.
    EXPECT_EQ(g_trace, "Bt Bm Sr Br Bt Bm Bd Sr Br Bt Bm Bu Sr Br ");

    // The screen is the top again, without a new Activate; the box is gone.
    g_trace.clear();
    fe.PopWindow();
    EXPECT_EQ(Recorder::deleted(), 1);
    EXPECT_EQ(fe.GetTopWindow(), screen);
    EXPECT_EQ(screen->activates, 1);
    Frame();
    EXPECT_EQ(g_trace, "St Sm Sr ");
    EXPECT_EQ(fe.enterGameCalls, 0);
}

TEST_F(FrontEndStack, KindBitsStopEachWalkOnTheirOwn)
{
    struct Case {
        int32_t lowerKind, upperKind;
        const char* trace; // one tick and frame, pointer still
    };
    const Case cases[] = {
        {7, 0, "Ut Lt Um Lm Lr Ur "}, {7, 1, "Ut Lt Um Lr Ur "}, {7, 2, "Ut Lt Um Lm Ur "},
        {7, 4, "Ut Um Lm Lr Ur "},    {7, 3, "Ut Lt Um Ur "},
    };
    TestFrontEnd& fe = FrontEnd();
    for (const Case& c : cases) {
        auto* lower = new Recorder(&fe, "L");
        auto* upper = new Recorder(&fe, "U");
        fe.PushWindow(lower, c.lowerKind, true);
        fe.PushWindow(upper, c.upperKind, true);
        g_trace.clear();
        Frame();
        EXPECT_EQ(g_trace, c.trace) << "upper kind " << c.upperKind;
        fe.PopAllWindows();
    }
    EXPECT_EQ(Recorder::deleted(), 10);
    EXPECT_EQ(fe.enterGameCalls, 5); // once per emptied stack
}

TEST_F(FrontEndStack, PagesAreOpenedOnceAndFoundByName)
{
    TestFrontEnd& fe = FrontEnd();
    auto* options = new Recorder(&fe, "O");
    options->SetName("Options");
    auto* load = new Recorder(&fe, "L");
    load->SetName("Load");
    int marker = 0;
    fe.PushWindowAt(options, 3, TsGuiArg(&marker), TsFrontEndBase::kScreen, false);
    EXPECT_EQ(options->openY, TsGuiArg(&marker)); // a whole pointer reaches Open
    fe.PushWindow(load, TsFrontEndBase::kScreen, false);
    fe.PopWindow();
    fe.PushWindow(load, TsFrontEndBase::kScreen, false);
    fe.PushWindow(options, TsFrontEndBase::kScreen, false); // the same page twice on the stack
    EXPECT_EQ(options->opens, 1);
    EXPECT_EQ(load->opens, 1);
    EXPECT_EQ(fe.GetPageCount(), 2u);
    EXPECT_EQ(fe.GetStackDepth(), 3);
    EXPECT_EQ(fe.FindPage("Load"), load);
    EXPECT_EQ(fe.FindPage("Options"), options);
    EXPECT_EQ(fe.FindPage("options"), nullptr); // case counts
    EXPECT_EQ(fe.FindPage(nullptr), nullptr);
    fe.PopAllWindows();
    EXPECT_EQ(Recorder::deleted(), 0); // pages outlive their pops
    EXPECT_EQ(fe.enterGameCalls, 1);
    fe.PopWindow();
    EXPECT_EQ(fe.enterGameCalls, 1); // an empty stack pops nothing
    fe.PushWindow(nullptr, 7, false);
    EXPECT_FALSE(fe.HasOpenWindows());
}

TEST_F(FrontEndStack, TheFrontEndWritesWithTheApplicationsFonts)
{
    EXPECT_EQ(FrontEnd().GetTitleFont(), app->GetFont(TsMain::LARGE_FONT));      // the title face at 20
    EXPECT_EQ(FrontEnd().GetLargeTitleFont(), app->GetFont(TsMain::TITLE_FONT)); // at 32
    EXPECT_EQ(FrontEnd().GetPlainFont(), app->GetFont(TsMain::SMALL_FONT));
    EXPECT_NE(FrontEnd().GetPlainFont(), nullptr); // taken from the application at Initialise
    float w20 = 0, h20 = 0, w32 = 0, h32 = 0;
    FrontEnd().GetTitleTextExtent("Load Game", w20, h20);
    FrontEnd().GetLargeTitleTextExtent("Load Game", w32, h32);
    EXPECT_GT(w32, w20);
    EXPECT_GT(h32, h20);
    // Without fonts the texts measure nothing and draw nothing.
    FrontEnd().SetFonts(nullptr, nullptr, nullptr);
    FrontEnd().GetTitleTextExtent("Load Game", w20, h20);
    EXPECT_EQ(w20, 0.0f);
    FrontEnd().DrawTitleText(0, 0, 0xFFFFFFFF, "Load Game", 0);
    FrontEnd().DrawWrappedText(0, 0, 100, 100, 0xFFFFFFFF, "Load Game", 0);
}

TEST_F(FrontEndStack, TicksCarryTheGameTimeAndASecondPressWithinTwoTicksIsADoubleClick)
{
    TestFrontEnd& fe = FrontEnd();
    auto* screen = new Recorder(&fe, "S");
    fe.PushWindow(screen, TsFrontEndBase::kScreen, false);
    Frame();
    EXPECT_FLOAT_EQ(screen->lastTime, 0.1f * float(app->GetTickCount() - 1));
    // A press of one tick and a release of one; the buttons the press carried.
    const auto press = [&] {
        Button(true);
        Frame();
        const uint32_t buttons = screen->downButtons;
        Button(false);
        Frame();
        return buttons;
    };
    MoveMouse(50, 60);
    Frame();
    EXPECT_EQ(press(), 1u);
    EXPECT_EQ(press(), 1u | 4u);
    Frames(3);
    // The pointer moving by one pixel between the presses clears it.
    press();
    MoveMouse(51, 60);
    EXPECT_EQ(press(), 1u);
    EXPECT_EQ(std::pair(fe.GetMouseX(), fe.GetMouseY()), std::pair(51, 60));
}

// ---- windows that change the stack from inside its walks ----

// Pushes a transient box when it is pressed.
class PushingButton : public TsGuiButton {
public:
    void OnMouseDown(int32_t, uint32_t) override
    {
        auto* box = new TsGuiMessageBox("Are you sure?", TsGuiMessageBox::kYesNo, GetOwner()->GetFrontEnd(), nullptr);
        GetOwner()->GetFrontEnd()->PushWindow(box, TsFrontEndBase::kMessageBox, true);
        ++pushes;
    }
    int pushes = 0;
};

// Pops every window when it is released.
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
    auto* screen = new Recorder(&fe, "S");
    fe.PushWindow(screen, TsFrontEndBase::kScreen, false);
    for (int32_t kind : {TsGuiMessageBox::kOk, TsGuiMessageBox::kOkCancel}) {
        auto* box = new TsGuiMessageBox("Quit the game?", kind, &fe, nullptr);
        fe.PushWindow(box, TsFrontEndBase::kMessageBox, true);
        fe.SetMessageResult(-5);
        TsGuiButton* last = box->GetButton(box->GetButtonCount() - 1);
        Click(int(GuiToPixelsX(last->GetX() + last->GetWidth() / 2)),
              int(GuiToPixelsY(last->GetY() + last->GetHeight() / 2)));
        EXPECT_EQ(fe.GetMessageResult(), kind == TsGuiMessageBox::kOk ? 0 : 1);
        EXPECT_EQ(fe.GetTopWindow(), screen);
        g_trace.clear();
        Frame(); // the screen has the mouse again
        EXPECT_EQ(g_trace, "St Sm Sr ");
    }
}

TEST_F(FrontEndStack, AButtonThatPushesABoxOnMouseDownStopsTheWalk)
{
    TestFrontEnd& fe = FrontEnd();
    PushingButton button, after;
    auto* screen = new ButtonWindow(&fe, button, after);
    fe.PushWindow(screen, TsFrontEndBase::kScreen, false);
    auto* below = new Recorder(&fe, "W");
    fe.PushWindow(below, 0, true); // under nothing: would get the events
    fe.PopWindow();
    fe.PushWindow(screen, TsFrontEndBase::kScreen, false);
    Click(int(GuiToPixelsX(0.25f)) + 4, int(GuiToPixelsY(0.25f)) + 2);
    // Both overlapping buttons were pressed, each pushing a box; the walk
    // stopped at the change, so no box got that press.
    EXPECT_EQ(button.pushes, 1);
    EXPECT_EQ(after.pushes, 1);
    EXPECT_EQ(fe.GetStackDepth(), 4);
    ASSERT_NE(dynamic_cast<TsGuiMessageBox*>(fe.GetTopWindow()), nullptr);
    fe.PopAllWindows(); // the boxes die here; ASan checks the rest
}

TEST_F(FrontEndStack, ACloseBoxThatPopsEverythingIsSafeInsideTheWalk)
{
    TestFrontEnd& fe = FrontEnd();
    auto* screen = new Recorder(&fe, "S");
    fe.PushWindow(screen, TsFrontEndBase::kScreen, false);
    CloseAllButton close;
    // A transient window with the close box: popping all deletes it while
    // its own child walk is still running.
    class Transient : public TsGuiWindow {
    public:
        Transient(TsFrontEndBase* fe, TsGuiButton& b, TsGuiElement& tail) : TsGuiWindow(fe)
        {
            AddChild(&b);
            AddChild(&tail);
            b.SetRect(0.0f, 0.0f, 0.5f, 0.5f);
        }
    };
    TsGuiButton dummy;
    auto* popup = new Transient(&fe, close, dummy);
    fe.PushWindow(popup, TsFrontEndBase::kMessageBox, true);
    fe.PushWindow(popup, TsFrontEndBase::kMessageBox, true); // twice: deleted once
    Click(10, 3);
    EXPECT_FALSE(fe.HasOpenWindows());
    EXPECT_EQ(fe.enterGameCalls, 1);
    EXPECT_EQ(Recorder::deleted(), 0);
    Frame();
}

TEST_F(FrontEndStack, TheModeDeletesTransientWindowsStillOnTheStack)
{
    TestFrontEnd& fe = FrontEnd();
    fe.PushWindow(new Recorder(&fe, "S"), TsFrontEndBase::kScreen, false);
    fe.PushWindow(new Recorder(&fe, "B"), TsFrontEndBase::kMessageBox, true);
    StopApp(); // the mode goes with the application
    EXPECT_EQ(Recorder::deleted(), 2);
}

// ---- the cursor and front-end sprites ----

// A plain red cursor of the test's own in place of the demo's.
class RedCursor : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        UseDemoDataWithout("crs1.tga");
        WriteFrontEndImage("crs1.tga", 16, 16, 0xFFFF0000);
        Start();
    }
};

TEST_F(RedCursor, TheCursorIsDrawnOverAnEmptyStackAndOverTheWindows)
{
    MoveMouse(200, 150);
    Frame();
    std::vector<uint32_t> screen = ReadScreen();
    // Additive red over black, its top-left corner 8 pixels up and left.
    EXPECT_EQ(Pixel(screen, 196, 146), 0xFF0000u);
    EXPECT_EQ(Pixel(screen, 190, 140), 0u);
    EXPECT_EQ(Pixel(screen, 210, 160), 0u);

    // A screen whose blue square lies under the pointer.
    class Square : public TsGuiWindow {
    public:
        Square(TsFrontEndBase* fe, TsGuiSprite* blue) : TsGuiWindow(fe)
        {
            AddChild(&button);
            button.SetSprites(Place(blue), {}, {});
            button.SetPosition(0.25f, 0.25f);
        }
        TsGuiButton button;
    };
    FrontEnd().PushWindow(new Square(&FrontEnd(), SolidSprite(64, 64, 0xFF0000FF)), TsFrontEndBase::kScreen, false);
    MoveMouse(180, 140);
    Frame();
    screen = ReadScreen();
    EXPECT_EQ(Pixel(screen, 220, 150), 0x0000FFu); // the square alone
    EXPECT_EQ(Pixel(screen, 176, 136), 0xFF00FFu); // the cursor added over it
}

TEST_F(FrontEndStack, TheBackdropIsCopiedToTheWholeScreen)
{
    WriteFrontEndImage("front1.tga", 64, 48, 0xFF00FF00);
    plat::GfxSurface* backdrop = TsFrontEndBase::CreateBackdropSurface("data\\frontend\\front1.tga");
    ASSERT_NE(backdrop, nullptr);
    OmD3D* r = OmD3D::Instance();
    r->Clear(nullptr, 0);
    ASSERT_TRUE(r->BeginScene(0.0f));
    TsFrontEndBase::DrawBackdrop(backdrop);
    r->EndScene();
    r->Present();
    const std::vector<uint32_t> screen = ReadScreen();
    EXPECT_EQ(Pixel(screen, 0, 0), 0x00FF00u);
    EXPECT_EQ(Pixel(screen, 639, 479), 0x00FF00u);
    TsFrontEndBase::ReleaseBackdrop(backdrop);

    // A missing file still gives a surface (with nothing loaded), and says so.
    plat::GfxSurface* empty = TsFrontEndBase::CreateBackdropSurface("data\\frontend\\none.tga");
    EXPECT_TRUE(log.Contains("Failed to load backdrop 'data\\frontend\\none.tga'"));
    TsFrontEndBase::ReleaseBackdrop(empty);
    TsFrontEndBase::DrawBackdrop(nullptr);
    TsFrontEndBase::ReleaseBackdrop(nullptr);
}

TEST_F(FrontEndStack, FrontEndSpritesComeFromTheirFolderOrNotAtAll)
{
    WriteFrontEndImage("button.tga", 64, 32, 0xFFFFFFFF);
    std::unique_ptr<TsGuiSprite> sprite(TsFrontEndBase::LoadTGAFrontEndSprite("button.tga"));
    ASSERT_NE(sprite, nullptr);
    EXPECT_EQ(sprite->GetPixelWidth(), 64.0f);
    EXPECT_EQ(sprite->GetPixelHeight(), 32.0f);
    EXPECT_EQ(sprite->umax, 1.0f);

    EXPECT_EQ(TsFrontEndBase::LoadTGAFrontEndSprite("missing.tga"), nullptr);
    EXPECT_TRUE(log.Contains("Error loading frontend sprite 'missing.tga'"));
    const std::string longName(250, 'a');
    EXPECT_EQ(TsFrontEndBase::LoadTGAFrontEndSprite(longName.c_str()), nullptr);
    EXPECT_TRUE(log.Contains("Too many characters in sprite path"));
    EXPECT_EQ(TsFrontEndBase::LoadTGAFrontEndSprite(nullptr), nullptr);
}

} // namespace
} // namespace guitest
