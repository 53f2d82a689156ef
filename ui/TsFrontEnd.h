// The title front end: the game mode that runs before a level. Behind its
// screens stands a small scene: the title figure in front of a hall, lit by
// four flickering coloured lights; the figure's two eye stalks follow the
// cursor and spin when clicked, and now and then a colour-split copy of the
// figure (drawn into a render target) jitters over it. The nine title
// screens are made on first use and kept; Escape on the main screen asks
// whether to quit. EnterGame hands over to a level.
#pragma once

#include <cstdint>

#include "engine/OmGroup.h"
#include "engine/OmLight.h"
#include "engine/OmRef.h"
#include "engine/OmVector2.h"
#include "engine/OmVector3.h"
#include "game/objects/TsWaveTrack.h"
#include "platform/GfxTexture.h"
#include "ui/TsFrontEndHost.h"
#include "ui/TsPictureCache.h"

class TsFrontEndSkinShape;
class TsGuiWindow;
namespace plat {
class GfxTexture;
}

class TsFrontEnd : public TsFrontEndHost {
    OM_DECLARE_CLASS(TsFrontEnd)

    static constexpr int32_t kSpriteCount = 43;
    static constexpr int32_t kTitleFigureAnimation = 5;
    static constexpr int32_t kMaxRenderTarget = 512;
    // The title screens' sprite table, in the order the screens index it.
    static const char* const kSpriteNames[kSpriteCount];

    enum DisplayState : uint32_t { kShowing = 0, kShowBackdrop = 1, kFrozen = 2 };

    struct QuadVertex {
        float x, y, z;
        uint32_t colour;
        float u, v;
    };
    struct EffectQuad {
        QuadVertex previous[4];
        QuadVertex current[4];
    };
    struct EffectTimer {
        float value = 0.0f;
        float rate = 0.0f;
        uint8_t active = 0;
    };

    TsFrontEnd();
    explicit TsFrontEnd(OmArchive& archive);
    ~TsFrontEnd() override;

    bool Initialise() override;
    void Tick(uint32_t tickCount) override;
    void Render(float renderTime, float fraction) override;
    void EnterGame() override;

    // A model from folder\file with its textures in folder\textureFolder;
    // null (logged) when it cannot be loaded.
    static OmGroup* LoadModel(const char* folder, const char* file, bool skinned, bool flagged,
                              const char* textureFolder);

    // The page factories: the named page, made on first use; null when it
    // cannot be made.
    static TsGuiWindow* GetNewGameScreen(TsFrontEndBase* frontEnd);
    static TsGuiWindow* GetMainScreen(TsFrontEndBase* frontEnd);
    static TsGuiWindow* GetLoadScreen(TsFrontEndBase* frontEnd);
    static TsGuiWindow* GetOptionsScreen(TsFrontEndBase* frontEnd);
    static TsGuiWindow* GetAudioScreen(TsFrontEndBase* frontEnd);
    static TsGuiWindow* GetGraphicsScreen(TsFrontEndBase* frontEnd);
    static TsGuiWindow* GetInputScreen(TsFrontEndBase* frontEnd);
    static TsGuiWindow* GetGameOptionsScreen(TsFrontEndBase* frontEnd);
    static TsGuiWindow* GetCreditsScreen(TsFrontEndBase* frontEnd);

    // Shows the quit question (Yes quits the program).
    void AskToQuit();

    TsFrontEndSkinShape* GetCharacterShape() const { return m_characterShape; }
    OmGroup* GetCharacterModel() const { return m_characterModel; }
    OmGroup* GetBackgroundModel() const { return m_backgroundModel; }
    uint32_t GetDisplayState() const { return m_displayState; }
    bool IsQuitPending() const { return m_quitPending != 0; }
    bool IsRenderTargetReady() const { return m_renderTargetReady != 0; }
    plat::GfxTexture* GetRenderTexture() const { return m_renderTexture; }
    int32_t GetLookBone(int i) const { return m_lookBones[i]; }
    const OmVector2& GetLookBoneScreen(int i) const { return m_lookScreen[i]; }
    void SetLookBoneScreen(int i, const OmVector2& p) { m_lookScreen[i] = p; }
    bool IsPokeActive(int i) const { return m_pokeActive[i] != 0; }
    float GetPokeProgress(int i) const { return m_pokeProgress[i]; }
    const EffectTimer& GetEffectTimer(int i) const { return m_timers[i]; }
    const EffectQuad& GetEffectQuad(int i) const { return m_quads[i]; }
    OmLight* GetLight(int i) const { return m_lights[i]; }
    const TsWaveTrack& GetFlickerTrack() const { return m_flickerTrack; }

