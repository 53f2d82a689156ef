#include "game/world/TsWorldImporter.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <strings.h>

#include "engine/OmGroup.h"
#include "engine/OmMath.h"
#include "engine/OmMaxLight.h"
#include "engine/OmRenderer.h"
#include "engine/OmShape.h"
#include "game/framework/TsLog.h"
#include "game/world/TsWorld.h"
#include "game/world/TsWorldCell.h"
#include "platform/FilePath.h"

namespace {

// Flat pieces left by clipping: twice their area in square world units.
constexpr float kMinDoubleArea = 1.0e-8f;

bool HasPrefix(const char* name, const char* prefix)
{
    return name && strncasecmp(name, prefix, std::strlen(prefix)) == 0;
}

OmVector3 ToWorld(const OmNode& node, const OmVector3& p)
{
    return node.GetWorldPosition() + node.GetWorldRotation().Transform(p) * node.GetWorldScale();
}

bool IsLuaIdentifier(const char* name)
{
    static const char* const kKeywords[] = {"and", "break", "do", "else", "elseif", "end", "false", "for",
                                            "function", "if", "in", "local", "nil", "not", "or", "repeat",
                                            "return", "then", "true", "until", "while"};
    if (!name || !(std::isalpha(uint8_t(name[0])) || name[0] == '_'))
        return false;
    for (const char* c = name; *c; ++c)
        if (!(std::isalnum(uint8_t(*c)) || *c == '_'))
            return false;
    for (const char* keyword : kKeywords)
        if (std::strcmp(name, keyword) == 0)
            return false;
    return true;
}

// Fixed six decimals whatever the program's locale.
std::string Number(float value)
{
    char text[64];
    value += 0.0f; // no "-0.000000"
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6);
    return std::string(text, result.ptr);
}

} // namespace

void TsWorldImporter::GridFor(const OmVector3& min, const OmVector3& max, float edge, int32_t& levels,
                              float& usedEdge)
{
    const float extent = std::max({max.x - min.x, max.y - min.y, max.z - min.z, 0.0f});
    usedEdge = std::isfinite(edge) && edge > 0.0f ? edge : 1.0f;
    for (;;) {
        // A damaged scene's far vertex may ask for more cells than any count
        // holds: the count stops at the int's limit and the edge grows.
        const int32_t cells = SaturatingInt(std::ceil(double(extent) / usedEdge));
        const uint32_t n = cells > 0 ? uint32_t(cells) >> 1 : 0;
        levels = 1 + int32_t(std::bit_width(n));
        if (levels <= kMaxImportLevels)
            return;
        usedEdge *= 2.0f;
    }
}

TsWorldImporter::TsWorldImporter(TsWorld& world, OmGroup* root, const OmVector3& min, const OmVector3& max,
                                 float edge, bool vertexColours)
    : m_world(world), m_root(root), m_origin(min), m_minY(min.y), m_maxY(max.y), m_vertexColours(vertexColours)
{
    float usedEdge = edge;
    GridFor(min, max, edge, m_levels, usedEdge);
    if (usedEdge != edge)
        LogErrorF("TsWorldImporter - a cell edge of %f needs more than %d cells a side; using %f", double(edge),
                  1 << kMaxImportLevels, double(usedEdge));
    m_edge = usedEdge;
    m_gridSize = 1 << m_levels;
    const size_t positions = size_t(m_gridSize) * size_t(m_gridSize);
    m_solidMeshes.resize(positions);
    m_nonCollidableMeshes.resize(positions);
    m_surfaceLists.resize(positions);
    m_occupied.assign(positions, 0);
    m_world.SetImportFlag(vertexColours);
    for (int32_t l = 0; l < m_levels; ++l)
        m_levelNodes.emplace_back(size_t(1) << (2 * l), -1);
    m_levelCompact.resize(size_t(m_levels));
    m_levelCounts.assign(size_t(m_levels) + 1, 0);
}

TsWorldImporter::~TsWorldImporter()
{
    for (OmNode* node : m_effectNodes) {
        if (OmShape* shape = OmShape::Cast(node))
            shape->SetGeometry(nullptr);
    }
    for (auto* list : {&m_lightNodes, &m_dynamicNodes, &m_nonCollidableGroups, &m_effectNodes})
        list->clear();
    m_solidMeshes.clear();
    m_nonCollidableMeshes.clear();
    OmRenderer* renderer = OmRenderer::Current();
    for (auto& list : m_surfaceLists) {
        for (TsLiquid* liquid : list) {
            if (renderer && liquid->material >= 0 && renderer->GetMaterial(liquid->material))
                renderer->ReleaseMaterial(liquid->material);
            delete liquid;
        }
    }
}

