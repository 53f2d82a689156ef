// The title front end as the application runs it: what Initialise sets up,
// its pages, the hand-over to a level, the render target across a lost
// device, the scene's small rules, and the figure drawn into its render
// target or, without one, to the screen.
#include "tests/ui/AppFixture.h"

#include "engine/OmGroup.h"
#include "engine/OmPbfScene.h"
#include "engine/OmRef.h"
#include "game/framework/TsAccess.h"
#include "platform/FilePath.h"
#include "platform/GfxDevice.h"
#include "platform/GfxTexture.h"
#include "platform/GfxTypes.h"
#include "render/OmD3D.h"
#include "tests/render/ResourceTestSupport.h"
#include "ui/TsFrontEndSkinShape.h"
#include "ui/TsGuiSprite.h"
#include "ui/TsGuiWindow.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

using namespace titletest;
namespace fs = std::filesystem;

namespace {

using FrontEnd = StartedTitleTest;

TEST_F(FrontEnd, InitialiseBuildsTheSceneTheSpritesAndTheMainPage)
{
    TsFrontEnd& title = Title();
    EXPECT_EQ(TsAccess::FrontEnd(), &title);
    for (int32_t i = 0; i < TsFrontEnd::kSpriteCount; ++i)
        EXPECT_NE(title.GetSprite(i), nullptr) << TsFrontEnd::kSpriteNames[i];
    EXPECT_EQ(title.GetSprite(-1), title.GetSprite(TsFrontEnd::kSpriteCount)); // none outside the table
    EXPECT_EQ(title.GetSprite(-1), nullptr);
    ASSERT_NE(title.GetCharacterShape(), nullptr);
    EXPECT_NE(title.GetBackgroundModel(), nullptr);
    EXPECT_NE(title.GetLookBone(0), title.GetLookBone(1));
    EXPECT_TRUE(title.GetCharacterShape()->GetScroller().IsPrepared());
    EXPECT_NE(title.GetCharacterShape()->GetAnimation(), nullptr) << "animation 5 plays";
    EXPECT_TRUE(title.GetTopWindow()->HasName("main"));
}

TEST_F(FrontEnd, LoadingAModelKeepsTheWorkingFolderWhateverHappens)
{
    const std::filesystem::path here = std::filesystem::current_path();
    for (const char* folder : {"data\\frontend\\nowhere", "data\\frontend\\background"}) {
        EXPECT_EQ(TsFrontEnd::LoadModel(folder, "helmer.pbf", true, false, "textures"), nullptr);
        EXPECT_EQ(std::filesystem::current_path(), here);
    }
    OmGroup* figure = TsFrontEnd::LoadModel("data\\frontend\\helmer", "helmer.pbf", true, true, "textures");
    ASSERT_NE(figure, nullptr);
    EXPECT_EQ(std::filesystem::current_path(), here);
    EXPECT_NE(TsFrontEndSkinShape::Cast(figure->GetChild(0)), nullptr);
    figure->Release();
    EXPECT_TRUE(log.Contains("TsFrontEnd::LoadModel - Error loading skin mesh 'helmer.pbf'"));
}

TEST_F(FrontEnd, PageFactoriesMakeEachPageOnceUnderItsName)
{
    TsFrontEnd& title = Title();
    using Factory = TsGuiWindow* (*)(TsFrontEndBase*);
    const struct {
        Factory make;
        const char* name;
    } pages[] = {{TsFrontEnd::GetNewGameScreen, "ngframe"},   {TsFrontEnd::GetMainScreen, "main"},
                 {TsFrontEnd::GetLoadScreen, "load"},         {TsFrontEnd::GetOptionsScreen, "options"},
                 {TsFrontEnd::GetAudioScreen, "audio"},       {TsFrontEnd::GetGraphicsScreen, "graphics"},
                 {TsFrontEnd::GetInputScreen, "input"},       {TsFrontEnd::GetGameOptionsScreen, "goptions"},
                 {TsFrontEnd::GetCreditsScreen, "credits"}};
    for (const auto& page : pages) {
        TsGuiWindow* made = page.make(&title);
        ASSERT_NE(made, nullptr) << page.name;
        EXPECT_TRUE(made->HasName(page.name));
        title.PushWindow(made, TsFrontEndBase::kScreen);
        EXPECT_EQ(page.make(&title), made) << page.name << " is found, not made again";
        Frame();
        title.PopWindow();
    }
}

TEST_F(FrontEnd, TheLastPopEntersTheGameButTearingDownDoesNot)
{
    // A second title mode torn down with a screen open: its destructor pops
    // that screen, which must not ask for a level.
    auto* other = new TsFrontEnd();
    other->PushWindow(TsFrontEnd::GetCreditsScreen(other), TsFrontEndBase::kScreen);
    delete other;
    EXPECT_EQ(app->GetModeRequest(), TS_MODE_NO_REQUEST);
    TsAccess::SetFrontEnd(&Title());

    // The running one hands over when its last screen goes, and from then on
    // shows the backdrop once and then nothing.
    Title().PopWindow();
    EXPECT_EQ(std::pair(app->GetModeRequest(), Title().GetDisplayState()),
              std::pair(int(TS_MODE_LEVEL), uint32_t(TsFrontEnd::kShowBackdrop)));
    Title().Render(0.0f, 0.0f);
    EXPECT_EQ(Title().GetDisplayState(), uint32_t(TsFrontEnd::kFrozen));
    app->RequestMode(TS_MODE_NO_REQUEST);
}

TEST_F(FrontEnd, ALostDeviceReleasesTheRenderTargetAndTheResetBuildsItAgain)
{
    TsFrontEnd& title = Title();
    plat::GfxDevice* device = OmD3D::Instance()->GetDevice();
    ASSERT_NE(title.GetRenderTexture(), nullptr);
    device->SimulateCooperativeLevel(plat::GfxResult::DeviceLost);
    Frame();
    EXPECT_EQ(title.GetRenderTexture(), nullptr) << "default-pool texture gone before the reset";
    EXPECT_FALSE(title.GetCharacterShape()->HasRenderTarget());
    device->SimulateCooperativeLevel(plat::GfxResult::DeviceNotReset);
    Frames(3);
    EXPECT_TRUE(title.GetCharacterShape()->HasRenderTarget() && title.IsRenderTargetReady());

    // Building the target again lets go of the one held before.
    plat::GfxTexture* old = title.GetRenderTexture();
    old->AddRef();
    ASSERT_TRUE(title.CreateRenderTarget(64, 64));
    EXPECT_NE(title.GetRenderTexture(), old);
    EXPECT_EQ(old->Release(), 0u);
}

TEST_F(FrontEnd, APokeReachesOnlyTheFirstLookBoneInReachAndEnds)
{
    TsFrontEnd& title = Title();
    // Within reach of both look bones: only the first is poked.
    title.SetLookBoneScreen(0, OmVector2(100, 100));
    title.SetLookBoneScreen(1, OmVector2(104, 100));
    title.PokeAt(102, 100);
    EXPECT_EQ(std::pair(title.IsPokeActive(0), title.IsPokeActive(1)), std::pair(true, false));
    title.PokeAt(300, 300);
    EXPECT_FALSE(title.IsPokeActive(1)) << "out of reach";
    int ticks = 0;
    for (; title.IsPokeActive(0) && ticks < 100; ++ticks)
        title.AdvancePokes();
    EXPECT_NEAR(ticks, 41, 1) << "a poke ends";
}

TEST(FrontEndLook, ACursorAboveTheLineAimsAtTheLine)
{
    const OmVector3 origin(1, 2, 3);
    EXPECT_FLOAT_EQ(TsFrontEnd::LookTarget(origin, 320, 10, 640, 480).y,
                    TsFrontEnd::LookTarget(origin, 320, 100, 640, 480).y);
}

TEST(FrontEndLook, APokeSwellsAndFallsBack)
{
    EXPECT_GT(TsFrontEnd::PokeExtent(0.5f), TsFrontEnd::PokeExtent(0.97f));
}

// A timer of no duration (the random draw may give 0) ends at the next tick.
TEST_F(FrontEnd, AnEffectTimerOfNoDurationEndsAtTheNextTick)
{
    TsFrontEnd::EffectTimer timer;
    Title().StartTimer(timer, 0.0f);
    EXPECT_GE(timer.rate, 1.0f);
}

// A panel sprite whose texture is gone measures 0: the strip must stop
// rather than loop for ever, and the frame goes on to its end.
TEST_F(FrontEnd, APanelStripOfTexturesThatAreGoneStopsInsteadOfLooping)
{
    const float now = SettledTime();
    const uint32_t whole = PrimitivesDrawnAfresh(now);
    Title().GetSprite(3)->textureId = Title().GetSprite(4)->textureId = 9999;
    EXPECT_LT(PrimitivesDrawnAfresh(now), whole) << "the strip stopped at its first empty piece";
}

// ---- the title figure's shape ----

class SkinShape : public StartedTitleTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(StartedTitleTest::SetUp());
        renderer = OmD3D::Instance();
        device = renderer->GetDevice();
        shape = Title().GetCharacterShape();
        ASSERT_NE(shape, nullptr);
    }

    // One frame of the figure alone on black, fully lit by the ambient
    // light; with a render texture, that texture then covers the screen.
    std::vector<uint32_t> DrawFigure(plat::GfxTexture* showTexture)
    {
        return DrawnAlone([&](OmD3D&) {
            renderer->ApplyCamera();
            renderer->DispatchRenderState(plat::GfxRs::Ambient, 0xFFFFFFFF);
            Title().GetCharacterModel()->Update(0.0f);
            Title().GetCharacterModel()->Render(*renderer);
            if (showTexture)
                CoverScreen(showTexture);
        });
    }

    void CoverScreen(plat::GfxTexture* texture)
    {
        renderer->DispatchRenderState(plat::GfxRs::ZEnable, 0);
        renderer->DispatchRenderState(plat::GfxRs::AlphaBlendEnable, 0);
        renderer->SetTexture(0, -1);
        device->SetTexture(0, texture);
        renderer->SetTextureStageState(0, plat::GfxTss::ColorOp, plat::GfxTop::SelectArg1);
        renderer->SetTextureStageState(0, plat::GfxTss::ColorArg1, plat::GfxTa::Texture);
        rtest::DrawTexQuad(*renderer, 0.0f, 0.0f, float(width), float(height), 0xFFFFFFFF);
        device->SetTexture(0, nullptr);
        renderer->SetTextureStageState(0, plat::GfxTss::ColorOp, plat::GfxTop::Modulate);
        renderer->DispatchRenderState(plat::GfxRs::ZEnable, 1);
    }

    static int Lit(const std::vector<uint32_t>& screen)
    {
        return int(std::count_if(screen.begin(), screen.end(), [](uint32_t p) { return (p & 0xFFFFFF) != 0; }));
    }

    OmD3D* renderer = nullptr;
    plat::GfxDevice* device = nullptr;
    TsFrontEndSkinShape* shape = nullptr;
};

