// The renderer's device: start, clearing, lost devices, adapters and screenshots.
#include "tests/render/RendererFixture.h"

#include <filesystem>
#include <tuple>

#include "engine/OmMaterial.h"
#include "engine/OmRef.h"
#include "platform/BmpFile.h"
#include "platform/ImageFile.h"
#include "tests/render/ResourceTestSupport.h"

using namespace plat;
using namespace rtest;

TEST_F(RendererTest, StartsOnceAt640x480Or800x600AndClearsToTheColour)
{
    struct Case {
        uint32_t width, height, bits;
    };
    for (const Case c : {Case{640, 480, 16}, Case{800, 600, 32}}) {
        SCOPED_TRACE(c.width);
        ASSERT_TRUE(Open(c.width, c.height, c.bits));
        EXPECT_EQ(renderer->GetPresentParameters().windowed, 0u);
        EXPECT_EQ(renderer->GetPresentParameters().backBufferFormat,
                  c.bits == 16 ? GfxFormat::R5G6B5 : GfxFormat::X8R8G8B8);
        ClearTo(1.0f, 0.0f, 0.0f);
        const std::vector<uint32_t> pixels = ReadPixels();
        ASSERT_EQ(std::tie(width, height), std::tie(c.width, c.height));
        ExpectPixels(pixels, {{0, 0, kRed}, {c.width - 1, c.height - 1, kRed}});
        // The engine's default material is the first one registered.
        EXPECT_NE(renderer->GetMaterial(0), nullptr);
        EXPECT_TRUE(renderer->GetMaterial(0)->IsEqual(OmMaterial::Default()));
        // A second start fails; after the shutdown a new renderer starts.
        OmRendererSetup again;
        EXPECT_FALSE(renderer->Initialise(&again));
        renderer.reset();
    }
}

TEST_F(RendererTest, ClearingARectangleLeavesTheRestAndTheViewportIsSetInPixels)
{
    ASSERT_TRUE(Open(800, 600));
    ClearTo(0.0f, 0.0f, 1.0f);
    const float rgb[3] = {1.0f, 0.5f, 0.0f};
    renderer->SetClearColour(rgb);
    const float rect[4] = {0.25f, 0.25f, 0.75f, 0.75f};
    renderer->Clear(rect, 0);
    const uint32_t orange = 0xFFFF7F00u;
    ExpectPixels(ReadPixels(), {{200, 150, orange}, {599, 449, orange}, {199, 150, kBlue},
                                {200, 149, kBlue}, {600, 449, kBlue}, {599, 450, kBlue}});
    EXPECT_EQ(renderer->SetViewport(rect), GfxResult::Ok);
    GfxViewport device{};
    Device()->GetViewport(&device);
    EXPECT_EQ(std::tie(device.x, device.y, device.width, device.height), std::make_tuple(200u, 150u, 400u, 300u));
}

TEST_F(RendererTest, ALoadingImageFillsTheScreenAndABadFileLeavesIt)
{
    ASSERT_TRUE(Open(800, 600));
    ClearTo(0.0f, 0.0f, 1.0f);
    ScratchDir folder(ScratchDir::kStayOutside);
    const std::string path = folder.File("loading.bmp");
    const std::vector<uint32_t> green(8 * 8, 0xFF00FF00u);
    ASSERT_TRUE(WriteBmp24(path, green.data(), 8, 8, 8 * 4));
    renderer->ShowImageFile(path.c_str());
    ExpectPixels(ReadPixels(), {{0, 0, 0xFF00FF00u}, {799, 599, 0xFF00FF00u}});

    ClearTo(0.0f, 0.0f, 1.0f);
    std::filesystem::resize_file(path, 20); // cut inside the header
    renderer->ShowImageFile(path.c_str());
    ExpectPixels(ReadPixels(), {{400, 300, kBlue}});
}

TEST_F(ScreenTest, ALostDeviceSkipsFramesAndResetsOnTheSecondNotResetFrame)
{
    GfxVertexBuffer* vb = nullptr;
    ASSERT_EQ(Device()->CreateVertexBuffer(64, 0, GfxFvf::RhwDiffuse, GfxPool::Managed, &vb), GfxResult::Ok);
    renderer->SetD3DStreamSource(0, vb, sizeof(rtest::RhwVertex));

    Device()->SimulateCooperativeLevel(GfxResult::DeviceLost);
    EXPECT_FALSE(renderer->BeginScene(0.0f));
    EXPECT_FALSE(renderer->BeginScene(0.0f));
    Device()->SimulateCooperativeLevel(GfxResult::DeviceNotReset);
    EXPECT_FALSE(renderer->BeginScene(0.0f)); // arms the reset
    EXPECT_EQ(DeviceStream(), vb);
    EXPECT_FALSE(renderer->BeginScene(0.0f)); // releases, unbinds and resets
    EXPECT_EQ(DeviceStream(), nullptr);
    EXPECT_EQ(Device()->TestCooperativeLevel(), GfxResult::Ok);
    EXPECT_TRUE(renderer->BeginScene(0.0f));
    EXPECT_EQ(renderer->EndScene(), GfxResult::Ok);
    vb->Release();
}

