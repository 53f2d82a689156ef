// A light as the modelling tool describes it: on/off, type, colour and
// multiplier, hotspot and falloff cone, near and far attenuation ranges and
// decay. The world evaluates these in software to light models and to pick
// the strongest lights near an object. OmMaxLightNode carries one inside a
// scene tree.
#pragma once

#include "engine/OmHeldByName.h"
#include "engine/OmModifier.h"
#include "engine/OmString.h"

class OmMaxLight : public OmHeldByName<OmObject> {
    OM_DECLARE_CLASS(OmMaxLight)

    // type values; any other is a parallel beam.
    enum Type : int32_t { kOmni = 0, kSpot = 2 };
    enum Decay : int32_t { kNoDecay = 0, kInverse = 1, kInverseSquare = 2 };

    OmMaxLight() = default;
    explicit OmMaxLight(OmArchive& archive) : OmHeldByName(archive) {}
    // Copies every stored field; the names as copies.
    OmMaxLight(const OmMaxLight& other);

    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;

    // Light falling on a surface at p with normal n.
    float IlluminationAt(const OmVector3& p, const OmVector3& n) const;
    // Light reaching p, whichever way a surface there faces.
    float StrengthAt(const OmVector3& p) const;
    // toPoint: unit vector from the light to p; distance: |p - position|.
    float Attenuation(const OmVector3& p, const OmVector3& toPoint, float distance) const;

    OmVector3 position;
    OmVector3 direction; // unit axis of the cone
    OmVector3 upVector;
    OmString lightName;
    uint8_t on = 0;
    int32_t type = kOmni;
    float colour[3] = {};
    float multiplier = 0.0f;
    uint8_t flags[3] = {};
    float params[2] = {};
    uint8_t overshoot = 0; // no cone limit
    float hotspot = 0.0f;  // spot: angle in radians; beam: radius
    float falloff = 0.0f;
    int32_t beamShape = 0; // 0 circle, else rectangle
    float aspect = 1.0f;   // rectangle width over height
    float param3 = 0.0f;
    uint8_t flag4 = 0;
    OmString projectorMap;
    uint8_t nearAttenuation = 0;
    float nearStart = 0.0f, nearEnd = 0.0f;
    uint8_t farAttenuation = 0;
    float farStart = 0.0f, farEnd = 0.0f;
    int32_t decay = kNoDecay;
    float decayStart = 0.0f;
    uint8_t flag5 = 0;
    float shadowColour[3] = {};
    float shadowDensity = 0.0f;
    uint8_t shadowFlags[2] = {};
    float shadowParams[2] = {};
    // Not stored.
    float scale = 1.0f;
    float tint[3] = {1.0f, 1.0f, 1.0f};

private:
    float ConeFactor(const OmVector3& toPoint, float distance) const;
};

class OmMaxLightNode : public OmModifier {
    OM_DECLARE_CLASS(OmMaxLightNode)

    OmMaxLightNode() = default;
    explicit OmMaxLightNode(OmArchive& archive) : OmModifier(archive), light(archive) {}

    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;

    OmNode* NewInstance() override { return new OmMaxLightNode(); }
    int GetKind() const override { return 1; }

    OmMaxLight light;
};
