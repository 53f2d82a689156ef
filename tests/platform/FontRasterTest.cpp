#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "platform/FilePath.h"
#include "platform/FontRaster.h"
#include "testing/ScratchDir.h"

namespace fs = std::filesystem;

namespace {

struct Canvas {
    uint32_t width = 48, height = 48;
    std::vector<uint8_t> bits = std::vector<uint8_t>(48 * 48, 0);

    uint8_t At(int x, int y) const { return bits[size_t(y) * width + size_t(x)]; }
    // The first and last rows with ink (-1 when blank).
    std::pair<int, int> InkRows() const
    {
        int top = -1, bottom = -1;
        for (size_t i = 0; i < bits.size(); ++i) {
            if (bits[i])
                bottom = int(i / width), top = top < 0 ? bottom : top;
        }
        return {top, bottom};
    }
    // Mean x of the ink in rows y0..y1.
    double InkCentre(int y0, int y1) const
    {
        double sum = 0, weight = 0;
        for (int y = y0; y <= y1; ++y) {
            for (int x = 0; x < int(width); ++x)
                sum += x * At(x, y), weight += At(x, y);
        }
        return weight > 0 ? sum / weight : -1;
    }
};

Canvas Draw(const plat::FontRaster& font, unsigned char c, int x = 8, int y = 4)
{
    Canvas canvas;
    font.DrawChar(c, x, y, canvas.bits.data(), canvas.width, canvas.height, canvas.width);
    return canvas;
}

TEST(FontRaster, PointSizesBecomePixelsAt96Dpi)
{
    // The size is cut to whole points first (10.9 is 10).
    for (auto [points, pixels] : {std::pair{10.0f, 13}, {8.0f, 11}, {16.0f, 21}, {20.0f, 27}, {32.0f, 43}, {10.9f, 13}})
        EXPECT_EQ(plat::FontPixelHeight(points), pixels) << points << " points";
}

TEST(FontRaster, MulDivRoundsHalvesAwayFromZeroAndFailsAsMinusOne)
{
    EXPECT_EQ(plat::MulDiv(5, 3, 2), 8); // halves round away from zero
    EXPECT_EQ(plat::MulDiv(-5, 3, 2), -8);
    EXPECT_EQ(plat::MulDiv(1, 1, 0), -1);
    EXPECT_EQ(plat::MulDiv(INT_MAX, 4, 1), -1);
}

TEST(FontRaster, UnknownFacesFallBackToDejaVuSansAndItsBoldFile)
{
    plat::FontRaster font;
    std::string error;
    ASSERT_TRUE(font.Open("No Such Face", 13, false, false, &error)) << error;
    EXPECT_TRUE(font.Match().fallback);
    EXPECT_EQ(font.Match().family, "DejaVu Sans");
    EXPECT_EQ(font.CellHeight(), font.Ascent() + font.Descent());
    for (int c = 32; c < 127; ++c) EXPECT_GT(font.Advance(uint8_t(c)), 0u) << c;
    EXPECT_EQ(font.TextWidth("AB"), font.Advance('A') + font.Advance('B'));
    // Bold uses the bold file rather than a made-up bold.
    plat::FontRaster bold;
    ASSERT_TRUE(bold.Open("No Such Face", 13, true, false, &error)) << error;
    EXPECT_FALSE(bold.Match().emboldened);
    EXPECT_NE(bold.Match().path.find("Bold"), std::string::npos);
    EXPECT_GT(bold.Advance('m'), font.Advance('m'));
}

TEST(FontRaster, AFailedOpenLeavesTheRasterClosed)
{
    plat::FontRaster font;
    std::string error;
    ASSERT_TRUE(font.Open("Arial", 13, false, false));
    EXPECT_FALSE(font.Open("Anything", 0, false, false, &error));
    EXPECT_FALSE(font.IsOpen());
    EXPECT_EQ(font.Advance('A'), 0u);
}

TEST(FontRaster, AnOpaqueCellFillsItsWholeCellAndDrawingClipsAtEveryEdge)
{
    plat::FontRaster font;
    ASSERT_TRUE(font.Open("Arial", 27, false, false));
    Canvas canvas;
    std::fill(canvas.bits.begin(), canvas.bits.end(), 0xFF);
    font.DrawChar(' ', 4, 4, canvas.bits.data(), canvas.width, canvas.height, canvas.width, true);
    EXPECT_EQ(canvas.At(4, 4), 0);
    EXPECT_EQ(canvas.At(4 + int(font.Advance(' ')) - 1, 4 + int(font.CellHeight()) - 1), 0);
    EXPECT_EQ(canvas.At(4 + int(font.Advance(' ')), 4), 0xFF); // just right of the cell
    EXPECT_EQ(canvas.At(3, 4), 0xFF);
    // Drawing clips to the bitmap at every edge; no bitmap, nothing drawn.
    font.DrawChar('W', -5, -5, canvas.bits.data(), canvas.width, canvas.height, canvas.width);
    font.DrawChar('W', 44, 44, canvas.bits.data(), canvas.width, canvas.height, canvas.width);
    font.DrawChar('W', 0, 0, static_cast<uint8_t*>(nullptr), 10, 10, 10);
}

TEST(FontRaster, ThirtyTwoBitPixelsAreGreyAndNothingIsWrittenPastTheWidth)
{
    plat::FontRaster font;
    ASSERT_TRUE(font.Open("Arial", 27, false, false));
    // 32-bit rows with a pitch wider than the bitmap: grey in blue, green
    // and red, the top byte left 0, nothing written past the width.
    const uint32_t w = 40, h = 40, pitchPixels = 48;
    std::vector<uint32_t> pixels(pitchPixels * h, 0xABCDEF12u);
    for (uint32_t row = 0; row < h; ++row) std::fill_n(&pixels[row * pitchPixels], w, 0u);
    font.DrawChar('A', 2, 2, pixels.data(), w, h, pitchPixels * 4);
    int inked = 0;
    for (uint32_t row = 0; row < h; ++row) {
        for (uint32_t col = 0; col < pitchPixels; ++col) {
            const uint32_t p = pixels[row * pitchPixels + col];
            if (col >= w) {
                EXPECT_EQ(p, 0xABCDEF12u);
                continue;
            }
            EXPECT_EQ(p >> 24, 0u);
            EXPECT_EQ(p & 0xFF, p >> 8 & 0xFF);
            EXPECT_EQ(p & 0xFF, p >> 16 & 0xFF);
            inked += p != 0;
        }
    }
    EXPECT_GT(inked, 20);
}

class AddedFontTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(m_root.Root() / "Data" / "FrontEnd");
        fs::copy_file(plat::kFallbackFontFiles[0], m_root.Root() / "Data" / "FrontEnd" / "Face.TTF");
    }
    void TearDown() override
    {
        while (plat::RemoveFontFile(m_gamePath)) {
        }
    }
    ScratchDir m_root{ScratchDir::kStayOutside};
    std::string m_gamePath = m_root.Path() + "\\data\\frontend\\face.ttf";
};

