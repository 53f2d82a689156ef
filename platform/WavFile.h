// Our reader for the game's sound effects and music: RIFF WAVE files with
// 8-bit (unsigned) or 16-bit (signed little-endian) PCM, mono or stereo, at
// any sample rate. Chunks other than "fmt " and "data" are skipped. Sound
// files are game content that players can replace, so every size in the
// file is checked against what is really there; a damaged file gives an
// error text, never a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

struct WavData {
    int channels = 0;       // 1 or 2
    int bitsPerSample = 0;  // 8 or 16
    int sampleRate = 0;     // frames per second
    // Whole frames only, exactly as stored (8-bit unsigned, 16-bit signed LE).
    std::vector<std::uint8_t> samples;

    int BytesPerFrame() const { return channels * bitsPerSample / 8; }
    std::size_t FrameCount() const
    {
        return BytesPerFrame() > 0 ? samples.size() / static_cast<std::size_t>(BytesPerFrame()) : 0;
    }
};

// Parses a WAV image in memory. False with `error` set when the image is
// not a usable PCM WAV; `out` is then left empty.
bool ParseWav(const std::uint8_t* bytes, std::size_t size, WavData& out, std::string& error);

// Reads a WAV file named by a game path (through plat::OpenFile). The error
// text names the file.
bool ReadWavFile(std::string_view gamePath, WavData& out, std::string& error);

} // namespace plat
