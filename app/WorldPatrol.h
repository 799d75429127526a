// CWorldPatrol: the gliders of the world that the minimal application flies
// on the location: the members of one group description of the objects
// file, each a mech record of the world with a mechanoid fitted from its
// configuration row and a glider steered by its own AI, patrolling the
// description's road set (a ring of road nodes) under a patrolling group
// AI. Hit by the player, they turn on the player; they return to their
// round once the player is gone or more than 1500 away.
//
// It is also the AI's event sink (g_pAIEvents) while it exists: the player's
// glider is the one given to Create, and the events are only counted until
// the scripts take them.
//
// Stand-in: the world's group list, its group building (Disassemble) and
// the game's event sink replace it.
//
// Ownership: the gliders are the object list's; the mechanoids and the
// group are owned here, the mech records by the world. Threads: main
// thread.
#pragma once

#include "society/BasicAI.h"
#include "society/GroupAI.h"
#include "units/Mechanoid.h"

#include <memory>
#include <vector>

class CWorldPatrol : public IAIEvents
{
public:
    static constexpr const char* kGroup = "PATROL1";

    CWorldPatrol() = default;
    ~CWorldPatrol() override;
    CWorldPatrol(const CWorldPatrol&) = delete;
    CWorldPatrol& operator=(const CWorldPatrol&) = delete;

    // Creates the group's members at its first road node, facing the
    // second, and sends them round; the player's glider may be null. False
    // (logged) when the description, its roads or a configuration is
    // missing; nothing is left half made.
    bool Create(CGliderObject* player, const char* group = kGroup);
    // The group AI's step and the members' equipment.
    void Run(float dt);
    // Forgets the gliders (the object list deletes them) and the group.
    void Release();

    int GetCount() const { return int(m_Members.size()); }
    CGliderObject* GetGlider(int i) const;
    CMechGroup2& GetGroup() { return m_Group; }
    int GetEventCount(EAIEvent e) const { return m_nEvents[e]; }

    // IAIEvents.
    void OnAIEvent(EAIEvent event, CGliderObject* glider) override;
    CGliderObject* GetPlayerGlider() override { return m_pPlayer; }

private:
    struct SMember
    {
        CMech* mech = nullptr;
        std::unique_ptr<CMechanoid> mechanoid;
        CGliderObject* glider = nullptr;
    };

    std::vector<SMember> m_Members;
    CMechGroup2 m_Group;
    CGliderObject* m_pPlayer = nullptr;
    int m_nEvents[AIEV_DROP + 1] = {};
};
