#include "game/framework/TsEntity.h"

#include <cfloat>

#include "engine/OmArchive.h"

OM_IMPLEMENT_ABSTRACT_CLASS(TsEntity, TsObject)

TsEntity::~TsEntity()
{
    LetOthersForget();
}

namespace {

TsGroundProbe* g_groundProbe = nullptr;

// How far above and below the given point SetOrigin looks for the ground.
constexpr float kOriginReach = 100.0f;

} // namespace

void TsEntity::SetGroundProbe(TsGroundProbe* probe)
{
    g_groundProbe = probe;
}

TsGroundProbe* TsEntity::GetGroundProbe()
{
    return g_groundProbe;
}

void TsEntity::Write(OmArchive& archive)
{
    TsObject::Write(archive);
    archive.WriteVector(m_position).WriteVector(m_previousPosition);
    archive.WriteFloat(m_radius).WriteFloat(m_height).WriteU32(SavedFlags(archive));
}

// One read back handed over is still listed by the database read with it.
void TsEntity::Read(OmArchive& archive)
{
    TsObject::Read(archive);
    archive.ReadVector(m_position).ReadVector(m_previousPosition);
    archive.ReadFloat(m_radius).ReadFloat(m_height).ReadU32(m_flags);
    if (IsHandedOver())
        AddRef(); // the lists' own
}

uint32_t TsEntity::RetakenReferences() const
{
    return IsHandedOver() ? 1 : 0;
}

uint32_t TsEntity::SavedFlags(const OmArchive& archive) const
{
    const TsObject* lister = m_handedOverBy;
    return lister && archive.GetObjectIndex(lister) < 0 ? m_flags & ~kHandOverFlags : m_flags;
}

void TsEntity::MarkHandedOver(TsObject& lister)
{
    SetFlag(kHandOverFlags);
    m_handedOverBy = &lister;
}

void TsEntity::UnmarkHandedOver()
{
    ClearFlag(kHandOverFlags);
    m_handedOverBy = nullptr;
}

void TsEntity::Tick(uint32_t)
{
    m_previousPosition = m_position;
}

void TsEntity::OnTouch(TsEntity*, float)
{
}

void TsEntity::OnHit(TsAttack&)
{
}

void TsEntity::Use(TsCharacterObject*)
{
}

void TsEntity::Die()
{
}

void TsEntity::SetOrigin(float x, float y, float z)
{
    float height = 0.0f;
    if (g_groundProbe) {
        const OmVector3 from(x, y + kOriginReach, z);
        const OmVector3 to(x, y - kOriginReach, z);
        float hit = 0.0f;
        if (g_groundProbe->CastSegmentStatic(from, to, hit))
            height = hit;
    }
    m_position.Set(x, height, z);
}

void TsEntity::SetPositionOnGround(const OmVector3& point)
{
    float height = point.y;
    if (g_groundProbe) {
        const OmVector3 from(point.x, point.y + m_height, point.z);
        const float ground = g_groundProbe->GetGroundHeight(from);
        if (ground != FLT_MAX)
            height = ground;
    }
    m_position.Set(point.x, height, point.z);
}

bool TsEntity::Overlaps(const TsEntity& a, const TsEntity& b, float* distanceSquared)
{
    const float dx = b.m_position.x - a.m_position.x;
    const float dz = b.m_position.z - a.m_position.z;
    const float d2 = dx * dx + dz * dz;
    if (distanceSquared)
        *distanceSquared = d2;
    const float reach = a.m_radius + b.m_radius;
    if (d2 > reach * reach)
        return false;
    if (b.m_position.y - a.m_position.y > a.m_height)
        return false;
    if (a.m_position.y - b.m_position.y > b.m_height)
        return false;
    return true;
}

void TsEntity::SetDormant(bool dormant)
{
    ClearFlag(TS_ENTITY_DORMANT);
    if (dormant)
        SetFlag(TS_ENTITY_DORMANT);
}
