#include "platform/GfxSystem.h"

#include "platform/GfxDevice.h"
#include "platform/GfxGL.h"

#include <SDL.h>
#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cstring>

namespace plat {

namespace {

std::vector<GfxTestAdapter> g_testAdapters;
std::vector<GfxCreateAttempt> g_attempts;

bool UsingTestAdapters() { return !g_testAdapters.empty(); }

// The usual sizes offered below the desktop's.
constexpr uint32_t kCommonSizes[][2] = {
    {640, 480},   {800, 600},   {1024, 768},  {1152, 864},  {1280, 720},  {1280, 800},
    {1280, 960},  {1280, 1024}, {1360, 768},  {1366, 768},  {1440, 900},  {1600, 900},
    {1600, 1200}, {1680, 1050}, {1920, 1080}, {1920, 1200}, {2560, 1440}, {2560, 1600},
    {3840, 2160},
};

bool RealDesktop(uint32_t adapter, GfxDisplayMode* out)
{
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(static_cast<int>(adapter), &mode) != 0)
        return false;
    out->width = static_cast<uint32_t>(mode.w);
    out->height = static_cast<uint32_t>(mode.h);
    out->refreshRate = static_cast<uint32_t>(mode.refresh_rate);
    out->format = SDL_BITSPERPIXEL(mode.format) == 16 ? GfxFormat::R5G6B5 : GfxFormat::X8R8G8B8;
    return true;
}

std::vector<GfxDisplayMode> RealModes(uint32_t adapter)
{
    std::vector<GfxDisplayMode> modes;
    GfxDisplayMode desktop{};
    if (!RealDesktop(adapter, &desktop))
        return modes;
    auto add = [&](uint32_t w, uint32_t h) {
        for (uint32_t format : {GfxFormat::R5G6B5, GfxFormat::X8R8G8B8})
            modes.push_back({w, h, desktop.refreshRate, format});
    };
    bool desktopListed = false;
    for (const auto& size : kCommonSizes) {
        if (size[0] > desktop.width || size[1] > desktop.height)
            continue;
        add(size[0], size[1]);
        desktopListed |= size[0] == desktop.width && size[1] == desktop.height;
    }
    if (!desktopListed)
        add(desktop.width, desktop.height);
    return modes;
}

bool IsSupportedDepth(uint32_t format)
{
    return format == GfxFormat::D16 || format == GfxFormat::D24X8 || format == GfxFormat::D24S8
        || format == GfxFormat::D32;
}

bool Refused(uint32_t adapter, uint32_t format)
{
    if (!UsingTestAdapters())
        return false;
    const auto& refused = g_testAdapters[adapter].refusedFormats;
    return std::find(refused.begin(), refused.end(), format) != refused.end();
}

void CopyText(char (&dest)[512], const std::string& text)
{
    std::memset(dest, 0, sizeof dest);
    std::memcpy(dest, text.data(), std::min(text.size(), sizeof dest - 1));
}

} // namespace

void GfxSetGLAttributes()
{
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
}

void GfxPinGLDriver()
{
    // Only libraries not seen before are pinned, so calling this often is cheap.
    static std::vector<std::string> pinned;
    std::vector<std::string> drivers;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* out) {
            const char* name = info->dlpi_name;
            if (name && *name)
                static_cast<std::vector<std::string>*>(out)->push_back(name);
            return 0;
        },
        &drivers);
    for (const std::string& name : drivers) {
        if (std::find(pinned.begin(), pinned.end(), name) != pinned.end())
            continue;
        dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
        pinned.push_back(name);
    }
}

void SetGfxTestAdapters(std::vector<GfxTestAdapter> adapters)
{
    g_testAdapters = std::move(adapters);
    g_attempts.clear();
}

void ClearGfxTestAdapters()
{
    g_testAdapters.clear();
    g_attempts.clear();
}

const std::vector<GfxCreateAttempt>& GfxTestCreateAttempts() { return g_attempts; }

const GfxGLInfo& GfxQueryGLInfo()
{
    static GfxGLInfo info;
    static bool asked = false;
    if (asked)
        return info;
    asked = true;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return info;
    GfxSetGLAttributes();
    // Whatever context is current stays current afterwards.
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
    SDL_Window* window = SDL_CreateWindow("", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (context) {
        GfxPinGLDriver();
        auto text = [](GLenum name) {
            const auto* s = reinterpret_cast<const char*>(glGetString(name));
            return std::string(s ? s : "");
        };
        info.renderer = text(GL_RENDERER);
        info.vendor = text(GL_VENDOR);
        info.version = text(GL_VERSION);
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &info.maxTextureSize);
        glGetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS, &info.textureUnits);
        info.ok = !info.renderer.empty();
        SDL_GL_DeleteContext(context);
    }
    if (window)
        SDL_DestroyWindow(window);
    if (previousContext)
        SDL_GL_MakeCurrent(previousWindow, previousContext);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return info;
}