// A device reset loses every state and binding; the renderer's reset puts
// its cached states back and binds the textures again, so they must live.
TEST_F(ScreenTest, StatesAndBoundTexturesOutliveAResetThatFailsOnceAndIsTriedAgain)
{
    GfxTexture* texture = nullptr;
    ASSERT_EQ(Device()->CreateTexture(4, 4, 1, 0, GfxFormat::A8R8G8B8, GfxPool::Managed, &texture), GfxResult::Ok);
    renderer->SetD3DTexture(0, texture);
    const uint32_t block = renderer->BeginStateBlock();
    renderer->SetD3DTexture(2, texture);
    renderer->EndStateBlock();
    texture->Release(); // only the bindings and the block hold it now
    renderer->DispatchRenderState(GfxRs::CullMode, GfxCull::None);
    renderer->SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::TFactor);

    // A failed reset keeps trying through BeginScene.
    Device()->SimulateCooperativeLevel(GfxResult::DeviceNotReset);
    Device()->FailNextResets(1);
    renderer->MarkDeviceLost();
    EXPECT_FALSE(renderer->BeginScene(0.0f)); // armed already: the reset fails
    EXPECT_FALSE(renderer->BeginScene(0.0f)); // still armed: tries again and succeeds
    ExpectCacheMatchesDevice({GfxRs::CullMode});
    uint32_t arg = 0;
    Device()->GetTextureStageState(0, GfxTss::ColorArg1, &arg);
    EXPECT_EQ(arg, GfxTa::TFactor);
    GfxTexture* bound = nullptr;
    Device()->GetTexture(0, &bound);
    EXPECT_EQ(bound, texture);
    if (bound)
        bound->Release();
    renderer->SetD3DTexture(0, nullptr);
    renderer->ApplyStateBlock(block);
    EXPECT_EQ(renderer->GetStageTexture(2), texture);
    renderer->DeleteStateBlock(block);
    EXPECT_TRUE(renderer->BeginScene(0.0f));
    renderer->EndScene();
}

// A real bind counts in the frame's texture changes.
TEST_F(ScreenTest, TheCacheSkipsEqualValuesAndARecordedBlockLeavesItAndTheDevice)
{
    OmRef<GfxTexture> spare;
    ASSERT_EQ(Device()->CreateTexture(4, 4, 1, 0, GfxFormat::A8R8G8B8, GfxPool::Managed, spare.Put()), GfxResult::Ok);
    const uintptr_t textureWord = reinterpret_cast<uintptr_t>(spare.Get());
    const struct {
        const char* what;
        GfxCall call;
        void (*set)(rtest::TestRenderer&, uintptr_t);
        uintptr_t current, other;
    } setters[] = {
        {"render state", GfxCall::SetRenderState,
         [](rtest::TestRenderer& r, uintptr_t v) { r.DispatchRenderState(GfxRs::CullMode, uint32_t(v)); },
         GfxCull::Ccw, GfxCull::None},
        {"stage state", GfxCall::SetTextureStageState,
         [](rtest::TestRenderer& r, uintptr_t v) { r.SetTextureStageState(0, GfxTss::ColorOp, uint32_t(v)); },
         GfxTop::Modulate, GfxTop::SelectArg1},
        {"texture", GfxCall::SetTexture,
         [](rtest::TestRenderer& r, uintptr_t v) { r.SetD3DTexture(0, reinterpret_cast<GfxTexture*>(v)); }, 0,
         textureWord},
    };
    const auto cached = [&](size_t row) -> uintptr_t {
        return row == 0 ? renderer->GetRenderState(GfxRs::CullMode)
             : row == 1 ? renderer->GetTextureStageState(0, GfxTss::ColorOp)
                        : reinterpret_cast<uintptr_t>(renderer->GetStageTexture(0));
    };
    ASSERT_TRUE(renderer->BeginScene(0.0f));
    Device()->ResetCallCounts();
    const uint32_t recording = renderer->BeginStateBlock();
    for (const auto& s : setters)
        s.set(*renderer, s.other);
    renderer->EndStateBlock();
    for (size_t row = 0; row < std::size(setters); ++row) {
        const auto& s = setters[row];
        EXPECT_EQ(Device()->CallCount(s.call), 0u) << s.what << " recorded";
        EXPECT_EQ(cached(row), s.current) << s.what << " recorded";
        s.set(*renderer, s.current);
        EXPECT_EQ(Device()->CallCount(s.call), 0u) << s.what << " set to what it is";
        s.set(*renderer, s.other);
        s.set(*renderer, s.other);
        EXPECT_EQ(Device()->CallCount(s.call), 1u) << s.what << " changed twice to one value";
    }
    renderer->DeleteStateBlock(recording);
    const uint32_t* words = renderer->GetFrameStats()->words;
    EXPECT_EQ(words[OmRenderStats::kTextureChanges], 1u);
    renderer->EndScene();
}

