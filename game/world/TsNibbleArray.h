// Four-bit codes packed eight to a 32-bit word, the first code of a word in
// its top nibble. The AI map keeps one code per tile; overlays keep the
// codes of the rectangles they cover.
#pragma once

#include <cstdint>
#include <memory>

class TsNibbleArray {
public:
    TsNibbleArray() = default;
    explicit TsNibbleArray(uint32_t count) { Resize(count); }
    TsNibbleArray(const TsNibbleArray&) = delete;
    TsNibbleArray& operator=(const TsNibbleArray&) = delete;

    // Words that hold count codes.
    static uint32_t WordCount(uint32_t count) { return uint32_t((uint64_t(count) * 4 + 31) / 32); }

    // A new count gives fresh words, all codes 0; the same count keeps them.
    void Resize(uint32_t count);

    // Out of range: Get answers 0 and Set does nothing.
    uint8_t Get(uint32_t i) const;
    void Set(uint32_t i, uint8_t code);

    uint32_t GetCount() const { return m_count; }
    uint32_t GetWordCount() const { return WordCount(m_count); }
    uint32_t* GetWords() { return m_words.get(); }
    const uint32_t* GetWords() const { return m_words.get(); }

private:
    uint32_t m_count = 0;
    std::unique_ptr<uint32_t[]> m_words;
};
