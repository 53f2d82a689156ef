// Drawing the radar: the ground disc in its own small tilted view, the
// blips, the objective marker and the frame over them. Everything is drawn
// from vertices kept in memory, so a frame allocates nothing.
#include <algorithm>
#include <cmath>

#include "engine/OmList.h"
#include "engine/OmMath.h"
#include "game/objects/TsPCObject.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsCamera.h"
#include "game/framework/TsEntity.h"
#include "game/framework/TsEntityDB.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsPCObject.h"
#include "game/world/TsWorld.h"
#include "platform/GfxTexture.h"
#include "render/OmD3D.h"
#include "ui/TsRadar.h"

using namespace plat;

namespace {

constexpr uint32_t kFvfXyz = 0x002, kFvfXyzRhw = 0x004, kFvfDiffuse = 0x040, kFvfTex1 = 0x100;
constexpr uint32_t kEntityHidden = 64;

struct BlipVertex {
    float x, y, z, u, v;
};
struct FrameVertex {
    float x, y, z, rhw, u, v;
};
struct ArrowVertex {
    float x, y, z;
    uint32_t colour;
};

constexpr float kBlipHalf = 2.25f;
constexpr BlipVertex kBlip[6] = {
    {-kBlipHalf, -kBlipHalf, 0, 0, 0}, {kBlipHalf, -kBlipHalf, 0, 1, 0}, {kBlipHalf, kBlipHalf, 0, 1, 1},
    {kBlipHalf, kBlipHalf, 0, 1, 1},   {-kBlipHalf, kBlipHalf, 0, 0, 1}, {-kBlipHalf, -kBlipHalf, 0, 0, 0},
};
constexpr uint32_t kArrowColour = 0x808080FF;
// A head triangle and a two-triangle shaft pointing along +y.
constexpr ArrowVertex kArrow[9] = {
    {0, 0, 0, kArrowColour},      {-4, -8, 0, kArrowColour},    {4, -8, 0, kArrowColour},
    {-1.6f, -8, 0, kArrowColour}, {1.6f, -16, 0, kArrowColour}, {-1.6f, -16, 0, kArrowColour},
    {-1.6f, -8, 0, kArrowColour}, {1.6f, -8, 0, kArrowColour},  {1.6f, -16, 0, kArrowColour},
};

void ModulateStage(OmD3D& r)
{
    r.SetTextureStageState(0, GfxTss::ColorOp, GfxTop::Modulate);
    r.SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::Texture);
    r.SetTextureStageState(0, GfxTss::ColorArg2, GfxTa::Diffuse);
    r.SetTextureStageState(0, GfxTss::AlphaOp, GfxTop::SelectArg1);
    r.SetTextureStageState(0, GfxTss::AlphaArg1, GfxTa::Texture);
}

void TextureStage(OmD3D& r)
{
    r.SetTextureStageState(0, GfxTss::ColorOp, GfxTop::SelectArg1);
    r.SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::Texture);
    r.SetTextureStageState(0, GfxTss::AlphaOp, GfxTop::SelectArg1);
    r.SetTextureStageState(0, GfxTss::AlphaArg1, GfxTa::Texture);
}

} // namespace