GfxSystem* GfxSystem::Create(uint32_t /*sdkVersion*/)
{
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return nullptr;
    if (!GfxQueryGLInfo().ok) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    auto* system = new GfxSystem;
    system->videoStarted_ = true;
    return system;
}

GfxSystem::~GfxSystem()
{
    if (videoStarted_)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

uint32_t GfxSystem::GetAdapterCount() const
{
    if (UsingTestAdapters())
        return static_cast<uint32_t>(g_testAdapters.size());
    const int displays = SDL_GetNumVideoDisplays();
    return displays > 0 ? static_cast<uint32_t>(displays) : 0;
}

int32_t GfxSystem::GetAdapterIdentifier(uint32_t adapter, uint32_t /*flags*/,
                                        GfxAdapterIdentifier* out) const
{
    if (!out || adapter >= GetAdapterCount())
        return GfxResult::InvalidCall;
    *out = {};
    const GfxGLInfo& gl = GfxQueryGLInfo();
    CopyText(out->driver, "OpenGL " + gl.version);
    CopyText(out->description,
             UsingTestAdapters() ? g_testAdapters[adapter].description : gl.renderer);
    return GfxResult::Ok;
}

int32_t GfxSystem::GetDeviceCaps(uint32_t adapter, uint32_t deviceType, GfxCaps* caps) const
{
    if (!caps || adapter >= GetAdapterCount())
        return GfxResult::InvalidCall;
    const GfxGLInfo& gl = GfxQueryGLInfo();
    *caps = {};
    caps->deviceType = deviceType;
    caps->adapterOrdinal = adapter;
    caps->caps2 = GfxCaps2Bits::CanRenderWindowed;
    caps->devCaps = GfxDevCapsBits::HwTransformAndLight;
    if (UsingTestAdapters()) {
        const GfxTestAdapter& test = g_testAdapters[adapter];
        caps->deviceType = deviceType == GfxDevType::Hal ? test.deviceType : deviceType;
        caps->caps2 = test.caps2;
        caps->devCaps = test.devCaps;
    }
    caps->presentationIntervals = GfxPresentInterval::One | GfxPresentInterval::Immediate;
    caps->maxTextureWidth = caps->maxTextureHeight = static_cast<uint32_t>(gl.maxTextureSize);
    caps->maxTextureRepeat = 8192;
    caps->maxTextureAspectRatio = static_cast<uint32_t>(gl.maxTextureSize);
    caps->maxTextureBlendStages = GfxMaxStages;
    caps->textureCaps = GfxTextureCapsBits::Projected;
    caps->rasterCaps = GfxRasterCapsBits::FogVertex | GfxRasterCapsBits::FogTable | GfxRasterCapsBits::ZBias
        | GfxRasterCapsBits::FogRange | GfxRasterCapsBits::WFog | GfxRasterCapsBits::ZFog;
    caps->stencilCaps = GfxStencilCapsAll;
    caps->maxSimultaneousTextures =
        std::min<uint32_t>(GfxMaxStages, static_cast<uint32_t>(std::max(gl.textureUnits, 1)));
    caps->maxActiveLights = GfxMaxActiveLights;
    caps->maxPrimitiveCount = 0xFFFFF;
    caps->maxVertexIndex = 0xFFFFFF;
    caps->maxStreams = GfxMaxStreams;
    caps->maxStreamStride = 255;
    caps->fvfCaps = 8; // texture sets per vertex
    return GfxResult::Ok;
}

uint32_t GfxSystem::GetAdapterModeCount(uint32_t adapter) const
{
    if (adapter >= GetAdapterCount())
        return 0;
    if (UsingTestAdapters())
        return static_cast<uint32_t>(g_testAdapters[adapter].modes.size());
    return static_cast<uint32_t>(RealModes(adapter).size());
}

int32_t GfxSystem::EnumAdapterModes(uint32_t adapter, uint32_t mode, GfxDisplayMode* out) const
{
    if (!out || adapter >= GetAdapterCount())
        return GfxResult::InvalidCall;
    const std::vector<GfxDisplayMode> modes =
        UsingTestAdapters() ? g_testAdapters[adapter].modes : RealModes(adapter);
    if (mode >= modes.size())
        return GfxResult::InvalidCall;
    *out = modes[mode];
    return GfxResult::Ok;
}

int32_t GfxSystem::GetAdapterDisplayMode(uint32_t adapter, GfxDisplayMode* out) const
{
    if (!out || adapter >= GetAdapterCount())
        return GfxResult::InvalidCall;
    if (UsingTestAdapters()) {
        if (g_testAdapters[adapter].desktopQueryFails)
            return GfxResult::NotAvailable;
        *out = g_testAdapters[adapter].desktop;
        return GfxResult::Ok;
    }
    return RealDesktop(adapter, out) ? GfxResult::Ok : GfxResult::NotAvailable;
}

int32_t GfxSystem::CheckDeviceFormat(uint32_t adapter, uint32_t deviceType, uint32_t adapterFormat,
                                     uint32_t usage, uint32_t resourceType,
                                     uint32_t checkFormat) const
{
    if (adapter >= GetAdapterCount())
        return GfxResult::InvalidCall;
    if (deviceType != GfxDevType::Hal || !GfxIsTargetFormat(adapterFormat))
        return GfxResult::NotAvailable;
    if (Refused(adapter, checkFormat))
        return GfxResult::NotAvailable;
    bool ok;
    if (usage & GfxUsage::DepthStencil)
        ok = IsSupportedDepth(checkFormat);
    else if (usage & GfxUsage::RenderTarget)
        ok = GfxIsTargetFormat(checkFormat);
    else
        ok = resourceType != GfxResourceType::VolumeTexture && GfxIsTextureFormat(checkFormat);
    return ok ? GfxResult::Ok : GfxResult::NotAvailable;
}

int32_t GfxSystem::CheckDepthStencilMatch(uint32_t adapter, uint32_t deviceType,
                                          uint32_t adapterFormat, uint32_t targetFormat,
                                          uint32_t depthFormat) const
{
    if (adapter >= GetAdapterCount())
        return GfxResult::InvalidCall;
    if (deviceType != GfxDevType::Hal || !GfxIsTargetFormat(adapterFormat)
        || !GfxIsTargetFormat(targetFormat) || !IsSupportedDepth(depthFormat)
        || Refused(adapter, depthFormat))
        return GfxResult::NotAvailable;
    return GfxResult::Ok;
}

int32_t GfxSystem::CreateDevice(uint32_t adapter, uint32_t deviceType, void* window,
                                uint32_t flags, GfxPresentParameters* params, GfxDevice** device)
{
    if (device)
        *device = nullptr;
    const uint32_t depth = params ? params->autoDepthStencilFormat : 0;
    auto finish = [&](int32_t result) {
        if (UsingTestAdapters())
            g_attempts.push_back({adapter, flags, depth, result});
        return result;
    };
    if (!params || !device || adapter >= GetAdapterCount())
        return finish(GfxResult::InvalidCall);
    if (deviceType != GfxDevType::Hal)
        return finish(GfxResult::NotAvailable);
    if (UsingTestAdapters() && g_testAdapters[adapter].failCreateDevice > 0) {
        --g_testAdapters[adapter].failCreateDevice;
        return finish(GfxResult::NotAvailable);
    }
    GfxDisplayMode desktop{};
    if (GetAdapterDisplayMode(adapter, &desktop) != GfxResult::Ok)
        return finish(GfxResult::NotAvailable);
    GfxPresentParameters p = *params;
    if (p.windowed) {
        if (p.backBufferFormat == GfxFormat::Unknown)
            p.backBufferFormat = desktop.format;
    } else {
        bool listed = false;
        for (uint32_t i = 0, n = GetAdapterModeCount(adapter); i < n; ++i) {
            GfxDisplayMode m{};
            EnumAdapterModes(adapter, i, &m);
            listed |= m.width == p.backBufferWidth && m.height == p.backBufferHeight
                && m.format == p.backBufferFormat;
        }
        if (!listed)
            return finish(GfxResult::InvalidCall);
    }
    if (!GfxIsTargetFormat(p.backBufferFormat))
        return finish(GfxResult::InvalidCall);
    if (p.enableAutoDepthStencil
        && (CheckDeviceFormat(adapter, deviceType, p.backBufferFormat, GfxUsage::DepthStencil,
                              GfxResourceType::Surface, p.autoDepthStencilFormat)
                != GfxResult::Ok
            || CheckDepthStencilMatch(adapter, deviceType, p.backBufferFormat,
                                      p.backBufferFormat, p.autoDepthStencilFormat)
                != GfxResult::Ok))
        return finish(GfxResult::InvalidCall);
    GfxCaps caps{};
    GetDeviceCaps(adapter, deviceType, &caps);
    const int32_t result = GfxDevice::Create(window, flags, p, caps, desktop, device);
    if (result == GfxResult::Ok)
        *params = (*device)->params_;
    return finish(result);
}

} // namespace plat
