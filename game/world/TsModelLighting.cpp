#include "game/world/TsModelLighting.h"

#include <algorithm>

#include "engine/OmMaxLight.h"
#include "engine/OmVector4.h"
#include "game/framework/TsEntity.h"
#include "game/world/TsWorld.h"
#include "render/OmD3D.h"

using namespace plat;

OmVector3 TsModelLightDirection(const OmMaxLight& light, const OmVector3& point)
{
    OmVector3 d = light.direction;
    if (light.type == OmMaxLight::kOmni || light.type == OmMaxLight::kSpot)
        d = point - light.position;
    if (NormaliseInPlace(d) == 0.0f)
        d = OmVector3(0.0f, -1.0f, 0.0f);
    return d;
}

void TsApplyModelLights(const OmVector3& point, OmMaxLight* const* lights, const float* strengths, int count,
                        const float ambient[4])
{
    OmD3D* d3d = OmD3D::Instance();
    GfxDevice* device = d3d ? d3d->GetDevice() : nullptr;
    if (!device)
        return;
    count = std::clamp(count, 0, TS_MAX_MODEL_LIGHTS);
    // Double-bright modulation doubles the lit colour again at the stage.
    const float scale = d3d->CanModulate2x() ? 0.5f : 1.0f;
    for (int i = 0; i < count; ++i) {
        const OmMaxLight& world = *lights[i];
        // A light effect animating the light scales its colour (1 otherwise).
        const float k = strengths[i] * scale * world.scale;
        GfxLight light{};
        light.type = GfxLightType::Directional;
        light.diffuse = {world.colour[0] * k, world.colour[1] * k, world.colour[2] * k, 1.0f};
        const OmVector3 d = TsModelLightDirection(world, point);
        light.direction = {d.x, d.y, d.z};
        light.range = 1000000.0f;
        light.falloff = 1.0f;
        light.attenuation0 = 1.0f;
        device->SetLight(static_cast<uint32_t>(i), &light);
        device->LightEnable(static_cast<uint32_t>(i), true);
    }
    // The model takes no light but those that reach it.
    for (int i = count; i < TS_DEVICE_LIGHTS; ++i)
        device->LightEnable(static_cast<uint32_t>(i), false);
    d3d->DispatchRenderState(GfxRs::Ambient, OmPackColour(ambient));
}

int TsModelLighting(const TsWorld& world, const TsEntity& entity)
{
    const OmVector3 point = entity.GetPosition() + OmVector3(0.0f, 0.5f * entity.GetHeight(), 0.0f);
    OmMaxLight* lights[TS_MAX_MODEL_LIGHTS];
    float strengths[TS_MAX_MODEL_LIGHTS];
    float ambient[4];
    float total = 0.0f;
    int32_t significant = 0;
    const int found =
        world.FindStrongestLights(point, TS_MAX_MODEL_LIGHTS, lights, strengths, ambient, total, significant);
    TsApplyModelLights(point, lights, strengths, found, ambient);
    return found;
}
