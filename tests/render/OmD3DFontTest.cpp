// The bitmap font.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "render/OmD3DFont.h"
#include "tests/render/RendererFixture.h"

using namespace plat;
using namespace rtest;

namespace {

class FontTest : public ScreenTest {
protected:
    std::unique_ptr<OmD3DFont> MakeFont(const char* face, uint32_t points, uint32_t flags = 0)
    {
        auto made = std::make_unique<OmD3DFont>(face, points, flags);
        EXPECT_EQ(made->CreateGlyphTexture(*renderer), GfxResult::Ok);
        EXPECT_EQ(made->Restore(), GfxResult::Ok);
        return made;
    }

    InkBox Ink(const std::vector<uint32_t>& pixels) const
    {
        return FindInk(pixels, int(width), [](uint32_t p) { return (p & 0xFFFFFF) != 0; });
    }
    // Whether every lit pixel is pure red.
    bool OnlyRed(const std::vector<uint32_t>& pixels) const
    {
        return FindInk(pixels, int(width), [](uint32_t p) { return (p & 0xFFFF) != 0; }).Empty();
    }
};

} // namespace

TEST_F(FontTest, TheLargestAtlasTakesEveryGlyphWhole)
{
    auto large = MakeFont("Arial", 48);
    EXPECT_EQ(large->GetTextureSize(), 1024u);
    EXPECT_FLOAT_EQ(large->GetTextScale(), 1.0f);
    for (unsigned char c = '!'; c < 127; ++c)
        EXPECT_GT(large->GetGlyph(c).right, large->GetGlyph(c).left) << c;
}

TEST_F(FontTest, AnExtentCountsTheWidestLineAndEveryRowButNoControlCharacters)
{
    auto font = MakeFont("Arial", 16);
    uint32_t abc[2], bc[2], a[2], del[2];
    ASSERT_EQ(font->GetTextExtent("A\nBC", abc), GfxResult::Ok);
    font->GetTextExtent("BC", bc);
    font->GetTextExtent("A", a);
    EXPECT_EQ(abc[0], bc[0]);
    EXPECT_EQ(abc[1], 2 * bc[1]);
    EXPECT_EQ(a[1], uint32_t(font->RowHeight()));
    // Control characters, bytes above 127 and the delete character take no room.
    font->GetTextExtent("\x7f\x01\xe9", del);
    EXPECT_EQ(del[0], 0u);
    EXPECT_EQ(font->GetTextExtent(nullptr, a), GfxResult::Fail);
    EXPECT_EQ(font->GetTextExtent("A", nullptr), GfxResult::Fail);
}

TEST_F(FontTest, LongTextsDrawInBatchesAndLeaveTheStateAsItWas)
{
    auto small = MakeFont("Arial", 10);
    ASSERT_TRUE(renderer->BeginScene(0.0f));
    const uint32_t zEnable = renderer->GetRenderState(GfxRs::ZEnable);
    const uint32_t cull = renderer->GetRenderState(GfxRs::CullMode);
    const uint32_t colourOp = renderer->GetTextureStageState(0, GfxTss::ColorOp);
    const std::string sixty(60, 'x'), fifty(50, 'x'), lots(120, 'x');
    const std::pair<const char*, uint32_t> cases[] = {
        {sixty.c_str(), 2}, {fifty.c_str(), 1}, {lots.c_str(), 3}, {nullptr, 0}, {"\x7f\x7f", 0}};
    for (const auto& [text, batches] : cases) {
        EXPECT_EQ(small->DrawText(0, 0, 0xFFFFFFFF, text, 0), GfxResult::Ok);
        EXPECT_EQ(small->GetDrawBatches(), batches) << (text ? std::strlen(text) : 0);
    }
    ExpectStates({{GfxRs::ZEnable, zEnable}, {GfxRs::CullMode, cull}});
    EXPECT_EQ(renderer->GetTextureStageState(0, GfxTss::ColorOp), colourOp);
    ExpectCacheMatchesDevice({GfxRs::ZEnable});
    renderer->EndScene();
    // The renderer's own font draws nothing for a null text.
    renderer->DrawText(0.1f, 0.1f, nullptr, nullptr, 1.0f);
}

