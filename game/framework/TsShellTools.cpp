#include "game/framework/TsShellTools.h"

#include <vector>

#include <lua.hpp>

#include "engine/OmAnimationText.h"
#include "engine/OmBaseSkinMesh.h"
#include "engine/OmBoneAnimation.h"
#include "engine/OmGroup.h"
#include "engine/OmParticleSystem.h"
#include "engine/OmRef.h"
#include "engine/OmRenderer.h"
#include "engine/OmSceneImporter.h"
#include "engine/OmSkinMesh.h"
#include "engine/OmSkinShape.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAnimationDB.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsGameMode.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsMain.h"
#include "game/framework/TsScriptCall.h"
#include "game/framework/TsShell.h"
#include "game/framework/TsShellFunctions.h"
#include "game/framework/TsVideo.h"
#include "render/OmD3D.h"

namespace {

constexpr float kModelScale = 0.1f; // the scene files' units to the game's
constexpr int kMaxInfluences = 4;

int Raise(lua_State* L, const char* text)
{
    lua_pushstring(L, text);
    return lua_error(L);
}

// Null (and logged) when there is no renderer to switch.
OmRenderer* Renderer(const char* function)
{
    OmRenderer* renderer = OmRenderer::Current();
    if (!renderer) {
        LogErrorF("%s: there is no renderer", function);
    }
    return renderer;
}

// The stand-in for a file dialog: the path is typed into the shell. False
// when nothing was typed.
bool AskForFile(const char* title, const char* filter, char (&path)[TsShell::kMaxInputLine + 1])
{
    LogInfoF("%s: type the path of a %s file", title, filter);
    TsShell& shell = TsShell::Instance();
    return shell.WaitForLine(shell.LuaState(), path) && path[0] != '\0';
}

// A new group holding the scene of a .pbf file, updated to time 0; null on
// failure. The importer goes once its objects have render meshes that keep
// their own references on its materials.
OmRef<OmGroup> ImportScene(const char* path, bool renderMeshes)
{
    OmSceneImporter importer;
    auto group = OmMakeRef<OmGroup>();
    if (!importer.Load(path, group)) {
        return nullptr;
    }
    if (renderMeshes && OmRenderer::Current() && !CreateRenderMeshes(group, *OmRenderer::Current(), 0)) {
        LogErrorF("%s: some meshes could not be made ready to draw", path);
    }
    group->Update(0.0f);
    return group;
}

// The scene of the current mode, where the tools put what they load.
OmGroup* ModeScene(const char* function)
{
    TsMain* app = TsMain::Instance();
    TsGameMode* mode = app ? app->GetMode() : nullptr;
    if (!mode) {
        LogErrorF("%s: there is no mode to load into", function);
        return nullptr;
    }
    return mode->GetSceneRoot();
}

// Puts a node in the mode's scene as the loaded object, in place of the one
// loaded before.
void ShowAsLoadedObject(OmGroup& scene, OmNode* node)
{
    OmNode* old = nullptr;
    if (FindNodeByName(TsShellTools::kLoadedObjectName, &scene, old)) {
        scene.RemoveChild(old);
    }
    node->SetName(TsShellTools::kLoadedObjectName);
    scene.AddChild(node);
}

OmRef<OmSkinShape> ImportSkinnedFigure(const char* path)
{
    OmSceneImporter importer;
    const auto mesh = OmRef<OmSkinMesh>::Adopt(importer.LoadSkinned(path, kModelScale, kMaxInfluences, false));
    if (!mesh) {
        return nullptr;
    }
    auto figure = OmMakeRef<OmSkinShape>();
    figure->SetGeometry(mesh);
    const auto holder = OmMakeRef<OmGroup>(); // CreateRenderMeshes walks a group's children
    holder->AddChild(figure);
    if (OmRenderer::Current() && !CreateRenderMeshes(holder, *OmRenderer::Current(), 0)) {
        LogErrorF("%s: the skinned mesh could not be made ready to draw", path);
    }
    holder->RemoveChild(figure);
    return figure;
}

} // namespace

