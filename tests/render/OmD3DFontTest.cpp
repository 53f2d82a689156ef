// The bitmap font: glyph atlas sizes, text extent, batching, and text that
// lands where its extent says, in its colour, for a face added from a file
// and for the fallback face.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "platform/FontRaster.h"
#include "render/OmD3DFont.h"
#include "tests/render/RendererFixture.h"
#include "tests/render/ResourceTestSupport.h"

using namespace plat;
using namespace rtest;

namespace {

struct InkBox {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    int count = 0;
    bool onlyRed = true;
};

InkBox FindInk(const std::vector<uint32_t>& pixels, uint32_t width, uint32_t height)
{
    InkBox box;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t p = pixels[size_t(y) * width + x] & 0xFFFFFF;
            if (p == 0)
                continue;
            ++box.count;
            box.left = std::min(box.left, int(x));
            box.right = std::max(box.right, int(x));
            box.top = std::min(box.top, int(y));
            box.bottom = std::max(box.bottom, int(y));
            if ((p & 0xFFFF) != 0)
                box.onlyRed = false;
        }
    }
    return box;
}

class FontTest : public RendererTest {
protected:
    void TearDown() override
    {
        font.reset();
        RendererTest::TearDown();
        if (!added.empty())
            RemoveFontFile(added);
    }

    std::unique_ptr<OmD3DFont> MakeFont(const char* face, uint32_t points, uint32_t flags = 0)
    {
        auto made = std::make_unique<OmD3DFont>(face, points, flags);
        EXPECT_EQ(made->CreateGlyphTexture(*renderer), GfxResult::Ok);
        EXPECT_EQ(made->Restore(), GfxResult::Ok);
        return made;
    }

    // Draws red text at (x, y) pixels with the given font and checks that
    // the ink lies inside the extent.
    void ExpectTextInsideItsExtent(OmD3DFont& f, const char* text, float x, float y)
    {
        uint32_t size[2] = {0, 0};
        ASSERT_EQ(f.GetTextExtent(text, size), GfxResult::Ok);
        ASSERT_GT(size[0], 0u);
        ASSERT_TRUE(renderer->BeginScene(0.0f));
        ClearTo(0, 0, 0);
        EXPECT_EQ(f.DrawText(x, y, 0xFFFF0000, text, 0), GfxResult::Ok);
        renderer->EndScene();
        const auto pixels = ReadPixels();
        const InkBox ink = FindInk(pixels, width, height);
        EXPECT_GT(ink.count, 20);
        EXPECT_TRUE(ink.onlyRed);
        EXPECT_GE(ink.left, int(x) - 1);
        EXPECT_LE(ink.right, int(x + size[0]) + 1);
        EXPECT_GE(ink.top, int(y) - 1);
        EXPECT_LE(ink.bottom, int(y + size[1]) + 1);
        // The text fills most of its width: a wrong scale would not.
        EXPECT_GT(ink.right - ink.left, int(size[0]) * 3 / 4);
    }

    std::unique_ptr<OmD3DFont> font;
    std::string added;
};

} // namespace

TEST_F(FontTest, AtlasSizeFollowsThePointSize)
{
    ASSERT_TRUE(Open(640, 480));
    EXPECT_EQ(MakeFont("Arial", 16)->GetTextureSize(), 256u);
    EXPECT_EQ(MakeFont("Arial", 24)->GetTextureSize(), 512u);
    // The largest atlas still takes every printable glyph at full scale.
    auto large = MakeFont("Arial", 48);
    EXPECT_EQ(large->GetTextureSize(), 1024u);
    EXPECT_FLOAT_EQ(large->GetTextScale(), 1.0f);
    for (unsigned char c = '!'; c < 127; ++c)
        EXPECT_GT(large->GetGlyph(c).right, large->GetGlyph(c).left) << c;
}

