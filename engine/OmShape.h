// A node that draws one geometry. Many shapes may share a geometry; the
// geometry keeps the list of its shapes so a render mesh can take the place
// of an engine mesh in all of them at once.
#pragma once

#include "engine/OmNode.h"

class OmGeometry;

class OmShape : public OmNode {
    OM_DECLARE_CLASS(OmShape)

    OmShape() = default;
    explicit OmShape(OmArchive& archive) : OmNode(archive) {}
    ~OmShape() override;

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    bool LinksAreSound() const override;

    OmNode* NewInstance() override { return new OmShape(); }
    void CopyFrom(const OmNode& other) override;
    void Render(OmRenderer& renderer) override;
    void UpdateBounds() override;

    // Takes a reference on the new geometry and gives back the old one.
    virtual void SetGeometry(OmGeometry* geometry);
    OmGeometry* GetGeometry() const { return m_geometry; }
    OmShape* GetNextUser() const { return m_nextUser; }
    OmShape* GetPrevUser() const { return m_prevUser; }

private:
    friend class OmGeometry;

    // The first shape from `from` on, going along `step`, that the archive
    // saves.
    static const OmShape* SavedUser(const OmArchive& archive, const OmShape* from, OmShape* OmShape::*step);

    OmGeometry* m_geometry = nullptr;
    OmShape* m_prevUser = nullptr;
    OmShape* m_nextUser = nullptr;
};
