// The collision shape of an object (the triangles of its type's model, in
// the model's space) and the tests the collision pass and the ray queries
// run on one triangle record.
//
// Placement convention: as the object is drawn, a local point l lies at
// l x M in the world (row vector, translation in row 3).
//
// Threads: main thread.
#pragma once

#include "graphics/ComplexObject.h"
#include "world/ObjectFrame.h"

#include <vector>

class CMMObject;

// Partners one mover is tested against per sub-step, and objects one
// explosion handles.
constexpr int kCollisionPartners = 100;

// The object's triangles (GetShapeData), or null without a loaded model.
const std::vector<SShapeTriangle>* GetCollisionShape(CMMObject* object);

// World <-> the object's model space.
class CShapeSpace
{
public:
    explicit CShapeSpace(const CObjectFrame& frame);
    CVector ToLocal(const CVector& world) const;
    CVector DirectionToLocal(const CVector& world) const;
    CVector ToWorld(const CVector& local) const;
    CVector DirectionToWorld(const CVector& local) const;
    // Length of the inverse block's first row: a world length times this is
    // the length in model space (uniformly scaled objects).
    float LocalScale() const;

private:
    CMatrix m_Matrix;
    CMatrix m_Inverse{1.0f};
};

// The point and each vertex lie on the same side of the plane through the
// opposite edge and the normal (a point on an edge plane is outside when
// the vertex is strictly off it).
bool IsPointInTriangle(const SShapeTriangle& t, const CVector& point);
// Conservative: the sphere (point, squared radius) is apart from the
// triangle's bounding sphere.
bool IsOutsideBound(const SShapeTriangle& t, const CVector& point, float radiusSq);
// The line through point along the unit direction passes within the
// triangle's bounding sphere.
bool IsLineNearBound(const SShapeTriangle& t, const CVector& point, const CVector& direction);
// The closest point of the segment start + [0, 1] vector; its squared distance.
float ClosestOnSegment(const CVector& point, const CVector& start, const CVector& vector, CVector* out);
// The closest point over the three edges when it lies within radiusSq x 1.001.
bool GetEdgeContact(const SShapeTriangle& t, const CVector& point, float radiusSq, CVector* out);
// The index of object in the first count entries of table, or -1.
int FindInTable(CMMObject* const* table, int count, const CMMObject* object);
