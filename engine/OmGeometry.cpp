#include "engine/OmGeometry.h"

#include "engine/OmArchive.h"
#include "engine/OmShape.h"

OM_IMPLEMENT_ABSTRACT_CLASS(OmGeometry, OmObject)

bool OmGeometry::Register(OmArchive& archive)
{
    if (!OmObject::Register(archive))
        return false;
    for (OmShape* shape = m_firstUser; shape; shape = shape->m_nextUser)
        shape->Register(archive);
    return true;
}

void OmGeometry::Write(OmArchive& archive)
{
    OmObject::Write(archive);
    archive.WriteVector(m_bounds.centre)
        .WriteFloat(m_bounds.radius)
        .WriteObjectRef(OmShape::SavedUser(archive, m_firstUser, &OmShape::m_nextUser));
}

void OmGeometry::Read(OmArchive& archive)
{
    OmObject::Read(archive);
    archive.ReadVector(m_bounds.centre).ReadFloat(m_bounds.radius).ReadRef(m_firstUser);
}

bool OmGeometry::LinksAreSound() const
{
    // Each step checks that the next shape points back at the one before.
    // A list that loops must at some step reach a shape already visited,
    // whose back link was checked to be another: so the walk ends.
    const OmShape* previous = nullptr;
    for (const OmShape* shape = m_firstUser; shape; previous = shape, shape = shape->m_nextUser) {
        if (shape->m_prevUser != previous || shape->m_geometry != this)
            return false;
    }
    return true;
}

void OmGeometry::BoundsChanged()
{
    for (OmShape* shape = m_firstUser; shape; shape = shape->GetNextUser())
        shape->SetDirty();
}

void OmGeometry::ReplaceWith(OmGeometry* geometry)
{
    // Each SetGeometry unlinks the shape, so the head moves on every step;
    // the reference keeps this geometry alive until the last shape has left.
    AddRef();
    while (OmShape* shape = m_firstUser) {
        shape->SetGeometry(geometry);
        if (m_firstUser == shape) // replaced by this very geometry
            break;
    }
    Release();
}
