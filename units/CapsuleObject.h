// CCapsuleObject: a transport pod (object type 28) that shuttles along the
// straight track between two stations (buildings whose TYPE is 13), pushed
// from its start toward its end; once it has passed the end by half its
// length it jumps back half a length behind its start. It takes no damage
// and saves nothing of its own.
//
// CCapsuleManager::CreateForGame (units/KindManagers.h) pairs each station with its nearest free station at
// the start of a game and makes two capsules per pair, one each way.
//
// Ownership: the object list owns capsules. Threads: main thread.
#pragma once

#include "world/DynamicObject.h"

class CCapsuleObject : public CDynamicObject
{
public:
    static constexpr float kPush = 10000.0f;

    CCapsuleObject();
    void Init(const CVector& start, const CVector& end);
    void Run() override;
    void Draw() override;

    CVector m_vStart;
    CVector m_vEnd;
};
