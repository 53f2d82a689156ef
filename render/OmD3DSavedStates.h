// Render and texture-stage states a drawing changes: read from the
// renderer's cache before the drawing sets them and put back when it is
// done, so the frame around it keeps whatever it had set.
#pragma once

#include <cstddef>
#include <cstdint>

#include "render/OmD3D.h"

struct OmD3DStageState {
    uint32_t stage, type;
};

template <size_t RenderCount, size_t StageCount>
class OmD3DSavedStates {
public:
    OmD3DSavedStates(OmD3D& renderer, const uint32_t (&render)[RenderCount],
                     const OmD3DStageState (&stage)[StageCount])
        : m_renderer(renderer), m_render(render), m_stage(stage)
    {
        for (size_t i = 0; i < RenderCount; ++i)
            m_savedRender[i] = renderer.GetRenderState(render[i]);
        for (size_t i = 0; i < StageCount; ++i)
            m_savedStage[i] = renderer.GetTextureStageState(stage[i].stage, stage[i].type);
    }
    ~OmD3DSavedStates()
    {
        for (size_t i = 0; i < StageCount; ++i)
            m_renderer.SetTextureStageState(m_stage[i].stage, m_stage[i].type, m_savedStage[i]);
        for (size_t i = 0; i < RenderCount; ++i)
            m_renderer.DispatchRenderState(m_render[i], m_savedRender[i]);
    }
    OmD3DSavedStates(const OmD3DSavedStates&) = delete;
    OmD3DSavedStates& operator=(const OmD3DSavedStates&) = delete;

private:
    OmD3D& m_renderer;
    const uint32_t (&m_render)[RenderCount];
    const OmD3DStageState (&m_stage)[StageCount];
    uint32_t m_savedRender[RenderCount];
    uint32_t m_savedStage[StageCount];
};
