// The title front end's scene: lights, camera, the render target and the
// interference quads drawn from it, the look bones and the pokes, and the
// frame that draws it all under the screens.
#include <algorithm>
#include <bit>
#include <cmath>
#include <iterator>

#include "engine/OmCamera.h"
#include "engine/OmGroup.h"
#include "engine/OmLight.h"
#include "engine/OmMath.h"
#include "engine/OmMatrix4.h"
#include "engine/OmRand.h"
#include "engine/OmRef.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsInput.h"
#include "game/framework/TsLog.h"
#include "platform/GfxDevice.h"
#include "platform/GfxTexture.h"
#include "render/OmD3D.h"
#include "render/OmD3DBatch.h"
#include "render/OmD3DBuffer.h"
#include "ui/TsClipRects.h"
#include "ui/TsFrontEnd.h"
#include "ui/TsFrontEndSkinShape.h"
#include "ui/TsGuiSprite.h"

using namespace plat;

namespace {

constexpr uint32_t kQuadFormat = 0x142;
constexpr uint32_t kSceneAmbient = 0x90909090;
constexpr float kPokeReach = 10.0f; // pixels
constexpr float kQuadLeft = -3.5f, kQuadRight = 11.5f, kQuadTop = 5.625f, kQuadBottom = -5.625f, kQuadZ = 13.0f;
// The camera stands back from the scroller's strips, which lie in the z = 0 plane.
constexpr float kCameraZ = -4.0f;
const char* const kBackdrop = "data\\frontend\\front1.tga";

enum LightSlot { kYellow, kMagenta, kRed, kBlue };

struct LightSetup {
    int32_t type;
    OmVector3 position;
    float inner, outer; // degrees; 0 leaves the light's own cones
};
const LightSetup kLightSetups[4] = {
    {OmLight::kSpot, {-20, 10, -30}, 5, 25},
    {OmLight::kPoint, {0, 30, 0}, 0, 0},
    {OmLight::kSpot, {0, 0, -30}, 5, 25},
    {OmLight::kSpot, {0, 30, 0}, 5, 25},
};

float Radians(float degrees) { return degrees * OM_PI / 180.0f; }

OmD3D* Renderer() { return OmD3D::Instance(); }

// The point through world, view and projection into the viewport's pixels.
OmVector2 Project(const OmVector3& point, const OmMatrix4& world, const OmMatrix4& view,
                  const OmMatrix4& projection, const GfxViewport& viewport)
{
    OmMatrix4 all;
    all.SetProduct(world, view);
    all.PostMultiply(projection);
    const OmVector4 clip = all.TransformVector4(OmVector4(point.x, point.y, point.z, 1.0f));
    const float w = std::fabs(clip.w) > 1e-6f ? clip.w : 1e-6f;
    return OmVector2(float(viewport.x) + (1.0f + clip.x / w) * float(viewport.width) * 0.5f,
                     float(viewport.y) + (1.0f - clip.y / w) * float(viewport.height) * 0.5f);
}

} // namespace

// ---- lights and camera ----

void TsFrontEnd::CreateLights()
{
    OmD3D* renderer = Renderer();
    for (int i = 0; i < 4; ++i) {
        const LightSetup& setup = kLightSetups[i];
        const auto light = OmMakeRef<OmLight>();
        light->lightType = setup.type;
        light->range = -1.0f;
        if (setup.outer > 0.0f) {
            light->innerCone = Radians(setup.inner);
            light->outerCone = Radians(setup.outer);
        }
        light->attenuation[0] = 1.0f;
        light->attenuation[1] = 0.0f;
        light->attenuation[2] = 0.0f;
        light->LocalPosition() = setup.position;
        light->Update(0.0f);
        if (renderer)
            renderer->AddLight(light);
        m_lights[i] = light;
    }
    // A quick flicker that dims the lights a little, in bursts of five to
    // seven seconds with one or two steady seconds between them.
    m_flickerTrack.amplitude = 0.2f;
    m_flickerTrack.base = 0.8f;
    m_flickerTrack.frequency = 7.0f;
    m_flickerTrack.duty = 0.5f;
    m_flickerTrack.gated = 1;
    m_flickerTrack.restartOnSwitch = 1;
    m_flickerTrack.onMin = 5.0f;
    m_flickerTrack.onMax = 7.0f;
    m_flickerTrack.offMin = 1.0f;
    m_flickerTrack.offMax = 2.0f;
    UpdateLightFlicker(0.0f);
}

