#include "game/framework/TsVideo.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "engine/OmRef.h"
#include "game/framework/TsLog.h"
#include "platform/FilePath.h"
#include "platform/PlaybackWatch.h"
#include "platform/SoundDevice.h"
#include "platform/SoundStream.h"
#include "platform/VideoFile.h"
#include "platform/Window.h"
#include "render/OmD3D.h"

using namespace plat;

namespace {

// One playback at a time; Stop reaches it from the message pump.
bool g_playing = false;
bool g_stopRequested = false;
TsVideo::FrameObserver g_observer = nullptr;
void* g_observerUser = nullptr;

// How long the picture may stand still past the video's own length before
// the playback gives up waiting for the soundtrack.
constexpr double kEndGraceSeconds = 1.0;
constexpr auto kIdleStep = std::chrono::milliseconds(5);

struct ScreenVertex {
    float x, y, z, rhw;
    float u, v;
};

bool FileExists(const char* path)
{
    std::FILE* file = OpenFile(path, "rb");
    if (!file)
        return false;
    std::fclose(file);
    return true;
}

void ClearAndPresentBlack(OmD3D& renderer)
{
    GfxDevice* device = renderer.GetDevice();
    for (int i = 0; i < 2; ++i) {
        device->Clear(0, nullptr, GfxClear::Target, 0xFF000000u, 1.0f, 0);
        device->Present(nullptr, nullptr, nullptr, nullptr);
    }
}

// Everything one playback makes, released in one place whatever the exit.
class Playback {
public:
    explicit Playback(OmD3D& renderer) : m_renderer(renderer), m_device(*renderer.GetDevice()) {}
    ~Playback() { Release(); }

    bool Open(const char* path);
    int32_t Run();

private:
    bool OpenSound();
    bool MakeTexture();
    void Upload(const VideoFrame& frame);
    void Draw();
    void SetDrawingStates();
    bool Finished(double t) const;
    void Release();

    OmD3D& m_renderer;
    GfxDevice& m_device;
    VideoFile m_video;
    SoundDevice m_sound;
    SoundStream m_stream;
    bool m_hasSound = false;
    OmRef<GfxTexture> m_texture;
    PlaybackWatch m_watch;
    bool m_quitQueued = false;
};

bool Playback::Open(const char* path)
{
    std::string error;
    if (!m_video.Open(path, error)) {
        LogErrorF("TsVideo: %s", error.c_str());
        return false;
    }
    if (!MakeTexture()) {
        LogErrorF("TsVideo: no texture of %d x %d for %s", m_video.Width(), m_video.Height(), path);
        return false;
    }
    m_hasSound = m_video.HasAudio() && OpenSound();
    return true;
}

// A video without its sound still plays; the player only misses the sound.
bool Playback::OpenSound()
{
    std::string error;
    if (!m_sound.Open(error) || !m_stream.Create(m_sound, error)) {
        LogErrorF("TsVideo: the soundtrack cannot be played: %s", error.c_str());
        return false;
    }
    return true;
}

bool Playback::MakeTexture()
{
    const auto w = static_cast<uint32_t>(m_video.Width());
    const auto h = static_cast<uint32_t>(m_video.Height());
    return m_device.CreateTexture(w, h, 1, 0, GfxFormat::X8R8G8B8, GfxPool::Managed, m_texture.Put()) == GfxResult::Ok;
}

void Playback::Upload(const VideoFrame& frame)
{
    GfxLockedRect locked{};
    if (m_texture->LockRect(0, &locked, nullptr, 0) != GfxResult::Ok)
        return;
    for (int y = 0; y < frame.height; ++y) {
        const uint32_t* src = frame.pixels.data() + static_cast<size_t>(y) * frame.width;
        auto* dst = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.bits) + static_cast<size_t>(y) * locked.pitch);
        std::copy(src, src + frame.width, dst);
    }
    m_texture->UnlockRect(0);
}

// The device's own states are set directly: the reset after playback puts
// back everything the renderer's cache holds.
void Playback::SetDrawingStates()
{
    m_device.SetRenderState(GfxRs::ZEnable, GfxZb::False);
    m_device.SetRenderState(GfxRs::Lighting, 0);
    m_device.SetRenderState(GfxRs::CullMode, GfxCull::None);
    m_device.SetRenderState(GfxRs::AlphaBlendEnable, 0);
    m_device.SetRenderState(GfxRs::AlphaTestEnable, 0);
    m_device.SetRenderState(GfxRs::FogEnable, 0);
    m_device.SetTexture(0, m_texture);
    m_device.SetTextureStageState(0, GfxTss::ColorOp, GfxTop::SelectArg1);
    m_device.SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::Texture);
    m_device.SetTextureStageState(0, GfxTss::AlphaOp, GfxTop::Disable);
    m_device.SetTextureStageState(0, GfxTss::MagFilter, GfxFilter::Linear);
    m_device.SetTextureStageState(0, GfxTss::MinFilter, GfxFilter::Linear);
    m_device.SetTextureStageState(0, GfxTss::MipFilter, GfxFilter::None);
    m_device.SetTextureStageState(0, GfxTss::AddressU, GfxAddress::Clamp);
    m_device.SetTextureStageState(0, GfxTss::AddressV, GfxAddress::Clamp);
    m_device.SetTextureStageState(1, GfxTss::ColorOp, GfxTop::Disable);
    m_device.SetVertexShader(GfxFvf::XyzRhw | GfxFvf::Tex1);
}

