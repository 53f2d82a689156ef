// The graphics system: one adapter per display, described by the OpenGL
// renderer. The back buffer is drawn offscreen and scaled to the window, so
// every adapter offers the common sizes from 640 x 480 up to its desktop and
// the desktop size itself, each in R5G6B5 and X8R8G8B8. Full screen switches
// the display to a size it offers and scales any other to the desktop
// (FullScreen.h). Tests can replace the adapters with ones of their own
// choosing (GfxTestAdapter).
#pragma once

#include "platform/GfxObject.h"
#include "platform/GfxTypes.h"

#include <string>
#include <vector>

namespace plat {

class GfxDevice;

class GfxSystem : public GfxObject {
public:
    // Null when the video system or OpenGL cannot be started.
    static GfxSystem* Create(uint32_t sdkVersion);

    uint32_t GetAdapterCount() const;
    int32_t GetAdapterIdentifier(uint32_t adapter, uint32_t flags, GfxAdapterIdentifier* out) const;
    int32_t GetDeviceCaps(uint32_t adapter, uint32_t deviceType, GfxCaps* caps) const;
    uint32_t GetAdapterModeCount(uint32_t adapter) const;
    int32_t EnumAdapterModes(uint32_t adapter, uint32_t mode, GfxDisplayMode* out) const;
    int32_t GetAdapterDisplayMode(uint32_t adapter, GfxDisplayMode* out) const;
    int32_t CheckDeviceFormat(uint32_t adapter, uint32_t deviceType, uint32_t adapterFormat,
                              uint32_t usage, uint32_t resourceType, uint32_t checkFormat) const;
    int32_t CheckDepthStencilMatch(uint32_t adapter, uint32_t deviceType, uint32_t adapterFormat,
                                   uint32_t targetFormat, uint32_t depthFormat) const;
    // window: an SDL_Window* made with SDL_WINDOW_OPENGL, or null for a
    // hidden window of the device's own.
    int32_t CreateDevice(uint32_t adapter, uint32_t deviceType, void* window, uint32_t flags,
                         GfxPresentParameters* params, GfxDevice** device);

private:
    GfxSystem() = default;
    ~GfxSystem() override;
    bool videoStarted_ = false;
};

// An adapter a test describes. While any are set they replace the real ones.
struct GfxTestAdapter {
    std::string description = "Test adapter";
    uint32_t deviceType = GfxDevType::Hal;
    uint32_t caps2 = GfxCaps2Bits::CanRenderWindowed;
    uint32_t devCaps = GfxDevCapsBits::HwTransformAndLight;
    // Reported as they are, duplicates and small sizes included.
    std::vector<GfxDisplayMode> modes;
    GfxDisplayMode desktop{1024, 768, 60, GfxFormat::X8R8G8B8};
    bool desktopQueryFails = false;
    // Formats CheckDeviceFormat turns down, depth formats included.
    std::vector<uint32_t> refusedFormats;
    // The next n CreateDevice calls on this adapter fail.
    int failCreateDevice = 0;
};

void SetGfxTestAdapters(std::vector<GfxTestAdapter> adapters);
void ClearGfxTestAdapters();

// What CreateDevice was asked for, newest last (kept while test adapters are set).
struct GfxCreateAttempt {
    uint32_t adapter, flags, depthFormat;
    int32_t result;
};
const std::vector<GfxCreateAttempt>& GfxTestCreateAttempts();

// The OpenGL facts the adapters report, read once from a hidden window.
struct GfxGLInfo {
    bool ok = false;
    std::string renderer, vendor, version;
    int maxTextureSize = 0;
    int textureUnits = 0;
};
const GfxGLInfo& GfxQueryGLInfo();

} // namespace plat
