// Copies between targets, the drawing clip and the drawn rectangle of a texture target.
#include "GfxTestSupport.h"

using namespace gfxtest;

namespace {

class TargetCopyTest : public DeviceTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Make(32, 32));
        back = Back(), backDepth = BackDepth();
        device->SetRenderState(GfxRs::Lighting, 0);
        device->SetTextureStageState(0, GfxTss::ColorOp, GfxTop::SelectArg1);
        device->SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::Diffuse);
        device->BeginScene();
    }
    void TearDown() override
    {
        device->EndScene();
        DeviceTest::TearDown();
    }
    GfxSurface *back = nullptr, *backDepth = nullptr; // the device's own target and depth
};

} // namespace

TEST_F(TargetCopyTest, AKeptPictureComesBackWithItsColourAndItsDepth)
{
    GfxSurface* kept = TargetLevel();
    GfxSurface* keptDepth = Depth();
    ClearTo(0xFF000000);
    DrawRect(0, 0, 16, 32, 0xFF204080, 0.25f);
    ASSERT_EQ(device->CopyTarget(back, backDepth, kept, keptDepth), GfxResult::Ok);
    ClearTo(0xFFFFFFFF);
    ASSERT_EQ(device->CopyTarget(kept, keptDepth, back, backDepth), GfxResult::Ok);
    ExpectRgb({{3, 3, 0x204080}, {20, 3, 0}});
    // The depth came back too: behind the kept rectangle a new one is hidden.
    DrawRect(0, 0, 32, 32, 0xFF00FF00);
    ExpectRgb({{3, 3, 0x204080}, {20, 3, 0x00FF00}});
}

TEST_F(TargetCopyTest, CopiesBetweenUnlikeTargetsAreRefused)
{
    GfxSurface* small = TargetLevel(16);
    GfxSurface* narrow = TargetLevel(32, GfxFormat::R5G6B5);
    GfxSurface* fit = TargetLevel();
    GfxSurface* depth24 = Depth(32, GfxFormat::D24S8);
    GfxSurface* smallDepth = Depth(16);
    GfxSurface* plainLevel = Level(Hold(MakeTexture(32, 32, {}, GfxFormat::X8R8G8B8)));
    const struct {
        const char* what;
        GfxSurface *colour, *depth, *destDepth;
    } rows[] = {
        {"another size", small, backDepth, smallDepth},
        {"another format", narrow, nullptr, nullptr},
        {"a texture that is no target", plainLevel, nullptr, nullptr},
        {"depth on one side only", fit, backDepth, nullptr},
        {"depths of two formats", fit, backDepth, depth24},
        {"the same surface", back, nullptr, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(device->CopyTarget(back, row.depth, row.colour, row.destDepth), GfxResult::InvalidCall);
    }
}

TEST_F(TargetCopyTest, TheClipHoldsDrawingButNotClearsAndANewTargetLiftsIt)
{
    ClearTo(0xFF000000);
    const GfxRect clip{8, 4, 16, 12};
    ASSERT_EQ(device->SetScissorRect(&clip), GfxResult::Ok);
    DrawRect(0, 0, 32, 32, 0xFFFF0000);
    ExpectRgb({{8, 4, 0xFF0000}, {15, 11, 0xFF0000}, {7, 4, 0}, {16, 11, 0}, {8, 3, 0}, {8, 12, 0}});
    ClearTo(0xFF0000FF);
    ExpectRgb({{0, 0, 0x0000FF}, {31, 31, 0x0000FF}});
    GfxRect read{};
    EXPECT_TRUE(device->GetScissorRect(&read));
    EXPECT_EQ(std::tie(read.left, read.top, read.right, read.bottom), std::tie(clip.left, clip.top, clip.right, clip.bottom));
    ASSERT_EQ(device->SetRenderTarget(back, backDepth), GfxResult::Ok);
    EXPECT_FALSE(device->GetScissorRect(&read));
    DrawRect(0, 0, 32, 32, 0xFF00FF00);
    EXPECT_EQ(Rgb(0, 0), 0x00FF00u);
}

TEST_F(TargetCopyTest, ATextureTargetKnowsWhereDrawingReachedSinceItsWholeClear)
{
    GfxSurface* target = TargetLevel();
    GfxRect drawn{};
    EXPECT_FALSE(device->GetDrawnRect(target, &drawn)) << "a new texture holds anything";
    EXPECT_FALSE(device->GetDrawnRect(back, &drawn)) << "the back buffer is not followed";
    ASSERT_EQ(device->SetRenderTarget(target, Depth()), GfxResult::Ok);
    ClearTo(0);
    ASSERT_TRUE(device->GetDrawnRect(target, &drawn));
    EXPECT_TRUE(drawn.right <= drawn.left) << "nothing drawn yet";
    DrawRect(10, 6, 14, 9, 0xFFFFFFFF);
    // A transformed triangle: identity matrices put clip space on the target.
    struct Xyz {
        float x, y, z;
        uint32_t color;
    };
    const Xyz triangle[3] = {{0.5f, 0.5f, 0.5f, 0xFFFFFFFF}, {0.75f, 0.5f, 0.5f, 0xFFFFFFFF},
                             {0.5f, 0.25f, 0.5f, 0xFFFFFFFF}}; // pixels 24..28 across, 8..12 down
    device->SetVertexShader(GfxFvf::Xyz | GfxFvf::Diffuse);
    device->SetRenderState(GfxRs::CullMode, GfxCull::None);
    ASSERT_EQ(device->DrawPrimitiveUP(GfxPrimitive::TriangleList, 1, triangle, sizeof(Xyz)), GfxResult::Ok);
    ASSERT_TRUE(device->GetDrawnRect(target, &drawn));
    EXPECT_TRUE(drawn.left <= 10 && drawn.top <= 6 && drawn.right >= 28 && drawn.bottom >= 12);
    EXPECT_TRUE(drawn.left >= 7 && drawn.top >= 3 && drawn.right <= 31 && drawn.bottom <= 15);
    ASSERT_EQ(device->SetRenderTarget(back, backDepth), GfxResult::Ok);
    ClearTo(0xFF000000);
    GfxSurface* copy = TargetLevel();
    ASSERT_EQ(device->CopyTarget(target, nullptr, copy, nullptr), GfxResult::Ok);
    EXPECT_FALSE(device->GetDrawnRect(copy, &drawn)) << "a copied picture may hold anything";
}

TEST_F(TargetCopyTest, StateChangedBetweenLikeDrawsStillReachesThePicture)
{
    ClearTo(0xFF000000);
    DrawRect(0, 0, 32, 32, 0xFF404040);
    // Only the blend changes between two like draws.
    device->SetRenderState(GfxRs::AlphaBlendEnable, 1);
    device->SetRenderState(GfxRs::SrcBlend, GfxBlend::One);
    device->SetRenderState(GfxRs::DestBlend, GfxBlend::One);
    DrawRect(0, 0, 32, 32, 0xFF404040);
    EXPECT_EQ(Rgb(5, 5), 0x808080u);
    // A clear between draws changes masks behind the device's back.
    device->SetRenderState(GfxRs::ColorWriteEnable, 0x1); // red only
    ClearTo(0xFF000000);
    DrawRect(0, 0, 32, 32, 0xFFFFFFFF);
    EXPECT_EQ(Rgb(5, 5) & 0xFF0000u, 0xFF0000u);
    EXPECT_EQ(Rgb(5, 5) & 0x00FFFFu, 0u);
}

TEST_F(TargetCopyTest, ATextureMadeWhereAReleasedOneWasIsTheOneDrawn)
{
    device->SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::Texture);
    device->EndScene(); // the quads make their own scenes
    // Red, released, then green where it was.
    for (const uint32_t colour : {0xFFFF0000u, 0xFF00FF00u}) {
        GfxTexture* texture = MakeTexture(4, 4, std::vector<uint32_t>(16, colour));
        device->SetTexture(0, texture);
        DrawTexturedQuad(32, 0xFFFFFFFF);
        EXPECT_EQ(Rgb(5, 5), colour & 0xFFFFFF);
        device->SetTexture(0, nullptr);
        texture->Release();
    }
    device->BeginScene();
}

