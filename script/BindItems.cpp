// Collectibles, inventories, items, stashes, locks and light effects for
// scripts: the item templates fill in articles, entity scripts place
// stashes, locks and light effects, and mission scripts look into and
// change what characters carry.

#include "script/ScriptBinders.h"
#include "script/ScriptOwnership.h"
#include "script/ScriptWrap.h"

#include <cstring>

#include "game/framework/TsAccess.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsScriptHandles.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsCollectibleObject.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsItemObject.h"
#include "game/objects/TsLightEffectObject.h"
#include "game/objects/TsLockObject.h"
#include "game/objects/TsStashObject.h"
#include "game/objects/TsWeaponObject.h"

namespace script::bind {

namespace {

constexpr const char* kCollectible = "TsCollectibleObject";
constexpr const char* kInventory = "TsInventory";
constexpr const char* kItem = "TsItemObject";
constexpr const char* kStash = "TsStashObject";
constexpr const char* kLock = "TsLockObject";
constexpr const char* kLightEffect = "TsLightEffectObject";
constexpr const char* kWeapon = "TsWeaponObject";
constexpr const char* kCharacter = "TsCharacterObject";

#define OM_COLLECTIBLE(fn, ...) \
    SelfWith<TsCollectibleObject>(L, kCollectible, {__VA_ARGS__}, OM_TYPE_ERROR(fn), OM_SELF_ERROR(fn))
#define OM_CONST_COLLECTIBLE(fn) \
    SelfOnly<const TsCollectibleObject>(L, "const TsCollectibleObject", OM_TYPE_ERROR(fn), OM_SELF_ERROR(fn))
#define OM_INVENTORY(fn, ...) \
    SelfWith<TsInventory>(L, kInventory, {__VA_ARGS__}, OM_TYPE_ERROR(fn), OM_SELF_ERROR(fn))
#define OM_ITEM(fn, ...) SelfWith<TsItemObject>(L, kItem, {__VA_ARGS__}, OM_TYPE_ERROR(fn), OM_SELF_ERROR(fn))
#define OM_STASH(fn, ...) SelfWith<TsStashObject>(L, kStash, {__VA_ARGS__}, OM_TYPE_ERROR(fn), OM_SELF_ERROR(fn))
#define OM_LOCK(fn, ...) SelfWith<TsLockObject>(L, kLock, {__VA_ARGS__}, OM_TYPE_ERROR(fn), OM_SELF_ERROR(fn))
#define OM_LIGHT(fn, ...) \
    SelfWith<TsLightEffectObject>(L, kLightEffect, {__VA_ARGS__}, OM_TYPE_ERROR(fn), OM_SELF_ERROR(fn))

// ---- TsCollectibleObject ---------------------------------------------------

int SetTemplate(lua_State* L)
{
    OM_COLLECTIBLE("SetTemplate", Arg::String)->SetTemplate(ToString(L, 2));
    return 0;
}

int HasOwner(lua_State* L)
{
    PushBool(L, OM_COLLECTIBLE("HasOwner")->HasOwner());
    return 1;
}

int GetOwner(lua_State* L)
{
    PushObject(L, OM_COLLECTIBLE("GetOwner")->GetOwner(), kCharacter);
    return 1;
}

int SetCanEquip(lua_State* L)
{
    OM_COLLECTIBLE("SetCanEquip", Arg::Bool)->SetCanEquip(ToBool(L, 2));
    return 0;
}

int CanEquip(lua_State* L)
{
    PushBool(L, OM_CONST_COLLECTIBLE("CanEquip")->CanEquip());
    return 1;
}

int SetCanDrop(lua_State* L)
{
    OM_COLLECTIBLE("SetCanDrop", Arg::Bool)->SetCanDrop(ToBool(L, 2));
    return 0;
}

int CanDrop(lua_State* L)
{
    PushBool(L, OM_CONST_COLLECTIBLE("CanDrop")->CanDrop());
    return 1;
}

int CanPickup(lua_State* L)
{
    PushBool(L, OM_CONST_COLLECTIBLE("CanPickup")->CanPickup());
    return 1;
}

int SetForSale(lua_State* L)
{
    OM_COLLECTIBLE("SetForSale", Arg::Bool)->SetForSale(ToBool(L, 2));
    return 0;
}

int IsForSale(lua_State* L)
{
    PushBool(L, OM_CONST_COLLECTIBLE("IsForSale")->IsForSale());
    return 1;
}

int SetValue(lua_State* L)
{
    OM_COLLECTIBLE("SetValue", Arg::Number)->SetValue(ToFloat(L, 2));
    return 0;
}

int GetValue(lua_State* L)
{
    PushNumber(L, OM_CONST_COLLECTIBLE("GetValue")->GetValue());
    return 1;
}

int GetPickupDelay(lua_State* L)
{
    PushInt(L, OM_COLLECTIBLE("GetPickupDelay")->GetPickupDelay());
    return 1;
}

// ---- TsInventory -------------------------------------------------------------

// Self of the inventory and one object argument of the given class.
template <class A>
TsInventory* InventoryWithObject(lua_State* L, const char* argType, A*& arg, const char* typeError,
                                 const char* selfError)
{
    tolua_Error err;
    if (!IsSelf(L, kInventory, &err) || !IsObject(L, 2, argType, NilArg::Reject, &err) || !IsEnd(L, 3, &err))
        RaiseTypeError(L, typeError, &err);
    auto* self = ToObject<TsInventory>(L, 1);
    if (!self)
        Raise(L, selfError);
    arg = ToObject<A>(L, 2);
    return self;
}

#define OM_INVENTORY_ARTICLE(fn, article)                                                            \
    InventoryWithObject<TsCollectibleObject>(L, kCollectible, article, OM_TYPE_ERROR(fn), \
                                             OM_SELF_ERROR(fn))

int SetMaxCount(lua_State* L)
{
    OM_INVENTORY("SetMaxCount", Arg::Number)->SetMaxCount(ToInt(L, 2));
    return 0;
}

int GetMaxCount(lua_State* L)
{
    PushInt(L, SelfOnly<const TsInventory>(L, "const TsInventory", OM_TYPE_ERROR("GetMaxCount"),
                                           OM_SELF_ERROR("GetMaxCount"))
                   ->GetMaxCount());
    return 1;
}

int GetTotalCount(lua_State* L)
{
    PushInt(L, SelfOnly<const TsInventory>(L, "const TsInventory", OM_TYPE_ERROR("GetTotalCount"),
                                           OM_SELF_ERROR("GetTotalCount"))
                   ->GetTotalCount());
    return 1;
}

int GetWeaponCount(lua_State* L)
{
    PushInt(L, OM_INVENTORY("GetWeaponCount")->GetWeaponCount());
    return 1;
}

int GetAmmoStackCount(lua_State* L)
{
    PushInt(L, OM_INVENTORY("GetAmmoCount")->GetAmmoCount());
    return 1;
}

// The weapon form; anything else goes to the form without arguments, which
// raises its own message when that does not fit either.
int GetAmmoCountForWeapon(lua_State* L)
{
    tolua_Error err;
    if (!IsSelf(L, kInventory, &err) || !IsObject(L, 2, kWeapon, NilArg::Reject, &err) || !IsEnd(L, 3, &err))
        return GetAmmoStackCount(L);
    auto* self = ToObject<TsInventory>(L, 1);
    if (!self)
        Raise(L, OM_SELF_ERROR("GetAmmoCount"));
    PushInt(L, self->GetAmmoCount(ToObject<TsWeaponObject>(L, 2)));
    return 1;
}

// An inventory that keeps an article takes a reference of its own. The
// script lets go of one it made or took out of an inventory; the level hands
// over one lying in the level, which then leaves the level as when a
// character picks it up (an article only merged into a stack stays where it
// was), the level's lists keeping theirs till the next pass. One handed over
// in this tick and taken out again by the script goes on to this inventory
// from the script. An article another inventory holds, or another owner (a
// stash), is refused: it would be released twice. So is one this inventory
// holds already, and a level article on its way out that the script does
// not hold (used up). A refusal is logged and answers 0, as a full
// inventory does: the script goes on.
struct ArticleMessages {
    const char* type;
    const char* self;
    const char* owned;
    const char* held;
    const char* leaving;
};

#define OM_ARTICLE_MESSAGES(fn)                                                                   \
    ArticleMessages{OM_TYPE_ERROR(fn), OM_SELF_ERROR(fn), "article held by another owner in function '" fn "'", \
                    "article held already in function '" fn "'",                                  \
                    "article leaving the level in function '" fn "'"}

// Why the inventory may not take the article, or null when it may.
const char* ArticleRefusal(lua_State* L, const TsInventory& inventory, TsCollectibleObject& article, bool listed,
                           const ArticleMessages& m)
{
    if (inventory.Holds(&article))
        return m.held;
    const TsCharacterObject* owner = article.GetOwner();
    if (owner && owner->GetInventory() && owner->GetInventory()->Holds(&article))
        return m.owned;
    const bool scripts = TsScriptHandles::IsScriptCreated(L, &article);
    if (!listed)
        return scripts ? nullptr : m.owned;
    if (!article.HasFlag(TS_ENTITY_PENDING_DELETE))
        return nullptr;
    return article.IsHandedOver() && scripts ? nullptr : m.leaving;
}

int AddArticleTo(lua_State* L, int32_t (TsInventory::*add)(TsCollectibleObject*), const ArticleMessages& m)
{
    TsCollectibleObject* article = nullptr;
    TsInventory* self = InventoryWithObject<TsCollectibleObject>(L, kCollectible, article, m.type, m.self);
    TsEntityDB* db = TsAccess::EntityDB();
    const bool listed = db && db->ContainsEntity(article);
    if (const char* refusal = article ? ArticleRefusal(L, *self, *article, listed, m) : nullptr) {
        LogError(refusal);
        PushInt(L, 0);
        return 1;
    }
    PushInt(L, (self->*add)(article));
    if (article && self->Holds(article)) {
        if (listed && !article->IsHandedOver()) {
            db->HandOver(article);
        } else {
            article->AddRef(); // the inventory's own
            TsScriptHandles::HandToGame(L, article);
        }
    }
    return 1;
}

int AddArticle(lua_State* L)
{
    return AddArticleTo(L, &TsInventory::AddArticle, OM_ARTICLE_MESSAGES("AddArticle"));
}

int AddArticleAndRemove(lua_State* L)
{
    return AddArticleTo(L, &TsInventory::AddArticleAndRemove, OM_ARTICLE_MESSAGES("AddArticleAndRemove"));
}

#undef OM_ARTICLE_MESSAGES

int RemoveArticle(lua_State* L)
{
    TsCollectibleObject* article = nullptr;
    TsInventory* self = OM_INVENTORY_ARTICLE("RemoveArticle", article);
    // The script may add the article elsewhere or delete it: the article
    // is the script's, and the inventory's reference goes once its mark
    // holds one.
    OmRef<TsCollectibleObject> removed = self->RemoveArticle(article);
    if (removed)
        TsScriptHandles::MarkScriptCreated(L, removed.Get());
    PushBool(L, removed != nullptr);
    return 1;
}

int GetArticle(lua_State* L)
{
    PushObject(L, OM_INVENTORY("GetArticle", Arg::Number)->GetArticle(ToInt(L, 2)), kCollectible);
    return 1;
}

int GetWeapon(lua_State* L)
{
    PushObject(L, OM_INVENTORY("GetWeapon", Arg::Number)->GetWeapon(ToInt(L, 2)), kWeapon);
    return 1;
}

int GetAmmo(lua_State* L)
{
    PushObject(L, OM_INVENTORY("GetAmmo", Arg::Number)->GetAmmo(ToInt(L, 2)), kItem);
    return 1;
}

int GetItem(lua_State* L)
{
    PushObject(L, OM_INVENTORY("GetItem", Arg::Number)->GetItem(ToInt(L, 2)), kItem);
    return 1;
}

int GetEquipped(lua_State* L)
{
    PushObject(L, OM_INVENTORY("GetEquipped")->GetEquipped(), kWeapon);
    return 1;
}

int EquipArticle(lua_State* L)
{
    TsCollectibleObject* article = nullptr;
    TsInventory* self = OM_INVENTORY_ARTICLE("EquipArticle", article);
    PushBool(L, self->EquipArticle(article));
    return 1;
}

int UnequipArticle(lua_State* L)
{
    OM_INVENTORY("UnequipArticle")->UnequipArticle();
    return 0;
}

int EquipPrevious(lua_State* L)
{
    PushBool(L, OM_INVENTORY("EquipPrevious")->EquipPrevious());
    return 1;
}

int EquipNext(lua_State* L)
{
    PushBool(L, OM_INVENTORY("EquipNext")->EquipNext());
    return 1;
}

// ---- TsItemObject --------------------------------------------------------------

// Giving a stack moves it a pack at a time, so a script's stack, limit or
// pack size drives how long a give takes: past this bound the number is
// refused (logged) and the old one kept.
constexpr int32_t kMaxStackNumber = 9999;

bool WithinStackBound(const char* function, int32_t n)
{
    if (n <= kMaxStackNumber)
        return true;
    LogErrorF("%s: %d is past the largest stack number a script may set, %d", function, n, kMaxStackNumber);
    return false;
}

int SetStack(lua_State* L)
{
    TsItemObject* self = OM_ITEM("SetStack", Arg::Number);
    if (const int32_t n = ToInt(L, 2); WithinStackBound("SetStack", n))
        self->SetStack(n);
    return 0;
}

int GetStack(lua_State* L)
{
    PushInt(L, OM_ITEM("GetStack")->GetStack());
    return 1;
}

int SetMaxStack(lua_State* L)
{
    TsItemObject* self = OM_ITEM("SetMaxStack", Arg::Number);
    if (const int32_t n = ToInt(L, 2); WithinStackBound("SetMaxStack", n))
        self->SetMaxStack(n);
    return 0;
}

int GetMaxStack(lua_State* L)
{
    PushInt(L, OM_ITEM("GetMaxStack")->GetMaxStack());
    return 1;
}

int SetAmmoType(lua_State* L)
{
    OM_ITEM("SetAmmoType", Arg::Number)->SetAmmoType(ToInt(L, 2));
    return 0;
}

int GetAmmoType(lua_State* L)
{
    PushInt(L, OM_ITEM("GetAmmoType")->GetAmmoType());
    return 1;
}

int IsAmmo(lua_State* L)
{
    PushBool(L, OM_ITEM("IsAmmo")->IsAmmo());
    return 1;
}

int SetPackSize(lua_State* L)
{
    TsItemObject* self = OM_ITEM("SetPackSize", Arg::Number);
    if (const int32_t n = ToInt(L, 2); WithinStackBound("SetPackSize", n))
        self->SetPackSize(n);
    return 0;
}

int GetPackSize(lua_State* L)
{
    PushInt(L, OM_ITEM("GetPackSize")->GetPackSize());
    return 1;
}

int SetVitality(lua_State* L)
{
    OM_ITEM("SetVitality", Arg::Number)->SetVitality(ToFloat(L, 2));
    return 0;
}

int GetVitality(lua_State* L)
{
    PushNumber(L, OM_ITEM("GetVitality")->GetVitality());
    return 1;
}

int SetHealth(lua_State* L)
{
    OM_ITEM("SetHealth", Arg::Number)->SetHealth(ToFloat(L, 2));
    return 0;
}

int GetHealth(lua_State* L)
{
    PushNumber(L, OM_ITEM("GetHealth")->GetHealth());
    return 1;
}

int SetMatterType(lua_State* L)
{
    OM_ITEM("SetMatterType", Arg::Number)->SetMatterType(ToInt(L, 2));
    return 0;
}

int IsAutoUse(lua_State* L)
{
    PushBool(L, OM_ITEM("IsAutoUse")->IsAutoUse());
    return 1;
}

int SetUsage(lua_State* L)
{
    OM_ITEM("SetUsage", Arg::Number)->SetUsage(ToInt(L, 2));
    return 0;
}

int OnRemove(lua_State* L)
{
    OM_ITEM("OnRemove")->OnRemove();
    return 0;
}

int ItemFlagSoundForLoading(lua_State* L)
{
    OM_ITEM("FlagSoundForLoading", Arg::Number, Arg::Number)->FlagSoundForLoading(ToInt(L, 2), ToInt(L, 3));
    return 0;
}

// ---- TsStashObject -------------------------------------------------------------

int SetPayloadType(lua_State* L)
{
    OM_STASH("SetPayloadType", Arg::String)->SetPayloadType(ToString(L, 2));
    return 0;
}

int SetPayloadTemplate(lua_State* L)
{
    OM_STASH("SetPayloadTemplate", Arg::String)->SetPayloadTemplate(ToString(L, 2));
    return 0;
}

// The payload when the stash names that class exactly and the payload
// really is one: a wrongly named payload is never handed out under a tag
// it does not have.
template <class T>
T* PayloadOf(const TsStashObject& stash, const char* className)
{
    const char* type = stash.GetPayloadType();
    if (!type || std::strcmp(type, className) != 0)
        return nullptr;
    return T::Cast(stash.GetPayload());
}

int GetPayloadItem(lua_State* L)
{
    PushObject(L, PayloadOf<TsItemObject>(*OM_STASH("GetPayloadItem"), kItem), kItem);
    return 1;
}

int GetPayloadWeapon(lua_State* L)
{
    PushObject(L, PayloadOf<TsWeaponObject>(*OM_STASH("GetPayloadWeapon"), kWeapon), kWeapon);
    return 1;
}

// ---- TsLockObject ----------------------------------------------------------------

int ActivateLock(lua_State* L)
{
    PushBool(L, OM_LOCK("ActivateLock", Arg::Number)->ActivateLock(ToInt(L, 2)));
    return 1;
}

int HackLock(lua_State* L)
{
    PushBool(L, OM_LOCK("HackLock")->HackLock());
    return 1;
}

int SetLocked(lua_State* L)
{
    OM_LOCK("SetLocked", Arg::Bool)->SetLocked(ToBool(L, 2));
    return 0;
}

int SetKeyID(lua_State* L)
{
    OM_LOCK("SetKeyID", Arg::Number)->SetKeyID(ToInt(L, 2));
    return 0;
}

int SetLockScript(lua_State* L)
{
    OM_LOCK("SetLockScript", Arg::String)->SetLockScript(ToString(L, 2));
    return 0;
}

int SetLockHeight(lua_State* L)
{
    OM_LOCK("SetLockHeight", Arg::Number)->SetLockHeight(ToFloat(L, 2));
    return 0;
}

int GetLocked(lua_State* L)
{
    PushBool(L, OM_LOCK("GetLocked")->GetLocked());
    return 1;
}

// ---- TsLightEffectObject -------------------------------------------------------

int SetLight(lua_State* L)
{
    OM_LIGHT("SetLight", Arg::String)->SetLight(ToString(L, 2));
    return 0;
}

int SetBound(lua_State* L)
{
    OM_LIGHT("SetBound", Arg::String)->SetBound(ToString(L, 2));
    return 0;
}

int SetEffect(lua_State* L)
{
    OM_LIGHT("SetEffect", Arg::Number)->SetEffect(uint32_t(ToInt(L, 2)));
    return 0;
}

int SetSwitch(lua_State* L)
{
    OM_LIGHT("SetSwitch", Arg::Bool)->SetSwitch(ToBool(L, 2));
    return 0;
}

int TriggerEffect(lua_State* L)
{
    OM_LIGHT("TriggerEffect")->TriggerEffect();
    return 0;
}

int ToggleSwitch(lua_State* L)
{
    PushBool(L, OM_LIGHT("ToggleSwitch")->ToggleSwitch());
    return 1;
}

} // namespace

void TsCollectibleObjectClass(lua_State* L)
{
    tolua_function(L, "SetTemplate", SetTemplate);
    tolua_function(L, "HasOwner", HasOwner);
    tolua_function(L, "GetOwner", GetOwner);
    tolua_function(L, "SetCanEquip", SetCanEquip);
    tolua_function(L, "CanEquip", CanEquip);
    tolua_function(L, "SetCanDrop", SetCanDrop);
    tolua_function(L, "CanDrop", CanDrop);
    tolua_function(L, "CanPickup", CanPickup);
    tolua_function(L, "SetForSale", SetForSale);
    tolua_function(L, "IsForSale", IsForSale);
    tolua_function(L, "SetValue", SetValue);
    tolua_function(L, "GetValue", GetValue);
    tolua_function(L, "GetPickupDelay", GetPickupDelay);
}

void TsInventoryClass(lua_State* L)
{
    tolua_function(L, "SetMaxCount", SetMaxCount);
    tolua_function(L, "GetMaxCount", GetMaxCount);
    tolua_function(L, "GetTotalCount", GetTotalCount);
    tolua_function(L, "GetWeaponCount", GetWeaponCount);
    tolua_function(L, "GetAmmoCount", GetAmmoStackCount);
    tolua_function(L, "AddArticle", AddArticle);
    tolua_function(L, "AddArticleAndRemove", AddArticleAndRemove);
    tolua_function(L, "RemoveArticle", RemoveArticle);
    tolua_function(L, "GetArticle", GetArticle);
    tolua_function(L, "GetWeapon", GetWeapon);
    tolua_function(L, "GetAmmo", GetAmmo);
    tolua_function(L, "GetItem", GetItem);
    tolua_function(L, "GetEquipped", GetEquipped);
    tolua_function(L, "EquipArticle", EquipArticle);
    tolua_function(L, "UnequipArticle", UnequipArticle);
    tolua_function(L, "EquipPrevious", EquipPrevious);
    tolua_function(L, "EquipNext", EquipNext);
    tolua_function(L, "GetAmmoCount", GetAmmoCountForWeapon);
}

void TsItemObjectClass(lua_State* L)
{
    tolua_function(L, "new", PooledNew<TsItemObject, &kItem>);
    tolua_function(L, "delete", PooledDelete<TsItemObject, &kItem>);
    tolua_function(L, "SetStack", SetStack);
    tolua_function(L, "GetStack", GetStack);
    tolua_function(L, "SetMaxStack", SetMaxStack);
    tolua_function(L, "GetMaxStack", GetMaxStack);
    tolua_function(L, "SetAmmoType", SetAmmoType);
    tolua_function(L, "GetAmmoType", GetAmmoType);
    tolua_function(L, "IsAmmo", IsAmmo);
    tolua_function(L, "SetPackSize", SetPackSize);
    tolua_function(L, "GetPackSize", GetPackSize);
    tolua_function(L, "SetVitality", SetVitality);
    tolua_function(L, "GetVitality", GetVitality);
    tolua_function(L, "SetHealth", SetHealth);
    tolua_function(L, "GetHealth", GetHealth);
    tolua_function(L, "SetMatterType", SetMatterType);
    tolua_function(L, "IsAutoUse", IsAutoUse);
    tolua_function(L, "SetUsage", SetUsage);
    tolua_function(L, "OnRemove", OnRemove);
    tolua_function(L, "FlagSoundForLoading", ItemFlagSoundForLoading);
}

void TsStashObjectClass(lua_State* L)
{
    tolua_function(L, "new", PooledNew<TsStashObject, &kStash>);
    tolua_function(L, "delete", PooledDelete<TsStashObject, &kStash>);
    tolua_function(L, "SetPayloadType", SetPayloadType);
    tolua_function(L, "SetPayloadTemplate", SetPayloadTemplate);
    tolua_function(L, "GetPayloadItem", GetPayloadItem);
    tolua_function(L, "GetPayloadWeapon", GetPayloadWeapon);
}

void TsLockObjectClass(lua_State* L)
{
    tolua_function(L, "new", PooledNew<TsLockObject, &kLock>);
    tolua_function(L, "delete", PooledDelete<TsLockObject, &kLock>);
    tolua_function(L, "ActivateLock", ActivateLock);
    tolua_function(L, "HackLock", HackLock);
    tolua_function(L, "SetLocked", SetLocked);
    tolua_function(L, "SetKeyID", SetKeyID);
    tolua_function(L, "SetLockScript", SetLockScript);
    tolua_function(L, "SetLockHeight", SetLockHeight);
    tolua_function(L, "GetLocked", GetLocked);
}

void TsLightEffectObjectClass(lua_State* L)
{
    tolua_function(L, "new", PooledNew<TsLightEffectObject, &kLightEffect>);
    tolua_function(L, "delete", PooledDelete<TsLightEffectObject, &kLightEffect>);
    tolua_function(L, "SetLight", SetLight);
    tolua_function(L, "SetBound", SetBound);
    tolua_function(L, "SetEffect", SetEffect);
    tolua_function(L, "SetSwitch", SetSwitch);
    tolua_function(L, "TriggerEffect", TriggerEffect);
    tolua_function(L, "ToggleSwitch", ToggleSwitch);
}

} // namespace script::bind
