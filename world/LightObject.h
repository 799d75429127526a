// CLightObject: a placed light source (type 19), created by the light
// manager for every record of the light block.
//
// What is here: construction and the position copy it keeps (SetPosition
// stores the new position, then moves the object). The light's colour,
// range and its place among the frame's dynamic lights come with the light
// kind.
//
// Threads: main thread.
#pragma once

#include "world/MMObject.h"

class CLightObject : public CMMObject
{
public:
    CLightObject()
    {
        m_nType = OBJ_LIGHT;
        m_bShown = 1;
    }

    void SetPosition(CVector v) override
    {
        m_vLightPosition = v;
        CMMObject::SetPosition(v);
    }

    CVector m_vLightPosition;
};
