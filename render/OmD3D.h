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

#include "platform/GfxDevice.h"
#include "platform/GfxSystem.h"
#include "render/OmRenderer.h"

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
    int32_t SetViewport(const float* rect) override;
    plat::GfxViewport* GetDeviceViewport(plat::GfxViewport* out) override;
    float* GetViewport(float* out) override;
    void FlushAlphaQueue() override;
    void QueueAlphaItem(OmGeometry* object, const OmSphere& bounds) override;
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
    void SetWireframe(bool wireframe) override;
    bool SetAnimatedLayers(bool animate) override;
    bool EnableTextures(bool enable) override;
    bool TexturesEnabled() const override { return m_texturesEnabled != 0; }
    int32_t SetRenderOption(int32_t option) override { return m_renderOption = option; }
    int32_t GetRenderOption() const override { return m_renderOption; }
    void SetTexture(uint32_t stage, int32_t id) override;

    // Operations whose bodies belong to the renderer's resource, light,
    // mesh, sprite and debug-drawing code; until that exists they say so
    // and do nothing.
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
    OmBaseMesh* CreateMesh() override;
    OmBaseMorphMesh* CreateMorphMesh() override;
    OmBaseSkinMesh* CreateSkinMesh() override;
    OmBaseSprite* CreateSprite(uint32_t flags) override;

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
    void Shutdown();
    plat::GfxDevice* GetDevice() const { return m_device; }
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
    // Index buffers by id are not built yet: only -1 (none) binds.
    void SetIndices(int32_t indexBufferId, uint32_t baseVertex);

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
    };
    struct StateBlock {
        uint32_t handle;
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

    bool ChooseDisplay(const OmRendererSetup* setup);
    bool FillPresentParameters(plat::GfxSystem* system);
    int32_t CreateDevice(plat::GfxSystem* system, void* window);
    void SetUpNewDevice();
    void ReadBackBufferDesc();
    void ProbeTextureFormats();
    void ProbeModulate2x();
    void UnbindBuffers();
    void EmptyAlphaQueue();
    void DrawDebugLines();

    uint8_t m_animatedLayers = 1;
    uint8_t m_texturesEnabled = 1;
    int32_t m_renderOption = 2;
    uint8_t m_culling = 1;
    uint8_t m_hardwareVP = 0;
    uint32_t m_alphaBits = 8;
    uint8_t m_canModulate2x = 1;
    int32_t m_debugLineBuffer = -1;
    OmRenderStats m_stats;
    void* m_window = nullptr;
    uint8_t m_releaseArmed = 0;
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

    static bool s_initialised;
};
