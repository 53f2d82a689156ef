#include "ui/TsRadar.h"

#include <algorithm>
#include <cmath>

#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "engine/OmList.h"
#include "engine/OmMath.h"
#include "engine/OmRef.h"
#include "engine/OmTextureResource.h"
#include "engine/OmVector4.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsCamera.h"
#include "game/framework/TsEntity.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsScriptHandles.h"
#include "game/objects/TsBanterObject.h"
#include "game/objects/TsNPCObject.h"
#include "game/objects/TsPCObject.h"
#include "game/world/TsAIMap.h"
#include "game/world/TsTileWalker.h"
#include "game/world/TsWorld.h"
#include "platform/GfxDevice.h"
#include "platform/GfxTexture.h"
#include "render/OmD3D.h"

using namespace plat;

namespace {

const char* const kSpriteFiles[TsRadar::kSpriteCount] = {
    "data\\hud\\PCRadarSprite.tga", "data\\hud\\NPCRadarSprite.tga", "data\\hud\\BanterRadarSprite.tga",
    "data\\hud\\ObjectiveRadarSprite.tga"};

int32_t LoadTextureFile(OmRenderer* renderer, const char* path)
{
    const int32_t id = renderer->RegisterTexture(OmMakeRef<OmTextureResource>(path, 1, 0));
    if (id < 0)
        return -1;
    if (!renderer->LoadTexture(id)) {
        renderer->ReleaseTexture(id);
        return -1;
    }
    return id;
}

// The AI map of the level's world through a tile walker.
class WorldSampler : public TsRadar::TileSampler {
public:
    explicit WorldSampler(TsWorld* world) : m_world(world), m_walker(world) {}
    bool TileAt(int32_t tileX, int32_t tileZ, bool& bit0) const override
    {
        if (m_walker.SetPosition(tileX, tileZ) || !m_walker.IsValid())
            return false;
        bit0 = (m_walker.GetTile() & 1u) != 0;
        return true;
    }
    void WorldToTile(float x, float z, int32_t& tileX, int32_t& tileZ) const override
    {
        const OmVector3& origin = m_world->GetAIMapOrigin();
        tileX = TsAIMap::TileOf(x - origin.x, m_world->GetAITileSizeInverse());
        tileZ = TsAIMap::TileOf(z - origin.z, m_world->GetAITileSizeInverse());
    }
    void TileToWorld(int32_t tileX, int32_t tileZ, float& x, float& z) const override
    {
        const OmVector3& origin = m_world->GetAIMapOrigin();
        x = (float(tileX) + 0.5f) * m_world->GetAITileSize() + origin.x;
        z = (float(tileZ) + 0.5f) * m_world->GetAITileSize() + origin.z;
    }
    void TileBounds(int32_t& firstX, int32_t& firstZ, int32_t& lastX, int32_t& lastZ) const override
    {
        firstX = m_world->GetAIFirstColumn();
        firstZ = m_world->GetAIFirstRow();
        lastX = m_world->GetAILastColumn();
        lastZ = m_world->GetAILastRow();
    }
    float Scale() const override { return m_world->GetAITileSizeInverse(); }

private:
    TsWorld* m_world;
    mutable TsTileWalker m_walker;
};

bool HasMap(const TsWorld* world) { return world && world->GetAIMap() && world->GetAITileSize() > 0.0f; }

bool Bit0At(const TsRadar::TileSampler& map, float x, float z, bool& bit0)
{
    int32_t tx = 0, tz = 0;
    map.WorldToTile(x, z, tx, tz);
    return map.TileAt(tx, tz, bit0);
}

} // namespace

TsRadar::TsRadar() = default;

TsRadar::~TsRadar()
{
    TsScriptHandles::Forget(this, "TsRadar");
    Release();
}

int32_t TsRadar::GetSpriteTexture(int32_t slot) const
{
    return slot >= 0 && slot < kSpriteCount ? m_sprites[slot] : -1;
}

