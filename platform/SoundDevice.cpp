#include "platform/SoundDevice.h"

#include <AL/alext.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/SoundContext.h"
#include "platform/SoundSegment.h"

namespace plat {
namespace {

// The devices that mix only when asked, and what they mixed.
struct OnDemandMixing {
    int rate = 0;
    std::vector<detail::SoundContext*> open;
    std::vector<std::int16_t> mixed;
    bool keep = true;
    std::vector<std::int16_t> discarded; // reused by every mix that keeps nothing
    LPALCLOOPBACKOPENDEVICESOFT openDevice = nullptr;
    LPALCRENDERSAMPLESSOFT render = nullptr;
};

OnDemandMixing& OnDemand()
{
    static OnDemandMixing mixing;
    return mixing;
}

ALCdevice* OpenOnDemandDevice()
{
    OnDemandMixing& mixing = OnDemand();
    if (!mixing.openDevice) {
        mixing.openDevice = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
            alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
        mixing.render =
            reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    }
    return mixing.openDevice && mixing.render ? mixing.openDevice(nullptr) : nullptr;
}

} // namespace

namespace detail {

SoundContext::~SoundContext()
{
    if (onDemandRate > 0) {
        std::erase(OnDemand().open, this);
    }
    if (alcGetCurrentContext() == context) {
        alcMakeContextCurrent(nullptr);
    }
    if (context) {
        alcDestroyContext(context);
    }
    if (device) {
        alcCloseDevice(device);
    }
}

bool SoundContext::Use() const
{
    if (!context) {
        return false;
    }
    return alcGetCurrentContext() == context || alcMakeContextCurrent(context) == ALC_TRUE;
}

std::int64_t SoundContext::TimeMs() const
{
    if (onDemandRate > 0) {
        return static_cast<std::int64_t>(mixedFrames * 1000 / static_cast<std::uint64_t>(onDemandRate));
    }
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - opened)
        .count();
}

std::uint32_t SoundContext::NewPlayId()
{
    const std::uint32_t id = nextPlayId++;
    if (nextPlayId < 2) {  // wrapped: 0 and 1 stay free for callers' own meanings
        nextPlayId = 2;
    }
    return id;
}

PathState::~PathState()
{
    if (ctx) {
        std::erase(ctx->paths, this);
        if (ctx->Use()) {
            for (Channel& c : channels) {
                alSourceStop(c.source);
                alDeleteSources(1, &c.source);
            }
        }
    }
}

bool PathState::IsPlaying(const Channel& c) const
{
    if (c.playId == 0 || !ctx->Use()) {
        return false;
    }
    ALint state = AL_STOPPED;
    alGetSourcei(c.source, AL_SOURCE_STATE, &state);
    return state == AL_PLAYING;
}

void PathState::ApplyPosition() const
{
    if (!positional) {
        return;
    }
    for (const Channel& c : channels) {
        alSource3f(c.source, AL_POSITION, position[0], position[1], -position[2]);
    }
}

void PathState::Release(ALuint buffer, bool alsoPlaying)
{
    if (!ctx->Use()) {
        return;
    }
    for (Channel& c : channels) {
        if (c.buffer == buffer && (alsoPlaying || !IsPlaying(c))) {
            alSourceStop(c.source);
            alSourcei(c.source, AL_BUFFER, 0);
            c = Channel{c.source};
        }
    }
}

} // namespace detail


void MixOnlyOnDemand(int rate, SoundRecord record)
{
    OnDemandMixing& mixing = OnDemand();
    mixing.rate = rate;
    mixing.keep = record == SoundRecord::Keep;
    // Room for two seconds at once, more than any frame mixes.
    if (!mixing.keep && rate > 0 && mixing.discarded.size() < 4 * static_cast<std::size_t>(rate)) {
        mixing.discarded.resize(4 * static_cast<std::size_t>(rate));
    }
}

void MixSound(double seconds)
{
    OnDemandMixing& mixing = OnDemand();
    if (mixing.rate <= 0 || seconds <= 0) {
        return;
    }
    const auto frames = static_cast<std::size_t>(seconds * mixing.rate + 0.5);
    for (detail::SoundContext* ctx : mixing.open) {
        std::int16_t* into = nullptr;
        if (mixing.keep) {
            const std::size_t from = mixing.mixed.size();
            mixing.mixed.resize(from + 2 * frames);
            into = mixing.mixed.data() + from;
        } else {
            if (mixing.discarded.size() < 2 * frames) {
                mixing.discarded.resize(2 * frames);
            }
            into = mixing.discarded.data();
        }
        mixing.render(ctx->device, into, static_cast<ALCsizei>(frames));
        ctx->mixedFrames += frames;
    }
}

