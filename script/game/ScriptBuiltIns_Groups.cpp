// Built-ins on the mechanoid groups: a free mech made in a group of its
// own, a mech's group handed to the player, sent along a road, hidden or
// shown, its relations to another mech's group, its members counted or one
// of them taken out, a named group set to guard a road node, and the
// location's described groups.
#include "script/game/ScriptBuiltIns.h"

#include "foundation/ErrorLog.h"
#include "foundation/Name32.h"
#include "society/GroupAI.h"
#include "society/GroupMaker.h"
#include "society/MechGroup.h"
#include "units/GliderObject.h"
#include "units/MechConfigManager.h"
#include "world/Mech.h"
#include "world/MechGroupList.h"
#include "world/ObjectList.h"
#include "world/RoadManager.h"
#include "world/SysObject.h"
#include "world/World.h"
#include "world/WorldSeams.h"

#include <cstdio>
#include <cstring>

using namespace scriptargs;

namespace
{
using Params = const char* const[5];

CMech* FindMech(const char* name)
{
    if (!g_pWorld)
    {
        Unavailable("world");
        return nullptr;
    }
    return g_pWorld->FindMech(name);
}

// The AI of a mech's group; null when the mech has no group or the group
// no AI.
CGroupAI* GroupAI(const CMech* mech)
{
    const CMechGroup2* group = GetMechGroup(mech);
    return group ? group->GetGroupAI() : nullptr;
}

const char* AssignGroupToPlayer(CScriptManager&, Params p, int)
{
    CMech* mech = FindMech(Text(p[0]));
    if (!mech)
        g_ErrorLog.LogError("AssignGliderToPlayer mech '%s'not found", Text(p[0]));
    else if (CMechGroup2* group = GetMechGroup(mech))
        group->AssignToPlayer(Flag(p[1]));
    return nullptr;
}

// The mech leaves the game: its glider goes, its group lets it go, and
// its organisation takes it back as the joining built-in does.
const char* DeleteMech(CScriptManager&, Params p, int)
{
    CMech* mech = FindMech(Text(p[0]));
    if (!mech)
    {
        g_ErrorLog.LogError("DeleteMech mech '%s'not found", Text(p[0]));
        return nullptr;
    }
    if (CGliderObject* glider = GetMemberGlider(mech)) g_ObjectList.DeleteObject(glider);
    if (CMechGroup2* group = GetMechGroup(mech))
    {
        IWorldOrganization* org = group->m_pOrg;
        group->RemoveMech(mech);
        if (org) org->AddMech(mech);
    }
    mech->m_bAlive = 0;
    return nullptr;
}

// A free mech of a new name, its mechanoid fitted from the configuration,
// in a group of its own at a system point or road node.
const char* CreateMech(CScriptManager&, Params p, int)
{
    const char* name = Text(p[0]);
    const char* point = Text(p[1]);
    const char* config = Text(p[2]);
    if (!g_pWorld)
    {
        Unavailable("world");
        return nullptr;
    }
    if (g_MechConfigManager.FindName(config) < 0)
    {
        g_ErrorLog.LogError("SCRIPT:CREATEMECH glider config '%s' not found", config);
        return nullptr;
    }
    CVector at;
    if (CSysObject* sys = g_ObjectList.FindSysObject(point, 0))
        at = sys->m_Frame.m_vPosition;
    else if (!g_RoadManager.FindNode(point, &at))
    {
        g_ErrorLog.LogError("SCRIPT:CREATEMECH pointer not found %s", point);
        return nullptr;
    }
    // A second mech of a name would make both unreachable by it.
    if (!name[0] || g_pWorld->FindMech(name))
    {
        g_ErrorLog.LogError("SCRIPT:CREATEMECH mech '%s' exists already or has no name", name);
        return nullptr;
    }
    CMech* mech = g_pWorld->AddMech(name);
    std::snprintf(mech->m_szOrg, sizeof mech->m_szOrg, "ORG_FREE");
    CMechGroupDesc own;
    std::snprintf(own.m_szName, sizeof own.m_szName, "%s", mech->m_szId);
    std::snprintf(own.m_szOrgName, sizeof own.m_szOrgName, "ORG_FREE");
    std::snprintf(own.m_szMembers[0], sizeof own.m_szMembers[0], "%s", config);
    own.m_nMemberCount = 1;
    own.m_nType = 1; // stays where it is put
    if (CMechGroup2* group = MakeDescribedGroup(own, {mech})) group->m_vCentre = at;
    return nullptr;
}

const char* CreateDescribedGroup(CScriptManager&, Params p, int)
{
    if (!g_pWorld)
        Unavailable("world");
    else if (!g_pWorld->CreateM1Group(Text(p[0]), Flag(p[2])))
        g_ErrorLog.LogError("SCRIPT_CREATEGROUP group '%s' not found", Text(p[0]));
    return nullptr;
}

const char* SendAlongRoad(CScriptManager&, Params p, int)
{
    CMech* mech = FindMech(Text(p[0]));
    if (!mech)
    {
        g_ErrorLog.LogError("SCRIPT:GLIDERGO Mech '%s' not found", Text(p[0]));
        return nullptr;
    }
    const std::int32_t road = g_RoadManager.FindRoadNode(Text(p[1]));
    if (road < 0)
    {
        g_ErrorLog.LogError("SCRIPT:GLIDERGO Road '%s' not found", Text(p[1]));
        return nullptr;
    }
    if (CGroupAI* ai = GroupAI(mech)) ai->Move(road);
    return nullptr;
}

// Hides the mech's group ("1") or shows it: both visibility flags of the
// group take the negation of the flag.
const char* SetGroupInvisible(CScriptManager&, Params p, int)
{
    CMech* mech = FindMech(Text(p[0]));
    CMechGroup2* group = mech ? GetMechGroup(mech) : nullptr;
    if (!group)
    {
        g_ErrorLog.LogError("SCRIPT:GLIDERINVIS Mech '%s' not found", Text(p[0]));
        return nullptr;
    }
    const bool visible = !Flag(p[1]);
    group->m_bVisible = visible ? 1 : 0;
    group->m_nVisible = visible ? 1u : 0u;
    return nullptr;
}

// The group of that name guards the road node within 5000 (ten times 500).
const char* SetGroupGuard(CScriptManager&, Params p, int)
{
    constexpr float kGuardRadius = 10.0f * 500.0f;
    CMechGroup2* group = g_MechGroupList2.FindGroup(Text(p[0]));
    CGroupAI* ai = group ? group->GetGroupAI() : nullptr;
    if (!ai)
        g_ErrorLog.LogError("SCRIPT:SETMECHGUARD mech group '%s' not found.", Text(p[0]));
    else if (!ai->GuardPoint(Text(p[1]), kGuardRadius))
        g_ErrorLog.LogError("SCRIPT:SETMECHGUARD road '%s' not found: group '%s' not sent", Text(p[1]),
                            Text(p[0]));
    return nullptr;
}

// Both mechs by name; the first one missing is logged (the message of the
// original is the invisibility built-in's).
bool FindTwoMechs(Params p, CMech** a, CMech** b)
{
    *a = FindMech(Text(p[0]));
    *b = *a ? FindMech(Text(p[1])) : nullptr;
    if (*a && *b) return true;
    g_ErrorLog.LogError("SCRIPT:GLIDERINVIS Mech '%s' not found", Text(*a ? p[1] : p[0]));
    return false;
}

const char* SetGroupRelation(CScriptManager&, Params p, int)
{
    CMech *a, *b;
    if (!FindTwoMechs(p, &a, &b)) return nullptr;
    CGroupAI* ai = GroupAI(a);
    CMechGroup2* other = GetMechGroup(b);
    if (ai && other) ai->SetRelation(other, Number(p[2]) * 0.1f, Flag(p[3]));
    return nullptr;
}

int GetGroupRelation(CScriptManager&, Params p, int)
{
    CMech *a, *b;
    if (!FindTwoMechs(p, &a, &b)) return 0;
    CGroupAI* ai = GroupAI(a);
    const CMechGroup2* other = GetMechGroup(b);
    return ai && other ? static_cast<int>(ai->GetRelation(other) * 10.0f) : 0;
}

int AliveMembers(CScriptManager&, Params p, int)
{
    const CMech* mech = FindMech(Text(p[0]));
    if (!mech)
    {
        g_ErrorLog.LogError("SCRIPT:GETGROUPCOUNT Mech '%s' not found", Text(p[0]));
        return 0;
    }
    const CMechGroup2* group = GetMechGroup(mech);
    int alive = 0;
    for (int i = 0; group && i < group->GetMemberCount(); ++i)
        if (!group->GetMember(i)->m_bDead) ++alive;
    return alive;
}

int GroupIsGone(CScriptManager&, Params p, int)
{
    const CMechGroup2* group = g_MechGroupList2.FindGroup(Text(p[0]));
    return !group || group->GetMemberCount() == 0 ? 1 : 0;
}

// The player's group's members of the organisation (all with "").
int PlayerGroupMembers(CScriptManager&, Params p, int)
{
    const char* org = Text(p[0]);
    int count = 0;
    for (int i = 0; g_pPlayerGroup && i < g_pPlayerGroup->GetMemberCount(); ++i)
        if (!org[0] || SameName(g_pPlayerGroup->GetMember(i)->m_szOrg, org)) ++count;
    return count;
}

} // namespace

void AddGroupBuiltIns(std::vector<SScriptBuiltIn>& t)
{
    t.insert(t.end(), {
                          {42, CreateMech, nullptr},
                          {44, AssignGroupToPlayer, nullptr},
                          {43, DeleteMech, nullptr},
                          {58, CreateDescribedGroup, nullptr},
                          {59, SendAlongRoad, nullptr},
                          {60, SetGroupInvisible, nullptr},
                          {77, SetGroupGuard, nullptr},
                          {69, SetGroupRelation, nullptr},
                          {103, nullptr, GetGroupRelation},
                          {61, nullptr, AliveMembers},
                          {71, nullptr, GroupIsGone},
                          {72, nullptr, PlayerGroupMembers},
                      });
}
