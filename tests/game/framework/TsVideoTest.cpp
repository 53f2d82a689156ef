// Video playback on a real device: what reaches the screen, how the player
// ends it early, and what a missing or damaged file does.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/OmRef.h"
#include "game/framework/TsVideo.h"
#include "platform/EventInjection.h"
#include "platform/GfxSystem.h"
#include "platform/KeyCodes.h"
#include "platform/Window.h"
#include "render/OmD3D.h"
#include "tests/game/framework/LogCapture.h"
#include "tests/render/RendererFixture.h"
#include "testing/ScratchDir.h"
#include "tests/platform/ImageTestFiles.h"
#include "tests/platform/WindowFixture.h"

namespace {

using namespace plat;

constexpr uint32_t kGreen = 0xFF30B040u;
constexpr uint32_t kWidth = 640;
constexpr uint32_t kHeight = 480;
constexpr int kClipFrames = 25; // one second

intptr_t QuitOnDestroy(Window*, uint32_t message, uintptr_t, intptr_t)
{
    if (message == kMsgDestroy)
        PostQuit(0);
    return 0;
}

class TsVideoTest : public rtest::RendererTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Open(kWidth, kHeight, 32, rtest::AdapterWith({{640, 480, 60, GfxFormat::X8R8G8B8},
                                                                  {640, 480, 60, GfxFormat::R5G6B5}})));
        m_window = Window::Create(WindowDesc{.title = {}, .width = 200, .height = 150}, &QuitOnDestroy);
        ASSERT_NE(m_window, nullptr);
        TsVideo::SetFrameObserver(&TsVideoTest::OnFrame, this);
    }

    void TearDown() override
    {
        TsVideo::SetFrameObserver(nullptr, nullptr);
        m_window.reset();
        testwin::DispatchAll();
        RendererTest::TearDown();
    }

    // A second-long clip played to its end.
    void PlayTitleCards()
    {
        imgtest::MakeClip(m_dir.File("data/FMV/TitleCards.mpg"), kClipFrames, 440,
                          SolidColour([](int) { return kGreen; }));
        EXPECT_EQ(TsVideo::PlayFMV("data\\FMV\\TitleCards.mpg"), TsVideo::kPlayed);
        EXPECT_FALSE(TsVideo::IsPlaying());
    }

    static void OnFrame(int index, void* user)
    {
        auto* self = static_cast<TsVideoTest*>(user);
        self->m_frames.push_back(index);
        self->m_centres.push_back(self->FrontCentre());
        if (self->m_onFrame)
            self->m_onFrame(index);
    }

    uint32_t FrontCentre()
    {
        GfxDevice* device = Device();
        OmRef<GfxSurface> shot;
        if (device->CreateImageSurface(kWidth, kHeight, GfxFormat::A8R8G8B8, shot.Put()) != GfxResult::Ok)
            return 0;
        uint32_t c = 0;
        if (device->GetFrontBuffer(shot) == GfxResult::Ok)
            std::memcpy(&c, shot->Pixels() + (kHeight / 2) * shot->Pitch() + (kWidth / 2) * 4, 4);
        return c;
    }

    // Late pictures are skipped when the machine is busy, so the action
    // comes with the first picture at or past the mark, once.
    void ActAt(int mark, std::function<void()> act)
    {
        auto fired = std::make_shared<bool>(false);
        m_onFrame = [=](int index) {
            if (index >= mark && !*fired) {
                *fired = true;
                act();
            }
        };
    }

    ScratchDir m_dir;
    std::unique_ptr<Window> m_window;
    std::vector<int> m_frames;
    std::vector<uint32_t> m_centres;
    std::function<void(int)> m_onFrame;
};

