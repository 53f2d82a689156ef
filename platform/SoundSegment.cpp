#include "platform/SoundSegment.h"

#include <AL/alext.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/SoundContext.h"
#include "platform/SoundDevice.h"
#include "platform/WavFile.h"

namespace plat {

namespace {

// The two channels of each frame averaged into one, in the stored format
// (8-bit unsigned or 16-bit signed little-endian).
std::vector<std::uint8_t> MixToMono(const WavData& wav)
{
    const std::size_t frames = wav.FrameCount();
    std::vector<std::uint8_t> mono;
    mono.reserve(frames * static_cast<std::size_t>(wav.bitsPerSample / 8));
    const std::uint8_t* s = wav.samples.data();
    for (std::size_t f = 0; f < frames; ++f) {
        if (wav.bitsPerSample == 8) {
            mono.push_back(static_cast<std::uint8_t>((s[2 * f] + s[2 * f + 1]) / 2));
            continue;
        }
        const auto left = static_cast<std::int16_t>(s[4 * f] | (s[4 * f + 1] << 8));
        const auto right = static_cast<std::int16_t>(s[4 * f + 2] | (s[4 * f + 3] << 8));
        const auto mixed = static_cast<std::uint16_t>((left + right) / 2);
        mono.push_back(static_cast<std::uint8_t>(mixed & 0xff));
        mono.push_back(static_cast<std::uint8_t>(mixed >> 8));
    }
    return mono;
}

// A new buffer holding the samples; 0 when the device refused them.
ALuint MakeBuffer(ALenum format, const std::vector<std::uint8_t>& samples, int rate)
{
    alGetError();
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    alBufferData(buffer, format, samples.data(), static_cast<ALsizei>(samples.size()), rate);
    if (alGetError() != AL_NO_ERROR) {
        alDeleteBuffers(1, &buffer);
        return 0;
    }
    return buffer;
}

} // namespace

SoundSegment::~SoundSegment()
{
    Unload();
}

SoundSegment::SoundSegment(SoundSegment&& other) noexcept
    : ctx_(std::move(other.ctx_)),
      buffer_(std::exchange(other.buffer_, 0u)),
      mono_(std::exchange(other.mono_, 0u)),
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
        mono_ = std::exchange(other.mono_, 0u);
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
    const ALuint buffer = MakeBuffer(format, wav.samples, wav.sampleRate);
    const ALenum monoFormat = wav.bitsPerSample == 8 ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16;
    const ALuint mono = stereo && buffer ? MakeBuffer(monoFormat, MixToMono(wav), wav.sampleRate) : 0;
    if (buffer == 0 || (stereo && mono == 0)) {
        alDeleteBuffers(1, &buffer);
        error = "the sound device refused the samples";
        return false;
    }
    ctx_ = ctx;
    buffer_ = buffer;
    mono_ = mono;
    frames_ = static_cast<std::uint32_t>(wav.FrameCount());
    rate_ = wav.sampleRate;
    return true;
}

void SoundSegment::Unload()
{
    if (buffer_ != 0 && ctx_ && ctx_->Use()) {
        for (detail::PathState* path : ctx_->paths) {
            path->Release(buffer_, true);
            path->Release(mono_, true);
        }
        alDeleteBuffers(1, &buffer_);
        if (mono_ != 0) {
            alDeleteBuffers(1, &mono_);
        }
    }
    ctx_.reset();
    buffer_ = 0;
    mono_ = 0;
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
        path->Release(mono_, false);
    }
    alGetError();
    const ALint points[2] = {static_cast<ALint>(start), static_cast<ALint>(end)};
    alBufferiv(buffer_, AL_LOOP_POINTS_SOFT, points);
    if (mono_ != 0) {
        alBufferiv(mono_, AL_LOOP_POINTS_SOFT, points);
    }
    return alGetError() == AL_NO_ERROR;
}

} // namespace plat
