#include "tests/ui/GuiFixture.h"

#include <unistd.h>

#include <filesystem>

#include "engine/OmTextureResource.h"
#include "render/OmD3D.h"
#include "tests/platform/ImageTestFiles.h"

namespace guitest {

OM_IMPLEMENT_CLASS(TestFrontEnd, TsFrontEndBase)

namespace {

// A top-down 32-bit Targa file.
void WriteTga(const std::string& path, int width, int height, const std::function<uint32_t(int, int)>& colourAt)
{
    const imgtest::Bytes b = imgtest::Tga(uint16_t(width), uint16_t(height), colourAt, 32);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    EXPECT_TRUE(imgtest::WriteFile(path, b)) << path;
}

} // namespace

void TestFrontEnd::Render(float renderTime, float fraction)
{
    OmD3D* renderer = OmD3D::Instance();
    if (!renderer)
        return;
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

void GuiTest::TearDown()
{
    sprites.clear(); // before the renderer they were loaded into
    app.reset();
    ScreenAppTest::TearDown();
}

void GuiTest::WriteFrontEndImage(const std::string& name, int width, int height, uint32_t colour)
{
    if (!scratch) {
        scratch = std::make_unique<ScratchDir>();
    }
    scratch->Write("data/frontend/" + name,
                   imgtest::Tga(uint16_t(width), uint16_t(height), [colour](int, int) { return colour; }, 32));
}

TsGuiSprite* GuiTest::SolidSprite(int width, int height, uint32_t colour)
{
    return PatternSprite(width, height, [colour](int, int) { return colour; });
}

TsGuiSprite* GuiTest::PatternSprite(int width, int height, const std::function<uint32_t(int, int)>& colour)
{
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("ts_gui_" + std::to_string(::getpid()) + "_" + std::to_string(m_spriteCount++) + ".tga"))
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

} // namespace guitest
