// Device textures, the blend table, materials on stages and the material registry.
#include <gtest/gtest.h>

#include <string>

#include "engine/OmMaterial.h"
#include "engine/OmTextureResource.h"
#include "tests/render/RendererFixture.h"
#include "tests/render/ResourceTestSupport.h"

using namespace plat;
using namespace rtest;
using imgtest::Bytes;

namespace {

// Quadrants top left, top right, bottom left, bottom right of a 16 x 8 picture.
constexpr uint32_t kQuadrants[4] = {kRed, kBlue, kGreen, kWhite};

uint32_t QuadrantAt(uint32_t x, uint32_t y) { return kQuadrants[(y >= 4 ? 2 : 0) + (x >= 8 ? 1 : 0)]; }

class TextureTest : public ScreenTest {
protected:
    int32_t Register(const std::string& file, int32_t mips = 1, uint8_t scalable = 0)
    {
        OmTextureResource resource(file.c_str(), mips, scalable);
        return renderer->RegisterTexture(&resource);
    }

    std::vector<uint32_t> DrawTexture(int32_t id)
    {
        renderer->SetLighting(false);
        renderer->SetTexture(0, id);
        return DrawFrame([&] { DrawTexQuad(*renderer, 0, 0, 160, 80, 0xFFFFFFFF); });
    }
    int32_t LoadedGreen()
    {
        const int32_t id = Register(folder.Write("good.tga", SolidTga(2, 2, 0x00FF00)));
        EXPECT_TRUE(renderer->LoadTexture(id));
        return id;
    }

    ScratchDir folder{ScratchDir::kStayOutside};
};

OmMaterial WithFrames(std::initializer_list<int32_t> frames)
{
    OmMaterial m;
    OmMaterialLayer layer;
    layer.frameRate = 0.0f; // a still layer
    for (int32_t id : frames)
        layer.frames.Add(id);
    m.layers.Add(layer);
    return m;
}

} // namespace

// Whatever the file's kind, the platform decodes it to the same texture:
// one kind is enough here.
TEST_F(TextureTest, ATextureFileDrawsItsTexelsAndItsReleaseFreesTheDeviceTexture)
{
    const Probe quadrants[] = {{40, 20, kRed}, {120, 20, kBlue}, {40, 60, kGreen}, {120, 60, kWhite}};
    const int32_t id = Register(folder.Write("q.tga", Tga(16, 8, QuadrantAt)));
    ASSERT_TRUE(renderer->LoadTexture(id));
    EXPECT_EQ(renderer->GetTexture(id)->width, 16u);
    EXPECT_EQ(renderer->GetTexture(id)->height, 8u);
    EXPECT_TRUE(renderer->GetTexture(id)->loaded);
    const auto pixels = DrawTexture(id);
    for (const Probe& p : quadrants)
        EXPECT_TRUE(Near(Pixel(pixels, p.x, p.y), p.colour, 3)) << std::hex << Pixel(pixels, p.x, p.y);
    EXPECT_EQ(Pixel(pixels, 300, 200), 0xFF000000u);
    EXPECT_EQ(renderer->ReleaseTexture(id), 0);
    EXPECT_EQ(renderer->GetD3DTexture(id), nullptr);
}

TEST_F(TextureTest, UnreadableFilesFailToLoadAndAreNamedInTheLog)
{
    ErrorLog log;
    const int32_t missing = Register(folder.File("missing.tga"));
    Bytes corrupt = imgtest::PngFile(16, 8, 8, 2, Bytes(8 * 49));
    corrupt.resize(30); // inside the header
    const int32_t damaged = Register(folder.Write("bad.png", corrupt));
    EXPECT_FALSE(renderer->LoadTexture(missing));
    EXPECT_FALSE(renderer->LoadTexture(damaged));
    EXPECT_FALSE(renderer->LoadAllTextures());
    EXPECT_FALSE(renderer->GetTexture(missing)->loaded);
    EXPECT_GE(log.Count("missing.tga"), 1u);
}

TEST_F(TextureTest, TheStageKeepsWhatItHadWhenATextureCannotBeBound)
{
    ErrorLog log;
    const int32_t missing = Register(folder.File("missing.tga"));
    const int32_t good = LoadedGreen();
    renderer->SetTexture(0, good);
    renderer->SetTexture(0, missing);
    EXPECT_EQ(renderer->GetStageTexture(0), renderer->GetD3DTexture(good));
    renderer->SetTexture(0, -1);
    EXPECT_EQ(renderer->GetStageTexture(0), nullptr);
}

TEST_F(TextureTest, AMaterialOfMoreLayersThanStagesFillsTheStagesOnly)
{
    const int32_t good = LoadedGreen();
    OmMaterial material;
    for (int i = 0; i < 10; ++i) {
        OmMaterialLayer layer;
        layer.frames.Add(good);
        material.layers.Add(layer);
    }
    ErrorLog log;
    const int32_t layered = renderer->RegisterMaterial(&material);
    renderer->ApplyMaterial(layered);
    EXPECT_EQ(log.Text(), "");
    for (uint32_t stage = 0; stage < GfxMaxStages; ++stage)
        EXPECT_EQ(renderer->GetStageTexture(stage), renderer->GetD3DTexture(good));
    renderer->ReleaseMaterial(layered);
}

