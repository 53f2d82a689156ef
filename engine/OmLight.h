// A device light in the scene tree. The renderer gives it a device light
// id and programs the device from its fields; as a modifier it is switched
// on while the nodes it targets are drawn.
#pragma once

#include "engine/OmMath.h"
#include "engine/OmModifier.h"

class OmLight : public OmModifier {
    OM_DECLARE_CLASS(OmLight)

    // lightType values; the renderer passes the others to the device.
    enum Type : int32_t { kAmbient = 0, kPoint = 1, kSpot = 2, kDirectional = 3 };

    OmLight() = default;
    explicit OmLight(OmArchive& archive) : OmModifier(archive) {}
    // A light the renderer knows leaves its light table first, so the
    // renderer never keeps a pointer to a deleted light.
    ~OmLight() override;

    void Write(OmArchive& archive) override;
    // Registers the light with the current renderer once read.
    void Read(OmArchive& archive) override;

    OmNode* NewInstance() override { return new OmLight(); }
    int GetKind() const override { return 0; }
    // Hands the light to the renderer, which programs the device light.
    void Render(OmRenderer& renderer) override;
    virtual void AddToRenderer(OmRenderer& renderer);

    int32_t lightType = kDirectional;
    float ambient[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float diffuse[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    float specular[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float range = 1000.0f; // 0 or less: unlimited
    float innerCone = 0.78539816f; // radians
    float outerCone = OM_HALF_PI;
    float attenuation[3] = {0.0f, 0.0f, 1.0f}; // constant, linear, quadratic
    int32_t id = -1;
    int32_t deviceLightId = -1;
};
