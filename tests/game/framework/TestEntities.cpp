#include "tests/game/framework/TestEntities.h"

#include <cstdint>

#include "engine/OmArchive.h"

// A registered class whose record carries a given name.
#define TEST_IMPLEMENT_CLASS_AS(Cls, Parent, Name)                                               \
    OmClass Cls::s_class(Name, &Parent::s_class);                                                \
    static OmClassFactoryOf<Cls> s_factoryOf##Cls;                                               \
    OmClassFactory* Cls::Factory() { return &s_factoryOf##Cls; }                                 \
    OmFastAlloc Cls::s_pool(sizeof(Cls), OM_CLASS_PAGE_SIZE, alignof(Cls), Name);                \
    int32_t Cls::ClassId()                                                                       \
    {                                                                                            \
        static const int32_t id =                                                                \
            OmClassRegistry::Instance().AddClass(&Cls::s_class, Cls::Factory(), &Cls::s_pool);   \
        return id;                                                                               \
    }                                                                                            \
    [[maybe_unused]] static const int32_t s_classIdOf##Cls = Cls::ClassId();

OM_IMPLEMENT_CLASS(TestThing, TsEntity)
TEST_IMPLEMENT_CLASS_AS(TestCharacter, TsEntity, "TsCharacterObject")
OM_IMPLEMENT_CLASS(TestCharacterChild, TestCharacter)
TEST_IMPLEMENT_CLASS_AS(TestCollectible, TsEntity, "TsCollectibleObject")
TEST_IMPLEMENT_CLASS_AS(TestWaypoint, TsEntity, "TsWaypointObject")
TEST_IMPLEMENT_CLASS_AS(TestDoor, TsEntity, "TsDoorObject")
TEST_IMPLEMENT_CLASS_AS(TestLightEffect, TsObject, "TsLightEffectObject")
TEST_IMPLEMENT_CLASS_AS(TestTeam, TsObject, "TsTeam")
TEST_IMPLEMENT_CLASS_AS(TestSquad, TsObject, "TsSquadObject")
OM_IMPLEMENT_CLASS(TestPlainObject, TsObject)

namespace {

void Record(const char* what, const OmObject& object)
{
    CallLog().push_back(std::string(what) + ":" + (object.GetName() ? object.GetName() : ""));
}

} // namespace

std::vector<std::string>& CallLog()
{
    static std::vector<std::string> log;
    return log;
}

TestThing::~TestThing()
{
    Record("Destroy", *this);
}

bool TestThing::Import()
{
    Record("Import", *this);
    return importResult;
}

bool TestThing::Initialise()
{
    Record("Initialise", *this);
    return initialiseResult;
}

void TestThing::Tick(uint32_t tickCount)
{
    TsEntity::Tick(tickCount);
    Record("Tick", *this);
}

void TestThing::Render(float, float)
{
    Record("Render", *this);
}

void TestCharacter::BuildNeighbourList(const OmArray<TsEntity*>& activeEntities)
{
    ++neighbourBuilds;
    lastActiveCount = activeEntities.GetCount();
}

TestPlainObject::~TestPlainObject()
{
    Record("Destroy", *this);
    if (kept)
        kept->Release();
}

bool TestPlainObject::Import()
{
    Record("Import", *this);
    return true;
}

bool TestPlainObject::Initialise()
{
    Record("Initialise", *this);
    return true;
}

void TestPlainObject::Tick(uint32_t)
{
    Record("Tick", *this);
}

void TestPlainObject::Keep(TsObject* object)
{
    if (object)
        object->AddRef();
    if (kept)
        kept->Release();
    kept = object;
}

int32_t TestSquad::AliveMemberCount() const
{
    int32_t alive = 0;
    for (const TsEntity* member : members) {
        if (!member->HasFlag(TS_ENTITY_DEAD | TS_ENTITY_DORMANT))
            ++alive;
    }
    return alive;
}
