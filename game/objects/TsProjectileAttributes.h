// The projectile types: 32 records in one global table that the start-up
// script function "LoadProjectileAttributes" fills, each naming how a shot of
// that type flies (speed, gravity, thrust, steering, spiral, cruise height),
// what it does on impact (explosion type and ranges, leaching), and how it
// looks (exhaust, muzzle and impact effects, the laser streak). After the
// script has run, the effect and texture names are resolved to handles.
// Scripts keep pointers to the records they were handed, so the table never
// moves.
#pragma once

#include <cstdint>

#include "engine/OmString.h"

struct TsProjectileAttributes {
    static constexpr int32_t kCount = 32;

    float m_lifetime = 0.0f;
    float m_gravity = 0.0f;
    float m_initialSpeed = 0.0f;
    float m_verticalSpeed = 0.0f;
    float m_thrust = 0.0f;
    float m_thrustDelay = 0.0f;
    float m_thrustDuration = 0.0f;
    float m_steerForce = 0.0f;
    float m_drag = 0.0f;
    float m_targetAttractConstant = 0.0f;
    float m_targetAttractLinear = 0.0f;
    float m_spiralRadius = 0.0f;
    float m_spiralRate = 0.0f;
    float m_altitudeAdjust = 0.0f;
    float m_cruiseAltitude = 0.0f;
    float m_leachRate = 0.0f;
    float m_leachRadius = 0.0f;
    uint8_t m_bExplode = 0;
    int32_t m_iExposionID = -1;
    float m_fExplosionRangeInner = 0.0f;
    float m_fExplosionRangeOuter = 0.0f;
    uint8_t m_bExhaustRelative = 0;
    uint8_t m_bRay = 0;
    uint32_t m_laserARGB = 0;
    float m_laserLength = 0.0f;
    float m_laserScale = 0.0f;
    OmString m_szExhaustEffect1;
    OmString m_szExhaustEffect2;
    OmString m_szMuzzleFX;
    OmString m_szImpactFX;
    OmString m_szLaserTexture;

    // Resolved after loading; -1 for none.
    int32_t exhaust1 = -1;
    int32_t exhaust2 = -1;
    int32_t muzzle = -1;
    int32_t impact = -1;
    int32_t laserTexture = -1;

    // Alpha 255 with the three components; each is kept to its own byte.
    void SetLaserColour(int32_t r, int32_t g, int32_t b);
    bool HasLaser() const { return laserTexture >= 0; }
    // Seconds a shot of this type takes over a distance, for aiming ahead of
    // a moving target; 0 for a type with no launch speed.
    float LeadSeconds(float distance) const { return m_initialSpeed > 0.0f ? distance / m_initialSpeed : 0.0f; }

    // The record of a type; null outside 0..31 (scripts and saved data may
    // name any number).
    static TsProjectileAttributes* _Attributes(int32_t index);
    static bool IsValidType(int32_t index) { return index >= 0 && index < kCount; }
    // Every record back to its defaults, handles included.
    static void ResetAll();
    // Runs the named script function, then resolves every record's effect
    // and texture names. False when the function could not be run.
    static bool LoadAttributes(const char* scriptFunction);
    // Resolves the names of every record (effects through the particle
    // library, the laser texture as an effect sprite).
    static void ResolveAll();
};
