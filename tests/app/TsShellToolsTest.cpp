// The shell's developer functions called from Lua in the running game: the
// renderer's switches, the importer behind the scene tools (the file dialog
// stood in for by a typed path), particle effects and videos.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <lua.hpp>
#include <tolua++.h>

#include "engine/OmBaseMesh.h"
#include "engine/OmBaseSkinMesh.h"
#include "engine/OmFastAlloc.h"
#include "engine/OmGroup.h"
#include "engine/OmParticleSystem.h"
#include "engine/OmShape.h"
#include "engine/OmSkinShape.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsShell.h"
#include "game/framework/TsShellTools.h"
#include "game/framework/TsVideo.h"
#include "render/OmD3D.h"
#include "tests/app/AppFixture.h"

namespace apptest {
namespace {

class ShellTools : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        Start();
    }
    void TearDown() override
    {
        TsShell::Instance().SetInputHook(nullptr, nullptr);
        AppTest::TearDown();
    }
    // The next line the shell waits for is this one.
    void Type(const std::string& line)
    {
        m_typed = line;
        TsShell::Instance().SetInputHook(
            [](std::string* out, void* user) {
                auto* text = static_cast<std::string*>(user);
                if (text->empty())
                    return false;
                *out = *text;
                text->clear();
                return true;
            },
            &m_typed);
    }
    OmNode* LoadedObject()
    {
        OmNode* found = nullptr;
        app->GetMode()->FindNode(TsShellTools::kLoadedObjectName, found);
        return found;
    }
    // The demo walker imported by ToolImportPBF into the script's global
    // "imported": what the global holds.
    static void* ImportTheWalker()
    {
        const std::string walker = std::filesystem::absolute("data/models/walker/walker.pbf").generic_string();
        EXPECT_EQ(RunLua("imported = ToolImportPBF('" + walker + "')"), 0);
        lua_State* L = TsAccess::LuaState();
        lua_getglobal(L, "imported");
        void* imported = tolua_tousertype(L, -1, nullptr);
        lua_pop(L, 1);
        return imported;
    }
    // How far the figure's left leg swings in the first quarter second.
    static float LeftLegSwing(OmSkinShape& figure)
    {
        const int32_t leg = figure.GetBoneIndex("LegLeft");
        figure.Update(0.0f);
        const float start = figure.GetBones()[uint32_t(leg)].rotation.Row(1)[2];
        figure.Update(0.25f);
        return std::fabs(figure.GetBones()[uint32_t(leg)].rotation.Row(1)[2] - start);
    }

    std::string m_typed;
};

TEST_F(ShellTools, TheRenderSwitchesReachTheRenderer)
{
    OmD3D& renderer = *OmD3D::Instance();
    EXPECT_EQ(RunLua("SetWireframe(1)"), 0);
    EXPECT_EQ(renderer.GetRenderState(plat::GfxRs::FillMode), 2u);
    EXPECT_EQ(RunLua("SetWireframe(0)"), 0);
    EXPECT_EQ(renderer.GetRenderState(plat::GfxRs::FillMode), 3u);

    const bool textures = renderer.TexturesEnabled(), culling = renderer.GetCulling();
    EXPECT_EQ(RunLua("ToggleTextures() ToggleCulling()"), 0);
    EXPECT_NE(renderer.TexturesEnabled(), textures);
    EXPECT_NE(renderer.GetCulling(), culling);
    EXPECT_EQ(RunLua("ToggleTextures() ToggleCulling()"), 0);
    EXPECT_EQ(renderer.TexturesEnabled(), textures);
    EXPECT_EQ(renderer.GetCulling(), culling);

    // The lighting flag starts set: the first toggle turns lighting off.
    EXPECT_EQ(RunLua("ToggleLighting()"), 0);
    EXPECT_EQ(renderer.GetRenderState(plat::GfxRs::Lighting), 0u);
    EXPECT_EQ(RunLua("ToggleLighting()"), 0);
    EXPECT_EQ(renderer.GetRenderState(plat::GfxRs::Lighting), 1u);

    EXPECT_EQ(RunLua("SetBackground(1, 0.5, 2)"), 0);
    EXPECT_EQ(renderer.GetRenderState(plat::GfxRs::Ambient), 0xFFFF7FFFu);
    EXPECT_FALSE(log.Contains("not built yet;")) << log.All();
}

TEST_F(ShellTools, ToolImportPBFAnswersTheImportedSceneAsAGroup)
{
    auto* group = OmGroup::Cast(static_cast<OmObject*>(ImportTheWalker()));
    ASSERT_NE(group, nullptr);
    EXPECT_GT(group->GetLiveChildCount(), 0);

    ASSERT_EQ(RunLua("missing = ToolImportPBF('no such scene.pbf')"), 0);
    EXPECT_TRUE(log.Contains("Could not import .pbf file"));
    EXPECT_NE(RunLua("ToolImportPBF()"), 0);
    EXPECT_TRUE(log.Contains("incorrect argument to function 'ToolImportPBF'"));
}

