// Compact copies of the cells' object lists for the physics passes, which
// search the same cells for every moving object.
//
// CCollisionCells: the collision pass's copy of what its broad phase reads
// of the objects of a cell.
//
// Every mover looks at the objects of four cells, and every object is
// looked at by the movers of the cells around it: read from the objects
// themselves (scattered on the heap, the fields on three cache lines) the
// broad phase costs a cache miss per candidate once the objects no longer
// fit in the caches. The copy holds, per cell, one 40-byte entry for each
// collidable, alive object of the cell's list, sorted by x: its position,
// radius, object number, squared speed and place in the list. A mover looks
// only at the entries within its reach along x and throws away those that
// are certainly out of reach; the few left are tested on the objects
// themselves in the list's order, exactly as before, so the result is the
// same as a walk over the lists.
//
// The copy of a cell is made when the pass first asks for it, and holds as
// long as nothing changes the objects in the meantime. Within the pass only
// the narrow tests change objects: their impulses change the velocity of
// the two objects of a contact (MarkImpulsed: their speed is then read from
// the object), and the objects' own collision handlers and contact reports
// may change anything. These say whether they may have changed more than
// the two velocities (CMMObject::SetColissionObject): most do not (a
// glider's knock), and their contact is marked like an impulse; after the
// others Invalidate: every copy is checked against its list and its objects
// when next asked for, and made again only when something in it differs.
// Checking each copy costs a read of each of its objects, scattered over
// the heap, and the handlers run more often the more objects there are.
// AddImpulse must change nothing but the velocity.
//
// Memory: the entries of the cells asked for in one pass (44 bytes an
// object) and those made again in it, kept for the next pass. Threads:
// main thread only.
#pragma once

#include "foundation/Vector.h"
#include "world/ObjectScene.h"

#include <cmath>
#include <cstdint>
#include <vector>

class CMMObject;
class CDynamicObject;

class CCollisionCells
{
public:
    struct SEntry
    {
        CMMObject* object;
        CVector position;
        float radius;
        // The squared speed of an object with the physics flag (a moving
        // one); -1 for a still one.
        float speedSq;
        std::int32_t number;
        // The place in the cell's list among the entries.
        std::int32_t listIndex;

        bool IsMoving() const { return !(speedSq < 0.0f); }
    };
    static_assert(sizeof(SEntry) == 40);

    CCollisionCells();

    // Starts a pass: no cell is copied yet, no object has taken an impulse.
    void BeginPass();
    // Every copy to be checked before its next use (a handler or a report
    // that may have changed objects ran).
    void Invalidate();
    // The entries of cell index (0..4095) by ascending x, copied from list
    // when not yet copied in this pass, and of them the ones that may be
    // partners of mover a (MayReach), as entry indices in list order. Both
    // valid until the next call or Invalidate.
    const std::int32_t* Reachable(int index, const CLinkedList<CMMObject>& list, const CDynamicObject* a,
                                  float vaSq, const SEntry** entries, int* count);
    // After Invalidate within the walk of a cell: the cell copied again and
    // the list index of the first entry that comes after `after` in the
    // list (the entry count when `after` is no longer listed).
    int ResumeAfter(int index, const CLinkedList<CMMObject>& list, const CMMObject* after);
    // The object's velocity may have changed since its entry was made (to
    // a squared speed of speedSq).
    void MarkImpulsed(const CMMObject* object, float speedSq);
    // Perhaps marked (rarely true for an object that was not).
    bool MaybeImpulsed(const CMMObject* object) const;

    // A check for the tests: with it on, CheckCopies compares every copy in
    // use with what Copy would make of its list now, the speeds of marked
    // objects excepted, and counts the copies that differ. The pass calls
    // it after every report that said it changed nothing: a report that
    // changes an object without saying so shows as a stale copy.
    void SetChecking(bool on)
    {
        m_bChecking = on;
        m_nChecks = m_nStale = 0;
    }
    bool IsChecking() const { return m_bChecking; }
    void CheckCopies();
    int GetChecks() const { return m_nChecks; }
    int GetStaleCopies() const { return m_nStale; }

private:
    static constexpr int kCells = kCellGridSize * kCellGridSize;
    static constexpr int kMarkBits = 1 << 14;

    // A copied cell's entries fall into strips of the cell along x (the
    // first and last strips also hold entries beyond the cell's edges):
    // strip b's entries start at the cell's entry m_Strips[strips + b].
    static constexpr int kStrips = 16;

