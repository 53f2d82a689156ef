#include "game/objects/TsBoundObject.h"

#include <cmath>

#include "engine/OmArchive.h"
#include "engine/OmVector3.h"
#include "game/framework/TsLog.h"

OM_IMPLEMENT_CLASS(TsBoundObject, TsObject)

static_assert(sizeof(OmPlane) == 16, "bound planes are saved as four raw floats");
static_assert(sizeof(TsBoundObject::Volume) == 8, "bound volumes are saved as two raw words");

namespace {

// Relative size of the cross product below which three points count as one line.
constexpr float kCollinear = 1.0e-6f;

} // namespace

int32_t TsBoundObject::AddPlane(int32_t volume, const OmVector3& p1, const OmVector3& p2, const OmVector3& p3)
{
    const uint32_t volumes = m_volumes.GetCount();
    if (volume < 0 || uint32_t(volume) > volumes) {
        LogErrorF("TsBoundObject %s: a plane for volume %d is refused; the bound has %u volumes and takes "
                  "planes for one of them or a new one",
                  NameOrEmpty(), volume, volumes);
        return -1;
    }
    const OmVector3 a = p3 - p2, b = p1 - p2;
    OmVector3 cross;
    CrossProduct(a, b, cross);
    if (!IsFinite(p1) || !IsFinite(p2) || !IsFinite(p3) ||
        !(cross.Length() > kCollinear * a.Length() * b.Length())) {
        LogErrorF("TsBoundObject %s: the three points given for a plane of volume %d lie on one line",
                  NameOrEmpty(), volume);
        return -1;
    }
    if (uint32_t(volume) == volumes)
        m_volumes.Add(Volume{m_planes.GetCount(), 0});
    // A volume's planes lie together: the new one goes after its volume's
    // last, and the later volumes' planes move up one.
    Volume& target = m_volumes[uint32_t(volume)];
    const uint32_t at = target.firstPlane + target.planeCount;
    m_planes.Add(OmPlane(p1, p2, p3));
    for (uint32_t i = m_planes.GetCount() - 1; i > at; --i)
        m_planes[i] = m_planes[i - 1];
    m_planes[at] = OmPlane(p1, p2, p3);
    for (uint32_t v = uint32_t(volume) + 1; v < m_volumes.GetCount(); ++v)
        ++m_volumes[v].firstPlane;
    return int32_t(++target.planeCount);
}

bool TsBoundObject::IsInsideBound(const OmVector3& point) const
{
    for (uint32_t v = 0; v < m_volumes.GetCount(); ++v) {
        const Volume& volume = m_volumes[v];
        bool inside = true;
        for (uint32_t p = 0; p < volume.planeCount && inside; ++p)
            inside = m_planes[volume.firstPlane + p].Classify(point) != 2;
        if (inside)
            return true;
    }
    return false;
}

void TsBoundObject::Write(OmArchive& archive)
{
    TsObject::Write(archive);
    m_planes.Write(archive);
    m_volumes.Write(archive);
}

void TsBoundObject::Read(OmArchive& archive)
{
    TsObject::Read(archive);
    m_planes.Read(archive);
    m_volumes.Read(archive);
    if (archive.HasFailed())
        return;
    for (uint32_t v = 0; v < m_volumes.GetCount(); ++v) {
        const Volume& volume = m_volumes[v];
        if (uint64_t(volume.firstPlane) + volume.planeCount > m_planes.GetCount()) {
            m_volumes.RemoveAll();
            m_planes.RemoveAll();
            return archive.Fail("bound volume refers to planes past the end of its plane list");
        }
    }
}
