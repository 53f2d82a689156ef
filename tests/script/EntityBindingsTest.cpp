// Entities, the entity database and the cut-scene director as entity and
// mission scripts use them: camera work with its optional arguments.

#include "tests/script/LuaTestState.h"

#include "engine/OmRef.h"
#include "game/framework/TsCamera.h"
#include "game/framework/TsCutScene.h"
#include "game/framework/TsEntity.h"
#include "game/framework/TsEntityDB.h"
#include "script/ScriptWrap.h"
#include "tests/game/framework/LogCapture.h"
#include "tests/engine/TestClass.h"

namespace {

OM_TEST_CLASS(ScriptCrate, TsEntity);
OM_TEST_CLASS(ScriptNote, TsObject);

class EntityBindingsTest : public PackageTest {
protected:
    void SetUp() override
    {
        PackageTest::SetUp();
        Publish("crate", crate, "TsEntity");
        scene->SetCamera(camera);
        Publish("scene", scene, "TsCutScene");
        Publish("db", db, "TsEntityDB");
    }

    OmRef<ScriptCrate> crate = OmMakeRef<ScriptCrate>();
    OmRef<TsCamera> camera = OmMakeRef<TsCamera>();
    OmRef<TsCutScene> scene = OmMakeRef<TsCutScene>();
    OmRef<TsEntityDB> db = OmMakeRef<TsEntityDB>();
};

} // namespace

OM_IMPLEMENT_CLASS(ScriptCrate, TsEntity)
OM_IMPLEMENT_CLASS(ScriptNote, TsObject)

TEST_F(EntityBindingsTest, TheDatabaseTakesOverWhatScriptsAdd)
{
    ScriptNote* note = new ScriptNote();
    Publish("note", note, "TsObject");
    TsScriptHandles::MarkScriptCreated(L, crate);
    TsScriptHandles::MarkScriptCreated(L, note);
    note->Release(); // as if the script had made it: its handle holds it

    ASSERT_EQ(Run("db:AddEntity(crate); db:AddObject(note)"), "");
    EXPECT_TRUE(db->ContainsEntity(crate));
    EXPECT_EQ(db->GetObjects().GetCount(), 1u);
    EXPECT_FALSE(TsScriptHandles::IsScriptCreated(L, crate)) << "a script can no longer delete it";
    EXPECT_FALSE(TsScriptHandles::IsScriptCreated(L, note));
    tolua_Error err; // a derived object passes its base's test
    tolua_pushusertype(L, crate, "TsEntity");
    EXPECT_TRUE(script::IsObject(L, -1, "TsObject", script::NilArg::Reject, &err));
    lua_pop(L, 1);

    ExpectTypeErrors({"db:AddEntity(note)", "db:AddObject(nil)"});
    ExpectError("crate:AddObject(note)", "attempt to call method 'AddObject'");
    ExpectSelfErrors({"TsEntityDB.AddObject(nil, note)"});

    EXPECT_EQ(db->GetEntities().GetCount(), 1u);
    EXPECT_EQ(db->GetObjects().GetCount(), 1u);
    db = nullptr;
    EXPECT_EQ(TsScriptHandles::GameReferences(*crate), 1u) << "the test's alone, besides its handle";
}

// An object another owner holds is refused; so is one the database lists
// already, which would tick twice and be released twice. The refusal is
// logged, naming the function, and the script goes on past it.
TEST_F(EntityBindingsTest, ARefusedAddIsLoggedAndTheScriptGoesOn)
{
    OmRef<ScriptNote> held = OmMakeRef<ScriptNote>();
    Publish("held", held, "TsObject");
    TsScriptHandles::MarkScriptCreated(L, crate);
    ASSERT_EQ(Run("db:AddEntity(crate)"), "");
    const struct {
        const char* add;
        const char* logged;
    } refusals[] = {
        {"db:AddObject(held)", "object owned by the game in function 'AddObject'"},
        {"db:AddEntity(crate)", "object listed already in function 'AddEntity'"},
        {"db:AddObject(crate)", "object listed already in function 'AddObject'"},
    };
    for (const auto& r : refusals) {
        SCOPED_TRACE(r.add);
        LogCapture log;
        EXPECT_EQ(Run(std::string(r.add) + " went_on = true"), "");
        EXPECT_EQ(Type("went_on"), "boolean");
        EXPECT_TRUE(log.Contains(r.logged)) << log.All();
        ASSERT_EQ(Run("went_on = nil"), "");
    }
    EXPECT_EQ(db->GetEntities().GetCount(), 1u);
    EXPECT_EQ(db->GetObjects().GetCount(), 0u);
    EXPECT_EQ(TsScriptHandles::GameReferences(*held), 1u);
}

TEST_F(EntityBindingsTest, CameraWorkWithAndWithoutTime)
{
    camera->Distance().SetAll(10.0f);
    // No time: at once, no scene.
    ASSERT_EQ(Run("scene:ZoomCamera(4, 0); scene:MoveCamera(1, 2, 3, -1)"), "");
    EXPECT_FLOAT_EQ(camera->Distance().current, 4.0f);
    EXPECT_FLOAT_EQ(camera->Focus().next.z, 3.0f);
    EXPECT_EQ(Type("scene:IsCutSceneActive()"), "nil");

    // A quarter turn over a second, the profile defaulting to 1.
    ASSERT_EQ(Run("scene:RotateCamera(0.25, 1)"), "");
    EXPECT_EQ(Type("scene:IsCameraRotating()"), "number");
    EXPECT_EQ(Type("scene:IsCutSceneActive()"), "number");

    ExpectRows({
        {"scene:SetCutSceneActive(nil) return scene:IsCutSceneActive()", "nil"},
        {"scene:SetCutSceneActive() return scene:IsCutSceneActive()", "number"}, // no argument: on
        {"scene:LockActive(1) scene:SetPlayerLockedOut(2) return scene:IsActiveLocked()", "number"},
        {"scene:SetFollowTarget(crate) scene:SetFollowTarget(nil) return 0", "0"},
        {"scene:FadeCamera(TsFader.FADE_IRIS, 0.5, 1) return scene:IsFadeComplete()", "nil"},
        {"scene:StopRenderingFader() return TsCutScene.CAMERAMOVE_SINE", "3"},
    });
    EXPECT_TRUE(scene->IsPlayerLockedOut());
    EXPECT_EQ(scene->GetFader().GetKind(), TS_FADE_IRIS);
    EXPECT_FALSE(scene->GetFader().IsRendering());

    ExpectTypeErrors({"scene:MoveCamera(1, 2, 3)", "scene:RotateCamera(0.25, 1, 1, 1)"});
}

TEST_F(EntityBindingsTest, APositionIsACopy)
{
    crate->SetPosition(1.0f, 2.0f, 3.0f);
    ASSERT_EQ(Run("at = crate:GetPosition(); at:Normalise()"), "");
    EXPECT_FLOAT_EQ(crate->GetPosition().x, 1.0f) << "the crate stays put";
    ExpectTypeErrors({"crate:GetPosition(at)", "crate:GetPosition(5)"});
}
