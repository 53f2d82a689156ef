#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "engine/OmRef.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsScriptHandles.h"
#include "tests/game/framework/LogCapture.h"
#include "testing/ScratchDir.h"
#include "tests/engine/ArchiveTestSupport.h"
#include "tests/game/framework/GameScript.h"
#include "tests/game/framework/TestEntities.h"
#include "tests/platform/DebugOutputCapture.h"

namespace {

using Strings = std::vector<std::string>;

template <class T>
T* Named(const char* name, float x = 0, float z = 0)
{
    T* object = new T();
    object->SetName(name);
    if constexpr (std::is_base_of_v<TsEntity, T>)
        object->SetPosition(x, 0, z);
    return object;
}

// A new named entity or object, listed in the database (which takes the
// reference) and answered.
template <class T>
T* Add(TsEntityDB& db, const char* name, float x = 0, float z = 0)
{
    T* object = Named<T>(name, x, z);
    if constexpr (std::is_base_of_v<TsEntity, T>)
        EXPECT_TRUE(db.AddEntity(OmRef<TsEntity>::Adopt(object))) << name;
    else
        EXPECT_TRUE(db.AddObject(OmRef<TsObject>::Adopt(object))) << name;
    return object;
}

Strings Names(const OmList& list)
{
    Strings names;
    for (const OmList::Node* node = list.GetFirst(); node; node = node->next)
        names.push_back(static_cast<OmObject*>(node->value)->NameOrEmpty());
    return names;
}

Strings Names(const OmArray<TsEntity*>& array)
{
    Strings names;
    for (uint32_t i = 0; i < array.GetCount(); ++i)
        names.push_back(array[i]->NameOrEmpty());
    return names;
}

Strings Names(const std::vector<OmRef<TsEntity>>& garbage)
{
    Strings names;
    for (const OmRef<TsEntity>& entity : garbage)
        names.push_back(entity->NameOrEmpty());
    return names;
}

// Every list of the database as "characters / collectibles / waypoints /
// doors / other entities / entities / teams / squads / lights / other
// objects / objects", names joined by commas.
std::string Lists(const TsEntityDB& db)
{
    std::string out;
    for (const OmList* list : {&db.GetCharacters(), &db.GetCollectibles(), &db.GetWaypoints(), &db.GetDoors(),
                               &db.GetOtherEntities(), &db.GetEntities(), &db.GetTeams(), &db.GetSquads(),
                               &db.GetLightEffects(), &db.GetOtherObjects(), &db.GetObjects()}) {
        std::string names;
        for (const std::string& name : Names(*list))
            names += (names.empty() ? "" : ",") + name;
        out += (out.empty() ? "" : " / ") + names;
    }
    return out;
}

// One object of each kind the database sorts.
OmRef<TsEntityDB> EveryKind()
{
    OmRef<TsEntityDB> db = OmMakeRef<TsEntityDB>();
    db->SetName("entities");
    Add<TestCharacter>(*db, "hero");
    Add<TestCollectible>(*db, "gem");
    Add<TestWaypoint>(*db, "wp");
    Add<TestDoor>(*db, "door");
    Add<TestThing>(*db, "crate", 3, 4);
    Add<TestTeam>(*db, "team");
    Add<TestSquad>(*db, "squad");
    Add<TestLightEffect>(*db, "light");
    Add<TestPlainObject>(*db, "plain");
    return db;
}

const char* const kEveryKind = "hero / gem / wp / door / crate / hero,gem,wp,door,crate / team / squad / light / plain / "
                               "team,squad,light,plain";

bool SaveEveryKind(const char* path)
{
    const OmRef<TsEntityDB> db = EveryKind();
    auto* crate = static_cast<TestThing*>(db->GetOtherEntities().GetFirst()->value);
    crate->SetFlagsWord(0xFFFFFFFFu); // every flag is kept
    crate->Tick(0); // keeps the previous position for interpolation
    crate->SetPosition(3, 2, 4);
    crate->SetRadius(0.75f);
    return archive_test::SaveRoots(path, {db});
}

} // namespace

