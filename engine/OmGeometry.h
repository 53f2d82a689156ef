// The base of everything a shape draws. It keeps a model-space bounding
// sphere and the list of shapes that draw it. Engine meshes draw nothing:
// the renderer builds its own render mesh from them.
#pragma once

#include "engine/OmObject.h"
#include "engine/OmSphere.h"

class OmRenderer;
class OmShape;

class OmGeometry : public OmObject {
    OM_DECLARE_ABSTRACT_CLASS(OmGeometry)

    OmGeometry() = default;
    explicit OmGeometry(OmArchive& archive) : OmObject(archive) {}

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    bool LinksAreSound() const override;

    // Draws with the world transform last set.
    virtual void Render(OmRenderer& renderer) = 0;
    virtual void ComputeBounds() { BoundsChanged(); }
    virtual bool IsUsable() const { return true; }
    // What render meshes report of their device data; engine geometry has
    // none of it.
    virtual const void* GetTriangles() const { return nullptr; }
    virtual const void* GetVertices() const { return nullptr; }
    virtual uint32_t GetVertexFormat() const { return 0; }

    // The renderer's passes a geometry takes part in, as bits: the scene
    // pass draws in place (opaque, and blended triangles filed into the
    // geometry batch); the sorted pass draws the blended and additive
    // triangles the geometry queued, far to near, after the scene.
    static constexpr uint32_t kScenePass = 1;
    static constexpr uint32_t kSortedPass = 2;
    virtual uint32_t GetPassMask() const { return kScenePass; }

    // Marks every user shape dirty so it refreshes its world sphere.
    void BoundsChanged();
    // Every user shape takes the new geometry in place of this one.
    void ReplaceWith(OmGeometry* geometry);

    const OmSphere& GetBounds() const { return m_bounds; }
    void SetBounds(const OmSphere& bounds) { m_bounds = bounds; }
    OmShape* GetFirstUser() const { return m_firstUser; }

protected:
    OmSphere m_bounds;
    OmShape* m_firstUser = nullptr;

    friend class OmShape;
};
