#include "render/OmD3DBuffer.h"

#include "engine/OmReport.h"
#include "platform/ErrorText.h"
#include "platform/GfxDevice.h"

using namespace plat;

namespace {

constexpr uint32_t kAppendLock = GfxLock::NoOverwrite | GfxLock::NoSysLock; // 0x1800
constexpr uint32_t kDiscardLock = GfxLock::Discard | GfxLock::NoSysLock;    // 0x2800

uint32_t Usage(bool isStatic, bool software, bool writeOnly)
{
    return (software ? GfxUsage::SoftwareProcessing : 0u) | (writeOnly ? GfxUsage::WriteOnly : 0u)
        | (isStatic ? 0u : GfxUsage::Dynamic);
}

uint32_t Pool(bool isStatic) { return isStatic ? GfxPool::Managed : GfxPool::Default; }

void ReportCreateFailure(const char* what, int32_t result)
{
    char text[256];
    FormatErrorString(static_cast<uint32_t>(result), text, sizeof text);
    ReportError("OmD3D: could not create %s (%s)", what, text);
}

} // namespace

// ---- vertex buffers ---------------------------------------------------------

OmD3DVertexBuffer::OmD3DVertexBuffer(GfxDevice* device, uint32_t fvf, uint32_t vertexCount, bool isStatic,
                                     bool software, bool writeOnly)
    : m_format(fvf),
      m_stride(GfxFvfVertexSize(fvf)),
      m_count(vertexCount),
      m_static(isStatic ? 1 : 0),
      m_writeOnly(writeOnly ? 1 : 0),
      m_software(software ? 1 : 0)
{
    m_desc = GfxVertexBufferDesc{GfxFormat::VertexData, GfxResourceType::VertexBuffer,
                                 Usage(isStatic, software, writeOnly), Pool(isStatic), m_stride * vertexCount, fvf};
    const int32_t result = Create(device);
    if (GfxFailed(result))
        ReportCreateFailure("a vertex buffer", result);
}

OmD3DVertexBuffer::~OmD3DVertexBuffer()
{
    Unlock();
    if (m_buffer)
        m_buffer->Release();
}

int32_t OmD3DVertexBuffer::Create(GfxDevice* device)
{
    if (m_buffer)
        return GfxResult::Ok;
    if (!device)
        return GfxResult::InvalidCall;
    const int32_t result = device->CreateVertexBuffer(m_desc.size, m_desc.usage, m_desc.fvf, m_desc.pool, &m_buffer);
    if (GfxFailed(result) || !m_buffer) {
        m_buffer = nullptr;
        return GfxFailed(result) ? result : GfxResult::Fail;
    }
    return GfxResult::Ok;
}

void* OmD3DVertexBuffer::Lock(uint32_t start, uint32_t count, bool readOnly)
{
    if (count == 0)
        count = m_count;
    if (count > m_count || !m_buffer || m_locked)
        return nullptr;
    uint32_t first = start;
    uint32_t flags = 0;
    if (m_static) {
        // Locked whole: the pointer is to vertex 0 whatever start was given.
        first = 0;
        flags = GfxLock::NoSysLock | (readOnly ? GfxLock::ReadOnly : 0u);
    } else if (!m_discardNext && m_append + count < m_count && start + count <= m_count) {
        flags = kAppendLock | (readOnly ? GfxLock::ReadOnly : 0u);
    } else {
        first = 0;
        flags = kDiscardLock;
        m_discardNext = 0;
    }
    uint8_t* data = nullptr;
    const uint32_t offset = m_static ? 0 : first * m_stride;
    const uint32_t size = m_static ? 0 : count * m_stride;
    if (GfxFailed(m_buffer->Lock(offset, size, &data, flags)) || !data)
        return nullptr;
    m_locked = 1;
    m_append = m_static ? 0 : first + count;
    return data;
}

