// The world's drawing and effect entry points live here, next to the
// renderers they drive; the world itself keeps only its geometry and queries.
#include "game/world/TsWorldDrawing.h"

#include "engine/OmCamera.h"
#include "engine/OmMaxLight.h"
#include "engine/OmNode.h"
#include "engine/OmParticleSystem.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsOptions.h"
#include "game/world/TsEffectUtil.h"
#include "game/world/TsExplosion.h"
#include "game/world/TsLiquid.h"
#include "game/world/TsWorld.h"
#include "game/world/TsWorldCell.h"
#include "render/OmD3D.h"

namespace {

// The world the explosion arms bounce off while it updates its effects.
TsWorld* s_castWorld = nullptr;

bool CastAgainstWorld(const OmVector3& from, const OmVector3& to, TsSegmentHit& hit)
{
    TsWorldHit worldHit;
    if (!s_castWorld || !s_castWorld->CastSegment(from, to, worldHit, false))
        return false;
    hit.point = worldHit.point;
    hit.normal = worldHit.normal;
    return true;
}

int FxDetail()
{
    TsOptions* options = TsAccess::Options();
    return options ? options->GetFXDetailLevel() : 0;
}

} // namespace

TsWorldDrawing::TsWorldDrawing(TsWorld& world) : m_world(world) { TsLiquids::Acquire(); }

TsWorldDrawing::~TsWorldDrawing()
{
    if (s_castWorld == &m_world)
        s_castWorld = nullptr;
    TsLiquids::Release();
}

TsWorldDrawing& TsWorldDrawing::Of(TsWorld& world)
{
    std::shared_ptr<TsWorldDrawing>& slot = world.DrawingSlot();
    if (!slot)
        slot = std::make_shared<TsWorldDrawing>(world);
    return *slot;
}

bool TsWorldDrawing::EnsureRenderer()
{
    if (!m_cellsMade) {
        m_cellsMade = true;
        m_cells.Create(m_world.GetCellEdge(), m_world.GetBoundsMax().y - m_world.GetBoundsMin().y);
    }
    return m_cells.IsReady();
}

void TsWorldDrawing::Render(float renderTime)
{
    OmD3D* d3d = OmD3D::Instance();
    m_cellsDrawn = 0;
    if (!d3d || !d3d->GetDevice() || !EnsureRenderer())
        return;
    if (m_world.IsLightingOff())
        d3d->SetLighting(false);
    d3d->SetWorldMatrix(&OmMatrix4::Identity());
    m_cells.BeginFrame();
    TsLiquids::UpdateWaveGrids(renderTime);
    const OmCamera* camera = d3d->GetCamera();
    const int32_t n = m_world.GetGridSize();
    const float edge = m_world.GetCellEdge();
    for (int32_t z = 0; z < n; ++z) {
        for (int32_t x = 0; x < n; ++x) {
            TsWorldCell* cell = m_world.CellAt(x, z);
            if (!cell)
                continue;
            OmVector3 low = m_world.CellOrigin(x, z);
            low.y = cell->GetMinY();
            const OmVector3 high(low.x + edge, cell->GetMaxY(), low.z + edge);
            if (camera && camera->IsBoxCulled(low, high))
                continue;
            ++m_cellsDrawn;
            for (int kind = TS_CELL_OPAQUE; kind <= TS_CELL_ALPHA; ++kind)
                m_cells.AddCell(cell->Group(kind), cell->Planes(kind), cell->GetBoxOrigin(), cell->GetBoxSize(),
                                m_world.GetLightNodes());
            // Liquids draw through buffers of their own: what the batch holds
            // goes first so the order stays cell by cell.
            if (cell->GetLiquidCount() > 0) {
                m_cells.Flush(true);
                for (uint32_t i = 0; i < cell->GetLiquidCount(); ++i)
                    TsLiquids::Draw(cell->Liquid(i), renderTime, edge);
            }
        }
    }
    m_cells.EndFrame();
    d3d->SetBlendMode(0);
    d3d->SetLighting(true);
}

void TsWorldDrawing::BeginCloudPass(float renderTime)
{
    if (m_cloud) {
        m_cloud->Update(renderTime);
        m_cloud->BeginRender();
    }
}

