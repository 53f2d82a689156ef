// The cached device state: render states, texture-stage states, bound
// textures, vertex shader and buffer bindings; the renderer's own state
// blocks; the default states and their re-application after a reset; and
// the draw wrappers that count primitives.
#include <bit>

#include "engine/OmReport.h"
#include "platform/DebugOutput.h"
#include "render/OmD3D.h"

using namespace plat;

namespace {

struct StateValue {
    uint32_t state;
    uint32_t value;
};

constexpr uint32_t F(float f) { return std::bit_cast<uint32_t>(f); }

// The default render states, in ascending state number. After a reset the
// same states are put back from the cache.
constexpr StateValue kDefaultRenderStates[] = {
    {GfxRs::ZEnable, 1},
    {GfxRs::FillMode, 3},
    {GfxRs::ShadeMode, 2},
    {GfxRs::LinePattern, 0},
    {GfxRs::ZWriteEnable, 1},
    {GfxRs::AlphaTestEnable, 0},
    {GfxRs::LastPixel, 1},
    {GfxRs::SrcBlend, 2},
    {GfxRs::DestBlend, 1},
    {GfxRs::CullMode, 3},
    {GfxRs::ZFunc, 4},
    {GfxRs::AlphaRef, 0},
    {GfxRs::AlphaFunc, 8},
    {GfxRs::DitherEnable, 1},
    {GfxRs::AlphaBlendEnable, 0},
    {GfxRs::FogEnable, 0},
    {GfxRs::SpecularEnable, 0},
    {GfxRs::FogColor, 0},
    {GfxRs::FogTableMode, 0},
    {GfxRs::FogStart, F(0.0f)},
    {GfxRs::FogEnd, F(0.0f)},
    {GfxRs::FogDensity, F(1.0f)},
    {GfxRs::EdgeAntialias, 0},
    {GfxRs::ZBias, 0},
    {GfxRs::RangeFogEnable, 0},
    {GfxRs::StencilEnable, 0},
    {GfxRs::StencilFail, 1},
    {GfxRs::StencilZFail, 1},
    {GfxRs::StencilPass, 1},
    {GfxRs::StencilFunc, 8},
    {GfxRs::StencilRef, 0},
    {GfxRs::StencilMask, 0xFFFFFFFFu},
    {GfxRs::StencilWriteMask, 0xFFFFFFFFu},
    {GfxRs::TextureFactor, 0xFFFFFFFFu},
    {GfxRs::Wrap0 + 0, 0},
    {GfxRs::Wrap0 + 1, 0},
    {GfxRs::Wrap0 + 2, 0},
    {GfxRs::Wrap0 + 3, 0},
    {GfxRs::Wrap0 + 4, 0},
    {GfxRs::Wrap0 + 5, 0},
    {GfxRs::Wrap0 + 6, 0},
    {GfxRs::Wrap0 + 7, 0},
    {GfxRs::Clipping, 1},
    {GfxRs::Lighting, 1},
    {GfxRs::Ambient, 0x00101010u},
    {GfxRs::FogVertexMode, 0},
    {GfxRs::ColorVertex, 1},
    {GfxRs::LocalViewer, 1},
    {GfxRs::NormalizeNormals, 0},
    {GfxRs::DiffuseMaterialSource, 1},
    {GfxRs::SpecularMaterialSource, 2},
    {GfxRs::AmbientMaterialSource, 1},
    {GfxRs::EmissiveMaterialSource, 0},
    {GfxRs::VertexBlend, 0},
    {GfxRs::ClipPlaneEnable, 0},
    {GfxRs::SoftwareVertexProcessing, 0},
    {GfxRs::PointSize, F(1.0f)},
    {GfxRs::PointSizeMin, F(1.0f)},
    {GfxRs::PointSpriteEnable, 0},
    {GfxRs::PointScaleEnable, 0},
    {GfxRs::PointScaleA, F(1.0f)},
    {GfxRs::PointScaleB, F(0.0f)},
    {GfxRs::PointScaleC, F(0.0f)},
    {GfxRs::MultisampleAntialias, 1},
    {GfxRs::MultisampleMask, 0xFFFFFFFFu},
    {GfxRs::PatchEdgeStyle, 0},
    {GfxRs::PatchSegments, F(0.0f)},
    {GfxRs::DebugMonitorToken, 0},
    {GfxRs::PointSizeMax, F(0.0f)},
    {GfxRs::IndexedVertexBlendEnable, 0},
    {GfxRs::ColorWriteEnable, 15},
    {GfxRs::TweenFactor, F(0.0f)},
    {GfxRs::BlendOp, 1},
};
static_assert(std::size(kDefaultRenderStates) == 73);

// Default stage states: type, stage 0, stages 1 to 7 (texture-coordinate
// index, marked ~0, takes the stage number).
struct StageDefault {
    uint32_t type, stage0, others;
};
constexpr uint32_t kStageNumber = ~0u;

constexpr StageDefault kDefaultStageStates[] = {
    {GfxTss::ColorOp, 4, 1},
    {GfxTss::ColorArg1, 2, 2},
    {GfxTss::ColorArg2, 1, 1},
    {GfxTss::AlphaOp, 2, 1},
    {GfxTss::AlphaArg1, 2, 0},
    {GfxTss::AlphaArg2, 1, 1},
    {GfxTss::BumpEnvMat00, 0, 0},
    {GfxTss::BumpEnvMat01, 0, 0},
    {GfxTss::BumpEnvMat10, 0, 0},
    {GfxTss::BumpEnvMat11, 0, 0},
    {GfxTss::TexCoordIndex, 0, kStageNumber},
    {GfxTss::AddressU, 1, 1},
    {GfxTss::AddressV, 1, 1},
    {GfxTss::BorderColor, 0, 0},
    {GfxTss::MagFilter, 2, 1},
    {GfxTss::MinFilter, 2, 1},
    {GfxTss::MipFilter, 1, 0},
    {GfxTss::MipMapLodBias, 0, 0},
    {GfxTss::MaxMipLevel, 0, 0},
    {GfxTss::MaxAnisotropy, 1, 1},
    {GfxTss::BumpEnvLScale, 0, 0},
    {GfxTss::BumpEnvLOffset, 0, 0},
    {GfxTss::TextureTransformFlags, 0, 0},
    {GfxTss::AddressW, 1, 1},
    {GfxTss::ColorArg0, 1, 1},
    {GfxTss::AlphaArg0, 1, 1},
    {GfxTss::ResultArg, 1, 1},
};
static_assert(std::size(kDefaultStageStates) == 27);

uint32_t StageDefaultValue(const StageDefault& d, uint32_t stage)
{
    const uint32_t value = stage == 0 ? d.stage0 : d.others;
    return value == kStageNumber ? stage : value;
}

// State-block keys: render states have 0 in the top byte; stage states 1,
// with the stage in bits 16 to 23 (type 0 is the bound texture).
constexpr uint32_t RenderKey(uint32_t state) { return state & 0xFFFF; }
constexpr uint32_t StageKey(uint32_t stage, uint32_t type)
{
    return (1u << 24) | ((stage & 0xFF) << 16) | (type & 0xFFFF);
}

bool ValidState(uint32_t state)
{
    if (state < OmD3D::kRenderStateCount)
        return true;
    ReportError("OmD3D: render state %u is not a device state", state);
    return false;
}

bool ValidStage(uint32_t stage, uint32_t type)
{
    if (stage < GfxMaxStages && type < OmD3D::kStageStateCount)
        return true;
    ReportError("OmD3D: texture stage %u state %u is not a device state", stage, type);
    return false;
}

} // namespace

