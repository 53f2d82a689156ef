#include "engine/OmGroup.h"

#include <cstring>

#include "engine/OmArchive.h"
#include "engine/OmBaseMesh.h"
#include "engine/OmBaseMorphMesh.h"
#include "engine/OmBaseSkinMesh.h"
#include "engine/OmLight.h"
#include "engine/OmMesh.h"
#include "engine/OmMorphMesh.h"
#include "engine/OmMorphShape.h"
#include "engine/OmRef.h"
#include "engine/OmRenderer.h"
#include "engine/OmReport.h"
#include "engine/OmShape.h"
#include "engine/OmSkinMesh.h"
#include "engine/OmSkinShape.h"

OM_IMPLEMENT_CLASS(OmGroup, OmNode)

OmGroup::OmGroup(OmArchive& archive) : OmNode(archive), m_children(64)
{
}

OmGroup::~OmGroup()
{
    RemoveAllChildren();
}

OmGroup::Visit::Visit(OmGroup& group) : m_group(group), m_refused(group.m_visiting != 0)
{
    if (m_refused) {
        static bool said = false;
        if (!said)
            ReportError("OmGroup: group \"%s\" contains itself; its subtree is skipped",
                        group.NameOrEmpty());
        said = true;
        return;
    }
    group.m_visiting = 1;
}

OmGroup::Visit::~Visit()
{
    if (!m_refused)
        m_group.m_visiting = 0;
}

bool OmGroup::Register(OmArchive& archive)
{
    if (!OmNode::Register(archive))
        return false;
    for (uint32_t i = 0; i < m_children.GetCount(); ++i) {
        if (m_children[i])
            m_children[i]->Register(archive);
    }
    return true;
}

void OmGroup::Write(OmArchive& archive)
{
    OmNode::Write(archive);
    // The count written is that of the references that follow, so a group
    // whose live count drifted from its slots still reads back whole.
    uint32_t live = 0;
    for (uint32_t i = 0; i < m_children.GetCount(); ++i)
        live += m_children[i] ? 1 : 0;
    archive.WriteU32(live);
    for (uint32_t i = 0; i < m_children.GetCount(); ++i) {
        if (m_children[i])
            archive.WriteObjectRef(m_children[i]);
    }
}

void OmGroup::Read(OmArchive& archive)
{
    OmNode::Read(archive);
    uint32_t count = 0;
    archive.ReadU32(count);
    if (archive.HasFailed())
        return;
    if (!archive.CanRead(uint64_t(count) * 4))
        return archive.Fail("group with more children than the file holds");
    m_children.Resize(count);
    for (uint32_t i = 0; i < count; ++i)
        archive.ReadHeldRef(m_children[i]);
    m_childCount = int32_t(count);
}

void OmGroup::CopyFrom(const OmNode& other)
{
    OmNode::CopyFrom(other);
    const OmGroup* group = OmGroup::Cast(&other);
    if (!group)
        return;
    Visit visit(const_cast<OmGroup&>(*group));
    if (visit.Refused())
        return;
    for (uint32_t i = 0; i < group->m_children.GetCount(); ++i) {
        OmNode* source = group->m_children[i];
        if (!source)
            continue;
        const auto copy = OmRef<OmNode>::Adopt(source->NewInstance());
        if (!copy)
            continue;
        copy->CopyFrom(*source);
        AddChild(copy);
    }
}

void OmGroup::Update(float time)
{
    Visit visit(*this);
    if (visit.Refused())
        return;
    OmNode::UpdateTransform(time);
    for (uint32_t i = 0; i < m_children.GetCount(); ++i) {
        if (m_children[i])
            m_children[i]->Update(time);
    }
    UpdateBounds();
}

void OmGroup::Render(OmRenderer& renderer)
{
    Visit visit(*this);
    if (visit.Refused())
        return;
    for (uint32_t i = 0; i < m_children.GetCount(); ++i) {
        if (m_children[i])
            m_children[i]->RenderCulled(renderer);
    }
    // A group drawn directly (a root) empties its own lists here; lists of
    // every kind, so none of them collects entries frame after frame.
    EmptyModifierLists();
}

void OmGroup::UpdateBounds()
{
    if (!m_dirty)
        return;
    if (m_parent)
        m_parent->m_dirty = 1;
    m_bounds.SetEmpty();
    // Null slots (removed children) hold no volume, slot 0 included.
    for (uint32_t i = 0; i < m_children.GetCount(); ++i) {
        if (m_children[i])
            m_bounds.Enclose(m_children[i]->GetBounds());
    }
    m_dirty = 0;
}

uint32_t OmGroup::AddChild(OmNode* child)
{
    child->AddRef();
    child->m_parent = this;
    ++m_childCount;
    for (uint32_t i = 0; i < m_children.GetCount(); ++i) {
        if (!m_children[i]) {
            m_children[i] = child;
            return i;
        }
    }
    m_children.Add(child);
    m_dirty = 1;
    return m_children.GetCount() - 1;
}

