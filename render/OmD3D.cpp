// The renderer object, device creation and the frame.
#include "render/OmD3D.h"

#include <algorithm>

#include <cstring>

#include "engine/OmMaterial.h"
#include "engine/OmMath.h"
#include "engine/OmMatrix3.h"
#include "engine/OmRef.h"
#include "engine/OmReport.h"
#include "engine/OmVector4.h"
#include "platform/CameraMatrix.h"
#include "platform/ImageFile.h"
#include "platform/GfxSprite.h"
#include "platform/PixelFormat.h"

using namespace plat;

bool OmD3D::s_initialised = false;

namespace {

GfxMatrix ToGfx(const OmMatrix4& m)
{
    GfxMatrix out;
    std::memcpy(&out, m.Data(), sizeof out);
    return out;
}

uint32_t ColourBits(uint32_t format)
{
    if (format == GfxFormat::R5G6B5 || format == GfxFormat::X1R5G5B5)
        return 16;
    if (format == GfxFormat::A8R8G8B8 || format == GfxFormat::X8R8G8B8)
        return 32;
    return 0;
}

} // namespace

OmD3D::OmD3D() = default;

OmD3D::~OmD3D()
{
    Shutdown();
    // Whatever the game left registered goes with the renderer.
    ReleaseAllMaterials();
    ReleaseAllTextures();
}

// ---- Initialise ------------------------------------------------------------

bool OmD3D::Initialise(const OmRendererSetup* setup)
{
    if (s_initialised) {
        OmTrace("--> OmD3D ERROR: Attempted to reinitialise OmD3D <--\n");
        return false;
    }
    m_window = setup ? setup->window : nullptr;
    const auto system = OmRef<GfxSystem>::Adopt(GfxSystem::Create(kSdkVersion));
    if (!system)
        return false;
    if (m_adapterCount == 0)
        EnumerateAdapters(system);
    std::memset(&m_params, 0, sizeof m_params);
    if (!ChooseDisplay(setup) || !FillPresentParameters(system)) {
        return false;
    }
    const int32_t result = CreateDevice(system, m_window);
    if (GfxFailed(result)) {
        OmTrace("--> OmD3D: Failed    <--\n");
        return false;
    }
    OmTrace("--> OmD3D: Success\n");
    SetUpNewDevice();
    if (result != GfxResult::Ok)
        return false;
    s_initialised = true;
    return true;
}

// Picks adapter and mode: the requested full-screen mode when the adapter
// lists it, else what the start-up dialog selected, else the desktop.
bool OmD3D::ChooseDisplay(const OmRendererSetup* setup)
{
    const OmDisplayRequest* request = setup ? setup->display : nullptr;
    if (request && request->windowed == 0) {
        if (request->adapter >= m_adapterCount) {
            ReportError("OmD3D: requested adapter %u, but there are %u", request->adapter, m_adapterCount);
        } else {
            const std::vector<GfxDisplayMode>& modes = m_adapters[request->adapter].modes;
            for (size_t i = 0; i < modes.size(); ++i) {
                const GfxDisplayMode& m = modes[i];
                const bool formatFits = request->bitsPerPixel == 16
                    ? m.format == GfxFormat::R5G6B5
                    : request->bitsPerPixel == 32 && (m.format == GfxFormat::A8R8G8B8 || m.format == GfxFormat::X8R8G8B8);
                if (m.width == request->width && m.height == request->height && formatFits
                    && (request->refreshRate == 0 || m.refreshRate == request->refreshRate)) {
                    m_selectedAdapter = static_cast<int32_t>(request->adapter);
                    m_selectedMode = static_cast<int32_t>(i);
                    break;
                }
            }
        }
    }
    if (m_selectedAdapter < 0)
        m_selectedAdapter = 0;
    if (static_cast<uint32_t>(m_selectedAdapter) >= m_adapterCount) {
        ReportError("OmD3D: no graphics adapter to use (%u found)", m_adapterCount);
        m_selectedAdapter = -1;
        return false;
    }
    const OmAdapterRecord& adapter = m_adapters[static_cast<uint32_t>(m_selectedAdapter)];
    if (m_selectedMode >= 0 && static_cast<size_t>(m_selectedMode) >= adapter.modes.size())
        m_selectedMode = -1; // chosen for another adapter
    return true;
}