TEST_F(AddedFontTest, AnAddedFileIsFoundByItsFamilyInAnyCase)
{
    ASSERT_EQ(plat::AddFontFile(m_gamePath), 1);
    plat::FontRaster font;
    ASSERT_TRUE(font.Open("DEJAVU SANS", 13, false, false));
    EXPECT_EQ(font.Match().path, plat::ResolvePath(m_gamePath));
}

// Bold one pixel wider, italic leaning right.
TEST_F(AddedFontTest, StylesTheFileLacksAreMadeUp)
{
    ASSERT_EQ(plat::AddFontFile(m_gamePath), 1);
    plat::FontRaster font, bold, italic;
    ASSERT_TRUE(font.Open("DejaVu Sans", 13, false, false));
    ASSERT_TRUE(bold.Open("DejaVu Sans", 13, true, false));
    EXPECT_TRUE(bold.Match().emboldened);
    EXPECT_EQ(bold.Advance('l'), font.Advance('l') + 1);
    ASSERT_TRUE(italic.Open("DejaVu Sans", 27, false, true));
    EXPECT_TRUE(italic.Match().slanted);
    plat::FontRaster upright;
    ASSERT_TRUE(upright.Open("DejaVu Sans", 27, false, false));
    const Canvas slanted = Draw(italic, 'I'), straight = Draw(upright, 'I');
    const auto [top, bottom] = straight.InkRows();
    EXPECT_GT(slanted.InkCentre(top, top + 3) - slanted.InkCentre(bottom - 3, bottom), 2.0);
    EXPECT_NEAR(straight.InkCentre(top, top + 3), straight.InkCentre(bottom - 3, bottom), 0.5);
}

TEST_F(AddedFontTest, EachAddNeedsItsRemoveAndAfterTheLastTheFaceFallsBack)
{
    ASSERT_EQ(plat::AddFontFile(m_gamePath), 1);
    ASSERT_EQ(plat::AddFontFile(m_gamePath), 1);
    plat::FontMatch match;
    EXPECT_TRUE(plat::RemoveFontFile(m_gamePath));
    ASSERT_TRUE(plat::FindFontFace("DejaVu Sans", false, false, match));
    EXPECT_FALSE(match.fallback); // still added once
    EXPECT_TRUE(plat::RemoveFontFile(m_gamePath));
    ASSERT_TRUE(plat::FindFontFace("DejaVu Sans", false, false, match));
    EXPECT_TRUE(match.fallback);
    EXPECT_FALSE(plat::RemoveFontFile(m_gamePath));
}

TEST_F(AddedFontTest, FilesThatAreNotFontsOrAreNotThereAddNothing)
{
    EXPECT_EQ(plat::AddFontFile(m_root.Write("Data/junk.ttf", std::string("not a font at all"))), 0);
    EXPECT_EQ(plat::AddFontFile(m_root.Path() + "/data/missing.ttf"), 0);
}

} // namespace
