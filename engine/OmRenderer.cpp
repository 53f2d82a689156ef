#include "engine/OmRenderer.h"

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "engine/OmMaterial.h"
#include "engine/OmModifier.h"
#include "engine/OmReport.h"
#include "engine/OmTextureResource.h"
#include "engine/OmRendererCamera.h"

OmRenderer* OmRenderer::s_instance = nullptr;

void OmReportMissing(const char* what)
{
    static std::set<std::string> said;
    if (said.insert(what).second)
        ReportError("Renderer: %s", what);
}

OmCamera* GetActiveCamera()
{
    OmRenderer* renderer = OmRenderer::Current();
    return renderer ? renderer->GetCamera() : nullptr;
}

OmRenderer::OmRenderer() : m_camera(new OmRendererCamera())
{
    s_instance = this;
}

OmRenderer::~OmRenderer()
{
    if (m_camera && m_camera->Release() > 0)
        OmTrace("Camera refcount not-zero at render delete");
    m_camera = nullptr;
    if (s_instance == this)
        s_instance = nullptr;
}

void OmRenderer::InvalidateCamera(bool invalidate)
{
    if (invalidate && m_camera)
        m_camera->Invalidate();
}

void OmRenderer::ApplyCamera()
{
    if (m_camera)
        m_camera->Apply(*this);
}

// ---- light sets ------------------------------------------------------------

namespace {

bool InSet(const OmVoidChain& set, const void* light)
{
    for (const OmVoidChain::Link* link = set.GetFirst(); link && link->value; link = link->next) {
        if (link->value == light)
            return true;
    }
    return false;
}

} // namespace

void OmRenderer::AddLights(int set, const OmVoidChain& chain)
{
    if (set < 0 || set >= kLightSetCount)
        return;
    for (const OmVoidChain::Link* link = chain.GetFirst(); link && link->value; link = link->next) {
        auto* light = OmVoidChain::ValueAt<OmModifier>(link);
        if (!light->IsEnabled())
            continue;
        if (InSet(m_lightSets[set], light)) {
            ++light->useCount;
            continue;
        }
        m_lightSets[set].Insert(light);
        light->useCount = 1;
        m_lightSwitch = 1;
        light->Render(*this);
    }
}

void OmRenderer::RemoveLights(int set, const OmVoidChain& chain)
{
    if (set < 0 || set >= kLightSetCount)
        return;
    for (const OmVoidChain::Link* link = chain.GetFirst(); link && link->value; link = link->next) {
        auto* light = OmVoidChain::ValueAt<OmModifier>(link);
        if (!light->IsEnabled() || !InSet(m_lightSets[set], light))
            continue;
        if (light->useCount > 0)
            --light->useCount;
        if (light->useCount < 1) {
            m_lightSets[set].Remove(light);
            m_lightSwitch = 0;
            light->Render(*this);
        }
    }
}

bool OmRenderer::IsLightInSet(int set, const OmModifier* light) const
{
    return set >= 0 && set < kLightSetCount && InSet(m_lightSets[set], light);
}

int32_t OmRenderer::GetBlendClass(uint32_t blendMode) const
{
    const uint32_t mode = blendMode & ~0x100u; // the alpha-test bit does not change the class
    if (mode < 0x20)
        return 1;
    if (mode < 0x40)
        return 2;
    return 4;
}

// ---- debug lines and texts ---------------------------------------------

uint32_t OmRenderer::AddDebugLine(float fromX, float fromY, float fromZ, float toX, float toY, float toZ,
                                  float red, float green, float blue, float alpha)
{
    const OmVector3 from(fromX, fromY, fromZ);
    const OmVector3 to(toX, toY, toZ);
    const float colour[4] = {red, green, blue, alpha};
    return AddDebugLine(&from, &to, colour);
}

uint32_t OmRenderer::AddDebugLine(const OmVector3* from, const OmVector3* to, const float* colour)
{
    if (m_debugLineCount >= kMaxDebugLines)
        return m_debugLineCount;
    OmDebugLine& line = m_debugLines[m_debugLineCount];
    line.from = *from;
    line.to = *to;
    if (colour)
        std::memcpy(line.colour, colour, sizeof(line.colour));
    return ++m_debugLineCount;
}

void OmRenderer::QueueText(float x, float y, const char* text, const float* colour, float scale)
{
    OmTextItem* item = m_textQueue.Add(OmTextItem{});
    item->x = x;
    item->y = y;
    if (text) {
        // Cut long texts and keep the terminator, so drawing never reads past the item.
        std::strncpy(item->text, text, OmTextItem::kMaxText - 1);
        item->text[OmTextItem::kMaxText - 1] = '\0';
    }
    if (colour)
        std::memcpy(item->colour, colour, sizeof(item->colour));
    item->scale = scale;
}

