// The collision pass of a physics sub-step: the 4-cell broad phase and the
// four narrow tests (two spheres moving, a sphere against a still sphere, a
// point or a sphere against an object's triangles), with the impulses.
#include "world/ObjectList.h"

#include "world/GameWorldState.h"
#include "foundation/ErrorLog.h"
#include "graphics/ComplexObject.h"
#include "world/CollisionShape.h"
#include "world/DynamicObject.h"
#include "world/ObjectScene.h"

#include <algorithm>
#include <cmath>

namespace
{

bool IsNumber(const CVector& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool IsMoving(const CMMObject* o)
{
    return o->m_bPhysics != 0;
}

const CVector& Velocity(const CMMObject* o)
{
    static const CVector zero;
    return IsMoving(o) ? static_cast<const CDynamicObject*>(o)->m_vVelocity : zero;
}

bool IsThePlayerGlider(const CMMObject* o)
{
    return g_pPlayerGlider.Object() && o == g_pPlayerGlider.Object();
}

// The contact of two spheres moving with velocities va and vb; false when
// they do not meet within dt. n is the normalised separation at contact.
bool SphereContact(const CDynamicObject* a, const CMMObject* b, const CVector& va, const CVector& vb,
                   float dt, float* time, CVector* n)
{
    const float ra = a->m_bPointCollider ? 0.1f : a->m_fRadius;
    const float rb = b->m_bPointCollider ? 0.1f : b->m_fRadius;
    const float r = ra + rb;
    const CVector d = b->GetPosition() - a->GetPosition();
    const CVector w = vb - va;
    const float dd = d.LengthSq(), ww = w.LengthSq();
    if (dd < 0.0001f || ww < 0.0001f) return false;
    if (dd > 2.0f * (ww * dt * dt + ra * ra + rb * rb)) return false;
    // The earlier time at which |d + w t| = r.
    const float bb = Dot(d, w);
    // Spheres moving apart do not collide (an overlap would otherwise hold
    // them together).
    if (bb >= 0.0f) return false;
    const float disc = bb * bb - ww * (dd - r * r);
    if (disc < 0.0f) return false;
    float t = (-bb - std::sqrt(disc)) / ww;
    if (t >= dt) return false;
    if (t < 0.0f) t = 0.0f;
    const CVector sep = (b->GetPosition() + vb * t) - (a->GetPosition() + va * t);
    const float length = sep.Length();
    if (length < 0.00001f) return false;
    *n = sep * (1.0f / length);
    *time = t;
    return true;
}

// Cache hints for the movers the pass takes next. It reads only a few of a
// mover's fields (the pre-move and move passes read most of the object):
// their lines, not the whole object; the velocity once the flags that say
// there is one have arrived.
void PrefetchMovers(const CLinkedList<CMMObject>& list)
{
    const CLinkedListBase::SNode* next = list.GetCursorNode();
    const CLinkedListBase::SNode* second = next ? next->next : nullptr;
    const CLinkedListBase::SNode* third = second ? second->next : nullptr;
    if (third)
    {
        const auto* o = static_cast<const CMMObject*>(third->item);
        __builtin_prefetch(&o->m_pOwner);
        __builtin_prefetch(&o->m_bCollidable);
        __builtin_prefetch(&o->m_fRadius);
        __builtin_prefetch(&o->GetPosition());
    }
    if (second)
    {
        const auto* o = static_cast<const CMMObject*>(second->item);
        if (IsMoving(o)) __builtin_prefetch(&static_cast<const CDynamicObject*>(o)->m_vVelocity);
    }
}

float MinimumSpeed(float u)
{
    // Contacts are resolved as if the two met at 10 units per second at least.
    if (std::fabs(u) < 10.0f) return u < 0.0f ? -10.0f : 10.0f;
    return u;
}

} // namespace

void CObjectList::Report(CMMObject* to, CMMObject* other, const CVector& normal, const CVector& point)
{
    if (to->m_bCollisionReport && to->SetColissionObject(other, normal, point)) m_bHandlerChanged = true;
}

void CObjectList::CheckCollision(float dt)
{
    XTRACE("CObjectList::CheckCollision");
    if (!g_pObjectCells) return;
    constexpr float S = 1.0f / kQuadSize;
    m_CollisionCells.BeginPass();
    m_MovingObjects.ResetCursor();
    while (CMMObject* ao = m_MovingObjects.GetNext())
    {
        PrefetchMovers(m_MovingObjects);
        if (!ao->m_bPhysics || !ao->m_bAlive) continue;
        auto* a = static_cast<CDynamicObject*>(ao);
        if (!IsNumber(a->m_vVelocity) || !IsNumber(a->GetPosition())) continue;
        if (!a->m_bShown && !IsThePlayerGlider(a)) continue;
        const CVector& pa = a->GetPosition();
        const int row = RoundToInt(pa.y * S) >> 6;
        const int col = RoundToInt(pa.x * S) >> 6;
        const int rowStep = a->m_vVelocity.y > 0.0f ? 1 : -1;
        const int colStep = a->m_vVelocity.x > 0.0f ? 1 : -1;
        CMMObject* tested[kCollisionPartners];
        int nTested = 0;
        const float vaSq = a->m_vVelocity.LengthSq();
        for (int r : {row, row + rowStep})
        {
            if (r < 0 || r >= kCellGridSize) continue;
            for (int c : {col, col + colStep})
            {
                if (c < 0 || c >= kCellGridSize) continue;
                const int index = r * kCellGridSize + c;
                CLinkedList<CMMObject>* cell = g_pObjectCells->GetCellObjects(index);
                if (!cell) continue;
                const CCollisionCells::SEntry* entries = nullptr;
                int count = 0;
                const std::int32_t* picked = m_CollisionCells.Reachable(index, *cell, a, vaSq, &entries, &count);
                for (int i = 0; i < count; ++i)
                {
                    CMMObject* b = entries[picked[i]].object;
                    if (!IsPartner(a, b, vaSq)) continue;
                    if (std::find(tested, tested + nTested, b) != tested + nTested) continue;
                    if (nTested < kCollisionPartners) tested[nTested++] = b;

                    // Handlers and reports may change any object and any
                    // cell: when one says it may have, the copies are
                    // checked again and the walk goes on after b in the
                    // cell's list as it is now. Most change nothing but the
                    // velocities of a and b (a glider's knock), as an
                    // impulse does. They run only on a contact (B's own
                    // handler always makes one).
                    m_bHandlerChanged = false;
                    const bool contact = Collide(a, b, dt);
                    if (contact && m_bHandlerChanged)
                    {
                        m_CollisionCells.Invalidate();
                        const int next = m_CollisionCells.ResumeAfter(index, *cell, b);
                        picked = m_CollisionCells.Reachable(index, *cell, a, vaSq, &entries, &count);
                        i = int(std::find_if(picked, picked + count,
                                             [&](std::int32_t k) { return entries[k].listIndex >= next; }) -
                                picked) -
                            1;
                    }
                    else if (contact)
                    {
                        m_CollisionCells.MarkImpulsed(a, a->m_vVelocity.LengthSq());
                        m_CollisionCells.MarkImpulsed(b, Velocity(b).LengthSq());
                        if (m_CollisionCells.IsChecking()) m_CollisionCells.CheckCopies();
                    }
                }
            }
        }
    }
}

bool CObjectList::IsPartner(const CDynamicObject* a, const CMMObject* b, float vaSq)
{
    if (!b->m_bCollidable || !b->m_bAlive || b == a) return false;
    const bool moving = IsMoving(b);
    if (moving && b->m_nObjectNumber > a->m_nObjectNumber) return false;
    const float rr = a->m_fRadius + b->m_fRadius;
    const float d2 = (b->GetPosition() - a->GetPosition()).LengthSq();
    if (!(d2 <= 1.5f * (rr * rr + vaSq)))
    {
        // A position that is not a number fails here too.
        if (!moving || !(d2 <= 1.5f * (rr * rr + vaSq + Velocity(b).LengthSq()))) return false;
    }
    if (!IsNumber(b->GetPosition())) return false;
    if (moving && !IsNumber(Velocity(b))) return false;
    if (b == a->m_pOwner || a == b->m_pOwner) return false;
    return b->m_bShown || IsThePlayerGlider(b);
}

bool CObjectList::Collide(CDynamicObject* a, CMMObject* b, float dt)
{
    if (b->m_bOwnCollision)
    {
        if (b->OnCollision(a, dt)) m_bHandlerChanged = true;
        return true;
    }
    if (!b->m_bSphereCollider)
    {
        if (a->m_bPointCollider) return CheckCollisionPoint(a, b, dt);
        if (!CheckCollisionSphere(a, b, dt)) return false;
        CheckCollisionSphere(a, b, dt * 0.33f);
        return true;
    }
    if (!IsMoving(b)) return CheckSphereCollisionStatic(a, b, dt);
    return CheckSphereCollisionMove(a, static_cast<CDynamicObject*>(b), dt);
}

bool CObjectList::CheckSphereCollisionMove(CDynamicObject* a, CDynamicObject* b, float dt)
{
    XTRACE("CObjectList::CheckSphereCollisionMove");
    float t = 0.0f;
    CVector n;
    if (!SphereContact(a, b, a->m_vVelocity, b->m_vVelocity, dt, &t, &n)) return false;
    Report(a, b, n, a->GetPosition() + a->m_vVelocity * t);
    Report(b, a, -n, b->GetPosition() + b->m_vVelocity * t);
    const float m1 = a->m_fMass, m2 = b->m_fMass;
    if (!(m1 > 0.0f && m2 > 0.0f))
    {
        // A mass that is not positive would divide by zero below: the
        // contact is reported, no impulse is given.
        g_ErrorLog.LogError("m1>0 && m2>0");
        return true;
    }
    const float u1 = MinimumSpeed(Dot(a->m_vVelocity, n));
    const float u2 = MinimumSpeed(Dot(b->m_vVelocity, n));
    // Momentum kept, the kinetic energy along the normal down to 80 %.
    const float p = m1 * u1 + m2 * u2;
    float q = ((m2 * u2 * u2 + m1 * u1 * u1) * 0.8f * (m1 + m2) - p * p) * m1 * m2;
    if (q < 0.0f) q = 0.0f;
    const float u2n = (std::sqrt(q) / m2 + p) / (m1 + m2);
    const float u1n = (p - u2n * m2) / m1;
    a->AddImpulse(n * ((u1n - u1) * m1));
    b->AddImpulse(n * ((u2n - u2) * m2));
    return true;
}

bool CObjectList::CheckSphereCollisionStatic(CDynamicObject* a, CMMObject* b, float dt)
{
    XTRACE("CObjectList::CheckSphereCollisionStatic");
    float t = 0.0f;
    CVector n;
    if (!SphereContact(a, b, a->m_vVelocity, CVector{}, dt, &t, &n)) return false;
    Report(a, b, n, a->GetPosition() + a->m_vVelocity * t);
    Report(b, a, -n, b->GetPosition());
    a->AddImpulse(n * (Dot(a->m_vVelocity, n) * -0.8f * a->m_fMass));
    return true;
}

bool CObjectList::CheckCollisionSphere(CDynamicObject* a, CMMObject* b, float dt)
{
    XTRACE("CObjectList::CheckCollisionSphere");
    const float speed = a->m_vVelocity.Length();
    if ((a->GetPosition() - b->GetPosition()).Length() > speed * dt + a->m_fRadius + b->m_fRadius)
        return false;
    const auto* shape = GetCollisionShape(b);
    if (!shape || shape->empty()) return false;
    const CShapeSpace space(b->m_Frame);
    const CVector p = space.ToLocal(a->GetPosition());
    const CVector v = space.DirectionToLocal(a->m_vVelocity);
    const float rs = a->m_fRadius * space.LocalScale();
    const float travel = v.Length() * dt * 1.1f;
    const float reachSq = (rs + travel) * (rs + travel);
    bool contact = false;
    for (const SShapeTriangle& tri : *shape)
    {
        if ((p - tri.boxCentre).LengthSq() > 3.0f * (reachSq + tri.radiusSq)) continue;
        const CVector s = p - tri.normal * rs;
        const float h = Dot(s - tri.corners[1], tri.normal);
        if (h <= -0.1f * travel || h >= travel) continue;
        const float vn = Dot(v, tri.normal);
        if (vn >= 0.0001f) continue;
        const float t = -h / vn;
        if (t <= -0.1f * dt || t >= 1.1f * dt) continue;
        const CVector q = s + v * t;
        if (IsOutsideBound(tri, q, reachSq)) continue;
        CVector at = q;
        if (!IsPointInTriangle(tri, q) && !GetEdgeContact(tri, q, reachSq, &at)) continue;
        const CVector normal = Normalize(space.DirectionToWorld(tri.normal));
        const CVector point = space.ToWorld(at);
        Report(a, b, normal, point);
        Report(b, a, -normal, point);
        const float u = std::max(Dot(a->m_vVelocity, -normal), 1.0f);
        a->AddImpulse(normal * (u * 1.3f * a->m_fMass));
        contact = true;
    }
    return contact;
}

bool CObjectList::CheckCollisionPoint(CDynamicObject* a, CMMObject* b, float dt)
{
    XTRACE("CObjectList::CheckCollisionPoint");
    if (a->m_vVelocity.Length() * dt + b->m_fRadius < (b->GetPosition() - a->GetPosition()).Length())
        return false;
    const auto* shape = GetCollisionShape(b);
    if (!shape) return false;
    const CShapeSpace space(b->m_Frame);
    const CVector p = space.ToLocal(a->GetPosition());
    const CVector v = space.DirectionToLocal(a->m_vVelocity);
    const float travel = v.Length() * dt;
    for (const SShapeTriangle& tri : *shape)
    {
        if ((p - tri.boxCentre).LengthSq() > 3.0f * (travel * travel + tri.radiusSq)) continue;
        const float h = Dot(p - tri.corners[1], tri.normal);
        if (!(h > -0.001f && h < travel)) continue;
        const float vn = Dot(v, tri.normal);
        if (!(vn < 0.0001f) || vn == 0.0f) continue;
        const float t = -h / vn;
        if (!(t > -0.0001f && t < dt + 0.0001f)) continue;
        const CVector q = p + v * t;
        if (!IsPointInTriangle(tri, q)) continue;
        const CVector normal = Normalize(space.DirectionToWorld(tri.normal));
        const CVector point = space.ToWorld(q);
        Report(a, b, normal, point);
        Report(b, a, -normal, point);
        a->AddImpulse(normal * (Dot(a->m_vVelocity, normal) * -1.3f * a->m_fMass));
        return true;
    }
    return false;
}
