// A sound loaded into an OpenAL buffer, ready to be played on any path. A
// stereo sound also gets a copy mixed down to mono when it is loaded: a
// positional voice plays that one, placed as one point, while flat paths
// keep both channels.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace plat {

namespace detail {
struct SoundContext;
}
class SoundDevice;
struct WavData;

class SoundSegment {
public:
    SoundSegment() = default;
    ~SoundSegment();
    SoundSegment(SoundSegment&& other) noexcept;
    SoundSegment& operator=(SoundSegment&& other) noexcept;
    SoundSegment(const SoundSegment&) = delete;
    SoundSegment& operator=(const SoundSegment&) = delete;

    // Reads a WAV file (game path) into a buffer on the device. Replaces
    // whatever was loaded. False with an error text on failure.
    bool Load(const SoundDevice& device, std::string_view gamePath, std::string& error);
    bool Load(const SoundDevice& device, const WavData& wav, std::string& error);
    // Stops it wherever it plays and frees the buffer.
    void Unload();
    bool IsLoaded() const { return buffer_ != 0; }

    // The region repeated by a looping play, in frames; (0, 0) is the whole
    // sound. False (nothing changed) for a region outside the sound, or
    // while the segment is playing somewhere.
    bool SetLoopPoints(std::uint32_t start, std::uint32_t end);

    std::uint32_t FrameCount() const { return frames_; }
    int SampleRate() const { return rate_; }
    unsigned Buffer() const { return buffer_; }
    // The buffer a path plays: the mono copy on a positional one.
    unsigned BufferFor(bool positional) const { return positional && mono_ != 0 ? mono_ : buffer_; }
    bool Holds(unsigned buffer) const { return buffer != 0 && (buffer == buffer_ || buffer == mono_); }

private:
    std::shared_ptr<detail::SoundContext> ctx_;
    unsigned buffer_ = 0;
    unsigned mono_ = 0; // 0 for a mono sound
    std::uint32_t frames_ = 0;
    int rate_ = 0;
};

} // namespace plat
