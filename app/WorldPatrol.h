// CWorldPatrol: the patrol of the world viewer's games: the group of one
// group description of the location (made by the world, CreateM1Group),
// flying as gliders steered by their own AIs along the description's road
// set under a patrolling group AI (CPatrolGroupAI): hit by the player, they
// turn on the player, and go back to their road once the player is gone or
// more than 1500 away. The world's run moves the group and its members'
// equipment.
//
// It is also the AI's event sink (g_pAIEvents) while it exists: the player's
// glider is the one given to Create, and the events are only counted until
// the scripts take them.
//
// Ownership: the group is the world's group list's, its gliders the object
// list's. Threads: main thread.
#pragma once

#include "society/BasicAI.h"

class CMechGroup2;

class CWorldPatrol : public IAIEvents
{
public:
    static constexpr const char* kGroup = "PATROL1";

    CWorldPatrol() = default;
    ~CWorldPatrol() override;
    CWorldPatrol(const CWorldPatrol&) = delete;
    CWorldPatrol& operator=(const CWorldPatrol&) = delete;

    // Takes the group of that description (made by the world now when it
    // has none yet), gives it the patrolling AI on the road set and its
    // gliders at the first road node, and sends it off; the player's glider
    // may be null. False (logged) when the description or its roads are
    // missing.
    bool Create(CGliderObject* player, const char* group = kGroup);
    // Stops being the AI's event sink.
    void Release();

    int GetCount() const;
    CGliderObject* GetGlider(int i) const;
    CMechGroup2* GetGroup() const { return m_pGroup; }
    int GetEventCount(EAIEvent e) const { return m_nEvents[e]; }

    // IAIEvents.
    void OnAIEvent(EAIEvent event, CGliderObject* glider) override;
    CGliderObject* GetPlayerGlider() override { return m_pPlayer; }

private:
    CMechGroup2* m_pGroup = nullptr;
    CGliderObject* m_pPlayer = nullptr;
    int m_nEvents[AIEV_DROP + 1] = {};
};
