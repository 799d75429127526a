// Built-ins on the world: objects of the location, mechs and organisations.
#include "script/game/ScriptBuiltIns.h"

#include "foundation/ErrorLog.h"
#include "foundation/Name32.h"
#include "foundation/Random.h"
#include "society/MMTrade.h"
#include "society/MechGroup.h"
#include "society/Organization.h"
#include "world/Trade.h"
#include "units/BuildingObject.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "units/TowerObject.h"
#include "world/BoundObject.h"
#include "world/KindManagers.h"
#include "world/MMEngine.h"
#include "world/ObjectManager.h"
#include "world/ObjectList.h"
#include "world/RoadManager.h"
#include "world/StoneObject.h"
#include "world/SysObject.h"
#include "world/TheThing.h"
#include "world/World.h"
#include "world/WorldSeams.h"
#include "world/WorldTerrain.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace scriptargs;

namespace
{
using Params = const char* const[5];

CWorld* World()
{
    if (!g_pWorld) Unavailable("world");
    return g_pWorld;
}

CMech* FindMech(const char* name)
{
    CWorld* world = World();
    return world ? world->FindMech(name) : nullptr;
}

// Alive, not waiting in a cluster building and below generation 5: the
// mechs that may change sides.
bool Convictable(const CMech& m)
{
    return !m.m_bDead && !m.m_bInBuilding && !m.m_bInCluster && m.m_nGeneration < 5;
}

IOrgManager* Orgs()
{
    if (!g_MMEngine.m_pOrgManager) Unavailable("organisation manager");
    return g_MMEngine.m_pOrgManager;
}

// An organisation the organisation table or the world knows.
bool KnownOrg(const char* name)
{
    if (g_MMEngine.m_pOrgManager && g_MMEngine.m_pOrgManager->FindByName(name) >= 0) return true;
    return g_pWorld && g_pWorld->FindOrganization(name);
}

// Objects -------------------------------------------------------------------

// A stone or pick-up thing with the game id, at a system point (its
// placement with normalised rows) or else at a road node (upright).
const char* CreateObjectAt(CScriptManager& m, Params p, int)
{
    const char* id = Text(p[0]);
    const char* type = Text(p[1]);
    const char* point = Text(p[2]);
    CMatrix placement(1.0f);
    CVector node;
    if (CSysObject* sys = g_ObjectList.FindSysObject(point, 0))
    {
        placement = sys->m_Frame.m_Matrix;
        for (int row = 0; row < 3; ++row)
        {
            CVector axis{placement.m[row][0], placement.m[row][1], placement.m[row][2]};
            const float length = axis.Length();
            if (length > 0.0f)
                for (int col = 0; col < 3; ++col)
                    placement.m[row][col] /= length;
        }
    }
    else if (g_RoadManager.FindNode(point, &node))
        placement.SetTranslation(node);
    else
    {
        g_ErrorLog.LogError("SCRIPT:CreateObjectAt: pointer not found '%s'", point);
        return m.KeepText("");
    }
    CMMObject* created = nullptr;
    if (g_StoneManager.FindName(type) >= 0)
        created = g_StoneManager.CreateObject(type, &placement, id);
    else if (g_ThingManager.FindName(type) >= 0)
    {
        // A thing never lies under the ground: it is put one unit above it.
        CVector at{placement.m[3][0], placement.m[3][1], placement.m[3][2]};
        float ground = 0.0f;
        if (g_pWorldTerrain && g_pWorldTerrain->GetHeight(at, &ground) && at.z < ground)
        {
            at.z = ground + 1.0f;
            placement.SetTranslation(at);
        }
        created = g_ThingManager.CreateObject(type, &placement, id);
    }
    else
        g_ErrorLog.LogError("SCRIPT:CreateObjectAt: object type not found '%s'", type);
    if (created) created->m_bChanged = 1;
    return nullptr;
}

const char* ClockObject(CScriptManager& m, Params, int)
{
    CWorld* world = World();
    char name[33] = {};
    if (world) CopyName(name, world->m_szLocationName);
    return m.KeepText(name);
}

const char* DeleteObject(CScriptManager&, Params p, int)
{
    CMMObject* o = g_ObjectList.FindByGameId(Text(p[0]), 0);
    if (!o)
        g_ErrorLog.LogError("SCRIPT:DeleteObject: object not found '%s'", Text(p[0]));
    else
        g_ObjectList.DeleteObject(o);
    return nullptr;
}

const char* SetBoundBetween(CScriptManager&, Params p, int)
{
    auto* a = dynamic_cast<CBoundObject*>(g_ObjectList.FindByGameId(Text(p[0]), OBJ_BOUND));
    auto* b = dynamic_cast<CBoundObject*>(g_ObjectList.FindByGameId(Text(p[1]), OBJ_BOUND));
    if (!a || !b)
    {
        g_ErrorLog.LogError("SCRIPT:SetBoundBetween: object not found '%s'", Text(a ? p[1] : p[0]));
        return nullptr;
    }
    const int wanted = Number(p[2]);
    const bool linked = a->IsLinked(b);
    if ((wanted == 1 && !linked) || (wanted == 0 && linked)) a->Link(b, true);
    a->m_bChanged = 1;
    b->m_bChanged = 1;
    return nullptr;
}

// Content kind of goods: 2 when the name is no goods type, 1 for unique goods.
std::uint32_t ContentKind(const char* goods)
{
    const SGoodsParameters* type = g_GoodsManager.FindGoods(goods);
    return !type ? 2u : type->m_bUnique ? 1u : 0u;
}

const char* AddThingContent(CScriptManager&, Params p, int)
{
    auto* thing = dynamic_cast<CTheThing*>(g_ObjectList.FindByGameId(Text(p[0]), OBJ_THING));
    if (!thing)
        g_ErrorLog.LogError("SCRIPT: thing '%s' not found", Text(p[0]));
    else // at most ten entries: a full thing refuses with its own line
        thing->AddContent(ContentKind(Text(p[1])), Text(p[1]), static_cast<std::uint32_t>(Number(p[2])));
    return nullptr;
}

const char* SpawnFungus(CScriptManager&, Params p, int)
{
    const int nodes = g_RoadManager.GetNodeCount();
    if (nodes == 0)
    {
        g_ErrorLog.LogError("SCRIPT: the location has no road nodes: no '%s' spawned", Text(p[0]));
        return nullptr;
    }
    const char* goods = Text(p[0]);
    const int count = Number(p[1]);
    for (int i = 0; i < count; ++i)
    {
        CVector at = g_RoadManager.m_Nodes[std::size_t(g_Random.RandomInt(nodes))].position;
        float height = at.z;
        for (int attempt = 0; attempt < 5; ++attempt)
        {
            CVector probe = at;
            probe.x += g_Random.Random(2000.0f) - 1000.0f;
            probe.y += g_Random.Random(2000.0f) - 1000.0f;
            if (g_pWorldTerrain && g_pWorldTerrain->GetHeight(probe, &height))
            {
                at = probe;
                break;
            }
        }
        at.z = height;
        CMatrix placement(1.0f);
        placement.SetTranslation(at);
        auto* thing = dynamic_cast<CTheThing*>(g_ThingManager.CreateObject("TT_FUNGUS", &placement, nullptr));
        if (thing) thing->AddContent(ContentKind(goods), goods, 1);
    }
    return nullptr;
}

// A stone or building takes another type where it stands; a type its
// manager does not know is refused and the object left as it was.
const char* ReInitObject(CScriptManager&, Params p, int)
{
    const char* id = Text(p[0]);
    const char* type = Text(p[1]);
    CMMObject* o = g_ObjectList.FindByGameId(id, 0);
    auto* stone = dynamic_cast<CStoneObject*>(o);
    auto* building = dynamic_cast<CBuildingObject*>(o);
    if (!stone && !building)
    {
        g_ErrorLog.LogError("SCRIPT: no stone or building '%s' to re-initialise", id);
        return nullptr;
    }
    if ((stone ? g_StoneManager.FindName(type) : g_BuildingManager.FindName(type)) < 0)
    {
        g_ErrorLog.LogError("SCRIPT: '%s' is no %s type: '%s' left as it is", type,
                            stone ? "stone" : "building", id);
        return nullptr;
    }
    const CMatrix placement = o->m_Frame.m_Matrix;
    if (stone)
        stone->Init(placement, type);
    else
        building->Init(placement, type, nullptr);
    return nullptr;
}

const char* SetTowerActive(CScriptManager&, Params p, int)
{
    auto* tower = dynamic_cast<CTowerObject*>(g_ObjectList.FindByGameId(Text(p[0]), OBJ_TOWER));
    if (!tower)
    {
        g_ErrorLog.LogError("SCRIPT:SETTOWERACTIVE Tower not '%s' found", Text(p[0]));
        return nullptr;
    }
    tower->SetActive(Flag(p[1]));
    tower->m_bChanged = 1;
    return nullptr;
}

const char* BuildingOwner(CScriptManager& m, Params p, int)
{
    CWorld* world = World();
    const SBuildingRecord* building = world ? world->FindBuilding(Text(p[0])) : nullptr;
    if (!building) return m.KeepText("");
    char owner[33] = {};
    CopyName(owner, building->owner);
    return m.KeepText(owner);
}

const char* RandomPointByMask(CScriptManager& m, Params p, int)
{
    std::vector<std::string> names;
    SPointerArray<CSysObject> points;
    g_ObjectList.FindSysObjectsByMask(Text(p[0]), points);
    for (int i = 0; i < points.count; ++i)
        names.emplace_back(points.items[i]->m_szName, strnlen(points.items[i]->m_szName, 32));
    char mask[32] = {};
    std::snprintf(mask, sizeof mask, "%s", Text(p[0]));
    std::vector<std::int32_t> roads;
    g_RoadManager.FindRoadsByMask(mask, roads);
    for (std::int32_t r : roads)
        names.emplace_back(g_RoadManager.m_Nodes[std::size_t(r)].name);
    if (names.empty()) return m.KeepText("");
    return m.KeepText(names[std::size_t(g_Random.RandomInt(int(names.size())))].c_str());
}

// A goods type the building's stock does not hold a whole unit of. When
// every type is held there is none: one line and "".
const char* MissingGoods(CScriptManager& m, Params p, int)
{
    SExBuildingTrade* building = g_pTrade ? g_pTrade->FindBuilding(Text(p[0])) : nullptr;
    std::vector<const char*> candidates;
    for (std::int32_t i = 0; i < g_GoodsManager.GetCount(); ++i)
    {
        const char* name = g_GoodsManager.GetName(i);
        const STradeGood* good = building ? building->FindGood(name) : nullptr;
        if (name && (!good || good->Units() < 1)) candidates.push_back(name);
    }
    if (candidates.empty())
    {
        g_ErrorLog.LogError("SCRIPT: building '%s' holds every goods type: no goods to name", Text(p[0]));
        return m.KeepText("");
    }
    return m.KeepText(candidates[std::size_t(g_Random.RandomInt(int(candidates.size())))]);
}

// The building type of the building object with that game id; null when
// there is none.
const SBuildingType* BuildingTypeOf(const char* id)
{
    const auto* b = dynamic_cast<const CBuildingObject*>(g_ObjectList.FindByGameId(id, OBJ_BUILDING));
    return b ? b->GetKind() : nullptr;
}

int BuildingKindType(CScriptManager&, Params p, int)
{
    const SBuildingType* type = BuildingTypeOf(Text(p[0]));
    return type ? type->m_nType : 999;
}

int BuildingKindSubType(CScriptManager&, Params p, int)
{
    const SBuildingType* type = BuildingTypeOf(Text(p[0]));
    return type ? type->m_nSubType : 999;
}

// Another building that can have an owner (its type's cluster value set),
// chosen at random; "" when there is none.
const char* RandomOtherBuilding(CScriptManager& m, Params p, int)
{
    std::vector<const CBuildingObject*> candidates;
    for (CMMObject* o : g_ObjectList.m_NamedObjects)
    {
        const auto* b = o->m_nType == OBJ_BUILDING ? dynamic_cast<const CBuildingObject*>(o) : nullptr;
        if (b && b->m_bAlive && b->HasGameId() && !SameName(b->m_szGameId, Text(p[0])) && b->GetKind() &&
            b->GetKind()->m_nCluster != 0)
            candidates.push_back(b);
    }
    if (candidates.empty()) return m.KeepText("");
    const CBuildingObject* pick = candidates[std::size_t(g_Random.RandomInt(int(candidates.size())))];
    char id[33] = {};
    CopyName(id, pick->m_szGameId);
    return m.KeepText(id);
}

// Mechs ----------------------------------------------------------------------

const char* MechOrganisation(CScriptManager& m, Params p, int)
{
    const CMech* mech = FindMech(Text(p[0]));
    if (!mech) return m.KeepText("");
    char org[33] = {};
    CopyName(org, mech->m_szOrg);
    return m.KeepText(org);
}

const char* NewMechName(CScriptManager& m, Params, int)
{
    CWorld* world = World();
    if (!world) return m.KeepText("");
    char name[32] = {};
    // The generator repeats itself now and then; a hundred draws find a
    // free name in any world that is not full of them.
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        world->GenerateName(name);
        if (name[0] && !world->FindMech(name)) return m.KeepText(name);
    }
    g_ErrorLog.LogError("SCRIPT: no free mech name found");
    return m.KeepText("");
}