TEST(TsEntityDB, EachObjectGoesToTheFirstMatchingKindAndToAll)
{
    const OmRef<TsEntityDB> db = EveryKind();
    Add<TestCharacterChild>(*db, "guard");                          // derived classes match
    db->AddObject(OmRef<TsObject>::Adopt(Named<TestDoor>("gate"))); // an entity given as an object
    EXPECT_EQ(Lists(*db), "hero,guard / gem / wp / door,gate / crate / hero,gem,wp,door,crate,guard,gate / team / "
                          "squad / light / plain / team,squad,light,plain")
        << "entities stay out of the object lists";

    LogCapture log;
    db->AddEntity(nullptr);
    db->AddObject(nullptr);
    db->AddObject(db);
    EXPECT_EQ(db->GetEntities().GetCount(), 7u);
    EXPECT_EQ(db->GetObjects().GetCount(), 4u);
    EXPECT_TRUE(log.Contains("no entity given"));
    EXPECT_TRUE(log.Contains("the database cannot hold itself"));
}

TEST(TsEntityDB, ActivationFollowsRangeDormancyAndForcedActivation)
{
    const OmRef<TsEntityDB> db = OmMakeRef<TsEntityDB>();
    TestCharacter* near = Add<TestCharacter>(*db, "near", 1, 1);
    TestCharacter* far = Add<TestCharacter>(*db, "far", 30, 0);
    TestThing* edge = Add<TestThing>(*db, "edge", 10 + 6, 20); // exactly at the range from (10, 20)
    TestThing* inside = Add<TestThing>(*db, "inside", 10 + 5.99f, 20);
    TestThing* forced = Add<TestThing>(*db, "forced", 500, 500);
    TestThing* sleeper = Add<TestThing>(*db, "sleeper", 10, 20);
    forced->ForceActive();
    sleeper->ForceActive();
    sleeper->SetDormant(true);
    edge->SetFlag(TS_ENTITY_ACTIVE);

    db->SetActivationCentre(10, 20, 6);
    near->SetPosition(10, 0, 21);
    db->UpdateActivation();
    EXPECT_EQ(Names(db->GetActiveEntities()), (Strings{"near", "inside", "forced"}));
    EXPECT_EQ(Names(db->GetActiveCharacters()), (Strings{"near"}));
    EXPECT_FALSE(edge->HasFlag(TS_ENTITY_ACTIVE)) << "exactly at the range is outside";
    EXPECT_TRUE(inside->HasFlag(TS_ENTITY_ACTIVE));
    EXPECT_FALSE(sleeper->HasFlag(TS_ENTITY_ACTIVE)) << "dormant beats forced activation";
    EXPECT_EQ(near->neighbourBuilds, 1u);
    EXPECT_EQ(near->lastActiveCount, 3u);
    EXPECT_EQ(far->neighbourBuilds, 0u);

    db->SetActivationCentre(30, 0, 1);
    db->UpdateActivation();
    EXPECT_EQ(Names(db->GetActiveEntities()), (Strings{"far", "forced"}));
    EXPECT_FALSE(inside->HasFlag(TS_ENTITY_ACTIVE)) << "the flag follows every pass";
}

TEST(TsEntityDB, PendingDeleteIsRemovedAtTheNextPassAndNeitherTickedNorRendered)
{
    const OmRef<TsEntityDB> db = OmMakeRef<TsEntityDB>();
    TestThing* a = Add<TestThing>(*db, "a");
    TestThing* doomed = Add<TestThing>(*db, "doomed");
    TestThing* moved = Add<TestThing>(*db, "moved");
    TestCharacter* corpse = Add<TestCharacter>(*db, "corpse");
    Add<TestPlainObject>(*db, "plain");
    db->SetActivationCentre(0, 0, 10);
    doomed->SetFlag(TS_ENTITY_PENDING_DELETE);
    db->HandOver(moved);
    const auto newOwner = OmRef<TestThing>::Adopt(moved); // the reference handed over
    corpse->SetFlag(TS_ENTITY_PENDING_DELETE);

    db->UpdateActivation();
    EXPECT_EQ(moved->GetRefCount(), 1u) << "its new owner's alone, out of the garbage";
    EXPECT_EQ(Names(db->GetEntities()), (Strings{"a"}));
    EXPECT_TRUE(db->GetCharacters().IsEmpty());
    EXPECT_TRUE(db->GetActiveCharacters().GetCount() == 0) << "a character flagged for deletion is not active";
    EXPECT_EQ(Names(db->GetGarbage()), (Strings{"doomed", "corpse"}));

    CallLog().clear();
    db->Tick(7);
    db->Render(0.5f, 0.25f);
    EXPECT_EQ(CallLog(), (Strings{"Tick:a", "Tick:plain", "Render:a"}));

    // Flagged after the pass: still ticked this tick, but not drawn.
    CallLog().clear();
    a->SetFlag(TS_ENTITY_PENDING_DELETE);
    db->Tick(8);
    db->Render(0.6f, 0.5f);
    EXPECT_EQ(CallLog(), (Strings{"Tick:a", "Tick:plain"}));
}

