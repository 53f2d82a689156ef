// Quads drawn one call each (the GUI's and the HUD's sprites) gathered into
// one OpenGL draw while nothing between them could change their picture.
#include "platform/GfxDeviceImpl.h"

#include <utility>

namespace plat {

namespace {

// Room for the quads of a busy screen; a batch that fills it is drawn and
// the next one starts.
constexpr size_t kBatchBytes = 256 * 1024;

// A strip's quad as two listed triangles. Drawing keeps the first vertex
// as the provoking one, under which the strip's second triangle is
// (1, 3, 2): listing the same vertices in the same order gives each
// triangle exactly as the strip would have.
constexpr uint32_t kListOrder[6] = {0, 1, 2, 1, 3, 2};

bool SameArray(const void* a, const void* b, size_t bytes) { return std::memcmp(a, b, bytes) == 0; }

// Everything a draw from memory reads of the state (its streams and
// indices are not read).
bool SameDrawState(const GfxDevice::State& a, const GfxDevice::State& b)
{
    if (!SameArray(a.rs, b.rs, sizeof a.rs) || !SameArray(a.tss, b.tss, sizeof a.tss)
        || !SameArray(a.textures, b.textures, sizeof a.textures) || a.fvf != b.fvf
        || a.scissorOn != b.scissorOn || !SameArray(&a.scissor, &b.scissor, sizeof a.scissor)
        || !SameArray(&a.viewport, &b.viewport, sizeof a.viewport)
        || !SameArray(&a.world, &b.world, sizeof a.world) || !SameArray(&a.view, &b.view, sizeof a.view)
        || !SameArray(&a.proj, &b.proj, sizeof a.proj) || !SameArray(a.texture, b.texture, sizeof a.texture)
        || !SameArray(&a.material, &b.material, sizeof a.material) || a.lights.size() != b.lights.size())
        return false;
    for (size_t i = 0; i < a.lights.size(); ++i)
        if (a.lights[i].enabled != b.lights[i].enabled
            || !SameArray(&a.lights[i].light, &b.lights[i].light, sizeof a.lights[i].light))
            return false;
    return true;
}

// Copies what SameDrawState compares; the copy holds its textures. The
// lights' list keeps its room, so repeated copies allocate nothing new.
void CopyDrawState(GfxDevice::State& to, const GfxDevice::State& from)
{
    std::memcpy(to.rs, from.rs, sizeof to.rs);
    std::memcpy(to.tss, from.tss, sizeof to.tss);
    for (uint32_t i = 0; i < GfxMaxStages; ++i)
        GfxAssign(to.textures[i], from.textures[i]);
    to.world = from.world;
    to.view = from.view;
    to.proj = from.proj;
    for (uint32_t i = 0; i < GfxMaxStages; ++i)
        to.texture[i] = from.texture[i];
    to.material = from.material;
    to.lights = from.lights;
    to.viewport = from.viewport;
    to.fvf = from.fvf;
    to.scissorOn = from.scissorOn;
    to.scissor = from.scissor;
}

void ReleaseTextures(GfxDevice::State& state)
{
    for (GfxTexture*& texture : state.textures)
        GfxAssign(texture, static_cast<GfxTexture*>(nullptr));
}

} // namespace

bool GfxDevice::GatherQuad(uint32_t type, uint32_t primitiveCount, const void* data, uint32_t stride)
{
    const uint32_t fvf = state_->fvf;
    if (!inScene_ || target_ != backBuffer_ || type != GfxPrimitive::TriangleStrip || primitiveCount != 2
        || fvf == 0 || (fvf & GfxFvf::PositionMask) == 0 || stride < GfxFvfVertexSize(fvf)
        || size_t(stride) * 6 > kBatchBytes)
        return false;
    if (!quads_)
        quads_ = std::make_unique<QuadBatch>();
    QuadBatch& batch = *quads_;
    if (batch.bytes.size() != kBatchBytes)
        batch.bytes.resize(kBatchBytes);
    if (batch.quads > 0
        && (batch.stride != stride || size_t(batch.quads + 1) * 6 * stride > kBatchBytes
            || !SameDrawState(*batch.state, *state_)))
        FlushQuads();
    if (batch.quads == 0) {
        // A state no program can draw is refused now, as drawing it would be.
        GfxProgramKey key;
        BuildKey(key);
        if (!ProgramFor(key).id)
            return false;
        CopyDrawState(*batch.state, *state_);
        batch.stride = stride;
    }
    uint8_t* out = batch.bytes.data() + size_t(batch.quads) * 6 * stride;
    const auto* in = static_cast<const uint8_t*>(data);
    for (uint32_t i = 0; i < 6; ++i)
        std::memcpy(out + size_t(i) * stride, in + size_t(kListOrder[i]) * stride, stride);
    ++batch.quads;
    return true;
}

void GfxDevice::FlushQuads()
{
    if (!quads_ || quads_->quads == 0)
        return;
    QuadBatch& batch = *quads_;
    const uint32_t count = batch.quads;
    batch.quads = 0;
    uint8_t* bytes = batch.bytes.data();
    const uint32_t stride = batch.stride;
    std::swap(state_, batch.state);
    if (count == 1) {
        // A quad alone goes as the strip it came as.
        std::memcpy(bytes + size_t(3) * stride, bytes + size_t(4) * stride, stride);
        Draw(GfxPrimitive::TriangleStrip, 2, bytes, 4, stride, nullptr, 0, 0);
    } else {
        Draw(GfxPrimitive::TriangleList, 2 * count, bytes, 6 * count, stride, nullptr, 0, 0);
    }
    std::swap(state_, batch.state);
    ReleaseTextures(*batch.state);
}

void GfxDevice::DropQuads()
{
    if (!quads_)
        return;
    quads_->quads = 0;
    ReleaseTextures(*quads_->state);
}

} // namespace plat
