// One explosion type as the start-up scripts define it (the script function
// "LoadExplosionAttributes" fills the table through FxGetExplosionType), and
// the table itself. Scripts keep pointers to the records they were handed,
// so every record lives at a fixed address for as long as the table holds it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/OmString.h"
#include "engine/OmVector3.h"

constexpr int32_t TS_MAX_EXPLOSION_ARMS = 8;

struct TsExplosionParams {
    OmString m_szParticleType;
    int32_t m_numArms = 0;
    float m_speed = 0.0f;
    float m_gravity = 0.0f;
    float m_friction = 0.0f;
    float m_restitution = 0.0f;
    float m_spread = 0.0f;
    uint8_t m_fade = 0;
    uint8_t m_shockwave = 0;
    OmString m_szShockTexture;
    int32_t textureId = -1; // the ring's renderer texture, set at load
    float m_shockLifetime = 0.0f;
    OmTuple3 m_shockColourBias;
    float m_shockMinRadius = 0.0f;
    float m_shockMaxRadius = 0.0f;
    float m_shockWidth = 0.0f;
    float m_shockDelay = 0.0f;
    int32_t effectId = -1; // particle effect of m_szParticleType, set at load

    // A script's handle of the record, and its views of the texts and the
    // colour, borrow: they die with it.
    ~TsExplosionParams();
    TsExplosionParams() = default;
    TsExplosionParams(const TsExplosionParams&) = default;
    TsExplosionParams& operator=(const TsExplosionParams&) = default;

    void SetColourBias(float r, float g, float b) { m_shockColourBias.Set(r, g, b); }
    // The arms an explosion of this type really gets: a script may write any
    // number, an instance has room for eight.
    int32_t ArmCount() const;
};

// A script may name any number, so the table has a ceiling: a type number
// of kMaxTypes or more is refused rather than allocated. Shrinking keeps the
// records past the new count (a script or a live explosion may still point
// at one); growing again revives them as new records. Only Clear, at
// shutdown, frees them.
class TsExplosionTable {
public:
    static constexpr int32_t kMaxTypes = 1024;

    // Null (logged) for an index outside 0 .. kMaxTypes - 1; otherwise grows
    // the table to index + 1.
    static TsExplosionParams* Get(int32_t index);
    // Grows or shrinks to n records (n below 0 counts as 0). False (logged,
    // nothing changed) for n above kMaxTypes.
    static bool SetCount(int32_t n);
    static int32_t Count() { return s_count; }
    // Null outside 0 .. Count() - 1.
    static TsExplosionParams* At(int32_t index);
    // Every record the table keeps, beyond Count() too, and the ring
    // textures of revived records: shutdown releases their handles.
    static int32_t Held() { return static_cast<int32_t>(s_types.size()); }
    static TsExplosionParams* HeldAt(int32_t index);
    static const std::vector<int32_t>& RetiredTextures() { return s_retiredTextures; }
    static void Clear()
    {
        s_types.clear();
        s_retiredTextures.clear();
        s_count = 0;
    }

private:
    static void Revive(TsExplosionParams& record);

    static std::vector<std::unique_ptr<TsExplosionParams>> s_types;
    static std::vector<int32_t> s_retiredTextures;
    static int32_t s_count;
};