// Primitives drawn outside pass 1 are the alpha count (word 9).
TEST_F(ScreenTest, TheFrameCountsPrimitivesByPassAndStartsAgainEachFrame)
{
    ASSERT_TRUE(renderer->BeginScene(0.0f));
    const uint32_t* words = renderer->GetFrameStats()->words;
    const rtest::RhwVertex v[3] = {{0, 0, 0.5f, 1, ~0u}, {9, 0, 0.5f, 1, ~0u}, {0, 9, 0.5f, 1, ~0u}};
    renderer->SetVertexShader(GfxFvf::RhwDiffuse);
    for (uint32_t pass : {1, 2, 2}) {
        renderer->SetRenderPass(pass);
        renderer->DrawPrimitiveUP(GfxPrimitive::TriangleList, 1, v, sizeof v[0]);
    }
    renderer->SetRenderPass(1);
    EXPECT_EQ(words[OmRenderStats::kPrimitives], 3u);
    EXPECT_EQ(words[OmRenderStats::kAlphaPrimitives], 2u);
    renderer->EndScene();
    ASSERT_TRUE(renderer->BeginScene(0.0f));
    EXPECT_EQ(words[OmRenderStats::kAlphaPrimitives] + words[OmRenderStats::kTextureChanges], 0u) << "a new frame";
    renderer->EndScene();
}

TEST_F(RendererTest, EnumerationKeepsOneEntryPerSizeAndFormatInOrder)
{
    using namespace GfxFormat;
    GfxTestAdapter hal = rtest::AdapterWith({{1024, 768, 60, R5G6B5},
                                             {640, 480, 60, X8R8G8B8}, {320, 240, 60, R5G6B5}, {640, 400, 60, R5G6B5},
                                             {640, 480, 60, R5G6B5}, {640, 480, 75, R5G6B5}, {800, 600, 60, X1R5G5B5},
                                             {800, 480, 60, R5G6B5},
                                             {800, 600, 60, A8R8G8B8}});
    GfxTestAdapter reference = hal;
    reference.deviceType = GfxDevType::Ref;
    SetGfxTestAdapters({hal, reference});
    OmD3D d3d;
    ASSERT_TRUE(d3d.EnumerateAdapters(nullptr));
    ASSERT_EQ(d3d.GetAdapterCount(), 2u);
    const std::vector<GfxDisplayMode> expected = {{800, 600, 60, X1R5G5B5}, {640, 480, 60, R5G6B5},
                                                  {800, 480, 60, R5G6B5},   {1024, 768, 60, R5G6B5},
                                                  {640, 480, 60, X8R8G8B8}, {800, 600, 60, A8R8G8B8}};
    const std::vector<GfxDisplayMode>& modes = d3d.GetAdapter(0)->modes;
    ASSERT_EQ(modes.size(), expected.size());
    for (size_t i = 0; i < modes.size(); ++i)
        EXPECT_EQ(std::memcmp(&modes[i], &expected[i], sizeof modes[i]), 0) << i;
    EXPECT_TRUE(d3d.GetAdapter(1)->modes.empty());

    EXPECT_FALSE(d3d.SelectDisplayMode(0)); // no adapter selected yet
    EXPECT_FALSE(d3d.SelectAdapter(2));
    EXPECT_TRUE(d3d.SelectAdapter(0));
    EXPECT_TRUE(d3d.SelectDisplayMode(5));
    EXPECT_FALSE(d3d.SelectDisplayMode(6));
    EXPECT_EQ(d3d.GetAdapter(2), nullptr);
}

