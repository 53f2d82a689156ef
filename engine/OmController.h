// The base of everything that animates a scene node. A node keeps its
// controllers in a chain and runs them before it composes its world
// transform; the timed and keyframe controllers derive from this.
#pragma once

#include "engine/OmObject.h"

class OmNode;

class OmController : public OmObject {
    OM_DECLARE_ABSTRACT_CLASS(OmController)

    OmController() = default;
    explicit OmController(OmArchive& archive) : OmObject(archive) {}

    virtual void SetTarget(OmNode* node) { target = node; }
    // True keeps the node's world transform as it was this update.
    virtual bool Update(float time) = 0;

    OmNode* target = nullptr;
    OmController* next = nullptr; // owned by the node's chain
    uint8_t enabled = 1;
};