void TsFrontEnd::UpdateLightFlicker(float time)
{
    const float v = m_flickerTrack.FlickerValue(time);
    m_flicker = v;
    const float colours[4][3] = {
        {v / 2, v / 2, v / 16}, {v / 2, v / 16, v / 2}, {v / 2, v / 16, v / 16}, {v / 16, v / 16, v / 2}};
    OmD3D* renderer = Renderer();
    for (int i = 0; i < 4; ++i) {
        OmLight* light = m_lights[i];
        if (!light)
            continue;
        light->diffuse[0] = colours[i][0];
        light->diffuse[1] = colours[i][1];
        light->diffuse[2] = colours[i][2];
        light->diffuse[3] = 0.0f;
        if (renderer)
            renderer->UpdateLight(light);
    }
}

void TsFrontEnd::SetUpCamera()
{
    OmD3D* renderer = Renderer();
    OmCamera* camera = renderer ? renderer->GetCamera() : nullptr;
    if (!camera)
        return;
    const float width = float(std::max(1, TsAccess::ScreenWidth()));
    const float height = float(std::max(1, TsAccess::ScreenHeight()));
    OmProjection projection;
    projection.nearDistance = 1.0f;
    projection.farDistance = 10000.0f;
    projection.halfHeight = std::tan(Radians(37.2f) * 0.5f);
    projection.halfWidth = projection.halfHeight * width / height;
    camera->SetFrame(OmVector3(0, 0, kCameraZ), OmVector3(1, 0, 0), OmVector3(0, 1, 0), OmVector3(0, 0, 1));
    camera->SetProjection(projection);
    camera->Invalidate();
}

// ---- the render target ----

bool TsFrontEnd::CreateRenderTarget(int32_t width, int32_t height)
{
    OmD3D* renderer = Renderer();
    GfxDevice* device = renderer ? renderer->GetDevice() : nullptr;
    if (!device || !m_characterShape || width <= 0 || height <= 0)
        return false;
    // A target still held (a reset the loss did not show) goes first.
    ReleaseRenderTarget();
    uint32_t colourFormat = GfxFormat::X8R8G8B8, depthFormat = GfxFormat::D16;
    OmRef<GfxSurface> surface;
    GfxSurfaceDesc desc{};
    if (!GfxFailed(device->GetBackBuffer(0, 0, surface.Put())) && surface) {
        surface->GetDesc(&desc);
        colourFormat = desc.format;
    }
    if (!GfxFailed(device->GetDepthStencilSurface(surface.Put())) && surface) {
        surface->GetDesc(&desc);
        depthFormat = desc.format;
    }
    if (GfxFailed(device->CreateTexture(uint32_t(width), uint32_t(height), 1, GfxUsage::RenderTarget, colourFormat,
                                        GfxPool::Default, m_renderTexture.Put()))) {
        m_renderTexture.Detach(); // a failed call leaves nothing to hold
        return false;
    }
    m_renderTargetReady = 0;
    OmRef<GfxSurface> colour;
    OmRef<GfxSurface> depth;
    m_renderTexture->GetSurfaceLevel(0, colour.Put());
    device->CreateDepthStencilSurface(uint32_t(width), uint32_t(height), depthFormat, 0, depth.Put());
    if (colour && depth) {
        m_characterShape->SetRenderTarget(colour, depth, width, height);
        m_renderTargetReady = 1;
    }
    return true;
}

void TsFrontEnd::ReleaseRenderTarget()
{
    if (m_characterShape)
        m_characterShape->ReleaseRenderTarget();
    m_renderTexture = nullptr;
    m_renderTargetReady = 0;
    // The same pool, and a reset loses what they held.
    m_backgroundCache.Release();
    m_restingBackground.Release();
}

// ---- the interference effect ----

void TsFrontEnd::ResetQuads()
{
    static const uint32_t kTops[3] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
    for (int q = 0; q < 3; ++q) {
        const uint32_t top = kTops[q], bottom = kTops[q] & 0x00FFFFFF;
        const QuadVertex corners[4] = {{kQuadLeft, kQuadTop, kQuadZ, top, 0.0f, 0.01f},
                                       {kQuadRight, kQuadTop, kQuadZ, top, 1.0f, 0.01f},
                                       {kQuadLeft, kQuadBottom, kQuadZ, bottom, 0.0f, 1.0f},
                                       {kQuadRight, kQuadBottom, kQuadZ, bottom, 1.0f, 1.0f}};
        for (int v = 0; v < 4; ++v)
            m_quads[q].previous[v] = m_quads[q].current[v] = corners[v];
    }
}

