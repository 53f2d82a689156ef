// Adapters and display modes, real and described by a test.
#include "GfxTestSupport.h"

#include <set>

using namespace gfxtest;

namespace {

class AdapterTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (system)
            system->Release();
        ClearGfxTestAdapters();
    }
    // The one described adapter, offering 640x480 and 800x600.
    GfxTestAdapter& Describe()
    {
        adapter.modes = {{640, 480, 60, GfxFormat::R5G6B5}, {800, 600, 60, GfxFormat::R5G6B5}};
        return adapter;
    }
    void Start()
    {
        SetGfxTestAdapters({adapter});
        system = GfxSystem::Create(220);
        ASSERT_NE(system, nullptr);
    }
    GfxTestAdapter adapter;
    GfxSystem* system = nullptr;
};

GfxPresentParameters FullScreen(uint32_t w, uint32_t h, uint32_t depth)
{
    GfxPresentParameters p = Presentation(w, h, GfxFormat::R5G6B5, depth);
    p.fullScreenPresentationInterval = GfxPresentInterval::Immediate;
    return p;
}

} // namespace

TEST_F(AdapterTest, RealAdaptersOfferCommonSizesUpToTheDesktopAndCapsFromOpenGL)
{
    system = GfxSystem::Create(220);
    ASSERT_NE(system, nullptr);
    ASSERT_GE(system->GetAdapterCount(), 1u);
    GfxAdapterIdentifier id{};
    ASSERT_EQ(system->GetAdapterIdentifier(0, GfxEnumNoWhqlLevel, &id), GfxResult::Ok);
    EXPECT_EQ(std::string(id.description), GfxQueryGLInfo().renderer);
    GfxDisplayMode desktop{};
    ASSERT_EQ(system->GetAdapterDisplayMode(0, &desktop), GfxResult::Ok);
    std::set<std::tuple<uint32_t, uint32_t, uint32_t>> seen;
    bool hasDesktop = false, has640 = false;
    for (uint32_t i = 0, n = system->GetAdapterModeCount(0); i < n; ++i) {
        GfxDisplayMode m{};
        ASSERT_EQ(system->EnumAdapterModes(0, i, &m), GfxResult::Ok);
        EXPECT_TRUE(m.width >= 640 && m.height >= 480 && m.width <= desktop.width && m.height <= desktop.height);
        EXPECT_TRUE(m.format == GfxFormat::R5G6B5 || m.format == GfxFormat::X8R8G8B8);
        EXPECT_TRUE(seen.insert({m.width, m.height, m.format}).second) << "listed twice";
        hasDesktop |= m.width == desktop.width && m.height == desktop.height;
        has640 |= m.width == 640 && m.height == 480;
    }
    EXPECT_TRUE(hasDesktop);
    EXPECT_EQ(has640, desktop.width >= 640 && desktop.height >= 480);
    for (const auto& [w, h, f] : seen) // each size in both formats
        EXPECT_TRUE(seen.count({w, h, f == GfxFormat::R5G6B5 ? GfxFormat::X8R8G8B8 : GfxFormat::R5G6B5}));
    GfxDisplayMode out{};
    EXPECT_EQ(system->EnumAdapterModes(0, system->GetAdapterModeCount(0), &out), GfxResult::InvalidCall);
    EXPECT_EQ(system->GetAdapterModeCount(system->GetAdapterCount()), 0u);
    GfxCaps caps{};
    ASSERT_EQ(system->GetDeviceCaps(0, GfxDevType::Hal, &caps), GfxResult::Ok);
    EXPECT_EQ(caps.maxTextureWidth, static_cast<uint32_t>(GfxQueryGLInfo().maxTextureSize));
    EXPECT_TRUE(caps.maxSimultaneousTextures >= 2 && caps.maxSimultaneousTextures <= 8);
    EXPECT_EQ(system->GetDeviceCaps(system->GetAdapterCount(), GfxDevType::Hal, &caps), GfxResult::InvalidCall);
}

TEST_F(AdapterTest, CreateDeviceChecksItsRequestAndCanBeMadeToFail)
{
    Describe().refusedFormats = {GfxFormat::D32};
    adapter.failCreateDevice = 1;
    Start();
    GfxDevice* device = nullptr;
    GfxPresentParameters p = FullScreen(800, 600, GfxFormat::D16);
    EXPECT_TRUE(GfxFailed(system->CreateDevice(0, GfxDevType::Hal, nullptr, 0x82, &p, &device)));
    // A mode the adapter does not list, a refused depth format, a bad adapter.
    p = FullScreen(1024, 768, GfxFormat::D16);
    EXPECT_EQ(system->CreateDevice(0, GfxDevType::Hal, nullptr, 0x82, &p, &device), GfxResult::InvalidCall);
    p = FullScreen(800, 600, GfxFormat::D32);
    EXPECT_EQ(system->CreateDevice(0, GfxDevType::Hal, nullptr, 0x82, &p, &device), GfxResult::InvalidCall);
    EXPECT_EQ(system->CreateDevice(1, GfxDevType::Hal, nullptr, 0x82, &p, &device), GfxResult::InvalidCall);
    EXPECT_EQ(system->CreateDevice(0, GfxDevType::Ref, nullptr, 0x82, &p, &device), GfxResult::NotAvailable);
    EXPECT_EQ(device, nullptr);
    p = FullScreen(800, 600, GfxFormat::D16);
    ASSERT_EQ(system->CreateDevice(0, GfxDevType::Hal, nullptr, 0x82, &p, &device), GfxResult::Ok);
    const auto& attempts = GfxTestCreateAttempts();
    ASSERT_EQ(attempts.size(), 6u);
    GfxDisplayMode mode{};
    device->GetDisplayMode(&mode);
    EXPECT_EQ(std::pair(mode.width, mode.format), std::pair(800u, GfxFormat::R5G6B5));
    device->Release();
}

TEST_F(AdapterTest, AWindowedDeviceWithNoSizeTakesTheWindowsInTheDesktopFormat)
{
    Describe();
    Start();
    GfxDevice* device = nullptr;
    GfxPresentParameters w{};
    w.windowed = 1;
    w.swapEffect = GfxSwap::Discard;
    ASSERT_EQ(system->CreateDevice(0, GfxDevType::Hal, nullptr, 0x82, &w, &device), GfxResult::Ok);
    EXPECT_GT(w.backBufferWidth, 0u);
    EXPECT_EQ(w.backBufferFormat, GfxFormat::X8R8G8B8);
    device->Release();
}
