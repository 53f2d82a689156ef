// The real application on the test display with a front-end mode of the
// test's choosing: the clock run by hand (one tick a frame), keys and the
// mouse fed through SDL's queue, and the screen read back. TitleTest runs
// the title front end in a scratch folder that links the demo's data and
// scripts (so saves and options.lua stay there).
#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "platform/EventInjection.h"
#include "platform/KeyCodes.h"
#include "render/OmD3D.h"
#include "tests/app/AppFixture.h"
#include "ui/TsFrontEnd.h"
#include "ui/TsFrontEndSkinShape.h"
#include "ui/TsGuiElement.h"
#include "ui/TsGuiMessageBox.h"
#include "ui/TsTitleScreens.h"

namespace apptest {

class ScreenAppTest : public AppTest {
protected:
    explicit ScreenAppTest(TsGameMode* (*makeMode)()) : m_makeMode(makeMode) {}
    void SetUp() override
    {
        AppTest::SetUp();
        TsMain::SetModeFactory(TS_MODE_FRONT_END, m_makeMode);
    }

    // The application at 640 x 480, its front-end mode made by makeMode.
    void Start()
    {
        AppTest::Start();
        ASSERT_NE(app->GetMode(), nullptr);
        Frame();
    }
    // One frame of exactly one tick, after the waiting input.
    void Frame() { FrameAfter(kTickUnits); }

    // The front buffer as 0xRRGGBB words, top row first.
    std::vector<uint32_t> ReadScreen()
    {
        Picture screen = Look();
        EXPECT_EQ(std::pair(screen.width, screen.height), std::pair(width, height));
        for (uint32_t& pixel : screen.pixels)
            pixel &= 0xFFFFFF;
        return screen.pixels;
    }
    // The screen after one scene of `draw` alone on a black screen.
    std::vector<uint32_t> DrawnAlone(const std::function<void(OmD3D&)>& draw)
    {
        OmD3D& renderer = *OmD3D::Instance();
        const float black[3] = {0.0f, 0.0f, 0.0f};
        renderer.SetClearColour(black);
        renderer.Clear(nullptr, 0);
        EXPECT_TRUE(renderer.BeginScene(0.0f));
        draw(renderer);
        renderer.EndScene();
        renderer.Present();
        return ReadScreen();
    }
    // A pixel of the screen read back; an impossible colour outside it.
    uint32_t Pixel(const std::vector<uint32_t>& screen, int x, int y) const
    {
        if (x < 0 || y < 0 || x >= width || y >= height || screen.size() < size_t(width) * size_t(height))
            return 0xDEADBEEF;
        return screen[size_t(y) * size_t(width) + size_t(x)];
    }

    const int width = 640, height = 480;

private:
    TsGameMode* (*m_makeMode)();
};

} // namespace apptest

namespace titletest {

class TitleTest : public apptest::ScreenAppTest {
protected:
    TitleTest() : ScreenAppTest([]() -> TsGameMode* { return new TsFrontEnd(); }) {}
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ScratchWithDemoData());
        ScreenAppTest::SetUp();
    }
    TsFrontEnd& Title() { return *TsFrontEnd::Cast(app->GetMode()); }

    // The title's page made by `page`, pushed as a window of `kind`, after a frame.
    template <class Screen>
    Screen& Show(TsGuiWindow* (*page)(TsFrontEndBase*), int32_t kind = TsFrontEndBase::kScreen)
    {
        auto* screen = static_cast<Screen*>(page(&Title()));
        Title().PushWindow(screen, kind);
        Frame();
        return *screen;
    }

    // The render time after two frames with the cursor in the corner.
    float SettledTime()
    {
        MouseTo(2, 2);
        Frames(2);
        return app->GetRenderTime();
    }
    // The primitives of the title drawn at `now` into a new render target,
    // which keeps no background yet.
    uint32_t PrimitivesDrawnAfresh(float now)
    {
        const TsFrontEndSkinShape& shape = *Title().GetCharacterShape();
        EXPECT_TRUE(Title().CreateRenderTarget(shape.GetTargetWidth(), shape.GetTargetHeight()));
        Title().Render(now, 0.0f);
        return Primitives();
    }
    static uint32_t Primitives() { return OmD3D::Instance()->GetFrameStats()->words[OmRenderStats::kPrimitives]; }
    // A press and release of the control under the pointer, as its window hands them on.
    static void Press(TsGuiControl& control)
    {
        control.SetHover(true);
        control.OnMouseDown(0, 1);
        control.OnMouseUp(0, 0);
    }
    // The window on top is a message box saying the title's text `text`, which the demo's texts fill.
    void ExpectMessage(int32_t text)
    {
        auto* box = dynamic_cast<TsGuiMessageBox*>(Title().GetTopWindow());
        ASSERT_NE(box, nullptr);
        EXPECT_STREQ(box->GetText(), TitleText(text));
        EXPECT_STRNE(box->GetText(), "");
    }
};

// The title started in SetUp, as most of its tests want it.
class StartedTitleTest : public TitleTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(TitleTest::SetUp());
        Start();
    }
};

using plat::kKeyEscape, plat::kKeyReturn;

} // namespace titletest
