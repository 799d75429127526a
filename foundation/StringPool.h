// A pool of NUL-terminated strings in one buffer, and a counted array of
// 32-bit values.
//
// Entries keep the order in which they were added; entry i is the text at
// characters + offsets[i]. Resource managers turn record names into record
// ids with Find; scripts keep their lines and names in pools.
//
// Stream form of a pool (little-endian), as SaveToStream writes it:
//     u32 character capacity Q, u32 used bytes U, u32 string count C,
//     U bytes of characters, u32 offset capacity K, K u32 offsets.
// LoadFromStream checks U <= Q, C <= K and that the C strings lie one after
// another from offset 0 (each starting where the one before ended) and
// fill exactly the U bytes, as Add lays them out; a stream that fails leaves
// the pool as it was and throws CStreamError saying where. The sorted flag
// is not saved.
//
// Stream form of a CIntArray: u32 count, then count u32 values.
//
// Not thread-safe; one owner at a time.
#pragma once

#include <cstdint>

class CMemStream;

class CStringPool
{
public:
    CStringPool() = default;
    CStringPool(std::uint32_t offsetCapacity, std::uint32_t characterCapacity);
    ~CStringPool();
    CStringPool(const CStringPool&) = delete;
    CStringPool& operator=(const CStringPool&) = delete;

    // A character capacity above this in a stream is taken for damage.
    static constexpr std::uint32_t kMaxStreamCapacity = 64u << 20;

    void Init(std::uint32_t offsetCapacity, std::uint32_t characterCapacity);
    // The new entry's index. Grows both capacities by half (more when the
    // text needs it) until the text fits.
    std::uint32_t Add(const char* text);
    void Grow(std::uint32_t offsets, std::uint32_t characters);
    void Free();
    // Forgets the entries, keeping both buffers.
    void Empty();
    // The first entry equal to name (case-sensitive), or -1.
    int Find(const char* name) const;

    void SaveToStream(CMemStream& stream) const;
    void LoadFromStream(CMemStream& stream);

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
    void Append(const T* value) { Add(*value); }
    // Appends a value; the new count.
    std::uint32_t Add(T value)
    {
        T* grown = new T[m_nCount + 1];
        for (std::uint32_t i = 0; i < m_nCount; ++i)
            grown[i] = m_pData[i];
        grown[m_nCount] = value;
        delete[] m_pData;
        m_pData = grown;
        return ++m_nCount;
    }
    // n more elements (zero-filled when zero is set); the last element.
    T* Grow(bool zero, std::uint32_t n)
    {
        T* grown = new T[m_nCount + n];
        for (std::uint32_t i = 0; i < m_nCount; ++i)
            grown[i] = m_pData[i];
        if (zero)
            for (std::uint32_t i = m_nCount; i < m_nCount + n; ++i)
                grown[i] = T();
        delete[] m_pData;
        m_pData = grown;
        m_nCount += n;
        return m_nCount ? m_pData + m_nCount - 1 : nullptr;
    }
    void RemoveAt(std::uint32_t index)
    {
        if (index >= m_nCount)
            return;
        T* shrunk = m_nCount > 1 ? new T[m_nCount - 1] : nullptr;
        for (std::uint32_t i = 0, k = 0; i < m_nCount; ++i)
            if (i != index)
                shrunk[k++] = m_pData[i];
        delete[] m_pData;
        m_pData = shrunk;
        --m_nCount;
    }
    void Clear() { SetSize(0); }
    // The index of the first element equal to value, or -1.
    int Find(const T& value) const
    {
        for (std::uint32_t i = 0; i < m_nCount; ++i)
            if (m_pData[i] == value)
                return static_cast<int>(i);
        return -1;
    }
    T& operator[](std::uint32_t i) { return m_pData[i]; }
    const T& operator[](std::uint32_t i) const { return m_pData[i]; }

    std::uint32_t m_nCount = 0;
    T* m_pData = nullptr;
};

class CIntArray : public CIntArrayOf<std::uint32_t>
{
public:
    void SaveToStream(CMemStream& stream) const;
    // Replaces the contents; a count past the end of the stream throws
    // CStreamError and leaves the array as it was.
    void LoadFromStream(CMemStream& stream);
};
