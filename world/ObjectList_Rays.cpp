// Ray queries against objects, area damage around an explosion and the
// script sensors, all over the location's per-cell object lists.
#include "world/ObjectList.h"

#include "world/GameWorldState.h"
#include "foundation/ErrorLog.h"
#include "world/CollisionShape.h"
#include "world/DynamicObject.h"
#include "world/ObjectScene.h"
#include "world/RoadManager.h"
#include "world/World.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
constexpr float S = 1.0f / kQuadSize;
constexpr int kMaxRayCells = 100;
constexpr int kMaxDamaged = 50;

bool InsideGrid(int col, int row)
{
    return col >= 0 && row >= 0 && col < kCellGridSize && row < kCellGridSize;
}

int CellColumn(float x)
{
    return int(x * S) >> 6;
}

// The cells a ray crosses, then their neighbours, each once, in that order.
int ListRayCells(const CVector& origin, const CVector& direction, float length, int* cells)
{
    int n = 0;
    auto add = [&](int col, int row)
    {
        // Row 0 and column 0 are cells like the others.
        if (!InsideGrid(col, row) || n >= kMaxRayCells) return;
        const int index = row * kCellGridSize + col;
        if (std::find(cells, cells + n, index) == cells + n) cells[n++] = index;
    };
    int lastCol = CellColumn(origin.x), lastRow = CellColumn(origin.y);
    add(lastCol, lastRow);
    // Steps of 32 x S world units: no cell the ray crosses is stepped over.
    constexpr float step = 32.0f * S;
    for (float walked = step; walked < length + step; walked += step)
    {
        const CVector p = origin + direction * std::min(walked, length);
        const int col = CellColumn(p.x), row = CellColumn(p.y);
        if (col == lastCol && row == lastRow) continue;
        lastCol = col;
        lastRow = row;
        add(col, row);
    }
    const int crossed = n;
    for (int i = 0; i < crossed; ++i)
    {
        const int col = cells[i] % kCellGridSize, row = cells[i] / kCellGridSize;
        for (int dr = -1; dr <= 1; ++dr)
            for (int dc = -1; dc <= 1; ++dc)
                add(col + dc, row + dr);
    }
    return n;
}

float FallOff(const CMMObject* o, const CVector& centre, float radius)
{
    const float e = (o->GetPosition() - centre).Length() - o->m_fRadius;
    const float half = radius * 0.5f;
    if (e < half) return 1.0f;
    const float k = 1.0f - (e - half) / half;
    return k * k;
}
} // namespace

float CObjectList::TestRaySphere(const CVector* origin, const CVector* direction, float length, CMMObject* o,
                                 bool)
{
    const CVector c = o->GetPosition() - *origin;
    const float b = Dot(c, *direction);
    const float r = o->m_fRadius;
    const float cc = c.LengthSq();
    if (cc - b * b > 1.01f * r * r) return -1.0f;
    const float e = std::sqrt(std::max(b * b - cc + r * r, 0.0f));
    auto ok = [&](float t) { return t > -0.1f && t < 1.01f * length; };
    if (ok(b - e)) return b - e;
    if (ok(b + e)) return b + e;
    return -1.0f;
}

float CObjectList::GetRayIntersectionPolygon(const CVector* origin, const CVector* direction, float length,
                                             CMMObject* o, bool)
{
    XTRACE("CObjectList::GetRayIntersectionPolygon");
    if (TestRaySphere(origin, direction, length, o, false) < 0.0f) return -1.0f;
    const auto* shape = GetCollisionShape(o);
    if (!shape) return -1.0f;
    const CShapeSpace space(o->m_Frame);
    const CVector lo = space.ToLocal(*origin);
    CVector ld = space.DirectionToLocal(*direction);
    const float k = ld.Length();
    if (k == 0.0f) return -1.0f;
    ld = ld * (1.0f / k);
    const float localLength = length * k;
    float best = -1.0f;
    for (const SShapeTriangle& tri : *shape)
    {
        if (!IsLineNearBound(tri, lo, ld)) continue;
        const float facing = Dot(tri.normal, ld);
        if (!(facing < -0.001f)) continue;
        const float t = Dot(tri.corners[0] - lo, tri.normal) / facing;
        if (t < -0.0001f || t > localLength) continue;
        if (best >= 0.0f && t >= best) continue;
        if (!IsPointInTriangle(tri, lo + ld * t)) continue;
        best = t;
    }
    return best < 0.0f ? -1.0f : best / k;
}