const char* RandomMech(CScriptManager& m, Params p, int)
{
    CWorld* world = World();
    std::vector<const CMech*> candidates;
    if (world)
        for (const CMech* mech : world->m_Mechs)
            if (mech && Convictable(*mech) && !SameName(mech->m_szOrg, Text(p[0])) &&
                !SameName(mech->m_szOrg, "ORG_PLAYER"))
                candidates.push_back(mech);
    if (candidates.empty()) return m.KeepText("");
    const CMech* pick = candidates[std::size_t(g_Random.RandomInt(int(candidates.size())))];
    char id[33] = {};
    CopyName(id, pick->m_szId);
    return m.KeepText(id);
}

const char* SetMechName(CScriptManager&, Params p, int)
{
    const char* name = Text(p[0]);
    if (std::strcmp(name, "PLAYER") == 0 && g_ScriptGameCalls.setPlayerName)
    {
        g_ScriptGameCalls.setPlayerName(Text(p[1]));
        return nullptr;
    }
    CMech* mech = FindMech(name);
    if (!mech)
        g_ErrorLog.LogError("SCRIPT: mech '%s' not found", name);
    else
        std::snprintf(mech->m_szName, sizeof mech->m_szName, "%s", Text(p[1]));
    return nullptr;
}

const char* SetMechGeneration(CScriptManager&, Params p, int)
{
    CMech* mech = FindMech(Text(p[0]));
    if (!mech)
        g_ErrorLog.LogError("SCRIPT:SETMECHGEN mech '%s'  not found", Text(p[0]));
    else
        mech->m_nGeneration = Number(p[1]);
    return nullptr;
}