TEST_F(TsVideoTest, MissingOrDamagedFilesFailAndOnlyADamagedOneIsLogged)
{
    LogCapture log;
    EXPECT_EQ(TsVideo::PlayFMV("data\\FMV\\nothere.mpg"), TsVideo::kFailed);
    EXPECT_TRUE(m_frames.empty());
    EXPECT_EQ(FrontCentre(), 0xFF000000u); // only the cleared screen
    EXPECT_EQ(log.All(), "");              // a missing video is no error
    EXPECT_EQ(TsVideo::PlayFMV(nullptr), TsVideo::kFailed);
    m_dir.Write("data/FMV/broken.mpg", std::string(4096, '\x47'));
    EXPECT_EQ(TsVideo::PlayFMV("data\\FMV\\broken.mpg"), TsVideo::kFailed);
    EXPECT_TRUE(log.Contains("broken.mpg"));
    EXPECT_FALSE(TsVideo::IsPlaying());
}

TEST_F(TsVideoTest, AVideoPlaysEveryPictureFullScreenInOrder)
{
    PlayTitleCards();
    ASSERT_FALSE(m_frames.empty());
    EXPECT_EQ(m_frames.back(), kClipFrames - 1);
    EXPECT_TRUE(std::is_sorted(m_frames.begin(), m_frames.end()));
    for (size_t i = 0; i < m_centres.size(); ++i)
        EXPECT_TRUE(imgtest::Near(m_centres[i] | 0xFF000000u, kGreen, 16))
            << "frame " << m_frames[i] << " centre " << std::hex << m_centres[i];
}

TEST_F(TsVideoTest, AfterAVideoTheDeviceHoldsTheRenderersStatesAgain)
{
    renderer->DispatchRenderState(GfxRs::ZEnable, GfxZb::True);
    renderer->DispatchRenderState(GfxRs::CullMode, GfxCull::Ccw);
    renderer->SetTextureStageState(0, GfxTss::ColorOp, GfxTop::Modulate);
    PlayTitleCards();
    GfxDevice* device = Device();
    uint32_t z = 0, cull = 0, colour = 0;
    device->GetRenderState(GfxRs::ZEnable, &z);
    device->GetRenderState(GfxRs::CullMode, &cull);
    device->GetTextureStageState(0, GfxTss::ColorOp, &colour);
    EXPECT_TRUE(z == GfxZb::True && cull == GfxCull::Ccw && colour == GfxTop::Modulate) << z << cull << colour;
    ASSERT_TRUE(renderer->BeginScene(0.0f));
    renderer->EndScene();
}

TEST_F(TsVideoTest, EnterSpaceEscapeAClickOrClosingTheWindowSkipIt)
{
    imgtest::MakeClip(m_dir.File("data/FMV/intro.mpg"), 50, 440, SolidColour([](int) { return kGreen; }));
    // Other keys and the right button leave it playing to the end.
    m_frames.clear();
    ActAt(3, [&] {
        InjectKey(*m_window, kKeyA, true);
        InjectMouseButton(*m_window, 1, false);
    });
    EXPECT_EQ(TsVideo::PlayFMV("data\\fmv\\intro.mpg"), TsVideo::kPlayed);
    EXPECT_EQ(m_frames.back(), 49);

    struct Case {
        const char* what;
        std::function<void()> act;
        bool quits = false; // the quit is left for the main loop
    };
    const std::vector<Case> cases = {
        {"space", [&] { InjectKey(*m_window, kKeySpace, true); }},
        {"escape", [&] { InjectKey(*m_window, kKeyEscape, true); }},
        {"enter", [&] { InjectKey(*m_window, kKeyReturn, true); }},
        {"left click", [&] {
             InjectMouseButton(*m_window, 0, true);
             InjectMouseButton(*m_window, 0, false);
         }},
        {"closing the window", [&] { InjectClose(*m_window); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_frames.clear();
        ActAt(3, c.act);
        EXPECT_EQ(TsVideo::PlayFMV("data\\fmv\\INTRO.MPG"), TsVideo::kSkipped);
        ASSERT_FALSE(m_frames.empty());
        EXPECT_LT(m_frames.back(), 40);
        EXPECT_EQ(testwin::DispatchAll() > 0, c.quits);
    }
}

} // namespace