bool OmD3D::FillPresentParameters(GfxSystem* system)
{
    const uint32_t adapter = static_cast<uint32_t>(m_selectedAdapter);
    GfxDisplayMode mode{};
    if (m_selectedMode < 0) {
        if (!(m_adapters[adapter].caps.caps2 & GfxCaps2Bits::CanRenderWindowed))
            return false;
        if (system->GetAdapterDisplayMode(adapter, &mode) != GfxResult::Ok)
            return false;
        m_params.windowed = 1;
    } else {
        mode = m_adapters[adapter].modes[static_cast<size_t>(m_selectedMode)];
        m_params.backBufferWidth = mode.width;
        m_params.backBufferHeight = mode.height;
        m_params.fullScreenRefreshRate = mode.refreshRate;
        m_params.fullScreenPresentationInterval = GfxPresentInterval::Immediate;
    }
    m_params.swapEffect = GfxSwap::Discard;
    m_params.backBufferFormat = mode.format;
    m_params.enableAutoDepthStencil = 1;
    m_params.deviceWindow = m_window;
    m_colourBits = ColourBits(mode.format);
    SelectDepthFormat(m_colourBits == 32 ? 1 : 0, system, mode);
    return true;
}

int32_t OmD3D::CreateDevice(GfxSystem* system, void* window)
{
    const uint32_t adapter = static_cast<uint32_t>(m_selectedAdapter);
    const bool hardware = (m_adapters[adapter].caps.devCaps & GfxDevCapsBits::HwTransformAndLight) != 0;
    const uint32_t flags = GfxCreate::FpuPreserve
        | (hardware ? GfxCreate::MixedVertexProcessing : GfxCreate::SoftwareVertexProcessing);
    OmTrace(hardware ? "--> OmD3D: Attempting Hal creation using hardware VP.  <--\n"
                   : "--> OmD3D: Attempting Hal creation using software VP.  <--\n");
    GfxPresentParameters params = m_params;
    int32_t result = system->CreateDevice(adapter, GfxDevType::Hal, window, flags, &params, &m_device);
    if (GfxFailed(result)) {
        OmTrace("--> OmD3D: CreateDevice failed - changing z-depth.  <--\n");
        GfxDisplayMode mode{m_params.backBufferWidth, m_params.backBufferHeight, 0, m_params.backBufferFormat};
        SelectDepthFormat(m_colourBits == 16 ? 1 : 0, system, mode);
        params = m_params;
        result = system->CreateDevice(adapter, GfxDevType::Hal, window, flags, &params, &m_device);
    }
    m_hardwareVP = hardware ? 1 : 0;
    if (!GfxFailed(result))
        m_params = params; // the device fills in the window's size for a windowed start
    return result;
}

void OmD3D::SetUpNewDevice()
{
    // The cache starts as the device is, so defaults equal to the device's
    // own values are skipped without leaving the two apart.
    for (uint32_t s = 0; s < kRenderStateCount; ++s)
        m_device->GetRenderState(s, &m_renderStates[s]);
    for (uint32_t stage = 0; stage < GfxMaxStages; ++stage) {
        for (uint32_t t = 1; t < kStageStateCount; ++t)
            m_device->GetTextureStageState(stage, t, &m_stageStates[stage][t]);
    }
    m_device->GetVertexShader(&m_vertexShader);
    InstallCachedSetters();
    SetDefaultRenderStates();
    SetDefaultMatrices();
    ReadBackBufferDesc();
    SetWorldMatrix(&OmMatrix4::Identity());
    SetViewMatrix(&OmMatrix4::Identity());
    SetProjectionMatrix(&OmMatrix4::Identity());
    m_viewport = GfxViewport{0, 0, m_backBuffer.width, m_backBuffer.height, 0.0f, 1.0f};
    RegisterMaterial(&OmMaterial::Default());
    CreateFont();
    CreateSpriteObject();
    m_debugLineBuffer = CreateVertexBuffer(GfxFvf::PosDiffuse, 2 * kMaxDebugLines, true, false, true);
    m_batch.CreateBuffers(1);
    if (!m_sorter)
        m_sorter = std::make_unique<OmD3DAlphaSorter>(*this);
    m_sorter->CreateBuffers();
    ProbeTextureFormats();
    ProbeModulate2x();
}

