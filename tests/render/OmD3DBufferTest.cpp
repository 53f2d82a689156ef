// Vertex and index buffers by id.
#include <gtest/gtest.h>

#include "render/OmD3D.h"
#include "tests/render/RendererFixture.h"

using namespace plat;
using rtest::ScreenTest;
using rtest::RhwVertex;

TEST_F(ScreenTest, BufferIdsTakeTheFirstFreeSlot)
{
    const uint32_t before = renderer->GetVertexBufferSlotCount(); // the debug-line buffer
    const int32_t a = renderer->CreateVertexBuffer(GfxFvf::PosDiffuse, 10, false, false, true);
    const int32_t b = renderer->CreateVertexBuffer(GfxFvf::PosDiffuse, 10, false, false, true);
    const int32_t c = renderer->CreateVertexBuffer(GfxFvf::PosDiffuse, 10, true, false, true);
    ASSERT_GE(a, 0);
    EXPECT_EQ(b, a + 1);
    EXPECT_EQ(c, a + 2);
    renderer->ReleaseVertexBuffer(b);
    EXPECT_EQ(renderer->GetVertexBuffer(b), nullptr);
    EXPECT_EQ(renderer->CreateVertexBuffer(GfxFvf::PosDiffuse, 5, false, false, true), b);
    EXPECT_EQ(renderer->GetVertexBufferSlotCount(), before + 3);

    const int32_t i0 = renderer->CreateIndexBuffer(6, true, false, false);
    const int32_t i1 = renderer->CreateIndexBuffer(6, true, false, false);
    renderer->ReleaseIndexBuffer(i0);
    renderer->ReleaseIndexBuffer(i0); // twice is harmless
    EXPECT_EQ(renderer->CreateIndexBuffer(3, false, false, false), i0);
    EXPECT_NE(renderer->GetIndexBuffer(i1), nullptr);
}

TEST_F(ScreenTest, ABufferTheDeviceRefusesGetsNoIdAndTakesNoSlot)
{
    const uint32_t before = renderer->GetVertexBufferSlotCount();
    EXPECT_EQ(renderer->CreateVertexBuffer(GfxFvf::PosDiffuse, 0, false, false, true), -1);
    EXPECT_EQ(renderer->CreateIndexBuffer(0, false, false, true), -1);
    EXPECT_EQ(renderer->GetVertexBufferSlotCount(), before);
    EXPECT_EQ(renderer->GetVertexBuffer(-1), nullptr);
    EXPECT_EQ(renderer->GetVertexBuffer(1000), nullptr);
}

TEST_F(ScreenTest, StreamAndIndexBindingsSkipRepeatsUntilTheCacheIsReset)
{
    const int32_t vb = renderer->CreateVertexBuffer(GfxFvf::RhwDiffuse, 3, true, false, false);
    const int32_t ib = renderer->CreateIndexBuffer(3, true, false, false);
    Device()->ResetCallCounts();
    renderer->SetStreamSource(0, vb);
    renderer->SetStreamSource(0, vb);
    EXPECT_EQ(Device()->CallCount(GfxCall::SetStreamSource), 1u);
    renderer->ResetStreamCache();
    renderer->SetStreamSource(0, vb);
    EXPECT_EQ(Device()->CallCount(GfxCall::SetStreamSource), 2u);

    renderer->SetIndices(ib, 0);
    renderer->SetIndices(ib, 0);
    EXPECT_EQ(Device()->CallCount(GfxCall::SetIndices), 1u);
    renderer->SetIndices(99, 0); // no such buffer: the cache forgets, the device is not called
    EXPECT_EQ(renderer->GetBoundIndexBuffer(), nullptr);
    EXPECT_EQ(Device()->CallCount(GfxCall::SetIndices), 1u);
    renderer->SetIndices(ib, 0);
    EXPECT_EQ(Device()->CallCount(GfxCall::SetIndices), 2u);
}

