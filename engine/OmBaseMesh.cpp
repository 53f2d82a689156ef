#include "engine/OmBaseMesh.h"

OM_IMPLEMENT_ABSTRACT_CLASS(OmBaseMesh, OmGeometry)
