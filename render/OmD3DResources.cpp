// The device side of the renderer's resource tables: textures by id with
// their load modes and size limit, materials with the blend table, and
// device lights by index.
#include <cmath>
#include <cstring>

#include "engine/OmLight.h"
#include "engine/OmMaterial.h"
#include "engine/OmReport.h"
#include "engine/OmTextureResource.h"
#include "engine/OmVector4.h"
#include "platform/GfxFileTexture.h"
#include "platform/PixelFormat.h"
#include "render/OmD3D.h"

using namespace plat;

namespace {

constexpr uint32_t kAlphaTestBit = 0x100;
constexpr uint32_t kAlphaRef = 127;
constexpr uint32_t kTextureFilter = 0xF0003; // linear, mirrored in u, v and w, dithered
constexpr uint32_t kMipFilter = 0x80005;     // box, dithered
constexpr float kUnlimitedRange = 1.8446743e19f; // square root of the largest float

GfxColorValue ToGfx(const OmColour& c) { return GfxColorValue{c.r, c.g, c.b, c.a}; }
GfxColorValue ToGfx(const float c[4]) { return GfxColorValue{c[0], c[1], c[2], c[3]}; }

OmLightRecord DefaultLightRecord()
{
    OmLightRecord r;
    r.light.type = GfxLightType::Directional;
    r.light.diffuse = r.light.ambient = GfxColorValue{0.7f, 0.7f, 0.7f, 1.0f};
    r.light.specular = GfxColorValue{0, 0, 0, 0};
    r.light.position = GfxVector3{0, 0, 0};
    r.light.direction = GfxVector3{0, 0, 1.0f};
    r.light.range = 100.0f;
    r.light.falloff = 1.0f;
    r.light.attenuation0 = 0.0f;
    r.light.attenuation1 = 0.0f;
    r.light.attenuation2 = 1.0f;
    r.enabled = 0;
    return r;
}

} // namespace

// ---- textures -------------------------------------------------------------------

void OmD3D::GetFormatChannelBits(uint32_t format, uint32_t bits[4])
{
    auto set = [&](uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
        bits[0] = r, bits[1] = g, bits[2] = b, bits[3] = a;
    };
    switch (format) {
    case GfxFormat::R8G8B8: set(8, 8, 8, 0); break;
    case GfxFormat::A8R8G8B8:
    case GfxFormat::X8R8G8B8: set(8, 8, 8, 8); break;
    case GfxFormat::R5G6B5: set(5, 6, 5, 0); break;
    case GfxFormat::X1R5G5B5:
    case GfxFormat::A1R5G5B5: set(5, 5, 5, 1); break;
    case GfxFormat::A4R4G4B4:
    case GfxFormat::X4R4G4B4: set(4, 4, 4, 4); break;
    case GfxFormat::R3G3B2: set(3, 3, 2, 0); break;
    case GfxFormat::A8: set(0, 0, 0, 8); break;
    case GfxFormat::A8R3G3B2: set(3, 3, 2, 8); break;
    case GfxFormat::A2B10G10R10: set(10, 10, 10, 2); break;
    case GfxFormat::G16R16: set(16, 16, 0, 0); break;
    default: set(0, 0, 0, 0); break;
    }
}

void OmD3D::EnsureTextureSlot(int32_t id)
{
    if (id >= 0 && static_cast<size_t>(id) >= m_deviceTextures.size())
        m_deviceTextures.resize(static_cast<size_t>(id) + 1);
}

GfxTexture* OmD3D::GetD3DTexture(int32_t id) const
{
    if (id < 0 || static_cast<size_t>(id) >= m_deviceTextures.size())
        return nullptr;
    return m_deviceTextures[static_cast<size_t>(id)].Get();
}

int32_t OmD3D::RegisterTexture(const OmTextureResource* texture)
{
    if (!texture)
        return -1;
    const int32_t id = OmRenderer::RegisterTexture(texture);
    EnsureTextureSlot(id);
    // A description copied with its loaded flag set is not on this device.
    if (OmTextureResource* held = GetTexture(id); held && !GetD3DTexture(id))
        held->loaded = 0;
    return id;
}

