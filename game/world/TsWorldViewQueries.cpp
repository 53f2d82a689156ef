// The world's questions about the view and the light: picking a screen
// pixel, projecting world points to the screen, the triangles a blob
// shadow falls on, the strongest static lights at a point, and the answers
// the entities' ground probe gives.
#include "game/world/TsWorld.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "engine/OmMatrix4.h"
#include "engine/OmMaxLight.h"
#include "engine/OmRenderer.h"
#include "engine/OmVector4.h"
#include "game/framework/TsLog.h"
#include "game/world/TsCellGeometry.h"
#include "game/world/TsWorldCell.h"

namespace {

constexpr float kClipEpsilon = 1.0e-6f;

// Gauss-Jordan with partial pivoting in double precision; false on a zero
// pivot.
bool InvertDouble(const OmMatrix4& in, double out[16])
{
    double a[4][8];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 8; ++c)
            a[r][c] = c < 4 ? double(in.Row(r)[c]) : (c - 4 == r ? 1.0 : 0.0);
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 4; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col]))
                pivot = r;
        if (a[pivot][col] == 0.0 || !std::isfinite(a[pivot][col]))
            return false;
        std::swap(a[pivot], a[col]);
        const double scale = 1.0 / a[col][col];
        for (double& v : a[col])
            v *= scale;
        for (int r = 0; r < 4; ++r) {
            if (r == col)
                continue;
            const double f = a[r][col];
            for (int c = 0; c < 8; ++c)
                a[r][c] -= f * a[col][c];
        }
    }
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            out[r * 4 + c] = a[r][c + 4];
    return true;
}

// The projection maps depth 0 to the near plane and 1 to the far plane, as
// WorldToScreen reads it; px, py are screen fractions.
bool Unproject(const double inverse[16], float px, float py, float pz, OmVector3& out)
{
    const double clip[4] = {2.0 * px - 1.0, -(2.0 * py - 1.0), double(pz), 1.0};
    double r[4] = {};
    for (int c = 0; c < 4; ++c)
        for (int k = 0; k < 4; ++k)
            r[c] += clip[k] * inverse[k * 4 + c];
    if (r[3] == 0.0)
        return false;
    out.Set(float(r[0] / r[3]), float(r[1] / r[3]), float(r[2] / r[3]));
    return IsFinite(out);
}

// Truncating quantisation of a height over the cell's box.
int32_t QuantiseHeight(const TsWorldCell& cell, float y)
{
    const float q = (y - cell.GetBoxOrigin().y) * 65535.0f / cell.GetBoxSize().y;
    if (!(q > 0.0f))
        return 0;
    return q >= 65535.0f ? 65535 : int32_t(q);
}

int32_t QuantiseAlong(float value, float origin, float size)
{
    const float q = (value - origin) * 65535.0f / size;
    if (!(q > 0.0f))
        return 0;
    return q >= 65535.0f ? 65535 : int32_t(q);
}

} // namespace

// ---- screen ---------------------------------------------------------------------

bool TsWorld::WorldToScreen(const OmVector3& point, float& x, float& y, float& depth) const
{
    OmRenderer* renderer = OmRenderer::Current();
    if (!renderer || !renderer->GetViewMatrix() || !renderer->GetProjectionMatrix())
        return false;
    OmMatrix4 viewProjection;
    MultiplyMatrix4(*renderer->GetViewMatrix(), *renderer->GetProjectionMatrix(), viewProjection);
    OmVector4 clip;
    TransformPoint4W(point, viewProjection, clip);
    // Behind the eye (or on its plane) nothing divides to a screen point.
    if (!(clip.w > kClipEpsilon))
        return false;
    const float cx = clip.x / clip.w, cy = clip.y / clip.w, cz = clip.z / clip.w;
    if (!(cz >= 0.0f && cz < 1.0f))
        return false;
    x = (cx + 1.0f) * 0.5f;
    y = (1.0f - cy) * 0.5f;
    depth = (cz + 1.0f) * 0.5f;
    return true;
}

bool TsWorld::PickScreenPoint(float x, float y, OmVector3* points, int32_t& count, int32_t maxCount)
{
    count = 0;
    OmRenderer* renderer = OmRenderer::Current();
    if (!renderer || !renderer->GetViewMatrix() || !renderer->GetProjectionMatrix())
        return false;
    plat::GfxViewport viewport{};
    renderer->GetDeviceViewport(&viewport);
    if (viewport.width == 0 || viewport.height == 0)
        return false;
    const float nx = x / float(viewport.width), ny = y / float(viewport.height);
    OmMatrix4 viewProjection;
    MultiplyMatrix4(*renderer->GetViewMatrix(), *renderer->GetProjectionMatrix(), viewProjection);
    double inverse[16];
    OmVector3 nearPoint, farPoint;
    // Both points on the pixel's ray in front of the eye: a depth past the
    // far plane would unproject behind the eye and turn the ray round.
    if (!InvertDouble(viewProjection, inverse) || !Unproject(inverse, nx, ny, 0.0f, nearPoint) ||
        !Unproject(inverse, nx, ny, 1.0f, farPoint))
        return false;
    OmVector3 direction = farPoint - nearPoint;
    direction.Normalise();
    count = FindAllIntersections(nearPoint, direction, points, maxCount, false);
    return count > 0;
}

// ---- shadows --------------------------------------------------------------------

