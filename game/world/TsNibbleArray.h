// Packed 4-bit codes, eight to a 32-bit word with the first code in the
// word's top nibble. The AI map and the tile overlays store their tile codes
// this way; the word layout is what the level files hold.
#pragma once

#include <cstdint>
#include <memory>

class TsNibbleArray {
public:
    TsNibbleArray() = default;
    explicit TsNibbleArray(uint32_t count) { Resize(count); }
    TsNibbleArray(const TsNibbleArray&) = delete;
    TsNibbleArray& operator=(const TsNibbleArray&) = delete;
    TsNibbleArray(TsNibbleArray&&) = default;
    TsNibbleArray& operator=(TsNibbleArray&&) = default;

    // A different count replaces the words (all codes 0); the same count keeps them.
    void Resize(uint32_t count);
    void Clear() { Resize(0); }

    uint32_t GetCount() const { return m_count; }
    uint32_t GetWordCount() const { return WordCount(m_count); }
    static uint32_t WordCount(uint32_t count) { return uint32_t((uint64_t(count) * 4 + 31) / 32); }

    // Outside the array Get answers 0 and Set does nothing.
    uint32_t Get(uint32_t i) const
    {
        return i < m_count ? (m_words[i >> 3] >> Shift(i)) & 0xFu : 0u;
    }
    void Set(uint32_t i, uint32_t code)
    {
        if (i >= m_count)
            return;
        const uint32_t shift = Shift(i);
        m_words[i >> 3] = (m_words[i >> 3] & ~(0xFu << shift)) | ((code & 0xFu) << shift);
    }
    void Fill(uint32_t code);

    uint32_t* GetWords() { return m_words.get(); }
    const uint32_t* GetWords() const { return m_words.get(); }

private:
    static uint32_t Shift(uint32_t i) { return 28 - 4 * (i & 7); }

    uint32_t m_count = 0;
    std::unique_ptr<uint32_t[]> m_words;
};
