#include "location/GroundCache.h"

#include <algorithm>

CGroundCache::CGroundCache(int capacity) : m_nCapacity(capacity > 0 ? capacity : 1)
{
    std::fill(std::begin(m_pCells), std::end(m_pCells), nullptr);
    std::fill(std::begin(m_nUses), std::end(m_nUses), std::uint64_t{0});
}

CGroundCache::~CGroundCache() = default;

SGroundCell* CGroundCache::Take(int x, int y)
{
    int chosen = -1;
    // A free record first (after Clear, or one whose cell failed to load).
    for (int i = 0; i < m_nRecords && chosen < 0; ++i)
        if (m_Owners[std::size_t(i)] < 0) chosen = i;
    if (chosen < 0 && m_nRecords < m_nCapacity)
    {
        if (m_nRecords % kChunk == 0)
            m_Chunks.push_back(ChunkPtr(static_cast<SGroundCell*>(plat::AllocLargePageBlock(kChunkBytes))));
        m_Owners.push_back(-1);
        chosen = m_nRecords++;
    }
    if (chosen < 0)
    {
        // The least recently used.
        chosen = 0;
        for (int i = 1; i < m_nRecords; ++i)
            if (m_nUses[m_Owners[std::size_t(i)]] < m_nUses[m_Owners[std::size_t(chosen)]]) chosen = i;
        m_pCells[m_Owners[std::size_t(chosen)]] = nullptr;
        m_Owners[std::size_t(chosen)] = -1;
    }
    m_nPending = chosen;
    m_nPendingCell = y * kCellGridSize + x;
    return Record(chosen);
}

void CGroundCache::Commit()
{
    if (m_nPending < 0) return;
    m_Owners[std::size_t(m_nPending)] = m_nPendingCell;
    m_pCells[m_nPendingCell] = Record(m_nPending);
    m_nUses[m_nPendingCell] = ++m_nClock;
    m_nPending = m_nPendingCell = -1;
}

void CGroundCache::Clear()
{
    std::fill(std::begin(m_pCells), std::end(m_pCells), nullptr);
    std::fill(m_Owners.begin(), m_Owners.end(), -1);
    m_nPending = m_nPendingCell = -1;
}
