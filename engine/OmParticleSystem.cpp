#include "engine/OmParticleSystem.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "engine/OmCamera.h"
#include "engine/OmMath.h"
#include "engine/OmMatrix4.h"
#include "engine/OmNode.h"
#include "engine/OmRand.h"
#include "engine/OmReport.h"
#include "engine/OmSphere.h"
#include "platform/FilePath.h"
#include "engine/OmRenderer.h"
#include "engine/OmVector4.h"

namespace {


struct ParticleSystem {
    OmParticleEffect effects[OM_MAX_PARTICLE_EFFECTS];
    uint32_t loadedCount = 0;
    char folder[OM_PARTICLE_PATH_MAX + 1] = {};
    OmParticle particles[OM_MAX_PARTICLES];
    OmParticle* live[OM_MAX_PARTICLES] = {};
    uint32_t liveCount = 0;
    OmParticle* freeStack[OM_MAX_PARTICLES] = {};
    uint32_t freeCount = 0;
    OmParticleVertex vertices[OM_MAX_PARTICLES * 4];
    OmParticleRun runs[OM_MAX_PARTICLES];
};

ParticleSystem* s_system = nullptr;

// A fade below zero on the last frame, or a colour from a damaged file,
// saturates rather than wrapping.
uint32_t PackColour(float red, float green, float blue) { return OmPackARGB(red, green, blue, 1.0f); }

// Number of particles due between two times: int(t x rate) - int(last x
// rate), clamped to what the pool could ever hold so a huge rate from a
// damaged file cannot loop for ever.
uint32_t DueCount(float t, float last, float rate)
{
    const double a = std::trunc(double(t) * rate);
    const double b = std::trunc(double(last) * rate);
    const double n = a - b;
    if (!(n > 0.0))
        return 0;
    return n >= OM_MAX_PARTICLES ? OM_MAX_PARTICLES : uint32_t(n);
}

void FreeParticle(OmParticle* p)
{
    ParticleSystem& s = *s_system;
    const uint32_t index = uint32_t(p->listIndex);
    OmParticle* last = s.live[--s.liveCount];
    s.live[index] = last;
    last->listIndex = int32_t(index);
    s.live[s.liveCount] = nullptr;
    p->listIndex = -1;
    s.freeStack[s.freeCount++] = p;
    if (p->emitter && p->emitter->liveCount > 0)
        --p->emitter->liveCount;
    p->emitter = nullptr;
}

OmParticle* TakeParticle()
{
    ParticleSystem& s = *s_system;
    if (s.freeCount == 0)
        return nullptr;
    OmParticle* p = s.freeStack[--s.freeCount];
    p->listIndex = int32_t(s.liveCount);
    s.live[s.liveCount++] = p;
    return p;
}

OmParticleEffect* LoadEffect(OmParticleEffect& effect, const char* name)
{
    ParticleSystem& s = *s_system;
    effect.Reset();
    effect.SetName(name);
    std::string path;
    if (s.folder[0])
        path.append(s.folder).append("\\");
    path.append(name).append("\\").append(name).append(".pbe");
    std::FILE* file = plat::OpenFile(path, "rb");
    if (!file) {
        DebugPrint("***ERROR***: Failed to load particle type %s", name);
        return &effect;
    }
    OmReadParticleEffect(file, path.c_str(), effect);
    std::fclose(file);
    OmLoadParticleFrames(s.folder, effect);
    return &effect;
}

} // namespace

void OmFillParticleIndices(uint16_t* out, uint32_t quadCount)
{
    for (uint32_t i = 0; i < quadCount; ++i) {
        const uint16_t base = uint16_t(4 * i);
        const uint16_t quad[6] = {base, uint16_t(base + 1), uint16_t(base + 2),
                                  uint16_t(base + 2), uint16_t(base + 3), base};
        std::memcpy(out + 6 * i, quad, sizeof quad);
    }
}

// ---- the system --------------------------------------------------------------

