// The renderer over the graphics device: adapters and modes for the start-up
// dialog, device creation with its depth-format and vertex-processing
// fallbacks, the frame, lost-device handling and reset, viewport and
// matrices, the far-to-near alpha queue, and the cached device state with
// its state blocks (so a setting equal to the current one costs no device
// call, any code can read a state back to restore it, and everything can be
// put back after a reset).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/OmArray.h"
#include "engine/OmMesh.h"
#include "engine/OmRef.h"
#include "platform/GfxDevice.h"
#include "platform/GfxSprite.h"
#include "platform/GfxSystem.h"
#include "render/OmD3DAlphaSorter.h"
#include "render/OmD3DBatch.h"
#include "render/OmD3DBuffer.h"
#include "engine/OmRenderer.h"

class OmD3DFont;
namespace plat {
class GfxSprite;
}

// A device light by index: the record handed to the device and whether it
// is switched on.
struct OmLightRecord {
    plat::GfxLight light{};
    uint8_t enabled = 0;
};

// Polynomial sine and cosine, good on 0 to pi/2; FastSinCos folds any angle
// into that range.
float FastSin(float x);
float FastCos(float x);
void FastSinCos(float angle, float& s, float& c);

class OmD3D : public OmRenderer {
public:
    static constexpr uint32_t kSdkVersion = 220;
    static constexpr uint32_t kRenderStateCount = plat::GfxRs::Count;
    static constexpr uint32_t kStageStateCount = plat::GfxTss::Count;

    OmD3D();
    ~OmD3D() override;

    static OmD3D* Instance() { return static_cast<OmD3D*>(Current()); }

    // ---- renderer operations ----
    bool Initialise(const OmRendererSetup* setup) override;
    bool BeginScene(float frameTime) override;
    int32_t EndScene() override;
    int32_t BeginSprites() override;
    int32_t EndSprites() override;
    int32_t Present() override;
    void Clear(const float* rect, uint32_t unused) override;
    // Around a frame's opening clear and what is drawn over it that may
    // look as it did the frame before: while it does, the device puts its
    // last picture back instead of drawing it again.
    void BeginKeptPass();
    void EndKeptPass();
    int32_t SetViewport(const float* rect) override;
    plat::GfxViewport* GetDeviceViewport(plat::GfxViewport* out) override;
    float* GetViewport(float* out) override;
    void FlushAlphaQueue() override;
    void QueueAlphaItem(OmGeometry* object, const OmSphere& bounds) override;
    // Queues an object whose vertices change before the alpha pass (a mesh
    // that the next figure sharing it poses again): the sorter draws the
    // copy taken now.
    void QueueAlphaPose(OmGeometry* object, const OmSphere& bounds, const OmArray<OmMeshVertex>& vertices);
    // The copy taken for a queued item; null when it reads its object's.
    const OmMeshVertex* GetAlphaPose(const OmRenderItem& item) const;
    int32_t SetWorldTransform(const OmMatrix3* rotation, const OmVector3* translation,
                              float scale) override;
    int32_t SetWorldMatrix(const OmMatrix4* matrix) override;
    int32_t SetViewAxes(const OmVector3* position, const OmVector3* right, const OmVector3* up,
                        const OmVector3* forward) override;
    int32_t SetViewMatrix(const OmMatrix4* matrix) override;
    int32_t SetProjection(const OmProjectionParams* params) override;
    int32_t SetProjectionMatrix(const OmMatrix4* matrix) override;
    const OmMatrix4* GetWorldMatrix() const override { return &m_world; }
    const OmMatrix4* GetViewMatrix() const override { return &m_view; }
    const OmMatrix4* GetProjectionMatrix() const override { return &m_projection; }
    void SetClearColour(const float* rgb) override;
    // The device's ambient light, each channel 0 to 1 (clamped).
    void SetAmbientColour(float r, float g, float b);
    void SetWireframe(bool wireframe) override;
    bool SetAnimatedLayers(bool animate) override;
    // Counts the materials applied with a texture that moves through its
    // frames: a picture drawn while it rises depends on the time as well as
    // on what was drawn, so it cannot be kept and put back later.
    uint32_t GetAnimatedTextureUses() const { return m_animatedTextureUses; }
    bool EnableTextures(bool enable) override;
    bool TexturesEnabled() const override { return m_texturesEnabled != 0; }
    int32_t SetRenderOption(int32_t option) override { return m_renderOption = option; }
    int32_t GetRenderOption() const override { return m_renderOption; }
    void SetTexture(uint32_t stage, int32_t id) override;