// ---- cached setters ------------------------------------------------------

void OmD3D::InstallCachedSetters()
{
    m_renderStateSetter = &OmD3D::SetRenderStateCached;
    m_stageStateSetter = &OmD3D::SetTextureStageStateCached;
    m_textureSetter = &OmD3D::SetTextureCached;
}

void OmD3D::SetRenderStateCached(uint32_t state, uint32_t value)
{
    if (!ValidState(state) || m_renderStates[state] == value)
        return;
    m_renderStates[state] = value;
    if (m_device)
        m_device->SetRenderState(state, value);
}

void OmD3D::SetTextureStageStateCached(uint32_t stage, uint32_t type, uint32_t value)
{
    if (!ValidStage(stage, type) || type == 0 || m_stageStates[stage][type] == value)
        return;
    m_stageStates[stage][type] = value;
    if (m_device)
        m_device->SetTextureStageState(stage, type, value);
}

void OmD3D::SetTextureCached(uint32_t stage, GfxTexture* texture)
{
    if (!ValidStage(stage, 0) || m_stageTextures[stage] == texture)
        return;
    // The cache holds its own reference: a reset drops the device's
    // bindings, and the texture must still be there to bind again.
    GfxAssign(m_stageTextures[stage], texture);
    if (m_device)
        m_device->SetTexture(stage, texture);
    ++m_stats.words[OmRenderStats::kTextureChanges];
}

uint32_t OmD3D::SetVertexShader(uint32_t shader)
{
    if (shader == 0 || shader == m_vertexShader)
        return shader;
    m_vertexShader = shader;
    if (m_device)
        m_device->SetVertexShader(shader);
    return shader;
}

