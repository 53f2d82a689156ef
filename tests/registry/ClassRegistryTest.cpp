// This program links the game's libraries exactly as the game does and names
// no class in its code, so it sees the registry the game starts with: a class
// missing here is one an archive naming it could never load in the game.
#include <gtest/gtest.h>

#include <cstdint>

#include "engine/OmClass.h"

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

} // namespace
