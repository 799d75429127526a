#include "world/CollisionCells.h"

#include "world/DynamicObject.h"

#include <algorithm>
#include <cmath>
#include <cstring>

CCollisionCells::CCollisionCells() : m_Cells(kCells) {}

void CCollisionCells::BeginPass()
{
    if (++m_nStamp == 0)
    {
        // After four billion passes and handlers the stamps start again.
        std::fill(m_Cells.begin(), m_Cells.end(), SCell{});
        m_nStamp = 1;
    }
    m_nPassStart = m_nStamp;
    m_Entries.clear();
    m_Ys.clear();
    m_Strips.clear();
    m_Unlisted.clear();
    if (m_nMarked)
    {
        std::memset(m_Marks, 0, sizeof(m_Marks));
        m_nMarked = 0;
    }
    m_fMarkedMaxSq = 0.0f;
}

void CCollisionCells::Invalidate()
{
    if (m_nStamp == UINT32_MAX)
    {
        BeginPass();
        return;
    }
    ++m_nStamp;
    // Every copy checked from now on reads the speeds of the objects as
    // they are: no mark is needed for the impulses given so far.
    if (m_nMarked)
    {
        std::memset(m_Marks, 0, sizeof(m_Marks));
        m_nMarked = 0;
    }
    m_fMarkedMaxSq = 0.0f;
}

// Never a partner of any mover: not collidable, dead, or placed where no
// distance can be measured.
bool CCollisionCells::IsListed(const CMMObject* object)
{
    const CVector& p = object->GetPosition();
    return object->m_bCollidable && object->m_bAlive && std::isfinite(p.x) && std::isfinite(p.y) &&
           std::isfinite(p.z);
}

float CCollisionCells::SpeedSq(const CMMObject* object)
{
    return object->m_bPhysics ? static_cast<const CDynamicObject*>(object)->m_vVelocity.LengthSq() : -1.0f;
}

namespace
{

bool SameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof(float)) == 0;
}

// What a copy reads of an object: its flags, radius, number, position and
// (a moving one's) velocity. With thousands of objects they are no longer
// in the caches, and a walk that asks for them one object after another
// waits for each in turn: they are asked for some objects ahead.
void PrefetchObject(const CMMObject* object)
{
    __builtin_prefetch(&object->m_bCollidable);
    __builtin_prefetch(&object->m_fRadius);
    __builtin_prefetch(&object->GetPosition());
}

// Whether there is a velocity is known only from the flags: asked for
// later than the rest, once the flags have arrived.
void PrefetchVelocity(const CMMObject* object)
{
    if (object->m_bPhysics) __builtin_prefetch(&static_cast<const CDynamicObject*>(object)->m_vVelocity);
}

// Objects asked for ahead of the one read, and their velocities.
constexpr int kPrefetchDistance = 6;
constexpr int kVelocityDistance = 3;

} // namespace

bool CCollisionCells::IsUnchanged(const SCell& cell, const CLinkedList<CMMObject>& list, bool marksExcepted) const
{
    // The same nodes in the same order while the change count stands.
    if (cell.list != &list || cell.changes != list.GetChangeCount()) return false;
    for (int k = 0; k < cell.unlisted; ++k)
    {
        if (IsListed(m_Unlisted[std::size_t(cell.firstUnlisted + k)])) return false;
    }
    const SEntry* entries = m_Entries.data() + cell.first;
    for (int k = 0; k < cell.count && k < kPrefetchDistance; ++k)
        PrefetchObject(entries[k].object);
    for (int k = 0; k < cell.count; ++k)
    {
        if (k + kPrefetchDistance < cell.count) PrefetchObject(entries[k + kPrefetchDistance].object);
        if (k + kVelocityDistance < cell.count) PrefetchVelocity(entries[k + kVelocityDistance].object);
        const SEntry& e = entries[k];
        const CMMObject* o = e.object;
        const CVector& p = o->GetPosition();
        if (!IsListed(o) || !SameBits(p.x, e.position.x) || !SameBits(p.y, e.position.y) ||
            !SameBits(p.z, e.position.z) || !SameBits(o->m_fRadius, e.radius) || o->m_nObjectNumber != e.number)
            return false;
        if (marksExcepted && MaybeImpulsed(o))
        {
            // Still moving or still, and no faster than the marks allow.
            const float speedSq = SpeedSq(o);
            if ((speedSq < 0.0f) != (e.speedSq < 0.0f) || speedSq > std::max(e.speedSq, m_fMarkedMaxSq)) return false;
        }
        else if (!SameBits(SpeedSq(o), e.speedSq))
            return false;
    }
    return true;
}

