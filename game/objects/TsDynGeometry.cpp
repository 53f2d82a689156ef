#include "game/objects/TsDynGeometry.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "engine/OmArchive.h"
#include "engine/OmGroup.h"
#include "engine/OmMath.h"
#include "engine/OmMesh.h"
#include "engine/OmRenderer.h"
#include "engine/OmShape.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsLevelInfo.h"
#include "game/framework/TsLevelState.h"
#include "game/framework/TsLog.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsPathfinder.h"
#include "game/objects/TsPlayer.h"
#include "game/world/TsAIMap.h"
#include "game/world/TsWorld.h"
#include "game/world/TsWorldHit.h"

OM_IMPLEMENT_CLASS(TsDynGeometry, TsModel)

bool TsDynGeometry::s_debug = false;

namespace {
// Every world cast sees the doors from program start.
[[maybe_unused]] const bool s_doorCastInstalled = (TsWorld::SetDoorCaster(&TsDynGeometry::CastSegmentAgainstDoors), true);
}

namespace {

constexpr float kQuarterTurn = OM_HALF_PI;
constexpr uint32_t kDebugColour = 0xFFFFFFFFu;
constexpr int32_t kPartySize = 3;

OmVector3 Cross(const OmVector3& a, const OmVector3& b)
{
    OmVector3 out;
    CrossProduct(a, b, out);
    return out;
}

// The first mesh under a node, depth first.
const OmMesh* FindMesh(OmNode* node)
{
    if (!node)
        return nullptr;
    if (auto* shape = OmShape::Cast(node))
        if (const auto* mesh = OmMesh::Cast(shape->GetGeometry()))
            return mesh;
    if (auto* group = OmGroup::Cast(node))
        for (int32_t i = 0; i < group->GetChildCount(); ++i)
            if (const OmMesh* mesh = FindMesh(group->GetChild(uint32_t(i))))
                return mesh;
    return nullptr;
}

// The x extent of the quad clipped to the band z0 <= z <= z1; false when
// the quad misses the band.
bool BandExtent(const OmVector3 quad[4], float z0, float z1, float& xMin, float& xMax)
{
    xMin = FLT_MAX;
    xMax = -FLT_MAX;
    for (int i = 0; i < 4; ++i) {
        const OmVector3& a = quad[i];
        const OmVector3& b = quad[(i + 1) % 4];
        if (a.z >= z0 && a.z <= z1) {
            xMin = std::min(xMin, a.x);
            xMax = std::max(xMax, a.x);
        }
        for (float edge : {z0, z1}) {
            if ((a.z - edge) * (b.z - edge) < 0.0f) {
                const float t = (edge - a.z) / (b.z - a.z);
                const float x = a.x + (b.x - a.x) * t;
                xMin = std::min(xMin, x);
                xMax = std::max(xMax, x);
            }
        }
    }
    return xMin <= xMax;
}

} // namespace

TsDynGeometry::TsDynGeometry()
{
    m_radius = 3.0f;
    ClearFlag(TS_ENTITY_ORDINARY);
}

TsDynGeometry::TsDynGeometry(OmArchive& archive) : TsModel(archive) {}

TsDynGeometry::~TsDynGeometry() = default;

void TsDynGeometry::Write(OmArchive& archive)
{
    TsModel::Write(archive);
    archive.WriteI32(m_pendingOverlay).WriteBool(m_overlayPending != 0);
    for (int c = 0; c < 4; ++c)
        archive.WriteVector(m_footprint[c])
            .WriteVector(m_worldFootprint[c])
            .WriteVector(m_face[c])
            .WriteVector(m_worldFace[c]);
    for (int32_t v : m_overlayRect)
        archive.WriteI32(v);
    archive.WriteVector(m_faceNormal).WriteFloat(m_faceDistance);
    archive.WriteBool(m_footprintKnown != 0).WriteFloat(m_slideWidth);
}

