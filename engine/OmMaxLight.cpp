#include "engine/OmMaxLight.h"

#include <cmath>

#include "engine/OmArchive.h"

OM_IMPLEMENT_CLASS(OmMaxLight, OmObject)
OM_IMPLEMENT_CLASS(OmMaxLightNode, OmModifier)

OmMaxLight::OmMaxLight(const OmMaxLight& o)
    : OmHeldByName(), position(o.position), direction(o.direction), upVector(o.upVector), lightName(o.lightName),
      on(o.on), type(o.type), multiplier(o.multiplier), overshoot(o.overshoot), hotspot(o.hotspot),
      falloff(o.falloff), beamShape(o.beamShape), aspect(o.aspect), param3(o.param3), flag4(o.flag4),
      projectorMap(o.projectorMap), nearAttenuation(o.nearAttenuation), nearStart(o.nearStart),
      nearEnd(o.nearEnd), farAttenuation(o.farAttenuation), farStart(o.farStart), farEnd(o.farEnd),
      decay(o.decay), decayStart(o.decayStart), flag5(o.flag5), shadowDensity(o.shadowDensity)
{
    for (int i = 0; i < 3; ++i) {
        colour[i] = o.colour[i];
        flags[i] = o.flags[i];
        shadowColour[i] = o.shadowColour[i];
    }
    for (int i = 0; i < 2; ++i) {
        params[i] = o.params[i];
        shadowFlags[i] = o.shadowFlags[i];
        shadowParams[i] = o.shadowParams[i];
    }
}

namespace {

void WriteFloats(OmArchive& archive, const float* v, int n)
{
    for (int i = 0; i < n; ++i)
        archive.WriteFloat(v[i]);
}

void ReadFloats(OmArchive& archive, float* v, int n)
{
    for (int i = 0; i < n; ++i)
        archive.ReadFloat(v[i]);
}

void ReadByte(OmArchive& archive, uint8_t& flag)
{
    uint32_t word = 0;
    archive.ReadU32(word);
    flag = word ? 1 : 0;
}

} // namespace

void OmMaxLight::Write(OmArchive& archive)
{
    OmObject::Write(archive);
    archive.WriteVector(position).WriteVector(direction).WriteVector(upVector);
    lightName.Write(archive);
    archive.WriteU32(on).WriteI32(type);
    WriteFloats(archive, colour, 3);
    archive.WriteFloat(multiplier);
    for (uint8_t f : flags)
        archive.WriteU32(f);
    WriteFloats(archive, params, 2);
    archive.WriteU32(overshoot).WriteFloat(hotspot).WriteFloat(falloff).WriteI32(beamShape);
    archive.WriteFloat(aspect).WriteFloat(param3).WriteU32(flag4);
    projectorMap.Write(archive);
    archive.WriteU32(nearAttenuation).WriteFloat(nearStart).WriteFloat(nearEnd);
    archive.WriteU32(farAttenuation).WriteFloat(farStart).WriteFloat(farEnd);
    archive.WriteI32(decay).WriteFloat(decayStart).WriteU32(flag5);
    WriteFloats(archive, shadowColour, 3);
    archive.WriteFloat(shadowDensity);
    for (uint8_t f : shadowFlags)
        archive.WriteU32(f);
    WriteFloats(archive, shadowParams, 2);
}

void OmMaxLight::Read(OmArchive& archive)
{
    OmObject::Read(archive);
    archive.ReadVector(position).ReadVector(direction).ReadVector(upVector);
    lightName.Read(archive);
    ReadByte(archive, on);
    archive.ReadI32(type);
    ReadFloats(archive, colour, 3);
    archive.ReadFloat(multiplier);
    for (uint8_t& f : flags)
        ReadByte(archive, f);
    ReadFloats(archive, params, 2);
    ReadByte(archive, overshoot);
    archive.ReadFloat(hotspot).ReadFloat(falloff).ReadI32(beamShape);
    archive.ReadFloat(aspect).ReadFloat(param3);
    ReadByte(archive, flag4);
    projectorMap.Read(archive);
    ReadByte(archive, nearAttenuation);
    archive.ReadFloat(nearStart).ReadFloat(nearEnd);
    ReadByte(archive, farAttenuation);
    archive.ReadFloat(farStart).ReadFloat(farEnd);
    archive.ReadI32(decay).ReadFloat(decayStart);
    ReadByte(archive, flag5);
    ReadFloats(archive, shadowColour, 3);
    archive.ReadFloat(shadowDensity);
    for (uint8_t& f : shadowFlags)
        ReadByte(archive, f);
    ReadFloats(archive, shadowParams, 2);
}