TEST_F(TextureTest, AReleasedTextureLeavesNoStageHoldingIt)
{
    const int32_t good = LoadedGreen();
    renderer->SetTexture(1, good);
    EXPECT_EQ(renderer->ReleaseTexture(good), 0);
    EXPECT_EQ(renderer->GetStageTexture(1), nullptr);
}

TEST_F(TextureTest, TheSizeLimitIsAPowerOfTwoOrAMultipleOfThirtyTwoBelowIt)
{
    for (auto [asked, limit] : {std::pair{768u, 512u}, {1000u, 992u}, {256u, 256u}}) {
        renderer->SetMaxTextureSize(asked);
        EXPECT_EQ(renderer->GetMaxTextureSize(), limit) << asked;
    }
}

TEST_F(TextureTest, AScalableTextureShrinksToTheLimitAndAnotherKeepsItsSize)
{
    renderer->SetMaxTextureSize(256);
    const std::string wide = folder.Write("wide.tga", SolidTga(512, 128, 0x0000FF));
    const int32_t scaled = Register(wide, 1, 1);
    ASSERT_TRUE(renderer->LoadTexture(scaled));
    GfxSurfaceDesc desc{};
    renderer->GetD3DTexture(scaled)->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.width, 256u);
    EXPECT_EQ(desc.height, 128u);
    EXPECT_EQ(renderer->GetTexture(scaled)->width, 512u);
    const int32_t unscaled = Register(wide, 1, 0); // may not be scaled
    ASSERT_TRUE(renderer->LoadTexture(unscaled));
    renderer->GetD3DTexture(unscaled)->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.width, 512u);
}

// On demand the first bind loads a texture; immediately, its registration.
TEST_F(TextureTest, TheLoadStateDecidesWhenATextureIsLoaded)
{
    renderer->SetLoadState(2);
    const int32_t lazy = Register(folder.Write("lazy.tga", SolidTga(4, 4, 0xFF0000)));
    EXPECT_EQ(renderer->GetD3DTexture(lazy), nullptr);
    renderer->SetTexture(0, lazy);
    EXPECT_NE(renderer->GetD3DTexture(lazy), nullptr);
    EXPECT_EQ(renderer->GetStageTexture(0), renderer->GetD3DTexture(lazy));
    // Immediate: registering loads it.
    renderer->SetLoadState(1);
    const int32_t eager = Register(folder.Write("eager.tga", SolidTga(4, 4, 0x00FF00)));
    EXPECT_NE(renderer->GetD3DTexture(eager), nullptr);
}

// Background (64, 128, 192); the quad (255, 64, 0) at alpha a.
TEST_F(TextureTest, EveryBlendWordBlendsAsTheTableSays)
{
    const uint32_t bg[3] = {64, 128, 192};
    const uint32_t src[3] = {255, 64, 0};
    auto mix = [](const uint32_t* channels) {
        return 0xFF000000u | channels[0] << 16 | channels[1] << 8 | channels[2];
    };
    auto expected = [&](uint32_t mode, uint32_t a) {
        if ((mode & 0x100) && a <= 127)
            return mix(bg);
        uint32_t out[3];
        for (int i = 0; i < 3; ++i) {
            const float s = float(src[i]) / 255.0f, d = float(bg[i]) / 255.0f, f = float(a) / 255.0f;
            float v = s;
            switch (mode & ~0x100u) {
            case 0x20:
            case 0x42: v = s * f + d * (1 - f); break;
            case 0x40: v = std::min(1.0f, s * f + d); break;
            case 0x41: v = s * d; break;
            default: break;
            }
            out[i] = uint32_t(v * 255.0f + 0.5f);
        }
        return mix(out);
    };
    // The alpha-test bit joins every blend the same way: 0x100 and 0x120
    // stand for it. 0x7F is the last alpha the test drops.
    const uint32_t modes[] = {0, 0x20, 0x40, 0x41, 0x42, 0x100, 0x120};
    for (uint32_t mode : modes) {
        for (uint32_t alpha : {0x7Fu, 0xC0u}) {
            SCOPED_TRACE(testing::Message() << std::hex << "mode " << mode << " alpha " << alpha);
            ASSERT_TRUE(renderer->BeginScene(0.0f));
            ClearTo(64 / 255.0f + 0.001f, 128 / 255.0f + 0.001f, 192 / 255.0f + 0.001f);
            renderer->SetLighting(false);
            renderer->SetTexture(0, -1);
            renderer->SetTextureStageState(0, GfxTss::AlphaOp, GfxTop::SelectArg1);
            renderer->SetTextureStageState(0, GfxTss::AlphaArg1, GfxTa::Diffuse);
            renderer->SetBlendMode(mode);
            DrawTexQuad(*renderer, 10, 10, 50, 50, alpha << 24 | 0xFF4000);
            renderer->SetBlendMode(0);
            renderer->EndScene();
            const auto pixels = ReadPixels();
            EXPECT_TRUE(Near(Pixel(pixels, 30, 30), expected(mode, alpha), 3))
                << std::hex << Pixel(pixels, 30, 30) << " expected " << expected(mode, alpha);
        }
    }
}

