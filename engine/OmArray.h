// A growable array of elements that grows by a fixed step instead of
// doubling, so memory use stays predictable for the many small tables of
// the engine. Callers keep indexes below GetCount(); debug builds assert it.
#pragma once

#include <cassert>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

// Largest grow step a file may give: the steps in use are small, and a
// corrupt one would otherwise reserve gigabytes for a single element.
constexpr uint32_t OM_MAX_GROW_STEP = 65536;

template <class T>
class OmArray {
public:
    explicit OmArray(uint32_t growStep = 64) : m_growStep(growStep ? growStep : 1) {}
    OmArray(uint32_t initialCount, uint32_t growStep) { Construct(initialCount, growStep); }
    ~OmArray() { delete[] m_data; }

    OmArray(const OmArray&) = delete;
    OmArray& operator=(const OmArray&) = delete;

    // Starts over with a fresh, empty block of initialCount elements.
    void Construct(uint32_t initialCount, uint32_t growStep)
    {
        delete[] m_data;
        m_data = nullptr;
        m_count = m_capacity = 0;
        m_growStep = growStep ? growStep : 1;
        Resize(initialCount);
    }

    // Capacity becomes n rounded up to a whole number of grow steps; never shrinks.
    void Reserve(uint32_t n)
    {
        if (n <= m_capacity)
            return;
        uint64_t rounded = (uint64_t(n) + m_growStep - 1) / m_growStep * m_growStep;
        uint32_t capacity = rounded > UINT32_MAX ? UINT32_MAX : uint32_t(rounded);
        T* data = new T[capacity];
        for (uint32_t i = 0; i < m_count; ++i)
            data[i] = std::move(m_data[i]);
        delete[] m_data;
        m_data = data;
        m_capacity = capacity;
    }

    void Resize(uint32_t n)
    {
        Reserve(n);
        m_count = n;
    }

    T* Add(const T& value)
    {
        Reserve(m_count + 1);
        m_data[m_count] = value;
        return &m_data[m_count++];
    }

    void SetAtGrow(uint32_t i, const T& value)
    {
        if (i >= m_count)
            Resize(i + 1);
        m_data[i] = value;
    }

    T* At(uint32_t i)
    {
        assert(i < m_count);
        return &m_data[i];
    }
    const T* At(uint32_t i) const
    {
        assert(i < m_count);
        return &m_data[i];
    }
    T& operator[](uint32_t i)
    {
        assert(i < m_count);
        return m_data[i];
    }
    const T& operator[](uint32_t i) const
    {
        assert(i < m_count);
        return m_data[i];
    }

    void RemoveAll() { m_count = 0; }

    // Each array takes the other's elements, block and grow step as they are.
    void Swap(OmArray& other) noexcept
    {
        std::swap(m_data, other.m_data);
        std::swap(m_count, other.m_count);
        std::swap(m_capacity, other.m_capacity);
        std::swap(m_growStep, other.m_growStep);
    }

    uint32_t GetCount() const { return m_count; }
    uint32_t GetCapacity() const { return m_capacity; }
    uint32_t GetGrowStep() const { return m_growStep; }
    T* GetData() { return m_data; }
    const T* GetData() const { return m_data; }

    // Archive form: count, grow step, then the elements as raw bytes.
    template <class Archive>
    void Write(Archive& archive) const
    {
        static_assert(std::is_trivially_copyable_v<T>, "only plain elements are written raw");
        archive.WriteU32(m_count).WriteU32(m_growStep);
        archive.WriteBytes(m_data, uint64_t(m_count) * sizeof(T));
    }

    // Reads what Write wrote. A grow step of 0 or above OM_MAX_GROW_STEP, or a
    // block larger than what is left of the file, marks the archive failed
    // and leaves the array empty.
    template <class Archive>
    void Read(Archive& archive)
    {
        static_assert(std::is_trivially_copyable_v<T>, "only plain elements are read raw");
        uint32_t count = 0, growStep = 0;
        archive.ReadU32(count).ReadU32(growStep);
        m_count = 0;
        if (archive.HasFailed())
            return;
        if (growStep == 0 || growStep > OM_MAX_GROW_STEP)
            return archive.Fail("array with a grow step of 0 or out of range");
        if (!archive.CanRead(uint64_t(count) * sizeof(T)))
            return archive.Fail("array larger than the file");
        m_growStep = growStep;
        Resize(count);
        archive.ReadBytes(m_data, uint64_t(count) * sizeof(T));
        if (archive.HasFailed())
            m_count = 0;
    }

private:
    T* m_data = nullptr;
    uint32_t m_count = 0;
    uint32_t m_capacity = 0;
    uint32_t m_growStep = 64;
};
