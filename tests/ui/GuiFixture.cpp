#include "tests/ui/GuiFixture.h"

#include "engine/OmTextureResource.h"
#include "render/OmD3D.h"
#include "tests/platform/ImageTestFiles.h"

namespace guitest {

OM_IMPLEMENT_CLASS(TestFrontEnd, TsFrontEndBase)

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
    const ScratchDir folder(ScratchDir::kStayOutside);
    const std::string path = folder.Write("sprite.tga", imgtest::Tga(uint16_t(width), uint16_t(height), colour, 32));
    OmTextureResource* resource = new OmTextureResource(path.c_str(), 1, 0);
    const int32_t id = OmRenderer::Current()->RegisterTexture(resource);
    resource->Release();
    EXPECT_TRUE(OmRenderer::Current()->LoadTexture(id)) << path;
    auto sprite = std::make_unique<TsGuiSprite>();
    sprite->textureId = id;
    sprites.push_back(std::move(sprite));
    return sprites.back().get();
}

} // namespace guitest
