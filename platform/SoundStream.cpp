#include "platform/SoundStream.h"

#include <AL/alext.h>

#include "platform/SoundContext.h"
#include "platform/SoundDevice.h"

namespace plat {

SoundStream::~SoundStream()
{
    Destroy();
}

bool SoundStream::Create(const SoundDevice& device, std::string& error)
{
    Destroy();
    const auto& ctx = device.Context();
    if (!ctx || !ctx->Use()) {
        error = "the sound device is not open";
        return false;
    }
    alGetError();
    ALuint source = 0;
    alGenSources(1, &source);
    if (alGetError() != AL_NO_ERROR) {
        error = "the sound device has no more sources";
        return false;
    }
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcef(source, AL_ROLLOFF_FACTOR, 0);
    ctx_ = ctx;
    source_ = source;
    return true;
}

void SoundStream::Destroy()
{
    if (ctx_ && ctx_->Use()) {
        alSourceStop(source_);
        alSourcei(source_, AL_BUFFER, 0);
        alDeleteSources(1, &source_);
        if (!all_.empty()) {
            alDeleteBuffers(static_cast<ALsizei>(all_.size()), all_.data());
        }
    }
    ctx_.reset();
    source_ = 0;
    free_.clear();
    all_.clear();
    queuedSeconds_.clear();
    playedSeconds_ = 0;
}

void SoundStream::Reclaim()
{
    ALint processed = 0;
    alGetSourcei(source_, AL_BUFFERS_PROCESSED, &processed);
    while (processed-- > 0 && !queuedSeconds_.empty()) {
        ALuint buffer = 0;
        alSourceUnqueueBuffers(source_, 1, &buffer);
        free_.push_back(buffer);
        playedSeconds_ += queuedSeconds_.front();
        queuedSeconds_.erase(queuedSeconds_.begin());
    }
}

bool SoundStream::Queue(const std::int16_t* samples, std::size_t frames, int channels, int rate)
{
    if (!ctx_ || !ctx_->Use() || frames == 0 || rate <= 0 || (channels != 1 && channels != 2) ||
        frames * channels * sizeof(std::int16_t) > 0x7fffffffu) {
        return false;
    }
    Reclaim();
    ALuint buffer = 0;
    alGetError();
    if (!free_.empty()) {
        buffer = free_.back();
        free_.pop_back();
    } else {
        alGenBuffers(1, &buffer);
        if (alGetError() != AL_NO_ERROR) {
            return false;
        }
        all_.push_back(buffer);
    }
    const ALenum format = channels == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16;
    alBufferData(buffer, format, samples, static_cast<ALsizei>(frames * channels * sizeof(std::int16_t)), rate);
    alSourceQueueBuffers(source_, 1, &buffer);
    if (alGetError() != AL_NO_ERROR) {
        free_.push_back(buffer);
        return false;
    }
    queuedSeconds_.push_back(static_cast<double>(frames) / rate);
    ALint state = AL_STOPPED;
    alGetSourcei(source_, AL_SOURCE_STATE, &state);
    if (state != AL_PLAYING) {
        alSourcePlay(source_);
    }
    return true;
}

void SoundStream::Stop()
{
    if (!ctx_ || !ctx_->Use()) {
        return;
    }
    alSourceStop(source_);
    Reclaim();
}

bool SoundStream::IsPlaying() const
{
    if (!ctx_ || !ctx_->Use()) {
        return false;
    }
    ALint state = AL_STOPPED;
    alGetSourcei(source_, AL_SOURCE_STATE, &state);
    return state == AL_PLAYING;
}

double SoundStream::PlayedSeconds() const
{
    if (!ctx_ || !ctx_->Use()) {
        return playedSeconds_;
    }
    ALint state = AL_STOPPED;
    alGetSourcei(source_, AL_SOURCE_STATE, &state);
    if (state == AL_STOPPED) {
        // Ran dry: everything still queued has been heard.
        double heard = playedSeconds_;
        for (double s : queuedSeconds_) {
            heard += s;
        }
        return heard;
    }
    ALfloat offset = 0;
    alGetSourcef(source_, AL_SEC_OFFSET, &offset);
    return playedSeconds_ + offset;
}

void SoundStream::SetVolume(int volume)
{
    if (ctx_ && ctx_->Use()) {
        alSourcef(source_, AL_GAIN, GainFromVolume(volume));
    }
}

} // namespace plat
