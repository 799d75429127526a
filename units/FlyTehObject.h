// CFlyTehObject: a flying machine (object type 25), unmanned air traffic
// that wanders the road graph node to node 20 units above each node with
// its engine sound. One hit destroys it: it explodes ("EXP_FLY"), drops
// money half of the time and vanishes; once the camera has been farther
// than the view range it is back in play (it keeps following the roads
// unseen meanwhile). A machine that finds no road node removes itself.
//
// A road index outside the road table is reported ("CFlyTehObject::Run
// RoadPoint is invalid") and the machine takes the nearest node again
// instead of reading past the table.
//
// The kinds are the flying-machine manager's (g_FlyTehManager: the one
// built-in kind "FTO_OBSERVER"). Ownership: the object list owns machines.
// Threads: main thread.
#pragma once

#include "world/DynamicObject.h"

#include <cstdint>

class CFlyTehObject : public CDynamicObject
{
public:
    static constexpr float kNodeHeight = 20.0f;
    static constexpr float kReachedSq = 2500.0f;
    static constexpr float kNodeRadius = 1000.0f;
    static constexpr float kPlacedSpeed = 138.88889f;

    CFlyTehObject();
    ~CFlyTehObject() override;

    void Init(const CMatrix& placement, const char* typeName);
    void Run() override;
    void Draw() override;
    void Pause(bool pause) override;
    void Damage(float amount, CVector point, int flag, CMMObject* attacker, int kind,
                int weaponKind) override;

    void MoveTo(const CVector& goal);
    std::int32_t GetNextRoadItem();
    std::int32_t GetNearRoadItem(std::int32_t exclude) const;
    void Explosion();
    void ReleaseEngineSound();

    char m_szTypeName[32] = {};
    const SObjectTypeHeader* m_pKind = nullptr;
    std::uint8_t m_bDestroyed = 0;
    std::int32_t m_iEngineSound = -1;
    std::int32_t m_nRoadItem = -1;
    std::int32_t m_nPrevRoadItem = -1;

private:
    float m_fAudibleSq = -1.0f;
};
