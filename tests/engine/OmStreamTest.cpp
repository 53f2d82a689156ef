#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/OmStream.h"
#include "tests/engine/ArchiveTestSupport.h"

using namespace archive_test;

namespace {

std::vector<unsigned char> Pattern(size_t n)
{
    std::vector<unsigned char> bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<unsigned char>(i * 7 + 3);
    return bytes;
}

} // namespace

TEST(OmBufferedFile, WritesFlushWholeBuffersAndBypassLargeBlocks)
{
    const TestFile path("write");
    {
        OmBufferedFile file(16);
        EXPECT_EQ(file.Write("x", 1), 0u) << "not open yet";
        ASSERT_TRUE(file.Open(path.c_str(), true));
        std::vector<unsigned char> data = Pattern(100);
        EXPECT_EQ(file.Write(data.data(), 16), 16u); // exactly the room
        EXPECT_EQ(ReadFile(path).size(), 0u) << "still buffered";
        EXPECT_EQ(file.Write(data.data() + 16, 1), 1u);
        EXPECT_EQ(ReadFile(path).size(), 16u) << "one more byte flushes a full buffer";
        EXPECT_EQ(file.Write(data.data() + 17, 40), 40u); // larger than the buffer
        EXPECT_EQ(file.Write(data.data(), 0), 0u);
        EXPECT_EQ(file.WriteU32(0x11223344u), 4u);
        EXPECT_EQ(file.WriteFloat(1.0f), 4u);
        EXPECT_EQ(file.WriteText("abc"), 3u);
        EXPECT_EQ(file.WriteText(""), 0u);
        file.Close();
        file.Close(); // closes once
        EXPECT_FALSE(file.IsOpen() || file.HasFailed());
    }
    std::vector<unsigned char> bytes = ReadFile(path);
    ASSERT_EQ(bytes.size(), 57u + 4 + 4 + 3);
    std::vector<unsigned char> expected = Pattern(57);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bytes.begin()));
    EXPECT_EQ(bytes[57], 0x44);
    EXPECT_EQ(bytes[60], 0x11);
    EXPECT_EQ(bytes[61], 0x00);
    EXPECT_EQ(bytes[64], 0x3f);
    EXPECT_EQ(std::string(bytes.end() - 3, bytes.end()), "abc");
}

// A read larger than the buffer is served partly from it, the rest straight
// from the file; a short read returns what there was and the failure sticks.
TEST(OmBufferedFile, ReadsRefillStraddleAndBypassTheBuffer)
{
    const TestFile path("read");
    const std::vector<unsigned char> data = Pattern(300);
    WriteFile(path, data);
    OmBufferedFile file(32);
    ASSERT_TRUE(file.Open(path.c_str(), false));
    const struct {
        size_t size, got;
    } reads[] = {{3, 3},   {5, 5},   {10, 10}, {20, 20}, {1, 1},  {40, 40}, {7, 7},
                 {64, 64}, {30, 30}, {2, 2},   {80, 80}, {4, 4},  {40, 34}, {1, 0}};
    size_t at = 0;
    std::vector<unsigned char> got(100);
    for (const auto& r : reads) {
        EXPECT_EQ(file.Read(got.data(), r.size), r.got) << "at " << at;
        EXPECT_TRUE(std::equal(got.begin(), got.begin() + long(r.got), data.begin() + long(at))) << "at " << at;
        at += r.got;
        EXPECT_EQ(file.GetRemaining(), 300u - at);
        EXPECT_EQ(file.HasFailed(), r.got < r.size) << "at " << at;
    }
    uint32_t word = 0xABCDu;
    EXPECT_EQ(file.ReadU32(word), 0u);
    EXPECT_EQ(word, 0xABCDu) << "a failed word read leaves the destination alone";
}

TEST(OmBufferedFile, SeekWithinAndOutsideTheBuffer)
{
    const TestFile path("seek");
    std::vector<unsigned char> data = Pattern(200);
    WriteFile(path, data);

    OmBufferedFile file(32);
    ASSERT_TRUE(file.Open(path.c_str(), false));
    unsigned char byte = 0;
    file.Read(&byte, 1);
    // Within the buffer, past it (measured from the logical position), back,
    // from the end and from the start.
    const struct {
        long offset;
        int whence;
        size_t read;
    } seeks[] = {{9, SEEK_CUR, 10}, {100, SEEK_CUR, 111}, {-50, SEEK_CUR, 62}, {-1, SEEK_END, 199}, {5, SEEK_SET, 5}};
    for (const auto& s : seeks) {
        file.Seek(s.offset, s.whence);
        file.Read(&byte, 1);
        EXPECT_EQ(byte, data[s.read]) << s.offset;
    }
    EXPECT_EQ(file.GetRemaining(), 194u);
    file.Seek(-500, SEEK_SET);
    EXPECT_FALSE(file.IsOpen()) << "a failed reposition closes the stream";
    EXPECT_EQ(file.Read(&byte, 1), 0u);

    OmBufferedFile writer(16);
    const TestFile out("seekwrite");
    ASSERT_TRUE(writer.Open(out.c_str(), true));
    writer.Write("abcdef", 6);
    writer.Seek(-4, SEEK_CUR); // the unwritten bytes count
    writer.Write("XY", 2);
    writer.Close();
    std::vector<unsigned char> bytes = ReadFile(out);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "abXYef");
}