// Damages the mechanoid of the mech's glider; a mech killed by it dies.
const char* DamageGlider(CScriptManager&, Params p, int)
{
    CMech* mech = FindMech(Text(p[0]));
    if (!mech)
    {
        g_ErrorLog.LogError("SCRIPT:DAMAGEGLIDER mech '%s' not found", Text(p[0]));
        return nullptr;
    }
    auto* glider = dynamic_cast<CGliderObject*>(mech->m_pObject);
    CMechanoid* mechanoid = glider ? glider->m_pMechanoid : nullptr;
    if (!mechanoid) return nullptr; // waiting in a building or dead: nothing flies to be hit
    float armour = 0.0f, shield = 0.0f;
    mechanoid->Damage(Real(p[1]), false, &armour, &shield);
    if (mechanoid->IsKilled() && !mech->m_bDead) mech->Kill(nullptr);
    return nullptr;
}

// The player's glider locks onto the glider of the mech's mechanoid.
const char* SetPlayerTarget(CScriptManager&, Params p, int)
{
    CMech* mech = FindMech(Text(p[0]));
    if (!mech)
    {
        g_ErrorLog.LogError("SCRIPT:SETTARGET mech '%s'.", Text(p[0]));
        return nullptr;
    }
    auto* target = dynamic_cast<CGliderObject*>(mech->m_pObject);
    CMechanoid* player = PlayerMechanoid();
    if (!target) return nullptr; // waiting in a building or dead: nothing to aim at
    if (!player || !player->m_lpObject)
        Unavailable("player's glider");
    else
        player->m_lpObject->m_pTarget = target;
    return nullptr;
}