// ---- rules ----

int32_t TsRadar::BlipSlotFor(const TsEntity& entity)
{
    if (TsPCObject::Cast(&entity))
        return kPCBlip;
    // A banter character is a non-player character too: ask for it first.
    if (TsBanterObject::Cast(&entity))
        return kBanterBlip;
    if (TsNPCObject::Cast(&entity))
        return kNPCBlip;
    return -1;
}

bool TsRadar::InRange(const OmVector3& position, const OmVector3& centre, float range)
{
    const float dx = position.x - centre.x, dz = position.z - centre.z;
    return dx * dx + dz * dz < range * range;
}

bool TsRadar::ObjectiveAsArrow(const OmVector3& objective, const OmVector3& centre, float range)
{
    const float dx = objective.x - centre.x, dz = objective.z - centre.z;
    return std::sqrt(dx * dx + dz * dz) >= range - 5.0f;
}

void TsRadar::DiscOffset(const OmVector3& position, const OmVector3& centre, float range, float radius, float& x,
                         float& y)
{
    const float k = range > 0.0f ? radius / range : 0.0f;
    x = (position.x - centre.x) * k;
    y = (position.z - centre.z) * k;
}

uint32_t TsRadar::DiscShade(float d, float radius)
{
    const float t = radius > 0.5f ? 1.0f - d / (radius - 0.5f) : 0.0f;
    const uint32_t g = std::min(255u, OmLevelByte(t * 255.0f) + 1);
    return 0xFF000000u | g * 0x010101u;
}

void TsRadar::ShadeDensity(const TileSampler& map, float centreX, float centreZ, float range, uint16_t* texels,
                           int32_t size)
{
    const float step = 2.0f * range / float(size);
    // A texel narrower than a tile still covers one: a footprint of 0 would
    // divide by zero. One wider than kMaxFootprint tiles would leave each
    // tile no share, and a damaged save's range can make it wider than an int.
    constexpr int32_t kMaxFootprint = 89; // 89 * 89 <= 0x1F00
    const int32_t fw = std::clamp(SaturatingInt(step * map.Scale()), 1, kMaxFootprint);
    const int32_t area = fw * fw;
    const int32_t share = 0x1F00 / area;
    for (int32_t row = 0; row < size; ++row) {
        const float z = centreZ - range + float(row) * step;
        for (int32_t col = 0; col < size; ++col) {
            const float x = centreX - range + float(col) * step;
            int32_t tx = 0, tz = 0;
            map.WorldToTile(x, z, tx, tz);
            bool bit0 = false;
            if (!map.TileAt(tx, tz, bit0)) {
                texels[row * size + col] = kBlocked;
                continue;
            }
            int32_t set = 0;
            for (int32_t j = 0; j < fw; ++j)
                for (int32_t i = 0; i < fw; ++i)
                    if (map.TileAt(tx + i, tz + j, bit0) && bit0)
                        ++set;
            texels[row * size + col] = uint16_t((((area - set) * share) >> 8) << 11);
        }
    }
}

void TsRadar::ShadeEdges(const TileSampler& map, float centreX, float centreZ, float range, uint16_t* texels,
                         int32_t size)
{
    const float step = 2.0f * range / float(size);
    for (int32_t row = 0; row < size; ++row) {
        const float z = centreZ - range + float(row) * step;
        for (int32_t col = 0; col < size; ++col) {
            const float x = centreX - range + float(col) * step;
            int32_t sum = 0;
            for (int32_t corner = 0; corner < 4; ++corner) {
                bool bit0 = false;
                const bool inside = Bit0At(map, x + float(corner & 1) * step, z + float(corner >> 1) * step, bit0);
                sum += inside && bit0 ? -0x300000 : 0x3F0000;
            }
            texels[row * size + col] = sum > 0 ? kBlocked : 0;
        }
    }
}