bool TsWorldImporter::Run(OmGroup* root, OmRenderer* renderer)
{
    LogInfo("TsWorldImporter - Dicing meshes");
    if (root) {
        root->Update(0.0f);
        Classify(root);
    }
    LogInfo("TsWorldImporter - Dicing non-collidable");
    for (OmNode* node : m_nonCollidableGroups) {
        if (OmGroup* group = OmGroup::Cast(node))
            DiceGroup(group, m_nonCollidableMeshes);
        else if (OmShape* shape = OmShape::Cast(node))
            DiceShape(*shape, m_nonCollidableMeshes);
    }
    LogInfo("TsWorldImporter - Processing effects");
    ProcessEffects();
    LogInfo("TsWorldImporter - reading lights");
    ReadLights();
    LogInfo("TsWorldImporter - Building cells");
    BuildCells(renderer);
    BuildQuadtree();
    LogInfo("TsWorldImporter - Copying");
    CopyToWorld();
    LogInfo("TsWorldImporter - Ready");
    return true;
}

// ---- sorting the scene ----------------------------------------------------------

void TsWorldImporter::Classify(OmGroup* group)
{
    OmGroup::Visit visit(*group);
    if (visit.Refused())
        return;
    for (int32_t i = 0; i < group->GetChildCount(); ++i) {
        OmNode* child = group->GetChild(uint32_t(i));
        if (!child)
            continue;
        const char* name = child->GetName();
        std::vector<OmRef<OmNode>>* list = nullptr;
        if (OmMaxLightNode::Cast(child))
            list = &m_lightNodes;
        else if (HasPrefix(name, "dyn_"))
            list = &m_dynamicNodes;
        else if (HasPrefix(name, "nocol_"))
            list = &m_nonCollidableGroups;
        else if (HasPrefix(name, "fx_"))
            list = &m_effectNodes;
        if (list) {
            list->emplace_back(child);
        } else if (OmGroup* inner = OmGroup::Cast(child)) {
            Classify(inner);
        } else if (OmShape* shape = OmShape::Cast(child)) {
            DiceShape(*shape, m_solidMeshes);
        }
    }
}

void TsWorldImporter::DiceGroup(OmGroup* group, std::vector<OmRef<OmMesh>>& targets)
{
    OmGroup::Visit visit(*group);
    if (visit.Refused())
        return;
    for (int32_t i = 0; i < group->GetChildCount(); ++i) {
        OmNode* child = group->GetChild(uint32_t(i));
        if (OmGroup* inner = OmGroup::Cast(child))
            DiceGroup(inner, targets);
        else if (OmShape* shape = OmShape::Cast(child))
            DiceShape(*shape, targets);
    }
}

// ---- dicing ---------------------------------------------------------------------

void TsWorldImporter::ClipToCell(const Polygon& in, int32_t cx, int32_t cz, Polygon& out) const
{
    const float x0 = m_origin.x + float(cx) * m_edge, z0 = m_origin.z + float(cz) * m_edge;
    const float bounds[4] = {x0, x0 + m_edge, z0, z0 + m_edge};
    Polygon work = in;
    for (int side = 0; side < 4; ++side) {
        const bool alongX = side < 2;
        const bool lower = side % 2 == 0;
        const float bound = bounds[side];
        auto inside = [&](const Corner& c) {
            const float v = alongX ? c.vertex.position.x : c.vertex.position.z;
            return lower ? v >= bound : v <= bound;
        };
        out.clear();
        for (size_t i = 0; i < work.size(); ++i) {
            const Corner& a = work[i];
            const Corner& b = work[(i + 1) % work.size()];
            if (inside(a))
                out.push_back(a);
            if (inside(a) == inside(b))
                continue;
            const OmVector3& pa = a.vertex.position;
            const OmVector3& pb = b.vertex.position;
            const float t = alongX ? (bound - pa.x) / (pb.x - pa.x) : (bound - pa.z) / (pb.z - pa.z);
            Corner c;
            OmMeshVertex::Interpolate(a.vertex, b.vertex, t, c.vertex);
            c.vertex.position.y = pa.y + (pb.y - pa.y) * t;
            if (alongX)
                c.vertex.position.Set(bound, c.vertex.position.y, pa.z + (pb.z - pa.z) * t);
            else
                c.vertex.position.Set(pa.x + (pb.x - pa.x) * t, c.vertex.position.y, bound);
            c.still = a.still && b.still;
            out.push_back(c);
        }
        work.swap(out);
        if (work.size() < 3)
            break;
    }
    out.swap(work);
}

