// The containers of scene-file records: a counted string and a counted array
// whose on-disk form is its count, its capacity and then the elements in use.
// Both are read defensively: lengths and counts from a file are checked
// against what the rest of the file could hold before anything is allocated.
#pragma once

#include <cassert>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "engine/OmFile.h"

class OmPbfString {
public:
    // Longest text a scene file may carry; longer lengths mark a corrupt file.
    static constexpr uint32_t kMaxLength = 4096;

    OmPbfString() = default;
    OmPbfString(const char* text) { Assign(text); }

    // A null text gives the empty string.
    void Assign(const char* text) { m_text = text ? text : ""; }
    void AppendChar(char c) { m_text.push_back(c); }
    const char* CStr() const { return m_text.c_str(); }
    uint32_t Length() const { return uint32_t(m_text.size()); }
    bool Empty() const { return m_text.empty(); }
    const std::string& Str() const { return m_text; }

    // Length, then the characters and a terminating zero. The terminator in
    // the file is not trusted: the text always ends after length characters.
    bool Serialise(OmFile& file);

private:
    std::string m_text;
};

// Reports a corrupt array or string and marks the file as failed.
void OmPbfReject(OmFile& file, const char* format, uint32_t a, uint32_t b);

// A stored room is valid at or above the count, up to the largest signed
// 32-bit value (the field is signed in memory).
inline bool OmPbfRoomIsValid(uint32_t n, uint32_t room)
{
    return n <= room && room <= uint32_t(INT32_MAX);
}

// The storage given to a list read with count n and stored room. An exporter
// may reserve generously, but the spare slots are not in the file: past twice
// the count (plus a little) they are left out, so memory stays bounded by
// what the file holds. A list grows again when it is added to.
inline uint32_t OmPbfStorageFor(uint32_t n, uint32_t room)
{
    const uint64_t most = 2 * uint64_t(n) + 64;
    return room < most ? room : uint32_t(most);
}

template <class T>
class OmPbfArray {
public:
    static constexpr int32_t kMaxCapacity = 1 << 28;

    OmPbfArray() = default;
    OmPbfArray(OmPbfArray&&) noexcept = default;
    OmPbfArray& operator=(OmPbfArray&&) noexcept = default;

    // Element i while 0 <= i < count. At(count) is the append slot: storage
    // grows (doubling, 8 from empty) and count stays as it is. Any other
    // index gives null rather than growing into unrelated memory.
    T* At(int32_t i)
    {
        if (i < 0 || i > count)
            return nullptr;
        if (i >= capacity && !Grow())
            return nullptr;
        return &data[i];
    }
    const T* At(int32_t i) const { return i >= 0 && i < count ? &data[i] : nullptr; }

    // Appends a default element and returns it (null when storage ran out).
    T* Append()
    {
        T* slot = At(count);
        if (slot) {
            *slot = T();
            ++count;
        }
        return slot;
    }
    void Add(T value)
    {
        if (T* slot = Append())
            *slot = std::move(value);
    }
    // Exactly n default elements, count and capacity both n.
    void SetSize(int32_t n)
    {
        n = n < 0 ? 0 : n;
        data.reset(n ? new T[n]() : nullptr);
        count = capacity = n;
    }
    void Clear() { SetSize(0); }

    // Element i while 0 <= i < count (asserted in debug builds).
    T& operator[](int32_t i)
    {
        assert(i >= 0 && i < count);
        return data[i];
    }
    const T& operator[](int32_t i) const
    {
        assert(i >= 0 && i < count);
        return data[i];
    }
    T* begin() { return data.get(); }
    T* end() { return data.get() + count; }
    const T* begin() const { return data.get(); }
    const T* end() const { return data.get() + count; }

    // Count, capacity, then count elements through transfer(file, element).
    // minDiskBytes is the least one element can take in the file; a count
    // that the rest of the file cannot hold is refused before allocation.
    template <class F>
    bool Serialise(OmFile& file, uint32_t minDiskBytes, F&& transfer)
    {
        uint32_t n = uint32_t(count), room = uint32_t(capacity);
        file.Transfer(n).Transfer(room);
        if (!file.Ok())
            return false;
        if (!file.IsWriting() && !Accept(file, n, room, minDiskBytes))
            return false;
        for (uint32_t i = 0; i < n && file.Ok(); ++i)
            transfer(file, data[i]);
        return file.Ok();
    }

    int32_t count = 0;
    int32_t capacity = 0;
    std::unique_ptr<T[]> data;

private:
    bool Grow()
    {
        if (capacity >= kMaxCapacity)
            return false;
        const int32_t grown = capacity ? capacity * 2 : 8;
        std::unique_ptr<T[]> fresh(new T[grown]());
        for (int32_t k = 0; k < count; ++k)
            fresh[k] = std::move(data[k]);
        data = std::move(fresh);
        capacity = grown;
        return true;
    }

    bool Accept(OmFile& file, uint32_t n, uint32_t room, uint32_t minDiskBytes)
    {
        if (!OmPbfRoomIsValid(n, room)) {
            OmPbfReject(file, "PBF: array of %u elements claims room for %u", n, room);
            return false;
        }
        if (uint64_t(n) * minDiskBytes > file.Remaining()) {
            OmPbfReject(file, "PBF: array of %u elements of %u bytes runs past the end of the file", n,
                        minDiskBytes);
            return false;
        }
        room = OmPbfStorageFor(n, room);
        // Storage that already fits is read into in place (a face's corners).
        if (!data || int32_t(room) != capacity)
            data.reset(room ? new T[room]() : nullptr);
        count = int32_t(n);
        capacity = int32_t(room);
        return true;
    }
};

// A plain element moved as its bytes.
template <class T>
void OmPbfTransferRaw(OmFile& file, T& value)
{
    file.Transfer(&value, sizeof(T));
}
