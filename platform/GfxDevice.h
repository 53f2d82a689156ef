// The graphics device over OpenGL (compatibility profile). It keeps the
// semantics the game's renderer was written for: row-vector left-handed
// matrices with depth 0..1, lights in world space, the texture-stage cascade,
// pre-transformed vertices in pixels with y down. The back buffer is an
// offscreen framebuffer of the chosen mode's size; Present scales it to the
// window. Every operation is counted so tests can prove that a state cache
// saves calls.
#pragma once

#include "platform/GfxBuffer.h"
#include "platform/GfxFixedFunction.h"
#include "platform/GfxObject.h"
#include "platform/GfxTexture.h"
#include "platform/GfxTypes.h"

#include <array>
#include <memory>
#include <unordered_set>
#include <vector>

namespace plat {

struct GfxProgram;
class GfxGammaPass;
struct GfxGLRaster;
struct GfxDrawCall;
struct GfxDrawnTriangles;
using GLuintName = unsigned int; // an OpenGL object name

// Operations the device counts.
enum class GfxCall : uint32_t {
    SetRenderState,
    SetTextureStageState,
    SetTexture,
    SetTransform,
    SetMaterial,
    SetLight,
    LightEnable,
    SetVertexShader,
    SetStreamSource,
    SetIndices,
    SetViewport,
    DrawPrimitive,
    DrawIndexedPrimitive,
    DrawPrimitiveUP,
    DrawIndexedPrimitiveUP,
    ProcessVertices,
    Clear,
    Present,
    BeginScene,
    EndScene,
    Count
};

class GfxDevice : public GfxObject {
public:
    // Made by GfxSystem::CreateDevice once the parameters are checked.
    static int32_t Create(void* window, uint32_t flags, const GfxPresentParameters& params,
                          const GfxCaps& caps, const GfxDisplayMode& desktop, GfxDevice** out);

    // Frame and device life.
    int32_t TestCooperativeLevel() const;
    int32_t Reset(GfxPresentParameters* params);
    int32_t BeginScene();
    int32_t EndScene();
    // All four arguments must be null: the whole back buffer goes to the window.
    int32_t Present(const GfxRect* source, const GfxRect* dest, void* window, const void* dirty);
    int32_t Clear(uint32_t count, const GfxRect* rects, uint32_t flags, uint32_t color, float z,
                  uint32_t stencil);
    int32_t GetDeviceCaps(GfxCaps* caps) const;
    int32_t GetDisplayMode(GfxDisplayMode* mode) const;
    int32_t ResourceManagerDiscardBytes(uint32_t bytes);
    int32_t ValidateDevice(uint32_t* passes) const;
    void SetGammaRamp(uint32_t flags, const GfxGammaRamp* ramp);
    void GetGammaRamp(GfxGammaRamp* ramp) const;

    // Surfaces.
    int32_t GetBackBuffer(uint32_t index, uint32_t type, GfxSurface** surface);
    int32_t GetFrontBuffer(GfxSurface* dest);
    int32_t CreateImageSurface(uint32_t width, uint32_t height, uint32_t format,
                               GfxSurface** surface);
    // Null rects copy the whole source to (0, 0), or to the given points.
    int32_t CopyRects(GfxSurface* source, const GfxRect* rects, uint32_t count, GfxSurface* dest,
                      const GfxPoint* points);
    // Render targets: the back buffer or level 0 of a texture made with the
    // render-target usage, with a depth-stencil surface (or none).
    int32_t CreateDepthStencilSurface(uint32_t width, uint32_t height, uint32_t format,
                                      uint32_t multiSample, GfxSurface** surface);
    int32_t SetRenderTarget(GfxSurface* color, GfxSurface* depth);
    int32_t GetRenderTarget(GfxSurface** surface);
    int32_t GetDepthStencilSurface(GfxSurface** surface);
    // Copies the whole colour (and depth, when both depths are given) of one
    // target to another of the same size and format, exactly: the back
    // buffer or a render-target texture level, each with its depth-stencil
    // surface (of one format). A picture kept this way is put back later at
    // the cost of a copy instead of drawing it again.
    int32_t CopyTarget(GfxSurface* sourceColour, GfxSurface* sourceDepth, GfxSurface* destColour,
                       GfxSurface* destDepth);
    // Drawing is clipped to the rectangle (pixels of the current target,
    // y down) while one is set; null lifts the clip, as do a new target and
    // a reset. Clears are not clipped by it.
    int32_t SetScissorRect(const GfxRect* rect);
    bool GetScissorRect(GfxRect* rect) const;
    // Where drawing has reached on a render-target texture level since it
    // was last cleared whole, in its pixels (every pixel a draw may have
    // written lies inside; empty when nothing was drawn); false when that is
    // not known: the back buffer, no whole clear yet, or a draw the device
    // could not bound (blended vertices, a point behind the eye).
    bool GetDrawnRect(const GfxSurface* target, GfxRect* rect) const;
    // Reads a render-target texture level back and gives, for each band of
    // bandRows of its rows from the top, the columns [left, right) between
    // which its pixels are not all black in the channels asked for (left ==
    // right for a black band). channels holds sets of channels as the bits
    // of an A8R8G8B8 colour (0x00FF0000 red, 0x0000FF00 green, 0x000000FF
    // blue; alpha is never looked at); spans gets each set's bands in turn,
    // the level's height / bandRows rounded up, and must have room for all.
    // False when the level cannot be read.
    bool GetPaintedSpans(GfxSurface* level, uint32_t bandRows, const uint32_t* channels, uint32_t sets,
                         GfxSpan* spans, uint32_t capacity);

