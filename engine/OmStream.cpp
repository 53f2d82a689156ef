#include "engine/OmStream.h"

#include <algorithm>

#include "platform/FilePath.h"

size_t OmStream::WriteText(const char* text)
{
    size_t written = 0;
    for (; text && text[written]; ++written) {
        if (Write(&text[written], 1) != 1)
            break;
    }
    return written;
}

OmBufferedFile::OmBufferedFile(uint32_t capacity)
    : m_buffer(capacity ? new char[capacity] : nullptr), m_capacity(capacity)
{
}

OmBufferedFile::~OmBufferedFile()
{
    Close();
    delete[] m_buffer;
}

bool OmBufferedFile::Open(const char* path, bool writing)
{
    Close();
    m_file = path ? plat::OpenFile(path, writing ? "wb" : "rb") : nullptr;
    m_reading = !writing;
    m_open = m_file != nullptr;
    m_fill = m_position = 0;
    m_failed = !m_open;
    m_fileSize = m_fileOffset = 0;
    // The stream buffers by itself; a second buffer in the runtime library
    // would only hide write failures until the file is closed.
    if (m_open)
        std::setvbuf(m_file, nullptr, _IONBF, 0);
    if (m_open && m_reading && std::fseek(m_file, 0, SEEK_END) == 0) {
        long size = std::ftell(m_file);
        m_fileSize = size > 0 ? uint64_t(size) : 0;
        std::fseek(m_file, 0, SEEK_SET);
    }
    return m_open;
}

void OmBufferedFile::Close()
{
    if (!m_open)
        return;
    Flush();
    if (m_file && std::fclose(m_file) != 0 && !m_reading)
        m_failed = true;
    m_file = nullptr;
    m_open = 0;
}

bool OmBufferedFile::Flush()
{
    if (!m_reading && m_position > 0) {
        size_t written = std::fwrite(m_buffer, 1, m_position, m_file);
        m_fileOffset += written;
        if (written < m_position) {
            m_position = 0;
            m_open = 0;
            m_failed = true;
            std::fclose(m_file);
            m_file = nullptr;
            return false;
        }
    }
    m_fill = 0;
    m_position = 0;
    return true;
}

size_t OmBufferedFile::ReadFromFile(void* buffer, size_t size)
{
    size_t got = std::fread(buffer, 1, size, m_file);
    m_fileOffset += got;
    return got;
}

size_t OmBufferedFile::Read(void* buffer, size_t size)
{
    if (!m_open || !m_reading)
        return Fail();
    char* out = static_cast<char*>(buffer);
    size_t available = m_fill - m_position;
    if (size <= available) {
        std::memcpy(out, m_buffer + m_position, size);
        m_position += uint32_t(size);
        return size;
    }
    // Take what the buffer holds, then the rest from the file.
    std::memcpy(out, m_buffer + m_position, available);
    m_fill = m_position = 0;
    size_t copied = available;
    size_t rest = size - available;
    if (rest > m_capacity) {
        copied += ReadFromFile(out + copied, rest);
    } else {
        m_fill = uint32_t(ReadFromFile(m_buffer, m_capacity));
        size_t take = std::min<size_t>(rest, m_fill);
        std::memcpy(out + copied, m_buffer, take);
        m_position = uint32_t(take);
        copied += take;
    }
    if (copied < size)
        m_failed = true;
    return copied;
}

size_t OmBufferedFile::Write(const void* buffer, size_t size)
{
    if (!m_open || m_reading || size == 0)
        return 0;
    const char* in = static_cast<const char*>(buffer);
    size_t room = m_capacity - m_position;
    if (size <= room) {
        std::memcpy(m_buffer + m_position, in, size);
        m_position += uint32_t(size);
        return size;
    }
    std::memcpy(m_buffer + m_position, in, room);
    m_position = m_capacity;
    if (!Flush())
        return 0;
    size_t rest = size - room;
    if (rest >= m_capacity) {
        size_t written = std::fwrite(in + room, 1, rest, m_file);
        m_fileOffset += written;
        if (written < rest) {
            m_open = 0;
            m_failed = true;
            std::fclose(m_file);
            m_file = nullptr;
        }
        return room + written;
    }
    std::memcpy(m_buffer, in + room, rest);
    m_position = uint32_t(rest);
    return size;
}

void OmBufferedFile::Seek(long offset, int origin)
{
    if (!m_open)
        return;
    if (origin == SEEK_CUR && m_reading) {
        int64_t target = int64_t(m_position) + offset;
        if (target >= 0 && target < int64_t(m_fill)) {
            m_position = uint32_t(target);
            return;
        }
    }
    // The logical position differs from the file's by what the buffer holds.
    int64_t logical = m_reading ? int64_t(m_fileOffset) - int64_t(m_fill - m_position)
                                : int64_t(m_fileOffset) + int64_t(m_position);
    if (!Flush())
        return;
    int64_t target = offset;
    int whence = origin;
    if (origin == SEEK_CUR) {
        target = logical + offset;
        whence = SEEK_SET;
    }
    if (std::fseek(m_file, long(target), whence) != 0) {
        std::fclose(m_file);
        m_file = nullptr;
        m_open = 0;
        m_failed = true;
        return;
    }
    long now = std::ftell(m_file);
    m_fileOffset = now > 0 ? uint64_t(now) : 0;
}

uint64_t OmBufferedFile::GetRemaining() const
{
    if (!m_open || !m_reading)
        return 0;
    uint64_t buffered = m_fill - m_position;
    uint64_t unread = m_fileSize > m_fileOffset ? m_fileSize - m_fileOffset : 0;
    return unread + buffered;
}
