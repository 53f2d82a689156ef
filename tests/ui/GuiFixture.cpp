#include "tests/ui/GuiFixture.h"

#include <filesystem>
#include <fstream>

#include "engine/OmTextureResource.h"
#include "game/framework/TsLoadScreen.h"
#include "platform/EventInjection.h"
#include "platform/GfxDevice.h"
#include "platform/GfxTexture.h"
#include "platform/MessageBox.h"
#include "platform/Window.h"
#include "render/OmD3D.h"

namespace guitest {

OM_IMPLEMENT_CLASS(TestFrontEnd, TsFrontEndBase)

namespace {

TsGameMode* MakeTestFrontEnd() { return new TestFrontEnd; }

void WriteTga(const std::string& path, int width, int height, const std::function<uint32_t(int, int)>& colourAt)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary);
    const uint8_t header[18] = {0,
                                0,
                                2,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                uint8_t(width),
                                uint8_t(width >> 8),
                                uint8_t(height),
                                uint8_t(height >> 8),
                                32,
                                0x28};
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t c = colourAt(x, y);
            const uint8_t bgra[4] = {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), uint8_t(c >> 24)};
            out.write(reinterpret_cast<const char*>(bgra), 4);
        }
    }
}

void WriteTga(const std::string& path, int width, int height, uint32_t colour)
{
    WriteTga(path, width, height, [colour](int, int) { return colour; });
}

} // namespace

void TestFrontEnd::Render(float renderTime, float fraction)
{
    OmD3D* renderer = OmD3D::Instance();
    if (!renderer) {
        return;
    }
    const float black[3] = {0.0f, 0.0f, 0.0f};
    renderer->SetClearColour(black);
    renderer->Clear(nullptr, 0);
    if (renderer->BeginScene(renderTime)) {
        TsFrontEndBase::Render(renderTime, fraction);
        renderer->DrawQueuedText();
        renderer->EndScene();
        renderer->Present();
    }
    renderer->ClearQueuedText();
}

void GuiTest::SetUp()
{
    g_loadScreen = TsLoadScreen{};
    plat::SetMessageBoxHook([](std::string_view, std::string_view) {});
    clock = std::make_unique<ManualClock>(1000);
    TsMain::SetModeFactory(TS_MODE_FRONT_END, &MakeTestFrontEnd);
}

void GuiTest::StopApp()
{
    sprites.clear();
    app.reset();
}

void GuiTest::TearDown()
{
    StopApp();
    scratch.reset();
    clock.reset();
    TsMain::SetModeFactory(TS_MODE_FRONT_END, nullptr);
    plat::SetMessageBoxHook([](std::string_view, std::string_view) {});
}

void GuiTest::Start(int width, int height)
{
    width_ = width;
    height_ = height;
    app = std::make_unique<TsMain>(TsMain::kTitle, width, height);
    app->CreateRenderer();
    app->SetSkipVideos(true);
    ASSERT_TRUE(app->Open(false));
    plat::InjectFocus(*app->GetWindow(), true);
    TsMain::PumpMessages();
    ASSERT_NE(TestFrontEnd::Cast(app->GetMode()), nullptr);
    ASSERT_NE(FrontEnd().GetPlainFont(), nullptr); // the application's, taken at Initialise
    Frame();
}

TestFrontEnd& GuiTest::FrontEnd() { return *TestFrontEnd::Cast(app->GetMode()); }

void GuiTest::Frame()
{
    clock->Advance(100);
    ASSERT_TRUE(app->Step());
}

void GuiTest::Frames(int count)
{
    for (int i = 0; i < count; ++i) {
        Frame();
    }
}

void GuiTest::MoveMouse(int x, int y) { plat::InjectMouseMove(*app->GetWindow(), x, y); }

void GuiTest::Button(bool down, int button) { plat::InjectMouseButton(*app->GetWindow(), button, down); }

void GuiTest::Click(int x, int y)
{
    MoveMouse(x, y);
    Frame();
    Button(true);
    Frame();
    Button(false);
    Frame();
}

