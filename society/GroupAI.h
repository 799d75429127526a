// CMechGroup2 and CGroupAI: a mechanoid group and the AI that commands it,
// as far as the per-mechanoid AI (BasicAI.h) reads and calls them.
//
// Stand-in: the group is its members, its point and its organisation
// index; the group AI is the flags, mode, kind, target and road-node pair
// the members' AIs read, with Move, FixTrouble, OnTrouble, GetNextRoadItem
// and AssignToPlayer as plain hooks. Not here yet: the group stream, the
// group list, assembling and disassembling, the group AI's kinds, clock,
// relations and spying, combat resolution and road following. A mech record
// reaches its group through its opaque group pointer (CMech::m_pGroup),
// which points at a CMechGroup2 wherever this header is used.
//
// CPatrolGroupAI is the one working kind until the real ones exist: it
// sends its members round a ring of points and sets them on whoever hurts
// one of them.
//
// Ownership: a group owns its group AI, not its mech records. Threads: main
// thread.
#pragma once

#include "foundation/Vector.h"

#include <cstdint>
#include <memory>
#include <vector>

class CBasicAI;
class CGliderObject;
class CMech;
class CMechGroup2;

class CGroupAI
{
public:
    // Group-AI modes.
    enum
    {
        MODE_WAIT = 1,
        MODE_ATTACK = 2,
        MODE_RETREAT = 3,
        MODE_MOVE = 4,
        MODE_FACE = 5,
        MODE_INSPECT = 6,
        MODE_PACK = 7,
        MODE_PICKUP = 8
    };
    // The kind that plain group AIs report (transport 0, hunters 1, people 2).
    static constexpr std::int32_t kPlainKind = 3;

    virtual ~CGroupAI() = default;

    // Sends the group on toward its goal (the members' MoveTo).
    virtual void Move() {}
    // The group works its way out of trouble: the flag is cleared.
    virtual void FixTrouble() { m_bInTrouble = 0; }
    // A member reports being stuck.
    virtual void OnTrouble(CMech* /*mech*/) {}
    // Skips to the next node of the route.
    virtual void GetNextRoadItem() {}
    virtual void AssignToPlayer(bool assign) { m_bAssigned = assign ? 1 : 0; }
    // The positions of the current and previous road nodes; false without
    // both.
    virtual bool GetRoadPoints(CVector* /*current*/, CVector* /*previous*/) const { return false; }
    // The road type of the current node (3: no strafing while fixing).
    virtual std::int32_t GetRoadType() const { return 0; }
    // A member's glider was hit by the attacker's.
    virtual void OnMemberHit(CMech* /*attacker*/, float /*damage*/) {}
    // One step of the group's thinking (the world's group list calls it).
    virtual void Run(float /*dt*/) {}

    // A relation entry toward another group (the relation table).
    struct SRelation
    {
        const CMechGroup2* m_pGroup = nullptr;
        std::int32_t m_nOrg = -1;
        std::uint8_t m_bFromOrg = 0; // organisation-derived
        float m_fRelation = 0.0f;
    };

    CMechGroup2* m_pGroup = nullptr;
    std::int32_t m_nKind = kPlainKind;
    std::int32_t m_nMode = MODE_WAIT;
    std::uint8_t m_bInTrouble = 0;
    std::uint8_t m_bOffRoute = 0;
    std::uint8_t m_bTalk = 0;
    std::uint8_t m_bAssigned = 0;
    std::int32_t m_nRoadNode = -1;
    CMech* m_pTarget = nullptr;
    std::vector<SRelation> m_Relations;
};

class CMechGroup2
{
public:
    CGroupAI* GetGroupAI() const { return m_pGroupAI.get(); }
    int GetMemberCount() const { return int(m_Members.size()); }
    // Hands the group to the player (true) or takes it back.
    void AssignToPlayer(bool assign)
    {
        if (m_pGroupAI) m_pGroupAI->AssignToPlayer(assign);
    }
    // The AI of each member's glider (null for a member without one).
    CBasicAI* GetMemberAI(int i) const;

    std::vector<CMech*> m_Members;
    std::unique_ptr<CGroupAI> m_pGroupAI;
    CVector m_vPoint;
    std::int32_t m_nOrg = -1;
};

// The group of a mech record, null without one.
CMechGroup2* GetMechGroup(const CMech* mech);

// Patrols a ring of points: each member's AI is sent to the next point when
// the group leader is within 60 of the current one. A member hit by a
// glider from outside the group puts every member on the attacker; the
// group returns to the ring when the attacker is gone or farther than 1500.
// A group that reports trouble has each member's FixTrouble run.
class CPatrolGroupAI : public CGroupAI
{
public:
    void Move() override;
    void Run(float dt) override;
    void OnMemberHit(CMech* attacker, float damage) override;

    CPatrolGroupAI() { m_nKind = 1; }

    std::vector<CVector> m_Points;
    int m_nPoint = 0;
};