void OmRenderer::DrawQueuedText()
{
    for (uint32_t i = 0; i < m_textQueue.GetCount(); ++i) {
        const OmTextItem& item = m_textQueue[i];
        DrawText(item.x, item.y, item.text, item.colour, item.scale);
    }
}

void OmRenderer::DrawText(float, float, const char*, const float*, float) {}

float OmRenderer::GetTextExtent(const char*, float*, float*) { return 0.0f; }

void OmRenderer::DrawParticles(const OmParticleVertex*, const OmParticleRun*, uint32_t runCount)
{
    if (runCount > 0)
        OmReportMissing("particle drawing: this renderer draws no particle quads yet");
}

// ---- registry keys -------------------------------------------------------

uint32_t OmRenderer::HashBytes(const void* data, size_t size, uint32_t h)
{
    const auto* bytes = static_cast<const int8_t*>(data);
    for (size_t i = 0; i < size; ++i)
        h = (h << 1) ^ static_cast<uint32_t>(static_cast<int32_t>(bytes[i]));
    return h;
}

namespace {

// Equality compares floats by value, so -0 must hash as 0.
uint32_t HashFloat(float value, uint32_t h)
{
    const float v = value == 0.0f ? 0.0f : value;
    return OmRenderer::HashBytes(&v, sizeof v, h);
}

uint32_t HashColour(const OmColour& c, uint32_t h)
{
    h = HashFloat(c.r, h);
    h = HashFloat(c.g, h);
    h = HashFloat(c.b, h);
    return HashFloat(c.a, h);
}

} // namespace

uint32_t OmRenderer::HashMaterial(const OmMaterial& material)
{
    // What the registry compares (SameRecord): padding and the layer
    // arrays' own pointers and capacities stay out of the key.
    uint32_t h = HashColour(material.diffuse, 0);
    h = HashColour(material.ambient, h);
    h = HashColour(material.specular, h);
    h = HashColour(material.emissive, h);
    h = HashFloat(material.power, h);
    h = HashFloat(material.factor, h);
    h = HashBytes(&material.blendMode, sizeof material.blendMode, h);
    h = HashBytes(&material.flags, sizeof material.flags, h);
    for (uint32_t i = 0; i < material.layers.GetCount(); ++i) {
        const OmMaterialLayer& layer = material.layers[i];
        h = HashBytes(&layer.animated, sizeof layer.animated, h);
        h = HashBytes(&layer.startFrame, sizeof layer.startFrame, h);
        h = HashFloat(layer.frameRate, h);
        for (uint32_t j = 0; j < layer.frames.GetCount(); ++j)
            h = static_cast<uint32_t>(layer.frames[j]) ^ (h << 1);
    }
    return h;
}

uint32_t OmRenderer::HashTexture(const OmTextureResource& texture)
{
    // The format word is left out: 0 matches any format when comparing.
    uint32_t h = HashBytes(&texture.mipLevels, sizeof texture.mipLevels);
    if (texture.fileName) {
        h = HashBytes(&texture.flags, sizeof texture.flags, h);
        h = HashBytes(&texture.enabled, sizeof texture.enabled, h);
        return h ^ HashBytes(texture.fileName, std::strlen(texture.fileName));
    }
    // A texture made in memory: mipLevels counts its pixel words.
    if (texture.pixels && texture.mipLevels > 0)
        h = HashBytes(texture.pixels, static_cast<size_t>(texture.mipLevels) * sizeof(uint32_t), h);
    return h;
}

// ---- registries -----------------------------------------------------------

namespace {

// The array grows to id + 1; slots it passes over hold null, not garbage.
template <class T>
void StoreAt(OmArray<T*>& objects, int32_t id, T* object)
{
    while (objects.GetCount() <= static_cast<uint32_t>(id))
        objects.Add(nullptr);
    objects[static_cast<uint32_t>(id)] = object;
}

} // namespace

OmMaterial* OmRenderer::GetMaterial(int32_t id) const
{
    if (id < 0 || static_cast<uint32_t>(id) >= m_materials.objects.GetCount())
        return nullptr;
    return m_materials.objects[static_cast<uint32_t>(id)];
}

bool OmRenderer::IsAlphaMaterial(int32_t id) const
{
    const OmMaterial* m = GetMaterial(id);
    return m && m->IsAlpha();
}

OmTextureResource* OmRenderer::GetTexture(int32_t id) const
{
    if (id < 0 || static_cast<uint32_t>(id) >= m_textures.objects.GetCount())
        return nullptr;
    return m_textures.objects[static_cast<uint32_t>(id)];
}