const std::vector<std::int16_t>& MixedSound()
{
    return OnDemand().mixed;
}

float GainFromVolume(int volume)
{
    volume = std::clamp(volume, kSilentVolume, 0);
    return static_cast<float>(std::pow(10.0, volume / 2000.0));
}

bool CheckSoundDevice(std::string& error)
{
    ALCdevice* device = alcOpenDevice(nullptr);
    if (!device) {
        error = "no sound output device could be opened";
        return false;
    }
    alcCloseDevice(device);
    return true;
}

SoundDevice::SoundDevice() = default;

SoundDevice::~SoundDevice()
{
    Close();
}

bool SoundDevice::Open(std::string& error)
{
    Close();
    auto ctx = std::make_shared<detail::SoundContext>();
    const int onDemandRate = OnDemand().rate;
    ctx->device = onDemandRate > 0 ? OpenOnDemandDevice() : alcOpenDevice(nullptr);
    if (!ctx->device) {
        error = "no sound output device could be opened";
        return false;
    }
    if (onDemandRate > 0) {
        ctx->onDemandRate = onDemandRate;
        OnDemand().open.push_back(ctx.get());
        OnDemand().mixed.clear();
    }
    // Stereo 16-bit at the asked rate for a device mixed on demand; the
    // device's own format otherwise.
    const ALCint onDemandFormat[] = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT,
                                     ALC_SHORT_SOFT, ALC_FREQUENCY, onDemandRate, 0};
    ctx->context = alcCreateContext(ctx->device, onDemandRate > 0 ? onDemandFormat : nullptr);
    if (!ctx->context || !ctx->Use()) {
        error = "the sound device refused a context";
        return false;
    }
    ctx->loopPoints = alIsExtensionPresent("AL_SOFT_loop_points") == AL_TRUE;
    ctx->spatialize = alIsExtensionPresent("AL_SOFT_source_spatialize") == AL_TRUE;
    if (alIsExtensionPresent("AL_SOFT_deferred_updates") == AL_TRUE) {
        ctx->deferUpdates = reinterpret_cast<LPALDEFERUPDATESSOFT>(alGetProcAddress("alDeferUpdatesSOFT"));
        ctx->processUpdates = reinterpret_cast<LPALPROCESSUPDATESSOFT>(alGetProcAddress("alProcessUpdatesSOFT"));
    }
    ctx->opened = std::chrono::steady_clock::now();
    alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
    ctx_ = std::move(ctx);
    SetListener({}, {0, 0, 1}, {0, 1, 0});
    return true;
}

void SoundDevice::Close()
{
    ctx_.reset();
}

std::int64_t SoundDevice::TimeMs() const
{
    return ctx_ ? ctx_->TimeMs() : 0;
}

void SoundDevice::SetListener(const SoundVector& position, const SoundVector& front, const SoundVector& top,
                              SoundApply apply)
{
    listener_ = position;
    front_ = front;
    top_ = top;
    listenerPending_ = apply == SoundApply::Deferred;
    if (!listenerPending_) {
        ApplyListener();
    }
}

void SoundDevice::ApplyListener()
{
    if (!ctx_ || !ctx_->Use()) {
        return;
    }
    alListener3f(AL_POSITION, listener_.x, listener_.y, -listener_.z);
    const ALfloat orientation[6] = {front_.x, front_.y, -front_.z, top_.x, top_.y, -top_.z};
    alListenerfv(AL_ORIENTATION, orientation);
}

void SoundDevice::CommitDeferredSettings()
{
    if (!ctx_ || !ctx_->Use()) {
        return;
    }
    const bool batch = ctx_->deferUpdates && ctx_->processUpdates;
    if (batch) {
        ctx_->deferUpdates();
    }
    if (std::exchange(listenerPending_, false)) {
        ApplyListener();
    }
    for (detail::PathState* path : ctx_->paths) {
        if (std::exchange(path->positionPending, false)) {
            path->ApplyPosition();
        }
    }
    if (batch) {
        ctx_->processUpdates();
    }
}

bool SoundDevice::IsPlaying(const SoundSegment& segment) const
{
    if (!ctx_ || !segment.IsLoaded()) {
        return false;
    }
    for (const detail::PathState* path : ctx_->paths) {
        for (const detail::Channel& c : path->channels) {
            if (segment.Holds(c.buffer) && path->IsPlaying(c)) {
                return true;
            }
        }
    }
    return false;
}

void SoundDevice::StopAll()
{
    if (!ctx_ || !ctx_->Use()) {
        return;
    }
    for (detail::PathState* path : ctx_->paths) {
        for (detail::Channel& c : path->channels) {
            alSourceStop(c.source);
        }
    }
}

} // namespace plat