TEST(TsEntityDB, ImportAndInitialiseRunEveryObjectAndCombineTheResults)
{
    GameScript lua;
    const OmRef<TsEntityDB> db = OmMakeRef<TsEntityDB>();
    Add<TestPlainObject>(*db, "obj");
    Add<TestThing>(*db, "first");
    TestThing* bad = Add<TestThing>(*db, "bad");
    Add<TestThing>(*db, "last");

    bad->importResult = false;
    CallLog().clear();
    EXPECT_FALSE(db->Import());
    EXPECT_EQ(CallLog(), (Strings{"Import:first", "Import:bad", "Import:last", "Import:obj"}))
        << "entities first, and all of them despite the failure";
    bad->importResult = true;
    EXPECT_TRUE(db->Import());

    CallLog().clear();
    bad->initialiseResult = false;
    EXPECT_FALSE(db->Initialise());
    EXPECT_EQ(CallLog(), (Strings{"Initialise:first", "Initialise:bad", "Initialise:last", "Initialise:obj"}));
    EXPECT_EQ(lua.Eval("tolua.type(bad)"), "TsEntity") << "published although it failed";
    bad->initialiseResult = true;
    EXPECT_TRUE(db->Initialise());
}

TEST(TsEntityDB, LivingTeamMembersCountsTheSquadsOfTheFirstTeamWithTheId)
{
    const OmRef<TsEntityDB> db = OmMakeRef<TsEntityDB>();
    EXPECT_EQ(db->LivingTeamMembers(3), 0) << "no team";

    TestThing* members[4];
    for (TestThing*& m : members)
        m = Add<TestThing>(*db, "m");
    members[1]->SetFlag(TS_ENTITY_DEAD);
    members[2]->SetDormant(true);
    TestTeam *red = Add<TestTeam>(*db, "red"), *twin = Add<TestTeam>(*db, "twin");
    red->id = twin->id = 3;
    TestSquad *alpha = Add<TestSquad>(*db, "alpha"), *beta = Add<TestSquad>(*db, "beta");
    TestSquad* other = Add<TestSquad>(*db, "other");
    alpha->team = beta->team = red;
    other->team = twin;
    alpha->members = {members[0], members[1], members[2]};
    beta->members = {members[3]};
    other->members = {members[0], members[3]};

    EXPECT_EQ(db->LivingTeamMembers(3), 2) << "one living member in each squad of the first team";
    EXPECT_EQ(db->LivingTeamMembers(4), 0);
}

TEST(TsEntityDB, NamedObjectsArePublishedUnderTheNearestScriptClass)
{
    {
        LogCapture log;
        const OmRef<TsEntityDB> db = OmMakeRef<TsEntityDB>();
        Add<TestThing>(*db, "crate");
        EXPECT_TRUE(db->Initialise()) << "the objects themselves are fine";
        EXPECT_TRUE(log.Contains("no script state, 'crate' is not published"));
    }
    GameScript lua;
    OmRef<TsEntityDB> db = OmMakeRef<TsEntityDB>();
    Add<TestThing>(*db, "crate");
    Add<TestDoor>(*db, "door1");
    Add<TestPlainObject>(*db, "plain");
    TestThing* nameless = new TestThing();
    db->AddEntity(OmRef<TsEntity>::Adopt(nameless));
    Add<TestThing>(*db, "");
    EXPECT_TRUE(db->Initialise());

    EXPECT_EQ(lua.Eval("tolua.type(crate)"), "TsEntity") << "a class scripts do not know";
    EXPECT_EQ(lua.Eval("tolua.type(door1)"), "TsDoorObject");
    EXPECT_EQ(lua.Eval("tolua.type(plain)"), "TsObject");
    EXPECT_EQ(lua.Eval("crate:GetName() .. door1:GetName()"), "cratedoor1") << "base functions reach them";
    EXPECT_EQ(lua_gettop(lua.L()), 0) << "nothing left on the script stack";
    EXPECT_FALSE(db->MakeLuaGlobal(nameless));

    // Copies a script kept must not reach the objects once they are gone.
    ASSERT_EQ(lua.Run("kept = crate"), 0);
    db = nullptr;
    EXPECT_EQ(lua.Eval("type(crate) .. type(door1) .. type(plain)"), "nilnilnil");
    LogCapture log;
    EXPECT_NE(lua.Run("kept:GetName()"), 0);
    EXPECT_TRUE(log.Contains("invalid 'self' in function 'GetName'"));
}

