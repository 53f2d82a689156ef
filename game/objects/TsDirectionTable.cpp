#include "game/objects/TsDirectionTable.h"

#include <cmath>

namespace {
constexpr float kPi = 3.14159265f;
constexpr float kTwoPi = 2.0f * kPi;
} // namespace

TsDirectionTable::TsDirectionTable(float startAngle) : startAngle_(startAngle)
{
    for (int i = 0; i < kCount; ++i) {
        float a = startAngle + float(i) * kPi / 4.0f;
        a -= std::floor(a / kTwoPi) * kTwoPi;
        angle_[i] = a;
        sine_[i] = std::sin(a);
        cosine_[i] = std::cos(a);
    }
}

void TsDirectionTable::RotateOffset(OmVector3& out, const OmVector3& offset, int i, float scale) const
{
    i &= kCount - 1; // any index names one of the eight
    const float c = cosine_[i], s = sine_[i];
    out.Set((c * offset.x - s * offset.z) * scale, 0.0f, (s * offset.x + c * offset.z) * scale);
}
