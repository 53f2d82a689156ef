// The one particle system of the game: a library of up to 256 effects, a
// fixed pool of 4000 particles that every emitter shares, and the emitters
// that game objects own. Each frame the level advances every live particle
// and then draws them all as camera-facing quads, sorted by texture.
//
// Nothing is allocated while the game runs: the effect records, the
// particles and the vertex block for drawing are made once at start-up.
#pragma once

#include <cstdint>

#include "engine/OmParticleEffect.h"
#include "engine/OmVector3.h"

class OmNode;
class OmParticleEmitter;
class OmRenderer;

constexpr uint32_t OM_MAX_PARTICLE_EFFECTS = 256;
constexpr uint32_t OM_MAX_PARTICLES = 4000;
constexpr uint32_t OM_PARTICLE_PATH_MAX = 63;
constexpr float OM_EMITTER_RADIUS = 10.0f;

// One corner of a particle quad, in camera space (the layout of the
// device's position + diffuse + one texture pair format).
struct OmParticleVertex {
    float x, y, z;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(OmParticleVertex) == 24);
constexpr uint32_t OM_PARTICLE_VERTEX_FORMAT = 0x142;

// Quads in a row that share one texture: quads firstQuad onward, four
// vertices each.
struct OmParticleRun {
    int32_t texture;
    uint32_t firstQuad;
    uint32_t quadCount;
};

// The index pattern of the quads: 4i, 4i+1, 4i+2, 4i+2, 4i+3, 4i.
void OmFillParticleIndices(uint16_t* out, uint32_t quadCount);

struct OmParticle {
    OmParticleEmitter* emitter = nullptr;
    int32_t texture = -1;
    OmVector3 position;
    float size = 0.0f;
    float angle = 0.0f;
    uint32_t colour = 0;
    int32_t listIndex = -1; // place in the live list, -1 while free
    uint32_t word8 = 0;
    float lastTime = 0.0f;
    float deathTime = 0.0f;
    OmVector3 velocity;
    float fade = 1.0f;
    float fadeRate = 0.0f;
    uint32_t word13 = 0;
    const OmParticleKey* keysA = nullptr;
    float spin = 0.0f;
    float sizeRate = 0.0f;
    float sizeScale = 1.0f;
    float framePosition = 0.0f;
    float framePerSecond = 0.0f;
    float value = 0.0f;
    float red = 1.0f, green = 1.0f, blue = 1.0f;

    // Advances to time t; false when the particle has died (it is then back
    // on the free stack).
    bool Update(float t);
};

class OmParticleEmitter {
public:
    OmParticleEmitter() = default;
    // Takes its live particles out of the system: they point back at it.
    ~OmParticleEmitter();
    OmParticleEmitter(const OmParticleEmitter&) = delete;
    OmParticleEmitter& operator=(const OmParticleEmitter&) = delete;

    void Start(float t);
    void Stop() { active = 0; }
    bool IsEnabled() const { return active != 0; }
    // Alive while active or while any of its particles lives.
    bool IsAlive() const { return active != 0 || liveCount > 0; }
    void Update(float t);
    void ResetParticleVelocities();

    uint8_t active = 0;
    float lastTime = 0.0f;
    uint32_t liveCount = 0;
    uint32_t updateCount = 0;
    OmNode* node = nullptr;
    OmParticleEffect* effect = nullptr;
    float stopTime = 0.0f;
    OmVector3 position;
    OmVector3 velocity;
    float startTime = 0.0f;
    uint8_t fadeOverDuration = 0;
    uint8_t inheritVelocity = 0;

private:
    void Spawn(float t, float dt, bool fadeWithLife);
    OmVector3 SpawnVelocity(const OmParticleEffect& e) const;
};

bool InitParticleSystem();
void ShutdownParticleSystem();
bool IsParticleSystemRunning();
// A null, empty or too long folder empties it.
void SetParticleEffectPath(const char* folder);
const char* GetParticleEffectPath();
OmParticleEffect* GetOrLoadParticleEffect(const char* name);
// -1 when the effect can be neither found nor loaded.
int32_t FindParticleEffect(const char* name);
// Null for an index outside the loaded effects.
OmParticleEffect* GetParticleEffect(int32_t index);
uint32_t GetParticleEffectCount();

void UpdateParticles(float t);
// Draws every live particle through the current renderer.
void RenderParticles();
void RenderParticles(OmRenderer& renderer);

uint32_t GetLiveParticleCount();
OmParticle* GetLiveParticle(uint32_t index);
