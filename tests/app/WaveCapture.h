// Reads what the game has played so far from the wave file that OpenAL
// Soft's wave writer fills while the game runs: the writer leaves the sizes
// open until it closes, so the data runs to the end of the file as it is now.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace game_test {

struct WaveCapture {
    int channels = 0;
    int rate = 0;
    std::vector<int16_t> samples; // interleaved, 16-bit

    // Frames (one sample per channel) held so far.
    size_t Frames() const { return channels > 0 ? samples.size() / size_t(channels) : 0; }
    // The loudest sample of frames [from, to), to clamped to what is held.
    int Peak(size_t from, size_t to) const;
};

// The file as it is now; no samples when it cannot be read or is not 16-bit
// PCM (plain or in the extensible form).
WaveCapture ReadWaveCapture(const std::string& path);

} // namespace game_test
