// Feeds arbitrary bytes to the WAV parser: it must answer, never crash, and
// a success must describe samples that are all inside what it returned.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/WavFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    plat::WavData wav;
    std::string error;
    if (plat::ParseWav(data, size, wav, error)) {
        const bool sane = (wav.channels == 1 || wav.channels == 2) &&
                          (wav.bitsPerSample == 8 || wav.bitsPerSample == 16) && wav.sampleRate > 0 &&
                          !wav.samples.empty() && wav.samples.size() % wav.BytesPerFrame() == 0 &&
                          wav.samples.size() <= size;
        if (!sane)
            std::abort();
    } else if (error.empty()) {
        std::abort();
    }
    return 0;
}