float OmMaxLight::IlluminationAt(const OmVector3& p, const OmVector3& n) const
{
    if (!on || multiplier <= 0.0f)
        return 0.0f;
    OmVector3 toPoint = p - position;
    const float d = toPoint.Length();
    // A point at the light itself is lit as if from straight above, fully
    // facing: there is no direction to measure the facing by.
    if (d <= 1e-6f) {
        toPoint.Set(0.0f, 1.0f, 0.0f);
        return Attenuation(p, toPoint, d);
    }
    const float facing = -toPoint.Dot(n) / d;
    if (facing <= 0.0f)
        return 0.0f;
    toPoint *= 1.0f / d;
    return Attenuation(p, toPoint, d) * facing;
}

float OmMaxLight::StrengthAt(const OmVector3& p) const
{
    if (!on || multiplier <= 0.0f)
        return 0.0f;
    OmVector3 toPoint = p - position;
    const float d = toPoint.Normalise();
    return Attenuation(p, toPoint, d);
}

float OmMaxLight::Attenuation(const OmVector3&, const OmVector3& toPoint, float d) const
{
    float a = 1.0f;
    bool nearRamp = false;
    if (nearAttenuation) {
        if (d <= nearStart)
            return 0.0f;
        if (d < nearEnd) {
            a = (d - nearStart) / (nearEnd - nearStart);
            nearRamp = true;
        }
    }
    if (!nearRamp && farAttenuation) {
        if (d >= farEnd)
            return 0.0f;
        if (d > farStart)
            a = (farEnd - d) / (farEnd - farStart);
    }
    // At the light itself there is no distance to decay over: dividing by
    // it would give an infinite (or NaN) light.
    if (d > 1e-6f) {
        if (decay == kInverse)
            a /= d;
        else if (decay == kInverseSquare)
            a /= d * d;
    }
    if (overshoot || type == kOmni)
        return multiplier * a;
    return ConeFactor(toPoint, d) * multiplier * a;
}

float OmMaxLight::ConeFactor(const OmVector3& toPoint, float d) const
{
    if (type == kSpot) {
        const float k = toPoint.Dot(direction);
        if (k <= 0.0f)
            return 0.0f;
        const float cosHot = std::cos(hotspot), cosFall = std::cos(falloff);
        if (k <= cosFall)
            return 0.0f;
        if (k <= cosHot)
            return (k - cosFall) / (cosHot - cosFall);
        return 1.0f;
    }
    if (beamShape == 0) {
        const OmVector3 off = toPoint - direction * toPoint.Dot(direction);
        const float r = d * off.Length();
        if (r >= falloff)
            return 0.0f;
        if (r <= hotspot)
            return 1.0f;
        return (falloff - r) / (falloff - hotspot);
    }
    OmVector3 side;
    CrossProduct(upVector, direction, side);
    side.Normalise();
    const float x = std::fabs(d * toPoint.Dot(upVector));
    const float y = std::fabs(d * toPoint.Dot(side));
    if (x >= falloff || y >= falloff * aspect)
        return 0.0f;
    const float fx = x <= hotspot ? 1.0f : (falloff - x) / (falloff - hotspot);
    if (y > hotspot * aspect)
        return fx * (falloff * aspect - y) / ((falloff - hotspot) * aspect);
    return fx;
}

void OmMaxLightNode::Write(OmArchive& archive)
{
    OmModifier::Write(archive);
    light.Write(archive);
}

void OmMaxLightNode::Read(OmArchive& archive)
{
    OmModifier::Read(archive);
    light.Read(archive);
}