int32_t OmD3D::SetD3DStreamSource(uint32_t stream, GfxVertexBuffer* buffer, uint32_t stride)
{
    if (stream >= GfxMaxStreams)
        return GfxResult::InvalidCall;
    if (m_streams[stream] == buffer && m_strides[stream] == stride)
        return GfxResult::Ok;
    GfxAssign(m_streams[stream], buffer);
    m_strides[stream] = stride;
    if (!m_device)
        return GfxResult::Fail;
    const int32_t result = m_device->SetStreamSource(stream, buffer, stride);
    if (GfxFailed(result))
        DebugOutput("SSS failed\n");
    return result;
}

void OmD3D::SetWireframe(bool wireframe) { DispatchRenderState(GfxRs::FillMode, wireframe ? 2 : 3); }

// ---- state blocks --------------------------------------------------------

void OmD3D::RecordRenderState(uint32_t state, uint32_t value) { RecordState({RenderKey(state), value}); }

void OmD3D::RecordTextureStageState(uint32_t stage, uint32_t type, uint32_t value)
{
    RecordState({StageKey(stage, type), value});
}

void OmD3D::RecordTexture(uint32_t stage, GfxTexture* texture)
{
    RecordState({StageKey(stage, 0), reinterpret_cast<uintptr_t>(texture)});
}

// A texture entry holds a reference on its texture for as long as it names it.
bool OmD3D::StateEntry::IsTexture() const { return (key >> 24) != 0 && (key & 0xFFFF) == 0; }

void OmD3D::StateEntry::SetValue(uintptr_t newValue)
{
    if (IsTexture()) {
        auto* texture = reinterpret_cast<GfxTexture*>(value);
        GfxAssign(texture, reinterpret_cast<GfxTexture*>(newValue));
    }
    value = newValue;
}

OmD3D::StateBlock::~StateBlock()
{
    for (StateEntry& e : entries)
        e.SetValue(0);
}

void OmD3D::RecordState(StateEntry entry)
{
    if (!m_recording)
        return;
    for (StateEntry& held : m_recording->entries) {
        if (held.key == entry.key) {
            held.SetValue(entry.value);
            return;
        }
    }
    const uintptr_t value = entry.value;
    entry.value = 0;
    entry.SetValue(value);
    m_recording->entries.push_back(entry);
}

uint32_t OmD3D::BeginStateBlock()
{
    auto block = std::make_unique<StateBlock>();
    block->handle = m_nextStateBlock++;
    m_recording = block.get();
    bool placed = false;
    for (auto& slot : m_stateBlocks) {
        if (!slot) {
            slot = std::move(block);
            placed = true;
            break;
        }
    }
    if (!placed)
        m_stateBlocks.push_back(std::move(block));
    m_renderStateSetter = &OmD3D::RecordRenderState;
    m_stageStateSetter = &OmD3D::RecordTextureStageState;
    m_textureSetter = &OmD3D::RecordTexture;
    return m_recording->handle;
}

void OmD3D::EndStateBlock()
{
    m_recording = nullptr;
    InstallCachedSetters();
}

OmD3D::StateBlock* OmD3D::FindStateBlock(uint32_t handle) const
{
    for (const auto& slot : m_stateBlocks) {
        if (slot && slot->handle == handle)
            return slot.get();
    }
    ReportError("OmD3D: state block %u does not exist", handle);
    return nullptr;
}

void OmD3D::ApplyStateBlock(uint32_t handle)
{
    const StateBlock* block = FindStateBlock(handle);
    if (!block)
        return;
    // By index: a block applied while it records keeps its entries in place.
    for (size_t i = 0; i < block->entries.size(); ++i) {
        const StateEntry e = block->entries[i];
        const uint32_t type = e.key & 0xFFFF;
        const uint32_t stage = (e.key >> 16) & 0xFF;
        if ((e.key >> 24) == 0)
            DispatchRenderState(type, static_cast<uint32_t>(e.value));
        else if (type == 0)
            SetD3DTexture(stage, reinterpret_cast<GfxTexture*>(e.value));
        else
            SetTextureStageState(stage, type, static_cast<uint32_t>(e.value));
    }
}

void OmD3D::CaptureStateBlock(uint32_t handle)
{
    StateBlock* block = FindStateBlock(handle);
    if (!block)
        return;
    for (StateEntry& e : block->entries) {
        const uint32_t type = e.key & 0xFFFF;
        const uint32_t stage = (e.key >> 16) & 0xFF;
        if ((e.key >> 24) == 0) {
            if (type < kRenderStateCount)
                e.SetValue(m_renderStates[type]);
        } else if (stage < GfxMaxStages && type < kStageStateCount) {
            e.SetValue(type == 0 ? reinterpret_cast<uintptr_t>(m_stageTextures[stage]) : m_stageStates[stage][type]);
        }
    }
}