bool InitParticleSystem()
{
    if (s_system)
        ShutdownParticleSystem();
    s_system = new ParticleSystem();
    ParticleSystem& s = *s_system;
    for (uint32_t i = 0; i < OM_MAX_PARTICLES; ++i)
        s.freeStack[i] = &s.particles[OM_MAX_PARTICLES - 1 - i];
    s.freeCount = OM_MAX_PARTICLES;
    return true;
}

void ShutdownParticleSystem()
{
    if (!s_system)
        return;
    // Emitters that outlive the system must not reach into freed particles.
    for (uint32_t i = 0; i < s_system->liveCount; ++i) {
        OmParticle* p = s_system->live[i];
        if (p->emitter)
            p->emitter->liveCount = 0;
    }
    delete s_system;
    s_system = nullptr;
}

bool IsParticleSystemRunning() { return s_system != nullptr; }

void SetParticleEffectPath(const char* folder)
{
    if (!s_system)
        return;
    s_system->folder[0] = '\0';
    if (folder && *folder && std::strlen(folder) <= OM_PARTICLE_PATH_MAX)
        std::strcpy(s_system->folder, folder);
}

const char* GetParticleEffectPath() { return s_system ? s_system->folder : ""; }

OmParticleEffect* GetOrLoadParticleEffect(const char* name)
{
    if (!s_system || !name)
        return nullptr;
    ParticleSystem& s = *s_system;
    for (uint32_t i = 0; i < s.loadedCount; ++i) {
        if (s.effects[i].name && std::strcmp(s.effects[i].name, name) == 0)
            return &s.effects[i];
    }
    if (s.loadedCount >= OM_MAX_PARTICLE_EFFECTS)
        return nullptr;
    return LoadEffect(s.effects[s.loadedCount++], name);
}

int32_t FindParticleEffect(const char* name)
{
    if (s_system && name) {
        OmParticleEffect* effect = GetOrLoadParticleEffect(name);
        if (effect)
            return int32_t(effect - s_system->effects);
    }
    DebugPrint("Couldn't find particle effect %s", name ? name : "(null)");
    return -1;
}

OmParticleEffect* GetParticleEffect(int32_t index)
{
    if (!s_system || index < 0 || uint32_t(index) >= s_system->loadedCount) {
        DebugPrint("Couldn't find particle effect index %d", index);
        return nullptr;
    }
    return &s_system->effects[index];
}

uint32_t GetParticleEffectCount() { return s_system ? s_system->loadedCount : 0; }
uint32_t GetLiveParticleCount() { return s_system ? s_system->liveCount : 0; }

OmParticle* GetLiveParticle(uint32_t index)
{
    return s_system && index < s_system->liveCount ? s_system->live[index] : nullptr;
}

void UpdateParticles(float t)
{
    if (!s_system)
        return;
    // From the end, so a particle that dies and is swapped out does not
    // disturb the walk.
    for (uint32_t i = s_system->liveCount; i-- > 0;)
        s_system->live[i]->Update(t);
}

// ---- particles ---------------------------------------------------------------

bool OmParticle::Update(float t)
{
    const OmParticleEffect* e = emitter ? emitter->effect : nullptr;
    const float dt = t - lastTime;
    if (e) {
        velocity.y -= dt * e->gravity;
        position += dt * velocity;
        if (e->frameCount > 1) {
            framePosition += dt * framePerSecond;
            if (!(framePosition < float(e->frameCount)) || framePosition < 0.0f)
                framePosition = 0.0f;
        }
        texture = e->frameCount >= 1 ? e->frameTextures[int32_t(framePosition)] : -1;
    }
    colour = PackColour(red * fade, green * fade, blue * fade);
    fade -= dt * fadeRate;
    if (e && e->spinBase != 0.0f) {
        angle += dt * spin;
        if (angle > OM_TWO_PI)
            angle -= OM_TWO_PI;
    }
    sizeScale += dt * sizeRate;
    if (e && lastTime <= deathTime && fade >= 0.0f) {
        lastTime = t;
        return true;
    }
    FreeParticle(this);
    return false;
}