void OmD3DVertexBuffer::Unlock()
{
    if (!m_locked)
        return;
    if (m_buffer)
        m_buffer->Unlock();
    m_locked = 0;
}

void OmD3DVertexBuffer::ReleaseDeviceObject()
{
    if (m_static || !m_buffer)
        return;
    Unlock();
    m_buffer->Release();
    m_buffer = nullptr;
}

bool OmD3DVertexBuffer::RestoreDeviceObject(GfxDevice* device)
{
    if (m_static)
        return m_buffer != nullptr;
    m_append = 0;
    m_discardNext = 1;
    const int32_t result = Create(device);
    if (!GfxFailed(result))
        return true;
    ReportCreateFailure("a vertex buffer again after a reset", result);
    return false;
}

// ---- index buffers ----------------------------------------------------------

OmD3DIndexBuffer::OmD3DIndexBuffer(GfxDevice* device, uint32_t indexCount, bool isStatic, bool software,
                                   bool writeOnly)
    : m_count(indexCount), m_static(isStatic ? 1 : 0), m_writeOnly(writeOnly ? 1 : 0), m_software(software ? 1 : 0)
{
    m_desc = GfxIndexBufferDesc{GfxFormat::Index16, GfxResourceType::IndexBuffer,
                                Usage(isStatic, software, writeOnly), Pool(isStatic), indexCount * 2};
    const int32_t result = Create(device);
    if (GfxFailed(result))
        ReportCreateFailure("an index buffer", result);
}

OmD3DIndexBuffer::~OmD3DIndexBuffer()
{
    Unlock();
    if (m_buffer)
        m_buffer->Release();
}

int32_t OmD3DIndexBuffer::Create(GfxDevice* device)
{
    if (m_buffer)
        return GfxResult::Ok;
    if (!device)
        return GfxResult::InvalidCall;
    const int32_t result = device->CreateIndexBuffer(m_desc.size, m_desc.usage, m_desc.format, m_desc.pool, &m_buffer);
    if (GfxFailed(result) || !m_buffer) {
        m_buffer = nullptr;
        return GfxFailed(result) ? result : GfxResult::Fail;
    }
    return GfxResult::Ok;
}

uint16_t* OmD3DIndexBuffer::Lock(uint32_t start, uint32_t count, bool readOnly)
{
    if (count > m_count || !m_buffer || m_locked)
        return nullptr;
    uint32_t first = start;
    uint32_t flags = 0;
    if (m_static) {
        first = 0;
        flags = GfxLock::NoSysLock | (readOnly ? GfxLock::ReadOnly : 0u);
    } else if (!m_discardNext && m_append + count < m_count && start + count <= m_count) {
        flags = kAppendLock | (readOnly ? GfxLock::ReadOnly : 0u);
    } else {
        first = 0;
        flags = kDiscardLock;
        m_discardNext = 0;
    }
    uint8_t* data = nullptr;
    const uint32_t offset = m_static ? 0 : first * 2;
    const uint32_t size = m_static ? 0 : count * 2;
    if (GfxFailed(m_buffer->Lock(offset, size, &data, flags)) || !data)
        return nullptr;
    m_locked = 1;
    m_append = m_static ? 0 : first + count;
    return reinterpret_cast<uint16_t*>(data);
}

void OmD3DIndexBuffer::Unlock()
{
    if (!m_locked)
        return;
    if (m_buffer)
        m_buffer->Unlock();
    m_locked = 0;
}

void OmD3DIndexBuffer::ReleaseDeviceObject()
{
    if (m_static || !m_buffer)
        return;
    Unlock();
    m_buffer->Release();
    m_buffer = nullptr;
}

bool OmD3DIndexBuffer::RestoreDeviceObject(GfxDevice* device)
{
    if (m_static)
        return m_buffer != nullptr;
    m_append = 0;
    m_discardNext = 1;
    const int32_t result = Create(device);
    if (!GfxFailed(result))
        return true;
    ReportCreateFailure("an index buffer again after a reset", result);
    return false;
}
