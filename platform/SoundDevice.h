// The game's audio output over OpenAL Soft: one device with its listener
// and clock. Sounds are loaded into SoundSegment objects and played on
// SoundPath objects made on the device.
//
// 3D settings can be deferred: they wait, without being heard, until
// CommitDeferredSettings applies every waiting one in the same instant, so
// a moved listener and the voices placed for it never play half-updated.
//
// Positions and directions are in the game's frame (x right, y up, z
// forward; left-handed); they are mirrored in z on the way to OpenAL, which
// is right-handed, so that a sound on the listener's right stays on the right.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace plat {

namespace detail {
struct SoundContext;
}
class SoundSegment;

struct SoundVector {
    float x = 0, y = 0, z = 0;
};

enum class SoundApply { Now, Deferred };

// Volumes are hundredths of a decibel, -10000 (silent) to 0 (full); the
// value is clamped to that range. The gain is 10^(volume / 2000).
constexpr int kSilentVolume = -10000;
float GainFromVolume(int volume);

// The start-up check: opens the default output device and closes it again.
// False with an error text when there is no usable device.
bool CheckSoundDevice(std::string& error);

// For tests, which must hear what was played whatever the machine's load:
// every device opened after MixOnlyOnDemand mixes nothing by itself. Time
// passes for it only in MixSound, which mixes that much more of every such
// device that is open (stereo 16-bit at `rate`) and keeps it; the device's
// clock counts the frames mixed. Opening such a device starts a new record.
// A test that only needs the sound's time to follow its own clock discards
// what is mixed: no record grows, and mixing allocates nothing once warm.
enum class SoundRecord { Keep, Discard };
void MixOnlyOnDemand(int rate, SoundRecord record = SoundRecord::Keep);
void MixSound(double seconds);
// Interleaved left/right samples mixed since the last on-demand device opened.
const std::vector<std::int16_t>& MixedSound();

class SoundDevice {
public:
    SoundDevice();
    ~SoundDevice();
    SoundDevice(const SoundDevice&) = delete;
    SoundDevice& operator=(const SoundDevice&) = delete;

    // Opens the default device with one context: inverse-distance clamped
    // attenuation, listener at the origin facing +z. False with a text on failure.
    bool Open(std::string& error);
    // Lets go of the device; it really closes once every segment, path and
    // stream made on it is gone too.
    void Close();
    bool IsOpen() const { return ctx_ != nullptr; }

    // Milliseconds since Open: the clock that start times are measured on.
    std::int64_t TimeMs() const;

    void SetListener(const SoundVector& position, const SoundVector& front, const SoundVector& top,
                     SoundApply apply = SoundApply::Now);
    SoundVector ListenerPosition() const { return listener_; }
    // Applies the deferred listener and path positions all at once.
    void CommitDeferredSettings();

    // True when some path of this device is playing the segment.
    bool IsPlaying(const SoundSegment& segment) const;
    // Stops everything playing on every path of this device.
    void StopAll();

    const std::shared_ptr<detail::SoundContext>& Context() const { return ctx_; }

private:
    void ApplyListener();

    std::shared_ptr<detail::SoundContext> ctx_;
    SoundVector listener_;
    SoundVector front_{0, 0, 1};
    SoundVector top_{0, 1, 0};
    bool listenerPending_ = false;
};

} // namespace plat
