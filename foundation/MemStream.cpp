#include "foundation/MemStream.h"

#include "foundation/ClassFactory.h"

#include <cstring>

CMemStream::~CMemStream()
{
    if (!m_bAttached)
        XFree(m_pData);
}

std::uint8_t* CMemStream::Allocate(std::uint32_t size)
{
    if (!m_bAttached)
        XFree(m_pData);
    m_pData = nullptr;
    m_nCapacity = size;
    m_pData = static_cast<std::uint8_t*>(XAlloc(size));
    m_nPosition = 0;
    m_bAttached = 0;
    return m_pData;
}

std::uint32_t CMemStream::Write(const void* data, std::uint32_t size)
{
    if (static_cast<std::uint64_t>(m_nPosition) + size > m_nCapacity)
    {
        const std::uint32_t capacity = m_nPosition + size + m_nCapacity / 4;
        auto* grown = static_cast<std::uint8_t*>(XAlloc(capacity));
        if (m_pData)
            std::memcpy(grown, m_pData, m_nPosition);
        if (!m_bAttached)
            XFree(m_pData);
        m_pData = grown;
        m_nCapacity = capacity;
        m_bAttached = 0;
    }
    if (size)
        std::memcpy(m_pData + m_nPosition, data, size);
    m_nPosition += size;
    return m_nPosition;
}

std::uint32_t CMemStream::Read(void* data, std::uint32_t size)
{
    const std::uint32_t left = m_nPosition < m_nCapacity ? m_nCapacity - m_nPosition : 0;
    const std::uint32_t count = size < left ? size : left;
    if (count)
        std::memcpy(data, m_pData + m_nPosition, count);
    m_nPosition += count;
    return count;
}

std::uint32_t CMemStream::Advance(std::uint32_t n)
{
    if (static_cast<std::int32_t>(n) < 0)
    {
        const std::uint32_t back = 0u - n;
        m_nPosition = back < m_nPosition ? m_nPosition - back : 0;
        return m_nPosition;
    }
    if (static_cast<std::uint64_t>(m_nPosition) + n > m_nCapacity)
    {
        // A writer that reserves a field to patch later, or skips bytes it
        // leaves as they are, must not lose what lies beyond the position.
        const std::uint32_t capacity = m_nPosition + n + m_nCapacity / 4;
        auto* grown = static_cast<std::uint8_t*>(XAlloc(capacity));
        if (m_pData)
            std::memcpy(grown, m_pData, m_nCapacity);
        std::memset(grown + m_nCapacity, 0, capacity - m_nCapacity);
        if (!m_bAttached)
            XFree(m_pData);
        m_pData = grown;
        m_nCapacity = capacity;
        m_bAttached = 0;
    }
    m_nPosition += n;
    return m_nPosition;
}

std::uint8_t* CMemStream::Reserve(std::uint32_t n)
{
    const std::uint32_t start = m_nPosition;
    Advance(n);
    return m_pData + start;
}

void CMemStream::Free()
{
    if (!m_bAttached)
        XFree(m_pData);
    m_pData = nullptr;
    m_nCapacity = 0;
    m_nPosition = 0;
    m_bAttached = 0;
}
