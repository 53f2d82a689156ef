// The shell functions that reach the renderer's developer switches, the
// scene importer, the particle effects and the video player. The file
// dialogs of the developer tools are stood in for by a path typed into the
// shell.
#pragma once

struct lua_State;

namespace TsShellTools {

// The name the developer tools give the object they load into the mode's
// scene; the bone-animation tool looks for it.
inline constexpr const char* kLoadedObjectName = "Object1";

int SetWireframe(lua_State* L);
int ToggleLighting(lua_State* L);
int ToggleTextures(lua_State* L);
int ToggleCulling(lua_State* L);
int SetBackground(lua_State* L);
int ToolImportPBF(lua_State* L);
int ToolImportBoneMesh(lua_State* L);
int ToolImportBoneAnimation(lua_State* L);
int LoadSceneObject(lua_State* L);
int ToolConvertLevel(lua_State* L);
int ToolConvertEnvironment(lua_State* L);
int CreateParFX(lua_State* L);
int PlayFMV(lua_State* L);

} // namespace TsShellTools
