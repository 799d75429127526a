// CMissileObject: a missile in flight (object type 16).
//
// Stand-in: only what the anti-rocket pulse of a mechanoid touches: the
// object it homes on and the climb flag that makes it lose that target.
// Flight, homing, impact, drawing and streams are not here yet.
#pragma once

#include "world/DynamicObject.h"

#include <cstdint>

class CMissileObject : public CDynamicObject
{
public:
    CMissileObject() { m_nType = OBJ_MISSILE; }

    CMMObject* m_pTarget = nullptr;
    std::uint8_t m_bClimb = 0;
};
