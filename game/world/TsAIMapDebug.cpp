// The AI-map debug view: the tiles around the tracked entity drawn over the
// ground, so a developer sees what the pathfinder sees.

#include <cfloat>
#include <cstdint>

#include "engine/OmMatrix4.h"
#include "game/world/TsAIMap.h"
#include "game/world/TsWorld.h"
#include "platform/GfxTypes.h"
#include "render/OmD3D.h"

namespace {

constexpr int32_t kWindow = 20; // tiles on a side, starting 10 below and left
constexpr uint32_t kUnderEntity = 0x400000FF;
constexpr uint32_t kPassableOutline = 0xFF000080;
constexpr uint32_t kMarkedFill = 0x400FF000;
constexpr uint32_t kBlockedFill = 0x4FF00000;
constexpr uint32_t kClearFill = 0x4000FF00;
constexpr float kNameRaise = 2.0f;

struct DebugVertex {
    float x, y, z;
    uint32_t colour;
};
static_assert(sizeof(DebugVertex) == 16, "position and diffuse colour");

// The render states the view changes, read before and set back after.
struct SavedStates {
    explicit SavedStates(const OmD3D& r)
        : lighting(r.GetRenderState(plat::GfxRs::Lighting)),
          blend(r.GetRenderState(plat::GfxRs::AlphaBlendEnable)),
          source(r.GetRenderState(plat::GfxRs::SrcBlend)),
          destination(r.GetRenderState(plat::GfxRs::DestBlend)),
          colourVertex(r.GetRenderState(plat::GfxRs::ColorVertex))
    {
    }
    void Restore(OmD3D& r) const
    {
        r.DispatchRenderState(plat::GfxRs::Lighting, lighting);
        r.DispatchRenderState(plat::GfxRs::AlphaBlendEnable, blend);
        r.DispatchRenderState(plat::GfxRs::SrcBlend, source);
        r.DispatchRenderState(plat::GfxRs::DestBlend, destination);
        r.DispatchRenderState(plat::GfxRs::ColorVertex, colourVertex);
    }
    uint32_t lighting, blend, source, destination, colourVertex;
};

} // namespace

void TsWorld::DrawAIMapDebug()
{
    OmD3D* renderer = OmD3D::Instance();
    if (!m_trackedEntity || !renderer || !m_aiMap || !(m_aiTileSize > 0.0f))
        return;
    OmD3D& r = *renderer;
    const OmVector3& at = m_trackedEntity->GetPosition();
    float sx = 0, sy = 0, depth = 0;
    if (WorldToScreen(OmVector3(at.x, at.y + kNameRaise, at.z), sx, sy, depth)) {
        static const float kWhite[4] = {1, 1, 1, 1};
        const char* name = m_trackedEntity->GetName();
        r.QueueText(sx, sy, name ? name : "", kWhite, 1.0f);
    }
    const SavedStates saved(r);
    r.SetLighting(false);
    r.DispatchRenderState(plat::GfxRs::AlphaBlendEnable, 1);
    r.DispatchRenderState(plat::GfxRs::SrcBlend, plat::GfxBlend::SrcAlpha);
    r.DispatchRenderState(plat::GfxRs::DestBlend, plat::GfxBlend::InvSrcAlpha);
    r.SetIndices(-1, 0);
    r.SetD3DStreamSource(0, nullptr, 0);
    r.SetTexture(0, -1);
    r.SetWorldMatrix(&OmMatrix4::Identity());
    r.SetVertexShader(plat::GfxFvf::PosDiffuse);

    const int32_t tileX = TsAIMap::TileOf(at.x - m_aiMapOrigin.x, m_aiTileSizeInverse);
    const int32_t tileZ = TsAIMap::TileOf(at.z - m_aiMapOrigin.z, m_aiTileSizeInverse);
    // One square of a tile, its corners dropped onto the ground below the
    // entity's height; an outline draws two of the tile's edges.
    auto square = [&](int32_t x, int32_t z, bool filled, uint32_t colour) {
        const float x0 = float(x) * m_aiTileSize + m_aiMapOrigin.x, z0 = float(z) * m_aiTileSize + m_aiMapOrigin.z;
        const float x1 = x0 + m_aiTileSize, z1 = z0 + m_aiTileSize;
        auto corner = [&](float cx, float cz) {
            const float ground = GetGroundHeight(OmVector3(cx, at.y, cz));
            return DebugVertex{cx, ground == FLT_MAX ? at.y : ground, cz, colour};
        };
        if (filled) {
            const DebugVertex strip[4] = {corner(x0, z0), corner(x1, z0), corner(x0, z1), corner(x1, z1)};
            r.DrawPrimitiveUP(plat::GfxPrimitive::TriangleStrip, 2, strip, sizeof(DebugVertex));
        } else {
            const DebugVertex strip[3] = {corner(x0, z0), corner(x1, z0), corner(x1, z1)};
            r.DrawPrimitiveUP(plat::GfxPrimitive::LineStrip, 2, strip, sizeof(DebugVertex));
        }
    };
    square(tileX, tileZ, true, kUnderEntity);
    for (int32_t z = tileZ - kWindow / 2; z < tileZ + kWindow / 2; ++z) {
        for (int32_t x = tileX - kWindow / 2; x < tileX + kWindow / 2; ++x) {
            if (x < m_aiFirstColumn || x > m_aiLastColumn || z < m_aiFirstRow || z > m_aiLastRow ||
                x - m_aiFirstColumn >= m_aiColumns || z - m_aiFirstRow >= m_aiRows)
                continue;
            const int64_t index = int64_t(z - m_aiFirstRow) * m_aiColumns + (x - m_aiFirstColumn);
            const uint32_t code = index < int64_t(m_aiMap->GetCount()) ? m_aiMap->Get(uint32_t(index)) : 0u;
            if (code & TS_AITILE_PASSABLE)
                square(x, z, false, kPassableOutline);
            else
                square(x, z, true, (code & TS_AITILE_MARKED) ? kMarkedFill : kBlockedFill);
            if (code & 2u)
                square(x, z, true, kClearFill);
        }
    }
    saved.Restore(r);
}
