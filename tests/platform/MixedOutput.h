// Sound tests hear what was really played: devices mix only when a test
// says how much time passes (plat::MixSound), so a busy machine changes
// nothing of what is heard. The settings must be in place before the first
// OpenAL call of the process, since the library reads them once.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/SoundDevice.h"
#include "platform/WavFile.h"

namespace soundtest {

inline constexpr int kOutputRate = 22050;

// Plain speakers panned by level, nothing that colours or limits the mix.
inline void MixOnDemand()
{
    static const bool set = [] {
        const auto dir = std::filesystem::temp_directory_path() / ("om_mix_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        const std::string conf = (dir / "alsoft.conf").string();
        std::ofstream(conf) << "[general]\nstereo-mode = speakers\nstereo-encoding = panpot\nhrtf = false\n"
                               "output-limiter = false\ndither = false\n";
        ::setenv("ALSOFT_CONF", conf.c_str(), 1);
        plat::MixOnlyOnDemand(kOutputRate);
        return true;
    }();
    (void)set;
}

// Mixes in steps of 10 ms while `playing` holds, for at most `limit` seconds.
template <class Playing>
void MixWhile(Playing playing, double limit = 5.0)
{
    for (double t = 0; t < limit && playing(); t += 0.01)
        plat::MixSound(0.01);
}

// Seconds mixed since the device opened.
inline double MixedSeconds()
{
    return double(plat::MixedSound().size() / 2) / kOutputRate;
}

// The left and right channels of what the last device opened mixed, as -1..1 floats.
struct Output {
    std::vector<float> left, right;

    static Output Read()
    {
        Output out;
        const std::vector<std::int16_t>& samples = plat::MixedSound();
        for (std::size_t i = 0; i + 1 < samples.size(); i += 2) {
            out.left.push_back(samples[i] / 32768.0f);
            out.right.push_back(samples[i + 1] / 32768.0f);
        }
        return out;
    }

    static double Energy(const std::vector<float>& s)
    {
        double sum = 0;
        for (float v : s)
            sum += static_cast<double>(v) * v;
        return sum;
    }
    double Left() const { return std::sqrt(Energy(left)); }
    double Right() const { return std::sqrt(Energy(right)); }
    double Both() const { return std::sqrt(Energy(left) + Energy(right)); }
    // Whether each 10 ms window is audible (a peak above 1 % on either channel).
    std::vector<bool> LoudWindows() const
    {
        const std::size_t window = kOutputRate / 100;
        std::vector<bool> loud;
        for (std::size_t i = 0; i + window <= left.size(); i += window) {
            float peak = 0;
            for (std::size_t j = i; j < i + window; ++j)
                peak = std::max({peak, std::fabs(left[j]), std::fabs(right[j])});
            loud.push_back(peak > 0.01f);
        }
        return loud;
    }
    // Seconds of sound, counted in 10 ms windows.
    double AudibleSeconds() const
    {
        const std::vector<bool> loud = LoudWindows();
        return double(std::count(loud.begin(), loud.end(), true)) * 0.01;
    }
    // The longest run of silent 10 ms windows between two audible ones, in seconds.
    double LongestGap() const
    {
        int longest = 0, run = -1000000; // no gap before the first sound
        for (bool loud : LoudWindows()) {
            if (loud)
                longest = std::max(longest, run), run = 0;
            else
                ++run;
        }
        return longest * 0.01;
    }
};

// A sine tone as 16-bit PCM, optionally after some silence.
inline plat::WavData Tone(double seconds, int channels = 1, double silenceFirst = 0, int rate = kOutputRate,
                          double hertz = 441.0)
{
    plat::WavData wav;
    wav.channels = channels;
    wav.bitsPerSample = 16;
    wav.sampleRate = rate;
    const int silent = static_cast<int>(silenceFirst * rate);
    const int frames = silent + static_cast<int>(seconds * rate);
    for (int i = 0; i < frames; ++i) {
        const double v = i < silent ? 0.0 : 0.5 * std::sin(2 * M_PI * hertz * i / rate);
        const auto s = static_cast<std::int16_t>(v * 32767);
        for (int c = 0; c < channels; ++c) {
            wav.samples.push_back(static_cast<std::uint8_t>(s & 0xff));
            wav.samples.push_back(static_cast<std::uint8_t>((s >> 8) & 0xff));
        }
    }
    return wav;
}

// The 16-bit PCM as a WAV file image.
inline std::string WavFileImage(const plat::WavData& wav)
{
    auto word = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    auto half = [](uint32_t v) { return std::string{char(v), char(v >> 8)}; };
    const std::string pcm(wav.samples.begin(), wav.samples.end());
    const auto frameBytes = uint32_t(wav.channels * 2);
    return "RIFF" + word(36 + uint32_t(pcm.size())) + "WAVEfmt " + word(16) + half(1) + half(uint32_t(wav.channels)) +
           word(uint32_t(wav.sampleRate)) + word(uint32_t(wav.sampleRate) * frameBytes) + half(frameBytes) +
           half(16) + "data" + word(uint32_t(pcm.size())) + pcm;
}

} // namespace soundtest
