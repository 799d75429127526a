// CRoadManager: the road graph's manager ("Дороги", type 8).
//
// Stand-in: only what the object list's sensors and the world engine ask
// of it: the database section (as every object manager) and a table of
// named road nodes that FindNode searches. The road block of the objects
// file is read by the default object-block loader (its own layout, the
// links, masks and the path finder are not here yet).
//
// Threads: main thread (Init on the start-up loader thread).
#pragma once

#include "world/ObjectManager.h"

#include <string>
#include <vector>

class CRoadManager : public CMMObjectManager
{
public:
    struct SNode
    {
        std::string name;
        CVector position;
    };

    CRoadManager() : CMMObjectManager(OBJ_ROAD) {}
    // The position of the node named name; false when there is none.
    bool FindNode(const char* name, CVector* position) const
    {
        for (const SNode& n : m_Nodes)
            if (name && n.name == name)
            {
                *position = n.position;
                return true;
            }
        return false;
    }

    std::vector<SNode> m_Nodes;
};

extern CRoadManager g_RoadManager;