void TsWorldDrawing::EndCloudPass()
{
    if (m_cloud)
        m_cloud->EndRender();
}

void TsWorldDrawing::CreateEffects()
{
    m_emitters.clear();
    for (OmNode* node : m_world.GetEffectNodes()) {
        const char* name = node ? node->GetName() : nullptr;
        if (!name || !*name)
            continue;
        auto emitter = std::make_unique<OmParticleEmitter>();
        emitter->effect = GetOrLoadParticleEffect(name);
        emitter->node = node;
        node->Update(0.0f);
        m_emitters.push_back(std::move(emitter));
    }
    TestTextureFactorFade();
    OmD3D* d3d = OmD3D::Instance();
    m_cloud.reset();
    if (m_world.GetCloudParamA() > 0.0f && TsCloud::IsSupported()) {
        m_cloud = std::make_unique<TsCloud>("data\\FX\\clouda.tga");
        m_cloud->uSpeed = m_cloud->vSpeed = 2.0f * m_world.GetCloudParamB();
        m_cloud->uScale = m_cloud->vScale = 2.0f * m_world.GetCloudParamA();
        if (!m_cloud->IsActive())
            m_cloud.reset();
    }
    if (d3d) {
        d3d->GetBatch().ReleaseBuffers();
        d3d->GetBatch().CreateBuffers(m_cloud ? 2 : 1);
    }
}

void TsWorldDrawing::UpdateEffects(float time)
{
    if (FxDetail() > 0)
        for (auto& emitter : m_emitters)
            emitter->Update(time);
    s_castWorld = &m_world;
    TsInitialExplosions::SetSegmentCaster(CastAgainstWorld);
    TsInitialExplosions::Update(time);
}

void TsWorldDrawing::WarmUpEffects(float now)
{
    if (FxDetail() <= 0)
        return;
    for (auto& emitter : m_emitters)
        emitter->Start(now - 1.0f);
    for (int i = 0; i < 10; ++i) {
        const float t = now - 1.0f + static_cast<float>(i) * 0.1f;
        UpdateEffects(t);
        UpdateParticles(t);
    }
}

void TsWorldDrawing::ProjectShadow(const OmVector3& position, float radius, float height)
{
    if (!EnsureRenderer() || !m_cells.Shadow() || !m_cells.Shadow()->IsReady())
        return;
    int32_t x0, z0, x1, z1;
    m_world.WorldToCell(position.x - radius, position.z - radius, x0, z0);
    m_world.WorldToCell(position.x + radius, position.z + radius, x1, z1);
    for (int32_t z = z0; z <= z1; ++z) {
        for (int32_t x = x0; x <= x1; ++x) {
            TsWorldCell* cell = m_world.CellAt(x, z);
            if (!cell || m_world.GatherShadowTriangles(*cell, position, 1.5f * radius, height) <= 0)
                continue;
            m_cells.DrawShadowTriangles(cell->Group(TS_CELL_OPAQUE), m_world.GetShadowTriangles(),
                                        m_world.GetShadowTriangleCount(), cell->GetBoxOrigin(),
                                        cell->GetBoxSize(), position, radius);
        }
    }
}

// ---- the world's entry points ---------------------------------------------

void TsWorld::Render(float renderTime, float) { TsWorldDrawing::Of(*this).Render(renderTime); }
void TsWorld::BeginCloudPass(float renderTime) { TsWorldDrawing::Of(*this).BeginCloudPass(renderTime); }
void TsWorld::EndCloudPass() { TsWorldDrawing::Of(*this).EndCloudPass(); }
void TsWorld::CreateEffects() { TsWorldDrawing::Of(*this).CreateEffects(); }
void TsWorld::WarmUpEffects(float now) { TsWorldDrawing::Of(*this).WarmUpEffects(now); }
void TsWorld::UpdateEffects(float time) { TsWorldDrawing::Of(*this).UpdateEffects(time); }
void TsWorld::ProjectShadow(const OmVector3& position, float radius, float height)
{
    TsWorldDrawing::Of(*this).ProjectShadow(position, radius, height);
}