void TsFrontEnd::CreateQuadBuffers()
{
    ResetQuads();
    OmD3D* renderer = Renderer();
    if (!renderer)
        return;
    for (int32_t& id : m_quadBuffers)
        if (id < 0)
            id = renderer->CreateVertexBuffer(kQuadFormat, 4, false, false, true);
}

void TsFrontEnd::StartTimer(EffectTimer& timer, float seconds) const
{
    // A duration shorter than a tick (the random draw may give 0) lasts one
    // tick: a vanishing rate would hold the effect back for days.
    timer.value = 0.0f;
    timer.rate = seconds > TsAccess::TickDuration() ? TsAccess::TickDuration() / seconds : 1.0f;
    timer.active = 1;
}

void TsFrontEnd::UpdateInterference()
{
    if (m_characterShape)
        m_characterShape->TickScroller(TsAccess::TickDuration());
    EffectTimer& episode = m_timers[0];
    EffectTimer& pause = m_timers[1];
    if (episode.active) {
        episode.value += episode.rate;
        if (episode.value >= 1.0f && episode.rate > 0.0f)
            episode.rate = -episode.rate;
        if (episode.rate < 0.0f && episode.value <= 0.0f) {
            episode = EffectTimer();
            ResetQuads();
            return;
        }
        // Jitters are stored for quads 0, 2 and 1.
        static const int kJitterOf[3] = {0, 2, 1};
        const float t = episode.value;
        for (int q = 0; q < 3; ++q) {
            EffectQuad& quad = m_quads[q];
            const OmVector2& jitter = m_jitters[kJitterOf[q]];
            for (int v = 0; v < 4; ++v) {
                quad.previous[v] = quad.current[v];
                quad.current[v].x = (v % 2 ? kQuadRight : kQuadLeft) + t * jitter.x;
                quad.current[v].y = (v < 2 ? kQuadTop : kQuadBottom) + t * jitter.y;
            }
        }
        return;
    }
    if (!pause.active) {
        StartTimer(pause, OmRand01() * 8.0f);
        return;
    }
    pause.value += pause.rate;
    if (pause.value < 1.0f)
        return;
    pause = EffectTimer();
    StartTimer(episode, OmRand01() * 2.0f);
    static const int kQuadOrder[3] = {0, 2, 1}; // quad 0, quad 1, quad 2 in the stored order
    for (int q = 0; q < 3; ++q) {
        OmVector2& jitter = m_jitters[kQuadOrder[q]];
        jitter.x = (0.5f - OmRand01()) * 0.8f;
        jitter.y = (0.5f - OmRand01()) * 0.8f;
    }
}

bool TsFrontEnd::FillQuadBuffers(float fraction, bool& together)
{
    for (int q = 0; q < 3; ++q) {
        QuadVertex* out = m_frameQuads[q];
        for (int v = 0; v < 4; ++v) {
            const QuadVertex& a = m_quads[q].previous[v];
            out[v] = m_quads[q].current[v];
            out[v].x = a.x + (out[v].x - a.x) * fraction;
            out[v].y = a.y + (out[v].y - a.y) * fraction;
            out[v].z = a.z + (out[v].z - a.z) * fraction;
        }
    }
    together = true;
    for (int q = 1; q < 3; ++q)
        for (int v = 0; v < 4; ++v)
            together = together && m_frameQuads[q][v].x == m_frameQuads[0][v].x
                && m_frameQuads[q][v].y == m_frameQuads[0][v].y && m_frameQuads[q][v].z == m_frameQuads[0][v].z;
    // Quads that lie on one another add their colours in one pass: each
    // quad brings one channel and leaves the others as they were, so the
    // sum is the same to the bit.
    if (together)
        for (int v = 0; v < 4; ++v)
            m_frameQuads[0][v].colour |= m_frameQuads[1][v].colour | m_frameQuads[2][v].colour;
    OmD3D* renderer = Renderer();
    for (int q = 0; q < (together ? 1 : 3); ++q) {
        OmD3DVertexBuffer* buffer = renderer->GetVertexBuffer(m_quadBuffers[q]);
        if (!buffer)
            return false;
        buffer->SetDiscard();
        auto* out = static_cast<QuadVertex*>(buffer->Lock(0, 0, false));
        if (!out)
            return false;
        std::copy(m_frameQuads[q], m_frameQuads[q] + 4, out);
        buffer->Unlock();
    }
    return true;
}