void OmD3D::ReleaseDeviceTexture(int32_t id)
{
    GfxTexture* texture = GetD3DTexture(id);
    if (!texture)
        return;
    // The stage cache and state blocks hold references of their own; the
    // stages let go here, and only the registry's reference is dropped, so
    // nothing is left pointing at a freed texture.
    for (uint32_t stage = 0; stage < GfxMaxStages; ++stage) {
        if (m_stageTextures[stage] == texture) {
            GfxAssign(m_stageTextures[stage], static_cast<GfxTexture*>(nullptr));
            if (m_device)
                m_device->SetTexture(stage, nullptr);
        }
    }
    m_deviceTextures[static_cast<size_t>(id)] = nullptr;
}

void OmD3D::ReleaseAllDeviceTextures()
{
    for (size_t id = 0; id < m_deviceTextures.size(); ++id)
        ReleaseDeviceTexture(static_cast<int32_t>(id));
    m_deviceTextures.clear();
}

int32_t OmD3D::ReleaseTexture(int32_t id)
{
    if (!GetTexture(id))
        return 0;
    const int32_t left = OmRenderer::ReleaseTexture(id);
    if (left != 0)
        return left;
    ReleaseDeviceTexture(id);
    return 0;
}

bool OmD3D::LoadTexture(int32_t id)
{
    OmTextureResource* resource = GetTexture(id);
    if (!resource)
        return false;
    if (resource->loaded && GetD3DTexture(id))
        return true;
    if (!m_device)
        return false;
    if (!resource->fileName) {
        ReportError("OmD3D: texture %d has no file to load", id);
        return false;
    }
    ImageInfo info;
    if (GfxFailed(GfxGetImageInfoFromFile(resource->fileName, &info))) {
        // Without the file's size and format nothing sensible can be made.
        OmTrace("-- %s", resource->fileName);
        ReportError("OmD3D: cannot read the texture file \"%s\"", resource->fileName);
        return false;
    }
    uint32_t width = kDefaultValue, height = kDefaultValue;
    if (m_maxTextureSize != 0 && resource->flags != 0) {
        if (info.width > m_maxTextureSize)
            width = m_maxTextureSize;
        if (info.height > m_maxTextureSize)
            height = m_maxTextureSize;
    }
    uint32_t bits[4];
    GetFormatChannelBits(info.format, bits);
    uint32_t format = GfxFormat::Unknown;
    if (bits[3] > m_alphaBits) {
        if (m_alphaBits == 1)
            format = GfxFormat::A1R5G5B5;
        else if (m_alphaBits == 4)
            format = GfxFormat::A4R4G4B4;
        else if (m_alphaBits == 8)
            format = GfxFormat::A8R8G8B8;
    }
    GfxTexture* texture = nullptr;
    ImageInfo source;
    const int32_t result = GfxCreateTextureFromFileEx(
        m_device, resource->fileName, width, height, static_cast<uint32_t>(resource->mipLevels), 0, format,
        GfxPool::Managed, kTextureFilter, kMipFilter, 0, &source, nullptr, &texture);
    if (GfxFailed(result) || !texture) {
        OmTrace("-- %s", resource->fileName);
        ReportError("OmD3D: cannot load the texture \"%s\"", resource->fileName);
        return false;
    }
    ReleaseDeviceTexture(id);
    EnsureTextureSlot(id);
    m_deviceTextures[static_cast<size_t>(id)].AdoptNew(texture);
    resource->width = info.width;
    resource->height = info.height;
    resource->loaded = 1;
    return true;
}

bool OmD3D::LoadAllTextures()
{
    EnsureTextureSlot(static_cast<int32_t>(GetTextureSlotCount()) - 1);
    bool all = true;
    for (uint32_t id = 0; id < GetTextureSlotCount(); ++id) {
        if (GetTexture(static_cast<int32_t>(id)))
            all = LoadTexture(static_cast<int32_t>(id)) && all;
    }
    return all;
}

void OmD3D::SetTexture(uint32_t stage, int32_t id)
{
    if (id < 0 || !m_texturesEnabled) {
        SetD3DTexture(stage, nullptr);
        return;
    }
    const OmTextureResource* resource = GetTexture(id);
    if (resource && resource->loaded && GetD3DTexture(id)) {
        SetD3DTexture(stage, GetD3DTexture(id));
        return;
    }
    if (resource && m_loadState == 2 && LoadTexture(id)) {
        SetD3DTexture(stage, GetD3DTexture(id));
        return;
    }
    OmTrace("SetTexture failed - texture id %d not loaded", id);
}