void OmD3D::ReadBackBufferDesc()
{
    OmRef<GfxSurface> surface;
    if (m_device->GetBackBuffer(0, GfxBackBufferMono, surface.Put()) == GfxResult::Ok && surface) {
        surface->GetDesc(&m_backBuffer);
    }
}

void OmD3D::ProbeTextureFormats()
{
    TextureLimits limits;
    const OmAdapterRecord* adapter = GetAdapter(static_cast<uint32_t>(m_selectedAdapter));
    if (adapter && adapter->caps.maxTextureWidth) {
        limits.maxWidth = adapter->caps.maxTextureWidth;
        limits.maxHeight = adapter->caps.maxTextureHeight;
    }
    auto keeps = [&](uint32_t format) {
        uint32_t w = 0, h = 0, levels = 0, f = format;
        return CheckTextureRequirements(w, h, levels, f, limits) && f == format;
    };
    if (keeps(GfxFormat::A8R8G8B8))
        m_alphaBits = 8;
    else if (keeps(GfxFormat::A4R4G4B4))
        m_alphaBits = 4;
    else if (keeps(GfxFormat::A1R5G5B5))
        m_alphaBits = 1;
    else
        m_alphaBits = 0;
}

void OmD3D::ProbeModulate2x()
{
    m_device->SetTextureStageState(0, GfxTss::ColorOp, GfxTop::Modulate2x);
    OmRef<GfxTexture> texture;
    m_canModulate2x = 0;
    if (m_device->CreateTexture(64, 64, 1, 0, GfxFormat::R5G6B5, GfxPool::Managed, texture.Put()) == GfxResult::Ok) {
        m_device->SetTexture(0, texture);
        uint32_t passes = 0;
        m_canModulate2x = m_device->ValidateDevice(&passes) == GfxResult::Ok && passes <= 1 ? 1 : 0;
    }
    m_device->SetTextureStageState(0, GfxTss::ColorOp, m_stageStates[0][GfxTss::ColorOp]);
    m_device->SetTexture(0, m_stageTextures[0]);
}

// ---- frame -------------------------------------------------------------------

bool OmD3D::BeginScene(float frameTime)
{
    if (!m_device)
        return false;
    const int32_t level = m_device->TestCooperativeLevel();
    if (level == GfxResult::DeviceNotReset) {
        if (m_releaseArmed) {
            ReleaseDeviceObjects();
            Reset();
        } else {
            m_releaseArmed = 1; // the reset comes on the next frame
        }
        return false;
    }
    if (GfxFailed(level))
        return false;
    m_renderPass = 1;
    m_frameTime = frameTime;
    m_stats.words[OmRenderStats::kPrimitives] = 0;
    m_stats.words[OmRenderStats::kAlphaPrimitives] = 0;
    m_stats.words[OmRenderStats::kTextureChanges] = 0;
    EmptyAlphaQueue();
    return !GfxFailed(m_device->BeginScene());
}

int32_t OmD3D::EndScene()
{
    // Whatever was queued for the alpha pass and not flushed by the frame's
    // owner is drawn now rather than lost.
    if (!m_alphaQueue.empty())
        FlushAlphaQueue();
    DrawDebugLines();
    for (uint32_t stage = 0; stage < GfxMaxStages; ++stage)
        SetTexture(stage, -1);
    m_releaseArmed = 0;
    return m_device ? m_device->EndScene() : GfxResult::Fail;
}

