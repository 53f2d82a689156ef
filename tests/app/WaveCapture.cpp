#include "WaveCapture.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace game_test {

namespace {

uint32_t Word(const std::vector<char>& bytes, size_t at, int size)
{
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | uint8_t(bytes[at + size_t(i)]);
    return value;
}

} // namespace

int WaveCapture::Peak(size_t from, size_t to) const
{
    const size_t end = std::min(to, Frames()) * size_t(channels);
    int peak = 0;
    for (size_t i = from * size_t(channels); i < end; ++i)
        peak = std::max(peak, std::abs(int(samples[i])));
    return peak;
}

WaveCapture ReadWaveCapture(const std::string& path)
{
    WaveCapture wave;
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (bytes.size() < 12 || std::string(bytes.data(), 4) != "RIFF" || std::string(bytes.data() + 8, 4) != "WAVE")
        return wave;
    // Chunks after the header: "fmt " gives the form, "data" runs to the end.
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id(bytes.data() + at, 4);
        const uint32_t size = Word(bytes, at + 4, 4);
        const size_t body = at + 8;
        if (id == "fmt " && body + 16 <= bytes.size()) {
            const uint32_t format = Word(bytes, body, 2);
            const uint32_t bits = Word(bytes, body + 14, 2);
            if ((format != 1 && format != 0xFFFE) || bits != 16)
                return wave;
            wave.channels = int(Word(bytes, body + 2, 2));
            wave.rate = int(Word(bytes, body + 4, 4));
        } else if (id == "data") {
            if (wave.channels <= 0)
                return wave;
            const size_t count = (bytes.size() - body) / 2;
            wave.samples.resize(count);
            for (size_t i = 0; i < count; ++i)
                wave.samples[i] = int16_t(Word(bytes, body + 2 * i, 2));
            return wave;
        }
        at = body + size + (size & 1);
    }
    return wave;
}

} // namespace game_test
