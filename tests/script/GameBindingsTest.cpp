// The package as a whole: what open registers, the class tree, and what
// close leaves behind.

#include "tests/script/LuaTestState.h"

#include "script/GameBindings.h"
#include "script/ScriptPackage.h"
#include "script/ScriptWrap.h"

#include <set>
#include <string>

namespace {

std::set<std::string> GlobalNames(lua_State* L)
{
    std::set<std::string> names;
    lua_pushnil(L);
    while (lua_next(L, LUA_GLOBALSINDEX)) {
        if (lua_type(L, -2) == LUA_TSTRING)
            names.insert(lua_tostring(L, -2));
        lua_pop(L, 1);
    }
    return names;
}

void Collect(const char* name, void* context)
{
    static_cast<std::set<std::string>*>(context)->insert(name);
}

std::set<std::string> PackageNames()
{
    std::set<std::string> names;
    script::ForEachPackageGlobal(Collect, &names);
    return names;
}

constexpr const char* kClassTables[] = {
    "TsObject", "OmVector3", "TsAccess", "TsOptions", "TsAnimationDB", "TsAudio", "TsEntity",
    "TsEntityDB", "TsModel", "TsDynGeometry", "TsSwitchObject", "TsDoorObject",
    "TsCollectibleObject", "TsFader", "TsCutScene", "OmString", "OmWideString", "TsRadar",
    "TsLevel", "TsLevelInfo", "TsTriggerObject", "TsWaypointObject", "TsTeam", "TsSquadObject",
    "TsInventory", "TsCharacterObject", "TsNPCObject", "TsConversation", "TsBanterObject",
    "TsPCObject", "TsPCStartObject", "TsPlayer", "TsExplosionParams", "TsProjectileAttributes",
    "TsWeaponAttributes", "TsWeaponObject", "TsMineObject", "TsItemObject", "TsStashObject",
    "TsLockObject", "TsLightEffectObject", "TsTargetObject", "TsBoundObject", "TsHUDe", "FileIO",
};

// A distinct address per fake object; tests only push and test tags.
char g_objects[4][64];

} // namespace

TEST_F(LuaTest, PackageNamesAreDistinctAndCountAsPublished)
{
    const std::set<std::string> names = PackageNames();
    EXPECT_EQ(names.size(), script::kPackageGlobalCount);
    for (const char* c : kClassTables)
        EXPECT_TRUE(names.count(c)) << c;
    for (const char* hidden : {"TsGameMode", "TsFrontEnd", "TsInput", "TCHAR", "uint", "OmTuple3"})
        EXPECT_FALSE(names.count(hidden)) << hidden;
}

TEST_F(LuaTest, OpenPublishesClassTablesAndConstants)
{
    OpenPackage();
    for (const char* c : kClassTables)
        EXPECT_EQ(Type(c), "table") << c;
    EXPECT_EQ(Type("TsGameMode"), "nil");
    EXPECT_EQ(Type("TsFrontEnd"), "nil");

    EXPECT_EQ(Number("TSANIM_STAND"), 1);
    EXPECT_EQ(Number("TSANIM_FORCE_DWORD"), 8388607);
    EXPECT_EQ(Number("TSANIM_INVALIDANIM"), 8388607);
    EXPECT_EQ(Number("AID_NOSOUND"), -1);
    EXPECT_EQ(Number("AID_FRONTEND_MUSIC"), 0);
    EXPECT_EQ(Number("AID_FLOWER_DEATH"), 153);
    EXPECT_EQ(Number("AID_SMALL_BOOM"), 198);
    EXPECT_EQ(Number("AID_FACTORY_ALARM"), 239);
    EXPECT_EQ(Number("NUM_OF_SOUNDS"), 240);
    EXPECT_EQ(Number("AID_FIRST_SOUND"), 4);
    EXPECT_EQ(Number("TS_MATTER_NONE"), -1);
    EXPECT_EQ(Number("TS_SKILL_HEALING"), 16);
    EXPECT_EQ(Number("TS_EQUIP_STEALTH"), 10);
    EXPECT_EQ(Number("TS_NPC_TRIFFID"), 9);
    EXPECT_EQ(Number("TS_WEAPON_RADIATION_GENERATOR"), 6);
    EXPECT_EQ(Number("TS_ITEMUSAGE_AUTO_USE"), 2);

    EXPECT_EQ(Number("TsDoorObject.eDoorType_Pivoting"), 4);
    EXPECT_EQ(Number("TsFader.FADE_IRIS"), 3);
    EXPECT_EQ(Number("TsCutScene.CAMERAZOOM_INTERP"), 1);
    EXPECT_EQ(Number("TsTeam.INVALID"), -1);
    EXPECT_EQ(Number("TsSquadObject.FORMATION_SQUARE"), 4);
    EXPECT_EQ(Number("TsCharacterObject.TS_NUM_CHARACTER_SOUNDS"), 11);
    EXPECT_EQ(Number("TsPCObject.NONE"), -1);
    EXPECT_EQ(Number("TsPCObject.MAX_PLAYER_CHARACTERS"), 7);
    EXPECT_EQ(Number("TsPlayer.EASTEREGGTYPES"), 6);
    EXPECT_EQ(Number("TsWeaponObject.TS_NUM_WEAPON_SOUNDS"), 9);
    EXPECT_EQ(Number("TsItemObject.TS_NUM_ITEM_SOUNDS"), 1);
    EXPECT_EQ(Number("TsLightEffectObject.FAST_PULSE"), 3);
    EXPECT_EQ(Number("TsHUDe.HAND"), 41);
    EXPECT_EQ(Number("TsHUDe.MAX_SPRITES"), 42);
    // Class constants stay in their class.
    EXPECT_EQ(Type("eDoorType_Pivoting"), "nil");
    EXPECT_EQ(Type("MAX_SPRITES"), "nil");
}