TEST_F(RendererTest, TheDepthFormatFallsBackThroughTheTable)
{
    using namespace GfxFormat;
    struct Attempt {
        uint32_t depth, flags; // flags 0: not checked
    };
    struct Case {
        const char* name;
        uint32_t bits;
        std::vector<uint32_t> refused;
        uint32_t failCreate;
        bool hardware;
        std::vector<Attempt> attempts;
        bool started;
    } const cases[] = {
        {"32 bits scans down from D32, skipping what the adapter refuses", 32, {D32, D24X4S4}, 0, true,
         {{D24S8, 0x82}}, true},
        {"a failed creation retries once with the other scan, in software", 32, {}, 1, false,
         {{D32, 0}, {D16, 0x22}}, true},
        {"16 bits scans up from D16", 16, {}, 1, true, {{D16, 0}, {D32, 0}}, true},
        {"nothing accepted: the starting entry stays and creation fails twice", 16, {80, 73, 77, 75, 79, 71}, 0,
         true, {{D16, 0}, {D32, 0}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GfxTestAdapter adapter = rtest::StandardAdapter();
        adapter.refusedFormats = c.refused;
        adapter.failCreateDevice = c.failCreate;
        adapter.devCaps = c.hardware ? adapter.devCaps : 0;
        EXPECT_EQ(Open(c.bits == 16 ? 640 : 800, c.bits == 16 ? 480 : 600, c.bits, adapter), c.started);
        const auto& attempts = GfxTestCreateAttempts();
        ASSERT_EQ(attempts.size(), c.attempts.size());
        for (size_t i = 0; i < attempts.size(); ++i) {
            EXPECT_EQ(attempts[i].depthFormat, c.attempts[i].depth) << i;
            EXPECT_TRUE(c.attempts[i].flags == 0 || attempts[i].flags == c.attempts[i].flags) << i;
        }
        if (c.started) {
            EXPECT_EQ(renderer->IsHardwareVertexProcessing(), c.hardware);
        }
        renderer.reset();
    }
}

// The fallback window is on adapter 0.
TEST_F(RendererTest, AMissingAdapterOrModeFallsBackToAWindowIfTheAdapterCanDrawIntoOne)
{
    ASSERT_TRUE(Open(1000, 480, 16));
    EXPECT_EQ(renderer->GetPresentParameters().windowed, 1u);
    ASSERT_TRUE(Open(640, 480, 16, rtest::StandardAdapter(), 3));
    EXPECT_EQ(renderer->GetCurrentAdapterIndex(), 0);
    EXPECT_EQ(renderer->GetPresentParameters().windowed, 1u);
    GfxTestAdapter adapter = rtest::StandardAdapter();
    adapter.caps2 = 0;
    EXPECT_FALSE(Open(640, 480, 16, adapter, 3));
    EXPECT_EQ(renderer->GetDevice(), nullptr);
}

TEST_F(RendererTest, ScreenshotsReadBackWithThePixelsDrawnFullScreenOrWindowed)
{
    ScratchDir folder(ScratchDir::kStayOutside);
    for (bool windowed : {false, true}) {
        SCOPED_TRACE(windowed);
        if (windowed) {
            // On a 1024 x 768 desktop the window's rows are read from a
            // screen-wide surface, a pitch wider than the picture.
            renderer.reset();
            SetGfxTestAdapters({rtest::StandardAdapter()});
            renderer = std::make_unique<rtest::TestRenderer>();
            OmRendererSetup setup;
            ASSERT_TRUE(renderer->Initialise(&setup));
        } else {
            ASSERT_TRUE(Open(640, 480));
        }
        ASSERT_TRUE(renderer->BeginScene(0.0f));
        ClearTo(0, 0, 1);
        renderer->SetLighting(false);
        renderer->SetTexture(0, -1);
        rtest::DrawTexQuad(*renderer, 10, 20, 110, 70, 0xFFFF0000);
        renderer->EndScene();
        renderer->Present();
        ReadPixels(); // the size drawn
        ASSERT_LT(width, 1024u);
        const std::string file = folder.File(windowed ? "window.bmp" : "shot.bmp");
        ASSERT_TRUE(renderer->SaveScreenshot(file.c_str()));
        EXPECT_EQ(std::filesystem::file_size(file), 54u + Bmp24RowBytes(width) * height);
        Image image;
        ASSERT_TRUE(LoadImageFile(file, image));
        EXPECT_EQ(std::tie(image.width, image.height), std::tie(width, height));
        for (const Probe p : {Probe{50, 40, 0xFFFF0000u}, Probe{width - 1, height - 1, 0xFF0000FFu},
                              Probe{5, 40, 0xFF0000FFu}})
            EXPECT_EQ(image.At(p.x, p.y) | 0xFF000000u, p.colour) << p.x << "," << p.y;
    }
    EXPECT_FALSE(renderer->SaveScreenshot(folder.File("no/such/folder/shot.bmp").c_str()));
    EXPECT_FALSE(renderer->SaveScreenshot(nullptr));
}
