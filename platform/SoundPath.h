// A route for playing segments: a few OpenAL sources sharing one volume.
// A direct path plays its sounds as they are (music, dialogue, interface
// effects); a positional path places them in 3D at the path's position,
// with full level within 10 units, falling as 10 / distance up to 100 units
// and constant beyond.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/SoundDevice.h"

namespace plat {

namespace detail {
struct PathState;
}
class SoundSegment;

enum class SoundPathKind { Direct, Positional };

constexpr float kSoundMinDistance = 10.0f;
constexpr float kSoundMaxDistance = 100.0f;
constexpr float kSoundRollOff = 1.0f;

class SoundPath {
public:
    SoundPath();
    ~SoundPath();
    SoundPath(SoundPath&& other) noexcept;
    SoundPath& operator=(SoundPath&& other) noexcept;

    // Makes `channels` sources (sounds that can play at once) on the device.
    bool Create(const SoundDevice& device, SoundPathKind kind, int channels, std::string& error);
    void Destroy();
    bool IsCreated() const { return state_ != nullptr; }

    // Starts the segment on a free channel; when every channel is busy the
    // one started first gives way. Returns the play's id, never 0 or 1, or 0
    // when nothing was started (no path, segment not loaded, OpenAL refused).
    std::uint32_t Play(const SoundSegment& segment, bool loop);

    bool IsPlaying(std::uint32_t playId) const;
    bool IsPlaying() const;
    // Whether the play repeats; false when the play is not on this path.
    bool GetLooping(std::uint32_t playId, bool& looping) const;
    // Clock time (SoundDevice::TimeMs) when the play started; -1 when unknown.
    std::int64_t StartTimeMs(std::uint32_t playId) const;
    bool Stop(std::uint32_t playId);
    void StopAll();

    // Hundredths of a decibel, clamped to -10000..0; applies to every channel.
    void SetVolume(int volume);
    int Volume() const;

    // Positional paths only; the position is kept for direct paths too but
    // not used. A deferred one is heard from the device's next commit.
    void SetPosition(const SoundVector& position, SoundApply apply = SoundApply::Now);
    SoundVector Position() const;

private:
    std::unique_ptr<detail::PathState> state_;
};

} // namespace plat
