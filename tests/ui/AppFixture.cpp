#include "tests/ui/AppFixture.h"

#include <cstdlib>
#include <filesystem>

#include "game/framework/TsLoadScreen.h"
#include "platform/FilePath.h"
#include "platform/GfxDevice.h"
#include "platform/GfxTexture.h"
#include "platform/MessageBox.h"
#include "render/OmD3D.h"

namespace apptest {

void ScreenAppTest::SetUp()
{
    g_loadScreen = TsLoadScreen{};
    plat::SetMessageBoxHook([](std::string_view, std::string_view) {});
    clock = std::make_unique<ManualClock>(1000);
    TsMain::SetModeFactory(TS_MODE_FRONT_END, makeMode_);
}

void ScreenAppTest::TearDown()
{
    app.reset();
    scratch.reset();
    clock.reset();
    TsMain::SetModeFactory(TS_MODE_FRONT_END, nullptr);
}

void ScreenAppTest::Start()
{
    width = 640, height = 480;
    app = std::make_unique<TsMain>(TsMain::kTitle, width, height);
    app->CreateRenderer();
    app->SetSkipVideos(true);
    ASSERT_TRUE(app->Open(false));
    plat::InjectFocus(*app->GetWindow(), true);
    TsMain::PumpMessages();
    ASSERT_NE(app->GetMode(), nullptr);
    Frame();
}

void ScreenAppTest::Frame()
{
    clock->Advance(100);
    EXPECT_TRUE(app->Step());
}

void ScreenAppTest::Tap(int code)
{
    Key(code, true);
    Frame();
    Key(code, false);
    Frame();
}

void ScreenAppTest::Click(int x, int y)
{
    MoveMouse(x, y);
    Frame();
    Button(true);
    Frame();
    Button(false);
    Frame();
}

std::vector<uint32_t> ScreenAppTest::ReadScreen()
{
    int w = 0, h = 0;
    app->GetWindow()->GetClientSize(w, h);
    EXPECT_EQ(std::pair(w, h), std::pair(width, height));
    plat::GfxDevice* device = OmD3D::Instance()->GetDevice();
    plat::GfxSurface* screen = nullptr;
    std::vector<uint32_t> pixels;
    if (device->CreateImageSurface(uint32_t(w), uint32_t(h), plat::GfxFormat::A8R8G8B8, &screen) != plat::GfxResult::Ok) {
        ADD_FAILURE() << "no surface for the screen";
        return pixels;
    }
    if (device->GetFrontBuffer(screen) == plat::GfxResult::Ok) {
        pixels.resize(size_t(w) * size_t(h));
        for (int y = 0; y < h; ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(screen->Pixels() + size_t(y) * screen->Pitch());
            for (int x = 0; x < w; ++x)
                pixels[size_t(y) * size_t(w) + size_t(x)] = row[x] & 0xFFFFFF;
        }
    } else {
        ADD_FAILURE() << "the screen could not be read";
    }
    screen->Release();
    return pixels;
}

uint32_t ScreenAppTest::Pixel(const std::vector<uint32_t>& screen, int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height || screen.size() < size_t(width) * size_t(height))
        return 0xDEADBEEF;
    return screen[size_t(y) * size_t(width) + size_t(x)];
}

} // namespace apptest

namespace titletest {

TitleTest::TitleTest() : ScreenAppTest([]() -> TsGameMode* { return new TsFrontEnd(); }) {}

void TitleTest::SetUp()
{
    const char* dir = std::getenv("OM_SOURCE_DIR");
    const std::filesystem::path source = dir ? std::filesystem::path(dir) : std::filesystem::current_path();
    ASSERT_TRUE(std::filesystem::exists(source / "data" / "frontend" / "helmer" / "helmer.pbf"))
        << "the demo data is missing: run tools/make-data BUILD_DIR";
    scratch = std::make_unique<ScratchDir>();
    for (const char* shared : {"data", "scripts"})
        std::filesystem::create_directory_symlink(source / shared, shared);
    plat::ClearPathCache();
    ScreenAppTest::SetUp();
}

} // namespace titletest
