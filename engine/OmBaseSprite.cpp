#include "engine/OmBaseSprite.h"

OM_IMPLEMENT_ABSTRACT_CLASS(OmBaseSprite, OmObject)
