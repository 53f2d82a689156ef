#include "game/objects/TsWaist.h"

#include <algorithm>
#include <cmath>

#include "engine/OmArchive.h"
#include "engine/OmMath.h"
#include "engine/OmSkinShape.h"
#include "engine/OmVector3.h"

bool TsWaist::IsNearlyStraight() const
{
    return std::fabs(m_angle) < 0.01f;
}

void TsWaist::FaceToward(const OmVector3& direction)
{
    const float angle = std::acos(std::clamp(direction.z, -1.0f, 1.0f));
    m_angle = m_previousAngle = direction.x < 0.0f ? -angle : angle;
}

TsWaist::Facing TsWaist::AimAcross(float c, float s)
{
    constexpr float kCos45 = 0.70710678f;
    const float a = std::acos(c);
    if (c > kCos45) {
        m_angle = s * a;
        return kForward;
    }
    if (c < -kCos45) {
        m_angle = s * (a - OM_PI);
        return kBackward;
    }
    if (s > 0.0f) {
        m_angle = a - OM_HALF_PI;
        return kRight;
    }
    m_angle = OM_HALF_PI - a;
    return kLeft;
}

void TsWaist::Pose(OmSkinShape& shape, float fraction) const
{
    const bool twists = m_bone > 0 && shape.GetSkeleton() && shape.GetSkeleton()->IsBone(m_bone);
    const float angle = m_previousAngle + (m_angle - m_previousAngle) * fraction;
    shape.SetTwistedBone(twists ? m_bone : -1, twists ? -angle : 0.0f);
}

void TsWaist::Write(OmArchive& archive) const
{
    archive.WriteI32(m_bone).WriteFloat(m_angle).WriteFloat(m_previousAngle);
}

void TsWaist::Read(OmArchive& archive)
{
    archive.ReadI32(m_bone).ReadFloat(m_angle).ReadFloat(m_previousAngle);
}