    // Scene steps, open for tests.
    bool CreateRenderTarget(int32_t width, int32_t height);
    void ReleaseRenderTarget();
    void UpdateInterference();
    void StartTimer(EffectTimer& timer, float seconds) const;
    // The screen point of the cursor (pixels) that the look bones aim at:
    // pokes the first look bone within reach.
    void PokeAt(float x, float y);
    void AdvancePokes();
    // The look target for a cursor at (sx, sy) on a w x h screen.
    static OmVector3 LookTarget(const OmVector3& origin, float sx, float sy, float w, float h);
    // The poke's push-out curve at progress p.
    static float PokeExtent(float p);

private:
    void ZeroState();
    void CreateLights();
    void UpdateLightFlicker(float time);
    void SetUpCamera();
    void ResetQuads();
    void CreateQuadBuffers();
    void DrawInterference(float fraction);
    // Fills the quads' buffers for the frame (false when one cannot be
    // filled); together says that all three lie on one another, and that
    // the first then carries all three.
    bool FillQuadBuffers(float fraction, bool& together);
    // Finds, for each of this frame's passes, the render target's texels
    // that are not black in the channels its quad's colour has, in a few
    // rectangles; false when that is not known.
    bool FindPaintedTexels(int passes);
    // Where a pass's quad can change a pixel, as rectangles of the screen
    // that share no pixel: over its painted texels (a texel black in the
    // quad's channels adds nothing).
    uint32_t ClipRectsForQuad(int pass, plat::GfxRect* out) const;
    plat::GfxRect ScreenRectOf(const QuadVertex* corners, const plat::GfxRect& texels) const;
    void RenderBackground();
    // animatedBefore: the renderer's count of animated texture uses before the
    // background was drawn.
    void KeepBackground(uint32_t key, uint32_t animatedBefore);
    bool CanKeepBackground() const;
    // True when none of this frame's interference quads can reach the panel strip.
    bool StripClearOfInterference() const;
    // Where the background's picture for this flicker value is kept.
    TsPictureCache& BackgroundCacheFor(uint32_t key);
    void DrawPanelStrip();
    // The strip drawn with the background, leaving the state it found.
    void DrawPanelStripInScene();
    void AimLookBones(float fraction);
    void RenderScene();
    bool ShowBackdropOnce();
    void HandleBack();

    uint32_t m_displayState = kShowing;
    uint8_t m_quitPending = 0;
    uint8_t m_tearingDown = 0; // the destructor's pop must not enter the game
    OmRef<OmGroup> m_characterModel;
    OmRef<OmGroup> m_backgroundModel;
    OmRef<OmLight> m_lights[4]; // yellow, magenta, red, blue
    TsFrontEndSkinShape* m_characterShape = nullptr;
    OmRef<plat::GfxTexture> m_renderTexture;
    int32_t m_lookBones[2] = {-1, -1};
    EffectQuad m_quads[3] = {};
    QuadVertex m_frameQuads[3][4] = {}; // as this frame draws them
    int32_t m_quadBuffers[3] = {-1, -1, -1};
    static constexpr uint32_t kPaintedRects = 6;
    plat::GfxRect m_painted[3][kPaintedRects] = {}; // texels of the render target, by pass, this frame
    uint32_t m_paintedCount[3] = {};
    uint8_t m_renderTargetReady = 0;
    uint32_t m_resetCount = 0; // the renderer's resets seen so far
    OmVector2 m_lookScreen[2];
    float m_pokeProgress[2] = {};
    float m_pokePrevious[2] = {};
    uint8_t m_pokeActive[2] = {};
    EffectTimer m_timers[2];
    OmVector2 m_jitters[3]; // quad 0, quad 2, quad 1
    TsWaveTrack m_flickerTrack; // drives the four lights' intensity
    float m_flicker = 0.0f;     // its value this frame
    // The lit background depends only on the flicker value: drawn once per
    // value, then put back by a copy. The resting value, held for seconds
    // between bursts and between a burst's flashes, has a picture of its
    // own that the flashes do not push out.
    TsPictureCache m_backgroundCache;
    TsPictureCache m_restingBackground;
    bool m_clearSkipped = false; // this frame's clear left to the kept background
    bool m_stripWithBackground = false; // this frame's panel strip came with the background
};