const float* TsRadar::BlurKernel()
{
    static float kernel[9] = {};
    static bool built = false;
    if (!built) {
        float sum = 0.0f;
        for (int j = 0; j < 3; ++j)
            for (int i = 0; i < 3; ++i)
                sum += kernel[j * 3 + i] = std::sqrt(float((i - 1) * (i - 1) + (j - 1) * (j - 1)));
        for (float& w : kernel)
            w *= 31.0f / sum;
        built = true;
    }
    return kernel;
}

void TsRadar::ShadeWorldRect(const TileSampler& map, int32_t tileX, int32_t tileZ, int32_t width, int32_t height,
                             uint16_t* texels, int32_t texWidth, int32_t texHeight)
{
    int32_t firstX = 0, firstZ = 0, lastX = 0, lastZ = 0;
    map.TileBounds(firstX, firstZ, lastX, lastZ);
    float x0 = 0, z0 = 0, x1 = 0, z1 = 0;
    map.TileToWorld(firstX, firstZ, x0, z0);
    map.TileToWorld(lastX, lastZ, x1, z1);
    // A world of one tile's width or depth has no extent to spread texels over.
    if (texWidth <= 0 || texHeight <= 0 || x1 - x0 <= 0.0f || z1 - z0 <= 0.0f)
        return;
    const float du = (x1 - x0) / float(texWidth), dv = (z1 - z0) / float(texHeight);
    float ax = 0, az = 0, bx = 0, bz = 0;
    constexpr double kMargin = 2.0;
    map.TileToWorld(SaturatingInt(tileX - kMargin), SaturatingInt(tileZ - kMargin), ax, az);
    map.TileToWorld(SaturatingInt(tileX + kMargin + width), SaturatingInt(tileZ + kMargin + height), bx, bz);
    const int32_t u0 = std::clamp(SaturatingInt((ax - x0) / du), 0, texWidth - 1);
    const int32_t u1 = std::clamp(SaturatingInt((bx - x0) / du), 0, texWidth - 1);
    const int32_t v0 = std::clamp(SaturatingInt((az - z0) / dv), 0, texHeight - 1);
    const int32_t v1 = std::clamp(SaturatingInt((bz - z0) / dv), 0, texHeight - 1);
    const float* kernel = BlurKernel();
    for (int32_t v = v0; v <= v1; ++v) {
        for (int32_t u = u0; u <= u1; ++u) {
            const float cx = x0 + float(u) * du, cz = z0 + float(v) * dv;
            float sum = 0.0f;
            int32_t next = 0;
            for (int32_t j = -1; j <= 1; ++j)
                for (int32_t i = -1; i <= 1; ++i) {
                    bool bit0 = false;
                    if (Bit0At(map, cx + float(i) * du, cz + float(j) * dv, bit0) && bit0)
                        sum += kernel[next++];
                }
            const int32_t level = std::clamp(int32_t(sum + 0.5f), 0, 31);
            texels[v * texWidth + u] = uint16_t((31 - level) << 11);
        }
    }
}

// ---- resources ----

void TsRadar::CreateRadar(int32_t mode)
{
    m_mode = mode;
    m_screenRect[0] = float(TsAccess::ScreenWidth()) - 266.0f;
    m_discRadius = kDiscRadius;
    m_frameTriangles = 2;
    OmD3D* renderer = OmD3D::Instance();
    if (!renderer) {
        LogError("TsRadar::CreateRadar: there is no renderer; the radar is not drawn");
        return;
    }
    LoadTextures();
    // The fixed tilted view of the disc and its 2:1 projection.
    BuildLookAtMatrix(OmVector3(0.0f, -75.0f, -220.0f), OmVector3(0.0f, 0.0f, 0.0f), OmVector3(0.0f, 1.0f, 0.0f),
                      m_view);
    const OmMatrix4 previous = *renderer->GetProjectionMatrix();
    OmProjectionParams params;
    params.halfWidth = std::tan(22.5f * OM_PI / 180.0f);
    params.halfHeight = params.halfWidth * 0.5f;
    params.nearDistance = 1.0f;
    params.farDistance = 1000.0f;
    renderer->SetProjection(&params);
    m_projection = *renderer->GetProjectionMatrix();
    renderer->SetProjectionMatrix(&previous);
    BuildDisc();
    if (m_mode != kWorldMapMode) {
        GfxDevice* device = renderer->GetDevice();
        if (!device || GfxFailed(device->CreateTexture(uint32_t(m_localMapWidth), uint32_t(m_localMapHeight), 1, 0,
                                                        GfxFormat::R5G6B5, GfxPool::Managed, m_localMap.Put())))
            m_localMap.Detach(); // a failed call leaves nothing to hold
    }
}

