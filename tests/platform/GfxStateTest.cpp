// The back buffer, buffers, bindings, state blocks, the lost device and full screen.
#include "GfxTestSupport.h"

#include <cstdlib>
#include <functional>
#include <tuple>
#include <utility>

#include <SDL2/SDL.h>

#include "platform/FullScreen.h"
#include "tests/app/ScreenGrab.h"
#include "tests/platform/DebugOutputCapture.h"
#include "tests/platform/PrivateDisplay.h"

using namespace gfxtest;

namespace {

// A device on a window of the application's own, destroyed with the window,
// on a display of the test's own: full screen, it covers the display and
// reads it back, which on the shared one would cover, or be covered by,
// another test's window.
class WindowDeviceTest : public DeviceTest {
protected:
    void TearDown() override
    {
        DeviceTest::TearDown();
        if (window)
            SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        if (!shared.empty())
            setenv("DISPLAY", shared.c_str(), 1);
    }
    void OpenWindow(int w, int h, uint32_t flags)
    {
        ASSERT_FALSE(display.Name().empty()) << "Xvfb did not start:\n" << display.Log();
        shared = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
        setenv("DISPLAY", display.Name().c_str(), 1);
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0);
        window = SDL_CreateWindow("device test", 0, 0, w, h, SDL_WINDOW_OPENGL | flags);
        ASSERT_NE(window, nullptr);
        system = GfxSystem::Create(220);
        ASSERT_NE(system, nullptr);
    }
    // Whether the display's own pixel at (x, y) has that colour once the
    // shown picture has reached it (the server may take the picture a moment
    // after the swap: a few reads of it are allowed).
    static bool DisplayShows(int x, int y, uint32_t rgb)
    {
        const char* display = std::getenv("DISPLAY");
        for (int read = 0; display && read < 50; ++read) {
            const game_test::Screenshot screen = game_test::GrabScreen(display, x + 1, y + 1);
            if (screen.width > 0 && screen.At(x, y) == rgb)
                return true;
        }
        return false;
    }
    testwin::PrivateDisplay display{"1280x1024x24"};
    std::string shared; // the suite's display
    SDL_Window* window = nullptr;
};

// A 2x1 texture, left texel red and right blue, on a quad stretched over u = 0..2.
class TexturedQuadTest : public DeviceTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Make(32, 32));
        GfxTexture* texture = Hold(MakeTexture(2, 1, {0xFFFF0000, 0xFF0000FF}, GfxFormat::X8R8G8B8));
        ASSERT_NE(texture, nullptr);
        device->SetRenderState(GfxRs::Lighting, 0);
        device->SetTexture(0, texture);
        device->SetTextureStageState(0, GfxTss::ColorOp, GfxTop::SelectArg1);
    }
    void Draw() { DrawTexturedQuad(32, 0xFFFFFFFF, 2); }
};

// Buffers for a quad: four vertices and six 16-bit indices.
std::pair<GfxVertexBuffer*, GfxIndexBuffer*> MakeQuadBuffers(GfxDevice& device)
{
    std::pair<GfxVertexBuffer*, GfxIndexBuffer*> quad{};
    EXPECT_EQ(device.CreateVertexBuffer(4 * sizeof(RhwVertex), 0, GfxFvf::RhwDiffuse, GfxPool::Managed, &quad.first),
              GfxResult::Ok);
    EXPECT_EQ(device.CreateIndexBuffer(12, 0, GfxFormat::Index16, GfxPool::Managed, &quad.second), GfxResult::Ok);
    return quad;
}

} // namespace

// Instead of handing out memory beyond it.
TEST_F(DeviceTest, ALockPastTheEndOfABufferIsRefused)
{
    ASSERT_TRUE(Make(32, 32));
    const auto [vb, ib] = MakeQuadBuffers(*device);
    Hold(vb), Hold(ib);
    uint8_t* past = nullptr;
    EXPECT_EQ(vb->Lock(3 * sizeof(RhwVertex), 2 * sizeof(RhwVertex), &past, 0), GfxResult::InvalidCall);
    EXPECT_EQ(past, nullptr);
    EXPECT_EQ(vb->Unlock(), GfxResult::InvalidCall);
}

