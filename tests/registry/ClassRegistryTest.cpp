// This program links the game's libraries exactly as the game does and names
// no class in its code, so it sees the registry the game starts with: a class
// missing here is one an archive naming it could never load in the game.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "engine/OmFastAlloc.h"
#include "engine/OmObject.h"
#include "testing/AllocationCounter.h"

namespace {

// Every concrete class an archive, a script or the level can ask for by name.
constexpr const char* kRegistered[] = {
    "OmCamera", "OmD3DMesh", "OmD3DMorphMesh", "OmD3DSkinMesh", "OmGroup", "OmKeyframeController",
    "OmKeyframeData", "OmLight", "OmMaterial", "OmMaxLight", "OmMaxLightNode", "OmMesh", "OmMorphMesh",
    "OmMorphShape", "OmShape", "OmSkinMesh", "OmSkinShape", "OmSprite", "OmTextureResource",
    "TsAttack", "TsBanterObject", "TsBoundObject", "TsCamera", "TsConversation", "TsConversationFragment",
    "TsCutScene", "TsDiaryData", "TsDoorObject", "TsEntityDB", "TsFrontEnd", "TsFrontEndBase",
    "TsFrontEndSkinShape", "TsGameFrontEnd", "TsInventory", "TsItemObject", "TsLevel",
    "TsLightEffectObject", "TsLockObject", "TsMineObject", "TsNPCObject", "TsPCObject",
    "TsPCStartObject", "TsPlayer", "TsProjectile", "TsSquadObject", "TsStashObject", "TsSwitchObject",
    "TsTargetObject", "TsTeam", "TsTrade", "TsTriggerObject", "TsWaypointObject", "TsWeaponObject",
    "TsWorld", "TsWorldCell",
};

TEST(GameClassRegistry, HoldsEveryConcreteClass)
{
    const OmClassRegistry& registry = OmClassRegistry::Instance();
    for (const char* name : kRegistered) {
        int32_t index = -1;
        EXPECT_TRUE(registry.FindClassIndex(name, index)) << name << " has no registry entry";
    }
}

// What a loading constructor keeps of the heap, for an object built beside
// another of its class (which took whatever is made once per class).
uint64_t HeapOfASecondLoadedObject(OmClassRegistry& registry, int32_t index)
{
    const size_t words = registry.GetPool(index)->GetStride() / sizeof(std::max_align_t) + 1;
    const auto cells = std::make_unique<std::max_align_t[]>(2 * words);
    OmArchive archive(registry);
    OmClassFactory* factory = registry.GetFactory(index);
    OmObject* first = factory->CreateFromArchive(archive, cells.get());
    const uint64_t before = testalloc::LiveBytes();
    OmObject* second = factory->CreateFromArchive(archive, cells.get() + words);
    const uint64_t kept = testalloc::LiveBytes() - before;
    second->~OmObject();
    first->~OmObject();
    return kept;
}

// A failed load builds every object a reference reached: what an archive
// charges for one must cover what building it takes, so that a class whose
// loading constructor grows heavy cannot let a small file ask for much.
TEST(GameClassRegistry, NoLoadedObjectTakesMoreThanTheArchiveChargesForIt)
{
    OmClassRegistry& registry = OmClassRegistry::Instance();
    registry.AssignClassIds();
    for (uint32_t i = 0; i < registry.GetCount(); ++i) {
        const auto index = int32_t(i);
        const uint64_t cell = registry.GetPool(index)->GetStride();
        EXPECT_LE(cell + HeapOfASecondLoadedObject(registry, index), OmArchive::LoadingCost(registry, index))
            << registry.GetClass(index)->name;
    }
}

} // namespace