void OmRenderer::RemoveKey(std::unordered_multimap<uint32_t, int32_t>& map, uint32_t key, int32_t id)
{
    // Several ids can share a key; only this id's entry goes.
    auto [first, last] = map.equal_range(key);
    for (auto it = first; it != last; ++it) {
        if (it->second == id) {
            map.erase(it);
            return;
        }
    }
}

// Material equality leaves the flag byte out, but two records that differ in
// any byte are two materials to the registry: a material registered with its
// flag set must not come back as one registered without it.
bool OmRenderer::SameMaterialRecord(const OmMaterial& a, const OmMaterial& b)
{
    return a.flags == b.flags && a.IsEqual(b);
}

int32_t OmRenderer::RegisterMaterial(const OmMaterial* material)
{
    const uint32_t key = HashMaterial(*material);
    auto [first, last] = m_materials.byKey.equal_range(key);
    for (auto it = first; it != last; ++it) {
        const OmMaterial* held = GetMaterial(it->second);
        if (held && SameMaterialRecord(*held, *material))
            return AddRefMaterial(it->second), it->second;
    }
    OmMaterial* copy = new OmMaterial(*material);
    copy->flags = material->flags; // a copy starts with the flag clear
    const int32_t id = m_materials.ids.AllocIndex();
    m_materials.byKey.emplace(key, id);
    StoreAt(m_materials.objects, id, copy);
    return id;
}

int32_t OmRenderer::AddRefMaterial(int32_t id)
{
    OmMaterial* material = GetMaterial(id);
    if (!material)
        return 0;
    for (uint32_t i = 0; i < material->layers.GetCount(); ++i) {
        const OmArray<int32_t>& frames = material->layers[i].frames;
        for (uint32_t j = 0; j < frames.GetCount(); ++j) {
            if (OmTextureResource* texture = GetTexture(frames[j]))
                texture->AddRef();
        }
    }
    return static_cast<int32_t>(material->AddRef());
}

int32_t OmRenderer::ReleaseMaterial(int32_t id)
{
    OmMaterial* material = GetMaterial(id);
    if (!material)
        return 0;
    for (uint32_t i = 0; i < material->layers.GetCount(); ++i) {
        const OmArray<int32_t>& frames = material->layers[i].frames;
        for (uint32_t j = 0; j < frames.GetCount(); ++j)
            ReleaseTexture(frames[j]);
    }
    if (material->GetRefCount() == 1) {
        RemoveKey(m_materials.byKey, HashMaterial(*material), id);
        m_materials.objects[static_cast<uint32_t>(id)] = nullptr;
        m_materials.ids.ReleaseIndex(id);
    }
    return static_cast<int32_t>(material->Release());
}

int32_t OmRenderer::RegisterTexture(const OmTextureResource* texture)
{
    const uint32_t key = HashTexture(*texture);
    auto [first, last] = m_textures.byKey.equal_range(key);
    for (auto it = first; it != last; ++it) {
        OmTextureResource* held = GetTexture(it->second);
        if (held && held->IsEqual(*texture)) {
            held->AddRef();
            return it->second;
        }
    }
    OmTextureResource* copy = new OmTextureResource(*texture);
    const int32_t id = m_textures.ids.AllocIndex();
    m_textures.byKey.emplace(key, id);
    StoreAt(m_textures.objects, id, copy);
    if (m_loadState == 1)
        LoadTexture(id);
    return id;
}

int32_t OmRenderer::ReleaseTexture(int32_t id)
{
    OmTextureResource* texture = GetTexture(id);
    if (!texture)
        return 0;
    if (texture->GetRefCount() == 1) {
        RemoveKey(m_textures.byKey, HashTexture(*texture), id);
        m_textures.objects[static_cast<uint32_t>(id)] = nullptr;
        m_textures.ids.ReleaseIndex(id);
    }
    return static_cast<int32_t>(texture->Release());
}

namespace {

// Releasing changes the id table, so the walk runs over a copy of the ids.
std::vector<int32_t> IdsInUse(const OmIndexTable& table)
{
    std::vector<int32_t> ids;
    for (int32_t cursor = table.GetFirst(); cursor != -1;)
        ids.push_back(table.GetNext(cursor));
    return ids;
}

} // namespace

void OmRenderer::ReleaseAllMaterials()
{
    for (int32_t id : IdsInUse(m_materials.ids)) {
        while (ReleaseMaterial(id) != 0) {
        }
    }
    m_materials.byKey.clear();
    m_materials.ids.Clear();
    m_materials.objects.RemoveAll();
}

void OmRenderer::ReleaseAllTextures()
{
    for (int32_t id : IdsInUse(m_textures.ids)) {
        while (ReleaseTexture(id) != 0) {
        }
    }
    m_textures.byKey.clear();
    m_textures.ids.Clear();
    m_textures.objects.RemoveAll();
    m_loadState = 0;
}