void OmD3D::DeleteStateBlock(uint32_t handle)
{
    for (auto& slot : m_stateBlocks) {
        if (slot && slot->handle == handle) {
            if (m_recording == slot.get())
                EndStateBlock();
            slot.reset();
            return;
        }
    }
}

// ---- draw wrappers -------------------------------------------------------

void OmD3D::CountPrimitives(uint32_t count)
{
    m_stats.words[OmRenderStats::kPrimitives] += count;
    if (m_renderPass != 1)
        m_stats.words[OmRenderStats::kAlphaPrimitives] += count;
}

int32_t OmD3D::DrawIndexedPrimitive(uint32_t type, uint32_t minIndex, uint32_t numVertices, uint32_t startIndex,
                                    uint32_t primitiveCount)
{
    CountPrimitives(primitiveCount);
    if (!m_device)
        return GfxResult::Fail;
    return m_device->DrawIndexedPrimitive(type, minIndex, numVertices, startIndex, primitiveCount);
}

int32_t OmD3D::DrawPrimitive(uint32_t type, uint32_t startVertex, uint32_t primitiveCount)
{
    CountPrimitives(primitiveCount);
    if (!m_device)
        return GfxResult::Fail;
    return m_device->DrawPrimitive(type, startVertex, primitiveCount);
}

int32_t OmD3D::DrawPrimitiveUP(uint32_t type, uint32_t primitiveCount, const void* data, uint32_t stride)
{
    CountPrimitives(primitiveCount);
    if (!m_device)
        return GfxResult::Fail;
    const int32_t result = m_device->DrawPrimitiveUP(type, primitiveCount, data, stride);
    ForgetUserMemoryBindings();
    return result;
}

int32_t OmD3D::DrawIndexedPrimitiveUP(uint32_t type, uint32_t minIndex, uint32_t numVertices,
                                      uint32_t primitiveCount, const void* indices, uint32_t indexFormat,
                                      const void* data, uint32_t stride)
{
    CountPrimitives(primitiveCount);
    if (!m_device)
        return GfxResult::Fail;
    const int32_t result = m_device->DrawIndexedPrimitiveUP(type, minIndex, numVertices, primitiveCount, indices,
                                                            indexFormat, data, stride);
    ForgetUserMemoryBindings();
    return result;
}

// Drawing from memory leaves the device with no stream 0 and no index
// buffer; the cache must say the same, or the next bind of the same buffer
// would be skipped and draw from nothing.
void OmD3D::ForgetUserMemoryBindings()
{
    GfxAssign(m_streams[0], static_cast<GfxVertexBuffer*>(nullptr));
    m_strides[0] = 0;
    GfxAssign(m_indexBuffer, static_cast<GfxIndexBuffer*>(nullptr));
    m_baseVertex = 0;
}

// ---- defaults and re-application -----------------------------------------

void OmD3D::SetDefaultRenderStates()
{
    SetVertexShader(GfxFvf::PosNormalDiffuseTex1);
    for (const StateValue& s : kDefaultRenderStates)
        DispatchRenderState(s.state, s.value);
    for (uint32_t stage = 0; stage < GfxMaxStages; ++stage) {
        SetTexture(stage, -1);
        for (const StageDefault& d : kDefaultStageStates)
            SetTextureStageState(stage, d.type, StageDefaultValue(d, stage));
    }
    SetIndices(-1, 0);
    for (uint32_t stream = 0; stream < GfxMaxStreams; ++stream)
        SetD3DStreamSource(stream, nullptr, 0);
}

void OmD3D::RestoreDeviceState()
{
    if (!m_device)
        return;
    ReapplyStreams();
    ReapplyRenderStates();
    ReapplyStageStates();
}

void OmD3D::ReapplyStreams()
{
    m_device->SetVertexShader(m_vertexShader);
    m_device->SetIndices(m_indexBuffer, m_baseVertex);
    for (uint32_t stream = 0; stream < GfxMaxStreams; ++stream)
        m_device->SetStreamSource(stream, m_streams[stream], m_strides[stream]);
}

void OmD3D::ReapplyRenderStates()
{
    for (const StateValue& s : kDefaultRenderStates)
        m_device->SetRenderState(s.state, m_renderStates[s.state]);
}

void OmD3D::ReapplyStageStates()
{
    for (uint32_t stage = 0; stage < GfxMaxStages; ++stage) {
        m_device->SetTexture(stage, m_stageTextures[stage]);
        for (const StageDefault& d : kDefaultStageStates)
            m_device->SetTextureStageState(stage, d.type, m_stageStates[stage][d.type]);
    }
}
