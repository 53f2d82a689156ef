// Sound that arrives while it plays (a video's soundtrack): signed 16-bit
// PCM blocks queued on one OpenAL source. Played blocks are taken back and
// their buffers reused, so a steady stream makes no new buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace plat {

namespace detail {
struct SoundContext;
}
class SoundDevice;

class SoundStream {
public:
    SoundStream() = default;
    ~SoundStream();
    SoundStream(const SoundStream&) = delete;
    SoundStream& operator=(const SoundStream&) = delete;

    bool Create(const SoundDevice& device, std::string& error);
    void Destroy();

    // Appends interleaved samples (1 or 2 channels). Starts playback when it
    // is not running (also after running dry). False when refused.
    bool Queue(const std::int16_t* samples, std::size_t frames, int channels, int rate);
    void Stop();
    // True while queued sound remains to be heard.
    bool IsPlaying() const;
    // Seconds of queued sound already heard (the soundtrack's clock).
    double PlayedSeconds() const;
    void SetVolume(int volume);

private:
    void Reclaim();

    std::shared_ptr<detail::SoundContext> ctx_;
    unsigned source_ = 0;
    std::vector<unsigned> free_;  // buffers ready for reuse
    std::vector<unsigned> all_;
    std::vector<double> queuedSeconds_;  // length of each queued block, oldest first
    double playedSeconds_ = 0;
};

} // namespace plat
