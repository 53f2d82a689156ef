#include "game/objects/TsNPCObject.h"

#include <algorithm>
#include <string>

#include "engine/OmArchive.h"
#include "engine/OmRef.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsLevelState.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsRandom.h"
#include "game/framework/TsScriptGlobals.h"
#include "game/framework/TsScriptHost.h"
#include "game/objects/TsArticleOffer.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsItemObject.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsSquadObject.h"
#include "game/objects/TsTeam.h"
#include "game/objects/TsWeaponObject.h"

#include <lua.hpp>

OM_IMPLEMENT_CLASS(TsNPCObject, TsCharacterObject)

namespace {

constexpr const char* kPayloadTable = "g_critterPayloadTemplates";

// The string at a 1-based entry of a global script table; empty when the
// table or the entry is missing or not a string.
std::string TableString(lua_State* L, const char* table, int32_t entry, int32_t* size)
{
    std::string text;
    if (!L) {
        return text;
    }
    const int top = lua_gettop(L);
    lua_getglobal(L, table);
    if (lua_istable(L, -1)) {
        if (size) {
            *size = static_cast<int32_t>(lua_objlen(L, -1));
        }
        if (entry > 0) {
            lua_rawgeti(L, -1, entry);
            if (lua_type(L, -1) == LUA_TSTRING) {
                text = lua_tostring(L, -1);
            }
        }
    } else if (size) {
        *size = 0;
    }
    lua_settop(L, top);
    return text;
}

} // namespace

void TsNPCObject::Write(OmArchive& archive)
{
    TsCharacterObject::Write(archive);
    archive.WriteI32(m_npcType);
    m_weaponName.Write(archive);
    m_itemName.Write(archive);
}

void TsNPCObject::Read(OmArchive& archive)
{
    TsCharacterObject::Read(archive);
    archive.ReadI32(m_npcType);
    m_weaponName.Read(archive);
    m_itemName.Read(archive);
}

// The payload number widens the choice two entries at a time; a table
// with no entries, or a negative number, leaves nothing to draw.
int32_t TsNPCObject::PayloadEntry(int32_t tableSize, int32_t payloadNumber, int32_t random)
{
    if (tableSize <= 0 || payloadNumber < 0) {
        return 0;
    }
    const int64_t widest = 2 * int64_t(payloadNumber) + 2;
    const int32_t k = int32_t(std::min<int64_t>(tableSize, widest));
    const int32_t r = random < 0 ? -(random % k) : random % k;
    return r + 1;
}

bool TsNPCObject::Import()
{
    if (!TsCharacterObject::Import()) {
        return false;
    }
    return IsCritter() ? ImportCritterPayload() : ImportEquipment();
}

namespace {

// An article made for this character: named after it, known to scripts,
// filled by its template; none (nothing kept) when the template failed.
template <class T>
T* MakeArticle(const TsNPCObject& owner, const char* suffix, const char* templateName)
{
    lua_State* L = TsAccess::LuaState();
    if (!L || !templateName || !*templateName) {
        return nullptr;
    }
    auto article = OmMakeRef<T>();
    const std::string name = std::string(owner.NameOrEmpty()) + suffix;
    article->SetName(name.c_str());
    if (TsEntityDB* db = TsAccess::EntityDB()) {
        db->MakeLuaGlobal(article);
    }
    if (!TsScriptHost::RunTemplate(L, templateName, article)) {
        TsScriptGlobals::Forget(L, article);
        return nullptr;
    }
    return article.Detach(); // the caller's reference
}

// Hands the article to the inventory; false when it is refused. An article
// the inventory does not list (refused, or merged into a stack of its kind)
// is let go of, and scripts no longer know it by its name.
bool Keep(TsInventory* inventory, TsCollectibleObject* article)
{
    auto offered = OmRef<TsCollectibleObject>::Adopt(article);
    const OmRef<TsCollectibleObject> watched(article); // alive until forgotten
    const bool taken = inventory && TsOfferArticle(*inventory, offered) > 0;
    if (!inventory || !inventory->Holds(article)) {
        TsScriptGlobals::Forget(TsAccess::LuaState(), article);
    }
    return taken;
}

// The ammunition template of an ammo type: g_ammoTemplates[type].Ammo.
std::string AmmoTemplate(int32_t ammoType)
{
    std::string text;
    lua_State* L = TsAccess::LuaState();
    if (!L) {
        return text;
    }
    const int top = lua_gettop(L);
    lua_getglobal(L, "g_ammoTemplates");
    if (lua_istable(L, -1)) {
        lua_rawgeti(L, -1, ammoType);
        if (lua_istable(L, -1)) {
            lua_getfield(L, -1, "Ammo");
            if (lua_type(L, -1) == LUA_TSTRING) {
                text = lua_tostring(L, -1);
            }
        }
    }
    lua_settop(L, top);
    return text;
}

} // namespace

