#include "game/objects/TsLightEffectObject.h"

#include <cstring>

#include "engine/OmArchive.h"
#include "engine/OmMaxLight.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsLog.h"
#include "game/objects/TsBoundObject.h"
#include "game/world/TsWorld.h"

OM_IMPLEMENT_CLASS(TsLightEffectObject, TsObject)

namespace {

struct WaveSettings {
    float amplitude, base, frequency, duty;
    bool gated;
    float onMin, onMax, offMin, offMax;
};

// By effect; the constant effect uses no wave.
constexpr WaveSettings kSettings[] = {
    {0.0f, 1.0f, 1.0f, 0.5f, false, 0.0f, 0.0f, 0.0f, 0.0f},
    {-0.3f, 0.7f, 7.0f, 0.5f, true, 1.0f, 2.0f, 2.0f, 10.0f},
    {1.0f, 0.0f, 0.3f, 0.5f, false, 0.0f, 0.0f, 0.0f, 0.0f},
    {0.5f, 0.5f, 1.0f, 0.2f, false, 0.0f, 0.0f, 0.0f, 0.0f},
};

OmMaxLight* FindWorldLight(const char* name)
{
    TsWorld* world = TsAccess::World();
    if (!world || !name)
        return nullptr;
    // The static lights light the models; the dynamic ones light the walls
    // and floors as well, so an effect on one of those shows on the room.
    for (const auto* lights : {&world->GetLights(), &world->GetLightNodes()})
        for (OmMaxLight* light : *lights)
            if (light && light->GetName() && std::strcmp(light->GetName(), name) == 0)
                return light;
    return nullptr;
}

// The light and the bound learn of the effect's reference, which a save
// does not keep: the effect saves only their names.
template <class T>
void HoldByName(OmRef<T>& held, T* object)
{
    if (object == held)
        return;
    if (held)
        held->RemoveHolderByName();
    if (object)
        object->AddHolderByName();
    held.Reset(object);
}

} // namespace

TsLightEffectObject::~TsLightEffectObject()
{
    SetLightObject(nullptr);
    SetBoundObject(nullptr);
}

void TsLightEffectObject::SetLightObject(OmMaxLight* light)
{
    HoldByName(m_light, light);
}

void TsLightEffectObject::SetBoundObject(TsBoundObject* bound)
{
    HoldByName(m_boundObject, bound);
}

void TsLightEffectObject::Write(OmArchive& archive)
{
    TsObject::Write(archive);
    archive.WriteU32(m_effect);
    m_lightName.Write(archive);
    m_boundObjectName.Write(archive);
}

void TsLightEffectObject::Read(OmArchive& archive)
{
    TsObject::Read(archive);
    archive.ReadU32(m_effect);
    m_lightName.Read(archive);
    m_boundObjectName.Read(archive);
}

// Finding what is already held keeps the one reference: Initialise runs
// this again after the level's own import pass.
bool TsLightEffectObject::Import()
{
    const char* self = NameOrEmpty();
    OmMaxLight* light = FindWorldLight(m_lightName.Get());
    SetLightObject(light);
    if (!light)
        LogErrorF("Error: cannot find the light '%s' referenced by TsLightEffectObject entity '%s'",
                  m_lightName.Get() ? m_lightName.Get() : "", self);
    if (!m_boundObjectName.IsEmpty()) {
        int32_t index = -1;
        OmObject* found = nullptr;
        if (OmClassRegistry::Instance().FindClassIndex("TsBoundObject", index))
            found = OmClassRegistry::Instance().FindObject(index, m_boundObjectName.Get());
        SetBoundObject(TsBoundObject::Cast(found));
        if (!m_boundObject)
            LogErrorF("Error: cannot find the bound object '%s' referenced by TsLightEffectObject entity '%s'",
                      m_boundObjectName.Get(), self);
    }
    return true;
}

bool TsLightEffectObject::Initialise()
{
    Import();
    SetEffect(m_effect);
    return true;
}

float TsLightEffectObject::Evaluate(float t)
{
    switch (m_effect) {
    case FLICKER1:
        return m_track.FlickerValue(t);
    case SLOW_PULSE:
    case FAST_PULSE:
        return m_track.RampValue(t);
    default:
        return 1.0f;
    }
}

void TsLightEffectObject::SetEffect(uint32_t effect)
{
    m_effect = effect;
    m_track.Reset();
    if (effect < std::size(kSettings)) {
        const WaveSettings& s = kSettings[effect];
        m_track.amplitude = s.amplitude;
        m_track.base = s.base;
        m_track.frequency = s.frequency;
        m_track.duty = s.duty;
        m_track.gated = s.gated ? 1 : 0;
        m_track.restartOnSwitch = s.gated ? 1 : 0;
        m_track.onMin = s.onMin;
        m_track.onMax = s.onMax;
        m_track.offMin = s.offMin;
        m_track.offMax = s.offMax;
    }
    m_intensity.SetAll(Evaluate(0.0f));
    Render(0.0f, 0.0f);
}

void TsLightEffectObject::Tick(uint32_t tickCount)
{
    const float t = float(tickCount) * TsAccess::TickDuration();
    m_intensity.SetNext(Evaluate(t));
    m_intensity.Advance();
}

void TsLightEffectObject::Render(float, float fraction)
{
    if (!m_light)
        return;
    const float factor = m_intensity.Interpolate(fraction);
    m_light->scale = factor;
    for (int i = 0; i < 3; ++i)
        m_light->tint[i] = m_light->colour[i] * factor;
}

void TsLightEffectObject::SetSwitch(bool on)
{
    if (m_light)
        m_light->on = on ? 1 : 0;
}

bool TsLightEffectObject::ToggleSwitch()
{
    if (!m_light)
        return false;
    m_light->on = m_light->on ? 0 : 1;
    return m_light->on != 0;
}
