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

int32_t CreateOnDevice(GfxDevice& device, const GfxVertexBufferDesc& desc, GfxVertexBuffer** buffer)
{
    return device.CreateVertexBuffer(desc.size, desc.usage, desc.fvf, desc.pool, buffer);
}

int32_t CreateOnDevice(GfxDevice& device, const GfxIndexBufferDesc& desc, GfxIndexBuffer** buffer)
{
    return device.CreateIndexBuffer(desc.size, desc.usage, desc.format, desc.pool, buffer);
}

const char* Noun(const GfxVertexBufferDesc&) { return "a vertex buffer"; }
const char* Noun(const GfxIndexBufferDesc&) { return "an index buffer"; }

void ReportCreateFailure(const char* what, const char* when, int32_t result)
{
    char text[256];
    FormatErrorString(static_cast<uint32_t>(result), text, sizeof text);
    ReportError("OmD3D: could not create %s%s (%s)", what, when, text);
}

} // namespace

// ---- shared by both wrappers ------------------------------------------------

template <class Buffer, class Desc>
OmD3DBufferBase<Buffer, Desc>::OmD3DBufferBase(uint32_t count, uint32_t elementSize, bool isStatic, bool software,
                                               bool writeOnly)
    : m_elementSize(elementSize),
      m_count(count),
      m_static(isStatic ? 1 : 0),
      m_writeOnly(writeOnly ? 1 : 0),
      m_software(software ? 1 : 0)
{
}

template <class Buffer, class Desc>
OmD3DBufferBase<Buffer, Desc>::~OmD3DBufferBase()
{
    Unlock();
}

template <class Buffer, class Desc>
void OmD3DBufferBase<Buffer, Desc>::CreateFirst(GfxDevice* device)
{
    const int32_t result = Create(device);
    if (GfxFailed(result))
        ReportCreateFailure(Noun(m_desc), "", result);
}

template <class Buffer, class Desc>
int32_t OmD3DBufferBase<Buffer, Desc>::Create(GfxDevice* device)
{
    if (m_buffer)
        return GfxResult::Ok;
    if (!device)
        return GfxResult::InvalidCall;
    const int32_t result = CreateOnDevice(*device, m_desc, m_buffer.Put());
    if (GfxFailed(result) || !m_buffer) {
        m_buffer.Detach(); // a failed call leaves nothing to hold
        return GfxFailed(result) ? result : GfxResult::Fail;
    }
    return GfxResult::Ok;
}

template <class Buffer, class Desc>
uint8_t* OmD3DBufferBase<Buffer, Desc>::LockElements(uint32_t start, uint32_t count, bool readOnly)
{
    if (count > m_count || !m_buffer || m_locked)
        return nullptr;
    uint32_t first = start;
    uint32_t flags = 0;
    if (m_static) {
        // Locked whole: the pointer is to element 0 whatever start was given.
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
    const uint32_t offset = m_static ? 0 : first * m_elementSize;
    const uint32_t size = m_static ? 0 : count * m_elementSize;
    if (GfxFailed(m_buffer->Lock(offset, size, &data, flags)) || !data)
        return nullptr;
    m_locked = 1;
    m_append = m_static ? 0 : first + count;
    return data;
}

template <class Buffer, class Desc>
void OmD3DBufferBase<Buffer, Desc>::Unlock()
{
    if (!m_locked)
        return;
    if (m_buffer)
        m_buffer->Unlock();
    m_locked = 0;
}

template <class Buffer, class Desc>
void OmD3DBufferBase<Buffer, Desc>::ReleaseDeviceObject()
{
    if (m_static || !m_buffer)
        return;
    Unlock();
    m_buffer = nullptr;
}

template <class Buffer, class Desc>
bool OmD3DBufferBase<Buffer, Desc>::RestoreDeviceObject(GfxDevice* device)
{
    if (m_static)
        return m_buffer != nullptr;
    m_append = 0;
    m_discardNext = 1;
    const int32_t result = Create(device);
    if (!GfxFailed(result))
        return true;
    ReportCreateFailure(Noun(m_desc), " again after a reset", result);
    return false;
}

template class OmD3DBufferBase<GfxVertexBuffer, GfxVertexBufferDesc>;
template class OmD3DBufferBase<GfxIndexBuffer, GfxIndexBufferDesc>;

// ---- the two kinds ----------------------------------------------------------

OmD3DVertexBuffer::OmD3DVertexBuffer(GfxDevice* device, uint32_t fvf, uint32_t vertexCount, bool isStatic,
                                     bool software, bool writeOnly)
    : OmD3DBufferBase(vertexCount, GfxFvfVertexSize(fvf), isStatic, software, writeOnly)
{
    m_desc = GfxVertexBufferDesc{GfxFormat::VertexData, GfxResourceType::VertexBuffer,
                                 Usage(isStatic, software, writeOnly), Pool(isStatic), m_elementSize * vertexCount, fvf};
    CreateFirst(device);
}

OmD3DIndexBuffer::OmD3DIndexBuffer(GfxDevice* device, uint32_t indexCount, bool isStatic, bool software,
                                   bool writeOnly)
    : OmD3DBufferBase(indexCount, 2, isStatic, software, writeOnly)
{
    m_desc = GfxIndexBufferDesc{GfxFormat::Index16, GfxResourceType::IndexBuffer,
                                Usage(isStatic, software, writeOnly), Pool(isStatic), indexCount * 2};
    CreateFirst(device);
}
