// A character's articles: the inventory's equipped article shown on the
// node the skinned model keeps for the attack bone, and articles given to
// another character.

#include <algorithm>

#include "engine/OmGroup.h"
#include "engine/OmNode.h"
#include "engine/OmRef.h"
#include "engine/OmSkinShape.h"
#include "game/objects/TsArticleOffer.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsItemObject.h"
#include "game/objects/TsWeaponObject.h"

namespace {

// Where the article sits in the hand, relative to the attack bone.
const OmVector3 kHandOffset(0.1f, 0.0f, 0.05f);

OmGroup* AttackNode(OmNode* modelInstance, int32_t attackBone)
{
    if (!modelInstance || attackBone < 0 || !modelInstance->IsKindOf(&OmSkinShape::s_class))
        return nullptr;
    auto* shape = static_cast<OmSkinShape*>(modelInstance);
    for (uint32_t i = 0; i < shape->GetAttachmentCount(); ++i)
        if (shape->GetAttachment(i).bone == attackBone)
            return shape->GetAttachment(i).node;
    return nullptr;
}

} // namespace

void TsCharacterObject::AttachArticle(TsCollectibleObject* article)
{
    OmNode* node = article ? article->GetModel() : nullptr;
    OmGroup* hand = AttackNode(m_modelInstance, m_attackBone);
    if (!node || !hand)
        return;
    // A radiation generator works from the character's body, not its hand.
    if (const TsWeaponObject* weapon = TsWeaponObject::Cast(article))
        if (weapon->Attributes(false).weaponType == TS_WEAPON_RADIATION_GENERATOR)
            return;
    if (node->GetParent() == hand)
        return;
    node->LocalPosition() = kHandOffset;
    node->LocalRotation().SetIdentity();
    hand->AddChild(node);
}

void TsCharacterObject::DetachArticle(TsCollectibleObject* article)
{
    OmNode* node = article ? article->GetModel() : nullptr;
    OmGroup* hand = AttackNode(m_modelInstance, m_attackBone);
    if (node && hand && node->GetParent() == hand)
        hand->RemoveChild(node);
}

// Stackable items go over a pack at a time: into the receiver's stack of
// the kind, or as a new item made from the same template. A pack of no
// items (a pack size or stack of 0 or less) moves nothing and is refused,
// so giving everything always comes to an end.
bool TsCharacterObject::GiveArticle(TsCharacterObject* other, TsObject* object)
{
    auto* article = TsCollectibleObject::Cast(object);
    TsInventory* to = other ? other->GetInventory() : nullptr;
    // Giving to oneself moves nothing: it would take the article out and
    // put it straight back, for ever when the whole inventory is given.
    if (!article || !to || !m_inventory || other == this || !article->CanDrop())
        return false;
    TsItemObject* stack = nullptr;
    if (!to->CanAdd(article, stack)) {
        other->PlaySoundSlot(TS_CHARSOUND_CANNOTPICKUP, other->GetPosition());
        return false;
    }
    PlaySoundSlot(TS_CHARSOUND_GIVE, m_position);
    if (article->GetMdl() && *article->GetMdl() && !article->Import())
        return false;
    TsItemObject* item = TsItemObject::Cast(article);
    if (!item || !item->IsStackable()) {
        // The inventory's reference goes with it; rounds merged into the
        // receiver's stack leave the rest of it (or nothing) to hand back.
        OmRef<TsCollectibleObject> moving = m_inventory->RemoveArticle(article);
        if (!moving)
            return false;
        const int32_t added = TsOfferArticle(*to, moving);
        if (moving) {
            moving->SetPickupDelay(0); // back where it was
            TsOfferArticle(*m_inventory, moving);
        }
        return added > 0;
    }
    const int32_t n = std::min(item->GetStack(), item->GetPackSize());
    if (n <= 0)
        return false;
    if (stack) {
        const int32_t added = stack->AddToStack(n);
        item->AddToStack(-added); // may use the item up: the last thing done with it
        return added > 0;
    }
    auto copy = OmMakeRef<TsItemObject>();
    copy->CopyFromTemplate(item);
    copy->SetStack(n);
    if (to->AddArticle(copy) == 0) {
        return false;
    }
    copy.Detach(); // the inventory keeps the reference the copy was made with
    item->AddToStack(-n);
    return true;
}

int32_t TsCharacterObject::GiveEntireInventory(TsCharacterObject* other)
{
    if (!m_inventory)
        return 0;
    // A given article leaves its place to the next; a refused one stays.
    for (int32_t i = 0; i < m_inventory->GetTotalCount();) {
        if (!GiveArticle(other, m_inventory->GetArticle(i)))
            ++i;
    }
    return m_inventory->GetTotalCount();
}
