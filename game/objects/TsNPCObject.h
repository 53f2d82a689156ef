// Every creature and person the player does not control. At import it is
// equipped from the scripts' templates: a critter carries a random payload
// from "g_critterPayloadTemplates" to drop when it fades away; anyone else
// gets the weapon (with its ammunition) and the item its script names. It
// shows on the radar unless its team is friendly to the player's.
#pragma once

#include <cstdint>

#include "engine/OmString.h"
#include "game/objects/TsCharacterObject.h"

enum TsNPCType : int32_t {
    TS_NPC_BIG_CRITTER = 0,
    TS_NPC_BIPED_CRITTER = 1,
    TS_NPC_FLYING_CRITTER = 2,
    TS_NPC_HUMANOID = 3,
    TS_NPC_BOVINE = 4,
    TS_NPC_GONK = 5,
    TS_NPC_DROID = 6,
    TS_NPC_MINE = 7,
    TS_NPC_DRONE = 8,
    TS_NPC_TRIFFID = 9,
};

class TsNPCObject : public TsCharacterObject {
    OM_DECLARE_CLASS(TsNPCObject)

    TsNPCObject() = default;
    explicit TsNPCObject(OmArchive& archive) : TsCharacterObject(archive) {}

    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    bool Import() override;
    bool Initialise() override;
    void BeginFadeOut() override;
    // Notes, before the squad lets go of it, whether it falls a friend.
    void Die() override;
    bool IsRadarVisible() const override;

    void SetNPCType(int32_t type) { m_npcType = type; }
    int32_t GetNPCType() const { return m_npcType; }
    bool IsCritter() const { return m_npcType < TS_NPC_HUMANOID; }
    void SetWeaponName(const char* name) { m_weaponName.Set(name); }
    const char* GetWeaponName() const { return m_weaponName.Get(); }
    void SetItemName(const char* name) { m_itemName.Set(name); }
    const char* GetItemName() const { return m_itemName.Get(); }

    // The payload entry (1-based) a critter draws from a table of n entries
    // at the level's payload number, given a random number; 0 when there is
    // nothing to draw from.
    static int32_t PayloadEntry(int32_t tableSize, int32_t payloadNumber, int32_t random);

private:
    bool ImportCritterPayload();
    bool ImportEquipment();

    int32_t m_npcType = TS_NPC_HUMANOID;
    OmString m_weaponName;
    OmString m_itemName;
    // A friend's body stays off the radar through its death and fade,
    // though its squad (and with it its team) has let go of it. Not saved:
    // a loaded body reads it again from its squad's number.
    uint8_t m_fellAFriend = 0;
};
