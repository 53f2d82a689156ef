// What a world needs to draw itself and run its effects: the cell batch
// renderer (with the blob shadows), the cloud layer, the particle emitters
// on the level's effect nodes and its hold on the shared liquid buffers.
// Made on first use by the world it belongs to and freed with it.
#pragma once

#include <memory>
#include <vector>

#include "game/world/TsBlobRenderer.h"
#include "game/world/TsCloud.h"

class OmParticleEmitter;
class TsWorld;

class TsWorldDrawing {
public:
    explicit TsWorldDrawing(TsWorld& world);
    ~TsWorldDrawing();
    TsWorldDrawing(const TsWorldDrawing&) = delete;
    TsWorldDrawing& operator=(const TsWorldDrawing&) = delete;

    // The world's (made on first use).
    static TsWorldDrawing& Of(TsWorld& world);

    TsBlobRenderer& Cells() { return m_cells; }
    TsCloud* Cloud() const { return m_cloud.get(); }
    uint32_t EmitterCount() const { return static_cast<uint32_t>(m_emitters.size()); }
    OmParticleEmitter& Emitter(uint32_t i) { return *m_emitters[i]; }

    void Render(float renderTime);
    // The cloud layer's shadow over everything drawn between the two.
    void BeginCloudPass(float renderTime);
    void EndCloudPass();
    void CreateEffects();
    void UpdateEffects(float time);
    void WarmUpEffects(float now);
    void ProjectShadow(const OmVector3& position, float radius, float height);

    // Cells drawn and skipped by the frustum in the last Render.
    uint32_t CellsDrawn() const { return m_cellsDrawn; }

private:
    bool EnsureRenderer();

    TsWorld& m_world;
    TsBlobRenderer m_cells;
    bool m_cellsMade = false;
    std::unique_ptr<TsCloud> m_cloud;
    std::vector<std::unique_ptr<OmParticleEmitter>> m_emitters;
    uint32_t m_cellsDrawn = 0;
};
