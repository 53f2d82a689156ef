#include <gtest/gtest.h>

#include <cstring>

#include "platform/ErrorText.h"
#include "platform/GfxTypes.h"

namespace {

using namespace plat;
using namespace plat::GfxFvf;

TEST(VertexFormat, SizesOfTheFormatsTheRendererUses)
{
    EXPECT_EQ(GfxFvfVertexSize(0x42), 16u);  // position, colour
    EXPECT_EQ(GfxFvfVertexSize(0x44), 20u);  // screen position, colour
    EXPECT_EQ(GfxFvfVertexSize(0x112), 32u); // position, normal, one set
    EXPECT_EQ(GfxFvfVertexSize(0x142), 24u);
    EXPECT_EQ(GfxFvfVertexSize(0x144), 28u);
    EXPECT_EQ(GfxFvfVertexSize(0x152), 36u);
    EXPECT_EQ(GfxFvfVertexSize(0x244), 36u); // two sets
}

TEST(VertexFormat, BlendWeightsSizesAndCoordinateSets)
{
    EXPECT_EQ(GfxFvfVertexSize(XyzB1), 16u);
    EXPECT_EQ(GfxFvfVertexSize(XyzB3 | Normal), 36u);
    EXPECT_EQ(GfxFvfVertexSize(XyzB5 | LastBetaUByte4), 32u);
    EXPECT_EQ(GfxFvfVertexSize(Xyz | PSize | Specular), 20u);
    EXPECT_EQ(GfxFvfVertexSize(0), 0u);
    // Set 0 of 1 float, set 1 of 3, set 2 of 4, set 3 of the default 2.
    const uint32_t sets = Xyz | TexCount(4) | TexSizeBits(TexSize1, 0) | TexSizeBits(TexSize3, 1)
        | TexSizeBits(TexSize4, 2);
    EXPECT_EQ(GfxFvfTexSetCount(sets), 4u);
    EXPECT_EQ(GfxFvfTexSetSize(sets, 3), 2u);
    EXPECT_EQ(GfxFvfVertexSize(sets), 12u + 4u * (1 + 3 + 4 + 2));
    EXPECT_EQ(GfxFvfVertexSize(Xyz | TexCount(8)), 12u + 64u);
    EXPECT_EQ(GfxFvfVertexSize(Xyz | TexCount(9)), 0u); // no such format
}

TEST(ErrorText, NamesUnknownCodesAndSmallBuffers)
{
    EXPECT_EQ(plat::ErrorName(plat::hr::DeviceLost), "D3DERR_DEVICELOST");
    EXPECT_EQ(plat::ErrorName(plat::hr::DeviceNotReset), "D3DERR_DEVICENOTRESET");
    EXPECT_EQ(plat::ErrorName(plat::hr::Fail), "E_FAIL");
    EXPECT_EQ(plat::ErrorName(plat::hr::OutOfVideoMemory), "D3DERR_OUTOFVIDEOMEMORY");
    EXPECT_EQ(plat::ErrorName(plat::hr::InvalidCall), "D3DERR_INVALIDCALL");
    EXPECT_TRUE(plat::ErrorName(0x1234).empty());
    EXPECT_EQ(plat::ErrorString(0x88761234), "Unknown error 0x88761234");

    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);
    plat::FormatErrorString(plat::hr::InvalidCall, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "D3DERR_INVALIDCALL");
    char tiny[7];
    std::memset(tiny, 'x', sizeof tiny);
    plat::FormatErrorString(plat::hr::InvalidCall, tiny, sizeof tiny);
    EXPECT_STREQ(tiny, "D3DERR");
    plat::FormatErrorString(plat::hr::InvalidCall, tiny, 0); // nothing written, nothing broken
    EXPECT_STREQ(tiny, "D3DERR");
}

} // namespace