// The mech joins the organisation, and its group with it.
const char* AssignMechToOrg(CScriptManager&, Params p, int)
{
    CWorld* world = World();
    CMech* mech = world ? world->FindMech(Text(p[0])) : nullptr;
    if (!mech || !KnownOrg(Text(p[1])))
    {
        g_ErrorLog.LogError("AssignGliderToPlayer mech '%s' or org not found", Text(p[0]));
        return nullptr;
    }
    std::snprintf(mech->m_szOrg, sizeof mech->m_szOrg, "%s", Text(p[1]));
    IWorldOrganization* org = world->FindOrganization(Text(p[1]));
    if (org) org->AddMech(mech);
    // Its group follows.
    if (CMechGroup2* group = GetMechGroup(mech))
    {
        std::memcpy(group->m_szOrg, mech->m_szOrg, sizeof group->m_szOrg);
        group->m_pOrg = org;
    }
    if (std::strcmp(Text(p[0]), "PLAYER") == 0) PlaySound("SND_I_CLAN_ENTRY");
    return nullptr;
}

const char* TryConvictAll(CScriptManager&, Params p, int)
{
    CWorld* world = World();
    if (!world) return nullptr;
    const char* org = Text(p[1]);
    // Conviction may change the table: walk the ids taken beforehand.
    std::vector<std::string> ids;
    for (const CMech* mech : world->m_Mechs)
        if (mech && Convictable(*mech) && !SameName(mech->m_szOrg, org))
            ids.emplace_back(mech->m_szId, strnlen(mech->m_szId, 32));
    for (const std::string& id : ids)
        world->OnTryConvict(id.c_str(), org);
    return nullptr;
}

