#include "engine/OmShape.h"

#include "engine/OmArchive.h"
#include "engine/OmGeometry.h"
#include "engine/OmRenderer.h"

OM_IMPLEMENT_CLASS(OmShape, OmNode)

OmShape::~OmShape()
{
    SetGeometry(nullptr);
}

bool OmShape::Register(OmArchive& archive)
{
    if (!OmNode::Register(archive))
        return false;
    // The geometry registers every shape of its list in turn: following the
    // list from shape to shape would recurse once per shape sharing it.
    if (m_geometry)
        m_geometry->Register(archive);
    return true;
}

void OmShape::Write(OmArchive& archive)
{
    OmNode::Write(archive);
    // The file holds the list of the saved shapes alone, so that a shape the
    // archive cannot save leaves no link that contradicts the others; with a
    // geometry it cannot save, the shape is in no list at all.
    const bool listed = archive.GetObjectIndex(m_geometry) >= 0;
    archive.WriteObjectRef(m_geometry)
        .WriteObjectRef(listed ? SavedUser(archive, m_prevUser, &OmShape::m_prevUser) : nullptr)
        .WriteObjectRef(listed ? SavedUser(archive, m_nextUser, &OmShape::m_nextUser) : nullptr);
}

const OmShape* OmShape::SavedUser(const OmArchive& archive, const OmShape* from, OmShape* OmShape::*step)
{
    while (from && archive.GetObjectIndex(from) < 0)
        from = from->*step;
    return from;
}

void OmShape::Read(OmArchive& archive)
{
    OmNode::Read(archive);
    archive.ReadHeldRef(m_geometry).ReadRef(m_prevUser).ReadRef(m_nextUser);
}

bool OmShape::LinksAreSound() const
{
    // Unlinking trusts both neighbours and the geometry's head, so each must
    // agree with this shape.
    if (!m_geometry)
        return !m_prevUser && !m_nextUser;
    if (m_prevUser ? m_prevUser->m_nextUser != this || m_prevUser->m_geometry != m_geometry
                   : m_geometry->m_firstUser != this)
        return false;
    return !m_nextUser || (m_nextUser->m_prevUser == this && m_nextUser->m_geometry == m_geometry);
}

void OmShape::CopyFrom(const OmNode& other)
{
    m_local = other.GetLocal();
    m_dirty = 1;
    if (const OmShape* shape = OmShape::Cast(&other))
        SetGeometry(shape->m_geometry);
    SetName(other.GetName());
}

void OmShape::Render(OmRenderer& renderer)
{
    renderer.SetWorldTransform(&m_world.rotation, &m_world.position, m_world.scale);
    if (m_geometry)
        m_geometry->Render(renderer);
}

void OmShape::UpdateBounds()
{
    // The dirty flag stays set: a shape refreshes its sphere and tells its
    // parent on every update, as its world transform may have moved.
    if (m_dirty && m_geometry)
        m_bounds.Place(m_geometry->GetBounds(), m_world.rotation, m_world.position, m_world.scale);
}

void OmShape::SetGeometry(OmGeometry* geometry)
{
    if (geometry == m_geometry)
        return;
    if (m_geometry) {
        if (m_prevUser)
            m_prevUser->m_nextUser = m_nextUser;
        else
            m_geometry->m_firstUser = m_nextUser;
        if (m_nextUser)
            m_nextUser->m_prevUser = m_prevUser;
        m_prevUser = m_nextUser = nullptr;
        OmGeometry* old = m_geometry;
        m_geometry = nullptr;
        old->Release();
    }
    if (geometry) {
        m_nextUser = geometry->m_firstUser;
        if (m_nextUser)
            m_nextUser->m_prevUser = this;
        m_prevUser = nullptr;
        geometry->m_firstUser = this;
        m_geometry = geometry;
        geometry->AddRef();
    }
    m_dirty = 1;
}