bool CObjectList::GetRayIntersection(const CVector* origin, const CVector* direction, float length,
                                     CVector* point, CMMObject* ignore, CMMObject** hit)
{
    float best = 10000000.0f;
    *hit = nullptr;
    if (g_pObjectCells)
    {
        int cells[kMaxRayCells];
        const int n = ListRayCells(*origin, *direction, length, cells);
        for (int i = 0; i < n; ++i)
        {
            CLinkedList<CMMObject>* cell = g_pObjectCells->GetCellObjects(cells[i]);
            if (!cell) continue;
            for (CMMObject* o : *cell)
            {
                if (!o->m_bCollidable || !o->m_bAlive || !o->m_bShown || o == ignore) continue;
                float t;
                try
                {
                    t = o->m_bSphereCollider ? TestRaySphere(origin, direction, length, o, false)
                                             : GetRayIntersectionPolygon(origin, direction, length, o, false);
                }
                catch (...)
                {
                    g_ErrorLog.AppendTrace("FIND TARGET");
                    g_ErrorLog.AppendTrace("CObjectList::GetRayIntersection");
                    throw;
                }
                if (t > 0.0f && t < best)
                {
                    best = t;
                    *hit = o;
                }
            }
        }
    }
    length = std::min(length, best);
    *point = *origin + *direction * length;
    return *hit != nullptr;
}

bool CObjectList::GetRayIntersection2(const CVector* origin, const CVector* direction, float length,
                                      CVector* point, CMMObject* self, CMMObject** hit)
{
    XTRACE("CObjectList::GetRayIntersection2");
    float best = 10000000.0f;
    *hit = nullptr;
    const int col = CellColumn(origin->x), row = CellColumn(origin->y);
    if (g_pObjectCells && InsideGrid(col, row))
    {
        auto test = [&](CMMObject* o)
        {
            // The querying object is no ground for itself: a moving object
            // with a triangle shape would stand on its own top and climb.
            if (!o->m_bCollidable || !o->m_bAlive || o->m_bSphereCollider || o == self) return;
            const float t = GetRayIntersectionPolygon(origin, direction, length, o, false);
            if (t > 0.0f && t < best)
            {
                best = t;
                *hit = o;
            }
        };
        const int index = row * kCellGridSize + col;
        if (CLinkedList<CMMObject>* cell = g_pObjectCells->GetCellObjects(index))
        {
            if (m_GroundRayCells.IsActive())
            {
                int count = 0;
                CMMObject* const* objects = m_GroundRayCells.Objects(index, *cell, &count);
                for (int i = 0; i < count; ++i)
                    test(objects[i]);
            }
            else
            {
                for (CMMObject* o : *cell)
                    test(o);
            }
        }
    }
    length = std::min(length, best);
    *point = *origin + *direction * length;
    return *hit != nullptr;
}

void CObjectList::SetVolumeDamage(const CVector* centre, float radius, float damage, float, CMMObject* source,
                                  bool flat, int codeA, int codeB)
{
    XTRACE("CObjectList::SetVolumeDamage");
    if (!g_pObjectCells) return;
    CMMObject* handled[kCollisionPartners];
    int nHandled = 0;
    CMMObject* damaged[kMaxDamaged];
    int nDamaged = 0;
    const int col0 = std::max(CellColumn(centre->x - radius), 0);
    const int col1 = std::min(CellColumn(centre->x + radius), kCellGridSize - 1);
    const int row0 = std::max(CellColumn(centre->y - radius), 0);
    const int row1 = std::min(CellColumn(centre->y + radius), kCellGridSize - 1);
    const float radiusSq = radius * radius;
    for (int row = row0; row <= row1; ++row)
    {
        for (int col = col0; col <= col1; ++col)
        {
            CLinkedList<CMMObject>* cell = g_pObjectCells->GetCellObjects(row * kCellGridSize + col);
            if (!cell) continue;
            for (CMMObject* o : *cell)
            {
                if (!o->m_bAlive || !o->m_bCollidable) continue;
                if (FindInTable(handled, nHandled, o) >= 0) continue;
                const CVector offset = o->GetPosition() - *centre;
                if (offset.LengthSq() >= radiusSq) continue;
                if (flat && std::fabs(centre->z - o->GetPosition().z) >= 1.5f * o->m_fRadius) continue;
                if (nHandled < kCollisionPartners) handled[nHandled++] = o;
                const float f = FallOff(o, *centre, radius);
                if (o->m_bDamageable && nDamaged < kMaxDamaged) damaged[nDamaged++] = o;
                if (o->m_bPhysics)
                {
                    const float d = offset.Length();
                    const CVector u = d > 1.0f ? offset * (1.0f / d) : offset;
                    static_cast<CDynamicObject*>(o)->AddImpulse(u * (f * damage));
                }
            }
        }
    }
    for (int i = 0; i < nDamaged; ++i)
    {
        CMMObject* o = damaged[i];
        o->Damage(FallOff(o, *centre, radius) * damage, *centre, 1, source, codeB, codeA);
    }
}

