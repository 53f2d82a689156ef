// A node that holds child nodes, one reference on each. Slots of removed
// children may be null until a new child fills them.
#pragma once

#include "engine/OmArray.h"
#include "engine/OmNode.h"

class OmGroup : public OmNode {
    OM_DECLARE_CLASS(OmGroup)

    OmGroup() = default;
    // A group read from an archive reserves room for large models.
    explicit OmGroup(OmArchive& archive);
    ~OmGroup() override;

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;

    OmNode* NewInstance() override { return new OmGroup(); }
    void CopyFrom(const OmNode& other) override;
    void Update(float time) override;
    void Render(OmRenderer& renderer) override;
    void UpdateBounds() override;

    // The slot the child went into.
    uint32_t AddChild(OmNode* child);
    // The slot it was in; -1 for null or a node that is not a child.
    int32_t RemoveChild(OmNode* child);
    void RemoveAllChildren();
    OmNode* GetChild(uint32_t index) const;
    // The first child at or after cursor; cursor ends one past it.
    OmNode* GetNextChild(uint32_t& cursor) const;
    // Slots, null ones included.
    int32_t GetChildCount() const { return int32_t(m_children.GetCount()); }
    int32_t GetLiveChildCount() const { return m_childCount; }

private:
    int32_t m_childCount = 0;
    OmArray<OmNode*> m_children{4};
};

// Depth first, children in slot order, the root's own name not compared.
bool FindNodeByName(const char* name, OmGroup* root, OmNode*& found);

// Replaces every engine mesh of the tree by a render mesh made by the
// renderer and registers its lights; false when one conversion failed.
bool CreateRenderMeshes(OmGroup* root, OmRenderer& renderer, uint32_t renderFlags);
