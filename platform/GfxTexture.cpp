#include "platform/GfxTexture.h"

#include "platform/GfxDevice.h"
#include "platform/PixelFormat.h"

#include <algorithm>
#include <atomic>

namespace plat {

GfxSurface::GfxSurface(uint32_t width, uint32_t height, uint32_t format, uint32_t pool,
                       uint32_t usage, GfxTexture* container)
    : kind_(container ? Kind::TextureLevel : Kind::Image)
    , width_(width)
    , height_(height)
    , format_(format)
    , pool_(pool)
    , usage_(usage)
    , container_(container)
    , pixels_(static_cast<size_t>(width) * height * GfxFormatBytes(format), 0)
{
}

GfxSurface::GfxSurface(GfxDevice* device, uint32_t width, uint32_t height, uint32_t format)
    : kind_(GfxIsDepthFormat(format) ? Kind::DepthStencil : Kind::BackBuffer)
    , width_(width)
    , height_(height)
    , format_(format)
    , pool_(GfxPool::Default)
    , usage_(GfxIsDepthFormat(format) ? GfxUsage::DepthStencil : GfxUsage::RenderTarget)
    , device_(device)
    , pixels_(static_cast<size_t>(width) * height * GfxFormatBytes(format), 0)
{
}

GfxSurface::~GfxSurface()
{
    if (device_ && kind_ == Kind::DepthStencil)
        device_->ForgetSurface(this);
}

uint32_t GfxSurface::AddRef()
{
    return container_ ? container_->AddRef() : GfxObject::AddRef();
}

uint32_t GfxSurface::Release()
{
    return container_ ? container_->Release() : GfxObject::Release();
}

int32_t GfxSurface::GetDesc(GfxSurfaceDesc* desc) const
{
    if (!desc)
        return GfxResult::InvalidCall;
    *desc = {format_, GfxResourceType::Surface, usage_, pool_,
             static_cast<uint32_t>(pixels_.size()), 0, width_, height_};
    return GfxResult::Ok;
}

int32_t GfxSurface::LockRect(GfxLockedRect* locked, const GfxRect* rect, uint32_t flags)
{
    // Depth buffers and render-target textures live only on the device.
    if (!locked || locks_ > 0 || kind_ == Kind::DepthStencil
        || (kind_ == Kind::TextureLevel && (usage_ & GfxUsage::RenderTarget)))
        return GfxResult::InvalidCall;
    GfxRect r{0, 0, static_cast<int32_t>(width_), static_cast<int32_t>(height_)};
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->right > r.right || rect->bottom > r.bottom
            || rect->left >= rect->right || rect->top >= rect->bottom)
            return GfxResult::InvalidCall;
        r = *rect;
    }
    if (kind_ == Kind::BackBuffer) {
        if (!device_)
            return GfxResult::InvalidCall;
        device_->ReadBackBuffer(pixels_.data());
    }
    if (container_)
        container_->BeforeChange();
    readOnlyLock_ = (flags & GfxLock::ReadOnly) != 0;
    locked->pitch = static_cast<int32_t>(Pitch());
    locked->bits = pixels_.data() + static_cast<size_t>(r.top) * Pitch()
        + static_cast<size_t>(r.left) * GfxFormatBytes(format_);
    ++locks_;
    return GfxResult::Ok;
}

int32_t GfxSurface::UnlockRect()
{
    if (locks_ == 0)
        return GfxResult::InvalidCall;
    --locks_;
    if (kind_ == Kind::BackBuffer && device_ && !readOnlyLock_)
        device_->WriteBackBuffer(pixels_.data());
    if (container_ && !readOnlyLock_)
        container_->MarkDirty();
    return GfxResult::Ok;
}

GfxTexture::GfxTexture(GfxDevice* device, uint32_t width, uint32_t height, uint32_t levels,
                       uint32_t usage, uint32_t format, uint32_t pool)
    : device_(device)
    , format_(format)
    , pool_(pool)
    , usage_(usage)
{
    const uint32_t full = FullMipCount(width, height);
    const uint32_t count = (levels == 0 || levels > full) ? full : levels;
    for (uint32_t i = 0; i < count; ++i) {
        levels_.push_back(new GfxSurface(width, height, format, pool, usage, this));
        width = std::max(1u, width / 2);
        height = std::max(1u, height / 2);
    }
}

uint64_t GfxTexture::NewVersion()
{
    static std::atomic<uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

GfxTexture::~GfxTexture()
{
    if (device_)
        device_->ForgetTexture(this);
    // The levels share this object's count, so they are deleted directly.
    for (GfxSurface* level : levels_)
        level->GfxObject::Release();
}

void GfxTexture::BeforeChange()
{
    if (device_)
        device_->FlushBatch();
}

void GfxTexture::DetachDevice()
{
    device_ = nullptr;
    glName = 0;
    dirty = true;
}

int32_t GfxTexture::GetLevelDesc(uint32_t level, GfxSurfaceDesc* desc) const
{
    if (level >= levels_.size())
        return GfxResult::InvalidCall;
    return levels_[level]->GetDesc(desc);
}

int32_t GfxTexture::GetSurfaceLevel(uint32_t level, GfxSurface** surface)
{
    if (!surface || level >= levels_.size())
        return GfxResult::InvalidCall;
    AddRef();
    *surface = levels_[level];
    return GfxResult::Ok;
}

int32_t GfxTexture::LockRect(uint32_t level, GfxLockedRect* locked, const GfxRect* rect,
                             uint32_t flags)
{
    if (level >= levels_.size())
        return GfxResult::InvalidCall;
    return levels_[level]->LockRect(locked, rect, flags);
}

int32_t GfxTexture::UnlockRect(uint32_t level)
{
    if (level >= levels_.size())
        return GfxResult::InvalidCall;
    return levels_[level]->UnlockRect();
}

} // namespace plat