const char* CaptureBuilding(CScriptManager&, Params p, int)
{
    if (CWorld* world = World()) world->CaptureBuilding(Text(p[0]), Text(p[1]));
    return nullptr;
}

// Organisations -----------------------------------------------------------------

COrganization* FindOrganisation(const char* name)
{
    CWorld* world = World();
    return world ? dynamic_cast<COrganization*>(world->FindOrganization(name)) : nullptr;
}

// The leader is kept by the mech's id; an empty name leaves the clan
// without one.
const char* SetOrgLeader(CScriptManager&, Params p, int)
{
    COrganization* org = FindOrganisation(Text(p[0]));
    if (!org)
    {
        g_ErrorLog.LogError("SCRIPT:SETCLANLIDER org '%s' not found", Text(p[0]));
        return nullptr;
    }
    const char* name = Text(p[1]);
    const CMech* mech = name[0] ? FindMech(name) : nullptr;
    if (name[0] && !mech)
    {
        g_ErrorLog.LogError("SCRIPT:SETCLANLIDER mech '%s' not found", name);
        return nullptr;
    }
    std::memset(org->m_szSecondName, 0, sizeof org->m_szSecondName);
    if (mech) std::memcpy(org->m_szSecondName, mech->m_szId, sizeof org->m_szSecondName);
    return nullptr;
}

// The economy value: added to when the flag's second character is "1".
const char* SetOrgEconomy(CScriptManager&, Params p, int)
{
    COrganization* org = FindOrganisation(Text(p[0]));
    if (!org)
    {
        g_ErrorLog.LogError("SCRIPT:SETECONOMICS organization '%s' not found", Text(p[0]));
        return nullptr;
    }
    const char* flag = Text(p[2]);
    const float value = static_cast<float>(Number(p[1]));
    org->m_fFactor = flag[0] && flag[1] == '1' ? org->m_fFactor + value : value;
    return nullptr;
}

// 70: every entry of that goods in the building's trade stock holds the
// number of units (the trade scales it by the entry's unit).
const char* SetBuildingGoods(CScriptManager&, Params p, int)
{
    if (!g_pTrade)
    {
        Unavailable("trade");
        return nullptr;
    }
    g_pTrade->SetGoodCount(Text(p[0]), Text(p[1]), Number(p[2]));
    return nullptr;
}

const char* SetOrgRelation(CScriptManager&, Params p, int)
{
    IOrgManager* orgs = Orgs();
    if (!orgs) return nullptr;
    const std::int32_t a = orgs->FindByName(Text(p[0]));
    const std::int32_t b = orgs->FindByName(Text(p[1]));
    if (a < 0 || b < 0)
    {
        g_ErrorLog.LogError("GETCLANRELATION Organization: %s not found", Text(a < 0 ? p[0] : p[1]));
        return nullptr;
    }
    orgs->SetRelation(a, b, Number(p[2]) * 0.1f, true, false);
    return nullptr;
}

int GetOrgRelation(CScriptManager&, Params p, int)
{
    IOrgManager* orgs = Orgs();
    if (!orgs) return 0;
    const std::int32_t a = orgs->FindByName(Text(p[0]));
    const std::int32_t b = orgs->FindByName(Text(p[1]));
    if (a < 0 || b < 0)
    {
        g_ErrorLog.LogError("GETCLANRELATION Organization: '%s' not found", Text(a < 0 ? p[0] : p[1]));
        return 0;
    }
    const float value = orgs->GetRelation(a, b, false) * 10.0f;
    return value < -10.0f ? -10 : value > 10.0f ? 10 : static_cast<int>(value);
}