void TsRadar::LoadTextures()
{
    OmRenderer* renderer = OmRenderer::Current();
    m_frameTexture = LoadTextureFile(renderer, "data\\hud\\radar.tga");
    if (m_frameTexture < 0)
        LogInfo("TsRadar::CreateRadar - Error loading radar texture");
    for (int32_t i = 0; i < kSpriteCount; ++i) {
        m_sprites[i] = LoadTextureFile(renderer, kSpriteFiles[i]);
        if (m_sprites[i] < 0)
            LogInfoF("TsRadar::CreateRadar - Error loading radar sprite '%s'", kSpriteFiles[i]);
    }
}

void TsRadar::BuildDisc()
{
    const int32_t cols = m_gridColumns, rows = m_gridRows;
    const float r = m_discRadius;
    auto vertex = [&](int32_t c, int32_t row) {
        DiscVertex v;
        v.x = -r + 2.0f * r * float(c) / float(cols - 1);
        v.y = -r + 2.0f * r * float(row) / float(rows - 1);
        v.z = 0.0f;
        v.colour = DiscShade(std::sqrt(v.x * v.x + v.y * v.y), r);
        v.u = (v.x + r) / (2.0f * r);
        v.v = (v.y + r) / (2.0f * r);
        return v;
    };
    // One serpentine strip: even bands left to right, odd bands right to
    // left, each column giving a vertex of this row and one of the next.
    int32_t n = 0;
    for (int32_t band = 0; band < rows - 1; ++band)
        for (int32_t k = 0; k < cols; ++k) {
            const int32_t c = band % 2 == 0 ? k : cols - 1 - k;
            m_disc[n++] = vertex(c, band);
            m_disc[n++] = vertex(c, band + 1);
        }
    m_discVertexCount = n;
    m_discStripTriangles = n - 2;
}

void TsRadar::BuildWorldMap()
{
    OmD3D* renderer = OmD3D::Instance();
    GfxDevice* device = renderer ? renderer->GetDevice() : nullptr;
    TsWorld* world = TsAccess::World();
    if (!device || !HasMap(world))
        return;
    GfxCaps caps{};
    device->GetDeviceCaps(&caps);
    const int32_t w = std::min<int32_t>(kWorldMapMax, caps.maxTextureWidth ? int32_t(caps.maxTextureWidth) : kWorldMapMax);
    const int32_t h =
        std::min<int32_t>(kWorldMapMax, caps.maxTextureHeight ? int32_t(caps.maxTextureHeight) : kWorldMapMax);
    if (GfxFailed(device->CreateTexture(uint32_t(w), uint32_t(h), 1, 0, GfxFormat::R5G6B5, GfxPool::Managed,
                                        m_worldMap.Put()))) {
        m_worldMap.Detach(); // a failed call leaves nothing to hold
        LogError("TsRadar: the world map texture cannot be made");
        return;
    }
    m_worldMapWidth = w;
    m_worldMapHeight = h;
    HandleCollisionMapChange(world->GetAIFirstColumn(), world->GetAIFirstRow(),
                             world->GetAILastColumn() - world->GetAIFirstColumn(),
                             world->GetAILastRow() - world->GetAIFirstRow());
}