namespace {

// The cells a triangle's corners span, clamped to the grid.
void CellRange(const OmVector3 corners[3], const OmVector3& origin, float edge, int32_t gridSize, int32_t range[4])
{
    float lo[2] = {corners[0].x, corners[0].z}, hi[2] = {corners[0].x, corners[0].z};
    for (int c = 1; c < 3; ++c) {
        lo[0] = std::min(lo[0], corners[c].x);
        hi[0] = std::max(hi[0], corners[c].x);
        lo[1] = std::min(lo[1], corners[c].z);
        hi[1] = std::max(hi[1], corners[c].z);
    }
    auto cell = [&](float v, float o) {
        // Written so that NaN (a box without end) lands in the first cell.
        const float f = std::floor((v - o) / edge);
        return !(f > 0.0f) ? 0 : f >= float(gridSize - 1) ? gridSize - 1 : int32_t(f);
    };
    range[0] = cell(lo[0], origin.x);
    range[1] = cell(hi[0], origin.x);
    range[2] = cell(lo[1], origin.z);
    range[3] = cell(hi[1], origin.z);
}

bool IsFlat(const OmVector3& a, const OmVector3& b, const OmVector3& c)
{
    OmVector3 cross;
    CrossProduct(b - a, c - a, cross);
    return !(cross.Length() > kMinDoubleArea);
}

// The mesh's vertex at index, placed in the world; false when the index
// names no vertex or the place is not finite (a damaged scene): the
// triangle is left out.
bool WorldVertex(const OmShape& shape, const OmMesh& mesh, uint32_t index, OmMeshVertex& v)
{
    if (index >= mesh.vertices.GetCount())
        return false;
    v = mesh.vertices[index];
    v.position = ToWorld(shape, v.position);
    v.normal = shape.GetWorldRotation().Transform(v.normal);
    v.normal.Normalise();
    return IsFinite(v.position);
}

// A clipped piece as a fan of triangles (0, k, k + 1); visit(k) for each
// that is not flat.
template <class Piece, class Visit>
void ForEachSolidFanTriangle(const Piece& piece, Visit&& visit)
{
    for (size_t k = 1; k + 1 < piece.size(); ++k)
        if (!IsFlat(piece[0].vertex.position, piece[k].vertex.position, piece[k + 1].vertex.position))
            visit(k);
}

} // namespace

template <class Visit>
void TsWorldImporter::ForEachCellPiece(const Polygon& triangle, Polygon& piece, Visit&& visit) const
{
    const OmVector3 corners[3] = {triangle[0].vertex.position, triangle[1].vertex.position,
                                  triangle[2].vertex.position};
    int32_t range[4];
    CellRange(corners, m_origin, m_edge, m_gridSize, range);
    for (int32_t cz = range[2]; cz <= range[3]; ++cz) {
        for (int32_t cx = range[0]; cx <= range[1]; ++cx) {
            ClipToCell(triangle, cx, cz, piece);
            if (piece.size() >= 3)
                visit(cz * m_gridSize + cx);
        }
    }
}

void TsWorldImporter::DiceShape(OmShape& shape, std::vector<OmRef<OmMesh>>& targets)
{
    OmMesh* mesh = OmMesh::Cast(shape.GetGeometry());
    if (!mesh)
        return;
    const uint32_t triangles = std::min(mesh->indices.GetCount() / 3, mesh->triangleMaterials.GetCount());
    Polygon triangle(3), piece;
    for (uint32_t t = 0; t < triangles; ++t) {
        bool valid = true;
        for (uint32_t c = 0; c < 3 && valid; ++c)
            valid = WorldVertex(shape, *mesh, mesh->indices[3 * t + c], triangle[c].vertex);
        if (!valid)
            continue;
        ForEachCellPiece(triangle, piece, [&](int32_t position) {
            OmRef<OmMesh>& target = targets[size_t(position)];
            ForEachSolidFanTriangle(piece, [&](size_t k) {
                if (!target) {
                    target = OmMakeRef<OmMesh>();
                    target->layout[2] = m_vertexColours ? 1 : 0;
                }
                const uint32_t first = target->vertices.GetCount();
                target->vertices.Add(piece[0].vertex);
                target->vertices.Add(piece[k].vertex);
                target->vertices.Add(piece[k + 1].vertex);
                for (uint32_t i = 0; i < 3; ++i)
                    target->indices.Add(first + i);
                target->triangleMaterials.Add(mesh->triangleMaterials[t]);
                m_occupied[size_t(position)] = 1;
            });
        });
    }
}