int OrgIsGone(CScriptManager&, Params p, int)
{
    CWorld* world = World();
    if (!world || !KnownOrg(Text(p[0]))) return 1;
    if (IWorldOrganization* org = world->FindOrganization(Text(p[0]))) org->UpdateMechInfo();
    for (const CMech* mech : world->m_Mechs)
        if (mech && !mech->m_bDead && SameName(mech->m_szOrg, Text(p[0]))) return 0;
    return 1;
}

int MechIsDead(CScriptManager&, Params p, int)
{
    const CMech* mech = FindMech(Text(p[0]));
    return !mech ? 999 : mech->m_bDead ? 1 : 0;
}

// A mech's rating value is its level.
int MechRating(CScriptManager&, Params p, int)
{
    const CMech* mech = FindMech(Text(p[0]));
    return mech ? mech->m_nLevel : 999;
}

// The organisation's total rating: its alive mechs that wait in a building
// or have a mechanoid, a leader (generation 5) counting twenty times.
int OrgRating(CScriptManager&, Params p, int)
{
    CWorld* world = World();
    if (!world || !KnownOrg(Text(p[0]))) return 0;
    int total = 0;
    for (const CMech* mech : world->m_Mechs)
        if (mech && !mech->m_bDead && SameName(mech->m_szOrg, Text(p[0])) &&
            (mech->m_bInBuilding || mech->m_pMechanoid || mech->m_pObject))
            total += mech->m_nLevel * (mech->m_nGeneration == 5 ? 20 : 1);
    return total;
}

int MechsInCluster(CScriptManager&, Params p, int)
{
    CWorld* world = World();
    int count = 0;
    if (world)
        for (const CMech* mech : world->m_Mechs)
            if (mech && mech->m_bInBuilding && SameName(mech->m_szBuilding, Text(p[0])) &&
                SameName(mech->m_szOrg, Text(p[1])))
                ++count;
    return count;
}

int GoodsPrice(CScriptManager&, Params p, int)
{
    const SGoodsParameters* goods = g_GoodsManager.FindGoods(Text(p[0]));
    return goods ? static_cast<int>(goods->m_fPrice) : 999;
}

int GoodsMass(CScriptManager&, Params p, int)
{
    const SGoodsParameters* goods = g_GoodsManager.FindGoods(Text(p[0]));
    return goods ? static_cast<int>(goods->m_fMass) : 999;
}

} // namespace

void AddWorldBuiltIns(std::vector<SScriptBuiltIn>& t)
{
    t.insert(t.end(), {
                          {10, CreateObjectAt, nullptr},      {34, ClockObject, nullptr},
                          {11, DeleteObject, nullptr},        {12, SetBoundBetween, nullptr},
                          {13, AddThingContent, nullptr},     {97, SpawnFungus, nullptr},
                          {79, SetTowerActive, nullptr},      {17, BuildingOwner, nullptr},
                          {54, RandomPointByMask, nullptr},   {28, MissingGoods, nullptr},
                          {36, MechOrganisation, nullptr},    {40, NewMechName, nullptr},
                          {30, RandomMech, nullptr},          {76, SetMechName, nullptr},
                          {81, SetMechGeneration, nullptr},   {80, DamageGlider, nullptr},
                          {45, AssignMechToOrg, nullptr},     {92, TryConvictAll, nullptr},
                          {102, CaptureBuilding, nullptr},    {68, SetOrgRelation, nullptr},
                          {57, nullptr, GetOrgRelation},      {14, nullptr, OrgIsGone},
                          {31, nullptr, MechIsDead},          {93, nullptr, MechsInCluster},
                          {39, nullptr, MechRating},          {15, nullptr, OrgRating},
                          {29, nullptr, GoodsPrice},          {88, nullptr, GoodsMass},
                          {98, ReInitObject, nullptr},        {78, SetPlayerTarget, nullptr},
                          {82, SetOrgLeader, nullptr},        {99, SetOrgEconomy, nullptr},
                          {23, RandomOtherBuilding, nullptr}, {56, nullptr, BuildingKindType},
                          {91, nullptr, BuildingKindSubType}, {70, SetBuildingGoods, nullptr},
                      });
}
