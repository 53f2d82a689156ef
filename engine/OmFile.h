// A binary file that is either read or written, decided once when it is
// opened. Scene records move their fields through Transfer, so one routine
// per record serves both directions and the two can never drift apart.
//
// Reading never trusts the file: the first short read marks the file as
// failed, every later transfer does nothing, and callers check Ok() before
// they act on what was read.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

class OmFile {
public:
    OmFile() = default;
    OmFile(const OmFile&) = delete;
    OmFile& operator=(const OmFile&) = delete;
    virtual ~OmFile();

    // Opens with "wb" or "rb" through the game's path resolution.
    bool Open(const char* path, bool writing);
    // False when a written file did not reach the disk whole: stdio keeps
    // the last bytes of a small file until it is closed, so a full disk can
    // show up only here.
    bool Close();

    virtual void Read(void* buffer, uint32_t size);
    virtual void Write(const void* buffer, uint32_t size);

    // Read or write, as the direction says.
    OmFile& Transfer(void* field, uint32_t size);
    OmFile& Transfer(uint32_t& value) { return Transfer(&value, 4); }
    OmFile& Transfer(int32_t& value) { return Transfer(&value, 4); }
    OmFile& Transfer(float& value) { return Transfer(&value, 4); }
    OmFile& Transfer(uint8_t& value) { return Transfer(&value, 1); }

    bool IsWriting() const { return m_writing != 0; }
    bool Ok() const { return !m_failed; }
    // Marks the file as failed (a reader that found a value it cannot accept).
    void Fail() { m_failed = true; }
    // Bytes not yet read; records use it to refuse counts that cannot fit.
    virtual uint64_t Remaining() const { return m_remaining; }

protected:
    std::FILE* m_handle = nullptr;
    uint8_t m_writing = 0;
    bool m_failed = false;
    uint64_t m_remaining = 0;
};

// The same transfers over a block of memory: reading from bytes the caller
// keeps alive, or writing into bytes the file collects.
class OmMemoryFile : public OmFile {
public:
    // Reading.
    OmMemoryFile(const void* data, size_t size);
    // Writing.
    OmMemoryFile();

    void Read(void* buffer, uint32_t size) override;
    void Write(const void* buffer, uint32_t size) override;
    uint64_t Remaining() const override { return m_size - m_position; }

    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

private:
    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
    size_t m_position = 0;
    std::vector<uint8_t> m_bytes;
};
