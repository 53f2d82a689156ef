// One of a weapon's two attribute blocks (primary and secondary): what kind
// of weapon it is, how the wielder holds it, the damage kind, the ammunition
// it spends, its damage, reach, cone, reload, stun and projectile type.
// Weapon templates set the blocks through the script functions.
#pragma once

#include <cstdint>

#include "engine/OmMath.h"
#include "game/objects/TsAttack.h"

enum TsWeaponType : int32_t {
    TS_WEAPON_MELEE = 0,
    TS_WEAPON_RANGED_MANUAL = 1,
    TS_WEAPON_RANGED_AUTO = 2,
    TS_WEAPON_ROCKET = 3,
    TS_WEAPON_MINE = 4,
    TS_WEAPON_SKILL = 5,
    TS_WEAPON_RADIATION_GENERATOR = 6,
};

// How the wielder holds the weapon, which picks its animations.
enum TsEquipType : int32_t {
    TS_EQUIP_BAREHANDED = 0,
    TS_EQUIP_MELEE_1HAND = 1,
    TS_EQUIP_MELEE_2HAND = 2,
    TS_EQUIP_RANGED_1HAND = 3,
    TS_EQUIP_RANGED_2HAND = 4,
    TS_EQUIP_RANGED_TWINHAND = 5,
    TS_EQUIP_RANGED_SHOULDER = 6,
    TS_EQUIP_RANGED_HEADMOUNTED = 7,
    TS_EQUIP_HEAL = 8,
    TS_EQUIP_TONGUE = 9,
    TS_EQUIP_STEALTH = 10,
};

// The types are stored as the script gave them: a number outside an enum's
// names is kept (and matches none of them) rather than refused.
struct TsWeaponAttributes {
    TsWeaponType weaponType = TS_WEAPON_MELEE;
    TsEquipType equipType = TS_EQUIP_MELEE_1HAND;
    TsMatterType matterType = TS_MATTER_PHYSICAL;
    int32_t ammoType = 0;     // below 0: needs no ammunition
    int32_t ammoPerShot = 1;
    float efficiency = 1.0f;  // damage per unit of ammunition or per blow; negative heals
    float range = 20.0f;
    float autoAimRange = 4.0f;
    float spread = 0.0f;      // melee cone, degrees
    float reload = 1.0f;      // seconds between shots; 0: continuous fire
    float stun = 0.0f;
    int32_t projectileId = -1; // below 0: the ranged paths cannot fire

    void SetWeaponType(int32_t type) { weaponType = static_cast<TsWeaponType>(type); }
    void SetEquipType(int32_t type) { equipType = static_cast<TsEquipType>(type); }
    void SetMatterType(int32_t type) { matterType = static_cast<TsMatterType>(type); }
    void SetAmmoType(int32_t type) { ammoType = type; }
    void SetAmmoPerShot(int32_t count) { ammoPerShot = count; }
    void SetEfficiency(float value) { efficiency = value; }
    void SetRange(float value) { range = value; }
    void SetAutoAimRange(float value) { autoAimRange = value; }
    void SetSpread(float degrees) { spread = degrees; }
    void SetReload(float seconds) { reload = seconds; }
    void SetStun(float value) { stun = value; }
    float GetStun() const { return stun; }
    // A radiation generator shows its stun as its count of charges. A script
    // may set any stun: past the int's range it counts as the nearest limit.
    int32_t ChargeCount() const { return SaturatingInt(stun); }
    // Stored as given; the fire paths check the type when they use it.
    void SetProjectileID(int32_t id) { projectileId = id; }
};
static_assert(sizeof(TsWeaponAttributes) == 48, "twelve 32-bit words");
