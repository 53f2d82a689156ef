// Textures and surfaces from image files.
#include "GfxTestSupport.h"
#include "ImageTestFiles.h"
#include "testing/ScratchDir.h"

#include "platform/GfxFileTexture.h"
#include "platform/PixelFormat.h"

using namespace gfxtest;

namespace {

// A top-down 32-bit Targa file of A8R8G8B8 pixels.
imgtest::Bytes Tga32(uint16_t w, uint16_t h, const std::vector<uint32_t>& pixels)
{
    return imgtest::Tga(w, h, [&](uint32_t x, uint32_t y) { return pixels[y * w + x]; }, 32);
}

class FileTextureTest : public DeviceTest {
protected:
    void SetUp() override { ASSERT_TRUE(Make(32, 32)); }
    ScratchDir root{ScratchDir::kStayOutside};
    // Four by two pixels, one of them half transparent and one clear.
    const std::string file = root.Write("four.tga", Tga32(4, 2, {0xFFFF0000, 0x8000FF00, 0xFF0000FF, 0x00FFFFFF,
                                                              0xFF102030, 0xFF405060, 0xFF708090, 0xFFA0B0C0}));
};

uint32_t TexelArgb(GfxTexture* t, uint32_t level, uint32_t x, uint32_t y)
{
    GfxLockedRect locked{};
    EXPECT_EQ(t->LockRect(level, &locked, nullptr, GfxLock::ReadOnly), GfxResult::Ok);
    uint32_t argb = 0;
    const uint32_t bpp = GfxFormatBytes(t->Format());
    ConvertToArgb(static_cast<uint8_t*>(locked.bits) + y * locked.pitch + x * bpp, 1, t->Format(), &argb);
    t->UnlockRect(level);
    return argb;
}

} // namespace

TEST_F(FileTextureTest, ATextureFromAFileKeepsItsSizeFormatAndTexelsAndBuildsMips)
{
    GfxTexture* t = nullptr;
    ASSERT_EQ(GfxCreateTextureFromFile(device, file.c_str(), &t), GfxResult::Ok);
    GfxSurfaceDesc desc{};
    Hold(t)->GetLevelDesc(0, &desc);
    EXPECT_EQ(std::tuple(desc.width, desc.height, desc.format, desc.pool),
              std::tuple(4u, 2u, GfxFormat::A8R8G8B8, GfxPool::Managed));
    EXPECT_EQ(t->GetLevelCount(), 3u);
    EXPECT_EQ(TexelArgb(t, 0, 1, 0), 0x8000FF00u);
    EXPECT_EQ(TexelArgb(t, 0, 3, 1), 0xFFA0B0C0u);
    // Drawn over the whole target, the corners show the corner texels.
    device->SetRenderState(GfxRs::Lighting, 0);
    device->SetTexture(0, t);
    device->SetTextureStageState(0, GfxTss::ColorOp, GfxTop::SelectArg1);
    DrawTexturedQuad(32, 0xFFFFFFFF);
    ExpectRgb({{2, 2, 0xFF0000}, {29, 29, 0xA0B0C0}});
}

TEST_F(FileTextureTest, ATextureAskedSmallerInSixteenBitsTakesThatSizeAndFormat)
{
    GfxTexture* t = nullptr;
    GfxSurfaceDesc desc{};
    ImageInfo info{};
    ASSERT_EQ(GfxCreateTextureFromFileEx(device, file.c_str(), 2, 1, 1, 0, GfxFormat::A4R4G4B4,
                                         GfxPool::Managed, 2 /* point */, 2, 0xFF0000FF, &info,
                                         nullptr, &t),
              GfxResult::Ok);
    EXPECT_EQ(info.width, 4u);
    Hold(t)->GetLevelDesc(0, &desc);
    EXPECT_EQ(std::tuple(desc.width, desc.height, desc.format), std::tuple(2u, 1u, GfxFormat::A4R4G4B4));
    EXPECT_EQ(t->GetLevelCount(), 1u);
}

