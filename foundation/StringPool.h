// A pool of NUL-terminated strings in one buffer, and a counted array of
// 32-bit values.
//
// Entries keep the order in which they were added; entry i is the text at
// characters + offsets[i]. Resource managers turn record names into record
// ids with Find.
#pragma once

#include <cstdint>

class CStringPool
{
public:
    CStringPool() = default;
    CStringPool(std::uint32_t offsetCapacity, std::uint32_t characterCapacity);
    ~CStringPool();
    CStringPool(const CStringPool&) = delete;
    CStringPool& operator=(const CStringPool&) = delete;

    void Init(std::uint32_t offsetCapacity, std::uint32_t characterCapacity);
    void Add(const char* text);
    void Grow(std::uint32_t offsets, std::uint32_t characters);
    void Free();
    // The first entry equal to name (case-sensitive), or -1.
    int Find(const char* name) const;

    std::uint32_t GetCount() const { return m_nCount; }
    const char* Get(std::uint32_t index) const { return m_pChars + m_pOffsets[index]; }

    std::uint32_t m_nCharCapacity = 0;
    char* m_pChars = nullptr;
    std::uint32_t m_nCharsUsed = 0;
    std::uint32_t m_nCount = 0;
    std::uint32_t m_nOffsetCapacity = 0;
    std::uint32_t* m_pOffsets = nullptr;
    std::uint32_t m_bSorted = 0;
};

// {count, data[]}: a growable array of 32-bit values (or pointers, which
// need the wider element on this build).
template <typename T = std::uint32_t> class CIntArrayOf
{
public:
    CIntArrayOf() = default;
    ~CIntArrayOf() { delete[] m_pData; }
    CIntArrayOf(const CIntArrayOf&) = delete;
    CIntArrayOf& operator=(const CIntArrayOf&) = delete;

    // Count n; the values are not initialised; n 0 leaves no data.
    void SetSize(std::uint32_t n)
    {
        delete[] m_pData;
        m_pData = n ? new T[n] : nullptr;
        m_nCount = n;
    }
    void Append(const T* value)
    {
        T* grown = new T[m_nCount + 1];
        for (std::uint32_t i = 0; i < m_nCount; ++i)
            grown[i] = m_pData[i];
        grown[m_nCount] = *value;
        delete[] m_pData;
        m_pData = grown;
        ++m_nCount;
    }
    T& operator[](std::uint32_t i) { return m_pData[i]; }
    const T& operator[](std::uint32_t i) const { return m_pData[i]; }

    std::uint32_t m_nCount = 0;
    T* m_pData = nullptr;
};

using CIntArray = CIntArrayOf<std::uint32_t>;
