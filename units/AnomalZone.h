// CAnomalZone: an anomaly's area of effect, kept among the object list's
// system points (its visible part is a separate object kind).
//
// Stand-in: only the placement, the type name and the name that the
// anomal-zone loader gives it. The force it applies to gliders, its kinds
// and timing are not here yet; the units subsystem replaces this file.
#pragma once

#include "world/SysObject.h"

#include <cstdio>

class CAnomalZone : public CSysObject
{
public:
    CAnomalZone(const char* typeName, const CMatrix& placement, const char* gameId)
        : CSysObject(placement, gameId, 0)
    {
        std::snprintf(m_szTypeName, sizeof m_szTypeName, "%s", typeName ? typeName : "");
    }

    char m_szTypeName[32] = {};
};
