// A counted reference held in a member, a container or a local: it adds a
// reference when it takes an object, releases it when it lets go, and moves
// without touching the count. A bare pointer beside it means "borrowed".
//
// T is any class with AddRef() and Release() (every OmObject). A fresh
// object already holds the reference its maker owns, so it is handed over
// with Adopt (or made with OmMakeRef); an object someone else holds is
// shared with the constructor or Reset, which add a reference of its own.
// The reference reads as the pointer it holds, so code that borrows it
// takes a T* unchanged.
#pragma once

#include <cstddef>
#include <utility>

template <class T>
class OmRef {
public:
    OmRef() = default;
    OmRef(std::nullptr_t) {}
    // Shares object: adds a reference of its own.
    explicit OmRef(T* object) : m_object(object)
    {
        if (m_object)
            m_object->AddRef();
    }
    OmRef(const OmRef& other) : OmRef(other.m_object) {}
    OmRef(OmRef&& other) noexcept : m_object(other.m_object) { other.m_object = nullptr; }
    template <class U>
    OmRef(const OmRef<U>& other) : OmRef(other.Get())
    {
    }
    template <class U>
    OmRef(OmRef<U>&& other) noexcept : m_object(other.Detach())
    {
    }
    ~OmRef()
    {
        if (m_object)
            m_object->Release();
    }

    // Takes over the reference the caller holds (a fresh object's own).
    static OmRef Adopt(T* object)
    {
        OmRef ref;
        ref.m_object = object;
        return ref;
    }

    OmRef& operator=(const OmRef& other)
    {
        Reset(other.m_object);
        return *this;
    }
    OmRef& operator=(OmRef&& other) noexcept
    {
        if (this != &other)
            AdoptNew(other.Detach());
        return *this;
    }
    OmRef& operator=(std::nullptr_t)
    {
        AdoptNew(nullptr);
        return *this;
    }

    // Shares object in place of the one held (which may be the same).
    void Reset(T* object = nullptr)
    {
        if (object)
            object->AddRef();
        AdoptNew(object);
    }
    // Takes over the caller's reference to object in place of the one held.
    void AdoptNew(T* object)
    {
        T* old = m_object;
        m_object = object;
        if (old)
            old->Release();
    }
    // For a function that hands a new reference out through a T**: the held
    // one is let go of first, and the one stored there is adopted.
    T** Put()
    {
        AdoptNew(nullptr);
        return &m_object;
    }
    // Hands the held reference to the caller, who now releases it.
    T* Detach()
    {
        T* object = m_object;
        m_object = nullptr;
        return object;
    }

    T* Get() const { return m_object; }
    T* operator->() const { return m_object; }
    T& operator*() const { return *m_object; }
    operator T*() const { return m_object; }

private:
    T* m_object = nullptr;
};

// A new T made with args, held by the reference it was made with.
template <class T, class... Args>
OmRef<T> OmMakeRef(Args&&... args)
{
    return OmRef<T>::Adopt(new T(std::forward<Args>(args)...));
}
