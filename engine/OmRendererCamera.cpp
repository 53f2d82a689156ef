#include "engine/OmRendererCamera.h"

OM_IMPLEMENT_UNLISTED_CLASS(OmRendererCamera, OmCamera)
