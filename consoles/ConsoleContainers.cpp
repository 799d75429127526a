#include "consoles/ConsoleContainers.h"

bool CFixedIntList::Add(std::int32_t value)
{
    if (m_nCount < 0 || m_nCount >= kCapacity) return false;
    m_Items[m_nCount++] = value;
    return true;
}

bool CFixedIntList::RemoveAt(int index)
{
    if (index < 0 || index >= m_nCount || m_nCount > kCapacity) return false;
    for (int i = index; i + 1 < m_nCount; ++i)
        m_Items[i] = m_Items[i + 1];
    --m_nCount;
    return true;
}

bool CFixedStringList::Add(const CXAnsiString& text)
{
    if (m_nCount < 0 || m_nCount >= kCapacity) return false;
    m_Items[m_nCount++] = text;
    return true;
}

CStringPairArray::CStringPairArray(int capacity, int step)
    : m_nCapacity(capacity > 0 ? capacity : 0), m_nStep(step > 0 ? step : 1)
{
    m_Pairs.reserve(std::size_t(m_nCapacity));
}

void CStringPairArray::Add(const CXAnsiString& first, const CXAnsiString& second)
{
    if (GetCount() >= m_nCapacity)
    {
        m_nCapacity += m_nStep;
        m_Pairs.reserve(std::size_t(m_nCapacity));
    }
    m_Pairs.push_back(SStringPair{first, second});
}

const SStringPair* CStringPairArray::GetAt(int i) const
{
    return i >= 0 && i < GetCount() ? &m_Pairs[std::size_t(i)] : nullptr;
}

void CGuidKeyArray::SetSize(int n)
{
    m_Keys.clear();
    if (n <= 0) return;
    m_Keys.assign(std::size_t(n), CGuidKey());
}
