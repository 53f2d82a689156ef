#include "engine/OmNode.h"

#include "engine/OmArchive.h"
#include "engine/OmCamera.h"
#include "engine/OmController.h"
#include "engine/OmModifier.h"
#include "engine/OmRenderer.h"

OM_IMPLEMENT_ABSTRACT_CLASS(OmNode, OmObject)

OmNode::OmNode(OmArchive& archive) : OmObject(archive)
{
}

OmNode::~OmNode()
{
    while (m_controllers) {
        OmController* next = m_controllers->next;
        delete m_controllers;
        m_controllers = next;
    }
    EmptyModifierLists();
}

bool OmNode::Register(OmArchive& archive)
{
    return OmObject::Register(archive);
}

void OmNode::Write(OmArchive& archive)
{
    OmObject::Write(archive);
    archive.WriteObjectRef(m_parent);
    archive.WriteBytes(m_local.rotation.m, sizeof m_local.rotation.m);
    archive.WriteVector(m_local.position).WriteFloat(m_local.scale);
}

void OmNode::Read(OmArchive& archive)
{
    OmObject::Read(archive);
    archive.ReadRef(m_parent);
    archive.ReadBytes(m_local.rotation.m, sizeof m_local.rotation.m);
    archive.ReadVector(m_local.position).ReadFloat(m_local.scale);
    m_dirty = 1;
}

void OmNode::CopyFrom(const OmNode& other)
{
    SetName(other.GetName());
    m_local = other.m_local;
    m_dirty = 1;
}

void OmNode::Update(float time)
{
    UpdateTransform(time);
    if (m_dirty && m_parent)
        m_parent->m_dirty = 1;
    UpdateBounds();
}

void OmNode::Render(OmRenderer&)
{
}

void OmNode::UpdateTransform(float time)
{
    if (m_controllers) {
        bool hold = false;
        for (OmController* c = m_controllers; c; c = c->next)
            hold = c->Update(time);
        if (hold)
            return;
    }
    if (!m_parent) {
        m_world = m_local;
        return;
    }
    const OmTransform& p = m_parent->m_world;
    m_world.scale = p.scale * m_local.scale;
    OmMatrix3::Multiply(m_local.rotation, p.rotation, m_world.rotation);
    m_world.position = p.position + p.rotation.Transform(m_local.position) * p.scale;
}

void OmNode::AddController(OmController* controller)
{
    if (!controller)
        return;
    controller->next = nullptr;
    OmController** end = &m_controllers;
    while (*end)
        end = &(*end)->next;
    *end = controller;
    controller->SetTarget(this);
}

void OmNode::AddModifier(OmModifier* modifier)
{
    const int kind = modifier ? modifier->GetKind() : -1;
    if (kind < 0 || kind >= kModifierKinds)
        return;
    // Once per list: a node that is not drawn for a while must not collect
    // a copy of each of its lights every frame.
    OmVoidChain& list = m_modifierLists[kind];
    for (const OmVoidChain::Link* link = list.GetFirst(); link && link->value; link = link->next) {
        if (link->value == modifier)
            return;
    }
    list.Insert(modifier);
}

void OmNode::EmptyModifierLists()
{
    for (OmVoidChain& list : m_modifierLists) {
        while (!list.IsEmpty())
            list.Remove(list.GetFirst()->value);
    }
}

void OmNode::RenderCulled(OmRenderer& renderer)
{
    OmCamera* camera = renderer.GetCamera();
    const uint32_t savedMask = camera ? camera->GetPlaneMask() : 0;
    if (camera && camera->IsSphereCulled(m_bounds)) {
        camera->SetPlaneMask(savedMask);
        // The modifiers insert themselves again next frame: a culled node
        // must not keep this frame's entries or its lists grow every frame.
        EmptyModifierLists();
        return;
    }
    for (int kind = 0; kind < kModifierKinds; ++kind) {
        if (!m_modifierLists[kind].IsEmpty())
            OmSwitchLights(renderer, kind, m_modifierLists[kind], true);
    }
    Render(renderer);
    if (camera)
        camera->SetPlaneMask(savedMask);
    for (int kind = 0; kind < kModifierKinds; ++kind) {
        if (!m_modifierLists[kind].IsEmpty())
            OmSwitchLights(renderer, kind, m_modifierLists[kind], false);
    }
    EmptyModifierLists();
}
