// CSlotPool: a fixed-capacity pool of numbered records (ids 1..capacity).
//
// A user takes an id, keeps its record in the pool under that id, walks the
// ids in use in ascending order and gives the id back. The used ids are
// linked by run lengths: for the head (slot 0) and every used slot i,
// runs[i].next is the distance to the next used slot (0: none follows) and
// runs[i].prev the distance back to the previous used slot or the head; so
// a walk skips free stretches in one step, and the cursor (the used slot
// after which the next id is taken) makes taking an id cost no search.
//
// Threads: none of its own; the owner guards it.
#pragma once

#include <cstdint>
#include <vector>

template <typename T> class CSlotPool
{
public:
    struct SRun
    {
        std::int32_t next = 0;
        std::int32_t prev = 0;
    };

    // Frees earlier arrays; runs all zero, records default, nothing used.
    void Init(std::int32_t capacity)
    {
        m_nCapacity = capacity < 0 ? 0 : capacity;
        m_Runs.assign(static_cast<std::size_t>(m_nCapacity) + 1, SRun());
        m_Records.assign(static_cast<std::size_t>(m_nCapacity) + 1, T());
        m_Used.assign(static_cast<std::size_t>(m_nCapacity) + 1, 0);
        m_nCursor = 0;
        m_nCount = 0;
    }

    // Every id free again; the records keep their contents.
    void Reset()
    {
        m_Runs.assign(m_Runs.size(), SRun());
        m_Used.assign(m_Used.size(), 0);
        m_nCursor = 0;
        m_nCount = 0;
    }

    // A free id, or -1 when all are in use.
    std::int32_t Alloc()
    {
        const std::int32_t c = m_nCursor;
        if (c >= m_nCapacity) return -1;
        ++m_nCount;
        const std::int32_t k = m_Runs[c].next;
        if (k != 0)
        {
            // A used slot follows at c + k: c + 1 goes in between.
            m_Runs[c + k].prev -= 1;
            m_Runs[c + 1].next = k - 1;
            m_Runs[c].next = 1;
            m_Runs[c + 1].prev = 1;
            m_nCursor = c + 1;
            while (m_nCursor < m_nCapacity && m_Runs[m_nCursor].next == 1)
                ++m_nCursor;
        }
        else
        {
            m_Runs[c].next = 1;
            m_Runs[c + 1].prev = 1;
            m_Runs[c + 1].next = 0;
            m_nCursor = c + 1;
        }
        if (m_nCursor >= m_nCapacity)
        {
            m_nCursor = 0;
            while (m_nCursor < m_nCapacity && m_Runs[m_nCursor].next == 1)
                ++m_nCursor;
        }
        m_Used[static_cast<std::size_t>(c + 1)] = 1;
        return c + 1;
    }

    std::int32_t Alloc(const T& record)
    {
        const std::int32_t id = Alloc();
        if (id > 0) m_Records[static_cast<std::size_t>(id)] = record;
        return id;
    }

    // Ids outside 1..capacity and ids not in use are ignored.
    void Free(std::int32_t id)
    {
        if (!IsUsed(id)) return;
        m_Used[static_cast<std::size_t>(id)] = 0;
        --m_nCount;
        const std::int32_t k = m_Runs[id].next;
        const std::int32_t p = m_Runs[id].prev;
        if (k != 0)
        {
            m_Runs[id - p].next += k;
            m_Runs[id + k].prev += p;
        }
        else
        {
            m_Runs[id - p].next = 0;
        }
        if (m_nCursor >= m_nCapacity)
            m_nCursor = id - 1;
        else if (m_nCursor == id)
            m_nCursor = id - p;
    }

    bool IsUsed(std::int32_t id) const
    {
        return id >= 1 && id <= m_nCapacity && m_Used[static_cast<std::size_t>(id)];
    }

    // Walk: for (i = First(); i > 0; i = Next(i)).
    std::int32_t First() const { return m_Runs.empty() ? 0 : m_Runs[0].next; }
    std::int32_t Next(std::int32_t id) const
    {
        const std::int32_t k = m_Runs[static_cast<std::size_t>(id)].next;
        return k == 0 ? 0 : id + k;
    }

    T& operator[](std::int32_t id) { return m_Records[static_cast<std::size_t>(id)]; }
    const T& operator[](std::int32_t id) const { return m_Records[static_cast<std::size_t>(id)]; }
    std::int32_t GetCount() const { return m_nCount; }
    std::int32_t GetCapacity() const { return m_nCapacity; }

private:
    std::int32_t m_nCursor = 0;
    std::int32_t m_nCapacity = 0;
    std::int32_t m_nCount = 0;
    std::vector<SRun> m_Runs;
    std::vector<T> m_Records;
    std::vector<std::uint8_t> m_Used;
};