TEST_F(DeviceTest, BindingsKeepObjectsAliveAndMemoryDrawsUnbind)
{
    ASSERT_TRUE(Make(32, 32));
    const auto [vb, ib] = MakeQuadBuffers(*device);
    const RhwVertex quad[4] = {{-0.5f, -0.5f, 0.5f, 1, 0xFF0000FF}, {31.5f, -0.5f, 0.5f, 1, 0xFF0000FF},
                               {-0.5f, 31.5f, 0.5f, 1, 0xFF0000FF}, {31.5f, 31.5f, 0.5f, 1, 0xFF0000FF}};
    const uint16_t idx[6] = {0, 1, 2, 1, 3, 2};
    Fill(vb, quad);
    Fill(ib, idx);
    device->SetStreamSource(0, vb, sizeof(RhwVertex));
    device->SetIndices(ib, 0);
    // The device holds its own references.
    EXPECT_EQ(vb->Release(), 1u);
    EXPECT_EQ(ib->Release(), 1u);
    // Untextured, stage 0 passes the vertex colour through.
    device->SetVertexShader(GfxFvf::RhwDiffuse);
    EXPECT_EQ(device->DrawIndexedPrimitive(GfxPrimitive::TriangleList, 0, 4, 0, 2), GfxResult::InvalidCall)
        << "drawn outside a scene";
    device->BeginScene();
    ClearTo(0xFF000000);
    ASSERT_EQ(device->DrawIndexedPrimitive(GfxPrimitive::TriangleList, 0, 4, 0, 2), GfxResult::Ok);
    EXPECT_EQ(Rgb(30, 30), 0x0000FFu);
    // An index beyond the vertices is refused instead of read past the end.
    device->SetIndices(ib, 1);
    EXPECT_EQ(device->DrawIndexedPrimitive(GfxPrimitive::TriangleList, 0, 4, 0, 2), GfxResult::InvalidCall);
    // Drawing from memory leaves stream 0 and the indices unbound.
    const RhwVertex tri[3] = {quad[0], quad[1], quad[2]};
    ASSERT_EQ(device->DrawPrimitiveUP(GfxPrimitive::TriangleList, 1, tri, sizeof(RhwVertex)), GfxResult::Ok);
    device->EndScene();
    GfxVertexBuffer* bound = vb;
    GfxIndexBuffer* boundIb = ib;
    uint32_t stride = 99, base = 99;
    device->GetStreamSource(0, &bound, &stride);
    device->GetIndices(&boundIb, &base);
    EXPECT_TRUE(bound == nullptr && stride == 0 && boundIb == nullptr);
}

// A draw may not read outside the vertices and indices it was given: not
// through an index past them, nor through a primitive count or a start near
// 2^32 that would wrap, in 32 bits, to a small draw that passes the bounds.
TEST_F(DeviceTest, ADrawReachingPastItsVerticesOrIndicesIsRefused)
{
    ASSERT_TRUE(Make(32, 32));
    const auto [vb, ib] = MakeQuadBuffers(*device);
    Hold(vb), Hold(ib);
    const RhwVertex quad[4] = {};
    const uint16_t idx[6] = {0, 1, 2, 1, 3, 2};
    const uint16_t bad[3] = {0, 1, 7};
    Fill(ib, idx);
    const uint32_t third = 0x55555556u; // a triangle list of this many has 2 vertices past 2^32
    const uint32_t size = sizeof(RhwVertex);
    namespace P = GfxPrimitive;
    GfxDevice& d = *device;
    const std::pair<const char*, std::function<int32_t()>> draws[] = {
        {"an index past the vertices given",
         [&] { return d.DrawIndexedPrimitiveUP(P::TriangleList, 0, 4, 1, bad, GfxFormat::Index16, quad, size); }},
        {"indices from near 2^32", [&] { return d.DrawIndexedPrimitive(P::TriangleList, 0, 4, UINT32_MAX - 1, 1); }},
        {"indexed triangle list", [&] { return d.DrawIndexedPrimitive(P::TriangleList, 0, 4, 0, third); }},
        {"indexed line strip", [&] { return d.DrawIndexedPrimitive(P::LineStrip, 0, 4, 0, UINT32_MAX); }},
        {"triangle list", [&] { return d.DrawPrimitive(P::TriangleList, 0, third); }},
        {"triangle strip", [&] { return d.DrawPrimitive(P::TriangleStrip, 0, UINT32_MAX - 1); }},
        {"strip from memory", [&] { return d.DrawPrimitiveUP(P::TriangleStrip, UINT32_MAX, quad, size); }},
        {"indexed list from memory",
         [&] { return d.DrawIndexedPrimitiveUP(P::TriangleList, 0, 4, third, idx, GfxFormat::Index16, quad, size); }},
    };
    device->SetVertexShader(GfxFvf::RhwDiffuse);
    device->BeginScene();
    for (const auto& [what, draw] : draws) {
        device->SetStreamSource(0, vb, sizeof(RhwVertex));
        device->SetIndices(ib, 0);
        EXPECT_EQ(draw(), GfxResult::InvalidCall) << what;
    }
    device->EndScene();
}