CCollisionCells::SCell& CCollisionCells::Copy(int index, const CLinkedList<CMMObject>& list)
{
    SCell& cell = m_Cells[index];
    if (cell.stamp == m_nStamp) return cell;
    // A handler ran since the copy was made: most often it changed nothing
    // here, and reading the entries' objects again costs less than walking
    // the list and sorting anew.
    if (cell.stamp >= m_nPassStart && cell.stamp != 0 && IsUnchanged(cell, list))
    {
        cell.stamp = m_nStamp;
        return cell;
    }
    cell = SCell{m_nStamp,
                 std::int32_t(m_Entries.size()),
                 0,
                 std::int32_t(m_Strips.size()),
                 kCellSize * float(index % kCellGridSize),
                 0.0f,
                 0.0f,
                 &list,
                 list.GetChangeCount(),
                 std::int32_t(m_Unlisted.size()),
                 0,
                 HUGE_VALF,
                 -HUGE_VALF,
                 HUGE_VALF,
                 -HUGE_VALF};
    const CLinkedListBase::SNode* ahead = list.GetHeadNode();
    const CLinkedListBase::SNode* nearer = ahead;
    for (int k = 0; ahead && k < kPrefetchDistance; ++k, ahead = ahead->next)
        PrefetchObject(static_cast<const CMMObject*>(ahead->item));
    for (int k = 0; nearer && k < kVelocityDistance; ++k, nearer = nearer->next)
        ;
    for (CMMObject* o : list)
    {
        if (ahead)
        {
            PrefetchObject(static_cast<const CMMObject*>(ahead->item));
            ahead = ahead->next;
        }
        if (nearer)
        {
            PrefetchVelocity(static_cast<const CMMObject*>(nearer->item));
            nearer = nearer->next;
        }
        if (!IsListed(o))
        {
            m_Unlisted.push_back(o);
            continue;
        }
        const float speedSq = SpeedSq(o);
        const auto listIndex = std::int32_t(m_Entries.size()) - cell.first;
        m_Entries.push_back(SEntry{o, o->GetPosition(), o->m_fRadius, speedSq, o->m_nObjectNumber, listIndex});
        // A radius or speed that is not a number never makes a partner:
        // std::max keeps the bound it has.
        cell.maxRadius = std::max(cell.maxRadius, std::fabs(o->m_fRadius));
        cell.maxSpeedSq = std::max(cell.maxSpeedSq, speedSq);
        const CVector& p = o->GetPosition();
        cell.minX = std::min(cell.minX, p.x);
        cell.maxX = std::max(cell.maxX, p.x);
        cell.minY = std::min(cell.minY, p.y);
        cell.maxY = std::max(cell.maxY, p.y);
    }
    cell.count = std::int32_t(m_Entries.size()) - cell.first;
    cell.unlisted = std::int32_t(m_Unlisted.size()) - cell.firstUnlisted;
    SEntry* entries = m_Entries.data() + cell.first;
    std::sort(entries, entries + cell.count,
              [](const SEntry& p, const SEntry& q) { return p.position.x < q.position.x; });
    m_Ys.resize(m_Entries.size());
    for (int k = 0; k < cell.count; ++k)
        m_Ys[std::size_t(cell.first + k)] = entries[k].position.y;
    int strip = 0;
    m_Strips.push_back(0);
    for (int k = 0; k < cell.count; ++k)
    {
        for (const int to = StripOf(cell, entries[k].position.x); strip < to; ++strip)
            m_Strips.push_back(k);
    }
    for (; strip < kStrips; ++strip)
        m_Strips.push_back(cell.count);
    if (m_Near.size() < std::size_t(cell.count))
    {
        m_Near.resize(std::size_t(cell.count));
        m_Picked.resize(std::size_t(cell.count));
    }
    return cell;
}

