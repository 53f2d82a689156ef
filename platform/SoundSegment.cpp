#include "platform/SoundSegment.h"

#include <AL/alext.h>

#include <utility>

#include "platform/SoundContext.h"
#include "platform/SoundDevice.h"
#include "platform/WavFile.h"

namespace plat {

SoundSegment::~SoundSegment()
{
    Unload();
}

SoundSegment::SoundSegment(SoundSegment&& other) noexcept
    : ctx_(std::move(other.ctx_)),
      buffer_(std::exchange(other.buffer_, 0u)),
      frames_(std::exchange(other.frames_, 0u)),
      rate_(std::exchange(other.rate_, 0))
{
}

SoundSegment& SoundSegment::operator=(SoundSegment&& other) noexcept
{
    if (this != &other) {
        Unload();
        ctx_ = std::move(other.ctx_);
        buffer_ = std::exchange(other.buffer_, 0u);
        frames_ = std::exchange(other.frames_, 0u);
        rate_ = std::exchange(other.rate_, 0);
    }
    return *this;
}

bool SoundSegment::Load(const SoundDevice& device, std::string_view gamePath, std::string& error)
{
    WavData wav;
    if (!ReadWavFile(gamePath, wav, error)) {
        Unload();
        return false;
    }
    return Load(device, wav, error);
}

bool SoundSegment::Load(const SoundDevice& device, const WavData& wav, std::string& error)
{
    Unload();
    const auto& ctx = device.Context();
    if (!ctx || !ctx->Use()) {
        error = "the sound device is not open";
        return false;
    }
    if ((wav.channels != 1 && wav.channels != 2) || (wav.bitsPerSample != 8 && wav.bitsPerSample != 16)) {
        error = "only 8 or 16-bit mono or stereo samples can be played";
        return false;
    }
    const bool stereo = wav.channels == 2;
    const ALenum format = wav.bitsPerSample == 8 ? (stereo ? AL_FORMAT_STEREO8 : AL_FORMAT_MONO8)
                                                 : (stereo ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16);
    if (wav.FrameCount() == 0 || wav.sampleRate <= 0 || wav.samples.size() > 0x7fffffffu) {
        error = "no usable samples";
        return false;
    }
    alGetError();
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    alBufferData(buffer, format, wav.samples.data(), static_cast<ALsizei>(wav.samples.size()), wav.sampleRate);
    if (alGetError() != AL_NO_ERROR) {
        alDeleteBuffers(1, &buffer);
        error = "the sound device refused the samples";
        return false;
    }
    ctx_ = ctx;
    buffer_ = buffer;
    frames_ = static_cast<std::uint32_t>(wav.FrameCount());
    rate_ = wav.sampleRate;
    return true;
}

void SoundSegment::Unload()
{
    if (buffer_ != 0 && ctx_ && ctx_->Use()) {
        for (detail::PathState* path : ctx_->paths) {
            path->Release(buffer_, true);
        }
        alDeleteBuffers(1, &buffer_);
    }
    ctx_.reset();
    buffer_ = 0;
    frames_ = 0;
    rate_ = 0;
}

bool SoundSegment::SetLoopPoints(std::uint32_t start, std::uint32_t end)
{
    if (buffer_ == 0 || !ctx_->Use()) {
        return false;
    }
    if (start == 0 && end == 0) {
        end = frames_;
    }
    if (start >= end || end > frames_ || end > 0x7fffffffu) {
        return false;
    }
    if (!ctx_->loopPoints) {
        // Without the extension a loop always covers the whole sound.
        return start == 0 && end == frames_;
    }
    // OpenAL keeps loop points on the buffer and refuses to change them
    // while any source holds it, even a stopped one: let the idle ones go.
    for (detail::PathState* path : ctx_->paths) {
        path->Release(buffer_, false);
    }
    alGetError();
    const ALint points[2] = {static_cast<ALint>(start), static_cast<ALint>(end)};
    alBufferiv(buffer_, AL_LOOP_POINTS_SOFT, points);
    return alGetError() == AL_NO_ERROR;
}

} // namespace plat