namespace TsShellTools {

int SetWireframe(lua_State* L)
{
    if (OmRenderer* renderer = Renderer("SetWireframe")) {
        renderer->SetWireframe(TsShellFunctions::ToFlag(L, 1));
    }
    return 0;
}

int ToggleLighting(lua_State*)
{
    static bool lighting = true;
    lighting = !lighting;
    if (OmRenderer* renderer = Renderer("ToggleLighting")) {
        renderer->SetLighting(lighting);
    }
    return 0;
}

int ToggleTextures(lua_State*)
{
    if (OmRenderer* renderer = Renderer("ToggleTextures")) {
        renderer->EnableTextures(!renderer->TexturesEnabled());
    }
    return 0;
}

int ToggleCulling(lua_State*)
{
    if (OmRenderer* renderer = Renderer("ToggleCulling")) {
        renderer->SetCulling(!renderer->GetCulling());
    }
    return 0;
}

int SetBackground(lua_State* L)
{
    if (lua_gettop(L) < 3) {
        return Raise(L, "two few arguments passed to 'SetBackground'");
    }
    if (lua_gettop(L) > 3) {
        return Raise(L, "two many arguments passed to 'SetBackground'");
    }
    OmD3D* renderer = OmD3D::Instance();
    if (!renderer) {
        LogError("SetBackground: there is no renderer");
        return 0;
    }
    renderer->SetAmbientColour(static_cast<float>(lua_tonumber(L, 1)), static_cast<float>(lua_tonumber(L, 2)),
                               static_cast<float>(lua_tonumber(L, 3)));
    return 0;
}

int ToolImportPBF(lua_State* L)
{
    if (lua_type(L, 1) != LUA_TSTRING) {
        return Raise(L, "incorrect argument to function 'ToolImportPBF'");
    }
    // The script's handle holds a reference of its own: the scene goes
    // when the script lets go of it.
    OmRef<OmGroup> group = ImportScene(lua_tostring(L, 1), false);
    if (!group) {
        LogError("Could not import .pbf file");
        return 0;
    }
    TsScriptCall::PushObject(L, group.Get(), "OmObject");
    return 1;
}

int LoadSceneObject(lua_State* L)
{
    if (lua_gettop(L) > 0) {
        return Raise(L, "two many arguments passed to 'LoadSceneObject'");
    }
    char path[TsShell::kMaxInputLine + 1];
    OmGroup* scene = ModeScene("LoadSceneObject");
    if (!scene || !AskForFile("Game Level", "Palewick Binary files (*.pbf)", path)) {
        return 0;
    }
    const OmRef<OmGroup> object = ImportScene(path, true);
    if (!object) {
        LogError("Could not import .pbf file");
        return 0;
    }
    ShowAsLoadedObject(*scene, object); // the scene holds it
    return 0;
}

int ToolImportBoneMesh(lua_State*)
{
    char path[TsShell::kMaxInputLine + 1];
    OmGroup* scene = ModeScene("ToolImportBoneMesh");
    if (!scene || !AskForFile("Load Character", "Palewick Binary files (*.pbf)", path)) {
        return 0;
    }
    const OmRef<OmSkinShape> figure = ImportSkinnedFigure(path);
    if (!figure) {
        LogError("Could not import animation file");
        return 0;
    }
    ShowAsLoadedObject(*scene, figure);
    return 0;
}

// Plays a typed animation text file on the loaded skinned figure, which
// holds it for as long as it plays it.
int ToolImportBoneAnimation(lua_State* L)
{
    if (lua_gettop(L) > 0) {
        return Raise(L, "two many arguments passed to 'Load Animation'");
    }
    OmGroup* scene = ModeScene("ToolImportBoneAnimation");
    OmNode* loaded = nullptr;
    if (!scene || !FindNodeByName(kLoadedObjectName, scene, loaded)) {
        LogError("Couldn't find a loaded skinned mesh!");
        return 0;
    }
    OmSkinShape* figure = OmSkinShape::Cast(loaded);
    if (!figure) {
        LogError("Loaded object is not a skinned mesh!");
        return 0;
    }
    if (!OmBaseSkinMesh::Cast(figure->GetGeometry())) {
        LogError("Skin mesh has not been converted (programmers bug!)");
        return 0;
    }
    char path[TsShell::kMaxInputLine + 1];
    if (!AskForFile("Load Animation", "Animation files (*.txt)", path)) {
        return 0;
    }
    // A file stored in model space is read against the figure's own skeleton.
    const OmSkeleton* skeleton = figure->GetSkeleton();
    const std::vector<int32_t> parents = skeleton ? skeleton->GetParents() : std::vector<int32_t>();
    const OmRef<OmBoneAnimation> animation = TsAnimationDB::ReadTextAnimation(path, skeleton ? &parents : nullptr);
    if (!animation) {
        LogErrorF("Error converting animation: %s", path);
        LogError(GetLastAnimationError());
        return 0;
    }
    figure->PlayAnimation(animation, 0);
    return 0;
}

namespace {

// Hands a typed level source to the conversion script; a script that does
// not define the converter is told so in the log.
int ConvertWithScript(lua_State* L, const char* title, const char* filter, const char* converter)
{
    char path[TsShell::kMaxInputLine + 1];
    if (!AskForFile(title, filter, path)) {
        return 0;
    }
    lua_getglobal(L, converter);
    if (!lua_isfunction(L, -1)) {
        lua_pop(L, 1);
        LogErrorF("%s: the scripts define no %s to convert %s", title, converter, path);
        return 0;
    }
    lua_pushstring(L, path);
    TsScriptCall::Protected(L, 1, 0);
    return 0;
}

} // namespace

int ToolConvertLevel(lua_State* L)
{
    LogInfo("Level files are looked for in .\\data\\levels");
    return ConvertWithScript(L, "Level", "Quark files (*.qkm)", "ToolConvertLevelFromQkm");
}

int ToolConvertEnvironment(lua_State* L)
{
    LogInfo("Environment files are looked for in .\\data\\levels");
    return ConvertWithScript(L, "Environment", ".pbf", "ToolConvertEnvironmentFromPbf");
}

int CreateParFX(lua_State* L)
{
    if (lua_type(L, 1) != LUA_TSTRING) {
        return Raise(L, "incorrect argument to function 'CreateParFX'");
    }
    const char* name = lua_tostring(L, 1);
    if (!IsParticleSystemRunning() || FindParticleEffect(name) < 0) {
        LogErrorF("Couldn't create particle effect: %s", name);
    }
    return 0;
}

int PlayFMV(lua_State* L)
{
    if (lua_type(L, 1) != LUA_TSTRING) {
        return Raise(L, "incorrect argument to function 'PlayFMV'");
    }
    if (TsAudio* audio = TsAccess::Audio()) {
        audio->StopAll();
    }
    TsVideo::PlayFMV(lua_tostring(L, 1));
    return 0;
}

} // namespace TsShellTools