int32_t OmD3D::Present()
{
    return m_device ? m_device->Present(nullptr, nullptr, nullptr, nullptr) : GfxResult::Fail;
}

void OmD3D::Clear(const float* rect, uint32_t)
{
    if (!m_device)
        return;
    const uint32_t flags = GfxClear::Target | GfxClear::ZBuffer;
    if (!rect) {
        m_device->Clear(0, nullptr, flags, m_clearColour, 1.0f, 0);
        return;
    }
    const float w = static_cast<float>(m_backBuffer.width);
    const float h = static_cast<float>(m_backBuffer.height);
    const GfxRect r{static_cast<int32_t>(w * rect[0]), static_cast<int32_t>(h * rect[1]),
                    static_cast<int32_t>(w * rect[2]), static_cast<int32_t>(h * rect[3])};
    m_device->Clear(1, &r, flags, m_clearColour, 1.0f, 0);
}

void OmD3D::BeginKeptPass()
{
    if (m_device)
        m_device->BeginKeptPass();
}

void OmD3D::EndKeptPass()
{
    if (m_device)
        m_device->EndKeptPass();
}

void OmD3D::SetClearColour(const float* rgb)
{
    if (!rgb)
        return;
    m_clearColour = OmPackARGB(rgb[0], rgb[1], rgb[2], 1.0f);
}

void OmD3D::SetAmbientColour(float r, float g, float b)
{
    DispatchRenderState(GfxRs::Ambient, OmPackARGB(r, g, b, 1.0f));
}

int32_t OmD3D::BeginSprites() { return m_sprite ? m_sprite->Begin() : GfxResult::Fail; }

int32_t OmD3D::EndSprites() { return m_sprite ? m_sprite->End() : GfxResult::Fail; }

// ---- viewport and matrices -------------------------------------------------

int32_t OmD3D::SetViewport(const float* rect)
{
    if (!rect)
        return GfxResult::InvalidCall;
    const float w = static_cast<float>(m_backBuffer.width);
    const float h = static_cast<float>(m_backBuffer.height);
    m_viewport.x = static_cast<uint32_t>(w * rect[0]);
    m_viewport.y = static_cast<uint32_t>(h * rect[1]);
    m_viewport.width = static_cast<uint32_t>((rect[2] - rect[0]) * w);
    m_viewport.height = static_cast<uint32_t>((rect[3] - rect[1]) * h);
    m_viewport.minZ = 0.0f;
    m_viewport.maxZ = 1.0f;
    return m_device ? m_device->SetViewport(&m_viewport) : GfxResult::Fail;
}

GfxViewport* OmD3D::GetDeviceViewport(GfxViewport* out)
{
    *out = m_viewport;
    return out;
}

float* OmD3D::GetViewport(float* out)
{
    const float w = static_cast<float>(m_backBuffer.width ? m_backBuffer.width : 1);
    const float h = static_cast<float>(m_backBuffer.height ? m_backBuffer.height : 1);
    out[0] = static_cast<float>(m_viewport.x) / w;
    out[1] = static_cast<float>(m_viewport.y) / h;
    out[2] = static_cast<float>(m_viewport.x + m_viewport.width) / w;
    out[3] = static_cast<float>(m_viewport.y + m_viewport.height) / h;
    return out;
}

int32_t OmD3D::SetWorldMatrix(const OmMatrix4* matrix)
{
    m_world = *matrix;
    const GfxMatrix m = ToGfx(m_world);
    return m_device ? m_device->SetTransform(GfxTransform::World, &m) : GfxResult::Fail;
}

int32_t OmD3D::SetViewMatrix(const OmMatrix4* matrix)
{
    m_view = *matrix;
    const GfxMatrix m = ToGfx(m_view);
    return m_device ? m_device->SetTransform(GfxTransform::View, &m) : GfxResult::Fail;
}

