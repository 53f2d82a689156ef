#include "game/world/TsLiquid.h"

#include <algorithm>
#include <cmath>

#include "engine/OmMatrix4.h"
#include "game/framework/TsLog.h"
#include "render/OmD3D.h"

using namespace plat;

int32_t TsLiquids::s_users = 0;
int32_t TsLiquids::s_vertexBuffer = -1;
int32_t TsLiquids::s_indexBuffer = -1;
float TsLiquids::s_sine[kSineEntries];
float TsLiquids::s_water[8][8];
float TsLiquids::s_lava[8][8];
uint16_t TsLiquids::s_local[65536];
uint32_t TsLiquids::s_stamp[65536];
uint32_t TsLiquids::s_pieceStamp = 0;
uint16_t TsLiquids::s_order[kMaxVertices];

namespace {

constexpr double kTwoPi = 6.283185307179586;

struct OutVertex {
    float x, y, z;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(OutVertex) == 24);

// Colours are stored as the scene gave them; a device without double-bright
// modulation gets them doubled here instead.
uint32_t DoubledColour(uint32_t argb)
{
    uint32_t out = argb & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8)
        out |= std::min<uint32_t>(((argb >> shift) & 0xFF) * 2, 255) << shift;
    return out;
}

OutVertex Place(const TsLiquid& liquid, const TsLiquidVertex& v, float cellEdge, bool doubleColour)
{
    const float w = TsLiquids::VertexWave(liquid, v, cellEdge);
    return {liquid.origin.x + v.x, liquid.origin.y + v.y + w, liquid.origin.z + v.z,
            doubleColour ? DoubledColour(v.colour) : v.colour, v.u, v.v};
}

} // namespace

bool TsLiquids::Acquire()
{
    ++s_users;
    OmD3D* d3d = OmD3D::Instance();
    if (s_vertexBuffer >= 0 || !d3d)
        return BuffersReady();
    for (uint32_t i = 0; i < kSineEntries; ++i)
        s_sine[i] = static_cast<float>(std::sin(i * kTwoPi / kSineEntries));
    s_vertexBuffer = d3d->CreateVertexBuffer(GfxFvf::PosDiffuseTex1, kMaxVertices, false, false, true);
    s_indexBuffer = d3d->CreateIndexBuffer(kMaxIndices, false, false, true);
    if (!BuffersReady())
        LogError("Liquids: the liquid buffers could not be made; opaque liquids are not drawn");
    return BuffersReady();
}

void TsLiquids::Release()
{
    if (s_users > 0)
        --s_users;
    if (s_users > 0)
        return;
    if (OmD3D* d3d = OmD3D::Instance()) {
        if (s_vertexBuffer >= 0)
            d3d->ReleaseVertexBuffer(s_vertexBuffer);
        if (s_indexBuffer >= 0)
            d3d->ReleaseIndexBuffer(s_indexBuffer);
    }
    s_vertexBuffer = s_indexBuffer = -1;
}

bool TsLiquids::BuffersReady()
{
    OmD3D* d3d = OmD3D::Instance();
    return d3d && d3d->GetVertexBuffer(s_vertexBuffer) && d3d->GetIndexBuffer(s_indexBuffer);
}

float TsLiquids::TableSin(float a)
{
    if (s_sine[1] == 0.0f)
        for (uint32_t i = 0; i < kSineEntries; ++i)
            s_sine[i] = static_cast<float>(std::sin(i * kTwoPi / kSineEntries));
    const int64_t i = static_cast<int64_t>(a * kSineEntries / kTwoPi);
    return s_sine[static_cast<uint32_t>(((i % kSineEntries) + kSineEntries) % kSineEntries)];
}

void TsLiquids::UpdateWaveGrids(float time)
{
    for (int j = 0; j < 8; ++j) {
        for (int i = 0; i < 8; ++i) {
            const float phase = static_cast<float>(((i + j) % 8) * kTwoPi * 0.125);
            s_water[j][i] = 0.15f * TableSin(phase + 1.5f * time);
            s_lava[j][i] = 0.1f * TableSin(phase + 0.9f * time);
        }
    }
}

float TsLiquids::WaveHeight(const float g[8][8], float a, float b)
{
    const int i = static_cast<int>(std::lround(a - 0.5f));
    const int j = static_cast<int>(std::lround(b - 0.5f));
    const float fa = a - static_cast<float>(i);
    const float fb = b - static_cast<float>(j);
    const int i0 = i & 7, i1 = (i + 1) & 7, j0 = j & 7, j1 = (j + 1) & 7;
    return ((1 - fa) * g[i0][j0] + fa * g[i1][j0]) * (1 - fb) + ((1 - fa) * g[i0][j1] + fa * g[i1][j1]) * fb;
}

float TsLiquids::VertexWave(const TsLiquid& liquid, const TsLiquidVertex& v, float cellEdge)
{
    if (v.still || cellEdge <= 0.0f)
        return 0.0f;
    const auto& grid = liquid.kind == TsLiquid::kLava ? s_lava : s_water;
    return WaveHeight(grid, 8.0f * v.x / cellEdge, 8.0f * v.z / cellEdge);
}

