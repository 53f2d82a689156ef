// Vertex and index buffers handed out by integer id. Each wrapper keeps the
// description it was made from, so a default-pool buffer can be given up
// before a device reset and made again afterwards, and follows one lock
// discipline: static buffers are locked whole, dynamic ones append with
// no-overwrite locks until they run out of room and then discard.
#pragma once

#include <cstdint>

#include "engine/OmRef.h"
#include "platform/GfxBuffer.h"
#include "platform/GfxTypes.h"

namespace plat {
class GfxDevice;
}

// What both wrappers share: the lock discipline and the give-up/make-again
// around a device reset. Counts and positions are in elements (vertices or
// indices), never bytes.
template <class Buffer, class Desc>
class OmD3DBufferBase {
public:
    OmD3DBufferBase(const OmD3DBufferBase&) = delete;
    OmD3DBufferBase& operator=(const OmD3DBufferBase&) = delete;

    bool IsValid() const { return m_buffer != nullptr; }

    void Unlock();
    // The next lock of a dynamic buffer starts again at element 0.
    void SetDiscard() { m_discardNext = 1; }
    uint32_t GetAppendPosition() const { return m_append; }

    bool IsStatic() const { return m_static != 0; }
    bool IsLocked() const { return m_locked != 0; }
    const Desc& GetDesc() const { return m_desc; }
    Buffer* GetBuffer() const { return m_buffer; }

    // Around a device reset; managed (static) buffers are left alone.
    void ReleaseDeviceObject();
    bool RestoreDeviceObject(plat::GfxDevice* device);

protected:
    OmD3DBufferBase(uint32_t count, uint32_t elementSize, bool isStatic, bool software, bool writeOnly);
    ~OmD3DBufferBase();

    // Makes the device buffer from m_desc and logs a failure.
    void CreateFirst(plat::GfxDevice* device);
    // Dynamic buffers: callers pass the append position as start. Null when
    // the lock cannot be satisfied.
    uint8_t* LockElements(uint32_t start, uint32_t count, bool readOnly);

    uint32_t m_elementSize;
    uint32_t m_count;
    Desc m_desc{};

private:
    int32_t Create(plat::GfxDevice* device);

    uint32_t m_append = 0;
    uint8_t m_discardNext = 1;
    uint8_t m_static;
    uint8_t m_writeOnly;
    uint8_t m_locked = 0;
    uint8_t m_software;
    OmRef<Buffer> m_buffer;
};

class OmD3DVertexBuffer : public OmD3DBufferBase<plat::GfxVertexBuffer, plat::GfxVertexBufferDesc> {
public:
    // Makes the device buffer at once; IsValid says whether that worked.
    OmD3DVertexBuffer(plat::GfxDevice* device, uint32_t fvf, uint32_t vertexCount, bool isStatic,
                      bool software, bool writeOnly);

    // count 0 means the whole buffer.
    void* Lock(uint32_t start, uint32_t count, bool readOnly)
    {
        return LockElements(start, count == 0 ? m_count : count, readOnly);
    }

    uint32_t GetFormat() const { return m_desc.fvf; }
    uint32_t GetStride() const { return m_elementSize; }
    uint32_t GetVertexCount() const { return m_count; }
};

// Always 16-bit indices.
class OmD3DIndexBuffer : public OmD3DBufferBase<plat::GfxIndexBuffer, plat::GfxIndexBufferDesc> {
public:
    OmD3DIndexBuffer(plat::GfxDevice* device, uint32_t indexCount, bool isStatic, bool software,
                     bool writeOnly);

    uint16_t* Lock(uint32_t start, uint32_t count, bool readOnly)
    {
        return reinterpret_cast<uint16_t*>(LockElements(start, count, readOnly));
    }
    uint32_t GetIndexCount() const { return m_count; }
};