TEST_F(LuaTest, ConstantCountsMatchTheFamilies)
{
    const std::set<std::string> before = GlobalNames(L);
    OpenPackage();
    int globalNumbers = 0;
    for (const std::string& name : GlobalNames(L)) {
        if (before.count(name))
            continue;
        lua_getglobal(L, name.c_str());
        globalNumbers += lua_type(L, -1) == LUA_TNUMBER;
        lua_pop(L, 1);
    }
    EXPECT_EQ(globalNumbers, 324);

    int classNumbers = 0;
    for (const char* c : kClassTables) {
        lua_getglobal(L, c);
        lua_pushnil(L);
        while (lua_next(L, -2)) {
            classNumbers += lua_type(L, -1) == LUA_TNUMBER;
            lua_pop(L, 1);
        }
        lua_pop(L, 1);
    }
    EXPECT_EQ(classNumbers, 111);
}

TEST_F(LuaTest, CloseClearsEveryPackageGlobalAndLeavesDofileGone)
{
    const std::set<std::string> before = GlobalNames(L);
    ASSERT_TRUE(before.count("dofile"));
    OpenPackage();
    Run("TsAccess.custom = 1");
    tolua_game_close(L);

    std::set<std::string> expected = before;
    expected.erase("dofile");
    expected.insert("tolua"); // tolua++'s own table stays with the state
    EXPECT_EQ(GlobalNames(L), expected);
    for (const char* name : {"TsAccess", "GetX", "NUM_OF_SOUNDS", "TSANIM_STAND", "ShellWrite",
                             "_ERRORMESSAGE", "FileIO", "TS_ITEMUSAGE_AUTO_USE"})
        EXPECT_EQ(Type(name), "nil") << name;
}

TEST_F(LuaTest, TakeOwnershipIsNotAvailableToScripts)
{
    OpenPackage();
    EXPECT_EQ(Type("tolua"), "table");
    EXPECT_EQ(Type("tolua.takeownership"), "nil");
}

TEST_F(LuaTest, DerivedObjectsPassTheirBasesTestsAndUnrelatedOnesFail)
{
    OpenPackage();
    tolua_pushusertype(L, g_objects[0], "TsDoorObject");
    tolua_Error err;
    for (const char* base : {"TsDoorObject", "TsDynGeometry", "TsModel", "TsEntity", "TsObject",
                             "const TsModel"})
        EXPECT_TRUE(script::IsObject(L, -1, base, script::NilArg::Reject, &err)) << base;
    for (const char* other : {"TsCharacterObject", "TsSwitchObject", "OmVector3", "TsLevel"})
        EXPECT_FALSE(script::IsObject(L, -1, other, script::NilArg::Reject, &err)) << other;
    lua_pop(L, 1);

    tolua_pushusertype(L, g_objects[1], "TsBanterObject");
    EXPECT_TRUE(script::IsObject(L, -1, "TsCharacterObject", script::NilArg::Reject, &err));
    EXPECT_FALSE(script::IsObject(L, -1, "TsPCObject", script::NilArg::Reject, &err));
    lua_pop(L, 1);
}

TEST_F(LuaTest, ModeAndLevelShareOneUserdataThatKeepsTheLevelTag)
{
    OpenPackage();
    lua_getglobal(L, "tolua");
    lua_getfield(L, -1, "type");
    lua_setglobal(L, "typeof");
    lua_pop(L, 1);

    // Level first, then the same object as the mode: still a level.
    tolua_pushusertype(L, g_objects[0], "TsLevel");
    lua_setglobal(L, "level");
    tolua_pushusertype(L, g_objects[0], "TsGameMode");
    lua_setglobal(L, "mode");
    EXPECT_EQ(String("typeof(level)"), "TsLevel");
    EXPECT_EQ(String("typeof(mode)"), "TsLevel");
    EXPECT_EQ(Type("level == mode or nil"), "boolean");

    // Mode first, then the level: the userdata becomes the level.
    tolua_pushusertype(L, g_objects[1], "TsGameMode");
    lua_setglobal(L, "mode2");
    tolua_pushusertype(L, g_objects[1], "TsLevel");
    lua_setglobal(L, "level2");
    EXPECT_EQ(String("typeof(mode2)"), "TsLevel");
    EXPECT_EQ(String("typeof(level2)"), "TsLevel");

    // The front end is a game mode too.
    tolua_pushusertype(L, g_objects[2], "TsFrontEnd");
    tolua_Error err;
    EXPECT_TRUE(script::IsObject(L, -1, "TsGameMode", script::NilArg::Reject, &err));
    lua_pop(L, 1);
}

TEST_F(LuaTest, RecordsAndTheirFirstFieldsKeepSeparateUserdata)
{
    OpenPackage();
    lua_getglobal(L, "tolua");
    lua_getfield(L, -1, "type");
    lua_setglobal(L, "typeof");
    lua_pop(L, 1);

    const std::pair<const char*, const char*> pairs[] = {{"TsLevelInfo", "OmString"},
                                                         {"TsExplosionParams", "OmString"},
                                                         {"TsGameMode", "TsCamera"},
                                                         {"uint", "OmTuple3"}};
    int slot = 0;
    for (const auto& [record, field] : pairs) {
        void* address = g_objects[slot++];
        tolua_pushusertype(L, address, record);
        lua_setglobal(L, "record");
        tolua_pushusertype(L, address, field);
        lua_setglobal(L, "field");
        EXPECT_EQ(String("typeof(record)"), record);
        EXPECT_EQ(String("typeof(field)"), field);
    }
}
