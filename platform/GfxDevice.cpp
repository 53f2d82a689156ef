#include "platform/GfxDeviceImpl.h"

#include "platform/DebugOutput.h"
#include "platform/FullScreen.h"
#include "platform/GfxGammaPass.h"
#include "platform/WindowRect.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace plat {

namespace {

uint32_t FloatBits(float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

} // namespace

GLenum GfxDepthFormatOf(uint32_t format)
{
    switch (format) {
    case GfxFormat::D16: return GL_DEPTH_COMPONENT16;
    case GfxFormat::D24X8: return GL_DEPTH_COMPONENT24;
    case GfxFormat::D24S8: return GL_DEPTH24_STENCIL8;
    case GfxFormat::D32: return GL_DEPTH_COMPONENT32;
    default: return 0;
    }
}

GfxTargetFormat GfxTargetFormatOf(uint32_t format)
{
    switch (format) {
    case GfxFormat::R5G6B5: return {GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, false};
    case GfxFormat::X1R5G5B5: return {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, true};
    case GfxFormat::A8R8G8B8: return {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, false};
    default: return {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, true};
    }
}

uint64_t GfxVertexCountOf(uint32_t type, uint32_t n)
{
    const uint64_t count = n;
    switch (type) {
    case GfxPrimitive::PointList: return count;
    case GfxPrimitive::LineList: return 2 * count;
    case GfxPrimitive::LineStrip: return count + 1;
    case GfxPrimitive::TriangleList: return 3 * count;
    case GfxPrimitive::TriangleStrip:
    case GfxPrimitive::TriangleFan: return count + 2;
    default: return 0;
    }
}

GLenum GfxGLPrimitive(uint32_t type)
{
    switch (type) {
    case GfxPrimitive::PointList: return GL_POINTS;
    case GfxPrimitive::LineList: return GL_LINES;
    case GfxPrimitive::LineStrip: return GL_LINE_STRIP;
    case GfxPrimitive::TriangleStrip: return GL_TRIANGLE_STRIP;
    case GfxPrimitive::TriangleFan: return GL_TRIANGLE_FAN;
    default: return GL_TRIANGLES;
    }
}

GfxColorValue GfxUnpackColor(uint32_t argb)
{
    return {((argb >> 16) & 0xFF) / 255.0f, ((argb >> 8) & 0xFF) / 255.0f, (argb & 0xFF) / 255.0f,
            ((argb >> 24) & 0xFF) / 255.0f};
}

uint32_t GfxPackColor(const GfxColorValue& c)
{
    auto byte = [](float v) {
        return static_cast<uint32_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
    };
    return byte(c.a) << 24 | byte(c.r) << 16 | byte(c.g) << 8 | byte(c.b);
}

float GfxAsFloat(uint32_t bits)
{
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

GfxDevice::GfxDevice()
    : gl_(std::make_unique<Gl>())
    , state_(std::make_unique<State>())
{
    for (int i = 0; i < 256; ++i)
        gamma_.red[i] = gamma_.green[i] = gamma_.blue[i] = static_cast<uint16_t>(i * 257);
}

int32_t GfxDevice::Create(void* window, uint32_t flags, const GfxPresentParameters& params,
                          const GfxCaps& caps, const GfxDisplayMode& desktop, GfxDevice** out)
{
    auto* device = new GfxDevice;
    device->caps_ = caps;
    device->desktop_ = desktop;
    const int32_t result = device->Init(window, flags, params);
    if (result != GfxResult::Ok) {
        device->Release();
        return result;
    }
    *out = device;
    return GfxResult::Ok;
}

int32_t GfxDevice::Init(void* window, uint32_t /*flags*/, const GfxPresentParameters& params)
{
    params_ = params;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return GfxResult::NotAvailable;
    GfxSetGLAttributes();
    gl_->window = static_cast<SDL_Window*>(window);
    if (!gl_->window) {
        const int w = params.backBufferWidth ? static_cast<int>(params.backBufferWidth) : 640;
        const int h = params.backBufferHeight ? static_cast<int>(params.backBufferHeight) : 480;
        gl_->window = SDL_CreateWindow("", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, w, h,
                                       SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        gl_->ownWindow = gl_->window != nullptr;
    } else if (!params.windowed) {
        const ScreenMode shown = EnterFullScreen(
            gl_->window, {static_cast<int>(params.backBufferWidth), static_cast<int>(params.backBufferHeight),
                          static_cast<int>(params.fullScreenRefreshRate)});
        const bool switched = shown.width == static_cast<int>(params.backBufferWidth)
            && shown.height == static_cast<int>(params.backBufferHeight);
        screen_ = GfxDisplayMode{static_cast<uint32_t>(shown.width), static_cast<uint32_t>(shown.height),
                                 static_cast<uint32_t>(shown.refreshRate),
                                 switched ? params.backBufferFormat : desktop_.format};
    }
    if (!gl_->window)
        return GfxResult::NotAvailable;
    gl_->context = SDL_GL_CreateContext(gl_->window);
    if (!gl_->context) {
        DebugOutput(std::string("Graphics device: no OpenGL context: ") + SDL_GetError() + "\n");
        return GfxResult::NotAvailable;
    }
    SDL_GL_MakeCurrent(gl_->window, gl_->context);
    GfxPinGLDriver();
    SDL_GL_SetSwapInterval(params.fullScreenPresentationInterval == GfxPresentInterval::One ? 1 : 0);
    if (params_.windowed && (params_.backBufferWidth == 0 || params_.backBufferHeight == 0)) {
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(gl_->window, &w, &h);
        params_.backBufferWidth = static_cast<uint32_t>(std::max(w, 1));
        params_.backBufferHeight = static_cast<uint32_t>(std::max(h, 1));
    }
    if (params_.backBufferCount == 0)
        params_.backBufferCount = 1;
    // A flat-shaded triangle takes the colours of its first vertex.
    glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    glGenVertexArrays(1, &gl_->vao);
    glBindVertexArray(gl_->vao);
    glGenBuffers(1, &gl_->vbo);
    glGenBuffers(1, &gl_->ibo);
    glGenSamplers(GfxMaxStages, gl_->samplers);
    const uint32_t white = 0xFFFFFFFF;
    glGenTextures(1, &gl_->white);
    glBindTexture(GL_TEXTURE_2D, gl_->white);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, &white);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    if (!CreateTargets())
        return GfxResult::NotAvailable;
    SetDefaultState();
    return GfxResult::Ok;
}

bool GfxDevice::CreateTargets()
{
    width_ = params_.backBufferWidth;
    height_ = params_.backBufferHeight;
    const GfxTargetFormat f = GfxTargetFormatOf(params_.backBufferFormat);
    gl_->readFormat = f.format;
    gl_->readType = f.type;
    glGenTextures(1, &gl_->backColor);
    glBindTexture(GL_TEXTURE_2D, gl_->backColor);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(f.internal), static_cast<GLsizei>(width_),
                 static_cast<GLsizei>(height_), 0, f.format, f.type, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glGenFramebuffers(1, &gl_->backFbo);
    glBindFramebuffer(GL_FRAMEBUFFER, gl_->backFbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, gl_->backColor, 0);
    const GLenum depth = params_.enableAutoDepthStencil
        ? GfxDepthFormatOf(params_.autoDepthStencilFormat) : 0;
    if (depth) {
        glGenRenderbuffers(1, &gl_->backDepth);
        glBindRenderbuffer(GL_RENDERBUFFER, gl_->backDepth);
        glRenderbufferStorage(GL_RENDERBUFFER, depth, static_cast<GLsizei>(width_),
                              static_cast<GLsizei>(height_));
        const GLenum attach =
            depth == GL_DEPTH24_STENCIL8 ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT;
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, attach, GL_RENDERBUFFER, gl_->backDepth);
    }
    const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glGenTextures(1, &gl_->frontColor);
    glBindTexture(GL_TEXTURE_2D, gl_->frontColor);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(width_),
                 static_cast<GLsizei>(height_), 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glGenFramebuffers(1, &gl_->frontFbo);
    glBindFramebuffer(GL_FRAMEBUFFER, gl_->frontFbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, gl_->frontColor, 0);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glBindFramebuffer(GL_FRAMEBUFFER, gl_->backFbo);
    if (!complete) {
        DebugOutput("Graphics device: the back buffer cannot be rendered to\n");
        return false;
    }
    backBuffer_ = new GfxSurface(this, width_, height_, params_.backBufferFormat);
    if (gl_->backDepth) {
        // The device's own depth buffer: its renderbuffer is the device's.
        autoDepth_ = new GfxSurface(nullptr, width_, height_, params_.autoDepthStencilFormat);
        autoDepth_->glName = gl_->backDepth;
    }
    GfxAssign(target_, backBuffer_);
    GfxAssign(depth_, autoDepth_);
    targetWidth_ = width_;
    targetHeight_ = height_;
    gl_->currentFbo = gl_->backFbo;
    ForgetGLState();
    presented_ = false;
    return true;
}

void GfxDevice::DestroyTargets()
{
    DropKeptPicture();
    GfxAssign(target_, static_cast<GfxSurface*>(nullptr));
    GfxAssign(depth_, static_cast<GfxSurface*>(nullptr));
    if (autoDepth_) {
        autoDepth_->glName = 0;
        autoDepth_->Release();
        autoDepth_ = nullptr;
    }
    if (gl_->targetFbo) {
        glDeleteFramebuffers(1, &gl_->targetFbo);
        gl_->targetFbo = 0;
    }
    if (gl_->copyReadFbo) {
        glDeleteFramebuffers(1, &gl_->copyReadFbo);
        glDeleteFramebuffers(1, &gl_->copyDrawFbo);
        gl_->copyReadFbo = gl_->copyDrawFbo = 0;
    }
    if (backBuffer_) {
        backBuffer_->DetachDevice();
        backBuffer_->Release();
        backBuffer_ = nullptr;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &gl_->backFbo);
    glDeleteFramebuffers(1, &gl_->frontFbo);
    glDeleteTextures(1, &gl_->backColor);
    glDeleteTextures(1, &gl_->frontColor);
    if (gl_->backDepth)
        glDeleteRenderbuffers(1, &gl_->backDepth);
    gl_->backFbo = gl_->frontFbo = gl_->backColor = gl_->frontColor = gl_->backDepth = 0;
    gl_->targetColour = gl_->targetDepth = 0;
    ForgetGLState();
}

GfxDevice::~GfxDevice()
{
    DropBatch();
    State& s = *state_;
    for (auto& texture : s.textures)
        GfxAssign(texture, static_cast<GfxTexture*>(nullptr));
    for (auto& stream : s.streams)
        GfxAssign(stream, static_cast<GfxVertexBuffer*>(nullptr));
    GfxAssign(s.indices, static_cast<GfxIndexBuffer*>(nullptr));
    blocks_.clear();
    if (gl_->context) {
        SDL_GL_MakeCurrent(gl_->window, gl_->context);
        GfxPinGLDriver();
        DestroyTargets();
        for (GfxTexture* texture : textures_) {
            if (texture->glName)
                glDeleteTextures(1, &texture->glName);
            texture->DetachDevice();
        }
        for (GfxSurface* surface : depthSurfaces_) {
            if (surface->glName)
                glDeleteRenderbuffers(1, &surface->glName);
            surface->glName = 0;
            surface->DetachDevice();
        }
        for (auto& entry : gl_->programs)
            if (entry.second.id)
                glDeleteProgram(entry.second.id);
        glDeleteSamplers(GfxMaxStages, gl_->samplers);
        glDeleteTextures(1, &gl_->white);
        glDeleteBuffers(1, &gl_->vbo);
        glDeleteBuffers(1, &gl_->ibo);
        glDeleteVertexArrays(1, &gl_->vao);
        gammaPass_.reset();
        SDL_GL_DeleteContext(gl_->context);
    } else if (backBuffer_) {
        backBuffer_->DetachDevice();
        backBuffer_->Release();
    }
    if (gl_->ownWindow)
        SDL_DestroyWindow(gl_->window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void GfxDevice::SetDefaultState()
{
    State& s = *state_;
    std::fill(std::begin(s.rs), std::end(s.rs), 0u);
    uint32_t* rs = s.rs;
    rs[GfxRs::ZEnable] = params_.enableAutoDepthStencil ? GfxZb::True : GfxZb::False;
    rs[GfxRs::FillMode] = GfxFill::Solid;
    rs[GfxRs::ShadeMode] = 2;
    rs[GfxRs::ZWriteEnable] = 1;
    rs[GfxRs::LastPixel] = 1;
    rs[GfxRs::SrcBlend] = GfxBlend::One;
    rs[GfxRs::DestBlend] = GfxBlend::Zero;
    rs[GfxRs::CullMode] = GfxCull::Ccw;
    rs[GfxRs::ZFunc] = GfxCmp::LessEqual;
    rs[GfxRs::AlphaFunc] = GfxCmp::Always;
    rs[GfxRs::FogDensity] = FloatBits(1.0f);
    rs[GfxRs::FogEnd] = FloatBits(1.0f);
    rs[GfxRs::StencilFail] = rs[GfxRs::StencilZFail] = rs[GfxRs::StencilPass] = 1;
    rs[GfxRs::StencilFunc] = GfxCmp::Always;
    rs[GfxRs::StencilMask] = rs[GfxRs::StencilWriteMask] = 0xFFFFFFFF;
    rs[GfxRs::TextureFactor] = 0xFFFFFFFF;
    rs[GfxRs::Clipping] = 1;
    rs[GfxRs::Lighting] = 1;
    rs[GfxRs::ColorVertex] = 1;
    rs[GfxRs::LocalViewer] = 1;
    rs[GfxRs::DiffuseMaterialSource] = GfxMcs::Color1;
    rs[GfxRs::SpecularMaterialSource] = GfxMcs::Color2;
    rs[GfxRs::PointSize] = rs[GfxRs::PointSizeMin] = FloatBits(1.0f);
    rs[GfxRs::PointSizeMax] = FloatBits(64.0f);
    rs[GfxRs::PointScaleA] = FloatBits(1.0f);
    rs[GfxRs::MultisampleAntialias] = 1;
    rs[GfxRs::MultisampleMask] = 0xFFFFFFFF;
    rs[GfxRs::ColorWriteEnable] = 0xF;
    rs[GfxRs::BlendOp] = GfxBlendOp::Add;
    for (uint32_t st = 0; st < GfxMaxStages; ++st) {
        uint32_t* t = s.tss[st];
        std::fill(t, t + GfxTss::Count, 0u);
        t[GfxTss::ColorOp] = st == 0 ? GfxTop::Modulate : GfxTop::Disable;
        t[GfxTss::ColorArg1] = GfxTa::Texture;
        t[GfxTss::ColorArg2] = GfxTa::Current;
        t[GfxTss::AlphaOp] = st == 0 ? GfxTop::SelectArg1 : GfxTop::Disable;
        t[GfxTss::AlphaArg1] = GfxTa::Texture;
        t[GfxTss::AlphaArg2] = GfxTa::Current;
        t[GfxTss::TexCoordIndex] = st;
        t[GfxTss::AddressU] = t[GfxTss::AddressV] = t[GfxTss::AddressW] = GfxAddress::Wrap;
        t[GfxTss::MagFilter] = t[GfxTss::MinFilter] = GfxFilter::Point;
        t[GfxTss::MaxAnisotropy] = 1;
        t[GfxTss::ColorArg0] = t[GfxTss::AlphaArg0] = t[GfxTss::ResultArg] = GfxTa::Current;
        GfxAssign(s.textures[st], static_cast<GfxTexture*>(nullptr));
        s.texture[st] = GfxIdentityMatrix();
    }
    s.world = s.view = s.proj = GfxIdentityMatrix();
    s.material = {};
    s.lights.clear();
    s.viewport = {0, 0, targetWidth_, targetHeight_, 0.0f, 1.0f};
    s.fvf = 0;
    for (uint32_t i = 0; i < GfxMaxStreams; ++i) {
        GfxAssign(s.streams[i], static_cast<GfxVertexBuffer*>(nullptr));
        s.strides[i] = 0;
    }
    GfxAssign(s.indices, static_cast<GfxIndexBuffer*>(nullptr));
    s.baseVertex = 0;
    s.scissorOn = false;
    s.scissor = {};
}

int32_t GfxDevice::TestCooperativeLevel() const { return forcedLevel_; }

int32_t GfxDevice::Reset(GfxPresentParameters* params)
{
    FlushBatch();
    if (!params)
        return GfxResult::InvalidCall;
    if (forcedLevel_ == GfxResult::DeviceLost)
        return GfxResult::DeviceLost;
    if (failResets_ > 0) {
        --failResets_;
        forcedLevel_ = GfxResult::DeviceNotReset;
        return GfxResult::DeviceLost;
    }
    GfxPresentParameters p = *params;
    if (p.windowed && p.backBufferFormat == GfxFormat::Unknown)
        p.backBufferFormat = desktop_.format;
    if (p.windowed && (p.backBufferWidth == 0 || p.backBufferHeight == 0)) {
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(gl_->window, &w, &h);
        p.backBufferWidth = static_cast<uint32_t>(std::max(w, 1));
        p.backBufferHeight = static_cast<uint32_t>(std::max(h, 1));
    }
    if (p.backBufferCount == 0)
        p.backBufferCount = 1;
    p.deviceWindow = params_.deviceWindow;
    inScene_ = false;
    DestroyTargets();
    params_ = p;
    if (!CreateTargets()) {
        forcedLevel_ = GfxResult::DeviceNotReset;
        return GfxResult::DeviceLost;
    }
    SetDefaultState();
    forcedLevel_ = GfxResult::Ok;
    *params = params_;
    return GfxResult::Ok;
}

int32_t GfxDevice::BeginScene()
{
    Count(GfxCall::BeginScene);
    if (inScene_)
        return GfxResult::InvalidCall;
    inScene_ = true;
    return GfxResult::Ok;
}

int32_t GfxDevice::EndScene()
{
    FlushBatch();
    Count(GfxCall::EndScene);
    if (!inScene_)
        return GfxResult::InvalidCall;
    inScene_ = false;
    glFlush();
    ReportGLErrors("EndScene");
    return GfxResult::Ok;
}

int32_t GfxDevice::Present(const GfxRect* source, const GfxRect* dest, void* window,
                           const void* dirty)
{
    FlushBatch();
    Count(GfxCall::Present);
    if (source || dest || window || dirty)
        return GfxResult::InvalidCall;
    PresentKeptPass();
    if (forcedLevel_ != GfxResult::Ok)
        return GfxResult::DeviceLost;
    if (gammaUntried_ && SDL_GetKeyboardFocus() == gl_->window)
        ShowGammaRamp();
    const GLint w = static_cast<GLint>(width_), h = static_cast<GLint>(height_);
    glDisable(GL_SCISSOR_TEST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, gl_->backFbo);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, gl_->frontFbo);
    glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    BlitToWindow();
    SDL_GL_SwapWindow(gl_->window);
    BindTarget();
    ForgetGLState();
    presented_ = true;
    ReportGLErrors("Present");
    return GfxResult::Ok;
}

GfxRect GfxDevice::ShownRect() const
{
    int ww = 0, wh = 0;
    SDL_GL_GetDrawableSize(gl_->window, &ww, &wh);
    return ShownPictureRect(gl_->window, ww, wh, width_, height_);
}

void GfxDevice::BlitToWindow()
{
    int ww = 0, wh = 0;
    SDL_GL_GetDrawableSize(gl_->window, &ww, &wh);
    const GfxRect r = ShownRect();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, gl_->frontFbo);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    if (gammaDrawn_ && DrawThroughGammaRamp(r, wh))
        return;
    // The image is stored top row first; the window wants the bottom row first.
    glBlitFramebuffer(0, 0, static_cast<GLint>(width_), static_cast<GLint>(height_), r.left,
                      wh - r.top, r.right, wh - r.bottom, GL_COLOR_BUFFER_BIT, GL_LINEAR);
}

bool GfxDevice::DrawThroughGammaRamp(const GfxRect& shown, int windowHeight)
{
    if (!gammaPass_)
        gammaPass_ = std::make_unique<GfxGammaPass>();
    if (!gammaPass_->Ready())
        return false;
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glDisable(GL_STENCIL_TEST);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glViewport(shown.left, windowHeight - shown.bottom, shown.right - shown.left, shown.bottom - shown.top);
    glBindSampler(0, 0);
    glBindSampler(1, 0);
    gammaPass_->Draw(gl_->frontColor, gamma_);
    // The drawing's own program, vertex array and samplers come back; the
    // rest is sent again with the next draw (Present forgets it).
    glBindSampler(0, gl_->samplers[0]);
    glBindSampler(1, gl_->samplers[1]);
    glBindVertexArray(gl_->vao);
    glUseProgram(0);
    gl_->usedProgram = 0;
    return true;
}

int32_t GfxDevice::Clear(uint32_t count, const GfxRect* rects, uint32_t flags, uint32_t color,
                         float z, uint32_t stencil)
{
    Count(GfxCall::Clear);
    const bool valid =
        (count == 0 || rects) && !(flags & ~(GfxClear::Target | GfxClear::ZBuffer | GfxClear::Stencil));
    if (valid && HoldClear(count, flags, color, z, stencil))
        return GfxResult::Ok;
    FlushBatch();
    if (!valid)
        return GfxResult::InvalidCall;
    ClearNow(count, rects, flags, color, z, stencil);
    return GfxResult::Ok;
}

void GfxDevice::ClearNow(uint32_t count, const GfxRect* rects, uint32_t flags, uint32_t color, float z,
                         uint32_t stencil)
{
    const GfxViewport& vp = state_->viewport;
    const GfxRect view{static_cast<int32_t>(vp.x), static_cast<int32_t>(vp.y),
                       static_cast<int32_t>(vp.x + vp.width), static_cast<int32_t>(vp.y + vp.height)};
    const GfxColorValue c = GfxUnpackColor(color);
    BindTarget();
    glClearColor(c.r, c.g, c.b, c.a);
    glClearDepth(std::clamp(z, 0.0f, 1.0f));
    glClearStencil(static_cast<GLint>(stencil));
    // Clearing ignores the write masks of drawing.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glStencilMask(0xFFFFFFFFu);
    GLbitfield mask = 0;
    if (flags & GfxClear::Target)
        mask |= GL_COLOR_BUFFER_BIT;
    if (flags & GfxClear::ZBuffer)
        mask |= GL_DEPTH_BUFFER_BIT;
    if (flags & GfxClear::Stencil)
        mask |= GL_STENCIL_BUFFER_BIT;
    glEnable(GL_SCISSOR_TEST);
    const uint32_t n = count ? count : 1;
    for (uint32_t i = 0; i < n; ++i) {
        // Clearing never reaches outside the viewport.
        GfxRect r = count ? rects[i] : view;
        r.left = std::max(r.left, view.left);
        r.top = std::max(r.top, view.top);
        r.right = std::min(r.right, view.right);
        r.bottom = std::min(r.bottom, view.bottom);
        if (r.right <= r.left || r.bottom <= r.top)
            continue;
        glScissor(r.left, r.top, r.right - r.left, r.bottom - r.top);
        glClear(mask);
        if ((flags & GfxClear::Target) && target_ != backBuffer_)
            NoteCleared(r, r.left == 0 && r.top == 0 && uint32_t(r.right) == targetWidth_
                               && uint32_t(r.bottom) == targetHeight_);
    }
    glDisable(GL_SCISSOR_TEST);
    ForgetGLState(); // the masks and the clip are the clear's now
}

int32_t GfxDevice::GetDeviceCaps(GfxCaps* caps) const
{
    if (!caps)
        return GfxResult::InvalidCall;
    *caps = caps_;
    return GfxResult::Ok;
}

int32_t GfxDevice::GetDisplayMode(GfxDisplayMode* mode) const
{
    if (!mode)
        return GfxResult::InvalidCall;
    if (params_.windowed)
        *mode = desktop_;
    else if (screen_.width > 0)
        *mode = screen_; // what the display shows, the desktop's mode when the picture is scaled
    else
        *mode = GfxDisplayMode{width_, height_, params_.fullScreenRefreshRate, params_.backBufferFormat};
    return GfxResult::Ok;
}

int32_t GfxDevice::ResourceManagerDiscardBytes(uint32_t /*bytes*/)
{
    // Managed textures keep their pixels in memory: dropping the OpenGL
    // copies is enough, they are made again when next drawn.
    for (GfxTexture* texture : textures_) {
        if (texture->Pool() == GfxPool::Managed && texture->glName) {
            glDeleteTextures(1, &texture->glName);
            texture->glName = 0;
            texture->dirty = true;
        }
    }
    ForgetGLState(); // a deleted name may come back for another texture
    return GfxResult::Ok;
}

void GfxDevice::SetGammaRamp(uint32_t /*flags*/, const GfxGammaRamp* ramp)
{
    if (!ramp)
        return;
    gamma_ = *ramp;
    ShowGammaRamp();
}

// Only a full-screen window may change what the display shows. A display
// that takes no ramp (Wayland's never does, X's only through a colour map)
// is shown the picture drawn through it instead.
void GfxDevice::ShowGammaRamp()
{
    gammaDrawn_ = gammaUntried_ = false;
    if (!gl_->window || !(SDL_GetWindowFlags(gl_->window) & SDL_WINDOW_FULLSCREEN))
        return;
    // SDL keeps the ramp of a window without the keyboard until it has it,
    // and then says nothing of a display that refuses it: the ramp is given
    // again at the first frame shown with the keyboard.
    const bool focused = SDL_GetKeyboardFocus() == gl_->window;
    const bool refused =
        displayRefusesGamma_ || SDL_SetWindowGammaRamp(gl_->window, gamma_.red, gamma_.green, gamma_.blue) != 0;
    gammaUntried_ = !refused && !focused;
    gammaDrawn_ = refused && !GfxGammaPass::IsNeutral(gamma_);
    if (refused && !gammaRefusalSaid_) {
        gammaRefusalSaid_ = true;
        DebugOutput(std::string("Graphics device: the display takes no gamma ramp (")
                    + (displayRefusesGamma_ ? "the device was told so" : SDL_GetError())
                    + "); the picture is drawn through it\n");
    }
}

void GfxDevice::GetGammaRamp(GfxGammaRamp* ramp) const
{
    if (ramp)
        *ramp = gamma_;
}

int32_t GfxDevice::GetBackBuffer(uint32_t index, uint32_t /*type*/, GfxSurface** surface)
{
    if (!surface || index != 0 || !backBuffer_)
        return GfxResult::InvalidCall;
    backBuffer_->AddRef();
    *surface = backBuffer_;
    return GfxResult::Ok;
}

int32_t GfxDevice::CreateImageSurface(uint32_t width, uint32_t height, uint32_t format,
                                      GfxSurface** surface)
{
    if (!surface || width == 0 || height == 0 || GfxFormatBytes(format) == 0)
        return GfxResult::InvalidCall;
    *surface = new GfxSurface(width, height, format, GfxPool::SystemMem, 0, nullptr);
    return GfxResult::Ok;
}

int32_t GfxDevice::CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                                 uint32_t format, uint32_t pool, GfxTexture** texture)
{
    if (!texture)
        return GfxResult::InvalidCall;
    *texture = nullptr;
    const uint32_t maxSize = caps_.maxTextureWidth ? caps_.maxTextureWidth : 2048;
    if (width == 0 || height == 0 || width > maxSize || height > maxSize)
        return GfxResult::InvalidCall;
    if (!GfxIsTextureFormat(format))
        return GfxResult::InvalidCall;
    if ((usage & GfxUsage::RenderTarget)
        && (pool != GfxPool::Default || !GfxIsTargetFormat(format)))
        return GfxResult::InvalidCall;
    auto* t = new GfxTexture(this, width, height, (usage & GfxUsage::RenderTarget) ? 1 : levels, usage,
                             format, pool);
    textures_.insert(t);
    *texture = t;
    return GfxResult::Ok;
}

