// A named region of a level made of convex volumes, each bounded by planes
// facing inward. Scripts build it plane by plane and ask whether a point
// lies inside; a light effect can be bound to one by name.
#pragma once

#include <cstdint>

#include "engine/OmArray.h"
#include "engine/OmHeldByName.h"
#include "engine/OmPlane.h"
#include "game/framework/TsObject.h"

class OmVector3;

class TsBoundObject : public OmHeldByName<TsObject> {
    OM_DECLARE_CLASS(TsBoundObject)

    struct Volume {
        uint32_t firstPlane = 0;
        uint32_t planeCount = 0;
    };

    TsBoundObject() = default;
    explicit TsBoundObject(OmArchive& archive) : OmHeldByName(archive) {}

    // Adds the plane through three points (normal along (p3 - p2) x (p1 -
    // p2)) to the volume, which is one of the bound's or the next new one.
    // Answers the volume's plane count; -1 (logged) for a volume past the
    // next or points on one line.
    int32_t AddPlane(int32_t volume, const OmVector3& p1, const OmVector3& p2, const OmVector3& p3);
    // Inside any volume; a volume without planes holds every point.
    bool IsInsideBound(const OmVector3& point) const;

    uint32_t GetVolumeCount() const { return m_volumes.GetCount(); }
    uint32_t GetPlaneCount() const { return m_planes.GetCount(); }

    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;

private:
    OmArray<OmPlane> m_planes{64};
    OmArray<Volume> m_volumes{64};
};