// The imported scene is the script's alone.
TEST_F(ShellTools, ToolImportPBFsSceneGoesWhenTheScriptLetsGoOfIt)
{
    const void* group = ImportTheWalker();
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(RunLua("imported = nil collectgarbage()"), 0);
    EXPECT_FALSE(OmFastAlloc::IsLive(group));
}

// With no converter defined by the scripts, the tools say so.
TEST_F(ShellTools, TheConversionToolsHandTheTypedFileToTheScriptsConverter)
{
    const struct {
        const char* tool;
        const char* converter;
        const char* typed;
    } cases[] = {{"ToolConvertLevel", "ToolConvertLevelFromQkm", "data/levels/town.qkm"},
                          {"ToolConvertEnvironment", "ToolConvertEnvironmentFromPbf", "data/levels/town.pbf"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tool);
        Type(c.typed);
        ASSERT_EQ(RunLua(std::string(c.tool) + "()"), 0);
        EXPECT_TRUE(log.Contains(std::string("the scripts define no ") + c.converter + " to convert " + c.typed))
            << log.All();
        ASSERT_EQ(RunLua(std::string("function ") + c.converter + "(file) g_converted = file end"), 0);
        Type(c.typed);
        ASSERT_EQ(RunLua(std::string(c.tool) + "()"), 0);
        EXPECT_EQ(LuaString("g_converted"), c.typed);
    }
}

TEST_F(ShellTools, LoadSceneObjectPutsATypedSceneIntoTheModeReadyToDraw)
{
    Type("data/models/walker/walker.pbf");
    ASSERT_EQ(RunLua("LoadSceneObject()"), 0);
    auto* object = OmGroup::Cast(LoadedObject());
    ASSERT_NE(object, nullptr) << log.All();
    // Somewhere below it a shape draws a render mesh.
    bool renderMesh = false;
    std::vector<OmGroup*> groups{object};
    while (!groups.empty() && !renderMesh) {
        OmGroup* g = groups.back();
        groups.pop_back();
        for (int32_t i = 0; i < g->GetChildCount(); ++i) {
            OmNode* child = g->GetChild(i);
            if (auto* sub = OmGroup::Cast(child))
                groups.push_back(sub);
            else if (auto* shape = OmShape::Cast(child))
                renderMesh = renderMesh || OmBaseMesh::Cast(shape->GetGeometry()) != nullptr;
        }
    }
    EXPECT_TRUE(renderMesh);
    EXPECT_NE(RunLua("LoadSceneObject(1)"), 0);
    EXPECT_TRUE(log.Contains("two many arguments passed to 'LoadSceneObject'"));
}

TEST_F(ShellTools, ASecondLoadedSceneTakesTheFirstOnesPlace)
{
    for (int load = 0; load < 2; ++load) {
        const OmNode* before = LoadedObject();
        Type("data/models/walker/walker.pbf");
        ASSERT_EQ(RunLua("LoadSceneObject()"), 0);
        ASSERT_NE(LoadedObject(), nullptr) << log.All();
        EXPECT_NE(LoadedObject(), before);
    }
    EXPECT_EQ(app->GetMode()->GetSceneRoot()->GetLiveChildCount(), 1);
}

// A typed file that is not a skinned figure is refused with a message.
TEST_F(ShellTools, ToolImportBoneAnimationPlaysATypedAnimationOnTheLoadedFigure)
{
    RunLua("ToolImportBoneAnimation()");
    EXPECT_TRUE(log.Contains("Couldn't find a loaded skinned mesh!"));
    Type("data/models/walker/walker.pbf");
    RunLua("LoadSceneObject()");
    RunLua("ToolImportBoneAnimation()");
    EXPECT_TRUE(log.Contains("Loaded object is not a skinned mesh!"));

    const auto old = std::filesystem::current_path(); // the bone file is read from the current folder
    std::filesystem::current_path("data/models/walker");
    Type("walker.pbf");
    const int mesh = RunLua("ToolImportBoneMesh()");
    Type("nothing.pbf");
    RunLua("ToolImportBoneMesh()");
    Type("walk.txt");
    const int animation = RunLua("ToolImportBoneAnimation()");
    std::filesystem::current_path(old);
    EXPECT_EQ(mesh, 0);
    EXPECT_EQ(animation, 0);
    EXPECT_TRUE(log.Contains("Could not import animation file"));
    auto* figure = OmSkinShape::Cast(LoadedObject());
    ASSERT_NE(figure, nullptr) << log.All();
    EXPECT_NE(OmBaseSkinMesh::Cast(figure->GetGeometry()), nullptr);
    ASSERT_GE(figure->GetBoneIndex("LegLeft"), 0);
    EXPECT_GT(LeftLegSwing(*figure), 0.2f) << "the leg swings";
    EXPECT_NE(RunLua("ToolImportBoneAnimation(1)"), 0);
    EXPECT_TRUE(log.Contains("two many arguments passed to 'Load Animation'"));
}

