// The node base of lights: a modifier targets nodes and, each frame while
// it is enabled, puts itself in the modifier list of its kind on every
// target, so the target's draw switches it on around itself.
#pragma once

#include "engine/OmNode.h"

class OmModifier : public OmNode {
    OM_DECLARE_ABSTRACT_CLASS(OmModifier)

    OmModifier() = default;
    explicit OmModifier(OmArchive& archive) : OmNode(archive) {}

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    void Update(float time) override;
    void UpdateBounds() override {}

    // Which of a node's three modifier lists this modifier joins.
    virtual int GetKind() const = 0;

    // No reference is taken; the newest target is met first.
    void AddTarget(OmNode* node) { m_targets.Insert(node); }
    const OmVoidChain& GetTargets() const { return m_targets; }
    bool IsEnabled() const { return m_enabled != 0; }
    void SetEnabled(bool enabled) { m_enabled = enabled ? 1 : 0; }
    const OmSphere& GetRange() const { return m_range; }
    OmSphere& Range() { return m_range; }

    // Kept by the renderer's light sets.
    uint32_t useCount = 0;

protected:
    uint8_t m_enabled = 1;
    OmVoidChain m_targets;
    OmSphere m_range{OmVector3(), 0.0f};
};

// Switches the modifiers of one list on (or off again) in the renderer's
// light set of that kind around a node's draw.
void OmSwitchLights(OmRenderer& renderer, int kind, const OmVoidChain& list, bool on);
