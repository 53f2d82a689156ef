#include "tests/ui/TitleFixture.h"

#include <cstdlib>
#include <filesystem>

#include "game/framework/TsLoadScreen.h"
#include "platform/EventInjection.h"
#include "platform/FilePath.h"
#include "platform/GfxDevice.h"
#include "platform/GfxTexture.h"
#include "platform/MessageBox.h"
#include "platform/Window.h"
#include "render/OmD3D.h"

namespace titletest {

namespace {

TsGameMode* MakeTitle() { return new TsFrontEnd(); }

std::filesystem::path SourceDir()
{
    const char* dir = std::getenv("OM_SOURCE_DIR");
    return dir ? std::filesystem::path(dir) : std::filesystem::current_path();
}

} // namespace

void TitleTest::SetUp()
{
    const std::filesystem::path source = SourceDir();
    ASSERT_TRUE(std::filesystem::exists(source / "data" / "frontend" / "helmer" / "helmer.pbf"))
        << "the demo data is missing: run tools/make-data BUILD_DIR";
    scratch = std::make_unique<ScratchDir>();
    for (const char* shared : {"data", "scripts"})
        std::filesystem::create_directory_symlink(source / shared, shared);
    plat::ClearPathCache();
    g_loadScreen = TsLoadScreen{};
    plat::SetMessageBoxHook([](std::string_view, std::string_view) {});
    clock = std::make_unique<ManualClock>(1000);
    TsMain::SetModeFactory(TS_MODE_FRONT_END, &MakeTitle);
}

void TitleTest::TearDown()
{
    app.reset();
    scratch.reset();
    clock.reset();
    TsMain::SetModeFactory(TS_MODE_FRONT_END, nullptr);
}

void TitleTest::Start(int w, int h)
{
    width = w;
    height = h;
    app = std::make_unique<TsMain>(TsMain::kTitle, w, h);
    app->CreateRenderer();
    app->SetSkipVideos(true);
    ASSERT_TRUE(app->Open(false));
    plat::InjectFocus(*app->GetWindow(), true);
    TsMain::PumpMessages();
    ASSERT_NE(TsFrontEnd::Cast(app->GetMode()), nullptr);
    Frame();
}

TsFrontEnd& TitleTest::Title() { return *TsFrontEnd::Cast(app->GetMode()); }

void TitleTest::Frame()
{
    clock->Advance(100);
    app->Step();
}

void TitleTest::Frames(int count)
{
    for (int i = 0; i < count; ++i)
        Frame();
}

void TitleTest::Key(int code, bool down) { ASSERT_TRUE(plat::InjectKey(*app->GetWindow(), code, down)); }

void TitleTest::Tap(int code)
{
    Key(code, true);
    Frame();
    Key(code, false);
    Frame();
}

std::string TitleTest::Scratch(const std::string& relative) const
{
    return (std::filesystem::current_path() / relative).string();
}

std::vector<uint32_t> TitleTest::ReadScreen()
{
    std::vector<uint32_t> pixels;
    plat::GfxDevice* device = OmD3D::Instance()->GetDevice();
    plat::GfxSurface* screen = nullptr;
    if (device->CreateImageSurface(uint32_t(width), uint32_t(height), plat::GfxFormat::A8R8G8B8, &screen) !=
        plat::GfxResult::Ok)
        return pixels;
    if (device->GetFrontBuffer(screen) == plat::GfxResult::Ok) {
        pixels.resize(size_t(width) * size_t(height));
        for (int y = 0; y < height; ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(screen->Pixels() + size_t(y) * screen->Pitch());
            for (int x = 0; x < width; ++x)
                pixels[size_t(y) * size_t(width) + size_t(x)] = row[x] & 0xFFFFFF;
        }
    }
    screen->Release();
    return pixels;
}

} // namespace titletest