// Never decreasing with x (the strips follow the x order).
int CCollisionCells::StripOf(const SCell& cell, float x)
{
    const float t = (x - cell.left) * (float(kStrips) / kCellSize);
    if (!(t >= 0.0f)) return 0;
    return t >= float(kStrips - 1) ? kStrips - 1 : int(t);
}

inline bool CCollisionCells::MayReach(const CDynamicObject* a, const SEntry& b, float vaSq) const
{
    if (b.object == a) return false;
    const bool moving = b.IsMoving();
    if (moving && b.number > a->m_nObjectNumber) return false;
    const float rr = a->m_fRadius + b.radius;
    const float d2 = (b.position - a->GetPosition()).LengthSq();
    float vbSq = 0.0f;
    if (moving)
    {
        vbSq = MaybeImpulsed(b.object) ? static_cast<const CDynamicObject*>(b.object)->m_vVelocity.LengthSq()
                                       : b.speedSq;
    }
    // Out only when certainly out of IsPartner's reach: the margin covers
    // any rounding of the same sums done there; a NaN is never out here.
    return !(d2 > 1.5f * (rr * rr + vaSq + vbSq) * 1.001f + 0.001f);
}

const std::int32_t* CCollisionCells::Reachable(int index, const CLinkedList<CMMObject>& list,
                                               const CDynamicObject* a, float vaSq, const SEntry** entries,
                                               int* count)
{
    const SCell& cell = Copy(index, list);
    *entries = m_Entries.data() + cell.first;
    // Every partner lies within this distance along x and along y: the
    // broad phase's bound with the cell's largest radius and speed (and the
    // speed of any object that took an impulse), with room for rounding.
    const float r = std::fabs(a->m_fRadius) + cell.maxRadius;
    const float reachSq = 1.5f * (r * r + vaSq + std::max(cell.maxSpeedSq, m_fMarkedMaxSq)) * 1.001f + 0.001f;
    const float reach = std::sqrt(reachSq) * 1.001f + 0.01f;
    const float x = a->GetPosition().x;
    const float y = a->GetPosition().y;
    // Most cells a mover looks at are those beside its own, and it is far
    // from all of their objects: the box of the entries says so at once (a
    // reach that is not a number says nothing).
    std::int32_t* picked = m_Picked.data();
    *count = 0;
    if (x + reach < cell.minX || x - reach > cell.maxX || y + reach < cell.minY || y - reach > cell.maxY)
        return picked;
    const SEntry* first = *entries;
    const SEntry* last = first + cell.count;
    if (reach < HUGE_VALF)
    {
        const std::int32_t* strips = m_Strips.data() + cell.strips;
        last = first + strips[StripOf(cell, x + reach) + 1];
        first += strips[StripOf(cell, x - reach)];
    }
    // Along y as along x first: the cheaper test throws out most, kept
    // without a branch per entry (which way it goes is anybody's guess).
    // Both buffers hold the largest cell's count (Copy).
    const float band = reach < HUGE_VALF ? reach : HUGE_VALF;
    std::int32_t* near = m_Near.data();
    int n = 0;
    const float* ys = m_Ys.data() + cell.first;
    for (auto k = std::int32_t(first - *entries), end = std::int32_t(last - *entries); k < end; ++k)
    {
        near[n] = k;
        n += std::fabs(ys[k] - y) <= band ? 1 : 0;
    }
    const SEntry* all = *entries;
    int picks = 0;
    for (int k = 0; k < n; ++k)
    {
        if (MayReach(a, all[near[k]], vaSq)) picked[picks++] = near[k];
    }
    // Back into list order: a handful of entries, most often one or none,
    // for which a call to a general sort costs more than the sorting.
    for (int k = 1; k < picks; ++k)
    {
        const std::int32_t v = picked[k];
        const std::int32_t key = all[v].listIndex;
        int j = k;
        for (; j > 0 && all[picked[j - 1]].listIndex > key; --j)
            picked[j] = picked[j - 1];
        picked[j] = v;
    }
    // The caller tests these on the objects themselves next, one after the
    // other: ask for all of them at once.
    for (int k = 0; k < picks; ++k)
    {
        const SEntry& e = all[picked[k]];
        const CMMObject* o = e.object;
        PrefetchObject(o);
        __builtin_prefetch(&o->m_pOwner);
        // A moving entry's object was a moving (dynamic) object when copied.
        if (e.IsMoving()) __builtin_prefetch(&static_cast<const CDynamicObject*>(o)->m_vVelocity);
    }
    *count = picks;
    return picked;
}

