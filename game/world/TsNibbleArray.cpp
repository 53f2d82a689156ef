#include "game/world/TsNibbleArray.h"

void TsNibbleArray::Resize(uint32_t count)
{
    if (count == m_count && (m_words || count == 0))
        return;
    m_count = count;
    const uint32_t words = WordCount(count);
    m_words = words ? std::make_unique<uint32_t[]>(words) : nullptr;
}

uint8_t TsNibbleArray::Get(uint32_t i) const
{
    if (i >= m_count)
        return 0;
    const uint32_t shift = 28 - 4 * (i % 8);
    return uint8_t((m_words[i / 8] >> shift) & 15u);
}

void TsNibbleArray::Set(uint32_t i, uint8_t code)
{
    if (i >= m_count)
        return;
    const uint32_t shift = 28 - 4 * (i % 8);
    uint32_t& word = m_words[i / 8];
    word = (word & ~(15u << shift)) | (uint32_t(code & 15u) << shift);
}
