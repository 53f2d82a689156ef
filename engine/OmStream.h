// Byte streams under the object archive, the animation database and the
// world importer's script output. Multi-byte values pass through as their
// in-memory (little-endian) bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

class OmStream {
public:
    virtual ~OmStream() = default;
    virtual size_t Read(void* buffer, size_t size) = 0;
    virtual size_t Write(const void* buffer, size_t size) = 0;
    virtual bool IsOpen() const = 0;

    // Writes the text without its terminator, one byte at a time, stopping
    // at the first byte that does not go out; returns the bytes written.
    size_t WriteText(const char* text);
};

// A file with one buffer, used either for writing or for reading.
//
// A sticky failure flag: once a read comes up short (the file ended early
// or the stream is closed) or a write does not go out, HasFailed stays true,
// so a caller can check once at the end instead of after every value.
class OmBufferedFile : public OmStream {
public:
    explicit OmBufferedFile(uint32_t capacity);
    ~OmBufferedFile() override;
    OmBufferedFile(const OmBufferedFile&) = delete;
    OmBufferedFile& operator=(const OmBufferedFile&) = delete;

    // The path goes through the game's path lookup.
    bool Open(const char* path, bool writing);
    void Close();

    size_t Read(void* buffer, size_t size) override;
    size_t Write(const void* buffer, size_t size) override;
    bool IsOpen() const override { return m_open != 0; }

    size_t ReadU32(uint32_t& value)
    {
        if (!m_open)
            return Fail();
        if (m_fill - m_position >= 4) {
            std::memcpy(&value, m_buffer + m_position, 4);
            m_position += 4;
            return 4;
        }
        return Read(&value, 4);
    }
    size_t WriteU32(uint32_t value)
    {
        if (!m_open)
            return 0;
        if (m_capacity - m_position >= 4) {
            std::memcpy(m_buffer + m_position, &value, 4);
            m_position += 4;
            return 4;
        }
        return Write(&value, 4);
    }
    size_t WriteFloat(float value)
    {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        return WriteU32(bits);
    }

    // Origin 0 from the start, 1 from the current position, 2 from the end.
    void Seek(long offset, int origin);

    // Bytes between the read position and the end of the file, so that
    // lengths and counts read from a file can be checked before anything is
    // allocated for them.
    uint64_t GetRemaining() const;

    bool HasFailed() const { return m_failed; }
    // Marks the stream failed, as a short read would.
    void SetFailed() { m_failed = true; }

private:
    bool Flush();
    size_t Fail()
    {
        m_failed = true;
        return 0;
    }
    size_t ReadFromFile(void* buffer, size_t size);

    std::FILE* m_file = nullptr;
    char* m_buffer = nullptr;
    uint8_t m_open = 0;
    uint8_t m_reading = 0;
    uint32_t m_capacity;
    uint32_t m_fill = 0;
    uint32_t m_position = 0;
    bool m_failed = false;
    uint64_t m_fileSize = 0;
    uint64_t m_fileOffset = 0; // where the file itself stands
};