// No Arial was added: the face is the fallback.
TEST_F(FontTest, TheFallbackFaceDrawsWhereItsExtentSaysInItsColour)
{
    auto font = MakeFont("Arial", 16);
    uint32_t size[2] = {0, 0};
    ASSERT_EQ(font->GetTextExtent("Hello, World", size), GfxResult::Ok);
    const std::vector<uint32_t> pixels =
        DrawFrame([&] { EXPECT_EQ(font->DrawText(100, 120, 0xFFFF0000, "Hello, World", 0), GfxResult::Ok); });
    const InkBox ink = Ink(pixels);
    EXPECT_GT(ink.count, 20);
    EXPECT_TRUE(OnlyRed(pixels));
    EXPECT_TRUE(ink.left >= 99 && ink.right <= int(100 + size[0]) + 1) << ink.left << " " << ink.right;
    EXPECT_TRUE(ink.top >= 119 && ink.bottom <= int(120 + size[1]) + 1) << ink.top << " " << ink.bottom;
    // The text fills most of its width: a wrong scale would not.
    EXPECT_GT(ink.right - ink.left, int(size[0]) * 3 / 4);
}

// Screen fractions and a colour of four floats; a text longer than the
// queue's entry is cut, not overrun.
TEST_F(FontTest, QueuedTextIsPlacedByScreenFractionsAndCutToTheEntry)
{
    float w = 0, h = 0;
    EXPECT_GT(renderer->GetTextExtent("Tessaran", &w, &h), 0.0f);
    const float red[4] = {1, 0, 0, 1};
    renderer->QueueText(0.25f, 0.5f, "Tessaran", red, 1.0f);
    renderer->QueueText(0.0f, 2.0f, std::string(300, 'x').c_str(), red, 1.0f);
    EXPECT_EQ(std::string(renderer->GetQueuedText(1).text), std::string(255, 'x'));
    const std::vector<uint32_t> pixels = DrawFrame([&] { renderer->DrawQueuedText(); });
    const InkBox ink = Ink(pixels);
    renderer->ClearQueuedText();
    EXPECT_TRUE(OnlyRed(pixels));
    EXPECT_TRUE(ink.left >= 159 && ink.right <= int(160 + w) + 1) << ink.left << " " << ink.right;
    EXPECT_TRUE(ink.top >= 239 && ink.bottom <= int(240 + h) + 1) << ink.top << " " << ink.bottom;
}

TEST_F(FontTest, FlagOneMakesTheFaceBoldAndFlagTwoItalic)
{
    // Flag 1 makes the face bold (more ink for the same text), flag 2 italic
    // (the tops of upright strokes lean to the right of their feet); the small
    // fonts are made with flag 1.
    struct Look {
        int ink = 0;
        float lean = 0.0f; // mean x of the top rows' ink less the bottom rows'
    };
    const auto look = [&](uint32_t flags) {
        auto face = MakeFont("Arial", 24, flags);
        const std::vector<uint32_t> pixels = DrawFrame([&] { face->DrawText(100, 100, 0xFFFFFFFF, "lllll", 0); });
        const InkBox box = Ink(pixels);
        const int third = (box.bottom - box.top) / 3;
        float sums[2] = {}, counts[2] = {};
        for (int y = box.top; y <= box.bottom; ++y)
            for (int x = box.left; x <= box.right; ++x)
                if ((y < box.top + third || y > box.bottom - third) && (Pixel(pixels, x, y) & 0xFFFFFF) != 0) {
                    const int band = y < box.top + third ? 0 : 1;
                    sums[band] += float(x);
                    ++counts[band];
                }
        return Look{box.count, sums[0] / std::max(counts[0], 1.0f) - sums[1] / std::max(counts[1], 1.0f)};
    };
    const Look regular = look(0), bold = look(1), italic = look(2);
    EXPECT_GT(bold.ink, regular.ink * 11 / 10);
    EXPECT_LT(std::abs(bold.lean), 1.0f);
    EXPECT_LT(std::abs(regular.lean), 1.0f);
    EXPECT_GT(italic.lean, 2.0f);
}
