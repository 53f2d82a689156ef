// The renderer's own camera. It lives as long as the renderer, across mode
// switches that free every scene object at once, so its class is kept out
// of the class registry and its pool survives them.
#pragma once

#include "engine/OmCamera.h"

class OmRendererCamera : public OmCamera {
    OM_DECLARE_CLASS(OmRendererCamera)

    OmRendererCamera() = default;
    explicit OmRendererCamera(OmArchive& archive) : OmCamera(archive) {}
};