void TsRadar::HandleCollisionMapChange(int32_t tileX, int32_t tileZ, int32_t width, int32_t height)
{
    TsWorld* world = TsAccess::World();
    if (m_mode != kWorldMapMode || !m_worldMap || !HasMap(world))
        return;
    GfxLockedRect locked{};
    if (GfxFailed(m_worldMap->LockRect(0, &locked, nullptr, 0)) || !locked.bits)
        return;
    // The lock hands rows of pitch bytes; shade into a tight copy when they differ.
    WorldSampler map(world);
    if (locked.pitch == m_worldMapWidth * 2) {
        ShadeWorldRect(map, tileX, tileZ, width, height, static_cast<uint16_t*>(locked.bits), m_worldMapWidth,
                       m_worldMapHeight);
    } else {
        LogError("TsRadar: the world map texture has an unexpected row pitch; it stays unshaded");
    }
    m_worldMap->UnlockRect(0);
}

void TsRadar::Release()
{
    OmRenderer* renderer = OmRenderer::Current();
    m_worldMap = nullptr;
    m_localMap = nullptr;
    if (renderer) {
        if (m_frameTexture >= 0)
            renderer->ReleaseTexture(m_frameTexture);
        for (int32_t& id : m_sprites)
            if (id >= 0)
                renderer->ReleaseTexture(id);
    }
    m_frameTexture = -1;
    std::fill(std::begin(m_sprites), std::end(m_sprites), -1);
}

// ---- saved settings ----

void TsRadar::Write(OmArchive& archive) const
{
    archive.WriteBool(m_objectiveShown != 0);
    archive.WriteBool(m_radarShown != 0);
    archive.WriteFloat(m_range);
    archive.WriteFloat(m_objective.x);
    archive.WriteFloat(m_objective.y);
    archive.WriteFloat(m_objective.z);
}

void TsRadar::Read(OmArchive& archive)
{
    uint32_t objective = 1, radar = 1;
    archive.ReadU32(objective);
    archive.ReadU32(radar);
    m_objectiveShown = objective ? 1 : 0;
    m_radarShown = radar ? 1 : 0;
    float range = kDefaultRange;
    archive.ReadFloat(range);
    // A damaged save must not leave a radar that divides by its range.
    SetRange(std::isfinite(range) ? range : kDefaultRange);
    archive.ReadFloat(m_objective.x);
    archive.ReadFloat(m_objective.y);
    archive.ReadFloat(m_objective.z);
}

// ---- per tick ----

void TsRadar::Update(uint32_t flags)
{
    if (!(flags & kUpdateFlag))
        return;
    if (m_mode == kWorldMapMode) {
        if (!m_worldMap)
            BuildWorldMap();
        return;
    }
    if (m_radarShown)
        ShadeLocalMap(m_mode == kCornerMode);
}

void TsRadar::ShadeLocalMap(bool edges)
{
    TsWorld* world = TsAccess::World();
    TsEntity* character = TsAccess::CurrentCharacter();
    if (!m_localMap || !character || !HasMap(world))
        return;
    GfxLockedRect locked{};
    if (GfxFailed(m_localMap->LockRect(0, &locked, nullptr, 0)) || !locked.bits)
        return;
    WorldSampler map(world);
    const OmVector3& c = character->GetPosition();
    uint16_t texels[kLocalMapSize * kLocalMapSize];
    if (edges)
        ShadeEdges(map, c.x, c.z, m_range, texels, kLocalMapSize);
    else
        ShadeDensity(map, c.x, c.z, m_range, texels, kLocalMapSize);
    auto* out = static_cast<uint8_t*>(locked.bits);
    for (int32_t row = 0; row < kLocalMapSize; ++row)
        std::copy_n(texels + row * kLocalMapSize, kLocalMapSize, reinterpret_cast<uint16_t*>(out + row * locked.pitch));
    m_localMap->UnlockRect(0);
}
