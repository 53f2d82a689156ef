// A frame's opening that looks as the last frame's did is put back as a
// picture; anything that would change it is drawn.
#include "GfxTestSupport.h"

#include <functional>

#include "testing/AllocationCounter.h"

using namespace gfxtest;

namespace {

constexpr uint32_t kBlack = 0xFF000000, kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

// How a frame's opening looks: a clear, and a square in the middle coloured
// by its vertices, the texture factor or a texture's texel.
struct Look {
    uint32_t clear = kBlack, diffuse = kRed, factor = 0, texel = 0;
};

class KeptPassTest : public DeviceTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Make(16, 16));
        texture = Hold(MakeTexture(1, 1, {0}));
        ASSERT_NE(texture, nullptr);
        texelNow = 0;
    }
    // The square [x0, x1) on both axes at depth z.
    void Square(float x0, float x1, float z, uint32_t colour)
    {
        const float l = x0 - 0.5f, r = x1 - 0.5f;
        DrawTexQuad(*device, l, l, r, r, colour, z);
    }
    void Opening(const Look& look)
    {
        if (look.texel && look.texel != texelNow) {
            FillTexture(texture, 1, {look.texel});
            texelNow = look.texel;
        }
        device->BeginKeptPass();
        ClearTo(look.clear);
        const uint32_t source = look.texel ? GfxTa::Texture : look.factor ? GfxTa::TFactor : GfxTa::Diffuse;
        device->SetTextureStageState(0, GfxTss::ColorOp, GfxTop::SelectArg1);
        device->SetTextureStageState(0, GfxTss::ColorArg1, source);
        device->SetRenderState(GfxRs::TextureFactor, look.factor);
        device->SetTexture(0, look.texel ? texture : nullptr);
        Square(4, 12, 0.5f, look.diffuse);
    }
    void Frames(int count, const Look& look = {})
    {
        for (int i = 0; i < count; ++i)
            Frame(look);
    }
    void Frame(const Look& look)
    {
        device->BeginScene();
        Opening(look);
        device->EndKeptPass();
        device->EndScene();
        ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), GfxResult::Ok);
    }
    // A frame as the front end draws one: no kept pass.
    void FrameWithoutThePass()
    {
        device->BeginScene();
        ClearTo(kBlue);
        device->EndScene();
        ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), GfxResult::Ok);
    }
    GfxTexture* texture = nullptr;
    uint32_t texelNow = 0;
};

} // namespace

// Like: drawn as in the two frames before; either way the frame looks the same.
TEST_F(KeptPassTest, ALikeOpeningIsPutBackUnlessAFrameWithoutItOrAResetCameBetween)
{
    const struct {
        const char* what;
        std::function<void()> between;
        uint64_t putBack;
    } cases[] = {
        {"nothing between: the third like opening is put back", [] {}, 1},
        {"a frame without the pass lets the kept picture go", [this] { FrameWithoutThePass(); }, 0},
        {"a reset drops it", [this] { ASSERT_EQ(device->Reset(&params), GfxResult::Ok); }, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        Frames(2);
        c.between();
        Frame({});
        EXPECT_EQ(device->KeptPassesPutBack(), c.putBack);
        ExpectRgb({{8, 8, 0xFF0000}, {1, 1, 0}});
    }
}

TEST_F(KeptPassTest, APutBackOpeningKeepsItsDepth)
{
    Frames(2);
    device->BeginScene();
    Opening({});
    device->EndKeptPass();
    Square(0, 16, 0.9f, kBlue); // behind the square: shows only around it
    device->EndScene();
    ASSERT_EQ(device->KeptPassesPutBack(), 1u);
    ExpectRgb({{8, 8, 0xFF0000}, {1, 1, 0x0000FF}});
}

TEST_F(KeptPassTest, AnOpeningThatChangesIsDrawnAfresh)
{
    const struct {
        const char* what;
        Look before;
        std::function<void(Look&)> change;
        uint32_t middle, corner;
    } cases[] = {
        {"a vertex's colour", {}, [](Look& l) { l.diffuse = kGreen; }, 0x00FF00, 0},
        {"a render state", {}, [](Look& l) { l.factor = kBlue; }, 0x0000FF, 0},
        {"the clear's colour", {}, [](Look& l) { l.clear = kGreen; }, 0xFF0000, 0x00FF00},
        {"a texture's pixels", {.texel = kGreen}, [](Look& l) { l.texel = kBlue; }, 0x0000FF, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        Look look = c.before;
        Frames(3, look);
        const uint64_t putBack = device->KeptPassesPutBack();
        c.change(look);
        Frame(look);
        EXPECT_EQ(device->KeptPassesPutBack(), putBack);
        ExpectRgb({{8, 8, c.middle}, {1, 1, c.corner}});
    }
}

TEST_F(KeptPassTest, WhatElseReachesTheBackBufferInThePassComesAfterWhatWasHeld)
{
    device->BeginScene();
    Opening({});
    const GfxRect left{0, 0, 8, 16};
    ASSERT_EQ(device->Clear(1, &left, GfxClear::Target, kGreen, 1.0f, 0), GfxResult::Ok);
    device->EndKeptPass();
    device->EndScene();
    ExpectRgb({{6, 8, 0x00FF00}, {10, 8, 0xFF0000}});
}

TEST_F(KeptPassTest, ARectangleClearOpeningIsNeverPutBackAndLeavesThePixelsOutsideIt)
{
    FrameWithoutThePass();
    const GfxRect top{0, 0, 16, 8};
    for (int i = 0; i < 3; ++i) { // the opening clears only the top half, then draws the square
        device->BeginScene();
        device->BeginKeptPass();
        ASSERT_EQ(device->Clear(1, &top, GfxClear::Target | GfxClear::ZBuffer, kBlack, 1.0f, 0), GfxResult::Ok);
        Square(4, 12, 0.5f, kRed);
        device->EndKeptPass();
        device->EndScene();
    }
    EXPECT_EQ(device->KeptPassesPutBack(), 0u);
    ExpectRgb({{1, 1, 0}, {8, 10, 0xFF0000}, {1, 14, 0x0000FF}});
}

TEST_F(KeptPassTest, ATextureItsOwnerReleasesIsNotKeptAliveByThePass)
{
    Frames(3, {.texel = kGreen});
    device->SetTexture(0, nullptr);
    std::erase(held, texture); // released here, not with the device
    EXPECT_EQ(texture->Release(), 0u);
}

// Every draw the pass holds copies the lit state's lights: a frame that holds
// more draws than any since the pass was made must find room for them.
TEST_F(KeptPassTest, AFrameHoldingMoreDrawsThanAnyBeforeAllocatesNothing)
{
    GfxLight light{};
    light.type = GfxLightType::Directional;
    ASSERT_EQ(device->SetLight(0, &light), GfxResult::Ok);
    // A frame without the pass lets it go; the next makes it again holding
    // one square, and the one after that holds two.
    const auto twoSquaresAfresh = [&] {
        FrameWithoutThePass();
        Frame({});
        testalloc::Count(true);
        const uint64_t before = testalloc::Counted();
        device->BeginScene();
        Opening({});
        device->SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::TFactor);
        device->SetRenderState(GfxRs::TextureFactor, kGreen);
        Square(6, 10, 0.25f, kRed);
        device->EndKeptPass();
        device->EndScene();
        testalloc::Count(false);
        EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), GfxResult::Ok);
        return testalloc::Counted() - before;
    };
    for (int i = 0; i < 3; ++i)
        twoSquaresAfresh(); // the driver makes its programs, over the first two
    EXPECT_EQ(twoSquaresAfresh(), 0u);
}