TEST_F(SkinShape, TheFigureGoesIntoItsTargetOrToTheScreenAndARefusedTargetSkipsIt)
{
    ASSERT_TRUE(shape->HasRenderTarget());
    EXPECT_EQ(Lit(DrawFigure(nullptr)), 0) << "nothing of the figure reaches the screen";
    EXPECT_GT(Lit(DrawFigure(Title().GetRenderTexture())), width * height / 50) << "the texture holds the figure";
    OmRef<plat::GfxSurface> target, back;
    ASSERT_EQ(device->GetRenderTarget(target.Put()), plat::GfxResult::Ok);
    device->GetBackBuffer(0, 0, back.Put());
    EXPECT_EQ(target.Get(), back.Get());
    target = nullptr;

    Title().ReleaseRenderTarget();
    ASSERT_FALSE(shape->HasRenderTarget());
    EXPECT_GT(Lit(DrawFigure(nullptr)), width * height / 50);

    // A plain texture's level is no render target: SetRenderTarget fails.
    OmRef<plat::GfxTexture> plain;
    ASSERT_EQ(device->CreateTexture(64, 64, 1, 0, plat::GfxFormat::A8R8G8B8, plat::GfxPool::Managed, plain.Put()),
              plat::GfxResult::Ok);
    OmRef<plat::GfxSurface> level, depth;
    plain->GetSurfaceLevel(0, level.Put());
    device->CreateDepthStencilSurface(64, 64, plat::GfxFormat::D16, 0, depth.Put());
    shape->SetRenderTarget(level, depth, 64, 64);
    const uint32_t before = back->AddRef() - 1;
    back->Release();
    EXPECT_EQ(Lit(DrawFigure(nullptr)), 0);
    EXPECT_EQ(back->AddRef() - 1, before) << "the kept back buffer was released";
    back->Release();
    shape->ReleaseRenderTarget();
}