void GuiTest::Key(int code, bool down) { ASSERT_TRUE(plat::InjectKey(*app->GetWindow(), code, down)); }

void GuiTest::WriteFrontEndImage(const std::string& name, int width, int height, uint32_t colour)
{
    if (!scratch) {
        scratch = std::make_unique<ScratchDir>();
    }
    WriteTga((std::filesystem::current_path() / "data" / "frontend" / name).string(), width, height, colour);
    plat::ClearPathCache();
}

void GuiTest::UseDemoDataWithout(const std::string& name)
{
    namespace fs = std::filesystem;
    const fs::path source = fs::current_path();
    scratch = std::make_unique<ScratchDir>();
    fs::create_symlink(source / "scripts", "scripts");
    fs::create_directories("data/frontend");
    for (const fs::directory_entry& entry : fs::directory_iterator(source / "data")) {
        if (entry.path().filename() != "frontend")
            fs::create_symlink(entry.path(), fs::path("data") / entry.path().filename());
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(source / "data" / "frontend")) {
        if (entry.path().filename() != name)
            fs::create_symlink(entry.path(), fs::path("data") / "frontend" / entry.path().filename());
    }
    plat::ClearPathCache();
}

TsGuiSprite* GuiTest::SolidSprite(int width, int height, uint32_t colour)
{
    return PatternSprite(width, height, [colour](int, int) { return colour; });
}

TsGuiSprite* GuiTest::PatternSprite(int width, int height, const std::function<uint32_t(int, int)>& colour)
{
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("ts_gui_" + std::to_string(::getpid()) + "_" + std::to_string(spriteCount_++) + ".tga"))
                                 .string();
    WriteTga(path, width, height, colour);
    OmTextureResource* resource = new OmTextureResource(path.c_str(), 1, 0);
    const int32_t id = OmRenderer::Current()->RegisterTexture(resource);
    resource->Release();
    EXPECT_TRUE(OmRenderer::Current()->LoadTexture(id)) << path;
    std::filesystem::remove(path);
    auto sprite = std::make_unique<TsGuiSprite>();
    sprite->textureId = id;
    sprites.push_back(std::move(sprite));
    return sprites.back().get();
}

std::vector<uint32_t> GuiTest::ReadScreen()
{
    std::vector<uint32_t> pixels;
    plat::GfxDevice* device = OmD3D::Instance()->GetDevice();
    int width = 0, height = 0;
    app->GetWindow()->GetClientSize(width, height);
    plat::GfxSurface* screen = nullptr;
    if (device->CreateImageSurface(uint32_t(width), uint32_t(height), plat::GfxFormat::A8R8G8B8, &screen) !=
        plat::GfxResult::Ok) {
        ADD_FAILURE() << "no surface for the screen";
        return pixels;
    }
    if (device->GetFrontBuffer(screen) == plat::GfxResult::Ok) {
        pixels.resize(size_t(width) * size_t(height));
        for (int y = 0; y < height; ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(screen->Pixels() + size_t(y) * screen->Pitch());
            std::copy(row, row + width, pixels.begin() + ptrdiff_t(y) * width);
        }
    } else {
        ADD_FAILURE() << "the screen could not be read";
    }
    screen->Release();
    EXPECT_EQ(width, width_);
    EXPECT_EQ(height, height_);
    return pixels;
}

GuiTest::Box GuiTest::FindColour(const std::vector<uint32_t>& screen, uint32_t rgb) const
{
    Box box;
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            if (Pixel(screen, x, y) != rgb) {
                continue;
            }
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x);
            box.top = std::min(box.top, y);
            box.bottom = std::max(box.bottom, y);
        }
    }
    return box;
}

uint32_t GuiTest::Pixel(const std::vector<uint32_t>& screen, int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || screen.size() < size_t(width_) * size_t(height_)) {
        return 0xDEADBEEF;
    }
    return screen[size_t(y) * size_t(width_) + size_t(x)] & 0xFFFFFF;
}

} // namespace guitest
