// The article in a character's hand: the inventory's equipped article is
// shown on the node the skinned model keeps for the attack bone.

#include "engine/OmGroup.h"
#include "engine/OmNode.h"
#include "engine/OmSkinShape.h"
#include "game/objects/TsCharacterObject.h"
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
