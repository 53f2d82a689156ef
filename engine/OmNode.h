// The abstract node of the scene tree. A node has a local transform, a
// world transform composed from its parent's, a world bounding sphere, the
// controllers that animate it and three lists of modifiers (lights) that
// apply to it while it is drawn. Groups hold children, shapes draw one
// geometry, modifiers light the nodes they target.
#pragma once

#include "engine/OmMatrix3.h"
#include "engine/OmObject.h"
#include "engine/OmSphere.h"
#include "engine/OmVector3.h"
#include "engine/OmVoidChain.h"

class OmController;
class OmModifier;
class OmRenderer;

// Rotation (row vectors), position and one uniform scale.
struct OmTransform {
    OmMatrix3 rotation;
    OmVector3 position;
    float scale = 1.0f;
};

class OmNode : public OmObject {
    OM_DECLARE_ABSTRACT_CLASS(OmNode)

    static constexpr int kModifierKinds = 3;

    OmNode() = default;
    explicit OmNode(OmArchive& archive);
    ~OmNode() override;

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;

    // A new default node of the same class, from its pool.
    virtual OmNode* NewInstance() = 0;
    virtual void CopyFrom(const OmNode& other);
    virtual void Update(float time);
    virtual void Render(OmRenderer& renderer);
    virtual void UpdateTransform(float time);
    virtual void UpdateBounds() = 0;

    // Writable accessors mark the node dirty.
    OmMatrix3& LocalRotation() { return Touch(m_local.rotation); }
    OmVector3& LocalPosition() { return Touch(m_local.position); }
    float& LocalScale() { return Touch(m_local.scale); }
    const OmTransform& GetLocal() const { return m_local; }

    const OmMatrix3& GetWorldRotation() const { return m_world.rotation; }
    const OmVector3& GetWorldPosition() const { return m_world.position; }
    float GetWorldScale() const { return m_world.scale; }
    OmMatrix3& GetRotation() { return Touch(m_world.rotation); }
    OmVector3& GetPosition() { return Touch(m_world.position); }
    float& GetScale() { return Touch(m_world.scale); }

    const OmSphere& GetBounds() const { return m_bounds; }
    OmNode* GetParent() const { return m_parent; }
    bool IsDirty() const { return m_dirty != 0; }
    void SetDirty() { m_dirty = 1; }

    // The node takes ownership; controllers run in chain order.
    void AddController(OmController* controller);
    OmController* GetControllers() const { return m_controllers; }

    void AddModifier(OmModifier* modifier);
    const OmVoidChain& GetModifierList(int kind) const { return m_modifierLists[kind]; }
    // The draw of a child: frustum test against the renderer's camera, then
    // the node's lights around its Render.
    void RenderCulled(OmRenderer& renderer);

protected:
    template <class T>
    T& Touch(T& field)
    {
        m_dirty = 1;
        return field;
    }
    void EmptyModifierLists();

    OmNode* m_parent = nullptr;
    OmTransform m_local;
    OmTransform m_world;
    OmSphere m_bounds;
    uint8_t m_dirty = 1;
    OmController* m_controllers = nullptr;
    OmVoidChain m_modifierLists[kModifierKinds];

    friend class OmGroup;
    friend class OmSkinShape; // hangs the nodes of its bones from itself
};