void GfxDevice::ForgetTexture(GfxTexture* texture)
{
    textures_.erase(texture);
    if (texture->glName) {
        glDeleteTextures(1, &texture->glName);
        // A deleted name may come back for another texture: nothing may be
        // taken as bound or attached by it.
        if (gl_->targetColour == texture->glName)
            gl_->targetColour = 0;
        ForgetGLState();
    }
    texture->glName = 0;
}

int32_t GfxDevice::CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, uint32_t pool,
                                      GfxVertexBuffer** buffer)
{
    if (!buffer)
        return GfxResult::InvalidCall;
    *buffer = nullptr;
    if (length == 0 || (fvf && length < GfxFvfVertexSize(fvf)))
        return GfxResult::InvalidCall;
    *buffer = new GfxVertexBuffer(length, usage, fvf, pool);
    return GfxResult::Ok;
}

int32_t GfxDevice::CreateIndexBuffer(uint32_t length, uint32_t usage, uint32_t format,
                                     uint32_t pool, GfxIndexBuffer** buffer)
{
    if (!buffer)
        return GfxResult::InvalidCall;
    *buffer = nullptr;
    if (length < 2 || (format != GfxFormat::Index16 && format != GfxFormat::Index32))
        return GfxResult::InvalidCall;
    *buffer = new GfxIndexBuffer(length, usage, format, pool);
    return GfxResult::Ok;
}

