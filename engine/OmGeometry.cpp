#include "engine/OmGeometry.h"

#include "engine/OmArchive.h"
#include "engine/OmShape.h"

OM_IMPLEMENT_ABSTRACT_CLASS(OmGeometry, OmObject)

bool OmGeometry::Register(OmArchive& archive)
{
    if (!OmObject::Register(archive))
        return false;
    if (m_firstUser)
        m_firstUser->Register(archive);
    return true;
}

void OmGeometry::Write(OmArchive& archive)
{
    OmObject::Write(archive);
    archive.WriteVector(m_bounds.centre).WriteFloat(m_bounds.radius).WriteObjectRef(m_firstUser);
}

void OmGeometry::Read(OmArchive& archive)
{
    OmObject::Read(archive);
    archive.ReadVector(m_bounds.centre).ReadFloat(m_bounds.radius).ReadRef(m_firstUser);
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
