// The twist of a character's upper body at its waist bone: toward what it
// aims at while it walks another way, drawn blended across the tick like the
// heading, and straightening by itself once the character stops aiming.
#pragma once

#include <cstdint>

class OmArchive;
class OmSkinShape;
class OmVector3;

class TsWaist {
public:
    // Which way the legs go while the upper body aims.
    enum Facing : int32_t { kForward, kBackward, kRight, kLeft };

    void SetBone(int32_t bone) { m_bone = bone; }
    float GetAngle() const { return m_angle; }
    // The angle before this tick becomes the one now: no blend to draw.
    void Remember() { m_previousAngle = m_angle; }
    void Straighten() { m_angle = m_previousAngle = 0.0f; }
    bool IsNearlyStraight() const;
    // Unheld, the twist shrinks by three tenths of itself a second.
    void Decay(float seconds) { m_angle -= seconds * m_angle * 0.3f; }
    // Turned now and before toward a unit ground direction, measured from
    // the +z axis (negative toward -x).
    void FaceToward(const OmVector3& direction);
    // The legs follow the path, the body turns to the target: c is the
    // cosine between the path's direction and the target's, s the side the
    // target lies on (+1 or -1). The legs go forward or back within 45
    // degrees of the path, else sideways; the waist takes the rest.
    Facing AimAcross(float c, float s);
    // The twist on the shape's waist bone, blended by the fraction of the
    // tick gone; none when the bone is not one of the skeleton's.
    void Pose(OmSkinShape& shape, float fraction) const;

    // Bone, angle and angle before, as the character's archive keeps them.
    void Write(OmArchive& archive) const;
    void Read(OmArchive& archive);

private:
    int32_t m_bone = -1;
    float m_angle = 0.0f; // radians
    float m_previousAngle = 0.0f;
};