bool TsFrontEnd::FindPaintedTexels(int passes)
{
    GfxDevice* device = Renderer()->GetDevice();
    OmRef<GfxSurface> level;
    m_renderTexture->GetSurfaceLevel(0, level.Put());
    if (!level)
        return false;
    // A pass adds the texture times its quad's colour: a channel the colour
    // lacks at every corner adds nothing, whatever the texel holds there.
    uint32_t channels[3] = {};
    for (int q = 0; q < passes; ++q)
        for (const QuadVertex& corner : m_frameQuads[q])
            channels[q] |= corner.colour & 0x00FFFFFFu;
    // Bands of rows joined where a draw through one more rectangle would
    // cost more than the pixels it leaves out.
    constexpr uint32_t kBands = 128, kJoinArea = 1024;
    const uint32_t bandRows = std::max(8u, (level->Height() + kBands - 1) / kBands);
    const uint32_t bands = (level->Height() + bandRows - 1) / bandRows;
    GfxSpan spans[3 * kBands];
    if (device->GetPaintedSpans(level, bandRows, channels, uint32_t(passes), spans, 3 * kBands)) {
        for (int q = 0; q < passes; ++q)
            m_paintedCount[q] = TsJoinBands(spans + q * bands, bands, bandRows, kPaintedRects, kJoinArea, m_painted[q]);
        return true;
    }
    GfxRect drawn{};
    if (!device->GetDrawnRect(level, &drawn))
        return false;
    for (int q = 0; q < passes; ++q) {
        m_paintedCount[q] = drawn.right > drawn.left && drawn.bottom > drawn.top ? 1 : 0;
        m_painted[q][0] = drawn;
    }
    return true;
}

GfxRect TsFrontEnd::ScreenRectOf(const QuadVertex* corners, const GfxRect& texels) const
{
    OmD3D* renderer = Renderer();
    // A texel reaches the screen through the bilinear filter within one
    // texel of where it lies.
    const float w = float(m_renderTexture->Level(0)->Width()), h = float(m_renderTexture->Level(0)->Height());
    const float du = corners[1].u - corners[0].u, dv = corners[2].v - corners[0].v;
    const float s0 = std::clamp((float(texels.left - 1) / w - corners[0].u) / du, 0.0f, 1.0f);
    const float s1 = std::clamp((float(texels.right + 1) / w - corners[0].u) / du, 0.0f, 1.0f);
    const float t0 = std::clamp((float(texels.top - 1) / h - corners[0].v) / dv, 0.0f, 1.0f);
    const float t1 = std::clamp((float(texels.bottom + 1) / h - corners[0].v) / dv, 0.0f, 1.0f);
    GfxViewport viewport{};
    renderer->GetDeviceViewport(&viewport);
    const OmVector3 origin(corners[0].x, corners[0].y, corners[0].z);
    const OmVector3 across = OmVector3(corners[1].x, corners[1].y, corners[1].z) - origin;
    const OmVector3 down = OmVector3(corners[2].x, corners[2].y, corners[2].z) - origin;
    float lo[2] = {1e9f, 1e9f}, hi[2] = {-1e9f, -1e9f};
    for (float s : {s0, s1}) {
        for (float t : {t0, t1}) {
            const OmVector2 at = Project(origin + across * s + down * t, OmMatrix4::Identity(),
                                         *renderer->GetViewMatrix(), *renderer->GetProjectionMatrix(), viewport);
            lo[0] = std::min(lo[0], at.x), hi[0] = std::max(hi[0], at.x);
            lo[1] = std::min(lo[1], at.y), hi[1] = std::max(hi[1], at.y);
        }
    }
    constexpr float kMargin = 2.0f; // pixels: rasterising and rounding
    const auto edge = [](float value, float limit0, float limit1) {
        return int32_t(std::clamp(value, limit0, limit1));
    };
    const float x0 = float(viewport.x), x1 = float(viewport.x + viewport.width);
    const float y0 = float(viewport.y), y1 = float(viewport.y + viewport.height);
    return GfxRect{edge(std::floor(lo[0] - kMargin), x0, x1), edge(std::floor(lo[1] - kMargin), y0, y1),
                   edge(std::ceil(hi[0] + kMargin), x0, x1), edge(std::ceil(hi[1] + kMargin), y0, y1)};
}

uint32_t TsFrontEnd::ClipRectsForQuad(int pass, GfxRect* out) const
{
    GfxRect onScreen[kPaintedRects];
    for (uint32_t i = 0; i < m_paintedCount[pass]; ++i)
        onScreen[i] = ScreenRectOf(m_frameQuads[pass], m_painted[pass][i]);
    // Neighbouring rectangles meet on the screen within their margins: no
    // pixel may take the quad's colour twice.
    return TsDisjointRows(onScreen, m_paintedCount[pass], out);
}

