#include "foundation/StringPool.h"

#include "foundation/ClassFactory.h"
#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"

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

std::uint32_t CStringPool::Add(const char* text)
{
    if (!text)
        text = "";
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
    m_bSorted = 0;
    return m_nCount++;
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

void CStringPool::Empty()
{
    m_nCount = 0;
    m_nCharsUsed = 0;
    m_bSorted = 0;
}

int CStringPool::Find(const char* name) const
{
    if (!m_pChars || !name)
        return -1;
    for (std::uint32_t i = 0; i < m_nCount; ++i)
    {
        if (std::strcmp(m_pChars + m_pOffsets[i], name) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

namespace
{
void WriteU32(CMemStream& stream, std::uint32_t value)
{
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    stream.Write(bytes, 4);
}
} // namespace

void CStringPool::SaveToStream(CMemStream& stream) const
{
    WriteU32(stream, m_nCharCapacity);
    WriteU32(stream, m_nCharsUsed);
    WriteU32(stream, m_nCount);
    if (m_nCharsUsed)
        stream.Write(m_pChars, m_nCharsUsed);
    WriteU32(stream, m_nOffsetCapacity);
    for (std::uint32_t i = 0; i < m_nOffsetCapacity; ++i)
        WriteU32(stream, i < m_nCount ? m_pOffsets[i] : 0);
}

void CStringPool::LoadFromStream(CMemStream& stream)
{
    CStreamReader in(stream, "string pool");
    const std::uint32_t capacity = in.U32();
    const std::uint32_t used = in.U32();
    const std::uint32_t count = in.U32();
    if (used > capacity)
        in.Fail("%u bytes used of a %u-byte buffer", used, capacity);
    if (capacity > kMaxStreamCapacity)
        in.Fail("buffer of %u bytes", capacity);
    if (used > in.Left())
        in.Fail("%u character bytes, %u left", used, in.Left());
    char* chars = capacity ? static_cast<char*>(XAlloc(capacity)) : nullptr;
    std::uint32_t* offsets = nullptr;
    std::uint32_t offsetCapacity = 0;
    try
    {
        in.Bytes(chars, used);
        offsetCapacity = in.Count(4, "offset count");
        if (count > offsetCapacity)
            in.Fail("%u strings in %u offset slots", count, offsetCapacity);
        offsets = offsetCapacity ? static_cast<std::uint32_t*>(XAlloc(offsetCapacity * sizeof(std::uint32_t)))
                                 : nullptr;
        for (std::uint32_t i = 0; i < offsetCapacity; ++i)
            offsets[i] = in.U32();
        // The strings lie one after another from the buffer's start, as Add
        // lays them out: each starts where the one before it ended, and the
        // last ends at the used bytes. Offsets that overlap, repeat or run
        // backwards would make two entries share characters (a string
        // counted twice, one text changed through another entry).
        if (count && (used == 0 || chars[used - 1] != '\0')) in.Fail("last string not terminated");
        std::uint32_t next = 0;
        for (std::uint32_t i = 0; i < count; ++i)
        {
            if (offsets[i] >= used) in.Fail("string %u at offset %u of %u used bytes", i, offsets[i], used);
            if (offsets[i] != next && i == 0) in.Fail("string 0 at offset %u, not at the start", offsets[i]);
            if (offsets[i] != next)
                in.Fail("string %u at offset %u, not where string %u ends (%u)", i, offsets[i], i - 1, next);
            next += static_cast<std::uint32_t>(std::strlen(chars + next)) + 1;
        }
        if (next != used) in.Fail("%u strings end at byte %u of %u used bytes", count, next, used);
    }
    catch (...)
    {
        XFree(chars);
        XFree(offsets);
        throw;
    }
    Free();
    m_pChars = chars;
    m_nCharCapacity = capacity;
    m_nCharsUsed = used;
    m_nCount = count;
    m_pOffsets = offsets;
    m_nOffsetCapacity = offsetCapacity;
}

void CIntArray::SaveToStream(CMemStream& stream) const
{
    WriteU32(stream, m_nCount);
    for (std::uint32_t i = 0; i < m_nCount; ++i)
        WriteU32(stream, m_pData[i]);
}

void CIntArray::LoadFromStream(CMemStream& stream)
{
    CStreamReader in(stream, "integer array");
    const std::uint32_t count = in.Count(4, "count");
    std::uint32_t* data = count ? new std::uint32_t[count] : nullptr;
    for (std::uint32_t i = 0; i < count; ++i)
        data[i] = in.U32();
    delete[] m_pData;
    m_pData = data;
    m_nCount = count;
}
