// The mesh tools that read a finished mesh: edge adjacency, texture
// unwrapping, splitting off alpha triangles, and the hit tests.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "engine/OmMaterial.h"
#include "engine/OmMesh.h"
#include "engine/OmReport.h"
#include "engine/OmRenderer.h"

namespace {

struct PositionKey {
    float x, y, z;
    bool operator==(const PositionKey& o) const { return x == o.x && y == o.y && z == o.z; }
};

struct PositionHash {
    size_t operator()(const PositionKey& k) const
    {
        // -0 compares equal to 0, so it must hash alike.
        const float v[3] = {k.x == 0.0f ? 0.0f : k.x, k.y == 0.0f ? 0.0f : k.y, k.z == 0.0f ? 0.0f : k.z};
        uint32_t w[3];
        std::memcpy(w, v, sizeof w);
        return (size_t(w[0]) * 73856093u) ^ (size_t(w[1]) * 19349663u) ^ (size_t(w[2]) * 83492791u);
    }
};

// Each vertex mapped to the lowest-numbered vertex at exactly its position.
std::vector<uint32_t> MapSharedPositions(const OmArray<OmMeshVertex>& vertices)
{
    std::vector<uint32_t> map(vertices.GetCount());
    std::unordered_map<PositionKey, uint32_t, PositionHash> first;
    for (uint32_t i = 0; i < vertices.GetCount(); ++i) {
        const OmVector3& p = vertices[i].position;
        map[i] = first.try_emplace(PositionKey{p.x, p.y, p.z}, i).first->second;
    }
    return map;
}

struct EdgeRecord {
    uint32_t lo, hi, edge, triangle;
};

} // namespace

void OmMesh::BuildEdgeAdjacency(OmArray<int32_t>& adjacency) const
{
    const uint32_t triangleCount = indices.GetCount() / 3;
    adjacency.Resize(triangleCount * 3);
    for (uint32_t i = 0; i < triangleCount * 3; ++i)
        adjacency[i] = -1;
    for (uint32_t i = 0; i < triangleCount * 3; ++i) {
        if (indices[i] >= vertices.GetCount()) {
            ReportError("OmMesh::BuildEdgeAdjacency: index %u names vertex %u of %u", i, indices[i],
                        vertices.GetCount());
            return;
        }
    }
    const std::vector<uint32_t> map = MapSharedPositions(vertices);
    std::unordered_map<uint32_t, std::vector<EdgeRecord>> edges;
    edges.reserve(indices.GetCount());
    for (uint32_t t = 0; t < triangleCount; ++t) {
        for (uint32_t e = 0; e < 3; ++e) {
            uint32_t lo = map[indices[t * 3 + e]];
            uint32_t hi = map[indices[t * 3 + (e + 1) % 3]];
            if (lo > hi)
                std::swap(lo, hi);
            std::vector<EdgeRecord>& records = edges[(hi & 0xFFFF) + (lo << 16)];
            const EdgeRecord* match = nullptr;
            for (const EdgeRecord& r : records) {
                if (r.lo == lo && r.hi == hi && r.triangle != t) {
                    match = &r;
                    break;
                }
            }
            if (match) {
                adjacency[t * 3 + e] = int32_t(match->triangle);
                adjacency[match->triangle * 3 + match->edge] = int32_t(t);
            } else {
                records.push_back({lo, hi, e, t});
            }
        }
    }
}

namespace {

// Corner order by value, from 0, 1, 2 with three compare-and-swaps.
void SortThree(const float value[3], int order[3])
{
    order[0] = 0;
    order[1] = 1;
    order[2] = 2;
    auto swapIf = [&](int i, int j) {
        if (value[order[i]] > value[order[j]])
            std::swap(order[i], order[j]);
    };
    swapIf(0, 1);
    swapIf(1, 2);
    swapIf(0, 1);
}

// One texture axis of one triangle. True when its spread exceeds the wrap.
bool UnwrapAxis(float* coordinate[3], float wrap)
{
    const float value[3] = {*coordinate[0], *coordinate[1], *coordinate[2]};
    const float half = wrap * 0.5f;
    const float remainder[3] = {std::fmod(value[0], half), std::fmod(value[1], half), std::fmod(value[2], half)};
    int byValue[3], byRemainder[3];
    SortThree(value, byValue);
    SortThree(remainder, byRemainder);
    const float smallest = value[byValue[0]];
    const bool overWrapped = value[byValue[2]] - smallest > wrap;
    if (std::memcmp(byValue, byRemainder, sizeof byValue) != 0) {
        const float shift = std::floor(smallest);
        for (float* c : {coordinate[0], coordinate[1], coordinate[2]})
            *c -= shift;
    }
    return overWrapped;
}

} // namespace

bool OmMesh::UnwrapTextures(int32_t wrap)
{
    if (vertices.GetCount() != indices.GetCount()) {
        DebugPrint("Cannot unwrap mesh with indexed vertices");
        return false;
    }
    if (wrap <= 0) {
        ReportError("OmMesh::UnwrapTextures: wrap %d is not positive", wrap);
        return false;
    }
    int overWrapped = 0;
    for (uint32_t t = 0; t + 2 < vertices.GetCount(); t += 3) {
        OmMeshVertex* v = vertices.At(t);
        float* u[3] = {&v[0].uv0[0], &v[1].uv0[0], &v[2].uv0[0]};
        float* w[3] = {&v[0].uv0[1], &v[1].uv0[1], &v[2].uv0[1]};
        // Both axes are checked before either is moved, as the text reports.
        const float original[6] = {*u[0], *u[1], *u[2], *w[0], *w[1], *w[2]};
        const float su = std::max({original[0], original[1], original[2]}) -
                         std::min({original[0], original[1], original[2]});
        const float sv = std::max({original[3], original[4], original[5]}) -
                         std::min({original[3], original[4], original[5]});
        if (su > float(wrap) || sv > float(wrap)) {
            DebugPrint("Error in OmMesh::UnwrapTextures() - coords out of range");
            ++overWrapped;
        }
        UnwrapAxis(u, float(wrap));
        UnwrapAxis(w, float(wrap));
    }
    if (overWrapped)
        DebugPrint("Mesh has %d triangles with over-wrapped texture coords", overWrapped);
    return true;
}