void TsRadar::Render()
{
    for (int32_t& n : m_drawn)
        n = 0;
    m_drawnArrows = 0;
    OmD3D* renderer = OmD3D::Instance();
    TsEntity* character = TsAccess::CurrentCharacter();
    if (!m_radarShown || !renderer || m_discRadius <= 0.0f || !character)
        return;
    OmD3D& r = *renderer;
    const OmVector3 centre = character->GetPosition();

    r.SetLighting(false);
    r.DispatchRenderState(GfxRs::ZEnable, 0);
    r.SetCulling(false);
    r.DispatchRenderState(GfxRs::AlphaBlendEnable, 1);
    r.DispatchRenderState(GfxRs::SrcBlend, GfxBlend::One);
    r.DispatchRenderState(GfxRs::DestBlend, GfxBlend::One);

    // The ground turns with the play camera, so "ahead" stays up the radar.
    OmMatrix4 view;
    const TsCamera* camera = TsAccess::CameraHelper();
    view.SetIdentity();
    view.RotateZ(camera ? camera->Heading().current : 0.0f);
    OmMatrix4 radarView;
    MultiplyMatrix4(view, m_view, radarView);

    const OmMatrix4 savedView = *r.GetViewMatrix();
    const OmMatrix4 savedProjection = *r.GetProjectionMatrix();
    const float sw = float(TsAccess::ScreenWidth()), sh = float(TsAccess::ScreenHeight());
    if (sw > 0.0f && sh > 0.0f) {
        const float rect[4] = {m_screenRect[0] / sw, m_screenRect[1] / sh, (m_screenRect[0] + m_screenRect[2]) / sw,
                               (m_screenRect[1] + m_screenRect[3]) / sh};
        r.SetViewport(rect);
    }
    r.SetProjectionMatrix(&m_projection);
    r.SetViewMatrix(&radarView);
    r.SetWorldMatrix(&OmMatrix4::Identity());

    if (m_mode == kWorldMapMode)
        DrawWorldDisc(centre);
    else
        RenderDisc(centre);
    DrawBlip(kPCBlip, centre, centre, 1.0f);
    RenderBlips(centre);
    if (m_objectiveShown && (m_flags & kObjectiveFlag)) {
        r.SetBlendMode(0x40);
        if (ObjectiveAsArrow(m_objective, centre, m_range))
            DrawObjectiveArrow(centre);
        else
            DrawBlip(kObjectiveBlip, m_objective, centre, 2.0f);
        r.SetBlendMode(0);
    }
    const float whole[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    r.SetViewport(whole);
    DrawFrame();

    r.SetBlendMode(0);
    r.ResetStreamCache();
    r.SetLighting(true);
    r.DispatchRenderState(GfxRs::AlphaBlendEnable, 0);
    r.DispatchRenderState(GfxRs::ZEnable, 1);
    r.SetCulling(true);
    r.SetViewMatrix(&savedView);
    r.SetProjectionMatrix(&savedProjection);
}

void TsRadar::RenderDisc(const OmVector3&)
{
    OmD3D& r = *OmD3D::Instance();
    r.SetD3DTexture(0, m_localMap);
    ModulateStage(r);
    r.SetVertexShader(kFvfXyz | kFvfDiffuse | kFvfTex1);
    r.DrawPrimitiveUP(GfxPrimitive::TriangleStrip, uint32_t(m_discStripTriangles), m_disc, sizeof(DiscVertex));
    r.SetTexture(0, -1); // also tells the renderer the id it had bound is gone
}

void TsRadar::DrawWorldDisc(const OmVector3& centre)
{
    TsWorld* world = TsAccess::World();
    if (!m_worldMap || !world)
        return;
    const float size = world->GetAITileSize();
    const OmVector3& origin = world->GetAIMapOrigin();
    const float x0 = (float(world->GetAIFirstColumn()) + 0.5f) * size + origin.x;
    const float z0 = (float(world->GetAIFirstRow()) + 0.5f) * size + origin.z;
    const float x1 = (float(world->GetAILastColumn()) + 0.5f) * size + origin.x;
    const float z1 = (float(world->GetAILastRow()) + 0.5f) * size + origin.z;
    if (x1 - x0 <= 0.0f || z1 - z0 <= 0.0f)
        return;
    const float hu = 1.2f * m_range / (x1 - x0), hv = 1.2f * m_range / (z1 - z0);
    const float cu = (centre.x - x0) / (x1 - x0), cv = (centre.z - z0) / (z1 - z0);
    // The strip's vertices know their grid place from their position.
    for (int32_t i = 0; i < m_discVertexCount; ++i) {
        DiscVertex& v = m_disc[i];
        const float c = std::round((v.x + m_discRadius) / (2.0f * m_discRadius) * float(m_gridColumns - 1));
        const float row = std::round((v.y + m_discRadius) / (2.0f * m_discRadius) * float(m_gridRows - 1));
        v.u = cu - hu + (c + 0.5f) * 2.0f * hu / float(m_gridColumns);
        v.v = cv - hv + (row + 0.5f) * 2.0f * hv / float(m_gridRows);
    }
    OmD3D& r = *OmD3D::Instance();
    r.SetTextureStageState(0, GfxTss::AddressU, GfxAddress::Clamp);
    r.SetTextureStageState(0, GfxTss::AddressV, GfxAddress::Clamp);
    r.SetD3DTexture(0, m_worldMap);
    ModulateStage(r);
    r.SetVertexShader(kFvfXyz | kFvfDiffuse | kFvfTex1);
    r.DrawPrimitiveUP(GfxPrimitive::TriangleStrip, uint32_t(m_discStripTriangles), m_disc, sizeof(DiscVertex));
    r.SetTexture(0, -1); // also tells the renderer the id it had bound is gone
    r.SetTextureStageState(0, GfxTss::AddressU, GfxAddress::Wrap);
    r.SetTextureStageState(0, GfxTss::AddressV, GfxAddress::Wrap);
}

void TsRadar::RenderBlips(const OmVector3& centre)
{
    const TsEntityDB* db = TsAccess::EntityDB();
    if (!db)
        return;
    const TsEntity* self = TsAccess::CurrentCharacter();
    for (const OmList::Node* node = db->GetCharacters().GetFirst(); node; node = node->next) {
        const auto* entity = OmList::ValueAt<const TsEntity>(node);
        if (!entity || entity == self || entity->HasFlag(kEntityHidden))
            continue;
        const auto* character = dynamic_cast<const TsCharacterObject*>(entity);
        if (!character || !character->IsRadarVisible() || !InRange(entity->GetPosition(), centre, m_range))
            continue;
        const int32_t slot = BlipSlotFor(*entity);
        if (slot >= 0)
            DrawBlip(slot, entity->GetPosition(), centre, 1.0f);
    }
}

void TsRadar::DrawBlip(int32_t slot, const OmVector3& position, const OmVector3& centre, float scale)
{
    if (slot < 0 || slot >= kSpriteCount || m_sprites[slot] < 0)
        return;
    OmD3D& r = *OmD3D::Instance();
    float x = 0, y = 0;
    DiscOffset(position, centre, m_range, m_discRadius, x, y);
    const OmMatrix4 saved = *r.GetWorldMatrix();
    OmMatrix4 local;
    local.SetIdentity();
    local.ScaleDiagonal(scale);
    local.m[12] = x, local.m[13] = y;
    OmMatrix4 world;
    MultiplyMatrix4(local, saved, world);
    r.SetWorldMatrix(&world);
    r.SetTexture(0, m_sprites[slot]);
    TextureStage(r);
    r.SetVertexShader(kFvfXyz | kFvfTex1);
    r.DrawPrimitiveUP(GfxPrimitive::TriangleList, 2, kBlip, sizeof(BlipVertex));
    r.SetWorldMatrix(&saved);
    ++m_drawn[slot];
}

void TsRadar::DrawObjectiveArrow(const OmVector3& centre)
{
    const float dx = m_objective.x - centre.x, dz = m_objective.z - centre.z;
    const float d = std::sqrt(dx * dx + dz * dz);
    if (d <= 0.0f || m_range <= 1.0f)
        return;
    // The point at range - 1 toward the objective, mapped onto the disc.
    const float k = (m_range - 1.0f) / d / m_range * (m_discRadius - 2.0f);
    const float px = dx * k, py = dz * k;
    const float len = std::sqrt(px * px + py * py);
    float angle = std::acos(std::clamp(px / len, -1.0f, 1.0f));
    if (py / len <= 0.0f)
        angle = -angle;
    OmD3D& r = *OmD3D::Instance();
    const OmMatrix4 saved = *r.GetWorldMatrix();
    OmMatrix4 local;
    local.SetIdentity();
    local.RotateZ(angle - OM_PI * 0.5f);
    local.m[12] = px, local.m[13] = py;
    OmMatrix4 world;
    MultiplyMatrix4(local, saved, world);
    r.SetWorldMatrix(&world);
    r.SetLighting(false);
    r.SetTexture(0, -1);
    r.SetTextureStageState(0, GfxTss::ColorOp, GfxTop::SelectArg1);
    r.SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::Diffuse);
    r.SetTextureStageState(0, GfxTss::AlphaOp, GfxTop::SelectArg1);
    r.SetTextureStageState(0, GfxTss::AlphaArg1, GfxTa::Diffuse);
    r.SetCulling(false);
    r.SetVertexShader(kFvfXyz | kFvfDiffuse);
    r.DrawPrimitiveUP(GfxPrimitive::TriangleList, 3, kArrow, sizeof(ArrowVertex));
    r.SetWorldMatrix(&saved);
    ++m_drawnArrows;
}

void TsRadar::DrawFrame()
{
    if (m_frameTexture < 0)
        return;
    const float x = m_screenRect[0], y = m_screenRect[1], w = m_screenRect[2], h = m_screenRect[3];
    const FrameVertex v[6] = {
        {x, y, 0, 1, 0, 0},         {x + w, y, 0, 1, 1, 0}, {x + w, y + h, 0, 1, 1, 1},
        {x + w, y + h, 0, 1, 1, 1}, {x, y + h, 0, 1, 0, 1}, {x, y, 0, 1, 0, 0},
    };
    OmD3D& r = *OmD3D::Instance();
    r.SetBlendMode(0x42);
    r.SetTexture(0, m_frameTexture);
    ModulateStage(r);
    r.SetVertexShader(kFvfXyzRhw | kFvfTex1);
    r.DrawPrimitiveUP(GfxPrimitive::TriangleList, uint32_t(m_frameTriangles), v, sizeof(FrameVertex));
}
