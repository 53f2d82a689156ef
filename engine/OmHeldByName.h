// An object that some holders keep a reference to but save only by its
// name, taking the reference again once read back (a light effect holds its
// light and its bound so): the count a file records leaves their references
// out, or a load would count them twice. The holders count themselves in
// and out; the count is never saved, nor copied.
#pragma once

#include <cstdint>

template <class Base>
class OmHeldByName : public Base {
public:
    using Base::Base;

    uint32_t RetakenReferences() const override { return Base::RetakenReferences() + m_holdersByName; }
    void AddHolderByName() { ++m_holdersByName; }
    void RemoveHolderByName() { --m_holdersByName; }

private:
    uint32_t m_holdersByName = 0;
};
