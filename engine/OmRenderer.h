// The abstract renderer every layer of the game draws through. The base
// keeps what does not depend on the device: the current camera, the material
// and texture registries (ids handed out to meshes, sprites and world cells),
// a queue of screen texts and a buffer of debug lines. Exactly one renderer
// exists at a time; its constructor makes it the one OmD3D::Instance returns.
//
// The virtual operations keep a fixed order, which later code relies on.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "engine/OmArray.h"
#include "engine/OmIndexTable.h"
#include "engine/OmVector3.h"
#include "engine/OmVoidChain.h"
#include "engine/OmRenderTypes.h"
#include "engine/OmRendererResourceOwner.h"

class OmBaseMesh;
class OmBaseMorphMesh;
class OmBaseSkinMesh;
class OmBaseSprite;
class OmCamera;
class OmLight;
class OmMaterial;
class OmModifier;
class OmMatrix3;
struct OmParticleRun;
struct OmParticleVertex;
class OmTextureResource;

struct OmTextItem {
    static constexpr uint32_t kMaxText = 256; // including the terminator
    float x = 0.0f, y = 0.0f; // screen fractions
    char text[kMaxText] = {};
    float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float scale = 1.0f;
};

struct OmDebugLine {
    OmVector3 from, to;
    float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
};

class OmRenderer {
public:
    static constexpr uint32_t kMaxDebugLines = 256;

    OmRenderer();
    OmRenderer(const OmRenderer&) = delete;
    OmRenderer& operator=(const OmRenderer&) = delete;

    virtual ~OmRenderer();
    virtual bool Initialise(const OmRendererSetup* setup) = 0;
    virtual void InvalidateCamera(bool invalidate);
    virtual bool BeginScene(float frameTime) = 0;
    virtual int32_t EndScene() = 0;
    virtual int32_t BeginSprites() = 0;
    virtual int32_t EndSprites() = 0;
    virtual int32_t Present() = 0;
    // rect: left, top, right, bottom as screen fractions; null for all.
    virtual void Clear(const float* rect, uint32_t unused) = 0;
    virtual int32_t SetViewport(const float* rect) = 0;
    virtual plat::GfxViewport* GetDeviceViewport(plat::GfxViewport* out) = 0;
    virtual float* GetViewport(float* out) = 0;
    virtual uint32_t GetRenderPass() const { return m_renderPass; }
    virtual int32_t GetBlendClass(uint32_t blendMode) const;
    virtual void FlushAlphaQueue() = 0;
    // The object is drawn later with the matrices current now; bounds are
    // the object's own (model space).
    virtual void QueueAlphaItem(OmGeometry* object, const OmSphere& bounds) = 0;
    virtual int32_t SetWorldTransform(const OmMatrix3* rotation, const OmVector3* translation,
                                      float scale) = 0;
    virtual int32_t SetWorldMatrix(const OmMatrix4* matrix) = 0;
    virtual int32_t SetViewAxes(const OmVector3* position, const OmVector3* right,
                                const OmVector3* up, const OmVector3* forward) = 0;
    virtual int32_t SetViewMatrix(const OmMatrix4* matrix) = 0;
    virtual int32_t SetProjection(const OmProjectionParams* params) = 0;
    virtual int32_t SetProjectionMatrix(const OmMatrix4* matrix) = 0;
    virtual uint32_t AddDebugLine(float fromX, float fromY, float fromZ, float toX, float toY,
                                  float toZ, float red, float green, float blue, float alpha);
    virtual uint32_t AddDebugLine(const OmVector3* from, const OmVector3* to, const float* colour);
    virtual const OmMatrix4* GetWorldMatrix() const = 0;
    virtual const OmMatrix4* GetViewMatrix() const = 0;
    virtual const OmMatrix4* GetProjectionMatrix() const = 0;
    virtual int32_t RegisterMaterial(const OmMaterial* material);
    virtual int32_t ReleaseMaterial(int32_t id);
    virtual int32_t RegisterTexture(const OmTextureResource* texture);
    virtual int32_t ReleaseTexture(int32_t id);
    virtual void ApplyMaterial(int32_t id) = 0;
    // A negative id binds no texture.
    virtual void SetTexture(uint32_t stage, int32_t id) = 0;
    virtual bool SetAnimatedLayers(bool animate) = 0;
    virtual bool EnableTextures(bool enable) = 0;
    virtual bool TexturesEnabled() const = 0;
    virtual int32_t SetRenderOption(int32_t option) = 0;
    virtual int32_t GetRenderOption() const = 0;
    virtual bool LoadTexture(int32_t id) = 0;
    virtual bool LoadAllTextures() = 0;
    virtual void SetCulling(bool cull) = 0;
    virtual bool GetCulling() const = 0;
    virtual int32_t AddLight(OmLight* light) = 0;
    virtual void RemoveLight(OmLight* light) = 0;
    virtual void UpdateLight(OmLight* light) = 0;
    virtual void EnableLight(OmLight* light, bool enable) = 0;
    virtual void SetLighting(bool lighting) = 0;
    virtual void SetClearColour(const float* rgb) = 0;
    virtual void SetWireframe(bool wireframe) = 0;
    virtual void DrawWirePrimitive(const OmVector3* position, float height, float radius,
                                   int32_t segments, const float* colour) = 0;
    virtual void DrawLines(int32_t lineCount, const OmVector3* points, uint32_t colour) = 0;
    virtual OmBaseMesh* CreateMesh() = 0;
    virtual OmBaseMorphMesh* CreateMorphMesh() = 0;
    virtual OmBaseSkinMesh* CreateSkinMesh() = 0;
    virtual OmBaseSprite* CreateSprite(uint32_t flags) = 0;
    virtual void DrawText(float x, float y, const char* text, const float* colour, float scale);
    // Writes the extent of the text in pixels; returns the height.
    virtual float GetTextExtent(const char* text, float* width, float* height);
    // Draws the particle quads (four camera-space vertices each, indexed
    // 4i, 4i+1, 4i+2, 4i+2, 4i+3, 4i) run by run, binding each run's texture
    // once: view and world at identity, depth writes and lighting off,
    // texture times diffuse, blend mode 0x140. Everything is put back after.
    virtual void DrawParticles(const OmParticleVertex* vertices, const OmParticleRun* runs,
                               uint32_t runCount);

