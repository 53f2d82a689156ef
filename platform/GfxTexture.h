// Textures and surfaces. Pixels live in ordinary memory in the device
// format, with a pitch of width times the pixel size; the device copies a
// texture into OpenGL when it is next drawn after a change. The back buffer
// is a surface too, but its pixels are read from and written to the device.
#pragma once

#include "platform/GfxObject.h"
#include "platform/GfxTypes.h"

#include <memory>
#include <vector>

namespace plat {

class GfxDevice;
class GfxTexture;

class GfxSurface : public GfxObject {
public:
    enum class Kind { Image, TextureLevel, BackBuffer, DepthStencil };

    // An image surface (container null) or a level of a texture.
    GfxSurface(uint32_t width, uint32_t height, uint32_t format, uint32_t pool, uint32_t usage,
               GfxTexture* container);
    // The back buffer of a device, or (depth format) a depth-stencil surface.
    GfxSurface(GfxDevice* device, uint32_t width, uint32_t height, uint32_t format);

    // A level of a texture counts on its texture.
    uint32_t AddRef() override;
    uint32_t Release() override;

    int32_t GetDesc(GfxSurfaceDesc* desc) const;
    int32_t LockRect(GfxLockedRect* locked, const GfxRect* rect, uint32_t flags);
    int32_t UnlockRect();

    Kind GetKind() const { return kind_; }
    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    uint32_t Format() const { return format_; }
    uint32_t Usage() const { return usage_; }
    GfxTexture* Container() const { return container_; }
    uint32_t Pitch() const { return width_ * GfxFormatBytes(format_); }
    // The pixels in memory; for the back buffer, the copy of its last lock.
    uint8_t* Pixels() { return pixels_.data(); }
    const uint8_t* Pixels() const { return pixels_.data(); }
    void DetachDevice() { device_ = nullptr; }
    // A depth-stencil surface's OpenGL renderbuffer, kept by the device.
    unsigned glName = 0;
    // For a render-target level, kept by the device: the rectangle that
    // drawing has reached since the level was last cleared whole; not known
    // before the first whole clear, nor after a draw it could not bound.
    GfxRect drawn{0, 0, 0, 0};
    bool drawnKnown = false;

private:
    ~GfxSurface() override;

    Kind kind_;
    uint32_t width_, height_, format_, pool_, usage_;
    GfxTexture* container_ = nullptr;
    GfxDevice* device_ = nullptr;
    std::vector<uint8_t> pixels_;
    uint32_t locks_ = 0;
    bool readOnlyLock_ = false;
};

class GfxTexture : public GfxObject {
public:
    GfxTexture(GfxDevice* device, uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
               uint32_t format, uint32_t pool);

    uint32_t GetLevelCount() const { return static_cast<uint32_t>(levels_.size()); }
    int32_t GetLevelDesc(uint32_t level, GfxSurfaceDesc* desc) const;
    // Adds a reference to the texture, as every level does.
    int32_t GetSurfaceLevel(uint32_t level, GfxSurface** surface);
    int32_t LockRect(uint32_t level, GfxLockedRect* locked, const GfxRect* rect, uint32_t flags);
    int32_t UnlockRect(uint32_t level);

    uint32_t Format() const { return format_; }
    GfxSurface* Level(uint32_t level) { return levels_[level]; }
    uint32_t Pool() const { return pool_; }
    bool IsRenderTarget() const { return (usage_ & GfxUsage::RenderTarget) != 0; }

    // Kept by the device: the OpenGL copy and whether it is out of date.
    unsigned glName = 0;
    bool dirty = true;
    // Names its pixels as they are now: it moves with every change, and no
    // two textures are ever given the same one, so a picture drawn from a
    // texture is known to be out of date when its pixels change or the
    // texture goes, even if another is made in its place.
    uint64_t version = NewVersion();
    void DetachDevice();
    void MarkDirty()
    {
        dirty = true;
        version = NewVersion();
    }
    // Its pixels are about to change: what the device has gathered to draw
    // from them is drawn first.
    void BeforeChange();

private:
    ~GfxTexture() override;
    static uint64_t NewVersion();

    GfxDevice* device_;
    uint32_t format_, pool_, usage_;
    std::vector<GfxSurface*> levels_;
};

} // namespace plat
