// The importer's second half: each occupied grid position becomes a cell
// (quantised groups, bins, planes, runs, liquids), the cells are laid out
// in Morton order under a sparse quadtree, and the result is handed to the
// world with the neighbour links.
#include "engine/OmRef.h"
#include "game/world/TsWorldImporter.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>

#include "engine/OmMaxLight.h"
#include "engine/OmRenderer.h"
#include "engine/OmVector4.h"
#include "game/framework/TsLog.h"
#include "game/world/TsCellGeometry.h"
#include "game/world/TsDirectionTable.h"
#include "game/world/TsWorld.h"
#include "game/world/TsWorldCell.h"

namespace {

// Truncating quantisation of the importer, clamped to 0..65535.
int32_t QuantiseTrunc(float value, float origin, float size)
{
    const float q = size > 0.0f ? (value - origin) * 65535.0f / size : 0.0f;
    if (!(q > 0.0f))
        return 0;
    return q >= 65535.0f ? 65535 : int32_t(q);
}

uint8_t ColourByte(float c)
{
    return uint8_t(OmColourByte(c * 0.5f));
}

// Texture coordinates move a hair off whole numbers 0 and 1 so sampling at
// the edge of a tile stays inside it.
float Nudge(float c)
{
    if (std::trunc(c) == 0.0f)
        c += 1.0f / 512.0f;
    if (std::trunc(c) == 1.0f)
        c -= 1.0f / 512.0f;
    return c;
}

int16_t TexCoord(float c)
{
    const float scaled = c * 511.0f;
    if (!(scaled > -32768.0f))
        return -32768;
    return scaled >= 32767.0f ? int16_t(32767) : int16_t(scaled);
}

void MortonDecode(uint32_t k, int32_t& x, int32_t& z)
{
    x = z = 0;
    for (int digit = 0; k; ++digit, k >>= 2) {
        const uint32_t d = k & 3;
        x |= int32_t((d >> 1) & 1) << digit;
        z |= int32_t(d & 1) << digit;
    }
}

} // namespace

// ---- one vertex ---------------------------------------------------------------

void TsWorldImporter::EncodeVertex(const OmMeshVertex& in, const TsWorldCell& cell, bool nudge,
                                   TsCellVertex& out) const
{
    const OmVector3& o = cell.GetBoxOrigin();
    const OmVector3& s = cell.GetBoxSize();
    out.x = uint16_t(QuantiseTrunc(in.position.x, o.x, s.x));
    out.y = uint16_t(QuantiseTrunc(in.position.y, o.y, s.y));
    out.z = uint16_t(QuantiseTrunc(in.position.z, o.z, s.z));
    out.flags = 0x7FFF;
    out.colour = uint32_t(ColourByte(in.colour[0])) << 16 | uint32_t(ColourByte(in.colour[1])) << 8 |
                 uint32_t(ColourByte(in.colour[2])) | uint32_t(TsNearestDirection(in.normal)) << 24;
    // The four strongest lights on the vertex; index 0 is the world's dark
    // default light, so slots left at 0 name nothing.
    float strength[4] = {};
    uint32_t index[4] = {};
    int weakest = 0;
    const std::vector<OmRef<OmMaxLight>>& lights = m_world.GetLightNodes();
    const uint32_t usable = uint32_t(std::min<size_t>(lights.size(), kMaxVertexLights));
    for (uint32_t j = 1; j < usable; ++j) {
        const float value = lights[j]->IlluminationAt(in.position, in.normal);
        if (!(value > strength[weakest]))
            continue;
        strength[weakest] = value;
        index[weakest] = j;
        weakest = 0;
        for (int k = 1; k < 4; ++k)
            if (strength[k] < strength[weakest])
                weakest = k;
    }
    out.lightIndices = 0;
    out.lightWeights = 0;
    for (int k = 0; k < 4; ++k) {
        out.lightIndices |= index[k] << (24 - 8 * k);
        out.lightWeights |= OmColourByte(strength[k] * 0.5f) << (24 - 8 * k);
    }
    const float u = nudge ? Nudge(in.uv0[0]) : in.uv0[0];
    const float v = nudge ? Nudge(in.uv0[1]) : in.uv0[1];
    out.u = TexCoord(u);
    out.v = TexCoord(v);
}

// ---- one mesh into a group --------------------------------------------------------