TEST_F(TexturedQuadTest, SamplerAddressingWrapsClampsMirrorsOnceOrShowsTheBorder)
{
    struct Case {
        const char* name;
        uint32_t mode;
        uint32_t at4, at12, at20, at28;
    };
    // Wrap repeats; clamp holds the last texel; mirrored once mirrors only
    // below 0, so past u = 1 it clamps; border shows the border colour.
    const Case cases[] = {{"wrap", GfxAddress::Wrap, 0xFF0000, 0x0000FF, 0xFF0000, 0x0000FF},
                          {"clamp", GfxAddress::Clamp, 0xFF0000, 0x0000FF, 0x0000FF, 0x0000FF},
                          {"mirror once", GfxAddress::MirrorOnce, 0xFF0000, 0x0000FF, 0x0000FF, 0x0000FF},
                          {"border", GfxAddress::Border, 0xFF0000, 0x0000FF, 0x00FF00, 0x00FF00}};
    device->SetTextureStageState(0, GfxTss::BorderColor, 0xFF00FF00);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device->SetTextureStageState(0, GfxTss::AddressU, c.mode);
        Draw();
        ExpectRgb({{4, 16, c.at4}, {12, 16, c.at12}, {20, 16, c.at20}, {28, 16, c.at28}});
    }
}

TEST_F(TexturedQuadTest, ManagedTexturesSurviveTheDeviceDiscardingItsCopies)
{
    ASSERT_EQ(device->ResourceManagerDiscardBytes(0), GfxResult::Ok);
    Draw();
    EXPECT_EQ(Rgb(4, 16), 0xFF0000u);
}

TEST_F(DeviceTest, ValidationRejectsOperationsItCannotDo)
{
    ASSERT_TRUE(Make(32, 32));
    uint32_t passes = 0;
    device->SetTextureStageState(0, GfxTss::ColorOp, GfxTop::Modulate2x);
    EXPECT_EQ(device->ValidateDevice(&passes), GfxResult::Ok);
    EXPECT_EQ(passes, 1u);
    device->SetTextureStageState(1, GfxTss::ColorOp, GfxTop::BumpEnvMap);
    EXPECT_EQ(device->ValidateDevice(&passes), GfxResult::UnsupportedColorOperation);
}