void TsFrontEnd::DrawInterference(float fraction)
{
    OmD3D* renderer = Renderer();
    GfxDevice* device = renderer ? renderer->GetDevice() : nullptr;
    if (!device || !m_renderTexture)
        return;
    bool together = false;
    if (!FillQuadBuffers(fraction, together))
        return;
    renderer->SetVertexShader(kQuadFormat);
    renderer->SetTexture(0, -1);
    device->SetTexture(0, m_renderTexture); // not a registered texture: straight to the device
    renderer->SetWorldMatrix(&OmMatrix4::Identity());
    renderer->DispatchRenderState(GfxRs::CullMode, 1);
    renderer->DispatchRenderState(GfxRs::Lighting, 0);
    // The quads lie in front of the whole scene and nothing after them in
    // the frame reads depth: testing and writing it would only cost, and
    // on this pass it costs as much as the blend.
    renderer->DispatchRenderState(GfxRs::ZEnable, 0);
    renderer->DispatchRenderState(GfxRs::AlphaBlendEnable, 1);
    renderer->DispatchRenderState(GfxRs::SrcBlend, 5);
    renderer->DispatchRenderState(GfxRs::DestBlend, 2);
    renderer->SetTextureStageState(0, GfxTss::ColorOp, GfxTop::Modulate);
    renderer->SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::Texture);
    renderer->SetTextureStageState(0, GfxTss::ColorArg2, GfxTa::Diffuse);
    renderer->SetTextureStageState(0, GfxTss::AlphaOp, GfxTop::Modulate);
    renderer->SetTextureStageState(0, GfxTss::AlphaArg1, GfxTa::Texture);
    renderer->SetTextureStageState(0, GfxTss::AlphaArg2, GfxTa::Diffuse);
    const int passes = together ? 1 : 3;
    const bool clipped = FindPaintedTexels(passes) && m_frameQuads[0][1].u != m_frameQuads[0][0].u
        && m_frameQuads[0][2].v != m_frameQuads[0][0].v;
    for (int q = 0; q < passes; ++q) {
        renderer->SetStreamSource(0, m_quadBuffers[q]);
        if (!clipped) {
            renderer->DrawPrimitive(GfxPrimitive::TriangleStrip, 0, 2);
            continue;
        }
        GfxRect rects[2 * kPaintedRects];
        const uint32_t count = ClipRectsForQuad(q, rects);
        for (uint32_t i = 0; i < count; ++i) {
            renderer->SetScissorRect(&rects[i]);
            renderer->DrawPrimitive(GfxPrimitive::TriangleStrip, 0, 2);
        }
    }
    renderer->SetScissorRect(nullptr);
    renderer->DispatchRenderState(GfxRs::ZEnable, 1);
    renderer->DispatchRenderState(GfxRs::CullMode, 3);
    renderer->DispatchRenderState(GfxRs::Lighting, 1);
    device->SetTexture(0, nullptr);
    renderer->SetStreamSource(0, -1);
    renderer->DispatchRenderState(GfxRs::AlphaBlendEnable, 0);
    renderer->SetTextureStageState(0, GfxTss::AlphaOp, GfxTop::Disable);
    renderer->SetTextureStageState(0, GfxTss::ColorOp, GfxTop::Modulate);
}

// ---- look bones and pokes ----

OmVector3 TsFrontEnd::LookTarget(const OmVector3& origin, float sx, float sy, float w, float h)
{
    sy = std::max(sy, 100.0f);
    return OmVector3(origin.x - 1000.0f * (w * 0.5f - sx) / w, origin.y - 1000.0f * (sy - h * 0.5f) / h, 1000.0f);
}

float TsFrontEnd::PokeExtent(float p)
{
    if (p < 0.06f)
        return p * 16.666668f;
    if (p <= 0.94f)
        return 1.0f;
    return 1.0f - (p - 0.94f) * 16.666668f;
}

void TsFrontEnd::PokeAt(float x, float y)
{
    for (int i = 0; i < 2; ++i) {
        const float dx = x - m_lookScreen[i].x, dy = y - m_lookScreen[i].y;
        if (m_lookBones[i] >= 0 && std::sqrt(dx * dx + dy * dy) < kPokeReach) {
            m_pokeActive[i] = 1;
            return;
        }
    }
}