int CCollisionCells::ResumeAfter(int index, const CLinkedList<CMMObject>& list, const CMMObject* after)
{
    const SCell& cell = Copy(index, list);
    int next = 0;
    for (const CMMObject* o : list)
    {
        if (o == after) return next + (IsListed(o) ? 1 : 0);
        if (IsListed(o)) ++next;
    }
    return cell.count;
}

void CCollisionCells::CheckCopies()
{
    for (const SCell& cell : m_Cells)
    {
        if (cell.stamp != m_nStamp || cell.stamp < m_nPassStart || !cell.list) continue;
        ++m_nChecks;
        if (!IsUnchanged(cell, *cell.list, true)) ++m_nStale;
    }
}

std::uint32_t CCollisionCells::MarkBit(const CMMObject* object)
{
    const auto key = reinterpret_cast<std::uintptr_t>(object) >> 4;
    return std::uint32_t((std::uint64_t(key) * 0x9E3779B97F4A7C15ull) >> 50); // 14 bits
}

void CCollisionCells::MarkImpulsed(const CMMObject* object, float speedSq)
{
    const std::uint32_t bit = MarkBit(object);
    m_Marks[bit >> 6] |= std::uint64_t(1) << (bit & 63);
    ++m_nMarked;
    m_fMarkedMaxSq = std::max(m_fMarkedMaxSq, speedSq);
}

bool CCollisionCells::MaybeImpulsed(const CMMObject* object) const
{
    if (!m_nMarked) return false;
    const std::uint32_t bit = MarkBit(object);
    return (m_Marks[bit >> 6] >> (bit & 63)) & 1;
}

CGroundRayCells::CGroundRayCells() : m_Cells(kCells) {}

void CGroundRayCells::Begin()
{
    // Dropped copies past half of the pointers held: start again.
    if (m_nDropped > 1024 && 2 * m_nDropped > m_Objects.size())
    {
        if (++m_nGeneration == 0)
        {
            std::fill(m_Cells.begin(), m_Cells.end(), SCell{});
            m_nGeneration = 1;
        }
        m_Objects.clear();
        m_nDropped = 0;
    }
    m_bActive = true;
}

CMMObject* const* CGroundRayCells::Objects(int index, const CLinkedList<CMMObject>& list, int* count)
{
    SCell& cell = m_Cells[index];
    const std::uint32_t flagChanges = CCollisionFlag::GetChangeCount();
    const bool held = cell.generation == m_nGeneration;
    if (!held || cell.list != &list || cell.changes != list.GetChangeCount() || cell.flagChanges != flagChanges)
    {
        if (held) m_nDropped += std::size_t(cell.count);
        cell.generation = m_nGeneration;
        cell.list = &list;
        cell.changes = list.GetChangeCount();
        cell.flagChanges = flagChanges;
        cell.first = std::int32_t(m_Objects.size());
        // The flags of objects that are mostly not in the caches: asked
        // for ahead (see PrefetchObject).
        const CLinkedListBase::SNode* ahead = list.GetHeadNode();
        for (int k = 0; ahead && k < kPrefetchDistance; ++k, ahead = ahead->next)
            __builtin_prefetch(&static_cast<const CMMObject*>(ahead->item)->m_bCollidable);
        for (CMMObject* o : list)
        {
            if (ahead)
            {
                __builtin_prefetch(&static_cast<const CMMObject*>(ahead->item)->m_bCollidable);
                ahead = ahead->next;
            }
            if (o->m_bCollidable && !o->m_bSphereCollider) m_Objects.push_back(o);
        }
        cell.count = std::int32_t(m_Objects.size()) - cell.first;
    }
    *count = cell.count;
    return m_Objects.data() + cell.first;
}
