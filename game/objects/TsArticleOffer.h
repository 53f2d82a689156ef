// Handing an article to an inventory together with the caller's reference
// to it. The inventory either lists the article (and keeps the reference),
// or merges it into a stack it already holds (and keeps nothing of the
// article itself), or refuses it. A merged article is the caller's to let
// go of: this is the one place that does, so that no caller can forget.
#pragma once

#include <cstdint>

#include "engine/OmRef.h"

class TsCollectibleObject;
class TsInventory;

// Offers article to inventory and answers what TsInventory::AddArticle
// answers. Listed: the inventory takes the reference. Merged: the rounds
// the stack took are taken off the article, and once none are left the
// reference is let go of (the article goes unless someone else holds it).
// article is left holding what the caller still has: the article refused
// (or an auto-use item, which an inventory never keeps), or the rest of one
// merged in part; null when the inventory took it all.
int32_t TsOfferArticle(TsInventory& inventory, OmRef<TsCollectibleObject>& article);
