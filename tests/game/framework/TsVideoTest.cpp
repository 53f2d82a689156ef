// Video playback on a real device: what reaches the screen, how the player
// ends it early, and what a missing or damaged file does.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/OmRef.h"
#include "game/framework/TsVideo.h"
#include "platform/EventInjection.h"
#include "platform/GfxSystem.h"
#include "platform/KeyCodes.h"
#include "platform/MpegEncoder.h"
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
        window_ = Window::Create(WindowDesc{.title = {}, .width = 200, .height = 150}, &QuitOnDestroy);
        ASSERT_NE(window_, nullptr);
        TsVideo::SetFrameObserver(&TsVideoTest::OnFrame, this);
    }

    void TearDown() override
    {
        TsVideo::SetFrameObserver(nullptr, nullptr);
        window_.reset();
        testwin::DispatchAll();
        RendererTest::TearDown();
    }

    // A second-long clip played to its end.
    void PlayTitleCards()
    {
        imgtest::MakeClip(dir_.File("data/FMV/TitleCards.mpg"), kClipFrames, 440,
                          SolidColour([](int) { return kGreen; }));
        EXPECT_EQ(TsVideo::PlayFMV("data\\FMV\\TitleCards.mpg"), TsVideo::kPlayed);
        EXPECT_FALSE(TsVideo::IsPlaying());
    }

    static void OnFrame(int index, void* user)
    {
        auto* self = static_cast<TsVideoTest*>(user);
        self->frames_.push_back(index);
        self->centres_.push_back(self->FrontCentre());
        if (self->onFrame_)
            self->onFrame_(index);
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
        onFrame_ = [=](int index) {
            if (index >= mark && !*fired) {
                *fired = true;
                act();
            }
        };
    }

    ScratchDir dir_;
    std::unique_ptr<Window> window_;
    std::vector<int> frames_;
    std::vector<uint32_t> centres_;
    std::function<void(int)> onFrame_;
};

TEST_F(TsVideoTest, MissingOrDamagedFilesFailAndOnlyADamagedOneIsLogged)
{
    LogCapture log;
    EXPECT_EQ(TsVideo::PlayFMV("data\\FMV\\nothere.mpg"), TsVideo::kFailed);
    EXPECT_TRUE(frames_.empty());
    EXPECT_EQ(FrontCentre(), 0xFF000000u); // only the cleared screen
    EXPECT_EQ(log.All(), "");              // a missing video is no error
    EXPECT_EQ(TsVideo::PlayFMV(nullptr), TsVideo::kFailed);
    dir_.Write("data/FMV/broken.mpg", std::string(4096, '\x47'));
    EXPECT_EQ(TsVideo::PlayFMV("data\\FMV\\broken.mpg"), TsVideo::kFailed);
    EXPECT_TRUE(log.Contains("broken.mpg"));
    EXPECT_FALSE(TsVideo::IsPlaying());
}

TEST_F(TsVideoTest, AVideoPlaysEveryPictureFullScreenInOrder)
{
    PlayTitleCards();
    ASSERT_FALSE(frames_.empty());
    EXPECT_EQ(frames_.back(), kClipFrames - 1);
    EXPECT_TRUE(std::is_sorted(frames_.begin(), frames_.end()));
    for (size_t i = 0; i < centres_.size(); ++i)
        EXPECT_TRUE(imgtest::Near(centres_[i] | 0xFF000000u, kGreen, 16))
            << "frame " << frames_[i] << " centre " << std::hex << centres_[i];
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
    imgtest::MakeClip(dir_.File("data/FMV/intro.mpg"), 50, 440, SolidColour([](int) { return kGreen; }));
    // Other keys and the right button leave it playing to the end.
    frames_.clear();
    ActAt(3, [&] {
        InjectKey(*window_, kKeyA, true);
        InjectMouseButton(*window_, 1, false);
    });
    EXPECT_EQ(TsVideo::PlayFMV("data\\fmv\\intro.mpg"), TsVideo::kPlayed);
    EXPECT_EQ(frames_.back(), 49);

    struct Case {
        const char* what;
        std::function<void()> act;
        bool quits = false; // the quit is left for the main loop
    };
    const std::vector<Case> cases = {
        {"space", [&] { InjectKey(*window_, kKeySpace, true); }},
        {"escape", [&] { InjectKey(*window_, kKeyEscape, true); }},
        {"enter", [&] { InjectKey(*window_, kKeyReturn, true); }},
        {"left click", [&] {
             InjectMouseButton(*window_, 0, true);
             InjectMouseButton(*window_, 0, false);
         }},
        {"closing the window", [&] { InjectClose(*window_); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        frames_.clear();
        ActAt(3, c.act);
        EXPECT_EQ(TsVideo::PlayFMV("data\\fmv\\INTRO.MPG"), TsVideo::kSkipped);
        ASSERT_FALSE(frames_.empty());
        EXPECT_LT(frames_.back(), 40);
        EXPECT_EQ(testwin::DispatchAll() > 0, c.quits);
    }
}

} // namespace
