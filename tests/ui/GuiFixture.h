// The real application with a front end the test drives, solid-colour
// sprites written as image files, and boxes of colour found on the screen.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/render/RendererFixture.h"
#include "tests/ui/AppFixture.h"
#include "ui/TsFrontEndBase.h"
#include "ui/TsGuiSprite.h"

namespace guitest {

// A front end that draws its windows in a frame of its own on black.
class TestFrontEnd : public TsFrontEndBase {
    OM_DECLARE_TEST_CLASS(TestFrontEnd, TsFrontEndBase)
    void Render(float renderTime, float fraction) override;
    void EnterGame() override { ++enterGameCalls; }

    int enterGameCalls = 0;
};

class GuiTest : public apptest::ScreenAppTest {
protected:
    GuiTest() : ScreenAppTest([]() -> TsGameMode* { return new TestFrontEnd; }) {}
    void SetUp() override
    {
        ScreenAppTest::SetUp();
        Start();
    }
    void TearDown() override;

    TestFrontEnd& FrontEnd() { return *TestFrontEnd::Cast(app->GetMode()); }

    // A sprite of one colour (A8R8G8B8), loaded through the renderer.
    TsGuiSprite* SolidSprite(int width, int height, uint32_t colour);
    // A sprite whose pixel (x, y) (top row first) has the colour given.
    TsGuiSprite* PatternSprite(int width, int height, const std::function<uint32_t(int, int)>& colour);
    // Writes data\frontend\<name> in the scratch folder (the working folder
    // from then on) as a solid image.
    void WriteFrontEndImage(const std::string& name, int width, int height, uint32_t colour);

    // The smallest box holding every pixel of the colour (RGB); empty when none.
    using Box = rtest::InkBox;
    Box FindColour(const std::vector<uint32_t>& screen, uint32_t rgb) const
    {
        return rtest::FindInk(screen, width, [rgb](uint32_t pixel) { return pixel == rgb; });
    }

    std::vector<std::unique_ptr<TsGuiSprite>> sprites;
};

inline TsGuiSpritePlacement Place(TsGuiSprite* sprite)
{
    TsGuiSpritePlacement p;
    p.sprite = sprite;
    return p;
}

} // namespace guitest