bool OmD3D::SetAnimatedLayers(bool animate)
{
    m_animatedLayers = animate ? 1 : 0;
    return animate;
}

bool OmD3D::EnableTextures(bool enable)
{
    m_texturesEnabled = enable ? 1 : 0;
    return enable;
}

void OmD3D::SetMaxTextureSize(uint32_t size)
{
    // One step down to a power of two: the lowest set bit goes.
    m_maxTextureSize = (size & (size - 1)) == 0 ? size : size - (size & (~size + 1));
}

// ---- materials and blend modes ------------------------------------------------

uint32_t OmD3D::GetMaterialBlendMode(int32_t materialId) const
{
    const OmMaterial* material = GetMaterial(materialId);
    return material ? material->blendMode : 0;
}

void OmD3D::ApplyBlendTable(uint32_t mode)
{
    if (mode & kAlphaTestBit) {
        DispatchRenderState(GfxRs::AlphaTestEnable, 1);
        DispatchRenderState(GfxRs::AlphaFunc, GfxCmp::Greater);
        DispatchRenderState(GfxRs::AlphaRef, kAlphaRef);
    } else {
        DispatchRenderState(GfxRs::AlphaTestEnable, 0);
    }
    uint32_t src = GfxBlend::One, dest = GfxBlend::Zero, blend = 0, zwrite = 1;
    switch (mode & ~kAlphaTestBit) {
    case 0x20:
    case 0x42: src = GfxBlend::SrcAlpha, dest = GfxBlend::InvSrcAlpha, blend = 1, zwrite = 0; break;
    case 0x40: src = GfxBlend::SrcAlpha, dest = GfxBlend::One, blend = 1, zwrite = 0; break;
    case 0x41: src = GfxBlend::DestColor, dest = GfxBlend::Zero, blend = 1, zwrite = 0; break;
    default: break;
    }
    DispatchRenderState(GfxRs::SrcBlend, src);
    DispatchRenderState(GfxRs::DestBlend, dest);
    DispatchRenderState(GfxRs::AlphaBlendEnable, blend);
    DispatchRenderState(GfxRs::ZWriteEnable, zwrite);
}

void OmD3D::SetBlendMode(uint32_t mode)
{
    if (!m_blendLock)
        ApplyBlendTable(mode);
}

void OmD3D::ForceBlendMode(uint32_t mode)
{
    m_blendLock = 0;
    ApplyBlendTable(mode);
    m_blendLock = 1;
}

void OmD3D::ReleaseBlendMode()
{
    m_blendLock = 0;
    ApplyBlendTable(0);
}

void OmD3D::ApplyMaterial(int32_t id)
{
    const OmMaterial* material = GetMaterial(id);
    if (!material)
        return;
    const GfxMaterial deviceMaterial{ToGfx(material->diffuse), ToGfx(material->ambient), ToGfx(material->specular),
                                     ToGfx(material->emissive), material->power};
    SetBlendMode(material->blendMode);
    if (m_device)
        m_device->SetMaterial(&deviceMaterial);
    const uint32_t layers = material->layers.GetCount();
    if (layers == 0) {
        SetTexture(0, -1);
        return;
    }
    // The device has eight stages; further layers have nowhere to go.
    const uint32_t stages = layers < GfxMaxStages ? layers : GfxMaxStages;
    for (uint32_t i = 0; i < stages; ++i) {
        const OmMaterialLayer& layer = material->layers[i];
        if (m_animatedLayers && layer.animated && layer.frames.GetCount() > 1)
            ++m_animatedTextureUses;
        SetTexture(i, layer.GetFrameTexture(m_frameTime, m_animatedLayers != 0));
    }
}

void OmD3D::SetCulling(bool cull)
{
    m_culling = cull ? 1 : 0;
    DispatchRenderState(GfxRs::CullMode, cull ? GfxCull::Ccw : GfxCull::None);
}

