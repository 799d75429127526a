// CGroupGrid: the group list's centres by cells of a grid, so that spying
// looks only at the groups near a point instead of walking the whole list.
//
// The grid holds, per list index, the centre it last saw and the cell
// (kCellSize square) that centre falls in; cells hash into a fixed table of
// buckets. Walk visits, in index order, a superset of the groups whose
// indexed centre lies in a square: the caller tests the distances itself on
// the groups' current centres, so a grid that agrees with the centres gives
// the same groups, in the same order, as a walk over the whole list.
//
// Keeping it in agreement is the owner's part (CMechGroupList2): a full Sync
// before the groups run and before any query from outside their run, and
// Update of an entry after its group ran. A centre that is not a number is
// kept apart and answered by every query.
//
// Memory: one entry per group and the buckets' index arrays; a walk asks
// the cache for the first line of the next group's record it will visit
// (where MechGroup.h keeps what spying reads of a group). Threads: main
// thread only.
#pragma once

#include "foundation/Vector.h"

#include <cstdint>
#include <vector>

class CMechGroup2;

class CGroupGrid
{
public:
    static constexpr float kCellSize = 512.0f;

    CGroupGrid();

    // The grid agrees with the list: entries whose centre moved change
    // cells; a list with other groups or another length is indexed anew.
    void Sync(const std::vector<CMechGroup2*>& groups);
    // Entry i after its group ran. A group that is not entry i (the list
    // changed) leaves the grid out of date until the next Sync.
    void Update(int i, const CMechGroup2* group);
    bool IsInSync() const { return m_bInSync; }
    // Calls visit(index) for the groups whose indexed centre lies within
    // half-width r of c along x and y (and possibly a few more), and for
    // every group whose centre is not a number: in ascending index order,
    // each index once, until visit returns false. (A walk over the list that
    // stops early, as the admission of a full table does, costs only the
    // indices it reaches.) visit must leave the grid as it is.
    template <class F>
    void Walk(const CVector& c, float r, F&& visit) const
    {
        SWindow window;
        SCursor cursors[kWindowBuckets + 1];
        // A heap of the cursors' next indices, the smallest on top: each key
        // is the index above the cursor's number.
        std::uint64_t heap[kWindowBuckets + 1];
        int n = OpenWindow(c, r, window, cursors, heap);
        while (n > 0)
        {
            SCursor& top = cursors[heap[0] & kCursorMask];
            const std::int32_t i = *top.at;
            const bool accepted = window.Accepts(m_Entries[std::size_t(i)], top.all);
            // Another bucket of the window never holds the same index.
            if (++top.at == top.end)
                heap[0] = heap[--n];
            else
                heap[0] = Key(*top.at, heap[0] & kCursorMask);
            SiftDown(heap, n);
            // The next group's record is asked for while this one is
            // visited: with hundreds of groups it is rarely in the cache.
            // (One the window then leaves out, of a cell that shares the
            // bucket, is asked for in vain: rare, and cheaper than the test.)
            if (n > 0) __builtin_prefetch(m_Entries[std::size_t(*cursors[heap[0] & kCursorMask].at)].group);
            if (accepted && !visit(i)) return;
        }
    }

private:
    static constexpr int kBuckets = 4096;
    static constexpr int kWindowBuckets = 256; // a wider window walks every bucket
    static constexpr int kNowhere = kBuckets; // the bucket of centres that are not numbers
    static constexpr std::int32_t kLimit = 1 << 20; // cell coordinates are clamped to +-kLimit

    struct SEntry
    {
        const CMechGroup2* group = nullptr;
        CVector centre;
        std::int32_t cx = 0, cy = 0;
        std::int32_t bucket = -1;
    };
    // The cells a walk asks for: an entry of them by its indexed centre (the
    // nowhere bucket's cursor takes every entry of its own).
    struct SWindow
    {
        std::int32_t x0 = 0, x1 = -1, y0 = 0, y1 = -1;
        bool Accepts(const SEntry& e, bool all) const
        {
            return all || (e.bucket >= 0 && e.bucket != kNowhere && e.cx >= x0 && e.cx <= x1 && e.cy >= y0 &&
                           e.cy <= y1);
        }
    };
    // One bucket's indices still to walk.
    struct SCursor
    {
        const std::int32_t* at;
        const std::int32_t* end;
        bool all;
    };
    static constexpr std::uint64_t kCursorMask = 0x3ff; // above kWindowBuckets
    static std::uint64_t Key(std::int32_t index, std::uint64_t cursor)
    {
        return std::uint64_t(std::uint32_t(index)) << 10 | cursor;
    }

    static std::int32_t CellOf(float v);
    static int BucketOf(std::int32_t cx, std::int32_t cy);
    void Place(int i, const CVector& centre);
    void Remove(int i);
    // The non-empty buckets of the window as cursors and a heap of their
    // keys; the count.
    int OpenWindow(const CVector& c, float r, SWindow& window, SCursor* cursors, std::uint64_t* heap) const;
    static void SiftDown(std::uint64_t* heap, int n, int i = 0);

    std::vector<SEntry> m_Entries;
    // Per bucket the indices of its entries, ascending; kBuckets + the
    // nowhere bucket.
    std::vector<std::vector<std::int32_t>> m_Buckets;
    std::vector<std::int32_t> m_All; // 0 .. entries - 1, for windows wider than kWindowBuckets cells
    bool m_bInSync = false;
};
