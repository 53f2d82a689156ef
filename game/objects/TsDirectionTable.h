// Eight compass directions a quarter of a right angle apart, starting at a
// given angle: used to place characters and cameras around a point.
#pragma once

#include "engine/OmVector3.h"

class TsDirectionTable {
public:
    static constexpr int kCount = 8;

    explicit TsDirectionTable(float startAngle = 0.0f);

    // out = the offset's x and z turned by direction i, times scale (y 0).
    void RotateOffset(OmVector3& out, const OmVector3& offset, int i, float scale) const;

    float GetSine(int i) const { return m_sine[i]; }
    float GetCosine(int i) const { return m_cosine[i]; }
    float GetAngle(int i) const { return m_angle[i]; }
    float GetStartAngle() const { return m_startAngle; }

private:
    float m_sine[kCount];
    float m_cosine[kCount];
    float m_angle[kCount];
    float m_startAngle;
};