void TsDynGeometry::Read(OmArchive& archive)
{
    TsModel::Read(archive);
    bool pending = false, known = false;
    archive.ReadI32(m_pendingOverlay).ReadBool(pending);
    for (int c = 0; c < 4; ++c)
        archive.ReadVector(m_footprint[c]).ReadVector(m_worldFootprint[c]).ReadVector(m_face[c]).ReadVector(
            m_worldFace[c]);
    for (int32_t& v : m_overlayRect)
        archive.ReadI32(v);
    archive.ReadVector(m_faceNormal).ReadFloat(m_faceDistance);
    archive.ReadBool(known).ReadFloat(m_slideWidth);
    m_overlayPending = pending ? 1 : 0;
    m_footprintKnown = known ? 1 : 0;
}

namespace {

// "<level path>/doors/": where dynamic geometry finds its models.
void ModelFolder(char* out, size_t size)
{
    const TsLevelInfo* info = TsAccess::LevelInfo();
    const char* levelPath = info && info->levelPath.Get() ? info->levelPath.Get() : "";
    if (!*levelPath) {
        std::snprintf(out, size, "%s", TsDynGeometry::kModelFolder);
        return;
    }
    TsModel::JoinPath(out, size, levelPath, TsDynGeometry::kModelFolder);
}

} // namespace

bool TsDynGeometry::Import()
{
    char folder[1024];
    ModelFolder(folder, sizeof folder);
    return LoadModel(folder);
}

bool TsDynGeometry::Initialise()
{
    char folder[1024];
    ModelFolder(folder, sizeof folder);
    if (!LoadModel(folder))
        return false;
    if (m_overlayRect[2] != -1 && m_overlayRect[3] != -1) {
        CreateOverlays(kOverlayCount, m_overlayRect[0], m_overlayRect[1], m_overlayRect[2], m_overlayRect[3]);
        return true;
    }
    UpdateWorldShape();
    CreateOverlays(kOverlayCount, m_overlayRect[0], m_overlayRect[1], m_overlayRect[2], m_overlayRect[3]);
    return true;
}

void TsDynGeometry::UpdateWorldShape()
{
    const float angle = GetHeading() + kQuarterTurn;
    const float c = std::cos(angle), s = std::sin(angle);
    for (int i = 0; i < 4; ++i) {
        m_worldFootprint[i] = GroundRotated(m_footprint[i], c, s) + m_position;
        m_worldFace[i] = GroundRotated(m_face[i], c, s) + m_position;
    }
    OmVector3 normal = Cross(m_worldFace[2] - m_worldFace[0], m_worldFace[1] - m_worldFace[0]);
    if (normal.LengthSquared() > 0.0f)
        normal.Normalise();
    m_faceNormal = normal;
    m_faceDistance = m_worldFace[0].Dot(m_faceNormal);

    const TsWorld* world = TsAccess::CurrentLevel() ? TsAccess::World() : nullptr;
    if (!world || world->GetAITileSize() <= 0.0f)
        return;
    const OmVector3& origin = world->GetAIMapOrigin();
    const float inverse = world->GetAITileSizeInverse();
    int32_t minX = INT32_MAX, minZ = INT32_MAX, maxX = INT32_MIN, maxZ = INT32_MIN;
    for (const OmVector3& corner : m_worldFootprint) {
        const int32_t tx = TsAIMap::TileOf(corner.x - origin.x, inverse);
        const int32_t tz = TsAIMap::TileOf(corner.z - origin.z, inverse);
        minX = std::min(minX, tx);
        maxX = std::max(maxX, tx);
        minZ = std::min(minZ, tz);
        maxZ = std::max(maxZ, tz);
    }
    m_overlayRect[0] = minX - 1;
    m_overlayRect[1] = minZ - 1;
    m_overlayRect[2] = std::max(maxX + 1 - (minX - 1), 1);
    m_overlayRect[3] = std::max(maxZ + 1 - (minZ - 1), 1);
}