void GfxDevice::ReportGLErrors(const char* where)
{
    // OpenGL errors mean the device used OpenGL wrongly: say so on the
    // developer's channel rather than let a picture silently go wrong.
    for (int i = 0; i < 8; ++i) {
        const GLenum error = glGetError();
        if (error == GL_NO_ERROR)
            return;
        char text[96];
        std::snprintf(text, sizeof text, "Graphics device: OpenGL error 0x%04X before %s\n", error, where);
        DebugOutput(text);
    }
}

void GfxDevice::BindTarget() { glBindFramebuffer(GL_FRAMEBUFFER, gl_->currentFbo); }

int32_t GfxDevice::CreateDepthStencilSurface(uint32_t width, uint32_t height, uint32_t format,
                                             uint32_t /*multiSample*/, GfxSurface** surface)
{
    if (!surface)
        return GfxResult::InvalidCall;
    *surface = nullptr;
    if (width == 0 || height == 0 || !GfxDepthFormatOf(format))
        return GfxResult::InvalidCall;
    auto* s = new GfxSurface(this, width, height, format);
    depthSurfaces_.insert(s);
    *surface = s;
    return GfxResult::Ok;
}

void GfxDevice::ForgetSurface(GfxSurface* surface)
{
    depthSurfaces_.erase(surface);
    if (surface->glName) {
        glDeleteRenderbuffers(1, &surface->glName);
        if (gl_->targetDepth == surface->glName)
            gl_->targetDepth = 0;
    }
    surface->glName = 0;
}