// Triangles go in one by one, their vertices numbered on first use; a
// triangle quantising flat is dropped, and so is one the cell renderer
// could no longer draw (the count is reported).
void TsWorldImporter::ConvertMesh(OmMesh& mesh, TsWorldCell& cell, int kind, bool append)
{
    TsCellGroup& group = cell.Group(kind);
    mesh.WeldVertices(0.0001f, 0.001f);
    mesh.SortTrianglesByMaterial();
    const std::vector<OmRef<OmMaxLight>>& lights = m_world.GetLightNodes();
    std::vector<uint8_t> wasOn(lights.size());
    for (size_t i = 0; i < lights.size(); ++i) {
        wasOn[i] = lights[i]->on;
        lights[i]->on = 1;
    }
    std::vector<int32_t> map(mesh.vertices.GetCount(), -1);
    const uint32_t triangles = std::min(mesh.indices.GetCount() / 3, mesh.triangleMaterials.GetCount());
    uint32_t dropped = 0;
    for (uint32_t t = 0; t < triangles; ++t) {
        const uint32_t* corner = mesh.indices.At(3 * t);
        int32_t q[3][3];
        uint32_t fresh = 0;
        for (int c = 0; c < 3; ++c) {
            const OmVector3& p = mesh.vertices[corner[c]].position;
            q[c][0] = QuantiseTrunc(p.x, cell.GetBoxOrigin().x, cell.GetBoxSize().x);
            q[c][1] = QuantiseTrunc(p.y, cell.GetBoxOrigin().y, cell.GetBoxSize().y);
            q[c][2] = QuantiseTrunc(p.z, cell.GetBoxOrigin().z, cell.GetBoxSize().z);
            fresh += map[corner[c]] < 0 ? 1 : 0;
        }
        const int64_t e1[3] = {q[1][0] - q[0][0], q[1][1] - q[0][1], q[1][2] - q[0][2]};
        const int64_t e2[3] = {q[2][0] - q[0][0], q[2][1] - q[0][1], q[2][2] - q[0][2]};
        if (e1[1] * e2[2] - e1[2] * e2[1] == 0 && e1[2] * e2[0] - e1[0] * e2[2] == 0 &&
            e1[0] * e2[1] - e1[1] * e2[0] == 0)
            continue;
        if (!TsWorldCell::kGroupLimits.Admits(group.vertices.GetCount(), fresh, group.indices.GetCount())) {
            ++dropped;
            continue;
        }
        for (int c = 0; c < 3; ++c) {
            if (map[corner[c]] < 0) {
                map[corner[c]] = int32_t(group.vertices.GetCount());
                TsCellVertex record;
                EncodeVertex(mesh.vertices[corner[c]], cell, !append, record);
                group.vertices.Add(record);
            }
            group.indices.Add(uint16_t(map[corner[c]]));
        }
        m_buildMaterials[kind].push_back(int32_t(mesh.triangleMaterials[t]));
        // Non-collidable triangles are in no bin but still carry a plane.
        if (append) {
            const uint32_t n = group.indices.GetCount();
            cell.Planes(kind).Add(OmPlane(cell.Dequantise(group.vertices[group.indices[n - 3]]),
                                          cell.Dequantise(group.vertices[group.indices[n - 2]]),
                                          cell.Dequantise(group.vertices[group.indices[n - 1]])));
        }
    }
    for (size_t i = 0; i < lights.size(); ++i)
        lights[i]->on = wasOn[i];
    if (dropped)
        ReportLeftOut(m_buildX, m_buildZ, "vertices or indices", dropped);
}

void TsWorldImporter::ReportLeftOut(int32_t x, int32_t z, const char* what, uint32_t dropped) const
{
    LogErrorF("Cell (%d,%d) has too many %s [origin (%3.2f,%3.2f)]: %u triangles left out", x, z, what,
              double(m_origin.x + float(x) * m_edge), double(m_origin.z + float(z) * m_edge), dropped);
}

// ---- bins and planes ------------------------------------------------------------

