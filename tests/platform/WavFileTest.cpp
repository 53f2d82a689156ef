#include <gtest/gtest.h>

#include <tuple>

#include "platform/WavFile.h"
#include "tests/platform/ImageTestFiles.h"

namespace {

using imgtest::Bytes;

// A chunk: its tag, its size, its body and a pad byte to an even size.
Bytes Chunk(const char* tag, const Bytes& body)
{
    Bytes b(tag, tag + 4);
    imgtest::Put32(b, uint32_t(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    b.resize(b.size() + body.size() % 2);
    return b;
}

Bytes FormatChunk(int channels, int bits, int rate, int blockAlign = -1)
{
    const uint32_t align = blockAlign < 0 ? channels * bits / 8 : blockAlign;
    Bytes body;
    imgtest::Put(body, 2, {1, uint32_t(channels)});
    imgtest::Put(body, 4, {uint32_t(rate), rate * align});
    imgtest::Put(body, 2, {align, uint32_t(bits)});
    return Chunk("fmt ", body);
}

Bytes Riff(std::initializer_list<Bytes> chunks)
{
    Bytes body{'W', 'A', 'V', 'E'};
    for (const Bytes& c : chunks)
        body.insert(body.end(), c.begin(), c.end());
    return Chunk("RIFF", body);
}

std::string Parse(const Bytes& b, plat::WavData& wav)
{
    std::string error;
    if (plat::ParseWav(b.data(), b.size(), wav, error))
        return "ok";
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(wav.samples.empty());
    return error;
}

TEST(WavFileTest, ReadsEachPcmLayoutAndSkipsOtherChunks)
{
    plat::WavData wav;
    // 8-bit mono at an odd rate, with an odd-sized chunk (and its pad byte) first.
    const Bytes mono8 = Riff({Chunk("LIST", {1, 2, 3}), FormatChunk(1, 8, 11025), Chunk("data", {0, 128, 255})});
    ASSERT_EQ(Parse(mono8, wav), "ok");
    EXPECT_EQ(std::tuple(wav.channels, wav.bitsPerSample, wav.sampleRate), std::tuple(1, 8, 11025));
    EXPECT_EQ(wav.samples, (Bytes{0, 128, 255}));
    EXPECT_EQ(wav.FrameCount(), 3u);
    // 16-bit stereo; a trailing half frame is dropped.
    ASSERT_EQ(Parse(Riff({FormatChunk(2, 16, 48000), Chunk("data", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10})}), wav), "ok");
    EXPECT_EQ(wav.samples.size(), 8u);
    // Extensible header with the integer PCM sub-format, as many tools write.
    // Tag 0xFFFE, 2 channels, 44100 Hz, 176400 bytes a second, align 4, 16 bits, 22 more bytes:
    // 16 valid bits, channel mask 3, then the sub-format GUID.
    Bytes ext = Chunk("fmt ", {0xFE, 0xFF, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0, 22, 0, 16, 0,
                               3, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71});
    ASSERT_EQ(Parse(Riff({ext, Chunk("data", {1, 2, 3, 4})}), wav), "ok");
    EXPECT_EQ(wav.sampleRate, 44100);
    ext[ext.size() - 16] = 3;  // floating-point sub-format
    EXPECT_NE(Parse(Riff({ext, Chunk("data", {1, 2, 3, 4})}), wav), "ok");
}

TEST(WavFileTest, DamagedAndUnsupportedFilesAreRefusedWithAReason)
{
    plat::WavData wav;
    const Bytes good = Riff({FormatChunk(1, 16, 22050), Chunk("data", Bytes(100, 7))});
    // Every truncation of a good file is refused (none reads past the end).
    for (std::size_t n = 0; n < good.size(); ++n)
        EXPECT_NE(Parse(Bytes(good.begin(), good.begin() + static_cast<long>(n)), wav), "ok") << "cut at " << n;
    EXPECT_EQ(Parse(good, wav), "ok");
    // A data chunk claiming more than the file holds, with a RIFF size that agrees.
    Bytes lying = good;
    for (size_t at : {40, 41, 4, 5, 6})
        lying[at] = 0xff;
    lying[7] = 0x7f;
    EXPECT_NE(Parse(lying, wav), "ok");
    Bytes lyingData = Riff({FormatChunk(1, 16, 22050), Chunk("data", Bytes(4))});
    lyingData[43] = 0x10;  // data size grows by 256 MB inside a RIFF of the real size
    EXPECT_NE(Parse(lyingData, wav).find("past the end"), std::string::npos);
    Bytes adpcm = FormatChunk(1, 16, 22050);
    adpcm[8] = 2;
    const Bytes samples = Chunk("data", Bytes(8));
    const std::pair<Bytes, const char*> damaged[] = {
        {Riff({Chunk("data", Bytes(4)), FormatChunk(1, 16, 22050)}), "before"},
        {Riff({FormatChunk(1, 16, 22050)}), "no data"},
        {Riff({FormatChunk(1, 16, 22050), Chunk("data", {})}), "no samples"},
        {Riff({Chunk("fmt ", Bytes(10)), samples}), "too short"},
        {Riff({FormatChunk(3, 16, 22050), samples}), "channel"},
        {Riff({FormatChunk(1, 24, 22050), samples}), "sample size"},
        {Riff({FormatChunk(1, 16, 0), samples}), "rate"},
        {Riff({FormatChunk(2, 16, 22050, 1), samples}), "alignment"},
        {Riff({adpcm, samples}), "format tag 2"}};
    for (const auto& [file, reason] : damaged)
        EXPECT_NE(Parse(file, wav).find(reason), std::string::npos) << reason;
    Bytes notWave = good;
    notWave[8] = 'A';
    EXPECT_NE(Parse(notWave, wav), "ok");
}

} // namespace
