#include "platform/SoundPath.h"

#include <AL/alext.h>

#include <algorithm>

#include "platform/SoundContext.h"
#include "platform/SoundSegment.h"

namespace plat {
namespace {

using detail::Channel;
using detail::PathState;

Channel* FindPlay(PathState* state, std::uint32_t playId)
{
    if (!state || playId == 0) {
        return nullptr;
    }
    for (Channel& c : state->channels) {
        if (c.playId == playId) {
            return &c;
        }
    }
    return nullptr;
}

} // namespace

SoundPath::SoundPath() = default;
SoundPath::~SoundPath() = default;
SoundPath::SoundPath(SoundPath&& other) noexcept = default;
SoundPath& SoundPath::operator=(SoundPath&& other) noexcept = default;

bool SoundPath::Create(const SoundDevice& device, SoundPathKind kind, int channels, std::string& error)
{
    Destroy();
    const auto& ctx = device.Context();
    if (!ctx || !ctx->Use()) {
        error = "the sound device is not open";
        return false;
    }
    if (channels < 1 || channels > 64) {
        error = "bad channel count " + std::to_string(channels);
        return false;
    }
    auto state = std::make_unique<PathState>();
    state->positional = kind == SoundPathKind::Positional;
    alGetError();
    for (int i = 0; i < channels; ++i) {
        ALuint source = 0;
        alGenSources(1, &source);
        if (alGetError() != AL_NO_ERROR) {
            break;
        }
        state->channels.push_back(Channel{source});
        if (state->positional) {
            alSourcei(source, AL_SOURCE_RELATIVE, AL_FALSE);
            alSourcef(source, AL_REFERENCE_DISTANCE, kSoundMinDistance);
            alSourcef(source, AL_MAX_DISTANCE, kSoundMaxDistance);
            alSourcef(source, AL_ROLLOFF_FACTOR, kSoundRollOff);
            if (ctx->spatialize) {
                // Segments play mono here; anything else is still placed.
                alSourcei(source, AL_SOURCE_SPATIALIZE_SOFT, AL_TRUE);
            }
        } else {
            alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
            alSource3f(source, AL_POSITION, 0, 0, 0);
            alSourcef(source, AL_ROLLOFF_FACTOR, 0);
        }
    }
    // The path joins the device's list before anything can fail, so its
    // destructor (which leaves the list) is always balanced.
    state->ctx = ctx;
    ctx->paths.push_back(state.get());
    if (static_cast<int>(state->channels.size()) != channels) {
        error = "the sound device has no more sources";
        return false;
    }
    state->ApplyPosition();
    state_ = std::move(state);
    return true;
}

void SoundPath::Destroy()
{
    state_.reset();
}

std::uint32_t SoundPath::Play(const SoundSegment& segment, bool loop)
{
    if (!state_ || !segment.IsLoaded() || !state_->ctx->Use()) {
        return 0;
    }
    // A free channel, else the one whose sound started first.
    Channel* channel = nullptr;
    for (Channel& c : state_->channels) {
        if (!state_->IsPlaying(c)) {
            channel = &c;
            break;
        }
        if (!channel || c.startMs < channel->startMs) {
            channel = &c;
        }
    }
    alGetError();
    alSourceStop(channel->source);
    const unsigned buffer = segment.BufferFor(state_->positional);
    alSourcei(channel->source, AL_BUFFER, static_cast<ALint>(buffer));
    alSourcei(channel->source, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
    alSourcef(channel->source, AL_GAIN, GainFromVolume(state_->volume));
    alSourcePlay(channel->source);
    if (alGetError() != AL_NO_ERROR) {
        alSourcei(channel->source, AL_BUFFER, 0);
        *channel = Channel{channel->source};
        return 0;
    }
    channel->buffer = buffer;
    channel->playId = state_->ctx->NewPlayId();
    channel->startMs = state_->ctx->TimeMs();
    channel->loop = loop;
    return channel->playId;
}

bool SoundPath::IsPlaying(std::uint32_t playId) const
{
    const Channel* c = FindPlay(state_.get(), playId);
    return c && state_->IsPlaying(*c);
}

bool SoundPath::IsPlaying() const
{
    return state_ && std::any_of(state_->channels.begin(), state_->channels.end(),
                                 [this](const Channel& c) { return state_->IsPlaying(c); });
}

bool SoundPath::GetLooping(std::uint32_t playId, bool& looping) const
{
    const Channel* c = FindPlay(state_.get(), playId);
    if (!c) {
        return false;
    }
    looping = c->loop;
    return true;
}

std::int64_t SoundPath::StartTimeMs(std::uint32_t playId) const
{
    const Channel* c = FindPlay(state_.get(), playId);
    return c ? c->startMs : -1;
}

bool SoundPath::Stop(std::uint32_t playId)
{
    Channel* c = FindPlay(state_.get(), playId);
    if (!c || !state_->ctx->Use()) {
        return false;
    }
    alSourceStop(c->source);
    alSourcei(c->source, AL_BUFFER, 0);
    *c = Channel{c->source};
    return true;
}

void SoundPath::StopAll()
{
    if (!state_ || !state_->ctx->Use()) {
        return;
    }
    for (Channel& c : state_->channels) {
        alSourceStop(c.source);
        alSourcei(c.source, AL_BUFFER, 0);
        c = Channel{c.source};
    }
}

void SoundPath::SetVolume(int volume)
{
    if (!state_) {
        return;
    }
    state_->volume = std::clamp(volume, kSilentVolume, 0);
    if (!state_->ctx->Use()) {
        return;
    }
    const float gain = GainFromVolume(state_->volume);
    for (const Channel& c : state_->channels) {
        alSourcef(c.source, AL_GAIN, gain);
    }
}

int SoundPath::Volume() const
{
    return state_ ? state_->volume : 0;
}

void SoundPath::SetPosition(const SoundVector& position, SoundApply apply)
{
    if (!state_) {
        return;
    }
    state_->position[0] = position.x;
    state_->position[1] = position.y;
    state_->position[2] = position.z;
    state_->positionPending = apply == SoundApply::Deferred;
    if (!state_->positionPending && state_->ctx->Use()) {
        state_->ApplyPosition();
    }
}

SoundVector SoundPath::Position() const
{
    if (!state_) {
        return {};
    }
    return {state_->position[0], state_->position[1], state_->position[2]};
}

} // namespace plat
