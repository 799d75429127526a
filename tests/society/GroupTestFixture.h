// Groups over a world of their own: organisations faked behind the world's
// organisation interface, mech records made by the world, a road graph laid
// out in the test (g_RoadManager, the world's path finder on it), the group
// list emptied before and after, and the script events recorded.
#pragma once

#include "common/LogDirTest.h"
#include "common/NullOrganization.h"

#include "world/GameWorldState.h"
#include "foundation/Random.h"
#include "society/GroupAI.h"
#include "society/MechGroup.h"
#include "society/WorldMechanoid.h"
#include "world/Mech.h"
#include "world/RoadManager.h"
#include "world/World.h"
#include "world/WorldSeams.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace grouptest
{

// Keeps the buildings its members stayed in.
class CFakeOrg : public testutil::CNullOrganization
{
public:
    using CNullOrganization::CNullOrganization;
    void OnMechBuilding(CMech*, const char* b) override { m_Buildings.push_back(b); }

    std::vector<std::string> m_Buildings;
};

class CEvents : public IMMAppEvent, public IGroupEvents
{
public:
    void OnScriptEvent(const char* object, const char* event, const char[32]) override
    {
        m_Events.push_back(std::string(object) + " " + event);
    }
    void OnGroupEvent(const char* event, const char* id) override
    {
        m_Events.push_back(std::string(event) + " " + id);
    }
    int Count(const std::string& e) const
    {
        int n = 0;
        for (const std::string& s : m_Events)
            n += s == e;
        return n;
    }
    std::vector<std::string> m_Events;
};

struct SRoadNode
{
    float x, y;
    std::vector<std::int32_t> links;
    const char* name = "";
    std::int32_t type = 0;
};

class CGroupTest : public testutil::CLogDirTest
{
protected:
    void SetUp() override
    {
        g_Random.SetState(7);
        g_pWorld = &m_World;
        g_pAppEvent = &m_Events;
        g_pGroupEvents = &m_Events;
        g_MechGroupList2.Clear();
        g_RoadManager.m_Nodes.clear();
        AddOrg("ORG_A");
        AddOrg("ORG_FREE");
    }
    void TearDown() override
    {
        g_MechGroupList2.Clear();
        g_pPlayerGroup = nullptr;
        g_RoadManager.m_Nodes.clear();
        g_pWorld = nullptr;
        g_pAppEvent = nullptr;
        g_pGroupEvents = nullptr;
    }
    CFakeOrg* AddOrg(const char* name)
    {
        m_World.m_Organizations.push_back(std::make_unique<CFakeOrg>(name));
        return static_cast<CFakeOrg*>(m_World.m_Organizations.back().get());
    }
    // A mech record of the world with a mechanoid of its own.
    CMech* Mech(const char* id, int level = 1)
    {
        CMech* m = m_World.AddMech(id);
        m->m_pMechanoid = new CWorldMechanoid;
        m->m_nLevel = level;
        m->m_bAssigned = 1;
        return m;
    }
    // A group of the list with n fresh members, assembled at the point.
    CMechGroup2* Group(const char* name, int n, const CVector& at, const char* org = "ORG_A")
    {
        auto* g = new CMechGroup2;
        std::snprintf(g->m_szName, sizeof g->m_szName, "%s", name);
        g->m_vCentre = at;
        g->InitGroup(org);
        g->m_vCentre = at;
        for (int i = 0; i < n; ++i)
            g->AddMech(Mech((std::string(name) + "_" + std::to_string(i)).c_str()));
        if (g_MechGroupList2.GetCount() == 0) AddPlayerGroup();
        g_MechGroupList2.AddGroup(g);
        return g;
    }
    void AddPlayerGroup()
    {
        m_PlayerGroup.InitGroup("ORG_PLAYER");
        g_pPlayerGroup = &m_PlayerGroup;
        g_MechGroupList2.m_Groups.insert(g_MechGroupList2.m_Groups.begin(), &m_PlayerGroup);
    }
    // The nodes with symmetric links; the path finder works on them.
    void Roads(const std::vector<SRoadNode>& nodes)
    {
        g_RoadManager.m_Nodes.clear();
        for (std::size_t i = 0; i < nodes.size(); ++i)
        {
            CRoadManager::SNode n;
            std::snprintf(n.name, sizeof n.name, "%s", nodes[i].name);
            n.position = CVector{nodes[i].x, nodes[i].y, 0.0f};
            n.type = nodes[i].type;
            n.id = std::int32_t(i);
            g_RoadManager.m_Nodes.push_back(n);
        }
        auto link = [](std::int32_t a, std::int32_t b)
        {
            CRoadManager::SNode& n = g_RoadManager.m_Nodes[size_t(a)];
            for (int k = 0; k < n.linkCount; ++k)
                if (n.links[k] == b) return;
            n.links[n.linkCount++] = b;
        };
        for (std::size_t i = 0; i < nodes.size(); ++i)
            for (std::int32_t j : nodes[i].links)
            {
                link(std::int32_t(i), j);
                link(j, std::int32_t(i));
            }
        m_World.m_PathFinder.Init(&g_RoadManager);
    }
    bool Logged(const char* text) const { return ReadText("error.log").find(text) != std::string::npos; }

    CWorld m_World;
    CEvents m_Events;
    CPlayerMechGroup2 m_PlayerGroup;
};

} // namespace grouptest
