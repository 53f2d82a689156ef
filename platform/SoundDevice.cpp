#include "platform/SoundDevice.h"

#include <AL/alext.h>

#include <algorithm>
#include <cmath>

#include "platform/SoundContext.h"
#include "platform/SoundSegment.h"

namespace plat {
namespace detail {

SoundContext::~SoundContext()
{
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
    ctx->device = alcOpenDevice(nullptr);
    if (!ctx->device) {
        error = "no sound output device could be opened";
        return false;
    }
    ctx->context = alcCreateContext(ctx->device, nullptr);
    if (!ctx->context || !ctx->Use()) {
        error = "the sound device refused a context";
        return false;
    }
    ctx->loopPoints = alIsExtensionPresent("AL_SOFT_loop_points") == AL_TRUE;
    ctx->spatialize = alIsExtensionPresent("AL_SOFT_source_spatialize") == AL_TRUE;
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

void SoundDevice::SetListener(const SoundVector& position, const SoundVector& front, const SoundVector& top)
{
    listener_ = position;
    if (!ctx_ || !ctx_->Use()) {
        return;
    }
    alListener3f(AL_POSITION, position.x, position.y, -position.z);
    const ALfloat orientation[6] = {front.x, front.y, -front.z, top.x, top.y, -top.z};
    alListenerfv(AL_ORIENTATION, orientation);
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