bool TsNPCObject::ImportCritterPayload()
{
    lua_State* L = TsAccess::LuaState();
    const TsLevelState* level = TsAccess::LevelState();
    int32_t size = 0;
    TableString(L, kPayloadTable, 0, &size);
    const int32_t entry = PayloadEntry(size, level ? level->GetPayloadNumber() : 0, Random());
    if (entry == 0) {
        return true; // nothing to carry
    }
    const std::string name = TableString(L, kPayloadTable, entry, nullptr);
    TsItemObject* item = MakeArticle<TsItemObject>(*this, "Drop", name.c_str());
    if (!item) {
        LogErrorF("error running template %s for critter payload %s", name.c_str(), NameOrEmpty());
        return true;
    }
    Keep(GetInventory(), item);
    return true;
}

bool TsNPCObject::ImportEquipment()
{
    TsInventory* inventory = GetInventory();
    if (!m_weaponName.IsEmpty()) {
        TsWeaponObject* weapon = MakeArticle<TsWeaponObject>(*this, "Weapon", m_weaponName.Get());
        if (!weapon) {
            LogErrorF("error running template %s for NPC weapon %s", m_weaponName.Get(), NameOrEmpty());
            return false;
        }
        const int32_t ammoType = weapon->Current().ammoType;
        if (Keep(inventory, weapon)) {
            inventory->EquipArticle(weapon);
        }
        if (ammoType > 0) {
            const std::string ammoName = AmmoTemplate(ammoType);
            TsItemObject* ammo = MakeArticle<TsItemObject>(*this, "Ammo", ammoName.c_str());
            if (!ammo) {
                LogErrorF("error running template %s for NPC ammo %s", ammoName.c_str(), NameOrEmpty());
                return false;
            }
            Keep(inventory, ammo);
        }
    }
    if (!m_itemName.IsEmpty()) {
        if (TsItemObject* item = MakeArticle<TsItemObject>(*this, "Item", m_itemName.Get())) {
            Keep(inventory, item);
        }
    }
    return true;
}

// What it carried falls where it stands: a critter its payload, anyone
// else an item, else ammunition.
void TsNPCObject::BeginFadeOut()
{
    TsCharacterObject::BeginFadeOut();
    TsInventory* inventory = GetInventory();
    if (!inventory) {
        return;
    }
    TsCollectibleObject* drop = inventory->GetItem(0);
    if (!drop && !IsCritter()) {
        drop = inventory->GetAmmo(0);
    }
    if (drop) {
        inventory->DropArticle(drop);
    }
}

namespace {

// Whether the squad's team is a friend of the player's squad's team.
bool FriendOfTheParty(const TsSquadObject* squad)
{
    const TsPlayer* player = TsAccess::LocalPlayer();
    const TsSquadObject* playerSquad = player ? player->GetSquad() : nullptr;
    const TsTeam* team = squad ? squad->GetTeam() : nullptr;
    return team && playerSquad && team->GetAlliance(playerSquad->GetTeam()) == TS_ALLIANCE_FRIENDLY;
}

// The level's squad that takes the characters of that squad index.
const TsSquadObject* SquadNumbered(int32_t index)
{
    const TsEntityDB* db = TsAccess::EntityDB();
    for (const OmList::Node* n = db && index >= 0 ? db->GetSquads().GetFirst() : nullptr; n; n = n->next) {
        const TsSquadObject* squad = TsSquadObject::Cast(OmList::ValueAt<TsObject>(n));
        if (squad && squad->GetIndex() == index) {
            return squad;
        }
    }
    return nullptr;
}

} // namespace

// A body saved after its squad let go of it still carries the squad's
// index, and that squad's team tells again whether it fell a friend.
bool TsNPCObject::Initialise()
{
    const bool ok = TsCharacterObject::Initialise();
    if (HasFlag(TS_ENTITY_DEAD) && !GetSquad()) {
        m_fellAFriend = FriendOfTheParty(SquadNumbered(GetSquadIndex())) ? 1 : 0;
    }
    return ok;
}

// The squad lets go of a member as it dies, and the team the radar reads
// goes with it: the verdict is taken while the squad still holds it.
void TsNPCObject::Die()
{
    m_fellAFriend = IsRadarVisible() ? 0 : 1;
    TsCharacterObject::Die();
}

// Friends of the player's team are not shown, alive or dead.
bool TsNPCObject::IsRadarVisible() const
{
    const TsSquadObject* squad = GetSquad();
    return squad ? !FriendOfTheParty(squad) : m_fellAFriend == 0;
}
