// The state a draw reads: viewport, transforms, material, lights, render
// and stage states, textures, streams and clip, and the blocks that record
// and replay it.
#include "platform/GfxDeviceImpl.h"

#include <cstring>

namespace plat {

int32_t GfxDevice::SetViewport(const GfxViewport* viewport)
{
    Count(GfxCall::SetViewport);
    if (!viewport || viewport->width == 0 || viewport->height == 0
        || viewport->x + viewport->width > targetWidth_
        || viewport->y + viewport->height > targetHeight_
        || viewport->minZ < 0.0f || viewport->maxZ > 1.0f || viewport->minZ > viewport->maxZ)
        return GfxResult::InvalidCall;
    state_->viewport = *viewport;
    return GfxResult::Ok;
}

int32_t GfxDevice::GetViewport(GfxViewport* viewport) const
{
    if (!viewport)
        return GfxResult::InvalidCall;
    *viewport = state_->viewport;
    return GfxResult::Ok;
}

int32_t GfxDevice::SetTransform(uint32_t which, const GfxMatrix* matrix)
{
    Count(GfxCall::SetTransform);
    if (!matrix)
        return GfxResult::InvalidCall;
    if (recording_) {
        recording_->Slot(StateBlock::Transform, 0, which).matrix = *matrix;
        return GfxResult::Ok;
    }
    State& s = *state_;
    if (which == GfxTransform::World)
        s.world = *matrix;
    else if (which == GfxTransform::View)
        s.view = *matrix;
    else if (which == GfxTransform::Projection)
        s.proj = *matrix;
    else if (which >= GfxTransform::Texture0 && which < GfxTransform::Texture0 + GfxMaxStages)
        s.texture[which - GfxTransform::Texture0] = *matrix;
    else
        return GfxResult::InvalidCall;
    return GfxResult::Ok;
}

int32_t GfxDevice::GetTransform(uint32_t which, GfxMatrix* matrix) const
{
    if (!matrix)
        return GfxResult::InvalidCall;
    const State& s = *state_;
    if (which == GfxTransform::World)
        *matrix = s.world;
    else if (which == GfxTransform::View)
        *matrix = s.view;
    else if (which == GfxTransform::Projection)
        *matrix = s.proj;
    else if (which >= GfxTransform::Texture0 && which < GfxTransform::Texture0 + GfxMaxStages)
        *matrix = s.texture[which - GfxTransform::Texture0];
    else
        return GfxResult::InvalidCall;
    return GfxResult::Ok;
}

int32_t GfxDevice::SetMaterial(const GfxMaterial* material)
{
    Count(GfxCall::SetMaterial);
    if (!material)
        return GfxResult::InvalidCall;
    if (recording_)
        recording_->Slot(StateBlock::Material, 0, 0).material = *material;
    else
        state_->material = *material;
    return GfxResult::Ok;
}

int32_t GfxDevice::GetMaterial(GfxMaterial* material) const
{
    if (!material)
        return GfxResult::InvalidCall;
    *material = state_->material;
    return GfxResult::Ok;
}

int32_t GfxDevice::SetLight(uint32_t index, const GfxLight* light)
{
    Count(GfxCall::SetLight);
    if (!light || light->type < GfxLightType::Point || light->type > GfxLightType::Directional
        || light->range < 0.0f || index > 0xFFFF)
        return GfxResult::InvalidCall;
    auto& lights = state_->lights;
    if (index >= lights.size())
        lights.resize(index + 1);
    lights[index].light = *light;
    return GfxResult::Ok;
}

int32_t GfxDevice::GetLight(uint32_t index, GfxLight* light) const
{
    if (!light || index >= state_->lights.size())
        return GfxResult::InvalidCall;
    *light = state_->lights[index].light;
    return GfxResult::Ok;
}

int32_t GfxDevice::LightEnable(uint32_t index, bool enable)
{
    Count(GfxCall::LightEnable);
    if (index > 0xFFFF)
        return GfxResult::InvalidCall;
    auto& lights = state_->lights;
    if (index >= lights.size()) {
        // Enabling a light never set gives the default white directional light.
        lights.resize(index + 1);
        GfxLight& l = lights[index].light;
        l.type = GfxLightType::Directional;
        l.diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
        l.direction = {0.0f, 0.0f, 1.0f};
    }
    lights[index].enabled = enable;
    return GfxResult::Ok;
}

int32_t GfxDevice::GetLightEnable(uint32_t index, bool* enable) const
{
    if (!enable || index >= state_->lights.size())
        return GfxResult::InvalidCall;
    *enable = state_->lights[index].enabled;
    return GfxResult::Ok;
}

int32_t GfxDevice::SetRenderState(uint32_t which, uint32_t value)
{
    Count(GfxCall::SetRenderState);
    if (which >= GfxRs::Count)
        return GfxResult::InvalidCall;
    if (recording_)
        recording_->Slot(StateBlock::Render, 0, which).value = value;
    else
        state_->rs[which] = value;
    return GfxResult::Ok;
}

int32_t GfxDevice::GetRenderState(uint32_t which, uint32_t* value) const
{
    if (!value || which >= GfxRs::Count)
        return GfxResult::InvalidCall;
    *value = state_->rs[which];
    return GfxResult::Ok;
}

int32_t GfxDevice::SetTextureStageState(uint32_t stage, uint32_t type, uint32_t value)
{
    Count(GfxCall::SetTextureStageState);
    if (stage >= GfxMaxStages || type == 0 || type >= GfxTss::Count)
        return GfxResult::InvalidCall;
    if (recording_)
        recording_->Slot(StateBlock::Stage, stage, type).value = value;
    else
        state_->tss[stage][type] = value;
    return GfxResult::Ok;
}

int32_t GfxDevice::GetTextureStageState(uint32_t stage, uint32_t type, uint32_t* value) const
{
    if (!value || stage >= GfxMaxStages || type == 0 || type >= GfxTss::Count)
        return GfxResult::InvalidCall;
    *value = state_->tss[stage][type];
    return GfxResult::Ok;
}

int32_t GfxDevice::SetTexture(uint32_t stage, GfxTexture* texture)
{
    Count(GfxCall::SetTexture);
    if (stage >= GfxMaxStages)
        return GfxResult::InvalidCall;
    if (recording_)
        GfxAssign(recording_->Slot(StateBlock::Texture, stage, 0).texture, texture);
    else
        GfxAssign(state_->textures[stage], texture);
    return GfxResult::Ok;
}

int32_t GfxDevice::GetTexture(uint32_t stage, GfxTexture** texture) const
{
    if (!texture || stage >= GfxMaxStages)
        return GfxResult::InvalidCall;
    *texture = state_->textures[stage];
    if (*texture)
        (*texture)->AddRef();
    return GfxResult::Ok;
}

int32_t GfxDevice::SetVertexShader(uint32_t fvf)
{
    Count(GfxCall::SetVertexShader);
    if (recording_)
        recording_->Slot(StateBlock::Shader, 0, 0).value = fvf;
    else
        state_->fvf = fvf;
    return GfxResult::Ok;
}

int32_t GfxDevice::GetVertexShader(uint32_t* fvf) const
{
    if (!fvf)
        return GfxResult::InvalidCall;
    *fvf = state_->fvf;
    return GfxResult::Ok;
}

int32_t GfxDevice::SetStreamSource(uint32_t stream, GfxVertexBuffer* buffer, uint32_t stride)
{
    Count(GfxCall::SetStreamSource);
    if (stream >= GfxMaxStreams || stride > 255)
        return GfxResult::InvalidCall;
    GfxAssign(state_->streams[stream], buffer);
    state_->strides[stream] = stride;
    return GfxResult::Ok;
}

int32_t GfxDevice::GetStreamSource(uint32_t stream, GfxVertexBuffer** buffer,
                                   uint32_t* stride) const
{
    if (!buffer || !stride || stream >= GfxMaxStreams)
        return GfxResult::InvalidCall;
    *buffer = state_->streams[stream];
    if (*buffer)
        (*buffer)->AddRef();
    *stride = state_->strides[stream];
    return GfxResult::Ok;
}

int32_t GfxDevice::SetIndices(GfxIndexBuffer* buffer, uint32_t baseVertex)
{
    Count(GfxCall::SetIndices);
    GfxAssign(state_->indices, buffer);
    state_->baseVertex = baseVertex;
    return GfxResult::Ok;
}

int32_t GfxDevice::GetIndices(GfxIndexBuffer** buffer, uint32_t* baseVertex) const
{
    if (!buffer || !baseVertex)
        return GfxResult::InvalidCall;
    *buffer = state_->indices;
    if (*buffer)
        (*buffer)->AddRef();
    *baseVertex = state_->baseVertex;
    return GfxResult::Ok;
}

int32_t GfxDevice::BeginStateBlock()
{
    if (recording_)
        return GfxResult::InvalidCall;
    blocks_.push_back(std::make_unique<StateBlock>());
    recording_ = blocks_.back().get();
    return GfxResult::Ok;
}

int32_t GfxDevice::EndStateBlock(uint32_t* handle)
{
    if (!recording_ || !handle)
        return GfxResult::InvalidCall;
    for (size_t i = 0; i < blocks_.size(); ++i)
        if (blocks_[i].get() == recording_)
            *handle = static_cast<uint32_t>(i + 1);
    recording_ = nullptr;
    return GfxResult::Ok;
}

int32_t GfxDevice::ApplyStateBlock(uint32_t handle)
{
    if (recording_ || handle == 0 || handle > blocks_.size() || !blocks_[handle - 1])
        return GfxResult::InvalidCall;
    for (const StateBlock::Entry& e : blocks_[handle - 1]->entries) {
        switch (e.kind) {
        case StateBlock::Render: SetRenderState(e.type, e.value); break;
        case StateBlock::Stage: SetTextureStageState(e.stage, e.type, e.value); break;
        case StateBlock::Texture: SetTexture(e.stage, e.texture); break;
        case StateBlock::Transform: SetTransform(e.type, &e.matrix); break;
        case StateBlock::Material: SetMaterial(&e.material); break;
        case StateBlock::Shader: SetVertexShader(e.value); break;
        }
    }
    return GfxResult::Ok;
}

int32_t GfxDevice::CaptureStateBlock(uint32_t handle)
{
    if (recording_ || handle == 0 || handle > blocks_.size() || !blocks_[handle - 1])
        return GfxResult::InvalidCall;
    for (StateBlock::Entry& e : blocks_[handle - 1]->entries) {
        switch (e.kind) {
        case StateBlock::Render: e.value = state_->rs[e.type]; break;
        case StateBlock::Stage: e.value = state_->tss[e.stage][e.type]; break;
        case StateBlock::Texture: GfxAssign(e.texture, state_->textures[e.stage]); break;
        case StateBlock::Transform: GetTransform(e.type, &e.matrix); break;
        case StateBlock::Material: e.material = state_->material; break;
        case StateBlock::Shader: e.value = state_->fvf; break;
        }
    }
    return GfxResult::Ok;
}

int32_t GfxDevice::DeleteStateBlock(uint32_t handle)
{
    if (handle == 0 || handle > blocks_.size() || !blocks_[handle - 1]
        || blocks_[handle - 1].get() == recording_)
        return GfxResult::InvalidCall;
    blocks_[handle - 1].reset();
    return GfxResult::Ok;
}

int32_t GfxDevice::SetScissorRect(const GfxRect* rect)
{
    if (rect && (rect->right < rect->left || rect->bottom < rect->top))
        return GfxResult::InvalidCall;
    state_->scissorOn = rect != nullptr;
    if (rect)
        state_->scissor = *rect;
    return GfxResult::Ok;
}

bool GfxDevice::GetScissorRect(GfxRect* rect) const
{
    if (rect && state_->scissorOn)
        *rect = state_->scissor;
    return state_->scissorOn;
}

} // namespace plat
