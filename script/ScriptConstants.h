#pragma once

// The numeric constants of the script package, family by family. Each
// family is registered in one place of the package, either as globals or
// inside a class table.

#include <cstddef>

namespace script {

struct ScriptConstant {
    const char* name;
    double value;
};

struct ConstantList {
    const ScriptConstant* items = nullptr;
    std::size_t count = 0;
};

namespace constants {
// Globals.
extern const ConstantList kAnimationIds;           // TSANIM_
extern const ConstantList kAudioAndSkillConstants; // AID_, NUM_OF_SOUNDS, TS_MATTER_, TS_SKILL_
extern const ConstantList kEquipTypes;             // TS_EQUIP_
extern const ConstantList kNpcTypes;               // TS_NPC_
extern const ConstantList kWeaponTypes;            // TS_WEAPON_
extern const ConstantList kItemUsages;             // TS_ITEMUSAGE_
// Class-scoped.
extern const ConstantList kDoorTypes;              // TsDoorObject
extern const ConstantList kFadePatterns;           // TsFader
extern const ConstantList kCameraProfiles;         // TsCutScene
extern const ConstantList kTeamRelations;          // TsTeam
extern const ConstantList kFormations;             // TsSquadObject
extern const ConstantList kCharacterSounds;        // TsCharacterObject
extern const ConstantList kPlayerCharacterTypes;   // TsPCObject
extern const ConstantList kDisplayModes;           // TsPlayer
extern const ConstantList kWeaponSounds;           // TsWeaponObject
extern const ConstantList kItemSounds;             // TsItemObject
extern const ConstantList kLightEffects;           // TsLightEffectObject
extern const ConstantList kHudSprites;             // TsHUDe
} // namespace constants

} // namespace script
