// CSysObject: a system point of a location (spawn points, gates, patrol
// marks): a placement, a name, a kind and a radius, made from the helper
// records of the location's objects file and kept in the object list's
// system-point list, which owns it.
//
// Threads: main thread.
#pragma once

#include "world/ObjectFrame.h"

#include <cstdint>

class CSysObject
{
public:
    CSysObject() = default;
    // Placement from the record's matrix; radius 200 x the length of its
    // row 0 (200 world units at scale 1).
    CSysObject(const CMatrix& placement, const char* name, std::int32_t kind);
    virtual ~CSysObject() = default;
    // Called once per frame by the object list's run; a kind may fill it.
    virtual void Run() {}

    CObjectFrame m_Frame;
    float m_fRadius = 0.0f;
    char m_szName[32] = {};
    std::int32_t m_nKind = 0;
};