int32_t OmD3D::SetProjectionMatrix(const OmMatrix4* matrix)
{
    m_projection = *matrix;
    const GfxMatrix m = ToGfx(m_projection);
    return m_device ? m_device->SetTransform(GfxTransform::Projection, &m) : GfxResult::Fail;
}

int32_t OmD3D::SetWorldTransform(const OmMatrix3* rotation, const OmVector3* translation, float scale)
{
    OmMatrix4 world;
    world.Compose(*rotation, *translation, scale);
    return SetWorldMatrix(&world);
}

int32_t OmD3D::SetViewAxes(const OmVector3* position, const OmVector3* right, const OmVector3* up,
                           const OmVector3* forward)
{
    OmMatrix4 v;
    const OmVector3* axes[3] = {right, up, forward};
    for (int col = 0; col < 3; ++col) {
        v.m[0 * 4 + col] = axes[col]->x;
        v.m[1 * 4 + col] = axes[col]->y;
        v.m[2 * 4 + col] = axes[col]->z;
        v.m[3 * 4 + col] = -axes[col]->Dot(*position);
    }
    v.m[3] = v.m[7] = v.m[11] = 0.0f;
    v.m[15] = 1.0f;
    return SetViewMatrix(&v);
}

int32_t OmD3D::SetProjection(const OmProjectionParams* p)
{
    OmMatrix4 m;
    std::memset(m.m, 0, sizeof m.m);
    const float q = 1.0f / (p->farDistance - p->nearDistance);
    if (p->orthographic) {
        m.m[0] = 1.0f / p->halfWidth;
        m.m[5] = 1.0f / p->halfHeight;
        m.m[10] = q;
        m.m[14] = -q * p->nearDistance;
        m.m[15] = 1.0f;
    } else {
        m.m[0] = p->nearDistance / p->halfWidth;
        m.m[5] = p->nearDistance / p->halfHeight;
        m.m[10] = q * p->farDistance;
        m.m[11] = 1.0f;
        m.m[14] = -q * p->nearDistance * p->farDistance;
    }
    return SetProjectionMatrix(&m);
}

void OmD3D::SetDefaultMatrices()
{
    float view[16], projection[16];
    const float eye[3] = {30.0f, 0.0f, 0.0f}, at[3] = {0.0f, 0.0f, 0.0f}, up[3] = {0.0f, 1.0f, 0.0f};
    MatrixLookAtLH(view, eye, at, up);
    MatrixPerspectiveFovLH(projection, OM_HALF_PI, 1.3333334f, 1.0f, 1000.0f);
    OmMatrix4 v, p;
    std::memcpy(v.m, view, sizeof view);
    std::memcpy(p.m, projection, sizeof projection);
    SetWorldMatrix(&OmMatrix4::Identity());
    SetViewMatrix(&v);
    SetProjectionMatrix(&p);
}

// ---- lost device, reset and shutdown -----------------------------------------

void OmD3D::UnbindBuffers()
{
    // The cache must never name a buffer that is about to go.
    for (uint32_t stream = 0; stream < GfxMaxStreams; ++stream) {
        GfxAssign(m_streams[stream], static_cast<GfxVertexBuffer*>(nullptr));
        m_strides[stream] = 0;
        if (m_device)
            m_device->SetStreamSource(stream, nullptr, 0);
    }
    GfxAssign(m_indexBuffer, static_cast<GfxIndexBuffer*>(nullptr));
    m_baseVertex = 0;
    if (m_device)
        m_device->SetIndices(nullptr, 0);
}

void OmD3D::ReleaseDeviceObjects()
{
    if (!m_releaseArmed || !m_device)
        return;
    UnbindBuffers();
    DeleteFont();
    for (auto& buffer : m_vertexBuffers) {
        if (buffer)
            buffer->ReleaseDeviceObject();
    }
    for (auto& buffer : m_indexBuffers) {
        if (buffer)
            buffer->ReleaseDeviceObject();
    }
    m_sprite = nullptr;
}