// ---- emitters ----------------------------------------------------------------

OmParticleEmitter::~OmParticleEmitter()
{
    if (!s_system || liveCount == 0)
        return;
    for (uint32_t i = s_system->liveCount; i-- > 0;) {
        if (s_system->live[i]->emitter == this)
            FreeParticle(s_system->live[i]);
    }
}

void OmParticleEmitter::Start(float t)
{
    if (effect && effect->mode == 1)
        stopTime = t + effect->duration;
    active = 1;
    lastTime = t;
    startTime = t;
}

void OmParticleEmitter::ResetParticleVelocities()
{
    if (!active || !s_system)
        return;
    for (uint32_t i = 0; i < s_system->liveCount; ++i) {
        if (s_system->live[i]->emitter == this)
            s_system->live[i]->velocity = OmVector3(0.0f, 3.0f, 0.0f);
    }
}

void OmParticleEmitter::Update(float t)
{
    if (!active)
        return;
    if (!effect || !s_system) {
        active = 0;
        return;
    }
    const OmParticleEffect& e = *effect;
    if (e.mode == 1 && t > stopTime)
        Stop(); // this update's particles are still spawned
    const float dt = t - lastTime;
    ++updateCount;
    uint32_t n = DueCount(t, lastTime, e.rate);
    bool fadeWithLife = true;
    if (e.rate == 1.0f && e.duration == 0.0f) {
        fadeWithLife = false;
        if (e.mode == 1)
            n = 1;
    }
    lastTime = t;
    const OmVector3 centre = node ? node->GetWorldPosition() : position;
    OmRenderer* renderer = OmRenderer::Current();
    OmCamera* camera = renderer ? renderer->GetCamera() : nullptr;
    if (camera) {
        // Tested against every plane, whatever a scene walk left in the mask.
        const uint32_t savedMask = camera->GetPlaneMask();
        camera->SetPlaneMask(~0u);
        const bool culled = camera->IsSphereCulled(OmSphere(centre, OM_EMITTER_RADIUS));
        camera->SetPlaneMask(savedMask);
        if (culled)
            return;
    }
    for (uint32_t i = 0; i < n; ++i)
        Spawn(t, dt, fadeWithLife);
}

OmVector3 OmParticleEmitter::SpawnVelocity(const OmParticleEffect& e) const
{
    const float speed = (OmRand01() - 0.5f) * e.speedRandom + e.speedBase;
    OmVector3 direction = e.direction;
    if (!node)
        velocity.Unit(direction);
    direction.x += (2.0f * OmRand01() - 1.0f) * e.directionSpread;
    direction.y += (2.0f * OmRand01() - 1.0f) * e.directionSpread;
    direction.z += (2.0f * OmRand01() - 1.0f) * e.directionSpread;
    direction.Normalise();
    OmVector3 result = direction * speed;
    if (!node) {
        if (inheritVelocity)
            result += velocity;
    } else {
        result = node->GetWorldRotation().Transform(result + velocity);
    }
    return result;
}

