// Sprites cut from a texture and placed in pixels or viewport fractions,
// rotated and mirrored, drawn with the sprite object without disturbing the
// renderer's idea of the device state.
#include <gtest/gtest.h>

#include <tuple>

#include "engine/OmTextureResource.h"
#include "platform/GfxSprite.h"
#include "render/OmD3DSprite.h"
#include "tests/render/RendererFixture.h"
#include "tests/render/ResourceTestSupport.h"

using namespace plat;
using namespace rtest;

namespace {

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kBlack = 0xFF000000;

// 16 x 8: columns 0-3 red, 4-7 green, 8-15 blue.
imgtest::Bytes StripedTga()
{
    return Tga(16, 8, [](uint32_t x, uint32_t) { return x < 4 ? kRed : x < 8 ? kGreen : kBlue; });
}

class SpriteTest : public RendererTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Open(640, 480));
        OmTextureResource resource(folder.Write("stripes.tga", StripedTga()).c_str(), 1, 0);
        texture = renderer->RegisterTexture(&resource);
        ASSERT_TRUE(renderer->LoadTexture(texture));
        sprite = static_cast<OmD3DSprite*>(renderer->CreateSprite(0));
        ASSERT_NE(sprite, nullptr);
        sprite->textureId = texture;
        // The red and green half of the sheet, 8 x 8.
        sprite->uvRect[2] = 0.5f;
        sprite->SetScreenRelative(false);
    }
    void TearDown() override
    {
        if (sprite)
            sprite->Release();
        RendererTest::TearDown();
    }

    std::vector<uint32_t> Draw()
    {
        EXPECT_TRUE(renderer->BeginScene(0.0f));
        ClearTo(0, 0, 0);
        renderer->BeginSprites();
        sprite->Render(*renderer);
        renderer->EndSprites();
        renderer->EndScene();
        return ReadPixels();
    }

    TempFolder folder{"om_sprites"};
    int32_t texture = -1;
    OmD3DSprite* sprite = nullptr;
};

} // namespace

TEST_F(SpriteTest, APixelPositionAndAScreenFractionPlaceTheSprite)
{
    sprite->SetPosition(100, 50);
    sprite->scale[0] = sprite->scale[1] = 4.0f;
    ExpectPixels(Draw(), {{104, 60, kRed}, {127, 80, kGreen}, {98, 60, kBlack}, {134, 60, kBlack}, {110, 84, kBlack}});

    sprite->SetScreenRelative(true);
    sprite->SetPosition(0.5f, 0.5f);
    OmD3DSprite::Placement placement{};
    ASSERT_TRUE(sprite->ComputePlacement(*renderer, placement));
    EXPECT_FLOAT_EQ(placement.translation.x, 320.0f);
    EXPECT_FLOAT_EQ(placement.translation.y, 240.0f);
    ExpectPixels(Draw(), {{322, 242, kRed}, {350, 270, kGreen}, {318, 242, kBlack}});
}

TEST_F(SpriteTest, MirroredSpritesStayInPlaceWithTheirPictureFlipped)
{
    sprite->SetPosition(100, 50);
    sprite->scale[0] = sprite->scale[1] = 4.0f;
    std::swap(sprite->uvRect[0], sprite->uvRect[2]);
    ExpectPixels(Draw(), {{104, 60, kGreen}, {127, 60, kRed}, {98, 60, kBlack}, {134, 60, kBlack}});

    // The shift and the pivot come from the rectangle drawn (8 texels), not
    // the whole 16-texel sheet.
    sprite->scale[0] = sprite->scale[1] = 1.0f;
    OmD3DSprite::Placement p{};
    ASSERT_TRUE(sprite->ComputePlacement(*renderer, p));
    EXPECT_EQ(std::tie(p.source.left, p.source.right), std::make_tuple(0, 8));
    EXPECT_FLOAT_EQ(p.translation.x, 108.0f);
    EXPECT_FLOAT_EQ(p.scale.x, -1.0f);
    EXPECT_FLOAT_EQ(p.centre.x, -4.0f);
    EXPECT_FLOAT_EQ(p.centre.y, 4.0f);

    // Upside down too.
    std::swap(sprite->uvRect[1], sprite->uvRect[3]);
    ASSERT_TRUE(sprite->ComputePlacement(*renderer, p));
    EXPECT_FLOAT_EQ(p.translation.y, 58.0f);
    EXPECT_FLOAT_EQ(p.scale.y, -1.0f);
    ExpectPixels(Draw(), {{101, 51, kGreen}, {106, 56, kRed}});
}

TEST_F(SpriteTest, RotationTurnsAboutTheCentreOfTheRectangle)
{
    sprite->SetPosition(200, 100);
    sprite->angle = 3.14159265f; // half a turn: the halves swap sides in place
    ExpectPixels(Draw(), {{201, 103, kGreen}, {206, 103, kRed}, {209, 103, kBlack}});
    sprite->angle = 1.5707963f; // a quarter turn clockwise on the screen: left goes up
    ExpectPixels(Draw(), {{203, 101, kRed}, {203, 106, kGreen}});

    // The blue part of the sheet turns about its own middle, not the sheet's.
    sprite->uvRect[0] = 0.5f;
    sprite->uvRect[2] = 1.0f;
    sprite->angle = 3.14159265f;
    ExpectPixels(Draw(), {{204, 104, kBlue}, {196, 104, kBlack}});
}

TEST_F(SpriteTest, NoTextureDrawsNothingAndTheDeviceStateIsLeftAlone)
{
    const uint32_t drawn = renderer->GetSpriteObject()->DrawCount();
    sprite->textureId = -1;
    Draw();
    OmTextureResource unloaded("never-loaded.tga", 1, 0);
    sprite->textureId = renderer->RegisterTexture(&unloaded);
    Draw();
    EXPECT_EQ(renderer->GetSpriteObject()->DrawCount(), drawn);

    sprite->textureId = texture;
    const int32_t vb = renderer->CreateVertexBuffer(GfxFvf::RhwDiffuse, 3, true, false, false);
    ASSERT_TRUE(renderer->BeginScene(0.0f));
    renderer->SetStreamSource(0, vb);
    renderer->SetTexture(0, -1);
    sprite->Render(*renderer);
    EXPECT_EQ(renderer->GetSpriteObject()->DrawCount(), drawn + 1);
    ExpectCacheMatchesDevice({GfxRs::ZEnable, GfxRs::CullMode, GfxRs::AlphaBlendEnable, GfxRs::SrcBlend,
                              GfxRs::DestBlend, GfxRs::Lighting, GfxRs::ZWriteEnable});
    uint32_t op = 0, fvf = 0, stride = 0;
    Device()->GetTextureStageState(0, GfxTss::ColorOp, &op);
    EXPECT_EQ(op, renderer->GetTextureStageState(0, GfxTss::ColorOp));
    Device()->GetVertexShader(&fvf);
    EXPECT_EQ(fvf, renderer->GetVertexShader());
    GfxTexture* bound = nullptr;
    Device()->GetTexture(0, &bound);
    EXPECT_EQ(bound, nullptr);
    GfxVertexBuffer* stream = nullptr;
    Device()->GetStreamSource(0, &stream, &stride);
    EXPECT_EQ(stream, renderer->GetVertexBuffer(vb)->GetBuffer());
    if (stream)
        stream->Release();
    renderer->EndScene();
    EXPECT_EQ(OmD3DSprite::ClassId(), -1); // kept out of the registry: mode switches leave it
}