    // Resources.
    int32_t CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                          uint32_t format, uint32_t pool, GfxTexture** texture);
    int32_t CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, uint32_t pool,
                               GfxVertexBuffer** buffer);
    int32_t CreateIndexBuffer(uint32_t length, uint32_t usage, uint32_t format, uint32_t pool,
                              GfxIndexBuffer** buffer);

    // State.
    int32_t SetViewport(const GfxViewport* viewport);
    int32_t GetViewport(GfxViewport* viewport) const;
    int32_t SetTransform(uint32_t state, const GfxMatrix* matrix);
    int32_t GetTransform(uint32_t state, GfxMatrix* matrix) const;
    int32_t SetMaterial(const GfxMaterial* material);
    int32_t GetMaterial(GfxMaterial* material) const;
    int32_t SetLight(uint32_t index, const GfxLight* light);
    int32_t GetLight(uint32_t index, GfxLight* light) const;
    int32_t LightEnable(uint32_t index, bool enable);
    int32_t GetLightEnable(uint32_t index, bool* enable) const;
    int32_t SetRenderState(uint32_t state, uint32_t value);
    int32_t GetRenderState(uint32_t state, uint32_t* value) const;
    int32_t SetTextureStageState(uint32_t stage, uint32_t type, uint32_t value);
    int32_t GetTextureStageState(uint32_t stage, uint32_t type, uint32_t* value) const;
    int32_t SetTexture(uint32_t stage, GfxTexture* texture);
    int32_t GetTexture(uint32_t stage, GfxTexture** texture) const;
    int32_t SetVertexShader(uint32_t fvf);
    int32_t GetVertexShader(uint32_t* fvf) const;
    int32_t SetStreamSource(uint32_t stream, GfxVertexBuffer* buffer, uint32_t stride);
    int32_t GetStreamSource(uint32_t stream, GfxVertexBuffer** buffer, uint32_t* stride) const;
    int32_t SetIndices(GfxIndexBuffer* buffer, uint32_t baseVertex);
    int32_t GetIndices(GfxIndexBuffer** buffer, uint32_t* baseVertex) const;

    // State blocks: while one records, state changes go into it instead.
    int32_t BeginStateBlock();
    int32_t EndStateBlock(uint32_t* handle);
    int32_t ApplyStateBlock(uint32_t handle);
    int32_t CaptureStateBlock(uint32_t handle);
    int32_t DeleteStateBlock(uint32_t handle);

    // Drawing.
    int32_t DrawPrimitive(uint32_t type, uint32_t startVertex, uint32_t primitiveCount);
    int32_t DrawIndexedPrimitive(uint32_t type, uint32_t minIndex, uint32_t numVertices,
                                 uint32_t startIndex, uint32_t primitiveCount);
    int32_t DrawPrimitiveUP(uint32_t type, uint32_t primitiveCount, const void* data,
                            uint32_t stride);
    int32_t DrawIndexedPrimitiveUP(uint32_t type, uint32_t minIndex, uint32_t numVertices,
                                   uint32_t primitiveCount, const void* indices,
                                   uint32_t indexFormat, const void* data, uint32_t stride);
    // Software transform and lighting of stream 0 into a buffer of
    // pre-transformed vertices (the buffer's own format).
    int32_t ProcessVertices(uint32_t srcStart, uint32_t destIndex, uint32_t count,
                            GfxVertexBuffer* dest, uint32_t flags);

    // Call counters.
    uint64_t CallCount(GfxCall call) const { return calls_[static_cast<uint32_t>(call)]; }
    void ResetCallCounts() { calls_.fill(0); }
    // Draws sent to OpenGL: consecutive triangles drawn into the back buffer
    // with one state go as one.
    uint64_t DrawsSent() const { return drawsSent_; }

    // Draws the triangles gathered so far. Everything that could see or
    // change what they look like calls it first; so do texture locks.
    void FlushBatch();

    // A stretch of drawing that opens a frame with a whole clear and may
    // look exactly as it did the frame before: a still level's ground and
    // walls. In between, the device holds the clear and the triangles drawn
    // into the back buffer rather than sending them. At the end, when they
    // are what the last frame held and that picture is kept, the picture,
    // colour and depth, is put back by one copy; otherwise they are drawn,
    // and a picture that held for two frames running is kept. Anything else
    // that reaches the back buffer or a texture's pixels in between, a
    // clear of less than the whole included, draws what is held and ends
    // the holding for the frame. A frame shown without a kept pass lets the
    // kept picture go.
    void BeginKeptPass();
    void EndKeptPass();
    // Frames whose kept pass was put back rather than drawn.
    uint64_t KeptPassesPutBack() const { return keptPutBack_; }

    // The device's state, as draws read it, and what a kept pass holds
    // (defined with the device's inside).
    struct State;
    struct KeptRecord;

    // Test hooks: make the device report a lost state (DeviceLost or
    // DeviceNotReset; Ok ends it) and make the next Reset calls fail.
    void SimulateCooperativeLevel(int32_t result) { forcedLevel_ = result; }
    void FailNextResets(int count) { failResets_ = count; }
    // Test hook: the display refuses every gamma ramp, as Wayland's does.
    void RefuseDisplayGamma() { displayRefusesGamma_ = true; }

    // Used by surfaces and textures.
    void ReadBackBuffer(uint8_t* pixels);
    void WriteBackBuffer(const uint8_t* pixels);
    void ForgetTexture(GfxTexture* texture);
    void ForgetSurface(GfxSurface* surface);