void TsWorldImporter::BuildBins(TsWorldCell& cell) const
{
    constexpr int32_t kBinSpan = 1 << TsWorldCell::kBinShift;
    for (int kind = 0; kind < 2; ++kind) {
        const TsCellGroup& group = cell.Group(kind);
        for (uint32_t t = 0; t < group.GetTriangleCount(); ++t) {
            const TsCellVertex* v[3] = {&group.vertices[group.indices[3 * t]], &group.vertices[group.indices[3 * t + 1]],
                                        &group.vertices[group.indices[3 * t + 2]]};
            const int32_t corners[3][2] = {{v[0]->x, v[0]->z}, {v[1]->x, v[1]->z}, {v[2]->x, v[2]->z}};
            const int32_t bx0 = std::min({v[0]->x, v[1]->x, v[2]->x}) >> TsWorldCell::kBinShift;
            const int32_t bx1 = std::max({v[0]->x, v[1]->x, v[2]->x}) >> TsWorldCell::kBinShift;
            const int32_t bz0 = std::min({v[0]->z, v[1]->z, v[2]->z}) >> TsWorldCell::kBinShift;
            const int32_t bz1 = std::max({v[0]->z, v[1]->z, v[2]->z}) >> TsWorldCell::kBinShift;
            const float lowY = std::min({cell.Dequantise(*v[0]).y, cell.Dequantise(*v[1]).y, cell.Dequantise(*v[2]).y});
            const float highY = std::max({cell.Dequantise(*v[0]).y, cell.Dequantise(*v[1]).y, cell.Dequantise(*v[2]).y});
            for (int32_t bz = bz0; bz <= bz1; ++bz) {
                for (int32_t bx = bx0; bx <= bx1; ++bx) {
                    const TsQuantSquare square{bx * kBinSpan, bz * kBinSpan, bx * kBinSpan + kBinSpan - 1,
                                               bz * kBinSpan + kBinSpan - 1};
                    if (!TriangleTouchesSquare(corners, square))
                        continue;
                    TsCellBin& bin = cell.Bin(bz * TsWorldCell::kBinsPerSide + bx);
                    bin.triangles[kind].Add(uint16_t(t));
                    bin.maxY = std::max(bin.maxY, highY);
                    bin.minY = std::min(bin.minY, lowY);
                }
            }
            cell.Planes(kind).Add(OmPlane(cell.Dequantise(*v[0]), cell.Dequantise(*v[1]), cell.Dequantise(*v[2])));
        }
    }
}

// ---- runs -----------------------------------------------------------------------

// One run per material in order of first appearance; triangles reordered
// to make each run contiguous and vertices renumbered by first use, with
// the planes and bin lists following the triangles.
void TsWorldImporter::PrepareGroup(TsWorldCell& cell, int kind)
{
    TsCellGroup& group = cell.Group(kind);
    const std::vector<int32_t>& materials = m_buildMaterials[kind];
    const uint32_t triangles = group.GetTriangleCount();
    std::vector<int32_t> order;
    for (int32_t m : materials)
        if (std::find(order.begin(), order.end(), m) == order.end())
            order.push_back(m);
    std::vector<uint32_t> newToOld, oldToNew(triangles);
    newToOld.reserve(triangles);
    for (int32_t m : order)
        for (uint32_t t = 0; t < triangles; ++t)
            if (materials[t] == m)
                newToOld.push_back(t);
    for (uint32_t n = 0; n < triangles; ++n)
        oldToNew[newToOld[n]] = n;
    // Vertices in order of first use by the new triangle order.
    std::vector<int32_t> vertexMap(group.vertices.GetCount(), -1);
    OmArray<TsCellVertex> vertices(0, group.vertices.GetGrowStep());
    OmArray<uint16_t> indices(0, group.indices.GetGrowStep());
    OmArray<OmPlane>& planes = cell.Planes(kind);
    OmArray<OmPlane> newPlanes(0, planes.GetGrowStep());
    group.runs.RemoveAll();
    OmRenderer* renderer = OmRenderer::Current();
    uint32_t next = 0;
    for (int32_t m : order) {
        TsCellRun run;
        run.material = m;
        run.firstTriangle = next;
        uint32_t lowest = UINT32_MAX, highest = 0;
        for (; next < triangles && materials[newToOld[next]] == m; ++next) {
            const uint32_t old = newToOld[next];
            for (int c = 0; c < 3; ++c) {
                const uint16_t oldVertex = group.indices[3 * old + uint32_t(c)];
                if (vertexMap[oldVertex] < 0) {
                    vertexMap[oldVertex] = int32_t(vertices.GetCount());
                    vertices.Add(group.vertices[oldVertex]);
                }
                const uint32_t index = uint32_t(vertexMap[oldVertex]);
                indices.Add(uint16_t(index));
                lowest = std::min(lowest, index);
                highest = std::max(highest, index);
            }
            newPlanes.Add(planes[old]);
            ++run.triangleCount;
        }
        run.firstVertex = lowest;
        run.vertexCount = highest - lowest + 1;
        if (renderer && renderer->GetMaterial(m))
            renderer->AddRefMaterial(m);
        else
            run.material = -1;
        group.runs.Add(run);
    }
    group.vertices.Construct(0, vertices.GetGrowStep());
    for (uint32_t i = 0; i < vertices.GetCount(); ++i)
        group.vertices.Add(vertices[i]);
    group.indices.Construct(0, indices.GetGrowStep());
    for (uint32_t i = 0; i < indices.GetCount(); ++i)
        group.indices.Add(indices[i]);
    planes.Construct(0, newPlanes.GetGrowStep());
    for (uint32_t i = 0; i < newPlanes.GetCount(); ++i)
        planes.Add(newPlanes[i]);
    for (int b = 0; b < TsWorldCell::kBinCount; ++b) {
        OmArray<uint16_t>& list = cell.Bin(b).triangles[kind];
        for (uint32_t i = 0; i < list.GetCount(); ++i)
            list[i] = uint16_t(oldToNew[list[i]]);
    }
}

