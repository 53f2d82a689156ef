#include "game/objects/TsArticleOffer.h"

#include <utility>

#include "game/framework/TsAccess.h"
#include "game/framework/TsEntityDB.h"
#include "game/objects/TsCollectibleObject.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsItemObject.h"

namespace {

// An article the level handed over this tick is still on its lists, and the
// reference it came with is the one the list holds: that goes back to the
// level, which lets the article go with its other removed entities.
void LetGoOfMerged(OmRef<TsCollectibleObject>& article)
{
    TsEntityDB* db = TsAccess::EntityDB();
    TsCollectibleObject* merged = article;
    if (db && merged->HasFlag(TS_ENTITY_NO_GARBAGE) && db->ContainsEntity(merged)) {
        db->AddEntity(std::move(article));
        merged->SetFlag(TS_ENTITY_PENDING_DELETE);
    }
    article = nullptr;
}

} // namespace

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
    if (item->GetStack() <= 0)
        LetGoOfMerged(article);
    return added;
}