TEST_F(DeviceTest, AStateBlockRecordsWithoutApplyingThenAppliesAndCaptures)
{
    ASSERT_TRUE(Make(32, 32));
    const auto cull = [&] {
        uint32_t value = 0;
        device->GetRenderState(GfxRs::CullMode, &value);
        return value;
    };
    ASSERT_EQ(device->BeginStateBlock(), GfxResult::Ok);
    device->SetRenderState(GfxRs::CullMode, GfxCull::None);
    device->SetRenderState(GfxRs::CullMode, GfxCull::Cw);
    device->SetTextureStageState(1, GfxTss::ColorOp, GfxTop::Add);
    EXPECT_EQ(cull(), GfxCull::Ccw);
    uint32_t handle = 0;
    ASSERT_EQ(device->EndStateBlock(&handle), GfxResult::Ok);
    ASSERT_NE(handle, 0u);
    ASSERT_EQ(device->ApplyStateBlock(handle), GfxResult::Ok);
    EXPECT_EQ(cull(), GfxCull::Cw);
    uint32_t op = 0;
    device->GetTextureStageState(1, GfxTss::ColorOp, &op);
    EXPECT_EQ(op, GfxTop::Add);
    // Capture takes the current values into the block.
    device->SetRenderState(GfxRs::CullMode, GfxCull::None);
    ASSERT_EQ(device->CaptureStateBlock(handle), GfxResult::Ok);
    device->SetRenderState(GfxRs::CullMode, GfxCull::Ccw);
    device->ApplyStateBlock(handle);
    EXPECT_EQ(cull(), GfxCull::None);
    EXPECT_EQ(device->DeleteStateBlock(handle), GfxResult::Ok);
    EXPECT_EQ(device->ApplyStateBlock(handle), GfxResult::InvalidCall);
    EXPECT_EQ(device->DeleteStateBlock(handle), GfxResult::InvalidCall);
}

TEST(FullScreen, TheWantedSizeIsFoundAtTheWantedRefreshRateElseTheFirstOfThatSize)
{
    const std::vector<ScreenMode> modes = {{1280, 1024, 75}, {1280, 1024, 60}, {800, 600, 60}, {800, 600, 56}};
    struct Case {
        ScreenMode wanted;
        int found;
    };
    for (const Case c : {Case{{800, 600, 56}, 3}, Case{{800, 600, 0}, 2}, Case{{1280, 1024, 85}, 0},
                         Case{{1024, 768, 60}, -1}, Case{{600, 800, 60}, -1}})
        EXPECT_EQ(FindScreenMode(modes, c.wanted), c.found) << c.wanted.width << " x " << c.wanted.height;
}

// Scaled, the picture has black bars. Either way the display's mode is what
// the device reports, so a screenshot of it holds the whole picture,
// and the display itself shows the whole picture: the window covers it even
// where no window manager lays it over the desktop.
TEST_F(WindowDeviceTest, FullScreenSwitchesToAnOfferedModeOrScalesToTheDesktopAndSaysSo)
{
    ASSERT_NO_FATAL_FAILURE(OpenWindow(640, 480, 0));
    GfxDisplayMode desktop{};
    ASSERT_EQ(system->GetAdapterDisplayMode(0, &desktop), GfxResult::Ok);
    bool offers640 = false; // a virtual display usually offers its own size only
    for (int i = 0, n = SDL_GetNumDisplayModes(0); i < n; ++i) {
        SDL_DisplayMode m{};
        offers640 |= SDL_GetDisplayMode(0, i, &m) == 0 && m.w == 640 && m.h == 480;
    }
    for (const auto& [w, h] : {std::pair{640u, 480u}, std::pair{desktop.width, desktop.height}}) {
        SCOPED_TRACE(w);
        const bool switched = w == desktop.width || offers640;
        DebugOutputCapture log;
        GfxPresentParameters p = Presentation(w, h, GfxFormat::X8R8G8B8, 0);
        p.deviceWindow = window;
        ASSERT_EQ(system->CreateDevice(0, GfxDevType::Hal, window, 0x82, &p, &device), GfxResult::Ok);
        EXPECT_EQ(log.Contains("is not possible"), !switched) << log.Text();
        GfxDisplayMode mode{};
        device->GetDisplayMode(&mode);
        int ww = 0, wh = 0;
        SDL_GetWindowSize(window, &ww, &wh);
        EXPECT_EQ(std::tie(mode.width, mode.height), switched ? std::tie(w, h) : std::tie(desktop.width, desktop.height));
        EXPECT_EQ(std::tuple(ww, wh), std::tuple(static_cast<int>(mode.width), static_cast<int>(mode.height)));
        // White, with a red block in the picture's bottom-right corner.
        ClearTo(0xFFFFFFFF);
        const GfxRect corner{static_cast<int32_t>(w * 7 / 8), static_cast<int32_t>(h * 7 / 8),
                             static_cast<int32_t>(w), static_cast<int32_t>(h)};
        ASSERT_EQ(device->Clear(1, &corner, GfxClear::Target, 0xFFFF0000, 1.0f, 0), GfxResult::Ok);
        ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), GfxResult::Ok);
        GfxSurface* shot = nullptr;
        ASSERT_EQ(device->CreateImageSurface(mode.width, mode.height, GfxFormat::A8R8G8B8, &shot), GfxResult::Ok);
        ASSERT_EQ(device->GetFrontBuffer(shot), GfxResult::Ok);
        auto at = [&](uint32_t x, uint32_t y) {
            uint32_t c = 0;
            std::memcpy(&c, shot->Pixels() + y * shot->Pitch() + x * 4, 4);
            return c;
        };
        // The picture keeps its shape: 4:3 on a desktop of another shape
        // leaves black bars on two sides.
        const double scale = std::min(static_cast<double>(mode.width) / w, static_cast<double>(mode.height) / h);
        const auto shownW = static_cast<uint32_t>(w * scale + 0.5), shownH = static_cast<uint32_t>(h * scale + 0.5);
        EXPECT_EQ(at(mode.width / 2, mode.height / 2), 0xFFFFFFFFu);
        EXPECT_EQ(at((mode.width + shownW) / 2 - 2, (mode.height + shownH) / 2 - 2), 0xFFFF0000u)
            << "the whole picture is on the screen";
        EXPECT_TRUE(shownH == mode.height || at(mode.width / 2, 0) == 0xFF000000u);
        EXPECT_TRUE(shownW == mode.width || at(0, mode.height / 2) == 0xFF000000u);
        const int cornerX = static_cast<int>(mode.width + shownW) / 2 - 2;
        const int cornerY = static_cast<int>(mode.height + shownH) / 2 - 2;
        EXPECT_TRUE(DisplayShows(cornerX, cornerY, 0xFF0000)) << "the display's own pixel in the picture's corner";
        shot->Release();
        device->Release();
        device = nullptr;
    }
}