// A picked-up article dropped before the next pass comes back with its
// owner's reference, which goes: the list kept its own, and the article
// stays listed until it is removed in the ordinary way.
TEST(TsEntityDB, AnEntityGivenBackInTheTickItWasHandedOverKeepsItsReference)
{
    LogCapture log;
    OmRef<TsEntityDB> db = OmMakeRef<TsEntityDB>();
    auto* article = new TestThing; // unnamed: no script keeps it
    db->AddEntity(OmRef<TsEntity>::Adopt(article));
    const OmRef<TestThing> watch(article);
    db->HandOver(article);
    auto inventory = OmRef<TsEntity>::Adopt(article); // the reference handed over

    EXPECT_TRUE(db->AddEntity(std::move(inventory)));
    EXPECT_EQ(article->GetRefCount(), 2u) << "the list's and the test's";
    EXPECT_FALSE(log.Contains("listed already"));
    db->UpdateActivation();
    EXPECT_TRUE(db->ContainsEntity(article));
    db = nullptr;
    EXPECT_EQ(article->GetRefCount(), 1u) << "the level gave its reference back";
}

// A new owner that lets go of what was handed over to it in the same tick
// (a script takes a level's article, puts it back in its own hands and
// deletes it) leaves it to the lists: this tick's active entities still
// name it, and the next pass puts it in the garbage.
TEST(TsEntityDB, AnEntityItsNewOwnerLetGoOfBeforeThePassWaitsOnTheGarbage)
{
    const OmRef<TsEntityDB> db = OmMakeRef<TsEntityDB>();
    TestThing* key = Add<TestThing>(*db, "key");
    db->SetActivationCentre(0, 0, 10);
    db->UpdateActivation();
    db->HandOver(key);
    OmRef<TestThing>::Adopt(key) = nullptr; // the new owner lets go at once

    CallLog().clear();
    db->Render(0.5f, 0.25f);
    db->UpdateActivation();
    EXPECT_TRUE(CallLog().empty()) << "handed over, it is not drawn";
    EXPECT_EQ(Names(db->GetGarbage()), (Strings{"key"}));
}

TEST(TsEntityDB, RemovedEntitiesWaitOnTheGarbageAndTeardownDestroysEachOnce)
{
    LogCapture log;
    OmRef<TsEntityDB> db = OmMakeRef<TsEntityDB>();
    TestThing* twice = Add<TestThing>(*db, "twice");
    TestThing* readded = Add<TestThing>(*db, "readded");
    TestThing* garbage = Add<TestThing>(*db, "garbage");
    EXPECT_FALSE(db->AddEntity(OmRef<TsEntity>(twice))) << "listed twice it would be released twice";
    db->RemoveEntity(readded);
    db->AddEntity(OmRef<TsEntity>(readded)); // the garbage's reference is taken back
    db->RemoveEntity(garbage);
    db->RemoveEntity(twice);
    TestPlainObject* object = Add<TestPlainObject>(*db, "object");
    EXPECT_FALSE(db->AddObject(OmRef<TsObject>(object)));
    EXPECT_EQ(Names(db->GetGarbage()), (Strings{"garbage", "twice"})) << "readded took its reference back";
    EXPECT_FALSE(db->ContainsEntity(garbage));
    // An entity the database does not list only loses its deletion flags.
    const OmRef<TestThing> stranger = OmRef<TestThing>::Adopt(Named<TestThing>("stranger"));
    stranger->SetFlag(TS_ENTITY_PENDING_DELETE | TS_ENTITY_NO_GARBAGE);
    EXPECT_FALSE(db->RemoveEntity(stranger));
    EXPECT_EQ(stranger->GetFlags(), TsEntity::kInitialFlags);

    CallLog().clear();
    db = nullptr;
    EXPECT_EQ(CallLog(), (Strings{"Destroy:readded", "Destroy:object", "Destroy:garbage", "Destroy:twice"}));
    EXPECT_FALSE(log.Contains("still referenced"));
}