void CObjectList::AddSysObjectSensor(const char* target, const char* mechId, bool enter)
{
    const float k = enter ? 0.95f : 1.05f;
    CVector centre;
    float radius = 0.0f;
    if (CSysObject* p = FindSysObject(target, 0))
    {
        centre = p->m_Frame.m_vPosition;
        radius = std::max(p->m_fRadius, 100.0f) * k;
    }
    else if (CMMObject* o = FindByGameId(target, 0))
    {
        centre = o->GetPosition();
        radius = 2.0f * k * o->m_fRadius;
    }
    else if (g_RoadManager.FindNode(target, &centre))
    {
        radius = 300.0f * k;
    }
    else
    {
        g_ErrorLog.LogError("CObjectList::AddSysObjectSensor - game id not found: '%s'",
                            target ? target : "");
        return;
    }
    if (m_nSensors == m_nSensorCapacity)
    {
        const int capacity = m_nSensorCapacity + m_nSensorGrowth;
        auto* records = new std::uint8_t[std::size_t(capacity) * kSensorRecordSize]();
        auto* mechs = new CMech*[std::size_t(capacity)]();
        std::memcpy(records, m_pSensors, std::size_t(m_nSensors) * kSensorRecordSize);
        std::copy(m_pSensorMechs, m_pSensorMechs + m_nSensors, mechs);
        delete[] m_pSensors;
        delete[] m_pSensorMechs;
        m_pSensors = records;
        m_pSensorMechs = mechs;
        m_nSensorCapacity = capacity;
    }
    SSensorRecord r{};
    r.enter = enter ? 1 : 0;
    std::snprintf(r.mechId, sizeof r.mechId, "%.31s", mechId ? mechId : "");
    std::snprintf(r.target, sizeof r.target, "%.31s", target ? target : "");
    r.centre[0] = centre.x;
    r.centre[1] = centre.y;
    r.centre[2] = centre.z;
    r.radius = radius;
    std::memcpy(GetSensor(m_nSensors), &r, sizeof r);
    m_pSensorMechs[m_nSensors] = nullptr;
    ++m_nSensors;
}

void CObjectList::RemoveSensor(int i)
{
    std::memmove(GetSensor(i), GetSensor(i + 1), std::size_t(m_nSensors - i - 1) * kSensorRecordSize);
    std::copy(m_pSensorMechs + i + 1, m_pSensorMechs + m_nSensors, m_pSensorMechs + i);
    --m_nSensors;
}

void CObjectList::CheckObjectSensor()
{
    XTRACE("CObjectList::CheckObjectSensor");
    for (int i = 0; i < m_nSensors;)
    {
        SSensorRecord* s = GetSensor(i);
        CMech*& mech = m_pSensorMechs[i];
        if (!mech)
        {
            mech = g_pWorld ? g_pWorld->FindMech(s->mechId) : nullptr;
            if (!mech)
            {
                g_ErrorLog.LogError("CObjectList::CheckObjectSensor mech %s not found", s->mechId);
                RemoveSensor(i);
                continue;
            }
        }
        if (!mech->m_pObject)
        {
            RemoveSensor(i);
            continue;
        }
        if (mech->m_bDead)
        {
            ++i;
            continue;
        }
        CVector d = mech->m_pObject->GetPosition() - CVector{s->centre[0], s->centre[1], s->centre[2]};
        if (d.z < 0.0f) d.z *= 3.0f;
        const float dd = d.LengthSq(), rr = s->radius * s->radius;
        const bool fires = s->enter ? dd <= rr : dd >= rr;
        if (!fires)
        {
            ++i;
            continue;
        }
        SSensorRecord fired = *s;
        RemoveSensor(i);
        if (g_pAppEvent) g_pAppEvent->OnSensor(fired.target, fired.mechId, fired.enter != 0);
        return;
    }
}