TEST_F(TargetCopyTest, ATextureTargetReadBackGivesTheColumnsItsBandsArePaintedBetweenInEachChannel)
{
    // Near-black counts as painted: only a pixel with no bit of a channel adds nothing in it.
    const uint32_t channels[3] = {0x00FFFFFF, 0x00FF0000, 0x000000FF};
    for (uint32_t format : {GfxFormat::X8R8G8B8, GfxFormat::R5G6B5, GfxFormat::X1R5G5B5}) {
        GfxSurface* target = TargetLevel(32, format);
        ASSERT_EQ(device->SetRenderTarget(target, Depth()), GfxResult::Ok);
        ClearTo(0);
        DrawRect(10, 9, 14, 12, 0xFF000008); // blue
        DrawRect(3, 10, 5, 11, 0xFFFF0000);  // red
        GfxSpan spans[3][4];
        ASSERT_TRUE(device->GetPaintedSpans(target, 8, channels, 3, spans[0], 12)) << format;
        const auto span = [&](int set, int band) { return std::pair(spans[set][band].left, spans[set][band].right); };
        EXPECT_EQ(span(0, 0), std::pair(0, 0)) << format;
        EXPECT_EQ(span(0, 1), std::pair(3, 14)) << format;
        EXPECT_EQ(span(0, 2), std::pair(0, 0)) << format;
        EXPECT_EQ(span(1, 1), std::pair(3, 5)) << format << ": red alone";
        EXPECT_EQ(span(2, 1), std::pair(10, 14)) << format << ": blue alone";
        EXPECT_FALSE(device->GetPaintedSpans(target, 8, channels, 3, spans[0], 11)) << "the bands do not fit";
    }
}
