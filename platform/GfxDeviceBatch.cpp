// Triangles drawn one call each - the GUI's and the HUD's sprites, frames
// and lines of text, runs of level geometry with one texture - gathered
// into one OpenGL draw while nothing between them could change their
// picture: every draw costs the driver far more than its few triangles.
#include "platform/GfxDeviceImpl.h"

#include <utility>

namespace plat {

namespace {

// Room for the triangles of a busy screen; a batch that fills it is drawn
// and the next one starts.
constexpr size_t kBatchBytes = 256 * 1024;
constexpr size_t kBatchIndices = 48 * 1024;

bool SameArray(const void* a, const void* b, size_t bytes) { return std::memcmp(a, b, bytes) == 0; }

} // namespace

bool SameDrawState(const GfxDevice::State& a, const GfxDevice::State& b)
{
    return SameArray(a.textures, b.textures, sizeof a.textures) && SameDrawStateButTextures(a, b);
}

bool SameDrawStateButTextures(const GfxDevice::State& a, const GfxDevice::State& b)
{
    if (!SameArray(a.rs, b.rs, sizeof a.rs) || !SameArray(a.tss, b.tss, sizeof a.tss) || a.fvf != b.fvf
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

namespace {

// Which of the vertices given the draw's i-th vertex is.
uint32_t VertexOf(const GfxDrawCall& call, uint32_t i)
{
    if (!call.indices)
        return i;
    uint32_t index;
    if (call.indexSize == 4) {
        std::memcpy(&index, static_cast<const uint8_t*>(call.indices) + size_t(4) * i, 4);
    } else {
        uint16_t narrow;
        std::memcpy(&narrow, static_cast<const uint8_t*>(call.indices) + size_t(2) * i, 2);
        index = narrow;
    }
    return uint32_t(int64_t(index) + call.baseVertex);
}

} // namespace

bool GfxDevice::Gather(const GfxDrawCall& call)
{
    const uint32_t fvf = state_->fvf;
    const uint32_t count = GfxVertexCountOf(call.type, call.primitiveCount);
    const size_t bytes = size_t(call.vertexCount) * call.stride;
    if (!inScene_ || target_ != backBuffer_
        || (call.type != GfxPrimitive::TriangleList && call.type != GfxPrimitive::TriangleStrip) || count == 0
        || fvf == 0 || (fvf & GfxFvf::PositionMask) == 0 || call.stride < GfxFvfVertexSize(fvf)
        || bytes > kBatchBytes || size_t(call.primitiveCount) * 3 > kBatchIndices)
        return false;
    for (uint32_t i = 0; call.indices && i < count; ++i)
        if (VertexOf(call, i) >= call.vertexCount)
            return false; // drawn on its own, from what it was given
    if (Holding() && !kept_->held.cleared)
        BreakKeptPass(); // drawn over what the frame had before: no picture of its own
    if (!batch_)
        batch_ = std::make_unique<DrawBatch>();
    DrawBatch& batch = *batch_;
    if (batch.bytes.size() != kBatchBytes) {
        batch.bytes.resize(kBatchBytes);
        batch.indices.resize(kBatchIndices);
        batch.firstIndices.resize(kBatchIndices);
    }
    if (batch.draws > 0
        && (batch.stride != call.stride || batch.vertexBytes + bytes > kBatchBytes
            || batch.indexCount + size_t(call.primitiveCount) * 3 > kBatchIndices
            || !SameDrawState(*batch.state, *state_))) {
        if (Holding())
            HoldBatch();
        else
            FlushBatch();
    }
    if (batch.draws == 0) {
        // A state no program can draw is refused now, as drawing it would be.
        GfxProgramKey key;
        BuildKey(key);
        if (!ProgramFor(key).id)
            return false;
        CopyDrawState(*batch.state, *state_);
        batch.stride = call.stride;
        batch.first = call;
        for (uint32_t i = 0; call.indices && i < count; ++i)
            batch.firstIndices[i] = VertexOf(call, i);
    }
    const uint32_t base = batch.vertexBytes / call.stride;
    std::memcpy(batch.bytes.data() + batch.vertexBytes, call.vertices, bytes);
    batch.vertexBytes += uint32_t(bytes);
    uint32_t* out = batch.indices.data() + batch.indexCount;
    const bool strip = call.type == GfxPrimitive::TriangleStrip;
    for (uint32_t t = 0; t < call.primitiveCount; ++t) {
        // A strip's odd triangles take their first two vertices swapped,
        // which turns their winding back. Drawing keeps the first vertex as
        // the provoking one: listed, that vertex stays first and the other
        // two swap instead, which gives the same triangle.
        const bool odd = strip && (t & 1);
        const uint32_t at = strip ? t : 3 * t;
        *out++ = base + VertexOf(call, at);
        *out++ = base + VertexOf(call, at + (odd ? 2 : 1));
        *out++ = base + VertexOf(call, at + (odd ? 1 : 2));
    }
    batch.indexCount += 3 * call.primitiveCount;
    ++batch.draws;
    return true;
}

void GfxDevice::FlushBatch()
{
    if (Holding())
        BreakKeptPass();
    if (!batch_ || batch_->draws == 0)
        return;
    DrawBatch& batch = *batch_;
    const uint32_t draws = batch.draws, vertexBytes = batch.vertexBytes, indexCount = batch.indexCount;
    batch.draws = batch.vertexBytes = batch.indexCount = 0;
    SendGathered(batch.state, batch.first.type, batch.first.primitiveCount, draws, batch.bytes.data(), vertexBytes,
                 batch.stride, batch.indices.data(), indexCount,
                 batch.first.indices ? batch.firstIndices.data() : nullptr);
    ReleaseTextures(*batch.state);
}

void GfxDevice::SendGathered(std::unique_ptr<State>& state, uint32_t type, uint32_t primitiveCount, uint32_t draws,
                             const uint8_t* bytes, uint32_t vertexBytes, uint32_t stride, const uint32_t* indices,
                             uint32_t indexCount, const uint32_t* firstIndices)
{
    const uint32_t vertexCount = vertexBytes / stride;
    std::swap(state_, state);
    if (draws == 1) // a draw alone goes as it came
        Draw(type, primitiveCount, bytes, vertexCount, stride, firstIndices, 4, 0);
    else
        Draw(GfxPrimitive::TriangleList, indexCount / 3, bytes, vertexCount, stride, indices, 4, 0);
    std::swap(state_, state);
}

void GfxDevice::DropBatch()
{
    if (!batch_)
        return;
    batch_->draws = batch_->vertexBytes = batch_->indexCount = 0;
    ReleaseTextures(*batch_->state);
}

} // namespace plat
