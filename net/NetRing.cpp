#include "net/NetRing.h"

#include <algorithm>
#include <cstring>

CNetRing::CNetRing(std::uint32_t capacity)
    : m_nCapacity(std::max<std::uint32_t>(capacity, 2)),
      m_pData(std::make_unique<std::uint8_t[]>(m_nCapacity))
{
}

void CNetRing::Put(std::uint32_t at, const void* data, std::uint32_t n)
{
    const std::uint32_t first = std::min(n, m_nCapacity - at);
    std::memcpy(m_pData.get() + at, data, first);
    if (n > first) std::memcpy(m_pData.get(), static_cast<const std::uint8_t*>(data) + first, n - first);
}

void CNetRing::Get(std::uint32_t at, void* out, std::uint32_t n) const
{
    const std::uint32_t first = std::min(n, m_nCapacity - at);
    std::memcpy(out, m_pData.get() + at, first);
    if (n > first) std::memcpy(static_cast<std::uint8_t*>(out) + first, m_pData.get(), n - first);
}

std::uint32_t CNetRing::GetFree() const
{
    const std::uint32_t read = m_nRead.load(std::memory_order_acquire);
    const std::uint32_t write = m_nWrite.load(std::memory_order_acquire);
    return (read + m_nCapacity - write - 1) % m_nCapacity;
}

bool CNetRing::WriteRecord(const void* head, std::uint32_t headSize, const void* data, std::uint32_t dataSize)
{
    const std::uint32_t read = m_nRead.load(std::memory_order_acquire);
    const std::uint32_t write = m_nWrite.load(std::memory_order_relaxed);
    const std::uint32_t free = (read + m_nCapacity - write - 1) % m_nCapacity;
    if (headSize > free || dataSize > free - headSize) return false;
    Put(write, head, headSize);
    const std::uint32_t dataAt = (write + headSize) % m_nCapacity;
    if (dataSize) Put(dataAt, data, dataSize);
    m_nWrite.store((dataAt + dataSize) % m_nCapacity, std::memory_order_release);
    return true;
}

std::uint32_t CNetRing::GetReadable() const
{
    const std::uint32_t write = m_nWrite.load(std::memory_order_acquire);
    const std::uint32_t read = m_nRead.load(std::memory_order_relaxed);
    return (write + m_nCapacity - read) % m_nCapacity;
}

bool CNetRing::HasData() const
{
    return GetReadable() != 0;
}

bool CNetRing::Read(void* out, std::uint32_t n)
{
    if (n > GetReadable()) return false;
    const std::uint32_t read = m_nRead.load(std::memory_order_relaxed);
    Get(read, out, n);
    m_nRead.store((read + n) % m_nCapacity, std::memory_order_release);
    return true;
}

bool CNetRing::Skip(std::uint32_t n)
{
    if (n > GetReadable()) return false;
    const std::uint32_t read = m_nRead.load(std::memory_order_relaxed);
    m_nRead.store((read + n) % m_nCapacity, std::memory_order_release);
    return true;
}

void CNetRing::SkipAll()
{
    m_nRead.store(m_nWrite.load(std::memory_order_acquire), std::memory_order_release);
}