void TsDynGeometry::SetModelShape(const OmVector3 footprint[4], const OmVector3 face[4], float slideWidth)
{
    for (int i = 0; i < 4; ++i) {
        m_footprint[i] = footprint[i];
        m_face[i] = face[i];
    }
    m_slideWidth = slideWidth;
}

bool TsDynGeometry::CreateOverlays(int32_t count, int32_t x, int32_t z, int32_t width, int32_t height)
{
    TsWorld* world = TsAccess::CurrentLevel() ? TsAccess::World() : nullptr;
    m_overlays.Resize(0);
    m_overlays.Resize(uint32_t(std::max(count, 0)));
    m_overlayRect[0] = x;
    m_overlayRect[1] = z;
    m_overlayRect[2] = width;
    m_overlayRect[3] = height;
    if (!world || !world->GetAIMap()) {
        LogErrorF("TsDynGeometry: '%s' has no AI map to block: the level has no world or no AI map",
                  NameOrEmpty());
        return false;
    }
    TsTileWalker walker(world);
    for (uint32_t i = 0; i < m_overlays.GetCount(); ++i) {
        TsTileOverlay& overlay = m_overlays[i];
        if (!walker.CreateTileOverlay(overlay, x, z, width, height)) {
            LogInfoF("TsDynGeometry::CreateOverlays - Failed to create overlay %d for dynamic geometry '%s'", int(i),
                     NameOrEmpty());
            LogPumpMessages();
            continue;
        }
        FillOverlay(i, overlay);
    }
    return true;
}

void TsDynGeometry::FillOverlay(uint32_t, TsTileOverlay& overlay)
{
    const TsWorld* world = TsAccess::World();
    RasteriseQuad(overlay, m_worldFootprint, world->GetAITileSize(), world->GetAIMapOrigin().x,
                  world->GetAIMapOrigin().z);
}

// Tiles the quad covers, even in part, are blocked; the others keep the code
// they had, so the walls beside a doorway stay walls.
void TsDynGeometry::RasteriseQuad(TsTileOverlay& overlay, const OmVector3 quad[4], float tileSize, float originX,
                                  float originZ)
{
    uint32_t next = 0;
    for (int32_t row = 0; row < overlay.height; ++row) {
        const float z0 = originZ + float(overlay.z + row) * tileSize;
        float xMin = 0.0f, xMax = 0.0f;
        const bool band = BandExtent(quad, z0, z0 + tileSize, xMin, xMax);
        for (int32_t column = 0; column < overlay.width; ++column, ++next) {
            const float x0 = originX + float(overlay.x + column) * tileSize;
            const bool covered = band && xMax >= x0 && xMin <= x0 + tileSize;
            overlay.overlayCodes.Set(next, covered ? 0u : overlay.savedCodes.Get(next));
        }
    }
}

void TsDynGeometry::SetPendingOverlay(int32_t index)
{
    m_pendingOverlay = index;
    m_overlayPending = 1;
}

void TsDynGeometry::ApplyOverlay(int32_t index)
{
    TsWorld* world = TsAccess::World();
    if (!world || index < 0 || uint32_t(index) >= m_overlays.GetCount())
        return;
    TsTileWalker walker(world);
    walker.ApplyTileOverlay(m_overlays[uint32_t(index)]);
}

void TsDynGeometry::WritePendingOverlay()
{
    TsWorld* world = TsAccess::World();
    if (world && m_pendingOverlay >= 0) {
        if (uint32_t(m_pendingOverlay) < m_overlays.GetCount()) {
            ApplyOverlay(m_pendingOverlay);
            PushPartyOff(m_overlays[uint32_t(m_pendingOverlay)]);
        }
    } else if (world && m_overlays.GetCount() > 0) {
        TsTileWalker walker(world);
        walker.RemoveTileOverlay(m_overlays[0]);
    }
    if (TsLevelState* level = TsAccess::LevelState())
        level->CollisionMapChanged(m_overlayRect[0], m_overlayRect[1], m_overlayRect[2], m_overlayRect[3]);
    m_overlayPending = 0;
}