// Drawing from memory unbinds stream 0 on the device: binding the
// buffer again must reach it, or the next draw reads nothing.
TEST_F(ScreenTest, BindingABufferAgainAfterAMemoryDrawReachesTheDevice)
{
    const int32_t vb = renderer->CreateVertexBuffer(GfxFvf::RhwDiffuse, 3, true, false, false);
    renderer->SetStreamSource(0, vb);
    const RhwVertex v[3] = {{0, 0, 0.5f, 1, 0xFFFFFFFF}, {1, 0, 0.5f, 1, 0xFFFFFFFF}, {0, 1, 0.5f, 1, 0xFFFFFFFF}};
    renderer->SetVertexShader(GfxFvf::RhwDiffuse);
    renderer->DrawPrimitiveUP(GfxPrimitive::TriangleList, 1, v, sizeof v[0]);
    const uint64_t calls = Device()->CallCount(GfxCall::SetStreamSource);
    renderer->SetStreamSource(0, vb);
    EXPECT_EQ(Device()->CallCount(GfxCall::SetStreamSource), calls + 1);
    uint32_t stride = 0;
    EXPECT_EQ(DeviceStream(&stride), renderer->GetVertexBuffer(vb)->GetBuffer());
    EXPECT_EQ(stride, sizeof(RhwVertex));
    renderer->ReleaseVertexBuffer(vb); // releasing a bound buffer unbinds it
    EXPECT_EQ(renderer->GetBoundStream(0), nullptr);
}

// A dynamic buffer appends after the last lock while the request fits below
// its end, and otherwise (or when told to discard) starts again at 0; a
// static buffer is locked whole from element 0.
TEST_F(ScreenTest, DynamicBuffersAppendUntilTheEndThenDiscard)
{
    auto* vb = renderer->GetVertexBuffer(renderer->CreateVertexBuffer(GfxFvf::PosDiffuse, 100, false, false, true));
    auto* ib = renderer->GetIndexBuffer(renderer->CreateIndexBuffer(10, false, false, true));
    auto* still = renderer->GetVertexBuffer(renderer->CreateVertexBuffer(GfxFvf::PosDiffuse, 10, true, false, false));
    ASSERT_TRUE(vb && ib && still);
    const auto* vbBase = vb->GetBuffer()->Bytes();
    const auto* ibBase = ib->GetBuffer()->Bytes();
    const struct {
        bool index, discard;
        uint32_t count;
        ptrdiff_t at; // element the lock starts at, -1 for a refused lock
    } locks[] = {
        {false, false, 40, 0},  {false, false, 40, 40}, {false, false, 20, 0}, // 80 + 20 reaches the end
        {false, true, 5, 0},    {false, false, 101, -1}, // more than the buffer
        {true, false, 4, 0},    {true, false, 4, 4},     {true, false, 2, 0}, // 8 + 2 is not below 10
        {true, false, 11, -1},
    };
    for (const auto& l : locks) {
        SCOPED_TRACE(testing::Message() << (l.index ? "index " : "vertex ") << l.count);
        if (l.discard)
            vb->SetDiscard();
        const uint8_t* got = l.index ? reinterpret_cast<uint8_t*>(ib->Lock(ib->GetAppendPosition(), l.count, false))
                                     : static_cast<uint8_t*>(vb->Lock(vb->GetAppendPosition(), l.count, false));
        if (l.at < 0) {
            EXPECT_EQ(got, nullptr);
            continue;
        }
        EXPECT_EQ(got, l.index ? ibBase + l.at * 2 : vbBase + l.at * 16);
        EXPECT_FALSE(l.index ? bool(ib->Lock(0, 1, false)) : bool(vb->Lock(0, 1, false))) << "locked already";
        l.index ? ib->Unlock() : vb->Unlock();
        EXPECT_EQ(l.index ? ib->GetAppendPosition() : vb->GetAppendPosition(), uint32_t(l.at) + l.count);
    }
    EXPECT_EQ(still->Lock(7, 2, true), still->GetBuffer()->Bytes());
    still->Unlock();
}
