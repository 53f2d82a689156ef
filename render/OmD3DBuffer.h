// Vertex and index buffers handed out by integer id. Each wrapper keeps the
// description it was made from, so a default-pool buffer can be given up
// before a device reset and made again afterwards, and follows one lock
// discipline: static buffers are locked whole, dynamic ones append with
// no-overwrite locks until they run out of room and then discard.
#pragma once

#include <cstdint>

#include "platform/GfxBuffer.h"
#include "platform/GfxTypes.h"

namespace plat {
class GfxDevice;
}

class OmD3DVertexBuffer {
public:
    // Makes the device buffer at once; IsValid says whether that worked.
    OmD3DVertexBuffer(plat::GfxDevice* device, uint32_t fvf, uint32_t vertexCount, bool isStatic,
                      bool software, bool writeOnly);
    ~OmD3DVertexBuffer();
    OmD3DVertexBuffer(const OmD3DVertexBuffer&) = delete;
    OmD3DVertexBuffer& operator=(const OmD3DVertexBuffer&) = delete;

    bool IsValid() const { return m_buffer != nullptr; }

    // count 0 means the whole buffer. Dynamic buffers: callers pass the
    // append position as start. Null when the lock cannot be satisfied.
    void* Lock(uint32_t start, uint32_t count, bool readOnly);
    void Unlock();
    // The next lock of a dynamic buffer starts again at vertex 0.
    void SetDiscard() { m_discardNext = 1; }
    uint32_t GetAppendPosition() const { return m_append; }

    uint32_t GetFormat() const { return m_format; }
    uint32_t GetStride() const { return m_stride; }
    uint32_t GetVertexCount() const { return m_count; }
    bool IsStatic() const { return m_static != 0; }
    bool IsLocked() const { return m_locked != 0; }
    const plat::GfxVertexBufferDesc& GetDesc() const { return m_desc; }
    plat::GfxVertexBuffer* GetBuffer() const { return m_buffer; }

    // Around a device reset; managed (static) buffers are left alone.
    void ReleaseDeviceObject();
    bool RestoreDeviceObject(plat::GfxDevice* device);

private:
    int32_t Create(plat::GfxDevice* device);

    uint32_t m_format;
    uint32_t m_stride;
    uint32_t m_count;
    uint32_t m_append = 0;
    uint8_t m_discardNext = 1;
    uint8_t m_static;
    uint8_t m_writeOnly;
    uint8_t m_locked = 0;
    uint8_t m_software;
    plat::GfxVertexBufferDesc m_desc{};
    plat::GfxVertexBuffer* m_buffer = nullptr;
};

// Always 16-bit indices.
class OmD3DIndexBuffer {
public:
    OmD3DIndexBuffer(plat::GfxDevice* device, uint32_t indexCount, bool isStatic, bool software,
                     bool writeOnly);
    ~OmD3DIndexBuffer();
    OmD3DIndexBuffer(const OmD3DIndexBuffer&) = delete;
    OmD3DIndexBuffer& operator=(const OmD3DIndexBuffer&) = delete;

    bool IsValid() const { return m_buffer != nullptr; }

    uint16_t* Lock(uint32_t start, uint32_t count, bool readOnly);
    void Unlock();
    void SetDiscard() { m_discardNext = 1; }
    uint32_t GetAppendPosition() const { return m_append; }
    uint32_t GetIndexCount() const { return m_count; }
    bool IsStatic() const { return m_static != 0; }
    bool IsLocked() const { return m_locked != 0; }
    const plat::GfxIndexBufferDesc& GetDesc() const { return m_desc; }
    plat::GfxIndexBuffer* GetBuffer() const { return m_buffer; }

    void ReleaseDeviceObject();
    bool RestoreDeviceObject(plat::GfxDevice* device);

private:
    int32_t Create(plat::GfxDevice* device);

    uint32_t m_count;
    uint32_t m_append = 0;
    uint8_t m_discardNext = 1;
    uint8_t m_static;
    uint8_t m_writeOnly;
    uint8_t m_locked = 0;
    uint8_t m_software;
    plat::GfxIndexBufferDesc m_desc{};
    plat::GfxIndexBuffer* m_buffer = nullptr;
};
