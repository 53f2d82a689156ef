// The viewer: a frame (position and three axes) and a view window, from
// which it derives its six frustum planes. The renderer applies its current
// camera before drawing; the scene draw culls spheres against it, clearing
// the bits of planes a parent lies wholly inside so children skip them.
#pragma once

#include "engine/OmObject.h"
#include "engine/OmPlane.h"
#include "engine/OmProjection.h"
#include "engine/OmSphere.h"
#include "engine/OmVector3.h"

class OmRenderer;

class OmCamera : public OmObject {
    OM_DECLARE_CLASS(OmCamera)

    static constexpr uint32_t kAllPlanes = 0xFFFFFFFFu;

    OmCamera() = default;
    explicit OmCamera(OmArchive& archive) : OmObject(archive) {}

    // Never entered in an archive's object table on its own.
    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;

    void SetFrame(const OmVector3& position, const OmVector3& right, const OmVector3& up,
                  const OmVector3& forward);
    // The axes are the rotation's columns 0, 1 and 2.
    void SetFromMatrix(const OmVector3& position, const OmMatrix3& rotation);
    void SetProjection(const OmProjection& projection);
    const OmProjection& GetProjection() const { return m_projection; }

    const OmVector3& GetPosition() const { return m_position; }
    const OmVector3& GetRight() const { return m_right; }
    const OmVector3& GetUp() const { return m_up; }
    const OmVector3& GetForward() const { return m_forward; }
    const OmPlane& GetPlane(int i) const { return m_planes[i]; }

    // Sends what changed to the renderer and rebuilds the planes.
    void Apply(OmRenderer& renderer);
    // Marks both parts changed, so the next Apply sends them again.
    void Invalidate() { m_projectionDirty = m_viewDirty = 1; }
    bool IsProjectionDirty() const { return m_projectionDirty != 0; }
    bool IsViewDirty() const { return m_viewDirty != 0; }

    // True when the sphere lies wholly outside a plane of the mask; planes
    // it lies wholly inside leave the mask.
    bool IsSphereCulled(const OmSphere& sphere);
    bool IsBoxCulled(const OmVector3& min, const OmVector3& max) const;
    uint32_t GetPlaneMask() const { return m_planeMask; }
    void SetPlaneMask(uint32_t mask) { m_planeMask = mask; }

    // x and y from -1 to 1, left to right and top to bottom.
    void GetPickRay(float x, float y, OmVector3& origin, OmVector3& direction) const;

private:
    OmProjection m_projection;
    OmVector3 m_position;
    OmVector3 m_right, m_up, m_forward;
    OmPlane m_planes[OM_FRUSTUM_PLANES];
    uint32_t m_planeMask = kAllPlanes;
    float m_sideNormals[4] = {};
    uint8_t m_projectionDirty = 1;
    uint8_t m_viewDirty = 1;
};
