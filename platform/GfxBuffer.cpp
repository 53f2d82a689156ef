#include "platform/GfxBuffer.h"

namespace plat {

int32_t GfxBufferBase::Lock(uint32_t offset, uint32_t size, uint8_t** data, uint32_t /*flags*/)
{
    if (!data)
        return GfxResult::InvalidCall;
    *data = nullptr;
    const uint64_t total = bytes_.size();
    if (offset > total || static_cast<uint64_t>(offset) + size > total)
        return GfxResult::InvalidCall;
    *data = bytes_.data() + offset;
    ++locks_;
    return GfxResult::Ok;
}

int32_t GfxBufferBase::Unlock()
{
    if (locks_ == 0)
        return GfxResult::InvalidCall;
    --locks_;
    return GfxResult::Ok;
}

GfxVertexBuffer::GfxVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, uint32_t pool)
    : GfxBufferBase(length)
    , desc_{GfxFormat::VertexData, GfxResourceType::VertexBuffer, usage, pool, length, fvf}
{
}

int32_t GfxVertexBuffer::GetDesc(GfxVertexBufferDesc* desc) const
{
    if (!desc)
        return GfxResult::InvalidCall;
    *desc = desc_;
    return GfxResult::Ok;
}

GfxIndexBuffer::GfxIndexBuffer(uint32_t length, uint32_t usage, uint32_t format, uint32_t pool)
    : GfxBufferBase(length)
    , desc_{format, GfxResourceType::IndexBuffer, usage, pool, length}
{
}

int32_t GfxIndexBuffer::GetDesc(GfxIndexBufferDesc* desc) const
{
    if (!desc)
        return GfxResult::InvalidCall;
    *desc = desc_;
    return GfxResult::Ok;
}

} // namespace plat
