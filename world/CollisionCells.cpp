#include "world/CollisionCells.h"

#include "world/DynamicObject.h"

#include <algorithm>
#include <cstring>

CCollisionCells::CCollisionCells() : m_First(kCells, 0), m_Count(kCells, 0), m_Pass(kCells, 0) {}

void CCollisionCells::BeginPass()
{
    if (++m_nPass == 0)
    {
        // After four billion passes the stamps start again.
        std::fill(m_Pass.begin(), m_Pass.end(), 0u);
        m_nPass = 1;
    }
    m_Entries.clear();
    if (m_nMarked)
    {
        std::memset(m_Marks, 0, sizeof(m_Marks));
        m_nMarked = 0;
    }
}

const CCollisionCells::SEntry* CCollisionCells::Entries(int index, const CLinkedList<CMMObject>& list, int* count)
{
    if (m_Pass[index] != m_nPass)
    {
        m_Pass[index] = m_nPass;
        m_First[index] = std::int32_t(m_Entries.size());
        for (CMMObject* o : list)
        {
            if (!IsListed(o)) continue;
            const float speedSq =
                o->m_bPhysics ? static_cast<const CDynamicObject*>(o)->m_vVelocity.LengthSq() : -1.0f;
            m_Entries.push_back(SEntry{o, o->GetPosition(), o->m_fRadius, speedSq, o->m_nObjectNumber});
        }
        m_Count[index] = std::int32_t(m_Entries.size()) - m_First[index];
    }
    *count = m_Count[index];
    return m_Entries.data() + m_First[index];
}

int CCollisionCells::ResumeAfter(int index, const CLinkedList<CMMObject>& list, const CMMObject* after,
                                 const SEntry** entries, int* count)
{
    *entries = Entries(index, list, count);
    int next = 0;
    for (const CMMObject* o : list)
    {
        if (o == after) return next + (IsListed(o) ? 1 : 0);
        if (IsListed(o)) ++next;
    }
    return *count;
}

// An object that is not collidable and alive is never a partner.
bool CCollisionCells::IsListed(const CMMObject* object)
{
    return object->m_bCollidable && object->m_bAlive;
}

std::uint32_t CCollisionCells::MarkBit(const CMMObject* object)
{
    const auto key = reinterpret_cast<std::uintptr_t>(object) >> 4;
    return std::uint32_t((std::uint64_t(key) * 0x9E3779B97F4A7C15ull) >> 50); // 14 bits
}

void CCollisionCells::MarkImpulsed(const CMMObject* object)
{
    const std::uint32_t bit = MarkBit(object);
    m_Marks[bit >> 6] |= std::uint64_t(1) << (bit & 63);
    ++m_nMarked;
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
    if (++m_nPass == 0)
    {
        std::fill(m_Cells.begin(), m_Cells.end(), SCell{});
        m_nPass = 1;
    }
    m_Objects.clear();
    m_bActive = true;
}

CMMObject* const* CGroundRayCells::Objects(int index, const CLinkedList<CMMObject>& list, int* count)
{
    SCell& cell = m_Cells[index];
    if (cell.pass != m_nPass || cell.list != &list || cell.changes != list.GetChangeCount())
    {
        cell.pass = m_nPass;
        cell.list = &list;
        cell.changes = list.GetChangeCount();
        cell.first = std::int32_t(m_Objects.size());
        for (CMMObject* o : list)
        {
            if (o->m_bCollidable && o->m_bAlive && !o->m_bSphereCollider) m_Objects.push_back(o);
        }
        cell.count = std::int32_t(m_Objects.size()) - cell.first;
    }
    *count = cell.count;
    return m_Objects.data() + cell.first;
}