uint32_t TsLiquids::NextPiece(const TsLiquid& liquid, uint32_t first, uint32_t& vertexCount)
{
    if (++s_pieceStamp == 0) {
        std::fill(std::begin(s_stamp), std::end(s_stamp), 0u);
        s_pieceStamp = 1;
    }
    vertexCount = 0;
    const uint32_t total = liquid.triangles.GetCount();
    uint32_t t = first;
    for (; t < total && 3 * (t - first + 1) <= kMaxIndices; ++t) {
        const TsLiquidTriangle& tri = liquid.triangles[t];
        uint32_t fresh = 0;
        for (uint16_t v : tri.index)
            fresh += s_stamp[v] != s_pieceStamp ? 1 : 0;
        if (vertexCount + fresh > kMaxVertices)
            break;
        for (uint16_t v : tri.index) {
            if (s_stamp[v] != s_pieceStamp) {
                s_stamp[v] = s_pieceStamp;
                s_local[v] = static_cast<uint16_t>(vertexCount);
                s_order[vertexCount++] = v;
            }
        }
    }
    return t - first;
}

void TsLiquids::Draw(const TsLiquid& liquid, float /*time*/, float cellEdge)
{
    OmD3D* d3d = OmD3D::Instance();
    if (!d3d || liquid.triangles.GetCount() == 0)
        return;
    const bool blended = d3d->IsAlphaMaterial(liquid.material);
    d3d->SetWorldMatrix(&OmMatrix4::Identity());
    // Surfaces larger than the shared buffers are drawn a piece at a time.
    for (uint32_t first = 0; first < liquid.triangles.GetCount();) {
        uint32_t vertexCount = 0;
        const uint32_t count = NextPiece(liquid, first, vertexCount);
        if (count == 0)
            break;
        DrawPiece(liquid, cellEdge, first, count, vertexCount, blended);
        first += count;
    }
}

void TsLiquids::DrawPiece(const TsLiquid& liquid, float cellEdge, uint32_t first, uint32_t count,
                          uint32_t vertexCount, bool blended)
{
    OmD3D* d3d = OmD3D::Instance();
    uint16_t* indices = nullptr;
    OutVertex* out = nullptr;
    OmD3DIndexBuffer* ib = nullptr;
    OmD3DVertexBuffer* vb = nullptr;
    OmD3DBatch& batch = d3d->GetBatch();
    if (blended) {
        if (!batch.IsOpen())
            return;
        out = static_cast<OutVertex*>(batch.LockSourceVertices(vertexCount));
    } else {
        if (!BuffersReady())
            return;
        vb = d3d->GetVertexBuffer(s_vertexBuffer);
        ib = d3d->GetIndexBuffer(s_indexBuffer);
        vb->SetDiscard();
        ib->SetDiscard();
        out = static_cast<OutVertex*>(vb->Lock(0, vertexCount, false));
    }
    if (!out)
        return;
    for (uint32_t i = 0; i < vertexCount; ++i)
        out[i] = Place(liquid, liquid.vertices[s_order[i]], cellEdge, !d3d->CanModulate2x());
    if (blended) {
        batch.UnlockSourceVertices();
        const uint32_t base = batch.GetVertexCount();
        // The colours are final: transformed with the device's lights on,
        // vertices without normals would come out black.
        const bool lighting = d3d->GetRenderState(GfxRs::Lighting) != 0;
        d3d->SetLighting(false);
        batch.TransformVertices(vertexCount);
        d3d->SetLighting(lighting);
        for (uint32_t t = 0; t < count; ++t) {
            const TsLiquidTriangle& tri = liquid.triangles[first + t];
            const uint16_t local[3] = {s_local[tri.index[0]], s_local[tri.index[1]], s_local[tri.index[2]]};
            batch.AddIndexedTriangles(local, static_cast<uint32_t>(liquid.material), 1, base);
        }
        return;
    }
    vb->Unlock();
    indices = ib->Lock(0, 3 * count, false);
    if (!indices)
        return;
    for (uint32_t t = 0; t < count; ++t)
        for (int k = 0; k < 3; ++k)
            indices[3 * t + k] = s_local[liquid.triangles[first + t].index[k]];
    ib->Unlock();
    d3d->ApplyMaterial(liquid.material);
    d3d->SetTextureStageState(0, GfxTss::ColorOp, d3d->CanModulate2x() ? GfxTop::Modulate2x : GfxTop::Modulate);
    d3d->SetTextureStageState(0, GfxTss::AddressU, GfxAddress::Wrap);
    d3d->SetTextureStageState(0, GfxTss::AddressV, GfxAddress::Wrap);
    d3d->SetVertexShader(GfxFvf::PosDiffuseTex1);
    d3d->SetStreamSource(0, s_vertexBuffer);
    d3d->SetIndices(s_indexBuffer, 0);
    // Liquid colours are final: no normals for the device to light.
    const bool lighting = d3d->GetRenderState(GfxRs::Lighting) != 0;
    d3d->SetLighting(false);
    d3d->DrawIndexedPrimitive(GfxPrimitive::TriangleList, 0, vertexCount, 0, count);
    d3d->SetLighting(lighting);
    vb->SetDiscard();
}
