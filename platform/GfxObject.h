// Reference counting shared by the device and everything it creates. The
// renderer releases some objects "until the count reaches 0", so Release
// reports the count that remains.
#pragma once

#include <cstdint>

namespace plat {

class GfxObject {
public:
    GfxObject() = default;
    GfxObject(const GfxObject&) = delete;
    GfxObject& operator=(const GfxObject&) = delete;

    virtual uint32_t AddRef() { return ++refs_; }
    virtual uint32_t Release()
    {
        const uint32_t left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }
    uint32_t RefCount() const { return refs_; }

protected:
    virtual ~GfxObject() = default;

private:
    uint32_t refs_ = 1;
};

// Swaps a held reference: the new object gains one, the old loses one.
template <class T>
void GfxAssign(T*& slot, T* object)
{
    if (object)
        object->AddRef();
    if (slot)
        slot->Release();
    slot = object;
}

} // namespace plat
