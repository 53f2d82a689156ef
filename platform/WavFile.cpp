#include "platform/WavFile.h"

#include <cstdio>
#include <cstring>

#include "platform/FilePath.h"

namespace plat {
namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
// Sub-format of an extensible header that means plain integer PCM.
constexpr std::uint8_t kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                            0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
// Larger files are not game sounds; refusing them keeps a bad path from
// reading something huge into memory.
constexpr long kMaxFileBytes = 512L * 1024 * 1024;

std::uint16_t Read16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Read32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

struct Format {
    std::uint16_t tag = 0;
    int channels = 0;
    int rate = 0;
    int blockAlign = 0;
    int bits = 0;
};

bool ParseFormat(const std::uint8_t* p, std::uint32_t size, Format& fmt, std::string& error)
{
    if (size < 16) {
        error = "format chunk too short";
        return false;
    }
    fmt.tag = Read16(p);
    fmt.channels = Read16(p + 2);
    const std::uint32_t rate = Read32(p + 4);
    fmt.blockAlign = Read16(p + 12);
    fmt.bits = Read16(p + 14);
    if (fmt.tag == kFormatExtensible) {
        // cbSize(2) validBits(2) channelMask(4) subFormat(16)
        if (size < 40 || Read16(p + 16) < 22 || std::memcmp(p + 24, kPcmSubFormat, 16) != 0) {
            error = "unsupported extensible format (only integer PCM is read)";
            return false;
        }
        fmt.tag = kFormatPcm;
    }
    if (fmt.tag != kFormatPcm) {
        error = "unsupported format tag " + std::to_string(fmt.tag) + " (only PCM is read)";
        return false;
    }
    if (fmt.channels != 1 && fmt.channels != 2) {
        error = "unsupported channel count " + std::to_string(fmt.channels);
        return false;
    }
    if (fmt.bits != 8 && fmt.bits != 16) {
        error = "unsupported sample size " + std::to_string(fmt.bits) + " bits";
        return false;
    }
    if (rate == 0 || rate > 1000000) {
        error = "bad sample rate " + std::to_string(rate);
        return false;
    }
    fmt.rate = static_cast<int>(rate);
    if (fmt.blockAlign != fmt.channels * fmt.bits / 8) {
        error = "block alignment " + std::to_string(fmt.blockAlign) + " does not match the format";
        return false;
    }
    return true;
}

} // namespace

bool ParseWav(const std::uint8_t* bytes, std::size_t size, WavData& out, std::string& error)
{
    out = WavData{};
    if (size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0) {
        error = "not a RIFF WAVE file";
        return false;
    }
    const std::uint64_t riffEnd = 8 + static_cast<std::uint64_t>(Read32(bytes + 4));
    if (riffEnd > size) {
        error = "file truncated (RIFF size larger than the file)";
        return false;
    }
    const std::size_t end = static_cast<std::size_t>(riffEnd);
    Format fmt;
    bool haveFormat = false;
    std::size_t pos = 12;
    while (pos < end) {
        if (end - pos < 8) {
            error = "truncated chunk header";
            return false;
        }
        const std::uint8_t* id = bytes + pos;
        const std::uint32_t chunkSize = Read32(bytes + pos + 4);
        const std::size_t body = pos + 8;
        if (chunkSize > end - body) {
            error = std::string("chunk '") + std::string(reinterpret_cast<const char*>(id), 4) +
                    "' runs past the end of the file";
            return false;
        }
        if (std::memcmp(id, "fmt ", 4) == 0 && !haveFormat) {
            if (!ParseFormat(bytes + body, chunkSize, fmt, error)) {
                return false;
            }
            haveFormat = true;
        } else if (std::memcmp(id, "data", 4) == 0) {
            if (!haveFormat) {
                error = "data chunk before the format chunk";
                return false;
            }
            // A trailing partial frame cannot be played; it is dropped.
            const std::size_t usable = chunkSize - chunkSize % static_cast<std::uint32_t>(fmt.blockAlign);
            if (usable == 0) {
                error = "no samples";
                return false;
            }
            out.channels = fmt.channels;
            out.bitsPerSample = fmt.bits;
            out.sampleRate = fmt.rate;
            out.samples.assign(bytes + body, bytes + body + usable);
            return true;
        }
        // Chunks are padded to an even size; the pad byte may be missing at the very end.
        pos = body + chunkSize + (chunkSize & 1u);
    }
    error = haveFormat ? "no data chunk" : "no format chunk";
    return false;
}

bool ReadWavFile(std::string_view gamePath, WavData& out, std::string& error)
{
    out = WavData{};
    const std::string name(gamePath);
    std::FILE* file = OpenFile(gamePath, "rb");
    if (!file) {
        error = "cannot open \"" + name + "\"";
        return false;
    }
    std::vector<std::uint8_t> bytes;
    long length = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        length = std::ftell(file);
    }
    bool ok = length >= 0 && length <= kMaxFileBytes && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok) {
        bytes.resize(static_cast<std::size_t>(length));
        ok = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    std::fclose(file);
    if (!ok) {
        error = "cannot read \"" + name + "\"";
        return false;
    }
    if (!ParseWav(bytes.data(), bytes.size(), out, error)) {
        error = "\"" + name + "\": " + error;
        return false;
    }
    return true;
}

} // namespace plat
