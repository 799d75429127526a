// The three trading kinds of group AI and their stops in buildings.
//
// Every kind unloads its members' plain goods into the building it enters
// (CGroupAI::OnBuilding; no money changes hands). Then:
//   - a caravan (CTransGroupAI, kind 0) shuttles between two buildings on a
//     fixed route, stops only at the route's ends and there buys what is
//     plentiful here and wanted at the other end;
//   - a hunter group (CHunterGroupAI, kind 1) roams a zone of the road net
//     around its home node, rests 300 s after each building (that building
//     barred meanwhile) and keeps its cargo at its home node;
//   - people (CPeopleGroupAI, kind 2) wander the main road net (type-0
//     nodes) without a route and buy cheap goods one unit at a time until
//     their emptiest member is half full.
// Goods bought come out of the building's stock into the members' holds at
// the building's price; the buildings' goods lists are the trade's
// (g_pTrade).
//
// Ownership: as CGroupAI. Threads: main thread.
#pragma once

#include "society/GroupAI.h"

#include <cstdint>
#include <vector>

class CTransGroupAI : public CGroupAI
{
public:
    CTransGroupAI() { m_nKind = 0; }
    void Init(CMechGroup2* group) override;
    void OnBuilding(const char* building) override;
    void ProcessMove(float dt) override;
    void ProcessWait() override;
    void Retreat(CMechGroup2* from) override;
    // A route between two buildings by the path finder; with start, the
    // group is put on a random node of it. Same names or no path: nothing.
    void SetRoute(const char* from, const char* to, bool start);
};

class CHunterGroupAI : public CGroupAI
{
public:
    static constexpr float kRest = 300.0f;

    CHunterGroupAI() { m_nKind = 1; }
    void Init(CMechGroup2* group) override;
    void Setup(CMechGroup2* group) override;
    void Run(float dt) override;
    void LoadFromStream(CMemStream& stream) override;
    void OnBuilding(const char* building) override;
    void ProcessMove(float dt) override;
    void GetNextRoadItem() override;
    // The route without its -1 entries; the group starts on one of its nodes.
    void SetRoute(const std::vector<std::int32_t>& route);
    // The route becomes the zone of the named node within the radius.
    void FindRoute(const char* building, float radius);

    float m_fRestTimer = 0.0f;
};

class CPeopleGroupAI : public CGroupAI
{
public:
    CPeopleGroupAI() { m_nKind = 2; }
    void Init(CMechGroup2* group) override;
    void Setup(CMechGroup2* group) override;
    void OnBuilding(const char* building) override;
    void ProcessMove(float dt) override;
    void GetNextRoadItem() override;
};

// Whether a caravan between the two trading buildings has something to
// carry: a good plentiful and in stock at one end, wanted at the other.
bool CheckPathAdvisability(const char* from, const char* to);
