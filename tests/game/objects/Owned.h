// A refcounted object made for a test and released when the test's scope
// ends, so a failed ASSERT leaks nothing and buries no real failure.
#pragma once

template <class T>
struct Owned {
    T* p = new T;
    Owned() = default;
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() { p->Release(); }
    T* operator->() const { return p; }
    operator T*() const { return p; }
};