int32_t TsWorld::GatherShadowTriangles(const TsWorldCell& cell, const OmVector3& p, float radius, float h)
{
    m_shadowCount = 0;
    if (!(h >= cell.GetMinY()))
        return 0;
    const int32_t low = h - kGroundReach >= cell.GetMinY() ? QuantiseHeight(cell, h - kGroundReach) : 0;
    const int32_t high = h < cell.GetMaxY() ? QuantiseHeight(cell, h) : 65535;
    const OmVector3& o = cell.GetBoxOrigin();
    const float farX = o.x + 4.0f * cell.GetBinWidth(), farZ = o.z + 4.0f * cell.GetBinDepth();
    const float x0 = std::clamp(p.x - radius, o.x, farX), x1 = std::clamp(p.x + radius, o.x, farX);
    const float z0 = std::clamp(p.z - radius, o.z, farZ), z1 = std::clamp(p.z + radius, o.z, farZ);
    if (!(x0 <= x1 && z0 <= z1))
        return 0;
    auto binOf = [](float offset, float width) {
        const float b = width > 0.0f ? offset / width : 0.0f;
        return b >= 3.0f ? 3 : b > 0.0f ? int32_t(b) : 0;
    };
    const int32_t bx0 = binOf(x0 - o.x, cell.GetBinWidth()), bx1 = binOf(x1 - o.x, cell.GetBinWidth());
    const int32_t bz0 = binOf(z0 - o.z, cell.GetBinDepth()), bz1 = binOf(z1 - o.z, cell.GetBinDepth());
    const TsQuantSquare square{QuantiseAlong(x0, o.x, cell.GetBoxSize().x), QuantiseAlong(z0, o.z, cell.GetBoxSize().z),
                               QuantiseAlong(x1, o.x, cell.GetBoxSize().x), QuantiseAlong(z1, o.z, cell.GetBoxSize().z)};
    const TsCellGroup& group = cell.Group(TS_CELL_OPAQUE);
    for (int32_t bz = bz0; bz <= bz1; ++bz) {
        for (int32_t bx = bx0; bx <= bx1; ++bx) {
            const TsCellBin& bin = cell.Bin(bz * TsWorldCell::kBinsPerSide + bx);
            if (bin.minY > h)
                continue;
            const OmArray<uint16_t>& list = bin.triangles[TS_CELL_OPAQUE];
            for (uint32_t i = 0; i < list.GetCount() && m_shadowCount < kMaxShadowTriangles; ++i) {
                const uint16_t tri = list[i];
                const TsCellVertex* v[3] = {&group.vertices[group.indices[3 * tri]],
                                            &group.vertices[group.indices[3 * tri + 1]],
                                            &group.vertices[group.indices[3 * tri + 2]]};
                const int32_t lowest = std::min({v[0]->y, v[1]->y, v[2]->y});
                const int32_t highest = std::max({v[0]->y, v[1]->y, v[2]->y});
                if (lowest > high || highest < low)
                    continue;
                const int32_t corners[3][2] = {{v[0]->x, v[0]->z}, {v[1]->x, v[1]->z}, {v[2]->x, v[2]->z}};
                if (!TriangleTouchesSquare(corners, square) ||
                    std::find(m_shadowTriangles, m_shadowTriangles + m_shadowCount, tri) !=
                        m_shadowTriangles + m_shadowCount)
                    continue;
                m_shadowTriangles[m_shadowCount++] = tri;
            }
        }
    }
    return m_shadowCount;
}

// ---- lights ---------------------------------------------------------------------

int32_t TsWorld::FindStrongestLights(const OmVector3& point, int32_t n, OmMaxLight** lights, float* strengths,
                                     float* colour, float& total, int32_t& significant) const
{
    for (int32_t i = 0; i < n; ++i) {
        lights[i] = nullptr;
        strengths[i] = 0.0f;
    }
    if (colour)
        colour[0] = colour[1] = colour[2] = colour[3] = 0.0f;
    total = 0.0f;
    significant = 0;
    if (n <= 0)
        return 0;
    int32_t weakest = 0;
    for (const auto* list : {&m_lightNodes, &m_lights}) {
        for (OmMaxLight* light : *list) {
            if (!light)
                continue;
            const float s = light->StrengthAt(point);
            const float brightness = (light->colour[0] + light->colour[1] + light->colour[2]) * s * 0.33333334f;
            if (brightness > 0.1f)
                ++significant;
            total += s * light->colour[0];
            if (!(brightness > strengths[weakest]))
                continue;
            lights[weakest] = light;
            strengths[weakest] = brightness;
            weakest = 0;
            for (int32_t k = 1; k < n; ++k)
                if (strengths[k] < strengths[weakest])
                    weakest = k;
        }
    }
    int32_t filled = 0;
    while (filled < n && lights[filled])
        ++filled;
    return filled;
}

// ---- the entities' ground probe -------------------------------------------------

bool TsWorld::GroundProbe::CastSegmentStatic(const OmVector3& from, const OmVector3& to, float& hitHeight)
{
    TsWorldHit hit;
    if (!m_world.CastSegmentStatic(from, to, hit, false))
        return false;
    hitHeight = hit.point.y;
    return true;
}

float TsWorld::GroundProbe::GetGroundHeight(const OmVector3& point)
{
    return m_world.GetGroundHeight(point);
}
