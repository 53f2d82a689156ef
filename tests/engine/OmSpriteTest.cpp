// What an archive keeps of a sprite: the object part only (whoever creates
// a sprite places it again).
#include <gtest/gtest.h>

#include "engine/OmArchive.h"
#include "engine/OmBaseSprite.h"
#include "tests/engine/ArchiveTestSupport.h"

namespace {

class TestSprite : public OmBaseSprite {
    OM_DECLARE_CLASS(TestSprite)

    TestSprite() = default;
    explicit TestSprite(OmArchive& archive) : OmBaseSprite(archive) {}
    void Render(OmRenderer&) override { ++renders; }
    bool Initialise(uint32_t) override { return true; }
    int renders = 0;
};

OM_IMPLEMENT_CLASS(TestSprite, OmBaseSprite)

OmClassRegistry& Registry()
{
    OmClassRegistry& registry = OmClassRegistry::Instance();
    registry.AssignClassIds();
    return registry;
}

} // namespace

TEST(OmBaseSprite, ArchiveKeepsTheObjectPartOnly)
{
    auto* sprite = new TestSprite();
    sprite->SetName("icon");
    sprite->SetPosition(3.0f, 4.0f);
    sprite->colour = 0x80808080u;
    sprite->textureId = 12; // an id is only good for this run's renderer
    auto* plain = new OmSprite();
    plain->SetName("plain");
    const std::string path = archive_test::TempPath("sprites");
    {
        OmArchive archive(Registry());
        archive.AddRoot(sprite);
        archive.AddRoot(plain);
        ASSERT_TRUE(archive.Save(path.c_str()));
    }
    sprite->Release();
    plain->Release();

    OmArchive archive(Registry());
    ASSERT_TRUE(archive.Load(path.c_str()));
    auto* loaded = TestSprite::Cast(archive.GetRoot(0));
    auto* loadedPlain = OmSprite::Cast(archive.GetRoot(1));
    ASSERT_TRUE(loaded && loadedPlain);
    EXPECT_STREQ(loaded->GetName(), "icon");
    EXPECT_STREQ(loadedPlain->GetName(), "plain");
    EXPECT_EQ(loaded->textureId, -1);
    EXPECT_FLOAT_EQ(loaded->position[0], 0.0f);
    EXPECT_EQ(loaded->colour, 0xFFFFFFFFu);
    loaded->Release();
    loadedPlain->Release();
    std::remove(path.c_str());
}