void TsFrontEnd::AdvancePokes()
{
    for (int i = 0; i < 2; ++i) {
        if (!m_pokeActive[i])
            continue;
        m_pokePrevious[i] = m_pokeProgress[i];
        m_pokeProgress[i] += std::clamp(TsAccess::TickDuration() * 0.25f, 0.0f, 1.0f);
        if (m_pokePrevious[i] >= 1.0f) {
            m_pokeActive[i] = 0;
            m_pokeProgress[i] = m_pokePrevious[i] = 0.0f;
        }
    }
}

void TsFrontEnd::AimLookBones(float fraction)
{
    OmD3D* renderer = Renderer();
    TsFrontEndSkinShape* shape = m_characterShape;
    if (!renderer || !shape || shape->GetBones().GetCount() == 0 || m_lookBones[0] < 0)
        return;
    OmArray<OmBoneMatrix>& bones = shape->GetBones();
    const OmVector3 origin = bones[uint32_t(m_lookBones[0])].position;
    const float w = float(std::max(1, TsAccess::ScreenWidth())), h = float(std::max(1, TsAccess::ScreenHeight()));
    const TsInput* input = TsAccess::Input();
    OmVector3 target = LookTarget(origin, input ? float(input->GetCursorX()) : w * 0.5f,
                                  input ? float(input->GetCursorY()) : h * 0.5f, w, h);
    const TsCreditsScroller& scroller = shape->GetScroller();
    if (scroller.IsCreditsOn()) {
        const int32_t n = scroller.GetLineIndex() % 8;
        const float y = std::min(800.0f, float(n) * (1.0f / 7.0f) * 2.0f * h + 2.0f * h * 0.125f *
                                                                                   scroller.GetDrawnProgress());
        target = OmVector3(origin.x, origin.y - 500.0f + y, 1000.0f);
    }
    OmMatrix4 look, turn;
    turn.SetAxisRotation(OM_PI * 0.5f, 1.0f, 0.0f, 0.0f);
    BuildLookAtMatrix(origin, target, OmVector3(0, 1, 0), look);
    turn.PostMultiply(look);
    OmMatrix3 rotation;
    turn.GetRotation(rotation);

    OmMatrix4 world;
    world.Compose(shape->GetWorldRotation(), shape->GetWorldPosition(), shape->GetWorldScale());
    GfxViewport viewport{};
    renderer->GetDeviceViewport(&viewport);
    for (int i = 0; i < 2; ++i) {
        if (m_lookBones[i] < 0 || uint32_t(m_lookBones[i]) >= bones.GetCount())
            continue;
        OmBoneMatrix& bone = bones[uint32_t(m_lookBones[i])];
        bone.rotation = rotation;
        const OmVector3 tip = bone.rotation.Transform(OmVector3(-0.5f, 0.8f, 0.0f)) + bone.position;
        m_lookScreen[i] = Project(tip, world, *renderer->GetViewMatrix(), *renderer->GetProjectionMatrix(), viewport);
        if (!m_pokeActive[i])
            continue;
        const float p = m_pokePrevious[i] + (m_pokeProgress[i] - m_pokePrevious[i]) * fraction;
        bone.position += bone.rotation.Transform(OmVector3(0.0f, 0.0f, -0.5f * PokeExtent(p)));
        bone.rotation.PreRotateZ((i == 0 ? 4.0f : -4.0f) * p * OM_TWO_PI);
    }
}

// ---- the frame ----

bool TsFrontEnd::ShowBackdropOnce()
{
    if (m_displayState == kFrozen)
        return false;
    if (m_displayState == kShowBackdrop) {
        if (OmD3D* renderer = Renderer()) {
            renderer->DispatchRenderState(GfxRs::Ambient, 0);
            renderer->Clear(nullptr, 0);
            GfxSurface* backdrop = CreateBackdropSurface(kBackdrop);
            DrawBackdrop(backdrop);
            ReleaseBackdrop(backdrop);
        }
        m_displayState = kFrozen;
    }
    return true;
}

