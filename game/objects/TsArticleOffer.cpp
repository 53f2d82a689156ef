#include "game/objects/TsArticleOffer.h"

#include "game/objects/TsCollectibleObject.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsItemObject.h"

int32_t TsOfferArticle(TsInventory& inventory, OmRef<TsCollectibleObject>& article)
{
    if (!article)
        return 0;
    const int32_t added = inventory.AddArticle(article);
    if (added <= 0)
        return added;
    if (inventory.Holds(article)) {
        article.Detach(); // the inventory's now
        return added;
    }
    TsItemObject* item = TsItemObject::Cast(article.Get());
    if (!item || item->IsAutoUse())
        return added; // nothing of it was taken
    // Merged: what the stack took is no longer the article's.
    item->SetStack(item->GetStack() - added);
    // Used up, its reference goes; a level that handed it over this tick
    // still lists it with a reference of its own, till its next pass.
    if (item->GetStack() <= 0)
        article = nullptr;
    return added;
}