int32_t OmGroup::RemoveChild(OmNode* child)
{
    if (!child)
        return -1;
    const uint32_t count = m_children.GetCount();
    uint32_t i = 0;
    while (i < count && m_children[i] != child)
        ++i;
    if (i == count) {
        m_dirty = 1;
        return -1;
    }
    child->m_parent = nullptr;
    child->Release();
    --m_childCount;
    for (uint32_t j = i + 1; j < count; ++j)
        m_children[j - 1] = m_children[j];
    m_children.Resize(count - 1);
    return int32_t(i);
}

void OmGroup::RemoveAllChildren()
{
    for (uint32_t i = 0; i < m_children.GetCount(); ++i) {
        OmNode* child = m_children[i];
        if (!child)
            continue;
        m_children[i] = nullptr;
        child->m_parent = nullptr;
        child->Release();
    }
    m_children.RemoveAll();
    m_dirty = 1;
    m_childCount = 0;
}

OmNode* OmGroup::GetChild(uint32_t index) const
{
    return index < m_children.GetCount() ? m_children[index] : nullptr;
}

OmNode* OmGroup::GetNextChild(uint32_t& cursor) const
{
    while (cursor < m_children.GetCount()) {
        OmNode* child = m_children[cursor++];
        if (child)
            return child;
    }
    return nullptr;
}

bool FindNodeByName(const char* name, OmGroup* root, OmNode*& found)
{
    found = nullptr;
    if (!root || !name)
        return false;
    OmGroup::Visit visit(*root);
    if (visit.Refused())
        return false;
    uint32_t cursor = 0;
    while (OmNode* child = root->GetNextChild(cursor)) {
        const char* childName = child->GetName();
        if (childName && std::strcmp(childName, name) == 0) {
            found = child;
            return true;
        }
        OmGroup* group = OmGroup::Cast(child);
        if (group && FindNodeByName(name, group, found))
            return true;
    }
    found = nullptr;
    return false;
}

namespace {

// The engine geometry gives way to a render mesh of the renderer's making in
// every shape that uses it. RenderMesh is the render kind of Engine.
template <class Engine, class RenderMesh>
bool ConvertShapeMesh(Engine* mesh, OmRef<RenderMesh> renderMesh, OmRenderer& renderer, uint32_t renderFlags)
{
    if (!renderMesh) {
        ReportError("CreateRenderMeshes: the renderer made no render mesh");
        return false;
    }
    const bool ok = mesh->ConvertForRenderer(renderer, renderFlags, *renderMesh);
    mesh->ReplaceWith(renderMesh);
    return ok;
}

// A shape's geometry by its kind: skinned shapes carry skin meshes, morph
// shapes morph meshes, plain shapes static meshes. Geometry that is already
// a render mesh (or that the shape cannot draw) is left alone.
bool ConvertShape(OmShape* shape, OmRenderer& renderer, uint32_t renderFlags)
{
    OmGeometry* geometry = shape->GetGeometry();
    if (OmSkinShape::Cast(shape)) {
        OmSkinMesh* skin = OmSkinMesh::Cast(geometry);
        return !skin
            || ConvertShapeMesh(skin, OmRef<OmBaseSkinMesh>::Adopt(renderer.CreateSkinMesh()), renderer, renderFlags);
    }
    if (OmMorphShape::Cast(shape)) {
        OmMorphMesh* morph = OmMorphMesh::Cast(geometry);
        return !morph
            || ConvertShapeMesh(morph, OmRef<OmBaseMorphMesh>::Adopt(renderer.CreateMorphMesh()), renderer,
                                renderFlags);
    }
    OmMesh* mesh = OmMesh::Cast(geometry);
    return !mesh || ConvertShapeMesh(mesh, OmRef<OmBaseMesh>::Adopt(renderer.CreateMesh()), renderer, renderFlags);
}

} // namespace

bool CreateRenderMeshes(OmGroup* root, OmRenderer& renderer, uint32_t renderFlags)
{
    bool result = true;
    if (!root)
        return result;
    OmGroup::Visit visit(*root);
    if (visit.Refused())
        return result;
    uint32_t cursor = 0;
    while (OmNode* child = root->GetNextChild(cursor)) {
        if (OmGroup* group = OmGroup::Cast(child)) {
            result = CreateRenderMeshes(group, renderer, renderFlags) && result;
        } else if (OmShape* shape = OmShape::Cast(child)) {
            result = ConvertShape(shape, renderer, renderFlags) && result;
        } else if (OmLight* light = OmLight::Cast(child)) {
            light->AddToRenderer(renderer);
        }
    }
    return result;
}