    // ---- textures, materials, blend modes and lights ----
    int32_t RegisterTexture(const OmTextureResource* texture) override;
    int32_t ReleaseTexture(int32_t id) override;
    void ApplyMaterial(int32_t id) override;
    bool LoadTexture(int32_t id) override;
    bool LoadAllTextures() override;
    void SetCulling(bool cull) override;
    bool GetCulling() const override { return m_culling != 0; }
    int32_t AddLight(OmLight* light) override;
    void RemoveLight(OmLight* light) override;
    void UpdateLight(OmLight* light) override;
    void EnableLight(OmLight* light, bool enable) override;
    void SetLighting(bool lighting) override;
    void DrawWirePrimitive(const OmVector3* position, float height, float radius, int32_t segments,
                           const float* colour) override;
    void DrawLines(int32_t lineCount, const OmVector3* points, uint32_t colour) override;
    void DrawText(float x, float y, const char* text, const float* colour, float scale) override;
    float GetTextExtent(const char* text, float* width, float* height) override;
    // Device meshes for the engine meshes of each kind.
    OmBaseMesh* CreateMesh() override;
    OmBaseMorphMesh* CreateMorphMesh() override;
    OmBaseSkinMesh* CreateSkinMesh() override;
    OmBaseSprite* CreateSprite(uint32_t flags) override;
    void DrawParticles(const OmParticleVertex* vertices, const OmParticleRun* runs,
                       uint32_t runCount) override;

    // The blend table; SetBlendMode does nothing while a forced mode holds.
    void SetBlendMode(uint32_t mode);
    void ForceBlendMode(uint32_t mode);
    void ReleaseBlendMode();
    // 0 is no limit; other sizes drop their lowest set bit unless already a
    // power of two (768 gives 512).
    void SetMaxTextureSize(uint32_t size);
    uint32_t GetMaxTextureSize() const { return m_maxTextureSize; }
    uint32_t GetMaterialBlendMode(int32_t materialId) const;
    // Null while the texture is not on the device.
    plat::GfxTexture* GetD3DTexture(int32_t id) const;
    // Red, green, blue and alpha bits of a device format.
    static void GetFormatChannelBits(uint32_t format, uint32_t bits[4]);
    // Null for an index that holds no light.
    const OmLightRecord* GetLightRecord(int32_t index) const;
    uint32_t GetLightSlotCount() const { return static_cast<uint32_t>(m_lights.size()); }

    // ---- vertex and index buffers by id (-1: none) ----
    // -1 when the device buffer cannot be made.
    int32_t CreateVertexBuffer(uint32_t fvf, uint32_t vertexCount, bool isStatic, bool forceSoftware,
                               bool writeOnly);
    void ReleaseVertexBuffer(int32_t id);
    OmD3DVertexBuffer* GetVertexBuffer(int32_t id) const;
    int32_t CreateIndexBuffer(uint32_t indexCount, bool isStatic, bool forceSoftware, bool writeOnly);
    void ReleaseIndexBuffer(int32_t id);
    OmD3DIndexBuffer* GetIndexBuffer(int32_t id) const;
    uint32_t GetVertexBufferSlotCount() const { return static_cast<uint32_t>(m_vertexBuffers.size()); }
    uint32_t GetIndexBufferSlotCount() const { return static_cast<uint32_t>(m_indexBuffers.size()); }
    // An id that names no buffer binds none.
    int32_t SetStreamSource(uint32_t stream, int32_t vertexBufferId);
    // Forgets the cached stream and index bindings, so the next binds reach
    // the device.
    void ResetStreamCache();

