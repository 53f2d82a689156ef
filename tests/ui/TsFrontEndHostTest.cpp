// The sprite table of the concrete front ends.
#include "ui/TsFrontEndHost.h"
#include "tests/ui/GuiFixture.h"

namespace guitest {
namespace {

class SkinnedFrontEnd : public TsFrontEndHost {
    OM_DECLARE_CLASS(SkinnedFrontEnd)
public:
    SkinnedFrontEnd() = default;
    explicit SkinnedFrontEnd(OmArchive& archive) : TsFrontEndHost(archive) {}
};

OM_IMPLEMENT_CLASS(SkinnedFrontEnd, TsFrontEndBase)

using FrontEndHost = GuiTest;

TEST_F(FrontEndHost, SpritesAreLoadedByNameAndMissingOnesLeaveHoles)
{
    Start();
    WriteFrontEndImage("left.tga", 8, 32, 0xFFFFFFFF);
    WriteFrontEndImage("mid.tga", 16, 32, 0xFFFFFFFF);
    auto* host = new SkinnedFrontEnd;
    const char* const names[] = {"left.tga", "gone.tga", "mid.tga"};
    host->LoadSprites(3, names);
    EXPECT_EQ(host->GetSpriteCount(), 3);
    ASSERT_NE(host->GetSprite(0), nullptr);
    EXPECT_EQ(host->GetSprite(0)->GetPixelWidth(), 8.0f);
    EXPECT_EQ(host->GetSprite(1), nullptr);
    EXPECT_EQ(host->GetSprite(2)->GetPixelWidth(), 16.0f);
    EXPECT_EQ(host->GetSprite(3), nullptr);
    EXPECT_EQ(host->GetSprite(-1), nullptr);
    host->LoadSprites(1, names); // the old table is freed first
    EXPECT_EQ(host->GetSpriteCount(), 1);
    EXPECT_EQ(host->GetClass(), &SkinnedFrontEnd::s_class);
    delete host; // and its sprites with it
}

} // namespace
} // namespace guitest
