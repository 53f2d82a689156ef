// The argument rules every wrapper shares, through small wrappers built from
// the same helpers as the package's, and the conversions on their own; who
// owns an object: every call that gives a script-made object to the game
// keeps it there, so the script's delete is refused afterwards, as for any
// object the game owns, and the game is never left pointing at freed memory.

#include "tests/script/LuaTestState.h"

#include "engine/OmRef.h"
#include "game/framework/TsCutScene.h"
#include "game/framework/TsObject.h"
#include "game/objects/TsConversation.h"
#include "game/objects/TsDoorObject.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsSquadObject.h"
#include "script/ScriptOwnership.h"
#include "script/ScriptVariables.h"
#include "script/ScriptWrap.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

using namespace script;

namespace {

// int(n) -> n as converted
int ProbeInt(lua_State* L)
{
    tolua_Error err;
    if (!IsNumber(L, 1, &err) || !IsEnd(L, 2, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("ProbeInt"), &err);
    PushInt(L, ToInt(L, 1));
    return 1;
}

// bool(b) -> b as converted, as the script boolean
int ProbeBool(lua_State* L)
{
    tolua_Error err;
    if (!IsBool(L, 1, &err) || !IsEnd(L, 2, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("ProbeBool"), &err);
    PushBool(L, ToBool(L, 1));
    return 1;
}

// static (class, n: int, on: bool = true) -> n, or -n when off
int ProbeStatic(lua_State* L)
{
    tolua_Error err;
    if (!IsNumber(L, 2, &err) || !IsBool(L, 3, &err, true) || !IsEnd(L, 4, &err))
        RaiseTypeError(L, OM_TYPE_ERROR("Static"), &err);
    const int n = ToInt(L, 2);
    PushInt(L, ToBool(L, 3, true) ? n : -n);
    return 1;
}

// static (class) with no arguments
int ProbeNoArgs(lua_State* L)
{
    NoArgs(L, OM_TYPE_ERROR("NoArgs"));
    PushInt(L, 42);
    return 1;
}

// (name: string, or nil where allowed) -> the name
template <NilArg nil>
int ProbeString(lua_State* L)
{
    tolua_Error err;
    if (!IsString(L, 1, nil, &err) || !IsEnd(L, 2, &err))
        RaiseTypeError(L, nil == NilArg::Allow ? OM_TYPE_ERROR("ProbeNullable") : OM_TYPE_ERROR("ProbeStrict"), &err);
    PushString(L, ToString(L, 1));
    return 1;
}

struct Record {
    std::int32_t count = 0;
    float scale = 0.0f;
    std::uint8_t flag = 0;
    std::int32_t ids[4] = {};
};

constexpr char kCountSelf[] = OM_VAR_SELF_ERROR("count");
constexpr char kScaleSelf[] = OM_VAR_SELF_ERROR("scale");
constexpr char kFlagSelf[] = OM_VAR_SELF_ERROR("flag");
constexpr char kIdsSelf[] = OM_VAR_SELF_ERROR("ids");

int g_destroyed = 0;
struct Thing {
    int value = 5;
};
void* NewThing() { return new Thing; }
void DestroyThing(void* p)
{
    ++g_destroyed;
    delete static_cast<Thing*>(p);
}
int ThingNew(lua_State* L) { return NewObject(L, "Thing", OM_TYPE_ERROR("new"), NewThing, DestroyThing); }
int ThingDelete(lua_State* L)
{
    return DeleteObject(L, "Thing", OM_TYPE_ERROR("delete"), OM_SELF_ERROR("delete"), DestroyThing);
}
int ThingValue(lua_State* L)
{
    PushInt(L, SelfOnly<Thing>(L, "Thing", OM_TYPE_ERROR("Value"), OM_SELF_ERROR("Value"))->value);
    return 1;
}

class WrapTest : public LuaTest {
protected:
    void SetUp() override
    {
        LuaTest::SetUp();
        tolua_usertype(L, "Record");
        tolua_usertype(L, "Thing");
        tolua_module(L, nullptr, 0);
        tolua_beginmodule(L, nullptr);
        tolua_function(L, "ProbeInt", ProbeInt);
        tolua_function(L, "ProbeBool", ProbeBool);
        tolua_function(L, "ProbeNullable", ProbeString<NilArg::Allow>);
        tolua_function(L, "ProbeStrict", ProbeString<NilArg::Reject>);
        tolua_cclass(L, "Probe", "Record", "", nullptr);
        tolua_beginmodule(L, "Probe");
        tolua_function(L, "Static", ProbeStatic);
        tolua_function(L, "NoArgs", ProbeNoArgs);
        tolua_variable(L, "count", GetNumberVar<Record, &Record::count, kCountSelf>,
                       SetNumberVar<Record, &Record::count, kCountSelf>);
        tolua_variable(L, "scale", GetNumberVar<Record, &Record::scale, kScaleSelf>,
                       SetNumberVar<Record, &Record::scale, kScaleSelf>);
        tolua_variable(L, "flag", GetFlagVar<Record, &Record::flag, kFlagSelf>,
                       SetFlagVar<Record, &Record::flag, kFlagSelf>);
        tolua_variable(L, "ids", GetIntArrayVar<Record, &Record::ids, kIdsSelf>, nullptr);
        tolua_endmodule(L);
        tolua_cclass(L, "Thing", "Thing", "", nullptr);
        tolua_beginmodule(L, "Thing");
        tolua_function(L, "new", ThingNew);
        tolua_function(L, "delete", ThingDelete);
        tolua_function(L, "Value", ThingValue);
        tolua_endmodule(L);
        tolua_endmodule(L);
    }
};

TEST(NumberConversion, TruncatesTowardZeroAndKeepsTheLow32BitsOf64)
{
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double number;
        int32_t expected;
    } cases[] = {
        {2.9, 2},
        {-2.9, -2},
        {-0.5, 0},
        {4294967296.0 + 5, 5},                  // the low 32 bits of the 64-bit value
        {2147483648.0, INT32_MIN},
        {-2147483649.0, INT32_MAX},
        {9223372036854774784.0, -1024},         // the largest double below 2^63
        {-9223372036854775808.0, 0},            // -2^63 itself still has a 64-bit value
        {std::nan(""), 0},                      // no 64-bit value: the documented 0
        {inf, 0},
        {-inf, 0},
        {1e30, 0},
        {-1e30, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NumberToInt(c.number), c.expected) << c.number;
    }
    EXPECT_EQ(ClampToInt64(1e30), INT64_MAX); // array indexes still clamp
    EXPECT_EQ(ClampToInt64(-inf), INT64_MIN);
}

// Integers, booleans, nil-able strings and static functions called with a
// colon or a dot, optional arguments included.
TEST_F(WrapTest, ArgumentsFollowTheScriptRules)
{
    const std::pair<const char*, const char*> results[] = { // the call and tostring of its result
        {"ProbeInt(2.9)", "2"}, // converted as NumberConversion's cases say
        {"ProbeBool(nil)", "nil"}, {"ProbeBool(0)", "nil"}, {"ProbeBool(2)", "1"}, {"ProbeBool(-0.5)", "1"},
        {"ProbeBool(true)", "1"}, {"ProbeBool(false)", "nil"}, {"ProbeNullable(nil)", "nil"},
        {"ProbeNullable('a')", "a"}, {"ProbeStrict('abc')", "abc"}, {"Probe:NoArgs()", "42"},
        {"Probe.NoArgs()", "42"}, {"Probe:Static(3)", "3"}, {"Probe:Static(3, 0)", "-3"},
        {"Probe:Static(3, nil)", "-3"}, {"Probe:Static(3, 1)", "3"},
    };
    for (const auto& [call, result] : results)
        EXPECT_EQ(String("tostring(" + std::string(call) + ")"), result) << call;
    // With a dot the argument of Static lands in the ignored first position.
    ExpectTypeErrors({"ProbeInt('3')", "ProbeInt()", "ProbeBool('yes')", "ProbeBool()", "ProbeBool(1, 2)",
                      "ProbeStrict(nil)", "ProbeStrict(12)", "ProbeNullable({})", "Probe:NoArgs(1)",
                      "Probe:Static(3, 1, 1)", "Probe.Static(3)"});
}

TEST_F(WrapTest, MembersAndArrayItemsTakeOnlyTheirTypesAndIndexesInRange)
{
    Record record;
    Publish("r", &record, "Record");
    ASSERT_EQ(Run("r.count = 7.9; r.scale = 1.25; r.flag = 2; r.ids[1] = 11; r.ids[4] = -4.5"), "");
    EXPECT_TRUE(record.count == 7 && record.scale == 1.25f && record.flag == 1 && record.ids[0] == 11 &&
                record.ids[3] == -4);
    ExpectRows({{"return r.count", "7"}, {"return r.ids[4]", "-4"}, {"return r.flag", "1"},
                {"r.flag = nil return r.flag", "nil"}});

    const std::pair<const char*, const char*> refused[] = {
        {"r.count = 'x'", "invalid type in variable assignment."},
        {"r.flag = 'x'", "invalid type in variable assignment."},
        {"r.ids[2] = 'x'", "invalid type in variable assignment."},
        {"return r.ids['1']", "invalid type in array indexing."},
        {"return r.ids[0]", "array indexing out of range."}, {"return r.ids[5]", "array indexing out of range."},
        {"r.ids[5] = 1", "array indexing out of range."}, {"return r.ids[-1/0]", "array indexing out of range."},
    };
    for (const auto& [chunk, message] : refused)
        ExpectError(chunk, message);
    EXPECT_EQ(record.ids[1], 0);
}

TEST_F(WrapTest, DeleteOnlyFreesWhatTheScriptMadeAndOnlyOnce)
{
    g_destroyed = 0;
    ASSERT_EQ(Run("t = Thing:new()"), "");
    EXPECT_EQ(Number("t:Value()"), 5);
    ExpectTypeErrors({"Thing:new(1)"});
    ASSERT_EQ(Run("t:delete()"), "");
    EXPECT_EQ(g_destroyed, 1);
    // The script's userdata is now null: no use after free.
    ExpectSelfErrors({"t:delete()", "t:Value()"});
    EXPECT_EQ(g_destroyed, 1);

    // An object the game pushed is not the script's to free.
    Thing gameThing;
    Publish("g", &gameThing, "Thing");
    ExpectError("g:delete()", "object not owned by the script in function 'delete'");

    // Nor is one the script has since given to the game.
    ASSERT_EQ(Run("given = Thing:new()"), "");
    Thing* given = Global<Thing>("given");
    TsScriptHandles::HandToGame(L, given);
    ExpectError("given:delete()", "object not owned by the script in function 'delete'");
    EXPECT_EQ(g_destroyed, 1);
    DestroyThing(given);
    EXPECT_EQ(g_destroyed, 2);

    // When the level closes, what the script still holds is destroyed
    // through its destructor, once; nothing deleted or handed over is.
    ASSERT_EQ(Run("kept1 = Thing:new() kept2 = Thing:new() gone = Thing:new() gone:delete()"), "");
    EXPECT_EQ(g_destroyed, 3);
    TsScriptHandles::DestroyScriptHeld(L);
    EXPECT_EQ(g_destroyed, 5);
    TsScriptHandles::DestroyScriptHeld(L);
    EXPECT_EQ(g_destroyed, 5);
}

constexpr const char* kNotOwned = "object not owned by the script in function 'delete'";

class HandOverBindingsTest : public PackageTest {
protected:
    void SetUp() override
    {
        PackageTest::SetUp();
        Publish("player", &player, "TsPlayer");
        Publish("scene", scene, "TsCutScene");
        Publish("talk", conversation, "TsConversation");
    }

    TsPlayer player;
    OmRef<TsCutScene> scene = OmMakeRef<TsCutScene>();
    OmRef<TsConversation> conversation = OmMakeRef<TsConversation>();
};

struct HandOver {
    const char* make; // makes o
    const char* call; // gives o to the game
    const char* refusal; // what delete says afterwards ("" when it is allowed)
};

// The party takes a character over from the script, which can then no longer
// delete it. A squad's player, a camera and a conversation take references of
// their own: the script's delete kills only its handle, and the object lives
// on with its holder.
TEST_F(HandOverBindingsTest, AScriptCannotDeleteWhatItGaveTheGame)
{
    const HandOver cases[] = {
        {"o = TsSquadObject:new()", "player:SetSquad(o)", ""},
        {"o = TsDoorObject:new()", "scene:SetFollowTarget(o)", ""},
        {"o = TsNPCObject:new()", "talk:AddFragment(7, o, nil)", ""},
        {"s = TsNPCObject:new() o = TsPCObject:new()", "talk:AddFragment(7, s, o)", ""},
        {"o = TsPCObject:new()", "player:AddCharacter(o)", kNotOwned},
    };
    for (const HandOver& c : cases) {
        // Not yet given: the script's own to delete.
        ASSERT_EQ(Run(c.make), "") << c.make;
        EXPECT_EQ(Run("o:delete()"), "") << c.make;
        ASSERT_EQ(Run(c.make), "") << c.make;
        ASSERT_EQ(Run(c.call), "") << c.call;
        auto* object = Global<OmObject>("o");
        EXPECT_EQ(WithoutPosition(Run("o:delete()")), c.refusal) << c.call;
        EXPECT_EQ(Type("o"), "userdata") << c.call;
        EXPECT_TRUE(OmFastAlloc::IsLive(object)) << c.call << ": the holder keeps it";
    }
    // nil gives nothing, and a line without a speaker keeps no listener.
    EXPECT_EQ(Run("o = TsNPCObject:new() scene:SetFollowTarget(nil) talk:AddFragment(1, nil, o) o:delete()"), "");
}

TEST_F(HandOverBindingsTest, ALevelsCharacterJoinsThePartyWithAReferenceOfItsOwn)
{
    ASSERT_EQ(Run("o = TsPCObject:new()"), "");
    auto* pc = Global<TsPCObject>("o");
    OmRef<TsPCObject> level(pc); // as if the level had taken it
    TsScriptHandles::HandToGame(L, pc);
    ASSERT_EQ(Run("player:AddCharacter(o)"), "");
    EXPECT_EQ(pc->GetRefCount(), 3u) << "the handle's, the level's and the party's";
}

// Scripts hold it by its mark and its handle.
TEST_F(HandOverBindingsTest, WhatAScriptMadeIsHeldOnlyByScriptsTillAHolderTakesIt)
{
    ASSERT_EQ(Run("o = TsDoorObject:new()"), "");
    auto* door = Global<TsObject>("o");
    EXPECT_TRUE(TsScriptHandles::HeldOnlyByScripts(*door));
    ASSERT_EQ(Run("scene:SetFollowTarget(o)"), "");
    EXPECT_FALSE(TsScriptHandles::HeldOnlyByScripts(*door)) << "the camera holds it too";
    scene->SetFollowTarget(nullptr);
}

TEST_F(HandOverBindingsTest, ASquadMemberTheScriptDeletedGoesWhenTheSquadLetsGo)
{
    ASSERT_EQ(Run("player:SetSquad(TsSquadObject:new()) o = TsPCObject:new() player:AddCharacterToSquad(o, nil)\n"
                  "o:delete()"),
              "");
    ASSERT_EQ(player.GetSquad()->GetMemberCount(), 1);
    EXPECT_EQ(player.GetSquad()->GetMember(0)->GetRefCount(), 1u) << "the squad's alone";
    const uint32_t pcs = TsPCObject::s_pool.GetLiveCount();
    player.RemoveAllSquadMembers();
    EXPECT_EQ(TsPCObject::s_pool.GetLiveCount(), pcs - 1);
}

// A script's handle is a holder: what it reaches stays while it can reach it.
TEST_F(HandOverBindingsTest, APartsHandleKeepsTheWholeObjectItLivesIn)
{
    ASSERT_EQ(Run("o = TsWeaponObject:new() p = o:Attributes(false) scene:SetFollowTarget(o)\n"
                  "n = TsNPCObject:new() n:GetInventory():AddArticle(o) n:delete() o = nil collectgarbage()"),
              "");
    ASSERT_EQ(Run("scene:SetFollowTarget(nil) collectgarbage()"), "");
    EXPECT_EQ(Run("p:SetRange(2)"), "") << "the block's handle keeps its weapon";
}

// When the level closes the handles and the script's marks let go, so what
// a holder still keeps goes when the holder lets go of it, and a part's
// handle is dead.
TEST_F(HandOverBindingsTest, WhatAHolderKeepsGoesWithTheHoldersReference)
{
    ASSERT_EQ(Run("o = TsWeaponObject:new() p = o:Attributes(false)"), "");
    ASSERT_EQ(Run("q = TsSquadObject:new() player:SetSquad(q) d = TsDoorObject:new() scene:SetFollowTarget(d)\n"
                  "n = TsNPCObject:new() talk:AddFragment(7, n, n)"),
              "");
    std::vector<std::pair<OmObject*, uint32_t>> held;
    for (const char* name : {"q", "d", "n"}) {
        OmObject* object = Global<OmObject>(name);
        held.emplace_back(object, object->GetRefCount());
    }
    const uint32_t doors = TsDoorObject::s_pool.GetLiveCount();
    TsScriptHandles::DestroyScriptHeld(L);
    for (const auto& [object, count] : held)
        EXPECT_EQ(object->GetRefCount(), count - 2) << object->GetClass()->name; // the handle's, the mark's
    EXPECT_EQ(Type("p"), "userdata");
    EXPECT_EQ(WithoutPosition(Run("p:SetRange(2)")), "invalid 'self' in function 'SetRange'");
    scene->SetFollowTarget(nullptr);
    EXPECT_EQ(TsDoorObject::s_pool.GetLiveCount(), doors - 1);
}

} // namespace