void TsFrontEnd::DrawPanelStrip()
{
    const TsGuiSprite* parts[3] = {GetSprite(2), GetSprite(3), GetSprite(4)};
    OmD3D* renderer = Renderer();
    if (!renderer || !parts[0] || !parts[1] || !parts[2])
        return;
    renderer->DispatchRenderState(GfxRs::AlphaBlendEnable, 1);
    renderer->DispatchRenderState(GfxRs::SrcBlend, 5);
    renderer->DispatchRenderState(GfxRs::DestBlend, 6);
    const float bottom = GuiToPixelsY(1.0f);
    float y = -1.0f;
    for (int k = 0; y < bottom; k = (k + 1) % 3) {
        parts[k]->DrawMirrored(renderer, -1.0f, y, 0, false, false, TsGuiSprite::kKeepBlend);
        const float step = parts[k]->GetPixelHeight();
        if (step <= 0.0f)
            break; // a sprite with no height would never reach the bottom
        y += step;
    }
    renderer->DispatchRenderState(GfxRs::AlphaBlendEnable, 0);
}

void TsFrontEnd::DrawPanelStripInScene()
{
    // The figure after it is drawn with the texture stages as it finds them:
    // what the strip sets is put back.
    static constexpr uint32_t kStageStates[] = {GfxTss::ColorOp,  GfxTss::ColorArg1, GfxTss::AlphaOp,
                                                GfxTss::AlphaArg1, GfxTss::AddressU,  GfxTss::AddressV};
    static constexpr uint32_t kRenderStates[] = {GfxRs::AlphaBlendEnable, GfxRs::SrcBlend, GfxRs::DestBlend};
    OmD3D* renderer = Renderer();
    uint32_t stages[std::size(kStageStates)], states[std::size(kRenderStates)];
    for (size_t i = 0; i < std::size(kStageStates); ++i)
        stages[i] = renderer->GetTextureStageState(0, kStageStates[i]);
    for (size_t i = 0; i < std::size(kRenderStates); ++i)
        states[i] = renderer->GetRenderState(kRenderStates[i]);
    const uint32_t vertexShader = renderer->GetVertexShader();
    DrawPanelStrip();
    for (size_t i = 0; i < std::size(kStageStates); ++i)
        renderer->SetTextureStageState(0, kStageStates[i], stages[i]);
    for (size_t i = 0; i < std::size(kRenderStates); ++i)
        renderer->DispatchRenderState(kRenderStates[i], states[i]);
    renderer->SetVertexShader(vertexShader);
}

namespace {

// True when nothing under the node is animated by a controller.
bool HoldsStill(const OmNode& node)
{
    if (node.GetControllers())
        return false;
    const OmGroup* group = OmGroup::Cast(&node);
    for (int32_t i = 0; group && i < group->GetChildCount(); ++i) {
        const OmNode* child = group->GetChild(uint32_t(i));
        if (child && !HoldsStill(*child))
            return false;
    }
    return true;
}

} // namespace

bool TsFrontEnd::StripClearOfInterference() const
{
    // The strip stands at the screen's left edge, no wider than its widest part.
    float stripRight = 0.0f;
    for (int32_t part = 2; part <= 4; ++part)
        if (const TsGuiSprite* sprite = GetSprite(part))
            stripRight = std::max(stripRight, sprite->GetPixelWidth());
    // This frame's quads lie between where they were and where they are:
    // the corners of both bound them.
    OmD3D* renderer = Renderer();
    GfxViewport viewport{};
    renderer->GetDeviceViewport(&viewport);
    float left = 1e9f;
    for (const EffectQuad& quad : m_quads) {
        for (const QuadVertex* corners : {quad.previous, quad.current}) {
            for (int v = 0; v < 4; ++v) {
                const OmVector3 corner(corners[v].x, corners[v].y, corners[v].z);
                left = std::min(left, Project(corner, OmMatrix4::Identity(), *renderer->GetViewMatrix(),
                                              *renderer->GetProjectionMatrix(), viewport).x);
            }
        }
    }
    constexpr float kMargin = 2.0f; // pixels: rasterising and rounding, as the quads' clip allows
    return left - kMargin > stripRight;
}

bool TsFrontEnd::CanKeepBackground() const
{
    // The figure drawn into its own target first flushes what the scene
    // filed before it: the background's blended parts are on the screen
    // then, and nothing of the figure is. A background that moves cannot
    // be kept. The panel strip is kept with it, drawn before the
    // interference rather than after: the same picture while the quads
    // stay clear of it.
    return m_characterShape && m_characterShape->HasRenderTarget() && m_backgroundModel
        && HoldsStill(*m_backgroundModel) && StripClearOfInterference();
}

TsPictureCache& TsFrontEnd::BackgroundCacheFor(uint32_t key)
{
    return key == std::bit_cast<uint32_t>(m_flickerTrack.base) ? m_restingBackground : m_backgroundCache;
}