void TsDynGeometry::Tick(uint32_t tickCount)
{
    TsModel::Tick(tickCount);
    if (m_overlayPending)
        WritePendingOverlay();
}

bool TsDynGeometry::FindPushPoint(TsCharacterObject& character, OmVector3& out) const
{
    TsPathfinder* pathfinder = TsAccess::Pathfinder();
    if (!pathfinder)
        return false;
    const OmVector3& h = character.GetDirection();
    const OmVector3 directions[4] = {OmVector3(h.x, 0, h.z), OmVector3(-h.x, 0, -h.z), OmVector3(h.z, 0, -h.x),
                                     OmVector3(-h.z, 0, h.x)};
    const OmVector3& from = character.GetPosition();
    float best = FLT_MAX;
    bool found = false;
    for (const OmVector3& d : directions) {
        OmVector3 point;
        if (!pathfinder->GetValidPosition(from, d, kPushReach, character.GetRadius(), character.HasPathKeyA(), true,
                                          point))
            continue;
        const float dx = point.x - from.x, dz = point.z - from.z;
        const float distance = dx * dx + dz * dz;
        if (distance < best) {
            best = distance;
            out = OmVector3(point.x + d.x * kPushBeyond, from.y, point.z + d.z * kPushBeyond);
            found = true;
        }
    }
    return found;
}

void TsDynGeometry::PushPartyOff(const TsTileOverlay& overlay)
{
    // A refused overlay (a door at the map's edge) blocked no tile: its
    // empty codes must not read as closed ground.
    if (!overlay.IsMade())
        return;
    const TsPlayer* player = TsAccess::LocalPlayer();
    const TsWorld* world = TsAccess::World();
    if (!player || !world || world->GetAITileSize() <= 0.0f)
        return;
    const OmVector3& origin = world->GetAIMapOrigin();
    const float inverse = world->GetAITileSizeInverse();
    for (int32_t i = 0; i < kPartySize; ++i) {
        auto* character = TsCharacterObject::Cast(player->GetSquadMember(i));
        if (!character)
            continue;
        const OmVector3& p = character->GetPosition();
        const int32_t column = TsAIMap::TileOf(p.x - origin.x, inverse) - overlay.x;
        const int32_t row = TsAIMap::TileOf(p.z - origin.z, inverse) - overlay.z;
        if (column < 0 || row < 0 || column >= overlay.width || row >= overlay.height)
            continue;
        if (overlay.overlayCodes.Get(uint32_t(row * overlay.width + column)) != 0)
            continue;
        LogInfoF("%s is on the close overlay for dynamic geometry '%s'", character->NameOrEmpty(),
                 NameOrEmpty());
        OmVector3 point;
        if (FindPushPoint(*character, point))
            character->SetPositionOnGround(point);
    }
}

void TsDynGeometry::Render(float renderTime, float fraction)
{
    OmRenderer* renderer = OmRenderer::Current();
    if (s_debug && renderer) {
        OmVector3 lines[16];
        for (int i = 0; i < 4; ++i) {
            lines[i * 2] = m_worldFootprint[i];
            lines[i * 2 + 1] = m_worldFootprint[(i + 1) % 4];
            lines[8 + i * 2] = m_worldFace[i];
            lines[8 + i * 2 + 1] = m_worldFace[(i + 1) % 4];
        }
        renderer->DrawLines(8, lines, kDebugColour);
    }
    TsModel::Render(renderTime, fraction);
}