// Where the display takes no gamma ramp, the picture it is shown goes
// through the ramp; a ramp that moves no 8-bit level leaves it as drawn.
TEST_F(WindowDeviceTest, ARampTheDisplayRefusesIsDrawnIntoThePictureItShows)
{
    ASSERT_NO_FATAL_FAILURE(OpenWindow(640, 480, 0));
    GfxPresentParameters p = Presentation(640, 480, GfxFormat::X8R8G8B8, 0);
    p.deviceWindow = window;
    ASSERT_EQ(system->CreateDevice(0, GfxDevType::Hal, window, 0x82, &p, &device), GfxResult::Ok);
    device->RefuseDisplayGamma();
    int ww = 0, wh = 0;
    SDL_GetWindowSize(window, &ww, &wh);
    for (const auto& [halved, shown] : {std::pair{false, 0x806040u}, std::pair{true, 0x403020u}}) {
        GfxGammaRamp ramp{};
        for (int i = 0; i < 256; ++i) // the neutral ramp a little under each level, as gamma curves come
            ramp.red[i] = ramp.green[i] = ramp.blue[i] = uint16_t(halved ? i * 257 / 2 : i * 257 - (i > 0));
        device->SetGammaRamp(0, &ramp);
        ClearTo(0xFF806040);
        ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), GfxResult::Ok);
        EXPECT_TRUE(DisplayShows(ww / 2, wh / 2, shown)) << (halved ? "halved" : "neutral");
    }
}