    // Screen texts: queued during the frame, drawn before EndScene, cleared
    // after Present. Longer texts are cut to 255 characters.
    void QueueText(float x, float y, const char* text, const float* colour, float scale);
    void DrawQueuedText();
    void ClearQueuedText() { m_textQueue.RemoveAll(); }
    uint32_t GetQueuedTextCount() const { return m_textQueue.GetCount(); }
    const OmTextItem& GetQueuedText(uint32_t i) const { return m_textQueue[i]; }

    // The one renderer, null while there is none.
    static OmRenderer* Current() { return s_instance; }

    void ApplyCamera();
    OmCamera* GetCamera() const { return m_camera; }

    // Light sets: the enabled lights of a chain are switched on in set 0, 1
    // or 2 (a light already in the set only counts one more use), and off
    // again when their last use is removed.
    static constexpr int kLightSetCount = 3;
    void AddLights(int set, const OmVoidChain& chain);
    void RemoveLights(int set, const OmVoidChain& chain);
    bool IsLightInSet(int set, const OmModifier* light) const;

    int32_t AddRefMaterial(int32_t id);
    void ReleaseAllMaterials();
    void ReleaseAllTextures();
    // Null for an id that holds nothing (or lies outside the table).
    OmMaterial* GetMaterial(int32_t id) const;
    // Whether the material blends (false for an id that names none).
    bool IsAlphaMaterial(int32_t id) const;
    OmTextureResource* GetTexture(int32_t id) const;
    uint32_t GetMaterialSlotCount() const { return m_materials.objects.GetCount(); }
    uint32_t GetTextureSlotCount() const { return m_textures.objects.GetCount(); }

    // The registries as the object archive uses them.
    OmResourceOwner& GetResourceOwner() { return m_resourceOwner; }

    uint32_t GetDebugLineCount() const { return m_debugLineCount; }
    const OmDebugLine& GetDebugLine(uint32_t i) const { return m_debugLines[i]; }

    // Whether the main window is the active one; told on every change.
    void SetActive(bool active) { m_active = active ? 1 : 0; }
    bool IsActive() const { return m_active != 0; }
    void SetLoadState(uint32_t state) { m_loadState = state; }
    uint32_t GetLoadState() const { return m_loadState; }
    float GetFrameTime() const { return m_frameTime; }

    // Keys of the registries: equal records give equal keys.
    static uint32_t HashBytes(const void* data, size_t size, uint32_t h = 0);
    static uint32_t HashMaterial(const OmMaterial& material);
    // What the material registry compares: equality and the flag byte.
    static bool SameMaterialRecord(const OmMaterial& a, const OmMaterial& b);
    static uint32_t HashTexture(const OmTextureResource& texture);

protected:
    static OmRenderer* s_instance;

    uint8_t m_lightSwitch = 1;
    OmVoidChain m_lightSets[kLightSetCount];
    OmArray<OmTextItem> m_textQueue{64};
    OmCamera* m_camera = nullptr;
    uint32_t m_renderPass = 1;
    OmDebugLine m_debugLines[kMaxDebugLines];
    uint32_t m_debugLineCount = 0;
    float m_frameTime = 0.0f;
    uint32_t m_loadState = 0;
    uint8_t m_active = 1;

private:
    // A registry: key to ids (several ids may share a key), the id table and
    // the id-indexed objects.
    template <class T>
    struct Registry {
        std::unordered_multimap<uint32_t, int32_t> byKey;
        OmIndexTable ids{64};
        OmArray<T*> objects{64};
    };

    void RemoveKey(std::unordered_multimap<uint32_t, int32_t>& map, uint32_t key, int32_t id);

    Registry<OmMaterial> m_materials;
    Registry<OmTextureResource> m_textures;
    OmRendererResourceOwner m_resourceOwner{*this};
};

// The camera the renderer draws with (null while there is none).
OmCamera* GetActiveCamera();

// Says once per piece that a part of the renderer is not there yet, so a
// caller never mistakes a missing piece for one that drew.
void OmReportMissing(const char* what);