void TsDynGeometry::ScanModelNodes(OmNode* model)
{
    if (m_overlayRect[2] != -1 && m_overlayRect[3] != -1) {
        m_footprintKnown = 1;
        return;
    }
    const OmMesh* mesh = FindMesh(model);
    if (!mesh || mesh->vertices.GetCount() == 0)
        return;
    float minX = FLT_MAX, maxX = -FLT_MAX, minZ = FLT_MAX, maxZ = -FLT_MAX;
    OmVector3 centre;
    const uint32_t count = mesh->vertices.GetCount();
    for (uint32_t i = 0; i < count; ++i) {
        const OmVector3& v = mesh->vertices[i].position;
        minX = std::min(minX, v.x);
        maxX = std::max(maxX, v.x);
        minZ = std::min(minZ, v.z);
        maxZ = std::max(maxZ, v.z);
        centre += v;
    }
    centre *= 1.0f / float(count);
    m_footprint[0] = OmVector3(minZ, 0, minX);
    m_footprint[1] = OmVector3(maxZ, 0, minX);
    m_footprint[2] = OmVector3(maxZ, 0, maxX);
    m_footprint[3] = OmVector3(minZ, 0, maxX);
    float alongPlus = 0, alongMinus = 0, upPlus = 0, upMinus = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const OmVector3 d = mesh->vertices[i].position - centre;
        alongPlus = std::max(alongPlus, d.z);
        alongMinus = std::max(alongMinus, -d.z);
        upPlus = std::max(upPlus, d.y);
        upMinus = std::max(upMinus, -d.y);
    }
    const OmVector3 h(1, 0, 0), v(0, 1, 0);
    m_face[0] = centre - h * alongMinus + v * upPlus;
    m_face[1] = centre + h * alongPlus + v * upPlus;
    m_face[2] = centre + h * alongPlus - v * upMinus;
    m_face[3] = centre - h * alongMinus - v * upMinus;
    m_height = upPlus + upMinus;
    m_slideWidth = alongPlus + alongMinus;
}

void TsDynGeometry::SetupFromModel(TsModel* other)
{
    auto* source = TsDynGeometry::Cast(other);
    if (!source)
        return;
    for (int i = 0; i < 4; ++i) {
        m_footprint[i] = source->m_footprint[i];
        m_face[i] = source->m_face[i];
    }
    m_height = source->m_height;
    m_slideWidth = source->m_slideWidth;
    m_footprintKnown = 1;
}

bool TsDynGeometry::TestSegment(const OmVector3& start, const OmVector3& end, TsWorldHit& hit)
{
    const OmVector3 ray = end - start;
    const OmVector3* f = m_worldFace;
    const OmVector3* triangles[2][3] = {{&f[0], &f[1], &f[2]}, {&f[2], &f[3], &f[0]}};
    for (const auto& tri : triangles) {
        // The engine's test, as the world's own triangles meet casts.
        float t = 0.0f, u = 0.0f, v = 0.0f;
        if (!IntersectRayTriangle(start, ray, *tri[0], *tri[1], *tri[2], t, u, v) || t < 0.0f || t >= 1.0f)
            continue;
        hit.distance = t * ray.Length();
        hit.point = start + ray * t;
        hit.corner0 = *tri[0];
        hit.corner1 = *tri[1];
        hit.corner2 = *tri[2];
        hit.normal = m_faceNormal;
        return false;
    }
    return true;
}

bool TsDynGeometry::CastSegmentAgainstDoors(const OmVector3& start, const OmVector3& end, TsWorldHit& hit)
{
    const TsEntityDB* db = TsAccess::CurrentLevel() ? TsAccess::EntityDB() : nullptr;
    if (!db)
        return true;
    hit.distance = FLT_MAX;
    bool clear = true;
    for (OmList::Node* node = db->GetDoors().GetFirst(); node; node = node->next) {
        auto* geometry = TsDynGeometry::Cast(OmList::ValueAt<OmObject>(node));
        TsWorldHit candidate;
        if (!geometry || geometry->TestSegment(start, end, candidate))
            continue;
        if (candidate.distance < hit.distance) {
            hit = candidate;
            clear = false;
        }
    }
    return clear;
}
