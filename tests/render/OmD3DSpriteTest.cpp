// Sprites cut from a texture.
#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

#include "engine/OmTextureResource.h"
#include "render/OmD3DSprite.h"
#include "tests/render/RendererFixture.h"
#include "tests/render/ResourceTestSupport.h"

using namespace plat;
using namespace rtest;

namespace {

// Within a filter's reach of the colour.
bool Near(uint32_t pixel, uint32_t colour) { return imgtest::Near(pixel, colour, 48); }

class SpriteTest : public RendererTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Open(640, 480));
        // 16 x 8: columns 0-3 red, 4-7 green, 8-15 blue.
        const auto stripes = Tga(16, 8, [](uint32_t x, uint32_t) { return x < 4 ? kRed : x < 8 ? kGreen : kBlue; });
        OmTextureResource resource(folder.Write("stripes.tga", stripes).c_str(), 1, 0);
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
        return DrawFrame([&] {
            renderer->BeginSprites();
            sprite->Render(*renderer);
            renderer->EndSprites();
        });
    }

    ScratchDir folder{ScratchDir::kStayOutside};
    int32_t texture = -1;
    OmD3DSprite* sprite = nullptr;
};

} // namespace

TEST_F(SpriteTest, APixelPositionOrAScreenFractionPlacesTheSprite)
{
    sprite->SetPosition(100, 50);
    sprite->scale[0] = sprite->scale[1] = 4.0f;
    ExpectPixels(Draw(), {{104, 60, kRed}, {127, 80, kGreen}, {98, 60, kBlack}, {134, 60, kBlack}, {110, 84, kBlack}});
    sprite->SetScreenRelative(true);
    sprite->SetPosition(0.5f, 0.5f);
    ExpectPixels(Draw(), {{322, 242, kRed}, {350, 270, kGreen}, {318, 242, kBlack}});
}

TEST_F(SpriteTest, AMirroredSpriteStaysInPlaceWithItsPictureFlipped)
{
    sprite->scale[0] = sprite->scale[1] = 4.0f;
    sprite->SetPosition(100, 50);
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
}

TEST_F(SpriteTest, AnUpsideDownMirroredSpriteStaysInPlaceToo)
{
    sprite->SetPosition(100, 50);
    std::swap(sprite->uvRect[0], sprite->uvRect[2]);
    std::swap(sprite->uvRect[1], sprite->uvRect[3]);
    ExpectPixels(Draw(), {{101, 51, kGreen}, {106, 56, kRed}});
}

// However the device holds the picture (at its own size, or cut down to
// the texture detail), the sprite covers the picture's own 12 x 4 pixels
// with the whole picture, its last column included. The picture's width is
// one no device that rounds sizes keeps: columns 0-3 red, 4-7 green, 8-10
// blue, and a white last column, as a frame's bevel would have.
TEST_F(SpriteTest, APictureOfAnySizeIsDrawnWholeAtItsOwnSizeAtEveryTextureDetail)
{
    const struct {
        uint32_t maxTextureSize;
        std::vector<std::pair<int, uint32_t>> columns; // column of the picture, its colour on the screen
    } rows[] = {
        {0, {{0, kRed}, {3, kRed}, {4, kGreen}, {7, kGreen}, {8, kBlue}, {10, kBlue}, {11, kWhite}, {12, kBlack}}},
        {8, {{0, kRed}, {1, kRed}, {5, kGreen}, {9, kBlue}, {12, kBlack}}},
    };
    const auto banded = Tga(12, 4, [](uint32_t x, uint32_t) {
        return x < 4 ? kRed : x < 8 ? kGreen : x < 11 ? kBlue : kWhite;
    });
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "maximum texture size " << row.maxTextureSize);
        renderer->SetMaxTextureSize(row.maxTextureSize);
        OmTextureResource resource(folder.Write("banded.tga", banded).c_str(), 1, 1);
        const int32_t id = renderer->RegisterTexture(&resource);
        ASSERT_TRUE(renderer->LoadTexture(id));
        sprite->textureId = id;
        sprite->SetUVRect(0.0f, 0.0f, 1.0f, 1.0f);
        sprite->SetPosition(100, 50);
        const std::vector<uint32_t> pixels = Draw();
        for (const auto& [column, colour] : row.columns)
            EXPECT_TRUE(Near(Pixel(pixels, uint32_t(100 + column), 52), colour))
                << "column " << column << ": " << std::hex << Pixel(pixels, uint32_t(100 + column), 52);
        sprite->textureId = texture;
        renderer->ReleaseTexture(id);
    }
}