namespace {

// Copies source triangle t (corners through map) into out.
void AppendTriangle(const OmMesh& source, uint32_t t, OmMesh& out, std::vector<int32_t>& map)
{
    for (uint32_t k = 0; k < 3; ++k) {
        const uint32_t s = source.indices[t * 3 + k];
        if (map[s] < 0) {
            map[s] = int32_t(out.vertices.GetCount());
            out.vertices.Add(source.vertices[s]);
        }
        out.indices.Add(uint32_t(map[s]));
    }
    out.triangleMaterials.Add(source.triangleMaterials[t]);
}

} // namespace

void OmMesh::SplitByAlpha(OmRenderer& renderer, OmMesh*& opaque, OmMesh*& alpha) const
{
    opaque = new OmMesh();
    alpha = new OmMesh();
    std::vector<int32_t> opaqueMap(vertices.GetCount(), -1);
    std::vector<int32_t> alphaMap(vertices.GetCount(), -1);
    const uint32_t triangleCount = std::min(indices.GetCount() / 3, triangleMaterials.GetCount());
    uint32_t skipped = 0;
    for (uint32_t t = 0; t < triangleCount; ++t) {
        const uint32_t* corner = indices.At(t * 3);
        if (corner[0] >= vertices.GetCount() || corner[1] >= vertices.GetCount() ||
            corner[2] >= vertices.GetCount()) {
            ++skipped;
            continue;
        }
        const OmMaterial* material = renderer.GetMaterial(int32_t(triangleMaterials[t]));
        if (material && material->IsAlpha())
            AppendTriangle(*this, t, *alpha, alphaMap);
        else
            AppendTriangle(*this, t, *opaque, opaqueMap);
    }
    if (skipped)
        ReportError("OmMesh::SplitByAlpha: %u triangles name vertices the mesh does not have", skipped);
}

bool IntersectRayTriangle(const OmVector3& origin, const OmVector3& direction, const OmVector3& a,
                          const OmVector3& b, const OmVector3& c, float& t, float& u, float& v)
{
    const OmVector3 e1 = b - a, e2 = c - a;
    OmVector3 p, q;
    CrossProduct(direction, e2, p);
    const float det = e1.Dot(p);
    if (std::fabs(det) <= 1e-6f)
        return false;
    const OmVector3 s = origin - a;
    const float uu = s.Dot(p);
    const float lo = std::min(0.0f, det), hi = std::max(0.0f, det);
    if (uu < lo || uu > hi)
        return false;
    CrossProduct(s, e1, q);
    const float vv = direction.Dot(q);
    if (vv < lo || vv > hi || uu + vv < lo || uu + vv > hi)
        return false;
    t = e2.Dot(q) / det;
    u = uu / det;
    v = vv / det;
    return true;
}

namespace {

// Where the segment crosses the cap plane at height y, if inside the circle.
bool CapHit(const OmVector3& start, const OmVector3& d, const OmVector3& base, float radius, float y,
            float& fraction)
{
    if (d.y == 0.0f)
        return false;
    const float f = (y - start.y) / d.y;
    if (f < 0.0f || f > 1.0f)
        return false;
    const float x = start.x + d.x * f - base.x, z = start.z + d.z * f - base.z;
    if (x * x + z * z > radius * radius)
        return false;
    fraction = f;
    return true;
}

} // namespace

bool IntersectSegmentCylinder(const OmVector3& start, const OmVector3& end, const OmVector3& base,
                              float radius, float height, float& fraction)
{
    const OmVector3 d = end - start;
    const float a = d.x * d.x + d.z * d.z;
    if (a <= 1e-6f)
        return false;
    const float fx = start.x - base.x, fz = start.z - base.z;
    const float b = 2.0f * (fx * d.x + fz * d.z);
    const float c = fx * fx + fz * fz - radius * radius;
    const float disc = b * b - 4.0f * a * c;
    if (disc < 0.0f)
        return false;
    const float root = std::sqrt(disc);
    float roots[2] = {(-b - root) / (2.0f * a), (-b + root) / (2.0f * a)};
    const int rootCount = disc == 0.0f ? 1 : 2;
    float best = 2.0f;
    for (int i = 0; i < rootCount; ++i) {
        const float f = roots[i];
        // Hits lie on the segment itself; a start inside the cylinder hits
        // where the segment leaves it.
        if (f < 0.0f || f > 1.0f)
            continue;
        const float y = start.y + d.y * f;
        if (y >= base.y && y <= base.y + height)
            best = std::min(best, f);
    }
    // A segment may enter or leave through the top or the bottom instead.
    float cap;
    if (CapHit(start, d, base, radius, base.y, cap))
        best = std::min(best, cap);
    if (CapHit(start, d, base, radius, base.y + height, cap))
        best = std::min(best, cap);
    if (best > 1.0f)
        return false;
    fraction = best;
    return true;
}