void OmParticleEmitter::Spawn(float t, float dt, bool fadeWithLife)
{
    OmParticle* p = TakeParticle();
    if (!p)
        return; // the pool is full: this particle is skipped
    ++liveCount;
    const OmParticleEffect& e = *effect;
    p->emitter = this;
    float life = std::max(OmRand01() * e.lifeRandom + e.lifeBase, 0.00001f);
    p->deathTime = t + life;
    if (e.lifeBase == 0.0f) {
        p->deathTime = 0.0f;
        life = 1.0f;
    }
    p->size = ((OmRand01() - 0.5f) * e.sizeRandom + 1.0f) * e.sizeBase;
    p->fade = 1.0f;
    p->fadeRate = fadeWithLife ? 1.0f / life : 0.0f;
    p->sizeScale = 1.0f;
    p->sizeRate = (e.endSize - 1.0f) / life;
    p->framePerSecond = e.frameRate == 0.0f ? float(e.frameCount) / life
                        : e.frameCount > 0  ? e.frameRate / float(e.frameCount)
                                            : 0.0f;
    p->framePosition = 0.0f;
    p->texture = e.frameCount >= 1 ? e.frameTextures[0] : -1;
    p->angle = (0.5f - OmRand01()) * e.angleSpread;
    // Two draws in this order, the size and then the sign, so one seed makes
    // the same particles whatever order a compiler gives the operands.
    const float spinSize = OmRand01() * e.spinRandom + e.spinBase;
    const float spinSign = OmRand01() <= 0.5f ? -1.0f : 1.0f;
    p->spin = spinSize * spinSign;
    if (p->spin > OM_TWO_PI)
        p->spin -= OM_TWO_PI;
    else if (p->spin < 0.0f)
        p->spin += OM_TWO_PI;
    p->value = e.valueBase + (OmRand01() - 0.5f) * e.valueRandom;
    p->lastTime = t;
    p->word8 = 0;
    p->word13 = 0;
    p->keysA = e.keysA;

    float k = 1.0f;
    if (fadeOverDuration && e.duration != 0.0f) {
        const float f = (t - startTime) / e.duration;
        k = Clamp01(1.0f - f * f);
    }
    p->red = Clamp01(((OmRand01() - 0.5f) * e.redRandom + 1.0f) * e.red * k);
    p->green = Clamp01(((OmRand01() - 0.5f) * e.greenRandom + 1.0f) * e.green * k);
    p->blue = Clamp01(((OmRand01() - 0.5f) * e.blueRandom + 1.0f) * e.blue * k);
    p->colour = PackColour(p->red, p->green, p->blue);

    p->position = node ? node->GetWorldPosition() + node->GetWorldRotation().Transform(position) : position;
    p->velocity = SpawnVelocity(e);
    p->position += p->velocity * (OmRand01() * dt);
}

// ---- drawing -----------------------------------------------------------------

namespace {

void AddQuad(const OmParticle& p, const OmMatrix4& view, OmParticleVertex* out)
{
    const OmVector3 c = view.TransformPoint(p.position);
    const float s = std::sin(p.angle);
    const float k = std::cos(p.angle);
    const float h = p.size * p.sizeScale;
    out[0] = {c.x + (s - k) * h, c.y + (k + s) * h, c.z, p.colour, 0.0f, 0.0f};
    out[1] = {c.x + (k + s) * h, c.y + (k - s) * h, c.z, p.colour, 1.0f, 0.0f};
    out[2] = {c.x + (k - s) * h, c.y + (-s - k) * h, c.z, p.colour, 1.0f, 1.0f};
    out[3] = {c.x + (-k - s) * h, c.y + (s - k) * h, c.z, p.colour, 0.0f, 1.0f};
}

} // namespace

void RenderParticles()
{
    if (OmRenderer* renderer = OmRenderer::Current())
        RenderParticles(*renderer);
}

void RenderParticles(OmRenderer& renderer)
{
    if (!s_system || s_system->liveCount == 0)
        return;
    ParticleSystem& s = *s_system;
    // Sorted by texture so each texture is bound once per run.
    std::sort(s.live, s.live + s.liveCount,
              [](const OmParticle* a, const OmParticle* b) { return a->texture < b->texture; });
    const OmMatrix4 view = *renderer.GetViewMatrix();
    uint32_t runCount = 0;
    for (uint32_t i = 0; i < s.liveCount; ++i) {
        OmParticle& p = *s.live[i];
        p.listIndex = int32_t(i);
        AddQuad(p, view, &s.vertices[4 * i]);
        if (runCount == 0 || s.runs[runCount - 1].texture != p.texture)
            s.runs[runCount++] = {p.texture, i, 0};
        ++s.runs[runCount - 1].quadCount;
    }
    renderer.DrawParticles(s.vertices, s.runs, runCount);
}