    // ---- font, sprites, screenshots ----
    OmD3DFont* GetFont() const { return m_font; }
    plat::GfxSprite* GetSpriteObject() const { return m_sprite; }
    // Writes the front buffer as a 24-bit bitmap file; false when nothing
    // could be written.
    bool SaveScreenshot(const char* fileName);
    int32_t GetDebugLineBuffer() const { return m_debugLineBuffer; }

    // ---- adapters and modes ----
    // Null: a graphics system of its own is made and released again.
    bool EnumerateAdapters(plat::GfxSystem* system);
    uint32_t GetAdapterCount() const { return m_adapterCount; }
    const OmAdapterRecord* GetAdapter(uint32_t i) const;
    bool SelectAdapter(uint32_t i);
    bool SelectDisplayMode(uint32_t i);
    int32_t GetCurrentAdapterIndex() const { return m_selectedAdapter; }
    int32_t GetSelectedModeIndex() const { return m_selectedMode; }
    // Format descending (as signed numbers), then width, then height.
    static bool CompareDisplayModes(const plat::GfxDisplayMode& a, const plat::GfxDisplayMode& b);
    // Direction 0 scans from D16 forward, 1 from D32 backward.
    void SelectDepthFormat(uint32_t direction, plat::GfxSystem* system, const plat::GfxDisplayMode& mode);
    bool CheckDepthFormat(plat::GfxSystem* system, uint32_t depth, uint32_t adapterFormat,
                          uint32_t targetFormat) const;
    const plat::GfxPresentParameters& GetPresentParameters() const { return m_params; }

    // ---- device life ----
    void ShowImageFile(const char* fileName);
    void MarkDeviceLost() { m_releaseArmed = 1; }
    bool ClearDeviceLost() { m_releaseArmed = 0; return true; }
    void ReleaseDeviceObjects();
    bool Reset();
    // Successful resets so far: what a dynamic buffer held before the last
    // one is gone.
    uint32_t GetResetCount() const { return m_resetCount; }
    void Shutdown();
    plat::GfxDevice* GetDevice() const { return m_device; }
    // A whole target's colour and depth copied to another of its size and
    // format (a picture kept to be put back instead of drawn again); false
    // when the device refuses or there is none.
    bool CopyTarget(plat::GfxSurface* sourceColour, plat::GfxSurface* sourceDepth, plat::GfxSurface* destColour,
                    plat::GfxSurface* destDepth);
    // Drawing clipped to a rectangle of the target in pixels; null lifts it.
    void SetScissorRect(const plat::GfxRect* rect);
    // The frame's depth-sorted blended geometry, and the sorter of the
    // alpha queue (made with the device).
    OmD3DBatch& GetBatch() { return m_batch; }
    OmD3DAlphaSorter* GetAlphaSorter() const { return m_sorter.get(); }
    OmRenderStats* GetFrameStats() { return &m_stats; }
    bool IsHardwareVertexProcessing() const { return m_hardwareVP != 0; }
    bool CanModulate2x() const { return m_canModulate2x != 0; }
    uint32_t GetAlphaBits() const { return m_alphaBits; }
    uint32_t GetAlphaQueueLength() const;
    const OmRenderItem& GetAlphaItem(uint32_t i) const { return m_alphaQueue[i]; }

    // ---- cached device state ----
    void DispatchRenderState(uint32_t state, uint32_t value) { (this->*m_renderStateSetter)(state, value); }
    void SetTextureStageState(uint32_t stage, uint32_t type, uint32_t value)
    {
        (this->*m_stageStateSetter)(stage, type, value);
    }
    // The replaceable texture setter (texture binding below the id level).
    void SetD3DTexture(uint32_t stage, plat::GfxTexture* texture) { (this->*m_textureSetter)(stage, texture); }
    uint32_t GetRenderState(uint32_t state) const { return state < kRenderStateCount ? m_renderStates[state] : 0; }
    // Types 1 to 28; the bound texture is GetStageTexture.
    uint32_t GetTextureStageState(uint32_t stage, uint32_t type) const
    {
        return stage < plat::GfxMaxStages && type < kStageStateCount ? m_stageStates[stage][type] : 0;
    }
    plat::GfxTexture* GetStageTexture(uint32_t stage) const { return stage < plat::GfxMaxStages ? m_stageTextures[stage] : nullptr; }
    uint32_t SetVertexShader(uint32_t shader);
    uint32_t GetVertexShader() const { return m_vertexShader; }
    // The cached stream and index bindings beneath the buffer ids.
    int32_t SetD3DStreamSource(uint32_t stream, plat::GfxVertexBuffer* buffer, uint32_t stride);
    // An id that names no buffer only clears the cache (no device call).
    void SetIndices(int32_t indexBufferId, uint32_t baseVertex);
    plat::GfxIndexBuffer* GetBoundIndexBuffer() const { return m_indexBuffer; }
    plat::GfxVertexBuffer* GetBoundStream(uint32_t stream) const
    {
        return stream < plat::GfxMaxStreams ? m_streams[stream] : nullptr;
    }