TEST_F(TextureTest, AlphaTestingRidesAlongWithBlendingIn0x120)
{
    renderer->SetBlendMode(0x120);
    ExpectStates({{GfxRs::AlphaTestEnable, 1}, {GfxRs::AlphaRef, 127}, {GfxRs::AlphaFunc, GfxCmp::Greater},
                  {GfxRs::AlphaBlendEnable, 1}, {GfxRs::ZWriteEnable, 0}});
}

TEST_F(TextureTest, AForcedBlendModeHoldsUntilItIsReleased)
{
    renderer->ForceBlendMode(0x41);
    renderer->SetBlendMode(0);
    EXPECT_EQ(renderer->GetRenderState(GfxRs::SrcBlend), GfxBlend::DestColor);
    renderer->ReleaseBlendMode();
    ExpectStates({{GfxRs::SrcBlend, GfxBlend::One}, {GfxRs::AlphaBlendEnable, 0}, {GfxRs::ZWriteEnable, 1}});
}

// Ids are counted per registration.
TEST(MaterialRegistry, EqualRecordsShareAnIdAndAFreedIdComesBackFirst)
{
    OmD3D renderer; // no device needed
    const OmMaterial base = WithFrames({3, 4});
    const int32_t id = renderer.RegisterMaterial(&base);
    const struct {
        const char* what;
        void (*change)(OmMaterial&);
        bool sameId;
    } cases[] = {
        {"layer capacity", [](OmMaterial& m) { m.layers[0].frames.Reserve(200); }, true},
        {"negative zero", [](OmMaterial& m) { m.layers[0].frameRate = -0.0f; }, true},
        {"one texture id", [](OmMaterial& m) { m.layers[0].frames[1] = 5; }, false},
        {"one float", [](OmMaterial& m) { m.power += 1.0f; }, false},
        {"the flag byte", [](OmMaterial& m) { m.flags = 1; }, false},
    };
    uint32_t shared = 1;
    for (const auto& c : cases) {
        OmMaterial m = base;
        c.change(m);
        const int32_t got = renderer.RegisterMaterial(&m);
        EXPECT_EQ(got == id, c.sameId) << c.what;
        shared += c.sameId;
        EXPECT_EQ(renderer.RegisterMaterial(&m), got) << c.what << ": registered again";
        EXPECT_EQ(renderer.GetMaterial(got)->flags, m.flags) << c.what;
        renderer.ReleaseMaterial(got);
    }
    EXPECT_EQ(renderer.GetMaterial(id)->GetRefCount(), shared);
    while (renderer.ReleaseMaterial(id) != 0) {
    }
    EXPECT_EQ(renderer.GetMaterial(id), nullptr);
    const OmMaterial other = WithFrames({9});
    EXPECT_EQ(renderer.RegisterMaterial(&other), id);
}

// Frames {1, 0} and {0, 2} give the same key.
TEST(MaterialRegistry, ReleasingOneOfTwoMaterialsWithTheSameKeyKeepsTheOther)
{
    OmD3D renderer;
    const OmMaterial a = WithFrames({1, 0}), b = WithFrames({0, 2});
    ASSERT_EQ(OmRenderer::HashMaterial(a), OmRenderer::HashMaterial(b));
    const int32_t idB = renderer.RegisterMaterial(&b);
    const int32_t idA = renderer.RegisterMaterial(&a);
    ASSERT_NE(idA, idB);
    EXPECT_EQ(renderer.ReleaseMaterial(idA), 0);
    EXPECT_EQ(renderer.RegisterMaterial(&b), idB);
    EXPECT_EQ(renderer.GetMaterial(idB)->GetRefCount(), 2u);
    renderer.ReleaseAllMaterials();
}

// Textures share by name (any format matches 0); a material holds one
// reference to each texture of its layers per registration.
TEST(MaterialRegistry, TexturesAreSharedAndCountedByTheMaterialsThatUseThem)
{
    OmD3D renderer;
    OmTextureResource stone("stone.tga", -1, 1), again("stone.tga", -1, 1), other("Stone.tga", -1, 1);
    const int32_t id = renderer.RegisterTexture(&stone);
    renderer.GetTexture(id)->format = 21;
    again.format = 0;
    EXPECT_EQ(renderer.RegisterTexture(&again), id);
    EXPECT_NE(renderer.RegisterTexture(&other), id);
    // The first registration takes over the caller's reference.
    const OmMaterial m = WithFrames({id});
    const int32_t mid = renderer.RegisterMaterial(&m);
    EXPECT_EQ(renderer.GetTexture(id)->GetRefCount(), 2u);
    EXPECT_EQ(renderer.RegisterMaterial(&m), mid);
    EXPECT_EQ(renderer.GetTexture(id)->GetRefCount(), 3u);
    renderer.ReleaseMaterial(mid);
    EXPECT_EQ(renderer.GetTexture(id)->GetRefCount(), 2u);
    renderer.ReleaseAllMaterials();
    renderer.ReleaseAllTextures();
}
