// CU32Array: a growable array of 32-bit values that grows by a fixed step.
#pragma once

#include <cstdint>
#include <vector>

class CU32Array
{
public:
    CU32Array(std::uint32_t capacity = 16, std::uint32_t growth = 8) { Make(capacity, growth); }

    // Empty, with the given capacity and growth step.
    void Make(std::uint32_t capacity, std::uint32_t growth)
    {
        m_Data.clear();
        m_Data.reserve(capacity);
        m_nGrowth = growth ? growth : 1;
    }
    void Add(std::uint32_t value)
    {
        if (m_Data.size() == m_Data.capacity()) m_Data.reserve(m_Data.capacity() + m_nGrowth);
        m_Data.push_back(value);
    }
    void RemoveAt(std::uint32_t index)
    {
        if (index < m_Data.size()) m_Data.erase(m_Data.begin() + index);
    }
    // The first index holding value, or -1.
    std::int32_t Find(std::uint32_t value) const
    {
        for (std::size_t i = 0; i < m_Data.size(); ++i)
            if (m_Data[i] == value) return static_cast<std::int32_t>(i);
        return -1;
    }
    void Clear() { m_Data.clear(); }
    std::uint32_t GetCount() const { return static_cast<std::uint32_t>(m_Data.size()); }
    std::uint32_t operator[](std::uint32_t index) const { return m_Data[index]; }

private:
    std::vector<std::uint32_t> m_Data;
    std::uint32_t m_nGrowth = 8;
};
