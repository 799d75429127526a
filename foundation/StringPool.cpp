#include "foundation/StringPool.h"

#include "foundation/ClassFactory.h"

#include <cstring>

CStringPool::CStringPool(std::uint32_t offsetCapacity, std::uint32_t characterCapacity)
{
    Init(offsetCapacity, characterCapacity);
}

CStringPool::~CStringPool()
{
    Free();
}

void CStringPool::Init(std::uint32_t offsetCapacity, std::uint32_t characterCapacity)
{
    Free();
    m_pChars = characterCapacity ? static_cast<char*>(XAlloc(characterCapacity)) : nullptr;
    m_nCharCapacity = characterCapacity;
    m_pOffsets = offsetCapacity ? static_cast<std::uint32_t*>(XAlloc(offsetCapacity * sizeof(std::uint32_t)))
                                : nullptr;
    m_nOffsetCapacity = offsetCapacity;
    m_nCount = 0;
    m_nCharsUsed = 0;
    m_bSorted = 0;
}

void CStringPool::Add(const char* text)
{
    const std::uint32_t length = static_cast<std::uint32_t>(std::strlen(text));
    // Growing by half of each capacity is not enough for a text longer than
    // half the buffer, or for a pool set up empty: grow until it fits.
    while (m_nCharsUsed + length >= m_nCharCapacity || m_nCount >= m_nOffsetCapacity)
    {
        std::uint32_t moreOffsets = m_nOffsetCapacity / 2;
        std::uint32_t moreChars = m_nCharCapacity / 2;
        if (m_nCount >= m_nOffsetCapacity && moreOffsets == 0)
            moreOffsets = 4;
        if (m_nCharsUsed + length >= m_nCharCapacity && m_nCharsUsed + length >= m_nCharCapacity + moreChars)
            moreChars = m_nCharsUsed + length + 1 - m_nCharCapacity;
        Grow(moreOffsets, moreChars);
    }
    m_pOffsets[m_nCount] = m_nCharsUsed;
    std::memcpy(m_pChars + m_nCharsUsed, text, length + 1);
    m_nCharsUsed += length + 1;
    ++m_nCount;
    m_bSorted = 0;
}

void CStringPool::Grow(std::uint32_t offsets, std::uint32_t characters)
{
    if (offsets)
    {
        auto* grown = static_cast<std::uint32_t*>(XAlloc((m_nOffsetCapacity + offsets) * sizeof(std::uint32_t)));
        if (m_pOffsets)
            std::memcpy(grown, m_pOffsets, m_nCount * sizeof(std::uint32_t));
        XFree(m_pOffsets);
        m_pOffsets = grown;
        m_nOffsetCapacity += offsets;
    }
    if (characters)
    {
        auto* grown = static_cast<char*>(XAlloc(m_nCharCapacity + characters));
        if (m_pChars)
            std::memcpy(grown, m_pChars, m_nCharsUsed);
        XFree(m_pChars);
        m_pChars = grown;
        m_nCharCapacity += characters;
    }
}

void CStringPool::Free()
{
    XFree(m_pChars);
    XFree(m_pOffsets);
    m_pChars = nullptr;
    m_pOffsets = nullptr;
    m_nCharCapacity = 0;
    m_nOffsetCapacity = 0;
    m_nCount = 0;
    m_nCharsUsed = 0;
}

int CStringPool::Find(const char* name) const
{
    if (!m_pChars)
        return -1;
    for (std::uint32_t i = 0; i < m_nCount; ++i)
    {
        if (std::strcmp(m_pChars + m_pOffsets[i], name) == 0)
            return static_cast<int>(i);
    }
    return -1;
}
