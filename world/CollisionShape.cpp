#include "world/CollisionShape.h"

#include "world/MMObject.h"

#include <cmath>

const std::vector<SShapeTriangle>* GetCollisionShape(CMMObject* object)
{
    return static_cast<const std::vector<SShapeTriangle>*>(object->GetShapeData());
}

CShapeSpace::CShapeSpace(const CObjectFrame& frame) : m_Matrix(frame.m_Matrix)
{
    InvertMatrix(m_Matrix, m_Inverse);
}

CVector CShapeSpace::ToLocal(const CVector& world) const
{
    const CVector d = world - CVector{m_Matrix.m[3][0], m_Matrix.m[3][1], m_Matrix.m[3][2]};
    return DirectionToLocal(d);
}

CVector CShapeSpace::DirectionToLocal(const CVector& world) const
{
    CVector out;
    VectorTransformNormal(&out, &m_Inverse, &world);
    return out;
}

CVector CShapeSpace::ToWorld(const CVector& local) const
{
    CVector out;
    VectorTransformCoord(&out, &m_Matrix, &local);
    return out;
}

CVector CShapeSpace::DirectionToWorld(const CVector& local) const
{
    CVector out;
    VectorTransformNormal(&out, &m_Matrix, &local);
    return out;
}

float CShapeSpace::LocalScale() const
{
    return CVector{m_Inverse.m[0][0], m_Inverse.m[0][1], m_Inverse.m[0][2]}.Length();
}

namespace
{
// Which side of the plane through a and b containing the normal p lies on.
float EdgeSide(const CVector& a, const CVector& b, const CVector& normal, const CVector& p)
{
    CVector edge = b - a, across;
    VectorCross(&across, &edge, &normal);
    return Dot(p - a, across);
}
} // namespace

bool IsPointInTriangle(const SShapeTriangle& t, const CVector& point)
{
    for (int i = 0; i < 3; ++i)
    {
        const CVector& a = t.corners[i];
        const CVector& b = t.corners[(i + 1) % 3];
        const CVector& opposite = t.corners[(i + 2) % 3];
        const float sv = EdgeSide(a, b, t.normal, opposite);
        const float sp = EdgeSide(a, b, t.normal, point);
        if (sv > 0.0f ? !(sp > 0.0f) : sv < 0.0f ? !(sp < 0.0f) : false) return false;
    }
    return true;
}

bool IsOutsideBound(const SShapeTriangle& t, const CVector& point, float radiusSq)
{
    return (point - t.boxCentre).LengthSq() > 3.0f * (radiusSq + t.radiusSq);
}

bool IsLineNearBound(const SShapeTriangle& t, const CVector& point, const CVector& direction)
{
    const CVector c = t.boxCentre - point;
    const float along = Dot(c, direction);
    return c.LengthSq() - along * along < t.radiusSq;
}

float ClosestOnSegment(const CVector& point, const CVector& start, const CVector& vector, CVector* out)
{
    const float lengthSq = vector.LengthSq();
    float t = lengthSq > 0.0f ? Dot(point - start, vector) / lengthSq : 0.0f;
    t = t < 0.0f ? 0.0f : t > 1.0f ? 1.0f : t;
    *out = start + vector * t;
    return (point - *out).LengthSq();
}

bool GetEdgeContact(const SShapeTriangle& t, const CVector& point, float radiusSq, CVector* out)
{
    float best = radiusSq * 1.001f;
    bool found = false;
    for (int i = 0; i < 3; ++i)
    {
        CVector q;
        const float d = ClosestOnSegment(point, t.corners[i], t.corners[(i + 1) % 3] - t.corners[i], &q);
        if (d < best)
        {
            best = d;
            *out = q;
            found = true;
        }
    }
    return found;
}

int FindInTable(CMMObject* const* table, int count, const CMMObject* object)
{
    for (int i = 0; i < count; ++i)
        if (table[i] == object) return i;
    return -1;
}
