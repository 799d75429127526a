#include "society/GroupGrid.h"

#include "society/MechGroup.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
bool IsNumber(const CVector& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y);
}

// Bitwise: a centre that is not a number must count as unchanged.
bool SameCentre(const CVector& a, const CVector& b)
{
    return std::memcmp(&a, &b, sizeof(CVector)) == 0;
}
} // namespace

CGroupGrid::CGroupGrid() : m_Buckets(std::size_t(kBuckets + 1)) {}

std::int32_t CGroupGrid::CellOf(float v)
{
    // Clamped before the conversion: far points share the edge cells, which
    // keeps every window a superset (the clamp keeps the order of points).
    const float cell = std::floor(v / kCellSize);
    return std::int32_t(std::clamp(cell, -float(kLimit), float(kLimit)));
}

int CGroupGrid::BucketOf(std::int32_t cx, std::int32_t cy)
{
    const std::uint32_t h = std::uint32_t(cx) * 73856093u ^ std::uint32_t(cy) * 19349663u;
    return int(h & (kBuckets - 1));
}

void CGroupGrid::Place(int i, const CVector& centre)
{
    SEntry& e = m_Entries[std::size_t(i)];
    e.centre = centre;
    if (IsNumber(centre))
    {
        e.cx = CellOf(centre.x);
        e.cy = CellOf(centre.y);
        e.bucket = BucketOf(e.cx, e.cy);
    }
    else
        e.bucket = kNowhere;
    std::vector<std::int32_t>& b = m_Buckets[std::size_t(e.bucket)];
    b.insert(std::upper_bound(b.begin(), b.end(), i), i);
}

void CGroupGrid::Remove(int i)
{
    SEntry& e = m_Entries[std::size_t(i)];
    if (e.bucket < 0) return;
    std::vector<std::int32_t>& b = m_Buckets[std::size_t(e.bucket)];
    const auto at = std::lower_bound(b.begin(), b.end(), i);
    if (at != b.end() && *at == i) b.erase(at);
    e.bucket = -1;
}

void CGroupGrid::Sync(const std::vector<CMechGroup2*>& groups)
{
    bool same = groups.size() == m_Entries.size();
    for (std::size_t i = 0; same && i < groups.size(); ++i)
        same = groups[i] == m_Entries[i].group;
    if (!same)
    {
        for (std::vector<std::int32_t>& b : m_Buckets)
            b.clear();
        m_Entries.assign(groups.size(), SEntry{});
        m_All.resize(groups.size());
        for (std::size_t i = 0; i < groups.size(); ++i)
            m_All[i] = std::int32_t(i);
        for (std::size_t i = 0; i < groups.size(); ++i)
        {
            m_Entries[i].group = groups[i];
            if (groups[i]) Place(int(i), groups[i]->m_vCentre);
        }
    }
    else
        for (std::size_t i = 0; i < groups.size(); ++i)
        {
            // Each centre lies in a record of its own: asked for ahead, the
            // records arrive side by side.
            if (i + 8 < groups.size() && groups[i + 8]) __builtin_prefetch(&groups[i + 8]->m_vCentre);
            if (groups[i] && !SameCentre(groups[i]->m_vCentre, m_Entries[i].centre)) Update(int(i), groups[i]);
        }
    m_bInSync = true;
}

void CGroupGrid::Update(int i, const CMechGroup2* group)
{
    if (i < 0 || std::size_t(i) >= m_Entries.size() || m_Entries[std::size_t(i)].group != group || !group)
    {
        m_bInSync = false;
        return;
    }
    SEntry& e = m_Entries[std::size_t(i)];
    const CVector& c = group->m_vCentre;
    if (SameCentre(c, e.centre)) return;
    if (IsNumber(c) && e.bucket != kNowhere && CellOf(c.x) == e.cx && CellOf(c.y) == e.cy)
    {
        e.centre = c;
        return;
    }
    Remove(i);
    Place(i, c);
}

void CGroupGrid::SiftDown(std::uint64_t* heap, int n, int i)
{
    for (;;)
    {
        int least = i;
        const int a = 2 * i + 1, b = a + 1;
        if (a < n && heap[a] < heap[least]) least = a;
        if (b < n && heap[b] < heap[least]) least = b;
        if (least == i) return;
        std::swap(heap[i], heap[least]);
        i = least;
    }
}

int CGroupGrid::OpenWindow(const CVector& c, float r, SWindow& window, SCursor* cursors, std::uint64_t* heap) const
{
    static_assert(kWindowBuckets < int(kCursorMask));
    int n = 0;
    auto open = [&](const std::vector<std::int32_t>& indices, bool all)
    {
        if (indices.empty()) return;
        cursors[n] = SCursor{indices.data(), indices.data() + indices.size(), all};
        heap[n] = Key(indices.front(), std::uint64_t(n));
        ++n;
    };
    if (IsNumber(c) && r >= 0.0f)
    {
        window = SWindow{CellOf(c.x - r), CellOf(c.x + r), CellOf(c.y - r), CellOf(c.y + r)};
        if (std::int64_t(window.x1 - window.x0 + 1) * std::int64_t(window.y1 - window.y0 + 1) > kWindowBuckets)
            open(m_All, false); // wider than its cells are worth: every entry, in order
        else
        {
            // Cells of the window may share a bucket: each bucket once.
            std::uint64_t opened[(kBuckets + 63) / 64] = {};
            for (std::int32_t y = window.y0; y <= window.y1; ++y)
                for (std::int32_t x = window.x0; x <= window.x1; ++x)
                {
                    const int b = BucketOf(x, y);
                    std::uint64_t& word = opened[b / 64];
                    const std::uint64_t bit = std::uint64_t(1) << (b % 64);
                    if (word & bit) continue;
                    word |= bit;
                    open(m_Buckets[std::size_t(b)], false);
                }
        }
    }
    open(m_Buckets[std::size_t(kNowhere)], true);
    for (int i = n / 2 - 1; i >= 0; --i)
        SiftDown(heap, n, i);
    return n;
}