void TsFrontEnd::RenderBackground()
{
    OmD3D* renderer = Renderer();
    // The lights are switched as for drawing it either way: what comes after
    // sees them as it always did.
    renderer->EnableLight(m_lights[kRed], true);
    renderer->EnableLight(m_lights[kBlue], true);
    const bool keep = CanKeepBackground();
    m_stripWithBackground = keep;
    const uint32_t key = std::bit_cast<uint32_t>(m_flicker);
    if (!keep || !BackgroundCacheFor(key).PutBack(*renderer, key)) {
        if (m_clearSkipped) {
            renderer->Clear(nullptr, 0); // what was kept went with a reset
            m_clearSkipped = false;
        }
        const uint32_t animatedBefore = renderer->GetAnimatedTextureUses();
        m_backgroundModel->Render(*renderer);
        if (keep)
            KeepBackground(key, animatedBefore);
    }
    renderer->EnableLight(m_lights[kRed], false);
    renderer->EnableLight(m_lights[kBlue], false);
}

void TsFrontEnd::KeepBackground(uint32_t key, uint32_t animatedBefore)
{
    // Its blended parts go in first: the figure, drawn into its own target
    // next, would flush them there anyway. The panel strip goes over them.
    OmD3D* renderer = Renderer();
    OmD3DBatch& batch = renderer->GetBatch();
    const bool open = batch.IsOpen();
    if (open)
        batch.Flush();
    renderer->FlushAlphaQueue();
    DrawPanelStripInScene();
    if (open)
        batch.Begin(0);
    // A texture running through its frames changes the picture while the
    // flicker holds: such a background is drawn afresh every frame.
    if (renderer->GetAnimatedTextureUses() == animatedBefore)
        BackgroundCacheFor(key).Keep(*renderer, key);
}

void TsFrontEnd::RenderScene()
{
    OmD3D* renderer = Renderer();
    renderer->ApplyCamera();
    renderer->DispatchRenderState(GfxRs::Ambient, kSceneAmbient);
    if (m_backgroundModel)
        RenderBackground();
    if (m_characterModel) {
        renderer->EnableLight(m_lights[kYellow], true);
        renderer->EnableLight(m_lights[kMagenta], true);
        renderer->DispatchRenderState(GfxRs::Ambient, kSceneAmbient);
        m_characterModel->Render(*renderer);
        renderer->EnableLight(m_lights[kYellow], false);
        renderer->EnableLight(m_lights[kMagenta], false);
    }
}

void TsFrontEnd::Render(float renderTime, float fraction)
{
    if (!ShowBackdropOnce())
        return;
    OmD3D* renderer = Renderer();
    if (!renderer)
        return;
    if (m_displayState == kFrozen) {
        renderer->Present();
        return;
    }
    UpdateLightFlicker(renderTime);
    if (m_backgroundModel)
        m_backgroundModel->Update(renderTime);
    if (m_characterModel)
        m_characterModel->Update(renderTime);
    AimLookBones(fraction);
    renderer->DispatchRenderState(GfxRs::Ambient, 0);
    // A kept background is put back over the whole picture, colour and
    // depth: nothing needs clearing under it.
    const uint32_t key = std::bit_cast<uint32_t>(m_flicker);
    m_clearSkipped = m_backgroundModel && CanKeepBackground() && BackgroundCacheFor(key).Holds(key);
    if (!m_clearSkipped)
        renderer->Clear(nullptr, 0);
    if (!renderer->BeginScene(renderTime)) {
        // A lost device: the target lives in the default pool, which must be
        // empty before the device can be reset.
        ReleaseRenderTarget();
        renderer->ClearQueuedText();
        return;
    }
    if (renderer->GetResetCount() != m_resetCount) {
        m_resetCount = renderer->GetResetCount();
        if (m_characterShape)
            CreateRenderTarget(m_characterShape->GetTargetWidth(), m_characterShape->GetTargetHeight());
    }
    // The scene's blended parts are drawn with it, before the GUI: left to
    // the end of the frame they would cover the menus.
    OmD3DBatch& batch = renderer->GetBatch();
    batch.Begin(0);
    m_stripWithBackground = false;
    RenderScene();
    batch.Flush();
    renderer->FlushAlphaQueue();
    if (m_renderTargetReady && m_characterShape && m_characterShape->HasRenderTarget())
        DrawInterference(fraction);
    if (!m_stripWithBackground)
        DrawPanelStrip();
    TsFrontEndBase::Render(renderTime, fraction);
    renderer->DrawQueuedText();
    renderer->EndScene();
    renderer->Present();
    renderer->ClearQueuedText();
}
