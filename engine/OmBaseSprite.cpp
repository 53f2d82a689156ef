#include "engine/OmBaseSprite.h"

// A sprite saves only what every object saves: its placement is set up again
// by whoever creates it.
OM_IMPLEMENT_ABSTRACT_CLASS(OmBaseSprite, OmObject)
OM_IMPLEMENT_CLASS(OmSprite, OmObject)