    struct SCell
    {
        // The stamp when copied or last found unchanged: m_nStamp is up to
        // date, from m_nPassStart on it is to be checked, older is gone.
        std::uint32_t stamp = 0;
        std::int32_t first = 0;
        std::int32_t count = 0;
        std::int32_t strips = 0; // the cell's kStrips + 1 starts in m_Strips
        float left = 0.0f;       // x of the cell's left edge
        float maxRadius = 0.0f;  // the largest |radius|
        float maxSpeedSq = 0.0f;
        // What the check compares: the list at its change count, and the
        // list's objects that have no entry (m_Unlisted from firstUnlisted).
        const CLinkedList<CMMObject>* list = nullptr;
        std::uint32_t changes = 0;
        std::int32_t firstUnlisted = 0;
        std::int32_t unlisted = 0;
        // The box of the entries' positions (empty: min above max).
        float minX = HUGE_VALF, maxX = -HUGE_VALF, minY = HUGE_VALF, maxY = -HUGE_VALF;
    };

    static std::uint32_t MarkBit(const CMMObject* object);
    static bool IsListed(const CMMObject* object);
    static float SpeedSq(const CMMObject* object);
    static int StripOf(const SCell& cell, float x);
    // False only when b is certainly out of mover a's reach by the broad
    // phase's distance test (CObjectList::IsPartner), judged by b's entry
    // (Reachable's test of each entry, defined inline beside it).
    bool MayReach(const CDynamicObject* a, const SEntry& b, float vaSq) const;
    SCell& Copy(int index, const CLinkedList<CMMObject>& list);
    // The copy still what Copy would make of the list now (with
    // marksExcepted: the speeds of objects marked impulsed not compared).
    bool IsUnchanged(const SCell& cell, const CLinkedList<CMMObject>& list, bool marksExcepted = false) const;

    std::vector<SEntry> m_Entries;
    // The entries' y beside them: the first test of Reachable reads only
    // these (five times fewer cache lines than the entries).
    std::vector<float> m_Ys;
    std::vector<std::int32_t> m_Strips;
    std::vector<CMMObject*> m_Unlisted;
    std::vector<SCell> m_Cells;
    // Reachable's entries within reach along x and y, and its result: both
    // as long as the largest cell copied, so that Reachable only writes.
    std::vector<std::int32_t> m_Near;
    std::vector<std::int32_t> m_Picked;
    std::uint32_t m_nStamp = 0;
    std::uint32_t m_nPassStart = 0;
    std::uint32_t m_nMarked = 0;
    float m_fMarkedMaxSq = 0.0f; // the largest squared speed of a marked object
    std::uint64_t m_Marks[kMarkBits / 64] = {};
    bool m_bChecking = false;
    int m_nChecks = 0;
    int m_nStale = 0;
};

// CGroundRayCells: for the physics' pre-move and move passes, the objects of
// a cell that the downward ground ray can hit (collidable, not a sphere
// collider), in the cell list's order. The ground query runs six times per
// object and sub-step, each time over the flags of every object of the
// cell; mostly none of them qualifies.
//
// A copy holds, across passes, while its list's change count and the count
// of collision flag changes (CCollisionFlag) are what they were when it was
// made: an object entering or leaving the cell, made or destroyed, changes
// the list, a flag set anywhere changes the other. Made again every pass,
// the copies read every object of the cells asked for, scattered over the
// heap, twice a sub-step. The alive flag is not copied: the query reads it
// on every use (objects die in the passes without leaving their lists).
// Outside a pass (Begin .. End) IsActive is false and the lists are walked
// as they are.
//
// Memory: the pointers of the cells copied, those of copies made again
// kept until Begin finds them more than half of the whole. Threads: main
// thread only.
class CGroundRayCells
{
public:
    CGroundRayCells();

    void Begin();
    void End() { m_bActive = false; }
    bool IsActive() const { return m_bActive; }
    // The cell's copy; valid until the next Objects.
    CMMObject* const* Objects(int index, const CLinkedList<CMMObject>& list, int* count);

private:
    static constexpr int kCells = kCellGridSize * kCellGridSize;

    struct SCell
    {
        // The copies of an older generation are gone (Begin dropped them).
        std::uint32_t generation = 0;
        std::uint32_t changes = 0;
        std::uint32_t flagChanges = 0;
        const CLinkedList<CMMObject>* list = nullptr;
        std::int32_t first = 0;
        std::int32_t count = 0;
    };
    std::vector<CMMObject*> m_Objects;
    std::vector<SCell> m_Cells;
    std::size_t m_nDropped = 0; // pointers of copies made again since the last clearing
    std::uint32_t m_nGeneration = 1;
    bool m_bActive = false;
};

// One pass of CGroundRayCells, ended also when the pass ends by an exception.
class CGroundRayPass
{
public:
    explicit CGroundRayPass(CGroundRayCells& cells) : m_Cells(cells) { m_Cells.Begin(); }
    ~CGroundRayPass() { m_Cells.End(); }
    CGroundRayPass(const CGroundRayPass&) = delete;
    CGroundRayPass& operator=(const CGroundRayPass&) = delete;

private:
    CGroundRayCells& m_Cells;
};
