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

    float GetSine(int i) const { return sine_[i]; }
    float GetCosine(int i) const { return cosine_[i]; }
    float GetAngle(int i) const { return angle_[i]; }
    float GetStartAngle() const { return startAngle_; }

private:
    float sine_[kCount];
    float cosine_[kCount];
    float angle_[kCount];
    float startAngle_;
};
