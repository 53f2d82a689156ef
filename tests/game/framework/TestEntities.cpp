#include "tests/game/framework/TestEntities.h"

#include <cstdint>


// A registered class of its own name whose parent record carries the name
// of the game class it stands in for. The stand-in record is never
// registered, so an archive that names the game class always finds the
// game's own class, which the test programs link too.
#define TEST_IMPLEMENT_CLASS_AS(Cls, Parent, Name)                                               \
    static OmClass s_standInFor##Cls(Name, &Parent::s_class);                                    \
    OmClass Cls::s_class(#Cls, &s_standInFor##Cls);                                              \
    static OmClassFactoryOf<Cls> s_factoryOf##Cls;                                               \
    OmClassFactory* Cls::Factory() { return &s_factoryOf##Cls; }                                 \
    OmFastAlloc Cls::s_pool(sizeof(Cls), OM_CLASS_PAGE_SIZE, alignof(Cls), #Cls);                \
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
