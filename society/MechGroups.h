// CMechGroup2 and CMechGroupList2: the running groups of mechanoids of the
// location, as the radar and the cockpit see them.
//
// Stand-in: only what the radar reads of a group (name, position, the
// active and running flags) and the list's name look-up. The group AI, the
// members, the building queue and the per-frame run come with the groups
// subsystem, which fills g_MechGroupList2; until then the list is empty.
#pragma once

#include "foundation/Vector.h"

#include <cstring>
#include <memory>
#include <vector>

class CMechGroup2
{
public:
    virtual ~CMechGroup2() = default;

    char m_szName[32] = {};
    CVector m_vPosition;
    // Set at construction: a mechanoid of the group stands at the position.
    bool m_bActive = true;
    // The group list runs the group each frame.
    bool m_bRunning = false;
};

class CMechGroupList2
{
public:
    // The group with this name, searched from the second entry (the first
    // is the player's group); null when none has it.
    CMechGroup2* FindGroup(const char* name) const
    {
        for (std::size_t i = 1; i < m_Groups.size(); ++i)
            if (std::strncmp(m_Groups[i]->m_szName, name, sizeof(m_Groups[i]->m_szName)) == 0)
                return m_Groups[i].get();
        return nullptr;
    }
    // Whether the pointer is one of the list's groups (a mech record keeps
    // its group as an untyped pointer).
    CMechGroup2* FindByPointer(const void* group) const
    {
        for (const auto& entry : m_Groups)
            if (entry.get() == group) return entry.get();
        return nullptr;
    }

    std::vector<std::unique_ptr<CMechGroup2>> m_Groups;
};

inline CMechGroupList2 g_MechGroupList2;
