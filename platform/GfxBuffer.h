// Vertex and index buffers. Their contents live in ordinary memory and are
// handed to OpenGL only when drawn, so a lock is a pointer into that memory:
// write-only buffers stay readable, NOOVERWRITE and DISCARD both keep what is
// there, and a pointer taken by one lock stays valid for later writes (the
// geometry batch reads depths back through a lock held all frame).
#pragma once

#include "platform/GfxObject.h"
#include "platform/GfxTypes.h"

#include <vector>

namespace plat {

class GfxBufferBase : public GfxObject {
public:
    // A size of 0 locks from offset to the end.
    int32_t Lock(uint32_t offset, uint32_t size, uint8_t** data, uint32_t flags);
    int32_t Unlock();
    bool IsLocked() const { return locks_ > 0; }
    uint32_t Size() const { return static_cast<uint32_t>(bytes_.size()); }
    const uint8_t* Bytes() const { return bytes_.data(); }
    uint8_t* Bytes() { return bytes_.data(); }

protected:
    explicit GfxBufferBase(uint32_t size) : bytes_(size, 0) {}

private:
    std::vector<uint8_t> bytes_;
    uint32_t locks_ = 0;
};

class GfxVertexBuffer : public GfxBufferBase {
public:
    GfxVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, uint32_t pool);
    int32_t GetDesc(GfxVertexBufferDesc* desc) const;
    uint32_t Fvf() const { return desc_.fvf; }

private:
    GfxVertexBufferDesc desc_;
};

class GfxIndexBuffer : public GfxBufferBase {
public:
    GfxIndexBuffer(uint32_t length, uint32_t usage, uint32_t format, uint32_t pool);
    int32_t GetDesc(GfxIndexBufferDesc* desc) const;
    uint32_t IndexSize() const { return desc_.format == GfxFormat::Index32 ? 4 : 2; }

private:
    GfxIndexBufferDesc desc_;
};

} // namespace plat