TEST_F(FontTest, ExtentCountsTheWidestLineAndEveryRow)
{
    ASSERT_TRUE(Open(640, 480));
    font = MakeFont("Arial", 16);
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

TEST_F(FontTest, FallbackFaceDrawsWhereItsExtentSaysInItsColour)
{
    ASSERT_TRUE(Open(640, 480));
    font = MakeFont("Arial", 16); // no Arial added: the fallback face
    ExpectTextInsideItsExtent(*font, "Hello, World", 100, 120);

    // Through the renderer: screen fractions and a colour of four floats.
    float w = 0, h = 0;
    EXPECT_GT(renderer->GetTextExtent("Tessaran", &w, &h), 0.0f);
    ASSERT_TRUE(renderer->BeginScene(0.0f));
    ClearTo(0, 0, 0);
    const float red[4] = {1, 0, 0, 1};
    renderer->QueueText(0.25f, 0.5f, "Tessaran", red, 1.0f);
    renderer->DrawQueuedText();
    renderer->EndScene();
    renderer->ClearQueuedText();
    const auto pixels = ReadPixels();
    const InkBox ink = FindInk(pixels, width, height);
    EXPECT_TRUE(ink.onlyRed);
    EXPECT_GE(ink.left, 159);
    EXPECT_LE(ink.right, int(160 + w) + 1);
    EXPECT_GE(ink.top, 239);
    EXPECT_LE(ink.bottom, int(240 + h) + 1);
}

TEST_F(FontTest, FaceAddedFromAFileIsUsedByItsFamilyName)
{
    TempFolder folder("om_fonts");
    added = folder.File("face.ttf");
    std::filesystem::copy_file("/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf", added);
    ASSERT_EQ(AddFontFile(added), 1);
    ASSERT_TRUE(Open(640, 480));
    font = MakeFont("dejavu serif", 20);
    FontRaster raster;
    ASSERT_TRUE(raster.Open("DejaVu Serif", FontPixelHeight(20), false, false));
    EXPECT_FALSE(raster.Match().fallback);
    const OmD3DFont::Glyph& m = font->GetGlyph('m');
    EXPECT_NEAR((m.right - m.left) * float(font->GetTextureSize()), float(raster.Advance('m')), 0.01f);
    ExpectTextInsideItsExtent(*font, "Serif text", 40, 300);
    font.reset();
}

TEST_F(FontTest, LongTextsDrawInBatchesAndLeaveTheStateAsItWas)
{
    ASSERT_TRUE(Open(640, 480));
    font = MakeFont("Arial", 10);
    ASSERT_TRUE(renderer->BeginScene(0.0f));
    const uint32_t zEnable = renderer->GetRenderState(GfxRs::ZEnable);
    const uint32_t cull = renderer->GetRenderState(GfxRs::CullMode);
    const uint32_t colourOp = renderer->GetTextureStageState(0, GfxTss::ColorOp);
    const std::string sixty(60, 'x'), fifty(50, 'x'), lots(120, 'x');
    const std::pair<const char*, uint32_t> cases[] = {
        {sixty.c_str(), 2}, {fifty.c_str(), 1}, {lots.c_str(), 3}, {nullptr, 0}, {"\x7f\x7f", 0}};
    for (const auto& [text, batches] : cases) {
        EXPECT_EQ(font->DrawText(0, 0, 0xFFFFFFFF, text, 0), GfxResult::Ok);
        EXPECT_EQ(font->GetDrawBatches(), batches) << (text ? std::strlen(text) : 0);
    }
    ExpectStates({{GfxRs::ZEnable, zEnable}, {GfxRs::CullMode, cull}});
    EXPECT_EQ(renderer->GetTextureStageState(0, GfxTss::ColorOp), colourOp);
    ExpectCacheMatchesDevice({GfxRs::ZEnable});
    renderer->EndScene();
    // The renderer's own font draws nothing for a null text.
    renderer->DrawText(0.1f, 0.1f, nullptr, nullptr, 1.0f);
}