// ---- liquids and effects ----------------------------------------------------------

TsLiquid* TsWorldImporter::SurfaceAt(int32_t position, uint32_t material)
{
    for (TsLiquid* liquid : m_surfaceLists[size_t(position)])
        if (liquid->material == int32_t(material))
            return liquid;
    auto* liquid = new TsLiquid;
    liquid->kind = m_kind;
    const int32_t cx = position % m_gridSize, cz = position / m_gridSize;
    liquid->origin.Set(m_origin.x + float(cx) * m_edge, 0.0f, m_origin.z + float(cz) * m_edge);
    liquid->material = int32_t(material);
    OmRenderer* renderer = OmRenderer::Current();
    if (renderer && renderer->GetMaterial(int32_t(material)))
        renderer->AddRefMaterial(int32_t(material));
    else
        liquid->material = -1;
    m_surfaceLists[size_t(position)].push_back(liquid);
    return liquid;
}

void TsWorldImporter::DiceLiquid(OmShape& shape, uint32_t kind)
{
    OmMesh* mesh = OmMesh::Cast(shape.GetGeometry());
    if (!mesh)
        return;
    m_kind = kind;
    mesh->WeldVertices(0.0001f, 0.001f);
    mesh->SortTrianglesByMaterial();
    OmArray<int32_t> adjacency;
    mesh->BuildEdgeAdjacency(adjacency);
    const uint32_t triangles = std::min(mesh->indices.GetCount() / 3, mesh->triangleMaterials.GetCount());
    if (adjacency.GetCount() < triangles * 3)
        return;
    Polygon triangle(3), piece;
    std::map<int32_t, uint32_t> leftOut; // per grid position
    for (uint32_t t = 0; t < triangles; ++t) {
        bool valid = true;
        for (uint32_t c = 0; c < 3 && valid; ++c) {
            Corner& corner = triangle[c];
            valid = WorldVertex(shape, *mesh, mesh->indices[3 * t + c], corner.vertex);
            for (float& channel : corner.vertex.colour)
                channel *= 0.5f;
            // A corner is still when either edge meeting at it is open.
            corner.still = adjacency[3 * t + c] < 0 || adjacency[3 * t + (c + 2) % 3] < 0;
        }
        if (!valid)
            continue;
        ForEachCellPiece(triangle, piece, [&](int32_t position) {
            TsLiquid* liquid = SurfaceAt(position, mesh->triangleMaterials[t]);
            ForEachSolidFanTriangle(piece, [&](size_t k) {
                const OmMeshVertex* fan[3] = {&piece[0].vertex, &piece[k].vertex, &piece[k + 1].vertex};
                const bool still[3] = {piece[0].still, piece[k].still, piece[k + 1].still};
                if (!TsWorld::AddLiquidTriangle(*liquid, fan, still))
                    ++leftOut[position];
            });
            m_occupied[size_t(position)] = 1;
        });
    }
    for (const auto& [position, dropped] : leftOut)
        ReportLeftOut(position % m_gridSize, position / m_gridSize, "liquid vertices", dropped);
}

