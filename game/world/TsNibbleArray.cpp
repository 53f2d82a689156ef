#include "game/world/TsNibbleArray.h"

#include <algorithm>

void TsNibbleArray::Resize(uint32_t count)
{
    if (count == m_count)
        return;
    const uint32_t words = WordCount(count);
    // Zeroed rather than left undefined: a code read before it is written
    // then reads as blocked.
    m_words = words ? std::make_unique<uint32_t[]>(words) : nullptr;
    m_count = count;
}

void TsNibbleArray::Fill(uint32_t code)
{
    uint32_t word = 0;
    for (int i = 0; i < 8; ++i)
        word = (word << 4) | (code & 0xFu);
    std::fill_n(m_words.get(), GetWordCount(), word);
}
