// The vertex- and index-buffer registries of the renderer and the cached
// binding of buffers by id.
#include "platform/DebugOutput.h"
#include "render/OmD3D.h"

using namespace plat;

namespace {

// The first free id, else a new one at the end.
template <class T>
int32_t StoreInFirstFreeSlot(std::vector<std::unique_ptr<T>>& slots, std::unique_ptr<T> object)
{
    for (size_t i = 0; i < slots.size(); ++i) {
        if (!slots[i]) {
            slots[i] = std::move(object);
            return static_cast<int32_t>(i);
        }
    }
    slots.push_back(std::move(object));
    return static_cast<int32_t>(slots.size() - 1);
}

template <class T>
T* SlotAt(const std::vector<std::unique_ptr<T>>& slots, int32_t id)
{
    if (id < 0 || static_cast<size_t>(id) >= slots.size())
        return nullptr;
    return slots[static_cast<size_t>(id)].get();
}

} // namespace

int32_t OmD3D::CreateVertexBuffer(uint32_t fvf, uint32_t vertexCount, bool isStatic, bool forceSoftware,
                                  bool writeOnly)
{
    const bool software = forceSoftware || !IsHardwareVertexProcessing();
    auto buffer = std::make_unique<OmD3DVertexBuffer>(m_device, fvf, vertexCount, isStatic, software, writeOnly);
    // A buffer without its device object would hand out null locks forever;
    // the caller learns of the failure now instead.
    if (!buffer->IsValid())
        return -1;
    return StoreInFirstFreeSlot(m_vertexBuffers, std::move(buffer));
}

void OmD3D::ReleaseVertexBuffer(int32_t id)
{
    OmD3DVertexBuffer* buffer = SlotAt(m_vertexBuffers, id);
    if (!buffer)
        return;
    // The cache must not keep binding a buffer whose id may go to another.
    for (uint32_t stream = 0; stream < GfxMaxStreams; ++stream) {
        if (buffer->GetBuffer() && m_streams[stream] == buffer->GetBuffer())
            SetD3DStreamSource(stream, nullptr, 0);
    }
    m_vertexBuffers[static_cast<size_t>(id)].reset();
}

OmD3DVertexBuffer* OmD3D::GetVertexBuffer(int32_t id) const { return SlotAt(m_vertexBuffers, id); }

int32_t OmD3D::CreateIndexBuffer(uint32_t indexCount, bool isStatic, bool forceSoftware, bool writeOnly)
{
    const bool software = forceSoftware || !IsHardwareVertexProcessing();
    auto buffer = std::make_unique<OmD3DIndexBuffer>(m_device, indexCount, isStatic, software, writeOnly);
    if (!buffer->IsValid())
        return -1;
    return StoreInFirstFreeSlot(m_indexBuffers, std::move(buffer));
}

void OmD3D::ReleaseIndexBuffer(int32_t id)
{
    OmD3DIndexBuffer* buffer = SlotAt(m_indexBuffers, id);
    if (!buffer)
        return;
    if (buffer->GetBuffer() && m_indexBuffer == buffer->GetBuffer()) {
        GfxAssign(m_indexBuffer, static_cast<GfxIndexBuffer*>(nullptr));
        if (m_device)
            m_device->SetIndices(nullptr, 0);
    }
    m_indexBuffers[static_cast<size_t>(id)].reset();
}

OmD3DIndexBuffer* OmD3D::GetIndexBuffer(int32_t id) const { return SlotAt(m_indexBuffers, id); }

int32_t OmD3D::SetStreamSource(uint32_t stream, int32_t vertexBufferId)
{
    const OmD3DVertexBuffer* buffer = GetVertexBuffer(vertexBufferId);
    if (!buffer || !buffer->GetBuffer())
        return SetD3DStreamSource(stream, nullptr, 0);
    return SetD3DStreamSource(stream, buffer->GetBuffer(), buffer->GetStride());
}

void OmD3D::SetIndices(int32_t indexBufferId, uint32_t baseVertex)
{
    const OmD3DIndexBuffer* wrapper = GetIndexBuffer(indexBufferId);
    GfxIndexBuffer* buffer = wrapper ? wrapper->GetBuffer() : nullptr;
    if (!buffer) {
        // "None" only clears the cache; the device keeps what it has.
        GfxAssign(m_indexBuffer, static_cast<GfxIndexBuffer*>(nullptr));
        m_baseVertex = 0;
        return;
    }
    if (buffer == m_indexBuffer && baseVertex == m_baseVertex)
        return;
    GfxAssign(m_indexBuffer, buffer);
    m_baseVertex = baseVertex;
    if (m_device)
        m_device->SetIndices(buffer, baseVertex);
}

void OmD3D::ResetStreamCache()
{
    for (uint32_t stream = 0; stream < GfxMaxStreams; ++stream) {
        GfxAssign(m_streams[stream], static_cast<GfxVertexBuffer*>(nullptr));
        m_strides[stream] = 0;
    }
    GfxAssign(m_indexBuffer, static_cast<GfxIndexBuffer*>(nullptr));
    m_baseVertex = 0;
}

void OmD3D::ReleaseBuffers()
{
    m_vertexBuffers.clear();
    m_indexBuffers.clear();
    m_debugLineBuffer = -1;
    m_particleVertexBuffer = m_particleIndexBuffer = -1;
}