private:
    struct Gl;
    struct StateBlock;
    struct DrawBatch;
    struct KeptPass;
    GfxDevice();
    ~GfxDevice() override;

    int32_t Init(void* window, uint32_t flags, const GfxPresentParameters& params);
    bool CreateTargets();
    void DestroyTargets();
    void BindTarget();
    void ReportGLErrors(const char* where);
    bool EnsureDepthBuffer(GfxSurface& depth);
    bool IsTargetSurface(const GfxSurface* colour) const;
    // A framebuffer with the colour and depth attached: the back buffer's
    // own, or the scratch one given.
    GLuintName FramebufferOf(GfxSurface* colour, GfxSurface* depth, GLuintName scratch);
    void SetDefaultState();
    void Count(GfxCall call) { ++calls_[static_cast<uint32_t>(call)]; }
    int32_t Draw(uint32_t type, uint32_t primitiveCount, const uint8_t* vertices,
                 uint32_t vertexCount, uint32_t stride, const void* indices, uint32_t indexSize,
                 int32_t baseVertex);
    // Sends what the draw needs; false when no program can draw the state.
    bool PrepareDraw(uint32_t stride, bool depthTest);
    bool DepthTestCannotFail(const uint8_t* vertices, uint32_t count, uint32_t stride) const;
    void SetVertexLayout(uint32_t stride);
    // OpenGL's state was changed outside the draw path (clears, copies,
    // targets, presents): the next draw sends its raster state and texture
    // bindings whole.
    void ForgetGLState();
    void BindUnitTexture(uint32_t unit, GLuintName name);
    // Widens the current texture target's drawn rectangle by a draw's reach.
    void NoteDrawn(uint32_t type, const uint8_t* vertices, uint32_t count, uint32_t stride);
    void NoteCleared(GfxRect cleared, bool whole);
    void ApplyRasterState(bool depthTest);
    void SendRaster(const GfxGLRaster& now, const GfxGLRaster* was);
    void BindTextures(uint32_t stageCount);
    // Binds the texture to the unit, giving OpenGL its pixels when changed.
    void UploadTexture(GfxTexture& texture, uint32_t unit);
    void ApplySampler(uint32_t stage);
    bool LaysFirstTextureTexelForPixel(const GfxDrawnTriangles& draw) const;
    void BuildKey(GfxProgramKey& key) const;
    void BuildFogKey(GfxProgramKey& key, bool rhw) const;
    void BuildLighting(GfxLightingSetup& setup, const GfxProgramKey& key) const;
    GfxProgram& ProgramFor(const GfxProgramKey& key);
    void SetUniforms(GfxProgram& program, const GfxProgramKey& key);
    void TransformVertex(const uint8_t* src, uint32_t srcFvf, const GfxMatrix& worldView,
                         const GfxMatrix& proj, const float normalMatrix[9], const GfxProgramKey& key,
                         const GfxLightingSetup& lighting, uint8_t* dst, uint32_t dstFvf) const;
    // Gathers the call (a triangle list or strip drawn into the back buffer)
    // with the triangles gathered before it, drawing those first when their
    // state differs; false when it must be drawn at once.
    bool Gather(const GfxDrawCall& call);
    // Draws the call: gathered, or at once after what was gathered.
    int32_t Submit(const GfxDrawCall& call);
    void DropBatch();
    // Sends gathered triangles with their state, as FlushBatch does.
    void SendGathered(std::unique_ptr<State>& state, uint32_t type, uint32_t primitiveCount, uint32_t draws,
                      const uint8_t* bytes, uint32_t vertexBytes, uint32_t stride, const uint32_t* indices,
                      uint32_t indexCount, const uint32_t* firstIndices);
    void ClearNow(uint32_t count, const GfxRect* rects, uint32_t flags, uint32_t color, float z, uint32_t stencil);
    bool Holding() const;
    // True when a kept pass took the clear as its opening.
    bool HoldClear(uint32_t count, uint32_t flags, uint32_t color, float z, uint32_t stencil);
    // Moves what was gathered into the frame's record.
    void HoldBatch();
    // Draws what the pass holds and ends its holding for the frame.
    void BreakKeptPass();
    void SendHeld();
    // Copies a framebuffer's whole picture, exactly, to another's.
    void BlitWhole(GLuintName from, GLuintName to, uint32_t width, uint32_t height, unsigned mask);
    // Reads a whole framebuffer's colour into pixels, as format and type.
    void ReadWhole(GLuintName from, uint32_t width, uint32_t height, unsigned format, unsigned type, void* pixels);
    // The two framebuffers copies and read-backs attach surfaces to, made on first use.
    void MakeCopyFramebuffers();
    bool KeepPicture();
    void PutPictureBack();
    // Lets the kept pass's picture, records and room go.
    void ForgetKeptPass();
    // As a frame is shown: forgets the kept pass unless the frame opened it.
    void PresentKeptPass();
    // On a new back buffer: forgets the kept pass and may try it again.
    void DropKeptPicture();
    void BlitToWindow();
    // Draws the shown picture through the gamma ramp; false when it cannot.
    bool DrawThroughGammaRamp(const GfxRect& shown, int windowHeight);
    void ShowGammaRamp();
    // Where Present puts the image in the window, in window pixels.
    GfxRect ShownRect() const;

    std::unique_ptr<Gl> gl_;
    std::unique_ptr<State> state_;
    std::vector<std::unique_ptr<StateBlock>> blocks_;
    StateBlock* recording_ = nullptr;
    std::unordered_set<GfxTexture*> textures_;
    GfxSurface* backBuffer_ = nullptr;
    GfxSurface* autoDepth_ = nullptr;
    GfxSurface* target_ = nullptr;
    GfxSurface* depth_ = nullptr;
    std::unordered_set<GfxSurface*> depthSurfaces_;
    uint32_t targetWidth_ = 0, targetHeight_ = 0;
    GfxPresentParameters params_{};
    GfxCaps caps_{};
    GfxDisplayMode desktop_{};
    // The mode the display shows for a full-screen window of the game's;
    // zero width for a hidden window of the device's own.
    GfxDisplayMode screen_{};
    GfxGammaRamp gamma_{};
    bool gammaDrawn_ = false;   // the display would not take the ramp: Present draws through it
    bool gammaUntried_ = false; // SDL keeps the ramp until the window has the keyboard
    bool displayRefusesGamma_ = false;
    bool gammaRefusalSaid_ = false;
    std::unique_ptr<GfxGammaPass> gammaPass_; // made at the first frame drawn through a ramp
    uint32_t width_ = 0, height_ = 0;
    bool inScene_ = false;
    bool presented_ = false;
    int32_t forcedLevel_ = 0;
    int failResets_ = 0;
    std::array<uint64_t, static_cast<uint32_t>(GfxCall::Count)> calls_{};
    std::vector<uint8_t> scratch_; // pixels read back, kept for the next read
    std::unique_ptr<DrawBatch> batch_;
    std::unique_ptr<KeptPass> kept_;
    uint64_t drawsSent_ = 0;
    // The draw being sent reads its first texture texel for pixel.
    bool nearestFirstStage_ = false;
    uint64_t keptPutBack_ = 0;
    bool keptRefused_ = false; // the driver would not make the kept picture's framebuffer
    friend class GfxSystem;
};

} // namespace plat
