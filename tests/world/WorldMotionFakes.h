// Fakes for the motion tests: a flat terrain, objects with a triangle
// shape built in the test, and an event sink that records sensors.
#pragma once

#include "world/GameWorldState.h"
#include "graphics/ComplexObject.h"
#include "world/DynamicObject.h"
#include "world/WorldTerrain.h"

#include <algorithm>
#include <string>
#include <vector>

namespace worldtest
{

// Ground at height m_fHeight everywhere, with normal m_vNormal.
class CFlatTerrain : public IWorldTerrain
{
public:
    CFlatTerrain() { g_pWorldTerrain = this; }
    ~CFlatTerrain() override { g_pWorldTerrain = nullptr; }
    bool GetHeight(const CVector&, float* height) override
    {
        *height = m_fHeight;
        return true;
    }
    float GetRoughHeight(const CVector&, bool) override { return m_fHeight; }
    bool GetTriangleNormal(const CVector&, CVector* normal) override
    {
        *normal = m_vNormal;
        return true;
    }
    float GetUpperLimit() override { return m_fLimit; }

    float m_fHeight = 0.0f;
    CVector m_vNormal{0.0f, 0.0f, 1.0f};
    float m_fLimit = 0.0f;
};

inline SShapeTriangle MakeTriangle(CVector a, CVector b, CVector c)
{
    SShapeTriangle t;
    t.corners[0] = a;
    t.corners[1] = b;
    t.corners[2] = c;
    CVector e1 = b - a, e2 = c - a;
    VectorCross(&t.normal, &e1, &e2);
    t.normal = Normalize(t.normal);
    CVector lo = a, hi = a;
    for (const CVector& p : {b, c})
    {
        lo = CVector{std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = CVector{std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    t.boxCentre = (lo + hi) * 0.5f;
    t.radiusSq = (hi - t.boxCentre).LengthSq();
    return t;
}

// A still object with a square top of half-size s at local height top,
// placed with an identity rotation at position.
class CSlab : public CMMObject
{
public:
    CSlab(const CVector& position, float s, float top)
    {
        m_nType = OBJ_STONE;
        m_bCollidable = 1;
        m_bShown = 1;
        m_bSphereCollider = 0;
        m_fRadius = s * 1.5f;
        CMatrix m(1.0f);
        m.SetTranslation(position);
        m_Frame.SetMatrix(m, true);
        // Counter-clockwise seen from above: normals point up.
        m_Shape.push_back(MakeTriangle({-s, -s, top}, {s, -s, top}, {s, s, top}));
        m_Shape.push_back(MakeTriangle({-s, -s, top}, {s, s, top}, {-s, s, top}));
    }
    const void* GetShapeData() override { return &m_Shape; }

    std::vector<SShapeTriangle> m_Shape;
};

// A sphere that moves, with recorded contacts and damage.
class CBall : public CDynamicObject
{
public:
    CBall(const CVector& position, const CVector& velocity, float radius = 2.0f)
    {
        m_nType = OBJ_MISSILE;
        m_bCollidable = 1;
        m_bShown = 1;
        m_bPhysics = 1;
        m_bMoving = 1;
        m_bCollisionReport = 1;
        m_fRadius = radius;
        m_vVelocity = velocity;
        CMatrix m(1.0f);
        m.SetTranslation(position);
        m_Frame.SetMatrix(m, true);
    }
    bool SetColissionObject(CMMObject* other, CVector normal, CVector point) override
    {
        m_Contacts.push_back({other, normal, point});
        return false;
    }
    void Damage(float amount, CVector, int, CMMObject*, int, int) override { m_Damage.push_back(amount); }

    struct SContact
    {
        CMMObject* other;
        CVector normal, point;
    };
    std::vector<SContact> m_Contacts;
    std::vector<float> m_Damage;
};

class CSensorSink : public IMMAppEvent
{
public:
    CSensorSink() { g_pAppEvent = this; }
    ~CSensorSink() override { g_pAppEvent = nullptr; }
    void OnSensor(const char* target, const char* mech, bool enter) override
    {
        m_Fired.push_back(std::string(target) + "/" + mech + (enter ? "/in" : "/out"));
    }
    std::vector<std::string> m_Fired;
};

} // namespace worldtest