TEST_F(ShellTools, ToolImportBoneAnimationReadsModelSpaceFilesAgainstTheFigure)
{
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path("data/models/walker");
    Type("walker.pbf");
    RunLua("ToolImportBoneMesh()");
    std::filesystem::current_path(old);
    auto* figure = OmSkinShape::Cast(LoadedObject());
    ASSERT_NE(figure, nullptr) << log.All();
    ASSERT_NE(figure->GetSkeleton(), nullptr);
    const int32_t leg = figure->GetBoneIndex("LegLeft");
    ASSERT_GE(leg, 0);

    // Ten frames; each bone's 4x3 tool matrix, the leg turned 0.15 f about X.
    const uint32_t bones = figure->GetSkeleton()->GetBoneCount();
    std::string text = std::to_string(bones) + "\n0\n10\nheader\nAbsolute motion\n1\n2\n3\n4\n5\n6\n";
    for (int f = 0; f < 10; ++f) {
        text += "// Frame # " + std::to_string(f) + "\n";
        const float c = std::cos(0.15f * float(f)), s = std::sin(0.15f * float(f));
        for (uint32_t b = 0; b < bones; ++b) {
            const bool swings = int32_t(b) == leg;
            // Rows 0, 2, 1 of a turn about X, then the translation.
            const std::string row2 = swings ? std::to_string(-s) + " " + std::to_string(c) : "0 1";
            const std::string row1 = swings ? std::to_string(c) + " " + std::to_string(s) : "1 0";
            text += "0 0 0\nx\nx\nx\nx\n1 0 0\n0 " + row2 + "\n0 " + row1 + "\n0 0 0\n";
        }
    }
    const std::string path = (std::filesystem::temp_directory_path() / "om_model_space_swing.txt").string();
    std::ofstream(path) << text;
    Type(std::filesystem::relative(path).string()); // a typed line starting with '/' is a shell command
    EXPECT_EQ(RunLua("ToolImportBoneAnimation()"), 0);
    std::filesystem::remove(path);
    EXPECT_FALSE(log.Contains("Error converting animation")) << log.All();
    EXPECT_GT(LeftLegSwing(*figure), 0.2f) << "the leg swings";
}

// An effect is loaded once by its name; a name with no file gets a record
// of defaults, and only a full effect table refuses one.
TEST_F(ShellTools, CreateParFXLoadsAnEffectOnceOrSaysWhichItCouldNot)
{
    // The start-up explosion types may have loaded it already.
    const uint32_t before = GetParticleEffectCount();
    const bool loaded = FindParticleEffect("smoke") >= 0;
    EXPECT_EQ(RunLua("CreateParFX('smoke') CreateParFX('smoke')"), 0);
    EXPECT_EQ(GetParticleEffectCount(), before + (loaded ? 0 : 1));
    const int32_t smoke = FindParticleEffect("smoke");
    ASSERT_GE(smoke, 0);
    EXPECT_GT(GetParticleEffect(smoke)->frameCount, 0) << "read from data/fx/particles/smoke";
    EXPECT_FALSE(log.Contains("Couldn't create particle effect")) << log.All();
    EXPECT_EQ(RunLua("for i = 1, 300 do CreateParFX('fx' .. i) end"), 0);
    EXPECT_TRUE(log.Contains("Couldn't create particle effect: fx300"));
    EXPECT_FALSE(log.Contains("Couldn't create particle effect: fx1\n"));
    EXPECT_NE(RunLua("CreateParFX()"), 0);
}

struct VideoWatch {
    TsAudio* audio = nullptr;
    int frames = 0;
    int playingAtFirstFrame = -1;
};

TEST_F(ShellTools, PlayFMVStopsTheAudioThenPlaysTheVideo)
{
    TsAudio* audio = app->GetAudio();
    ASSERT_TRUE(audio->LoadWavFromFile(214));
    ASSERT_NE(audio->PlaySound(214, 0, 0, 0, true), 0u);
    ASSERT_TRUE(audio->IsSoundPlaying(214));
    VideoWatch watch{audio};
    TsVideo::SetFrameObserver(
        [](int, void* user) {
            auto* w = static_cast<VideoWatch*>(user);
            if (w->frames++ == 0)
                w->playingAtFirstFrame = w->audio->IsSoundPlaying(214) ? 1 : 0;
            TsVideo::Stop(); // one picture is enough
        },
        &watch);
    const int code = RunLua("PlayFMV('data\\\\FMV\\\\TitleCards.mpg')");
    TsVideo::SetFrameObserver(nullptr, nullptr);
    EXPECT_EQ(code, 0);
    EXPECT_GE(watch.frames, 1);
    EXPECT_EQ(watch.playingAtFirstFrame, 0) << "the audio stops before the video starts";
}

} // namespace
} // namespace apptest
