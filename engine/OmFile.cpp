#include "engine/OmFile.h"

#include <cstring>

#include "platform/FilePath.h"
#include "platform/MessageBox.h"

OmFile::~OmFile()
{
    Close();
}

bool OmFile::Open(const char* path, bool writing)
{
    Close();
    m_writing = writing ? 1 : 0;
    m_failed = false;
    m_remaining = 0;
    if (!path)
        return false;
    m_handle = plat::OpenFile(path, writing ? "wb" : "rb");
    if (!m_handle)
        return false;
    if (!writing && std::fseek(m_handle, 0, SEEK_END) == 0) {
        const long size = std::ftell(m_handle);
        m_remaining = size > 0 ? uint64_t(size) : 0;
        std::fseek(m_handle, 0, SEEK_SET);
    }
    return true;
}

bool OmFile::Close()
{
    if (m_handle && std::fclose(m_handle) != 0 && m_writing)
        m_failed = true;
    m_handle = nullptr;
    return !m_failed;
}

void OmFile::Read(void* buffer, uint32_t size)
{
    if (!m_handle) {
        plat::ShowMessageBox("Error", "Trying to read from NULL file!");
        m_failed = true;
        return;
    }
    if (std::fread(buffer, size, 1, m_handle) != 1) {
        m_failed = true;
        m_remaining = 0;
        return;
    }
    m_remaining = m_remaining > size ? m_remaining - size : 0;
}

void OmFile::Write(const void* buffer, uint32_t size)
{
    if (!m_handle) {
        plat::ShowMessageBox("Error", "Trying to write to NULL file!");
        m_failed = true;
        return;
    }
    if (std::fwrite(buffer, size, 1, m_handle) != 1)
        m_failed = true;
}

OmFile& OmFile::Transfer(void* field, uint32_t size)
{
    if (m_failed)
        return *this;
    if (m_writing)
        Write(field, size);
    else
        Read(field, size);
    return *this;
}

OmMemoryFile::OmMemoryFile(const void* data, size_t size)
    : m_data(static_cast<const uint8_t*>(data)), m_size(size)
{
    m_writing = 0;
}

OmMemoryFile::OmMemoryFile()
{
    m_writing = 1;
}

void OmMemoryFile::Read(void* buffer, uint32_t size)
{
    if (m_size - m_position < size) {
        m_failed = true;
        m_position = m_size;
        return;
    }
    std::memcpy(buffer, m_data + m_position, size);
    m_position += size;
}

void OmMemoryFile::Write(const void* buffer, uint32_t size)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
    m_bytes.insert(m_bytes.end(), bytes, bytes + size);
}