// ---- a title figure with a blended part ----

// A window that covers the whole screen in one colour when drawn.
class Curtain : public TsGuiWindow {
public:
    using TsGuiWindow::TsGuiWindow;
    void Render(float) override
    {
        const float blue[3] = {0.0f, 0.0f, 1.0f};
        OmD3D::Instance()->SetClearColour(blue);
        OmD3D::Instance()->Clear(nullptr, 0);
    }
};

// Links each entry of `from` into the new folder `to`, but for the file at
// `replaced` below it: its folders are made and linked the same way, and
// the file itself is left for the test to write.
void LinkAllBut(const fs::path& from, const fs::path& to, const fs::path& replaced)
{
    fs::create_directory(to);
    const fs::path first = *replaced.begin();
    for (const fs::directory_entry& entry : fs::directory_iterator(from)) {
        const fs::path name = entry.path().filename();
        if (name != first)
            fs::create_symlink(entry.path(), to / name);
        else if (fs::is_directory(entry.path()))
            LinkAllBut(entry.path(), to / name, replaced.lexically_relative(first));
    }
}

// The lit background depends only on the lights' flicker: it is drawn once
// while the flicker holds and put back after that. A frame drawn again at
// the same moment is the same picture, for fewer primitives.
TEST_F(FrontEnd, AFrameDrawnAgainFromTheKeptBackgroundIsTheSamePicture)
{
    const float now = SettledTime();
    ASSERT_TRUE(Title().IsRenderTargetReady());
    const uint32_t drawnPrimitives = PrimitivesDrawnAfresh(now);
    const std::vector<uint32_t> drawn = ReadScreen();
    Title().Render(now, 0.0f);
    EXPECT_TRUE(ReadScreen() == drawn);
    EXPECT_LT(Primitives(), drawnPrimitives);
}

