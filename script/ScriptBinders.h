#pragma once

// The registration functions of the package, one per class table or group
// of global functions. A class binder runs with its class table open (between
// tolua_beginmodule and tolua_endmodule) and registers the functions and
// variables whose game operations exist; a global binder runs in the global
// table.

struct lua_State;

namespace script::bind {

using Binder = void (*)(lua_State*);

void TsObjectClass(lua_State* L);
void OmVector3Class(lua_State* L);
void VectorGlobals(lua_State* L); // GetX, GetY, GetZ
void TsAccessClass(lua_State* L);
void OmStringClass(lua_State* L);
void OmWideStringClass(lua_State* L);
void TsRadarClass(lua_State* L);
void FileIOClass(lua_State* L);
// The collector of the text copies the wide holder hands to scripts.
int CollectText(lua_State* L);
// A string holder with a copy of text that belongs to Lua (nil for null),
// and the collectors that delete such copies.
void PushHolderCopy(lua_State* L, const char* text, bool wide);
int CollectString(lua_State* L);
int CollectWideString(lua_State* L);
void TsOptionsClass(lua_State* L);
void TsAnimationDBClass(lua_State* L);
void TsAudioClass(lua_State* L);
void TsEntityClass(lua_State* L);
void TsEntityDBClass(lua_State* L);
void TsModelClass(lua_State* L);
void TsCutSceneClass(lua_State* L);
void TsLevelClass(lua_State* L);
void TsLevelInfoClass(lua_State* L);
void TsPlayerClass(lua_State* L);
void TsExplosionParamsClass(lua_State* L);
void ExplosionGlobals(lua_State* L); // FxGetExplosionType, FxSetNumExplosionTypes
void TsProjectileAttributesClass(lua_State* L);
void TsWeaponAttributesClass(lua_State* L);
void TsWeaponObjectClass(lua_State* L);
void TsMineObjectClass(lua_State* L);
void TsTriggerObjectClass(lua_State* L);
void TsWaypointObjectClass(lua_State* L);
void TsTeamClass(lua_State* L);
void TsSquadObjectClass(lua_State* L);
void TsCharacterObjectClass(lua_State* L);
void TsDynGeometryClass(lua_State* L);
void TsSwitchObjectClass(lua_State* L);
void TsDoorObjectClass(lua_State* L);
void TsNPCObjectClass(lua_State* L);
void TsConversationClass(lua_State* L);
void TsBanterObjectClass(lua_State* L);
void TsPCObjectClass(lua_State* L);
void TsPCStartObjectClass(lua_State* L);
void TsTargetObjectClass(lua_State* L);
void TsBoundObjectClass(lua_State* L);
void TsCollectibleObjectClass(lua_State* L);
void TsInventoryClass(lua_State* L);
void TsItemObjectClass(lua_State* L);
void TsStashObjectClass(lua_State* L);
void TsLockObjectClass(lua_State* L);
void TsLightEffectObjectClass(lua_State* L);
void TsHUDeClass(lua_State* L);
// GetHostName; the other shell and debugger globals, _ERRORMESSAGE and
// dofile belong to the script host, which registers them after the package.
void ShellGlobals(lua_State* L);

} // namespace script::bind
