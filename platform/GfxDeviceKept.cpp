// The kept pass: a frame's opening clear and the triangles drawn after it,
// held until the pass ends. A still level redraws the same ground and walls
// every frame at the cost of filling most of the screen; when what is held
// is exactly what the last frame held, one copy of that picture stands in.
#include "platform/GfxDeviceImpl.h"

#include <cstring>
#include <utility>

namespace plat {

namespace {

using Record = GfxDevice::KeptRecord;

// Room for a level's opening, made with the pass: a frame that holds more
// is drawn as it comes, so holding never allocates.
constexpr uint32_t kHeldRuns = 64;
constexpr uint32_t kHeldBytes = 1024 * 1024;
constexpr uint32_t kHeldIndices = 256 * 1024;

void MakeRoom(Record& record)
{
    record.runs.resize(kHeldRuns);
    record.bytes.resize(kHeldBytes);
    record.indices.resize(kHeldIndices);
}

// Every run's state, in both records, made room for that many lights at
// once: a frame that holds more draws than the frames before fills runs
// never filled yet, and copying the lights into them must not grow them.
void MakeLightRoom(Record& held, Record& last, size_t lights)
{
    for (Record* record : {&held, &last})
        for (Record::Run& run : record->runs)
            run.state->lights.reserve(lights);
}

template <typename T>
void Append(std::vector<T>& to, uint32_t& count, const T* from, uint32_t n)
{
    std::memcpy(to.data() + count, from, sizeof(T) * n);
    count += n;
}

void LetTexturesGo(Record& record)
{
    for (uint32_t i = 0; i < record.runCount; ++i)
        ReleaseTextures(*record.runs[i].state);
}

void Empty(Record& record)
{
    LetTexturesGo(record);
    record.runCount = record.byteCount = record.indexCount = 0;
    record.cleared = false;
    record.keepable = false;
}

bool SameClear(const Record::Clear& a, const Record::Clear& b)
{
    return a.flags == b.flags && a.colour == b.colour && a.stencil == b.stencil
        && std::memcmp(&a.z, &b.z, sizeof a.z) == 0 && std::memcmp(&a.viewport, &b.viewport, sizeof a.viewport) == 0;
}

bool SameRun(const Record& a, const Record::Run& x, const Record& b, const Record::Run& y)
{
    return x.type == y.type && x.primitiveCount == y.primitiveCount && x.draws == y.draws && x.stride == y.stride
        && x.bytes == y.bytes && x.indexCount == y.indexCount
        && x.firstCount == y.firstCount && std::memcmp(x.versions, y.versions, sizeof x.versions) == 0
        && SameDrawStateButTextures(*x.state, *y.state)
        && std::memcmp(a.bytes.data() + x.byteAt, b.bytes.data() + y.byteAt, x.bytes) == 0
        && std::memcmp(a.indices.data() + x.indexAt, b.indices.data() + y.indexAt, x.indexCount * 4u) == 0
        && std::memcmp(a.indices.data() + x.firstAt, b.indices.data() + y.firstAt, x.firstCount * 4u) == 0;
}

// The same clear and the same triangles with the same state, drawn from
// the same pixels: the same picture.
bool SameRecord(const Record& a, const Record& b)
{
    if (!a.keepable || !b.keepable || a.runCount != b.runCount || !SameClear(a.clear, b.clear))
        return false;
    for (uint32_t i = 0; i < a.runCount; ++i)
        if (!SameRun(a, a.runs[i], b, b.runs[i]))
            return false;
    return true;
}

// A picture drawn into a texture changes without its version moving; a
// stencil test reads what the pass does not keep.
bool DrawnFromItsOwn(const GfxDevice::State& state)
{
    if (state.rs[GfxRs::StencilEnable])
        return false;
    for (const GfxTexture* texture : state.textures)
        if (texture && texture->IsRenderTarget())
            return false;
    return true;
}

} // namespace

bool GfxDevice::Holding() const { return kept_ && kept_->active; }

void GfxDevice::BeginKeptPass()
{
    FlushBatch();
    if (!inScene_ || target_ != backBuffer_ || !autoDepth_ || depth_ != autoDepth_ || keptRefused_)
        return;
    if (!kept_) {
        kept_ = std::make_unique<KeptPass>();
        MakeRoom(kept_->held);
        MakeRoom(kept_->last);
    }
    Empty(kept_->held);
    kept_->active = kept_->opened = true;
}

bool GfxDevice::HoldClear(uint32_t count, uint32_t flags, uint32_t color, float z, uint32_t stencil)
{
    if (!Holding())
        return false;
    KeptRecord& held = kept_->held;
    const GfxViewport& vp = state_->viewport;
    // Only a clear of all the colour and depth makes a picture that owes
    // nothing to the frames before; any other is made as it comes, with
    // what follows it, and so is never replayed other than it was asked.
    const bool whole = count == 0 && flags == (GfxClear::Target | GfxClear::ZBuffer) && vp.x == 0 && vp.y == 0
        && vp.width == width_ && vp.height == height_;
    if (!whole || held.cleared || (batch_ && batch_->draws > 0)) {
        BreakKeptPass();
        return false;
    }
    held.cleared = true;
    held.clear = {flags, color, stencil, z, vp};
    held.keepable = true;
    return true;
}

void GfxDevice::HoldBatch()
{
    if (!batch_ || batch_->draws == 0)
        return;
    DrawBatch& batch = *batch_;
    KeptRecord& held = kept_->held;
    const uint32_t firstCount = batch.first.indices ? GfxVertexCountOf(batch.first.type, batch.first.primitiveCount) : 0;
    if (held.runCount == kHeldRuns || held.byteCount + batch.vertexBytes > kHeldBytes
        || held.indexCount + batch.indexCount + firstCount > kHeldIndices) {
        kept_->active = false;
        SendHeld();
        Empty(held);
        FlushBatch();
        return;
    }
    if (batch.state->lights.size() > kept_->lightRoom) {
        kept_->lightRoom = batch.state->lights.size();
        MakeLightRoom(held, kept_->last, kept_->lightRoom);
    }
    KeptRecord::Run& run = held.runs[held.runCount++];
    CopyDrawState(*run.state, *batch.state);
    for (uint32_t i = 0; i < GfxMaxStages; ++i)
        run.versions[i] = batch.state->textures[i] ? batch.state->textures[i]->version : 0;
    held.keepable = held.keepable && DrawnFromItsOwn(*batch.state);
    run.type = batch.first.type, run.primitiveCount = batch.first.primitiveCount;
    run.draws = batch.draws, run.stride = batch.stride;
    run.byteAt = held.byteCount, run.bytes = batch.vertexBytes;
    Append(held.bytes, held.byteCount, batch.bytes.data(), batch.vertexBytes);
    run.indexAt = held.indexCount, run.indexCount = batch.indexCount;
    Append(held.indices, held.indexCount, batch.indices.data(), batch.indexCount);
    run.firstAt = held.indexCount, run.firstCount = firstCount;
    Append(held.indices, held.indexCount, batch.firstIndices.data(), run.firstCount);
    DropBatch(); // now the record's
}

void GfxDevice::SendHeld()
{
    KeptRecord& held = kept_->held;
    if (held.cleared) {
        // Cleared as it was asked, over the viewport of that moment.
        const GfxViewport now = state_->viewport;
        state_->viewport = held.clear.viewport;
        ClearNow(0, nullptr, held.clear.flags, held.clear.colour, held.clear.z, held.clear.stencil);
        state_->viewport = now;
    }
    for (uint32_t i = 0; i < held.runCount; ++i) {
        KeptRecord::Run& run = held.runs[i];
        SendGathered(run.state, run.type, run.primitiveCount, run.draws, held.bytes.data() + run.byteAt, run.bytes,
                     run.stride, held.indices.data() + run.indexAt, run.indexCount,
                     run.firstCount > 0 ? held.indices.data() + run.firstAt : nullptr);
    }
}

void GfxDevice::BreakKeptPass()
{
    kept_->active = false;
    HoldBatch();
    SendHeld();
    Empty(kept_->held);
}

void GfxDevice::EndKeptPass()
{
    if (!Holding())
        return;
    KeptPass& kept = *kept_;
    HoldBatch();
    kept.active = false;
    const bool same = SameRecord(kept.held, kept.last);
    if (same && kept.pictureKept) {
        PutPictureBack();
        ++keptPutBack_;
    } else {
        SendHeld();
        if (same)
            kept.pictureKept = KeepPicture();
        else {
            std::swap(kept.held, kept.last);
            LetTexturesGo(kept.last);
            kept.pictureKept = false;
        }
    }
    Empty(kept.held);
    if (keptRefused_)
        ForgetKeptPass();
}

bool GfxDevice::KeepPicture()
{
    KeptPass& kept = *kept_;
    if (!kept.fbo) {
        const GfxTargetFormat f = GfxTargetFormatOf(params_.backBufferFormat);
        glGenRenderbuffers(1, &kept.colour);
        glBindRenderbuffer(GL_RENDERBUFFER, kept.colour);
        glRenderbufferStorage(GL_RENDERBUFFER, f.internal, GLsizei(width_), GLsizei(height_));
        glGenRenderbuffers(1, &kept.depth);
        glBindRenderbuffer(GL_RENDERBUFFER, kept.depth);
        const GLenum depth = GfxDepthFormatOf(params_.autoDepthStencilFormat);
        glRenderbufferStorage(GL_RENDERBUFFER, depth, GLsizei(width_), GLsizei(height_));
        glGenFramebuffers(1, &kept.fbo);
        glBindFramebuffer(GL_FRAMEBUFFER, kept.fbo);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, kept.colour);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER,
                                  depth == GL_DEPTH24_STENCIL8 ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                  GL_RENDERBUFFER, kept.depth);
        const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
        BindTarget();
        if (!complete) {
            keptRefused_ = true;
            return false;
        }
    }
    BlitWhole(gl_->backFbo, kept.fbo, width_, height_, GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    return true;
}

void GfxDevice::PutPictureBack()
{
    BlitWhole(kept_->fbo, gl_->backFbo, width_, height_, GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void GfxDevice::ForgetKeptPass()
{
    if (!kept_)
        return;
    KeptPass& kept = *kept_;
    if (kept.fbo || kept.colour || kept.depth) {
        glDeleteFramebuffers(1, &kept.fbo);
        glDeleteRenderbuffers(1, &kept.colour);
        glDeleteRenderbuffers(1, &kept.depth);
    }
    Empty(kept.held);
    Empty(kept.last);
    kept_.reset();
}

void GfxDevice::PresentKeptPass()
{
    // The pass serves frames that open it one after another: a frame shown
    // without one (the front end, a loading screen) lets its picture, its
    // records and their room go, rather than holding them until the next
    // level's first frame.
    if (kept_ && !std::exchange(kept_->opened, false))
        ForgetKeptPass();
}

void GfxDevice::DropKeptPicture()
{
    ForgetKeptPass();
    keptRefused_ = false; // a new back buffer may be one the driver takes
}

} // namespace plat