void Playback::Draw()
{
    float w = 0.0f;
    float h = 0.0f;
    {
        OmRef<GfxSurface> back;
        if (m_device.GetBackBuffer(0, GfxBackBufferMono, back.Put()) != GfxResult::Ok || !back)
            return;
        w = static_cast<float>(back->Width());
        h = static_cast<float>(back->Height());
    }
    const ScreenVertex quad[4] = {{-0.5f, -0.5f, 0.0f, 1.0f, 0.0f, 0.0f},
                                  {w - 0.5f, -0.5f, 0.0f, 1.0f, 1.0f, 0.0f},
                                  {-0.5f, h - 0.5f, 0.0f, 1.0f, 0.0f, 1.0f},
                                  {w - 0.5f, h - 0.5f, 0.0f, 1.0f, 1.0f, 1.0f}};
    if (m_device.BeginScene() != GfxResult::Ok)
        return;
    SetDrawingStates();
    m_device.DrawPrimitiveUP(GfxPrimitive::TriangleStrip, 2, quad, sizeof(ScreenVertex));
    m_device.EndScene();
    m_device.Present(nullptr, nullptr, nullptr, nullptr);
}

bool Playback::Finished(double t) const
{
    if (!m_video.AtEnd())
        return false;
    if (m_hasSound && m_stream.IsPlaying())
        return t > m_video.Duration() + kEndGraceSeconds;
    return true;
}

int32_t Playback::Run()
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    for (;;) {
        const double t = std::chrono::duration<double>(Clock::now() - start).count();
        if (m_hasSound)
            m_video.QueueAudio(m_stream);
        if (const VideoFrame* frame = m_video.FrameDue(t)) {
            Upload(*frame);
            Draw();
            if (g_observer)
                g_observer(frame->index, g_observerUser);
        }
        PlaybackWatch::PumpEvents();
        if (!m_quitQueued && !DrainMessages())
            m_quitQueued = true;
        if (m_watch.CloseRequested() || m_quitQueued) {
            // The window is going: the main loop must see the quit.
            if (!m_quitQueued && DrainMessages())
                PostQuit(0);
            return TsVideo::kSkipped;
        }
        if (m_watch.SkipRequested() || g_stopRequested)
            return TsVideo::kSkipped;
        if (Finished(t))
            return TsVideo::kPlayed;
        std::this_thread::sleep_for(kIdleStep);
    }
}

void Playback::Release()
{
    m_stream.Stop();
    m_stream.Destroy();
    m_sound.Close();
    if (m_texture) {
        m_device.SetTexture(0, nullptr);
        m_texture = nullptr;
    }
    m_video.Close();
}

// The renderer gives up its device objects for the playback and takes them
// back afterwards, so the game draws as before whatever the video changed.
void RestoreRenderer(OmD3D& renderer)
{
    if (!renderer.Reset())
        LogError("TsVideo: the graphics device could not be reset after the video");
    renderer.ClearDeviceLost();
}

} // namespace

int32_t TsVideo::PlayFMV(const char* path)
{
    OmD3D* renderer = OmD3D::Instance();
    if (!renderer || !renderer->GetDevice()) {
        LogErrorF("TsVideo: no graphics device to show %s on", path ? path : "(null)");
        return kFailed;
    }
    if (g_playing) {
        LogErrorF("TsVideo: %s asked for while another video plays", path ? path : "(null)");
        return kFailed;
    }
    ClearAndPresentBlack(*renderer);
    // Checked before the renderer lets go of anything, so a missing file
    // costs nothing to undo.
    if (!path || !FileExists(path))
        return kFailed;
    renderer->GetDevice()->ResourceManagerDiscardBytes(0);
    renderer->MarkDeviceLost();
    renderer->ReleaseDeviceObjects();
    g_playing = true;
    g_stopRequested = false;
    int32_t result = kFailed;
    {
        Playback playback(*renderer);
        if (playback.Open(path))
            result = playback.Run();
    }
    g_playing = false;
    g_stopRequested = false;
    RestoreRenderer(*renderer);
    return result;
}

void TsVideo::Stop()
{
    if (g_playing)
        g_stopRequested = true;
}

bool TsVideo::IsPlaying()
{
    return g_playing;
}

void TsVideo::SetFrameObserver(FrameObserver observer, void* user)
{
    g_observer = observer;
    g_observerUser = user;
}