void OmD3D::SetLighting(bool lighting)
{
    DispatchRenderState(GfxRs::Lighting, lighting ? 1 : 0);
    DispatchRenderState(GfxRs::ColorVertex, lighting ? 0 : 1);
}

// ---- lights -------------------------------------------------------------------------

const OmLightRecord* OmD3D::GetLightRecord(int32_t index) const
{
    if (index < 0 || static_cast<size_t>(index) >= m_lights.size())
        return nullptr;
    return m_lights[static_cast<size_t>(index)].get();
}

bool OmD3D::LightIndexValid(int32_t index) const { return GetLightRecord(index) != nullptr; }

int32_t OmD3D::AddLight(OmLight* light)
{
    if (!light)
        return -1;
    if (LightIndexValid(light->deviceLightId))
        return light->deviceLightId;
    auto record = std::make_unique<OmLightRecord>(DefaultLightRecord());
    int32_t index = -1;
    for (size_t i = 0; i < m_lights.size() && index < 0; ++i) {
        if (!m_lights[i]) {
            m_lights[i] = std::move(record);
            index = static_cast<int32_t>(i);
        }
    }
    if (index < 0) {
        m_lights.push_back(std::move(record));
        index = static_cast<int32_t>(m_lights.size() - 1);
    }
    light->deviceLightId = index;
    return index;
}

void OmD3D::RemoveLight(OmLight* light)
{
    if (!light || !LightIndexValid(light->deviceLightId))
        return;
    const auto index = static_cast<uint32_t>(light->deviceLightId);
    if (m_device)
        m_device->LightEnable(index, false);
    m_lights[index].reset();
    // The slot may go to another light: this one must not keep naming it.
    light->deviceLightId = -1;
}

void OmD3D::FillLightRecord(OmLightRecord& record, const OmLight& light) const
{
    GfxLight& d = record.light;
    if (light.lightType == OmLight::kPoint)
        d.type = GfxLightType::Point;
    else if (light.lightType == OmLight::kSpot)
        d.type = GfxLightType::Spot;
    else if (light.lightType == OmLight::kDirectional)
        d.type = GfxLightType::Directional;
    d.diffuse = ToGfx(light.diffuse);
    d.specular = ToGfx(light.specular);
    d.ambient = ToGfx(light.ambient);
    const OmVector3& position = light.GetWorldPosition();
    d.position = GfxVector3{position.x, position.y, position.z};
    const OmVector3 direction = light.GetWorldRotation().GetColumn(2);
    d.direction = GfxVector3{direction.x, direction.y, direction.z};
    d.range = light.range > 0.0f ? light.range : kUnlimitedRange;
    d.falloff = 1.0f;
    d.attenuation0 = light.attenuation[0];
    d.attenuation1 = light.attenuation[1];
    d.attenuation2 = light.attenuation[2];
    d.theta = light.innerCone;
    d.phi = light.outerCone;
}

void OmD3D::EnableLight(OmLight* light, bool enable)
{
    if (!light || !LightIndexValid(light->deviceLightId)) {
        OmTrace("Light index out of range");
        return;
    }
    const auto index = static_cast<uint32_t>(light->deviceLightId);
    if (light->lightType == OmLight::kAmbient) {
        DispatchRenderState(GfxRs::Ambient, enable ? OmPackColour(light->ambient) : 0);
        return;
    }
    OmLightRecord& record = *m_lights[index];
    if (enable) {
        FillLightRecord(record, *light);
        if (m_device)
            m_device->SetLight(index, &record.light);
    }
    record.enabled = enable ? 1 : 0;
    if (m_device)
        m_device->LightEnable(index, enable);
}

void OmD3D::UpdateLight(OmLight* light)
{
    if (!light || light->deviceLightId < 0 || light->deviceLightId >= static_cast<int32_t>(GfxMaxActiveLights)
        || !LightIndexValid(light->deviceLightId))
        return;
    const bool on = m_lightSwitch != 0;
    // An ambient light only sets the ambient level; switching a device
    // light index for it would light the scene with a light nobody placed.
    if (light->lightType == OmLight::kAmbient) {
        DispatchRenderState(GfxRs::Ambient, on ? OmPackColour(light->ambient) : 0);
        return;
    }
    EnableLight(light, on);
}