TEST(TsEntityDB, TeardownLeavesObjectsHeldElsewhereAndLogsThem)
{
    LogCapture log;
    GameScript lua;
    OmRef<TsEntityDB> db = OmMakeRef<TsEntityDB>();
    TestThing* hero = Add<TestThing>(*db, "hero");
    TestThing* member = Add<TestThing>(*db, "member");
    TestPlainObject* squad = Add<TestPlainObject>(*db, "squad");
    OmRef<TestPlainObject> player = OmRef<TestPlainObject>::Adopt(Named<TestPlainObject>("player")); // not listed
    player->Keep(hero);
    squad->Keep(member);
    EXPECT_TRUE(db->Initialise());
    ASSERT_EQ(lua.Run("keptHero = hero"), 0);

    CallLog().clear();
    db = nullptr;
    EXPECT_EQ(lua.Eval("type(hero) .. keptHero:GetName()"), "nilhero")
        << "the level's global goes, the living object stays usable";
    EXPECT_EQ(CallLog(), (Strings{"Destroy:squad", "Destroy:member"}))
        << "a member held by a listed squad goes right after the squad";
    EXPECT_TRUE(log.Contains("'hero' (TestThing) is still referenced 1 time(s) at tear-down"));
    EXPECT_FALSE(log.Contains("'member'"));
    ASSERT_EQ(TsScriptHandles::GameReferences(*hero), 1u)
        << "the player's character is not taken from the player (nor from the script's handle)";

    CallLog().clear();
    player = nullptr;
    ASSERT_EQ(lua.Run("keptHero = nil collectgarbage()"), 0);
    EXPECT_EQ(CallLog(), (Strings{"Destroy:player", "Destroy:hero"})) << "the script's handle let go last";
}

// A database saved with one object of each kind, in a scratch folder.
class SavedEntityDB : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SaveEveryKind("level.sav"));
        bytes = dir.Read("level.sav");
    }
    ScratchDir dir;
    OmClassRegistry& registry = OmClassRegistry::Instance();
    std::string bytes;
};

TEST_F(SavedEntityDB, LoadsWithEveryListAndOwnsWhatItLoaded)
{
    OmArchive archive(registry);
    ASSERT_TRUE(archive.Load("level.sav"));
    auto loaded = OmRef<TsEntityDB>::Adopt(TsEntityDB::Cast(archive.GetRoot(0))); // the loader's reference
    ASSERT_NE(loaded.Get(), nullptr);
    EXPECT_STREQ(loaded->GetName(), "entities");
    EXPECT_EQ(Lists(*loaded), kEveryKind);
    EXPECT_TRUE(loaded->GetGarbage().empty());
    auto* crate = static_cast<TestThing*>(loaded->GetOtherEntities().GetFirst()->value);
    EXPECT_EQ(crate->GetRefCount(), 1u);
    EXPECT_FLOAT_EQ(crate->GetPosition().y, 2.0f);
    EXPECT_FLOAT_EQ(crate->GetPreviousPosition().y, 0.0f);
    EXPECT_FLOAT_EQ(crate->GetRadius(), 0.75f);
    EXPECT_EQ(crate->GetFlags(), 0xFFFFFFFFu);
    CallLog().clear();
    loaded = nullptr;
    EXPECT_EQ(CallLog(), (Strings{"Destroy:crate", "Destroy:plain"})) << "the loaded objects belong to it";
}

// The crate is saved with every flag, its hand-over's among them: read
// back, the list holds a reference of its own, so the one a new owner gives
// back after the load, before the next pass, goes and the hand-over is
// undone.
TEST_F(SavedEntityDB, AHandOverASaveKeptIsUndoneByGivingTheEntityBack)
{
    OmArchive archive(registry);
    ASSERT_TRUE(archive.Load("level.sav"));
    const auto loaded = OmRef<TsEntityDB>::Adopt(TsEntityDB::Cast(archive.GetRoot(0)));
    ASSERT_NE(loaded.Get(), nullptr);
    auto* crate = static_cast<TestThing*>(loaded->GetOtherEntities().GetFirst()->value);
    ASSERT_TRUE(crate->HasFlag(TS_ENTITY_NO_GARBAGE));
    EXPECT_TRUE(loaded->AddEntity(OmRef<TsEntity>(crate)));
    EXPECT_EQ(crate->GetRefCount(), 1u);
    EXPECT_FALSE(crate->HasFlag(TS_ENTITY_NO_GARBAGE));
}

// A null reference in a list: the first character's class word, right
// after the database's name and the list's count.
TEST_F(SavedEntityDB, ANullObjectInAListFailsTheLoadAndIsReported)
{
    const size_t at = bytes.find("entities");
    ASSERT_NE(at, std::string::npos);
    dir.Write("null.sav", std::string(bytes).replace(at + 8 + 4, 4, "\xFF\xFF\xFF\xFF"));
    DebugOutputCapture reported;
    OmArchive archive(registry);
    EXPECT_FALSE(archive.Load("null.sav"));
    EXPECT_TRUE(reported.Contains("an entity database list holds a null object")) << reported.Text();
}
