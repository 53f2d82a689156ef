#include "game/objects/TsDirectionTable.h"

#include <cmath>

#include "engine/OmMath.h"

TsDirectionTable::TsDirectionTable(float startAngle) : m_startAngle(startAngle)
{
    for (int i = 0; i < kCount; ++i) {
        float a = startAngle + float(i) * OM_PI / 4.0f;
        a -= std::floor(a / OM_TWO_PI) * OM_TWO_PI;
        m_angle[i] = a;
        m_sine[i] = std::sin(a);
        m_cosine[i] = std::cos(a);
    }
}

void TsDirectionTable::RotateOffset(OmVector3& out, const OmVector3& offset, int i, float scale) const
{
    i &= kCount - 1; // any index names one of the eight
    const float c = m_cosine[i], s = m_sine[i];
    out.Set((c * offset.x - s * offset.z) * scale, 0.0f, (s * offset.x + c * offset.z) * scale);
}