void TsWorldImporter::ProcessEffects()
{
    std::vector<OmRef<OmNode>> kept;
    for (OmRef<OmNode>& held : m_effectNodes) {
        OmNode* node = held;
        OmShape* shape = OmShape::Cast(node);
        if (!shape) {
            kept.push_back(std::move(held));
            continue;
        }
        char name[33] = {};
        std::snprintf(name, sizeof name, "%s", node->NameOrEmpty());
        const char* kind = std::strlen(name) >= 2 ? name + 2 : "";
        const uint32_t liquid = std::strcmp(kind, "_water") == 0 ? TsLiquid::kWater
                                : std::strcmp(kind, "_lava") == 0 ? TsLiquid::kLava
                                : std::strcmp(kind, "_mist") == 0 ? TsLiquid::kMist
                                                                   : UINT32_MAX;
        if (liquid != UINT32_MAX) {
            DiceLiquid(*shape, liquid);
            held = nullptr;
            continue;
        }
        // The emitter is named by what follows "fx_"; the node keeps its
        // place but draws nothing itself. The world holds its own reference.
        std::string effect = node->GetName() + 3;
        node->SetName(effect.c_str());
        // The node leaves the scene's tree with the import: where it
        // stands in the world becomes its own transform.
        node->LocalRotation() = node->GetWorldRotation();
        node->LocalPosition() = node->GetWorldPosition();
        node->LocalScale() = node->GetWorldScale();
        shape->SetGeometry(nullptr);
        m_world.GetEffectNodes().push_back(held);
        kept.push_back(std::move(held));
    }
    m_effectNodes.swap(kept);
}

// ---- lights ---------------------------------------------------------------------

void TsWorldImporter::ReadLights()
{
    LogInfoF("Importing %d static lights from .pbf", int(m_lightNodes.size()));
    auto motif = OmMakeRef<OmMaxLight>();
    motif->SetName("default motif");
    motif->on = 0;
    motif->multiplier = 0.0f;
    m_world.GetLightNodes().push_back(std::move(motif));
    for (OmNode* node : m_lightNodes) {
        OmMaxLightNode* lightNode = OmMaxLightNode::Cast(node);
        if (!lightNode)
            continue;
        lightNode->Update(0.0f);
        OmMaxLight& light = lightNode->light;
        light.position = lightNode->GetWorldPosition();
        light.direction = lightNode->GetWorldRotation().Transform(OmVector3(0, -1, 0));
        light.upVector = lightNode->GetWorldRotation().Transform(OmVector3(1, 0, 0));
        auto copy = OmMakeRef<OmMaxLight>(light);
        const char* name = node->NameOrEmpty();
        copy->SetName(name);
        if (std::fabs(copy->colour[0]) < 0.01f && std::fabs(copy->colour[1]) < 0.01f &&
            std::fabs(copy->colour[2]) < 0.01f)
            LogInfoF("Warning: colour of light %s is black - is this intended?", name);
        if (copy->multiplier < 0.01f)
            LogInfoF("Warning: multiplier of light %s is zero - is this intended?", name);
        if (!copy->on)
            LogInfoF("Warning: light %s is inactive - is this intended?", name);
        const float m = std::max({copy->colour[0], copy->colour[1], copy->colour[2]});
        if (m >= 0.000001f) {
            for (float& c : copy->colour)
                c /= m;
            copy->multiplier *= m;
        } else {
            copy->multiplier = 0.0f;
        }
        (HasPrefix(name, "dyn_") ? m_world.GetLightNodes() : m_world.GetLights()).push_back(std::move(copy));
    }
    if (m_world.GetLightNodes().size() > kMaxVertexLights)
        LogErrorF("TsWorldImporter - %u dynamic lights; vertices name only the first %u", 
                  unsigned(m_world.GetLightNodes().size() - 1), kMaxVertexLights - 1);
}

// ---- dynobj.lua -------------------------------------------------------------------

bool TsWorldImporter::WriteDynamicObjects(const char* path) const
{
    std::FILE* file = path ? plat::OpenFile(path, "wb") : nullptr;
    if (!file)
        return false;
    std::string text;
    for (OmNode* node : m_dynamicNodes) {
        const char* name = node->GetName();
        const OmVector3& p = node->GetWorldPosition();
        const OmVector3 row = node->GetWorldRotation().GetRow(0);
        OmVector3 facing(-row.z, 0.0f, row.x);
        facing.Normalise();
        if (!IsLuaIdentifier(name)) {
            LogErrorF("TsWorldImporter - dynamic object \"%s\" is not a script name; it is not placed", name ? name : "");
            continue;
        }
        if (!IsFinite(p) || !IsFinite(facing)) {
            LogErrorF("TsWorldImporter - dynamic object %s has no finite position; it is not placed", name);
            continue;
        }
        text += std::string(name) + ":SetPosition(" + Number(p.x) + "," + Number(p.y) + "," + Number(p.z) + ")\n";
        text += std::string(name) + ":SetDirection(" + Number(facing.x) + "," + Number(facing.z) + ")\n\n";
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}
