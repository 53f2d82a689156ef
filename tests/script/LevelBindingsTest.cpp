// The level's mission record, the string holders and script-made files,
// from real scripts.

#include "tests/script/LuaTestState.h"

#include <memory>

#include "engine/OmString.h"
#include "game/framework/TsLevelInfo.h"
#include "game/world/TsExplosionParams.h"
#include "tests/game/framework/LogCapture.h"
#include "testing/ScratchDir.h"
#include "ui/TsRadar.h"

namespace {

class LevelInfoTest : public PackageTest {
protected:
    void SetUp() override
    {
        PackageTest::SetUp();
        Publish("info", &m_info, "TsLevelInfo");
        Publish("text", &m_text, "OmString");
    }

    TsLevelInfo m_info;
    OmString m_text{"Orrick's Den"};
    LogCapture m_log;
};

// String fields are the record's own holders and take only holders;
// numbers, flags and the exit texts' array follow the rules every member
// and array does (WrapTest), counted from 1.
TEST_F(LevelInfoTest, FieldsTakeTheirOwnTypesAndTheArrayCountsFromOne)
{
    ASSERT_EQ(Run("info.missionName:Set('demo') info.levelName = text\n"
                  "info.iActNumber = 2.9 info.bIsTown = 1 info.exitTextStringIDs[1] = 11"),
              "");
    m_text = "changed"; // the field copied the holder's text
    EXPECT_STREQ(m_info.levelName.Get(), "Orrick's Den");
    EXPECT_EQ(m_info.iActNumber, 2);
    EXPECT_EQ(m_info.exitTextStringIDs[0], 11);
    ExpectRows({
        {"return info.missionName:Get()", "'demo'"},
        {"return info.bIsTown", "1"},
        {"info.missionName = 'demo'", "error:invalid type in variable assignment."},
        {"info.worldFilename = 5", "error:invalid type in variable assignment."},
    });
}

// The wide holder takes only text objects, which outlive changes to it; the
// narrow one takes strings and nil, and is a class of its own to scripts.
TEST_F(LevelInfoTest, HoldersTakeTheirOwnKindsAndWideTextsOutliveChangesToTheHolder)
{
    OmWideString wide{"Hello"}, other, empty;
    Publish("wide", &wide, "OmWideString");
    Publish("other", &other, "OmWideString");
    Publish("empty", &empty, "OmWideString");
    Publish("name", &m_text, "OmString");
    EXPECT_EQ(Type("wide:Get()"), "userdata");
    ExpectTypeErrors({"other:Set('Hello')", "other:Set(nil)"});
    ASSERT_EQ(Run("text = wide:Get()"), "");
    wide.Set("Something else entirely, long enough to move");
    ASSERT_EQ(Run("other:Set(text); text = nil; collectgarbage('collect')"), "");
    EXPECT_STREQ(other.Get(), "Hello");
    EXPECT_EQ(Type("OmWideString.Get(other) and other:Get()"), "userdata");
    EXPECT_EQ(Type("empty:Get()"), "nil");
    ExpectRows({
        {"name:Set(nil) return name:Get()", "nil"},
        {"name:Set('Vessa') return name:Get()", "'Vessa'"},
    });
    ExpectTypeErrors({"name:Set(5)", "OmString.Get(wide)"});
}

TEST_F(LevelInfoTest, ScriptsMakeWriteReadAndDeleteFilesWithTheirArgumentsChecked)
{
    ScratchDir dir;
    ASSERT_EQ(Run("f = FileIO:new()"), "");
    EXPECT_EQ(String("tolua.type(f)"), "FileIO");
    ExpectTypeErrors({"f:Open('x.txt')", "f:Open(nil, 'r')", "f:WriteLine(nil)", "f:Execute('a', 'b')"});
    EXPECT_EQ(Type("f:Open('notes.txt', 'w')"), "number");
    ASSERT_EQ(Run("f:WriteLine('a'); f:WriteLine(''); f:WriteLine('b'); f:Close()"), "");
    EXPECT_EQ(Type("f:Open('NOTES.TXT', 'r')"), "number");
    EXPECT_EQ(String("f:ReadLine()"), "a");
    EXPECT_EQ(Type("f:Eof()"), "nil");
    EXPECT_EQ(String("f:ReadLine()"), "b");
    EXPECT_EQ(Number("f:Eof()"), 1);
    EXPECT_EQ(Type("f:Open('missing.txt', 'r')"), "nil");
    ASSERT_EQ(Run("f:delete()"), "");
    ExpectSelfErrors({"f:ReadLine()", "f:delete()"});
}

// A script-made level in the game's state, as the conversion tools use one.
using ScriptLevelTest = GameStateTest;

// The level's parts go with it: a kept handle never reaches freed memory.
TEST_F(ScriptLevelTest, ADeletedLevelsCutSceneHandleIsDead)
{
    ASSERT_EQ(Run("l = TsLevel:new() cs = l:GetCutScene() l:delete()"), "");
    EXPECT_EQ(WithoutPosition(Run("return cs:IsCutSceneActive()")), "invalid 'self' in function 'IsCutSceneActive'");
}

// What a script kept of an object's insides (the radar's objective, a
// record's array, colour or text) goes with the object, as the object's own
// handle does: using either after is a script error, never a touch of the
// freed object.
TEST_F(ScriptLevelTest, AViewKeptPastItsOwnerIsAScriptError)
{
    const struct {
        const char* type; // of the owner o
        const char* keep; // the view v
        const char* use;
        const char* error;
    } cases[] = {
        {"TsRadar", "v = o:GetObjective()", "v:Normalise()", "invalid 'self' in function 'Normalise'"},
        {"TsRadar", "v = o:GetObjective()", "return GetX(v)", "invalid vector in function 'GetX'"},
        {"TsLevelInfo", "v = o.exitTextStringIDs f = setmetatable({['.self'] = v['.self']}, getmetatable(v))",
         "return f[1]", "invalid 'self' in array indexing."},
        {"TsLevelInfo", "v = o.exitTextStringIDs", "return v[1]", "invalid 'self' in array indexing."},
        {"TsLevelInfo", "v = o.exitTextStringIDs", "v[2] = 7", "invalid 'self' in array indexing."},
        {"TsLevelInfo", "v = o.exitTextStringIDs", "o.exitTextStringIDs[1] = 7",
         "invalid 'self' in accessing variable 'exitTextStringIDs'"},
        {"TsLevelInfo", "v = o.levelName v:Set('Den')", "return v:Get()", "invalid 'self' in function 'Get'"},
        {"TsLevelInfo", "v = o.levelName", "return o.missionName",
         "invalid 'self' in accessing variable 'missionName'"},
        {"TsExplosionParams", "v = o.m_shockColourBias", "FxGetExplosionType(0).m_shockColourBias = v",
         "invalid value in variable assignment."},
        {"TsExplosionParams", "v = o.m_szShockTexture", "v:Set('ring')", "invalid 'self' in function 'Set'"},
    };
    for (const auto& c : cases) {
        std::shared_ptr<void> owner;
        if (c.type == std::string("TsRadar"))
            owner = std::make_shared<TsRadar>();
        else if (c.type == std::string("TsLevelInfo"))
            owner = std::make_shared<TsLevelInfo>();
        else
            owner = std::make_shared<TsExplosionParams>();
        Publish("o", owner.get(), c.type);
        ASSERT_EQ(Run(c.keep), "") << c.keep;
        owner.reset();
        EXPECT_EQ(WithoutPosition(Run(c.use)), c.error) << c.type << ": " << c.use;
    }
    TsExplosionTable::Clear();
}

} // namespace