    // Handles are small non-zero numbers, never reused.
    uint32_t BeginStateBlock();
    void EndStateBlock();
    void ApplyStateBlock(uint32_t handle);
    void CaptureStateBlock(uint32_t handle);
    void DeleteStateBlock(uint32_t handle);

    int32_t DrawIndexedPrimitive(uint32_t type, uint32_t minIndex, uint32_t numVertices,
                                 uint32_t startIndex, uint32_t primitiveCount);
    int32_t DrawPrimitive(uint32_t type, uint32_t startVertex, uint32_t primitiveCount);
    int32_t DrawPrimitiveUP(uint32_t type, uint32_t primitiveCount, const void* data, uint32_t stride);
    int32_t DrawIndexedPrimitiveUP(uint32_t type, uint32_t minIndex, uint32_t numVertices,
                                   uint32_t primitiveCount, const void* indices, uint32_t indexFormat,
                                   const void* data, uint32_t stride);

    void SetDefaultRenderStates();
    void SetDefaultMatrices();
    void RestoreDeviceState();

private:
    struct StateEntry {
        uint32_t key;
        uintptr_t value; // a state value, or a texture pointer
        bool IsTexture() const;
        void SetValue(uintptr_t newValue);
    };
    struct StateBlock {
        StateBlock() = default;
        StateBlock(const StateBlock&) = delete;
        StateBlock& operator=(const StateBlock&) = delete;
        ~StateBlock();
        uint32_t handle = 0;
        std::vector<StateEntry> entries;
    };
    using RenderStateSetter = void (OmD3D::*)(uint32_t, uint32_t);
    using StageStateSetter = void (OmD3D::*)(uint32_t, uint32_t, uint32_t);
    using TextureSetter = void (OmD3D::*)(uint32_t, plat::GfxTexture*);

    void SetRenderStateCached(uint32_t state, uint32_t value);
    void SetTextureStageStateCached(uint32_t stage, uint32_t type, uint32_t value);
    void SetTextureCached(uint32_t stage, plat::GfxTexture* texture);
    void RecordRenderState(uint32_t state, uint32_t value);
    void RecordTextureStageState(uint32_t stage, uint32_t type, uint32_t value);
    void RecordTexture(uint32_t stage, plat::GfxTexture* texture);
    void RecordState(StateEntry entry);
    void InstallCachedSetters();
    StateBlock* FindStateBlock(uint32_t handle) const;
    void ReapplyStreams();
    void ReapplyRenderStates();
    void ReapplyStageStates();
    void CountPrimitives(uint32_t count);
    void ForgetUserMemoryBindings();

    bool ChooseDisplay(const OmRendererSetup* setup);
    bool FillPresentParameters(plat::GfxSystem* system);
    int32_t CreateDevice(plat::GfxSystem* system, void* window);
    void SetUpNewDevice();
    void ReadBackBufferDesc();
    void ProbeTextureFormats();
    void ProbeModulate2x();
    void UnbindBuffers();
    void EmptyAlphaQueue();
    OmRenderItem& InsertAlphaItem(OmGeometry* object, const OmSphere& bounds);
    void DrawDebugLines();
    bool CreateParticleBuffers();
    void ApplyBlendTable(uint32_t mode);
    void FillLightRecord(OmLightRecord& record, const OmLight& light) const;
    bool LightIndexValid(int32_t index) const;
    void EnsureTextureSlot(int32_t id);
    void ReleaseDeviceTexture(int32_t id);
    void ReleaseAllDeviceTextures();
    void CreateFont();
    void DeleteFont();
    void CreateSpriteObject();
    void ReleaseBuffers();
    void BuildWireCylinder(int32_t segments, float height, float radius, uint32_t colour);

