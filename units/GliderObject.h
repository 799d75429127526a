// CGliderObject: the glider, a dynamic object of type 14 flown by a
// mechanoid (the player's or an AI's).
//
// Stand-in: this is only what the world's object code touches: the type
// code and the pointer to the mechanoid that flies it. Motion, jump,
// weapons, damage, cargo, ammunition (UpdateAmmo), configuration and the
// pilot state are not here yet; the units subsystem replaces this file.
#pragma once

#include "world/DynamicObject.h"

class CMechanoid;

class CGliderObject : public CDynamicObject
{
public:
    CGliderObject()
    {
        m_nType = OBJ_GLIDER;
        m_bShown = 1;
        m_bMoving = 1;
        m_bPhysics = 1;
        m_bCollidable = 1;
    }

    CMechanoid* m_pMechanoid = nullptr;
};