// ---- one cell -------------------------------------------------------------------

void TsWorldImporter::SetHeights(TsWorldCell& cell, int32_t position)
{
    float minY = FLT_MAX, maxY = -FLT_MAX;
    for (int kind = 0; kind < 2; ++kind) {
        const TsCellGroup& group = cell.Group(kind);
        for (uint32_t i = 0; i < group.vertices.GetCount(); ++i) {
            const float y = cell.Dequantise(group.vertices[i]).y;
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
    }
    std::vector<TsLiquid*>& liquids = m_surfaceLists[size_t(position)];
    for (TsLiquid* liquid : liquids) {
        for (uint32_t i = 0; i < liquid->vertices.GetCount(); ++i) {
            const float y = liquid->vertices[i].y + liquid->origin.y;
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
        cell.AddLiquid(liquid);
    }
    // Everything at one height (a flat floor, a lone pool) spans a unit
    // either side of that height: the cell's box must still hold what it
    // draws, and the shadows falling on it.
    if (!(maxY > minY)) {
        const float y = minY <= maxY ? minY : 0.0f;
        minY = y - 1.0f;
        maxY = y + 1.0f;
    }
    liquids.clear();
    cell.SetHeightRange(minY, maxY);
}

void TsWorldImporter::BuildCell(int32_t x, int32_t z, TsWorldCell& cell, OmRenderer* renderer)
{
    m_buildX = x;
    m_buildZ = z;
    m_buildMaterials[0].clear();
    m_buildMaterials[1].clear();
    cell.SetBox(OmVector3(m_origin.x + float(x) * m_edge, m_minY, m_origin.z + float(z) * m_edge),
                OmVector3(m_edge, m_maxY - m_minY, m_edge));
    const int32_t position = z * m_gridSize + x;
    if (OmMesh* solid = m_solidMeshes[size_t(position)]) {
        OmRef<OmMesh> opaque;
        OmRef<OmMesh> alpha;
        if (renderer) {
            solid->SplitByAlpha(*renderer, *opaque.Put(), *alpha.Put());
        } else {
            opaque.Reset(solid);
        }
        ConvertMesh(*opaque, cell, TS_CELL_OPAQUE, false);
        if (alpha)
            ConvertMesh(*alpha, cell, TS_CELL_ALPHA, false);
    }
    BuildBins(cell);
    if (OmMesh* nocol = m_nonCollidableMeshes[size_t(position)])
        ConvertMesh(*nocol, cell, TS_CELL_OPAQUE, true);
    PrepareGroup(cell, TS_CELL_OPAQUE);
    PrepareGroup(cell, TS_CELL_ALPHA);
    SetHeights(cell, position);
}

void TsWorldImporter::BuildCells(OmRenderer* renderer)
{
    m_cellCount = int32_t(std::count(m_occupied.begin(), m_occupied.end(), uint8_t(1)));
    m_world.m_cells = m_cellCount ? std::make_unique<TsWorldCell[]>(size_t(m_cellCount)) : nullptr;
    m_world.m_cellCount = m_cellCount;
    const uint32_t positions = uint32_t(m_gridSize) * uint32_t(m_gridSize);
    std::vector<int32_t>& deepest = m_levelNodes[size_t(m_levels - 1)];
    int32_t next = 0;
    uint32_t nextReport = 0;
    for (uint32_t k = 0; k < positions; k += 4) {
        if (k >= nextReport) {
            LogInfoF("TsWorldImporter - Converting cell meshes: %u%s%u", k, " of ", positions);
            nextReport += 100;
        }
        int32_t x, z;
        MortonDecode(k, x, z);
        const int32_t block[4][2] = {{x, z}, {x, z + 1}, {x + 1, z}, {x + 1, z + 1}};
        int32_t mask = 0;
        for (int q = 0; q < 4; ++q) {
            const int32_t position = block[q][1] * m_gridSize + block[q][0];
            if (!m_occupied[size_t(position)])
                continue;
            BuildCell(block[q][0], block[q][1], m_world.m_cells[next++], renderer);
            mask |= 1 << q;
        }
        deepest[size_t((z / 2) * (m_gridSize / 2) + x / 2)] = mask;
    }
    m_levelCounts[size_t(m_levels)] = m_cellCount;
}

// ---- the quadtree -----------------------------------------------------------------

void TsWorldImporter::BuildQuadtree()
{
    for (int32_t l = m_levels - 2; l >= 0; --l) {
        const int32_t side = 1 << l;
        const std::vector<int32_t>& below = m_levelNodes[size_t(l + 1)];
        for (int32_t z = 0; z < side; ++z) {
            for (int32_t x = 0; x < side; ++x) {
                const int32_t children[4] = {below[size_t(2 * z * 2 * side + 2 * x)],
                                             below[size_t((2 * z + 1) * 2 * side + 2 * x)],
                                             below[size_t(2 * z * 2 * side + 2 * x + 1)],
                                             below[size_t((2 * z + 1) * 2 * side + 2 * x + 1)]};
                int32_t mask = 0;
                for (int q = 0; q < 4; ++q)
                    if (children[q] > 0)
                        mask |= 1 << q;
                m_levelNodes[size_t(l)][size_t(z * side + x)] = mask;
            }
        }
    }
    for (int32_t l = 0; l < m_levels; ++l) {
        const int32_t side = 1 << l;
        const std::vector<int32_t>& nodes = m_levelNodes[size_t(l)];
        std::vector<uint32_t>& compact = m_levelCompact[size_t(l)];
        compact.clear();
        uint32_t child = 0;
        for (uint32_t m = 0; m < uint32_t(side) * uint32_t(side); ++m) {
            int32_t x, z;
            MortonDecode(m, x, z);
            const int32_t mask = nodes[size_t(z * side + x)];
            if (mask <= 0)
                continue;
            compact.push_back(child << 4 | uint32_t(mask));
            child += uint32_t(std::popcount(uint32_t(mask)));
        }
        m_levelCounts[size_t(l)] = int32_t(compact.size());
    }
}

void TsWorldImporter::CopyToWorld()
{
    TsWorld& w = m_world;
    w.m_levels = m_levels;
    w.m_gridSize = m_gridSize;
    w.m_cellEdge = m_edge;
    w.m_gridOrigin = m_origin;
    w.m_levelCounts.Resize(uint32_t(m_levels) + 1);
    for (int32_t l = 0; l <= m_levels; ++l)
        w.m_levelCounts[uint32_t(l)] = m_levelCounts[size_t(l)];
    w.m_levelNodes = std::make_unique<OmArray<uint32_t>[]>(size_t(m_levels));
    for (int32_t l = 0; l < m_levels; ++l)
        for (uint32_t word : m_levelCompact[size_t(l)])
            w.m_levelNodes[l].Add(word);
    const int32_t offsets[4][2] = {{0, 1}, {1, 0}, {0, -1}, {-1, 0}};
    for (int32_t z = 0; z < m_gridSize; ++z) {
        for (int32_t x = 0; x < m_gridSize; ++x) {
            TsWorldCell* cell = w.CellAt(x, z);
            if (!cell)
                continue;
            for (int n = 0; n < 4; ++n)
                cell->SetNeighbour(n, w.CellAt(x + offsets[n][0], z + offsets[n][1]));
        }
    }
}