TEST_F(DeviceTest, ClearFillsTheBackBufferOrOneRectangleAndNeverLeavesTheViewport)
{
    ASSERT_TRUE(Make(800, 600));
    ClearTo(0xFF336699);
    ExpectRgb({{0, 0, 0x336699}, {799, 599, 0x336699}});
    ClearTo(0xFF000000);
    const GfxRect r{200, 150, 600, 450};
    ASSERT_EQ(device->Clear(1, &r, GfxClear::Target, 0xFFFF8000, 1.0f, 0), GfxResult::Ok);
    ExpectRgb({{200, 150, 0xFF8000}, {599, 449, 0xFF8000}, {199, 150, 0}, {200, 149, 0}, {600, 449, 0},
               {599, 450, 0}});
    const GfxViewport vp{100, 100, 50, 50, 0.0f, 1.0f};
    ASSERT_EQ(device->SetViewport(&vp), GfxResult::Ok);
    ClearTo(0xFF0000FF);
    ExpectRgb({{100, 100, 0x0000FF}, {149, 149, 0x0000FF}, {150, 150, 0}, {99, 100, 0}});
}

// A red quad at depth z over a depth buffer cleared to cleared, tested
// without writing, whether or not the device sends the test at all.
TEST_F(DeviceTest, APreTransformedQuadPassesTheDepthTestExactlyWhereItsDepthSaysSo)
{
    struct Case {
        uint32_t func;
        float z, cleared;
        bool shown;
    };
    const Case cases[] = {
        {GfxCmp::LessEqual, 0.0f, 0.0f, true},  {GfxCmp::Less, 0.0f, 0.0f, false},
        {GfxCmp::LessEqual, 0.5f, 0.25f, false}, {GfxCmp::Always, 0.5f, 0.25f, true},
        {GfxCmp::Greater, 0.0f, 1.0f, false},
    };
    ASSERT_TRUE(Make(8, 8));
    for (const Case& c : cases) {
        device->BeginScene();
        ASSERT_EQ(device->Clear(0, nullptr, GfxClear::Target | GfxClear::ZBuffer, 0xFF000000, c.cleared, 0),
                  GfxResult::Ok);
        device->SetRenderState(GfxRs::ZEnable, 1);
        device->SetRenderState(GfxRs::ZWriteEnable, 0);
        device->SetRenderState(GfxRs::ZFunc, c.func);
        DrawRect(0, 0, 8, 8, 0xFFFF0000, c.z);
        device->EndScene();
        EXPECT_EQ(Rgb(4, 4), c.shown ? 0xFF0000u : 0u) << "function " << c.func << ", depth " << c.z;
    }
}

TEST_F(DeviceTest, ALostDeviceRecoversThroughAResetToItsOwnDefaults)
{
    ASSERT_TRUE(Make(800, 600));
    const GfxViewport vp{100, 100, 50, 50, 0.0f, 1.0f};
    ASSERT_EQ(device->SetViewport(&vp), GfxResult::Ok);
    const GfxRect clip{8, 4, 16, 12};
    ASSERT_EQ(device->SetScissorRect(&clip), GfxResult::Ok);
    device->SetRenderState(GfxRs::CullMode, GfxCull::None);
    device->SimulateCooperativeLevel(GfxResult::DeviceLost);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), GfxResult::DeviceLost);
    GfxPresentParameters p = params;
    EXPECT_EQ(device->Reset(&p), GfxResult::DeviceLost);
    device->SimulateCooperativeLevel(GfxResult::DeviceNotReset);
    device->FailNextResets(1);
    EXPECT_TRUE(GfxFailed(device->Reset(&p)));
    EXPECT_EQ(device->TestCooperativeLevel(), GfxResult::DeviceNotReset);
    ASSERT_EQ(device->Reset(&p), GfxResult::Ok);
    EXPECT_EQ(device->TestCooperativeLevel(), GfxResult::Ok);
    // A reset puts the device's own defaults back (the viewport and the clip
    // too) and keeps the size.
    uint32_t cull = 0;
    device->GetRenderState(GfxRs::CullMode, &cull);
    EXPECT_EQ(cull, GfxCull::Ccw);
    GfxViewport reset{};
    device->GetViewport(&reset);
    EXPECT_EQ(std::pair(reset.width, reset.height), std::pair(800u, 600u));
    EXPECT_FALSE(device->GetScissorRect(nullptr));
    device->BeginScene();
    ClearTo(0xFF000000);
    DrawRect(0, 0, 800, 600, 0xFF123456);
    device->EndScene();
    ExpectRgb({{0, 0, 0x123456}, {799, 599, 0x123456}});
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), GfxResult::Ok);
}