bool GfxDevice::EnsureDepthBuffer(GfxSurface& depth)
{
    if (depth.glName)
        return true;
    glGenRenderbuffers(1, &depth.glName);
    glBindRenderbuffer(GL_RENDERBUFFER, depth.glName);
    glRenderbufferStorage(GL_RENDERBUFFER, GfxDepthFormatOf(depth.Format()),
                          static_cast<GLsizei>(depth.Width()), static_cast<GLsizei>(depth.Height()));
    return true;
}

int32_t GfxDevice::SetRenderTarget(GfxSurface* color, GfxSurface* depth)
{
    FlushBatch();
    if (!color)
        color = target_;
    const bool isBack = color == backBuffer_;
    const bool isTexture = color && color->GetKind() == GfxSurface::Kind::TextureLevel
        && color->Container() && color->Container()->IsRenderTarget();
    if (!isBack && !isTexture)
        return GfxResult::InvalidCall;
    if (depth && (depth->GetKind() != GfxSurface::Kind::DepthStencil
                  || depth->Width() < color->Width() || depth->Height() < color->Height()))
        return GfxResult::InvalidCall;
    if (isBack && depth == autoDepth_) {
        gl_->currentFbo = gl_->backFbo;
    } else {
        if (!gl_->targetFbo)
            glGenFramebuffers(1, &gl_->targetFbo);
        GLuint colorName = gl_->backColor;
        if (isTexture) {
            UploadTexture(*color->Container(), 0); // makes its storage
            colorName = color->Container()->glName;
        }
        if (depth)
            EnsureDepthBuffer(*depth);
        const GLuint depthName = depth ? depth->glName : 0;
        // The target's framebuffer keeps what is attached to it: the same
        // pair again (a figure drawn into its texture every frame) needs no
        // new attachment nor a new completeness check.
        if (colorName != gl_->targetColour || depthName != gl_->targetDepth) {
            glBindFramebuffer(GL_FRAMEBUFFER, gl_->targetFbo);
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colorName, 0);
            glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
            glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, 0);
            if (depth) {
                const GLenum attach = depth->Format() == GfxFormat::D24S8 ? GL_DEPTH_STENCIL_ATTACHMENT
                                                                          : GL_DEPTH_ATTACHMENT;
                glFramebufferRenderbuffer(GL_FRAMEBUFFER, attach, GL_RENDERBUFFER, depth->glName);
            }
            gl_->targetColour = gl_->targetDepth = 0;
            if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
                BindTarget();
                ForgetGLState();
                return GfxResult::InvalidCall;
            }
            gl_->targetColour = colorName;
            gl_->targetDepth = depthName;
        }
        gl_->currentFbo = gl_->targetFbo;
    }
    BindTarget();
    ForgetGLState();
    GfxAssign(target_, color);
    GfxAssign(depth_, depth);
    targetWidth_ = color->Width();
    targetHeight_ = color->Height();
    // A new target starts with a viewport covering all of it, unclipped.
    state_->viewport = {0, 0, targetWidth_, targetHeight_, 0.0f, 1.0f};
    state_->scissorOn = false;
    return GfxResult::Ok;
}

int32_t GfxDevice::GetRenderTarget(GfxSurface** surface)
{
    if (!surface || !target_)
        return GfxResult::InvalidCall;
    target_->AddRef();
    *surface = target_;
    return GfxResult::Ok;
}

int32_t GfxDevice::GetDepthStencilSurface(GfxSurface** surface)
{
    if (!surface)
        return GfxResult::InvalidCall;
    *surface = depth_;
    if (!depth_)
        return GfxResult::NotAvailable;
    depth_->AddRef();
    return GfxResult::Ok;
}

} // namespace plat