TEST_F(FileTextureTest, BadFilesFailWithoutATexture)
{
    GfxTexture* t = nullptr;
    ImageInfo info{};
    EXPECT_TRUE(GfxFailed(GfxCreateTextureFromFile(device, root.File("missing.tga").c_str(), &t)));
    EXPECT_EQ(t, nullptr);
    imgtest::Bytes cut = Tga32(4, 4, std::vector<uint32_t>(16, 0xFFFFFFFF));
    cut.resize(30);
    const std::string cutFile = root.Write("cut.tga", cut);
    EXPECT_TRUE(GfxFailed(GfxCreateTextureFromFile(device, cutFile.c_str(), &t)));
    EXPECT_EQ(t, nullptr);
    EXPECT_TRUE(GfxFailed(GfxGetImageInfoFromFile(root.File("missing.tga").c_str(), &info)));
    GfxSurface* image = nullptr;
    device->CreateImageSurface(4, 4, GfxFormat::X8R8G8B8, &image);
    EXPECT_TRUE(
        GfxFailed(GfxLoadSurfaceFromFile(Hold(image), nullptr, nullptr, cutFile.c_str(), nullptr, 1, 0, nullptr)));
}

TEST_F(FileTextureTest, RequirementsKeepAnySizeAndTakeTheNearestHeldFormatWithAlpha)
{
    uint32_t w = 300, h = 100, levels = 0, format = GfxFormat::A8R8G8B8;
    ASSERT_EQ(GfxCheckTextureRequirements(device, &w, &h, &levels, 0, &format, GfxPool::Managed), GfxResult::Ok);
    // The device takes any size: nothing is rounded to a power of two.
    EXPECT_EQ(w, 300u);
    EXPECT_EQ(h, 100u);
    EXPECT_EQ(levels, 9u);
    EXPECT_EQ(format, GfxFormat::A8R8G8B8);
    format = GfxFormat::A8R3G3B2; // not held: the nearest with alpha
    ASSERT_EQ(GfxCheckTextureRequirements(device, nullptr, nullptr, nullptr, 0, &format, GfxPool::Managed),
              GfxResult::Ok);
    EXPECT_NE(format, GfxFormat::A8R3G3B2);
    EXPECT_GT(FormatChannelBits(format).alpha, 0u);
}

TEST_F(FileTextureTest, ASurfaceFromAFileFoundInAnyCaseReachesTheBackBuffer)
{
    GfxSurface* image = nullptr;
    const std::string screen = root.Write("Screen.TGA", Tga32(8, 8, std::vector<uint32_t>(64, 0xFF336699)));
    GfxSurface* back = Back();
    ASSERT_EQ(device->CreateImageSurface(32, 32, GfxFormat::X8R8G8B8, &image), GfxResult::Ok);
    Hold(image);
    // Found whatever the case and separators.
    const std::string gamePath = root.Path() + "\\screen.tga";
    ASSERT_EQ(GfxLoadSurfaceFromFile(image, nullptr, nullptr, gamePath.c_str(), nullptr, 0xF0003, 0,
                                     nullptr),
              GfxResult::Ok);
    ClearTo(0xFF000000);
    ASSERT_EQ(device->CopyRects(image, nullptr, 0, back, nullptr), GfxResult::Ok);
    ExpectRgb({{0, 0, 0x336699}, {31, 31, 0x336699}});
    // Straight into the back buffer too, into one rectangle.
    ClearTo(0xFF000000);
    const GfxRect r{8, 8, 16, 16};
    ASSERT_EQ(GfxLoadSurfaceFromFile(back, nullptr, &r, screen.c_str(), nullptr, 1, 0, nullptr), GfxResult::Ok);
    ExpectRgb({{8, 8, 0x336699}, {7, 8, 0}});
}
