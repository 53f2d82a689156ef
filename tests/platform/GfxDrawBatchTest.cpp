// Triangles drawn one call each - sprites, text, frames - go to OpenGL
// together, in their order.
#include "GfxTestSupport.h"

#include "platform/GfxSprite.h"

using namespace gfxtest;

namespace {

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

// A 16 x 16 back buffer, a 4 x 4 white texture and the sprite object, in a
// scene cleared to black.
class DrawBatchTest : public DeviceTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Make(16, 16));
        texture = Hold(MakeTexture(4, 4, std::vector<uint32_t>(16, 0xFFFFFFFF)));
        ASSERT_NE(texture, nullptr);
        ASSERT_EQ(GfxSprite::Create(device, &sprite), GfxResult::Ok);
        Hold(sprite);
        device->BeginScene();
        ClearTo(0xFF000000);
    }
    // The texture scaled to size x size pixels at (x, y), tinted.
    void DrawSprite(float x, float y, float size, uint32_t colour)
    {
        const GfxVector2 scale{size / 4, size / 4}, at{x, y};
        ASSERT_EQ(sprite->Draw(texture, nullptr, &scale, nullptr, 0.0f, &at, colour), GfxResult::Ok);
    }
    GfxTexture* texture = nullptr;
    GfxSprite* sprite = nullptr;
};

} // namespace

TEST_F(DrawBatchTest, SpritesOfOneTextureGoToOpenGLAsOneDraw)
{
    const uint64_t before = device->DrawsSent();
    sprite->Begin();
    DrawSprite(0, 0, 4, kRed);
    DrawSprite(4, 0, 4, kGreen);
    DrawSprite(8, 0, 4, kBlue);
    sprite->End();
    EXPECT_EQ(device->DrawsSent() - before, 1u);
}

TEST_F(DrawBatchTest, ADeviceDrawBetweenSpritesKeepsItsPlaceInTheOrder)
{
    DrawSprite(0, 0, 8, kRed);
    DrawRect(0, 0, 8, 8, kGreen);
    DrawSprite(4, 4, 8, kBlue);
    device->EndScene();
    ExpectRgb({{2, 2, 0x00FF00}, {6, 6, 0x0000FF}, {12, 2, 0}});
}

TEST_F(DrawBatchTest, AScissorSetBetweenTwoSpritesClipsOnlyTheSecond)
{
    DrawSprite(0, 0, 16, kRed);
    const GfxRect left{0, 0, 8, 16};
    device->SetScissorRect(&left);
    DrawSprite(0, 0, 16, kBlue);
    device->EndScene();
    ExpectRgb({{2, 2, 0x0000FF}, {12, 2, 0xFF0000}});
}

TEST_F(DrawBatchTest, ASpriteDrawnBeforeItsTextureChangesShowsTheOldTexels)
{
    DrawSprite(0, 0, 8, 0xFFFFFFFF);
    FillTexture(texture, 4, std::vector<uint32_t>(16, 0xFF00FF00));
    DrawSprite(8, 8, 8, 0xFFFFFFFF);
    device->EndScene();
    ExpectRgb({{2, 2, 0xFFFFFF}, {12, 12, 0x00FF00}});
}

TEST_F(DrawBatchTest, TrianglesOfOneStateGoToOpenGLAsOneDrawAndLookAsDrawnOneByOne)
{
    const uint64_t before = device->DrawsSent();
    DrawRect(0, 0, 8, 8, kRed);
    // A strip's second triangle turns its winding back: culled if it did not.
    const RhwVertex strip[4] = {{7.5f, -0.5f, 0.5f, 1, kGreen}, {15.5f, -0.5f, 0.5f, 1, kGreen},
                                {7.5f, 7.5f, 0.5f, 1, kGreen}, {15.5f, 7.5f, 0.5f, 1, kGreen}};
    const uint16_t order[4] = {0, 1, 2, 3};
    ASSERT_EQ(device->DrawIndexedPrimitiveUP(GfxPrimitive::TriangleStrip, 0, 4, 2, order, GfxFormat::Index16, strip,
                                             sizeof(RhwVertex)),
              GfxResult::Ok);
    const float l = -0.5f, t = 7.5f, r = 7.5f, b = 15.5f;
    const RhwVertex list[6] = {{l, t, 0.5f, 1, kBlue}, {r, t, 0.5f, 1, kBlue}, {l, b, 0.5f, 1, kBlue},
                               {r, t, 0.5f, 1, kBlue}, {r, b, 0.5f, 1, kBlue}, {l, b, 0.5f, 1, kBlue}};
    GfxVertexBuffer* buffer = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(sizeof list, 0, GfxFvf::RhwDiffuse, GfxPool::Managed, &buffer), GfxResult::Ok);
    gfxtest::Fill(buffer, list);
    device->SetStreamSource(0, buffer, sizeof(RhwVertex));
    buffer->Release();
    ASSERT_EQ(device->DrawPrimitive(GfxPrimitive::TriangleList, 0, 2), GfxResult::Ok);
    device->EndScene();
    EXPECT_EQ(device->DrawsSent() - before, 1u);
    ExpectRgb({{2, 2, 0xFF0000}, {9, 1, 0x00FF00}, {14, 6, 0x00FF00}, {6, 14, 0x0000FF}, {12, 12, 0}});
}