bool OmD3D::Reset()
{
    if (!m_device)
        return false;
    OmTrace("OmD3D: Reseting device");
    if (GfxFailed(m_device->Reset(&m_params))) {
        OmTrace("OmD3D:      Failed");
        return false;
    }
    OmTrace("OmD3D:      Success");
    ++m_resetCount;
    for (auto& buffer : m_vertexBuffers) {
        if (buffer)
            buffer->RestoreDeviceObject(m_device);
    }
    for (auto& buffer : m_indexBuffers) {
        if (buffer)
            buffer->RestoreDeviceObject(m_device);
    }
    CreateFont();
    CreateSpriteObject();
    for (uint32_t stream = 0; stream < 8; ++stream)
        SetD3DStreamSource(stream, nullptr, 0);
    SetIndices(-1, 0);
    RestoreDeviceState();
    const GfxMatrix world = ToGfx(m_world), view = ToGfx(m_view), projection = ToGfx(m_projection);
    m_device->SetTransform(GfxTransform::World, &world);
    m_device->SetTransform(GfxTransform::View, &view);
    m_device->SetTransform(GfxTransform::Projection, &projection);
    float fractions[4];
    GetViewport(fractions);
    ReadBackBufferDesc();
    SetViewport(fractions);
    m_releaseArmed = 1;
    return true;
}

void OmD3D::Shutdown()
{
    DeleteFont();
    m_batch.ReleaseBuffers();
    if (m_sorter)
        m_sorter->ReleaseBuffers();
    ReleaseBuffers();
    ReleaseAllDeviceTextures();
    m_sprite = nullptr;
    // Blocks and the cache give their references back while the device lives.
    m_stateBlocks.clear();
    m_recording = nullptr;
    UnbindBuffers();
    for (uint32_t stage = 0; stage < GfxMaxStages; ++stage) {
        GfxAssign(m_stageTextures[stage], static_cast<GfxTexture*>(nullptr));
        if (m_device)
            m_device->SetTexture(stage, nullptr);
    }
    if (m_device) {
        const uint32_t left = m_device->Release();
        if (left > 0) {
            OmTrace("--> OmD3D: Shutdown - device ref count non-zero");
            while (m_device->Release() > 0) {
            }
        }
        m_device = nullptr;
        s_initialised = false;
    }
}

// ---- loading-screen image ------------------------------------------------------

bool OmD3D::CopyTarget(GfxSurface* sourceColour, GfxSurface* sourceDepth, GfxSurface* destColour,
                       GfxSurface* destDepth)
{
    return m_device && !GfxFailed(m_device->CopyTarget(sourceColour, sourceDepth, destColour, destDepth));
}

void OmD3D::SetScissorRect(const GfxRect* rect)
{
    if (m_device)
        m_device->SetScissorRect(rect);
}

void OmD3D::ShowImageFile(const char* fileName)
{
    if (!m_device || !fileName)
        return;
    OmRef<GfxSurface> back;
    if (m_device->GetBackBuffer(0, GfxBackBufferMono, back.Put()) != GfxResult::Ok || !back)
        return;
    GfxSurfaceDesc desc{};
    back->GetDesc(&desc);
    OmRef<GfxSurface> image;
    Image picture;
    std::string error;
    if (m_device->CreateImageSurface(desc.width, desc.height, desc.format, image.Put()) == GfxResult::Ok
        && LoadImageFile(fileName, picture, nullptr, &error)) {
        const uint32_t filter = 0xF0003; // linear, mirrored edges, dithered
        const Image scaled = ScaleImage(picture, desc.width, desc.height, filter);
        GfxLockedRect locked{};
        if (image->LockRect(&locked, nullptr, 0) == GfxResult::Ok) {
            const bool written = WriteImageRows(scaled, desc.format, locked.bits,
                                                static_cast<size_t>(locked.pitch), true);
            image->UnlockRect();
            if (written && m_device->CopyRects(image, nullptr, 0, back, nullptr) == GfxResult::Ok)
                Present();
        }
    } else if (!error.empty()) {
        ReportError("%s", error.c_str());
    }
}
