#include "engine/OmController.h"

OM_IMPLEMENT_ABSTRACT_CLASS(OmController, OmObject)
