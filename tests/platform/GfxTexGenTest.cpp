// Texture coordinates generated from the camera-space position through a
// two-coordinate transform (the cloud layer's set-up): u and v come from the
// matrix and q stays 1 whatever the matrix's last column holds.
#include "GfxTestSupport.h"

#include <cstring>

using namespace gfxtest;

namespace {

struct PositionVertex {
    float x, y, z;
};

struct TexOutVertex {
    float x, y, z, rhw;
    float s, t, r, q;
};

TEST_F(DeviceTest, CameraSpaceTexGenWithTwoCoordinatesKeepsQAtOne)
{
    ASSERT_TRUE(Make(64, 64));
    GfxVertexBuffer* source = nullptr;
    GfxVertexBuffer* output = nullptr;
    const uint32_t outFvf = GfxFvf::XyzRhw | GfxFvf::Tex1 | GfxFvf::TexSizeBits(GfxFvf::TexSize4, 0);
    ASSERT_EQ(device->CreateVertexBuffer(sizeof(PositionVertex), GfxUsage::WriteOnly, GfxFvf::Xyz, GfxPool::Managed,
                                         &source), GfxResult::Ok);
    ASSERT_EQ(device->CreateVertexBuffer(sizeof(TexOutVertex), GfxUsage::WriteOnly, outFvf, GfxPool::Default, &output),
              GfxResult::Ok);
    const PositionVertex v{2.0f, 3.0f, 5.0f};
    uint8_t* data = nullptr;
    ASSERT_EQ(source->Lock(0, sizeof v, &data, 0), GfxResult::Ok);
    std::memcpy(data, &v, sizeof v);
    source->Unlock();
    // u = 0.5 x + 0.1, v = 0.25 z + 0.2; the last column is all zeros.
    GfxMatrix m{};
    m.m[0][0] = 0.5f, m.m[2][1] = 0.25f, m.m[3][0] = 0.1f, m.m[3][1] = 0.2f;
    device->SetTransform(GfxTransform::Texture0, &m);
    device->SetTextureStageState(0, GfxTss::TexCoordIndex, GfxTci::CameraSpacePosition);
    device->SetTextureStageState(0, GfxTss::TextureTransformFlags, GfxTtff::Count2);
    device->SetVertexShader(GfxFvf::Xyz);
    device->SetStreamSource(0, source, sizeof v);
    ASSERT_EQ(device->ProcessVertices(0, 0, 1, output, 0), GfxResult::Ok);
    TexOutVertex out{};
    ASSERT_EQ(output->Lock(0, sizeof out, &data, GfxLock::ReadOnly), GfxResult::Ok);
    std::memcpy(&out, data, sizeof out);
    output->Unlock();
    EXPECT_FLOAT_EQ(out.s, 1.1f);
    EXPECT_FLOAT_EQ(out.t, 1.45f);
    EXPECT_FLOAT_EQ(out.q, 1.0f);
    source->Release();
    output->Release();
}

} // namespace