    uint8_t m_animatedLayers = 1;
    uint32_t m_animatedTextureUses = 0;
    uint8_t m_texturesEnabled = 1;
    int32_t m_renderOption = 2;
    uint8_t m_culling = 1;
    uint8_t m_blendLock = 0;
    uint32_t m_maxTextureSize = 0;
    std::vector<OmRef<plat::GfxTexture>> m_deviceTextures; // by texture id, null: not created
    std::vector<std::unique_ptr<OmLightRecord>> m_lights;
    std::vector<std::unique_ptr<OmD3DVertexBuffer>> m_vertexBuffers; // null: a free id
    std::vector<std::unique_ptr<OmD3DIndexBuffer>> m_indexBuffers;
    OmD3DFont* m_font = nullptr;
    OmRef<plat::GfxSprite> m_sprite;
    // Wire-cylinder scratch, kept between calls with the same segment count.
    int32_t m_wireSegments = 0;
    std::vector<uint8_t> m_wireVertices;
    std::vector<uint16_t> m_wireSideIndices;
    std::vector<uint16_t> m_wireCapIndices;
    uint8_t m_hardwareVP = 0;
    uint32_t m_alphaBits = 8;
    uint8_t m_canModulate2x = 1;
    int32_t m_debugLineBuffer = -1;
    // The particle quads' buffers, made on first use.
    int32_t m_particleVertexBuffer = -1;
    int32_t m_particleIndexBuffer = -1;
    OmRenderStats m_stats;
    void* m_window = nullptr;
    uint8_t m_releaseArmed = 0;
    uint32_t m_resetCount = 0;
    plat::GfxSurfaceDesc m_backBuffer{};

    std::vector<OmAdapterRecord> m_adapters;
    uint32_t m_adapterCount = 0;
    int32_t m_selectedAdapter = -1;
    int32_t m_selectedMode = -1;
    uint32_t m_colourBits = 0;
    plat::GfxPresentParameters m_params{};
    plat::GfxDevice* m_device = nullptr;
    plat::GfxViewport m_viewport{};
    OmMatrix4 m_view, m_projection, m_world;
    uint32_t m_clearColour = 0;

    // The alpha queue, largest depth key first. Items are held by value, so
    // emptying the queue frees each exactly once and keeps the storage for
    // the next frame.
    std::vector<OmRenderItem> m_alphaQueue;
    std::vector<OmMeshVertex> m_alphaPoses; // emptied with the queue, its capacity kept

    RenderStateSetter m_renderStateSetter = nullptr;
    StageStateSetter m_stageStateSetter = nullptr;
    TextureSetter m_textureSetter = nullptr;
    std::vector<std::unique_ptr<StateBlock>> m_stateBlocks; // null entries are free slots
    StateBlock* m_recording = nullptr;
    uint32_t m_nextStateBlock = 1;
    uint32_t m_renderStates[kRenderStateCount] = {};
    plat::GfxTexture* m_stageTextures[plat::GfxMaxStages] = {};
    uint32_t m_stageStates[plat::GfxMaxStages][kStageStateCount] = {};
    uint32_t m_vertexShader = 0;
    plat::GfxIndexBuffer* m_indexBuffer = nullptr;
    uint32_t m_baseVertex = 0;
    plat::GfxVertexBuffer* m_streams[plat::GfxMaxStreams] = {};
    uint32_t m_strides[plat::GfxMaxStreams] = {};

    // Last, so they go before the buffer registries they hold ids of.
    OmD3DBatch m_batch{*this};
    std::unique_ptr<OmD3DAlphaSorter> m_sorter;

    static bool s_initialised;
};