// The title started over the demo's data with the scene file `file` (under
// data/) changed by `change`; `apart`, when given, is the file left unlinked instead.
class EditedTitleTest : public TitleTest {
protected:
    void StartWithScene(const fs::path& file, const std::function<void(OmPbfScene&)>& change,
                        const fs::path& apart = {})
    {
        const fs::path source = fs::read_symlink("data");
        fs::remove("data");
        LinkAllBut(source, "data", apart.empty() ? file : apart);
        OmPbfScene scene;
        ASSERT_TRUE(scene.Load((source / file).string().c_str()));
        change(scene);
        fs::remove("data" / file);
        ASSERT_TRUE(scene.Save(("data" / file).string().c_str()));
        plat::ClearPathCache();
        Start();
    }
};

// The demo's title with its background's textures running through a list
// of two pictures.
class AnimatedBackground : public EditedTitleTest {
protected:
    void SetUp() override
    {
        TitleTest::SetUp();
        const fs::path folder = "frontend/background";
        StartWithScene(folder / "background.pbf", [&](OmPbfScene& scene) {
            std::ofstream("data" / folder / "textures" / "flash.ifl") << "floor.tga\nstone.tga\n";
            for (OmPbfMaterial& material : scene.materials)
                for (int32_t i = 0; i < material.layers.count; ++i)
                    material.layers[i].name.Assign("flash.ifl"), material.layers[i].animated = 1;
        }, folder / "textures" / "flash.ifl");
    }
};

// A picture of it holds only for its moment, so none is kept to put back.
TEST_F(AnimatedBackground, ABackgroundWithAnimatedTexturesIsDrawnEveryFrame)
{
    const float now = SettledTime();
    ASSERT_TRUE(Title().IsRenderTargetReady());
    const uint32_t drawnPrimitives = PrimitivesDrawnAfresh(now);
    Title().Render(now, 0.0f);
    EXPECT_EQ(Primitives(), drawnPrimitives);
}

// The demo's title figure whose visor material is alpha-blended.
class BlendedFigure : public EditedTitleTest {
protected:
    void SetUp() override
    {
        TitleTest::SetUp();
        StartWithScene("frontend/helmer/helmer.pbf", [](OmPbfScene& scene) {
            int blended = 0;
            for (OmPbfMaterial& material : scene.materials)
                if (material.name.Str() == "Skin")
                    material.name.Assign("_b"), ++blended;
            ASSERT_EQ(blended, 1);
        });
    }
};

// The figure's blended part is drawn with the scene, into the render target
// when there is one: a window over the whole screen covers all of the
// figure, as it covers its opaque parts.
TEST_F(BlendedFigure, ItsBlendedPartIsDrawnWithTheSceneAndUnderTheWindows)
{
    ASSERT_NE(Title().GetCharacterShape(), nullptr);
    Title().PushWindow(std::make_unique<Curtain>(&Title()), TsFrontEndBase::kScreen);
    MouseTo(2, 2); // the cursor stays in the corner
    for (const bool target : {true, false}) {
        SCOPED_TRACE(target ? "into the render target" : "to the screen");
        if (!target)
            Title().ReleaseRenderTarget();
        ASSERT_EQ(Title().GetCharacterShape()->HasRenderTarget(), target);
        Frames(2);
        const std::vector<uint32_t> screen = ReadScreen();
        int uncovered = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                uncovered += (x >= 40 || y >= 40) && Pixel(screen, x, y) != 0x0000FF;
        EXPECT_EQ(uncovered, 0);
    }
}

} // namespace
