// The game scripts' built-ins on the sample world: each row a script that
// calls one built-in on the world, the units' tables, the organisations,
// the trade and the player's mechanoid as mksample writes them, and the
// change it leaves there. Run by the ctest entry script.sample_builtins
// with TARVOX_SAMPLE_DIR set.
#include "BuiltInTestUtil.h"
#include "world/WorldTestScene.h"

#include "foundation/ResourceDB.h"
#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"
#include "society/EqpTrade.h"
#include "society/MMTrade.h"
#include "society/GroupAI.h"
#include "society/GroupMaker.h"
#include "society/MechGroup.h"
#include "society/OrgManager.h"
#include "units/KindManagers.h"
#include "units/MechConfigManager.h"
#include "units/Mechanoid.h"
#include "units/GliderObject.h"
#include "units/BuildingObject.h"
#include "units/TowerObject.h"
#include "world/TypeManagers.h"
#include "world/GameWorldState.h"
#include "world/MMEngine.h"
#include "world/ObjectList.h"
#include "graphics/ModelInstance.h"
#include "world/RoadManager.h"
#include "world/StoneObject.h"
#include "world/TheThing.h"
#include "world/Mech.h"
#include "world/World.h"
#include "world/WorldSeams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <span>

namespace
{

CMechanoid* g_player = nullptr;

// A mechanoid kept by a world record: the units' mechanoid in its stream
// form.
class CKeptMechanoid : public IWorldMechanoid
{
public:
    void Run(float) override {}
    float GetPrice(bool) override { return 0.0f; }
    void SaveToStream(CMemStream& s) override { m_Mechanoid.SaveToStream(s); }
    void LoadFromStream(CMemStream& s) override { m_Mechanoid.LoadFromStream(s); }
    void SetPendingValues(std::uint32_t, std::uint32_t, std::uint32_t) override {}
    std::uint32_t GetStreamValue() override { return 0; }
    CMechanoid m_Mechanoid;
};

class SampleBuiltIns : public builtintest::CBuiltInTest
{
protected:
    void SetUp() override
    {
        builtintest::CBuiltInTest::SetUp();
        const char* root = std::getenv("TARVOX_SAMPLE_DIR");
        if (!root) GTEST_SKIP() << "TARVOX_SAMPLE_DIR not set";
        m_previous = plat::GetCurrentDirectory();
        ASSERT_TRUE(plat::SetCurrentDirectory(root));
        m_scene = std::make_unique<worldtest::CScene>();
        ASSERT_TRUE(g_ResourceDB.Init("Data\\DB.dat", ResourceDBManager::kModeDataBase));
        // The built-ins reach the organisations through the game's engine.
        g_MMEngine.m_pfnMessageBox = [](const char* text) { ADD_FAILURE() << text; };
        RegisterUnitManagers();
        RegisterTradeClasses();
        g_MMEngine.MMInit();
        g_MMEngine.LoadWorld("sample.loc");
        ASSERT_NE(g_pWorld, nullptr);
        // The organisations of the location (no mechs are made).
        g_pWorld->GenerateWorld(false);
        m_player = std::make_unique<CMechanoid>();
        m_player->InitConfig(g_MechConfigManager.FindName("CFG_SAMPLE_PLAYER"), false);
        m_player->m_Garbage.m_fMoney = 1000.0f;
        // The player's glider, its launchers loaded from the stock.
        m_glider = std::make_unique<CGliderObject>();
        m_glider->Init(CMatrix(1.0f), STypeKey(g_GliderManager.FindName("GL_SAMPLE")));
        m_glider->AssignMechanoid(nullptr, m_player.get(), true);
        g_player = m_player.get();
        g_ScriptGameCalls.playerMechanoid = [] { return g_player; };
        // Levels 2 to 5; MECH_C and MECH_D are merchants, MECH_D waits in the hall.
        int level = 1;
        for (const char* id : {"MECH_A", "MECH_B", "MECH_C", "MECH_D"})
        {
            CMech* mech = g_pWorld->AddMech(id);
            std::strcpy(mech->m_szOrg, "ORG_SAMPLE");
            mech->m_nLevel = ++level;
        }
        std::strcpy(g_pWorld->FindMech("MECH_C")->m_szOrg, "ORG_MERCHANTS");
        CMech* waiting = g_pWorld->FindMech("MECH_D");
        std::strcpy(waiting->m_szOrg, "ORG_MERCHANTS");
        waiting->m_bInBuilding = 1;
        std::strcpy(waiting->m_szBuilding, "SAMPLE_HALL");
        m_started = true;
    }
    void TearDown() override
    {
        if (m_started)
        {
            g_player = nullptr;
            m_glider.reset();
            g_pWorld->DoneWorld();
            g_MMEngine.Done();
            g_MMEngine.m_pfnMessageBox = nullptr;
            g_ResourceDB.Done();
            m_scene.reset();
            plat::SetCurrentDirectory(m_previous.c_str());
        }
        builtintest::CBuiltInTest::TearDown();
    }

    // One call of a built-in from a script and what it leaves.
    struct SRow
    {
        int number;
        bool text;
        std::vector<std::string> args;
        const char* result;                  // null: not looked at
        std::function<std::string()> change; // what the world shows afterwards
        std::string expected;
    };
    void RunRows(std::span<const SRow> rows)
    {
        for (const SRow& c : rows)
        {
            std::string args;
            for (const std::string& a : c.args)
                args += a + " ";
            SCOPED_TRACE("built-in " + std::to_string(c.number) + " (" + args + ")");
            const std::string result = Call(c.number, c.text, c.args);
            if (c.result)
            {
                EXPECT_EQ(result, c.result);
            }
            if (c.change)
            {
                EXPECT_EQ(c.change(), c.expected);
            }
        }
    }

    COrgManager& Orgs() { return *dynamic_cast<COrgManager*>(g_MMEngine.m_pOrgManager); }
    int Units(const char* goods) const
    {
        int n = 0;
        for (const SItemRec& e : m_player->m_Garbage.m_Items)
            if (std::strcmp(e.m_szName, goods) == 0) n += e.m_nCount;
        return n;
    }
    int CountThings(const char* type) const
    {
        int n = 0;
        for (CMMObject* o : g_ObjectList.m_Objects)
            if (auto* t = dynamic_cast<CTheThing*>(o);
                t && t->m_bAlive && std::strncmp(t->m_TypeRef, type, sizeof t->m_TypeRef) == 0)
                ++n;
        return n;
    }

    std::unique_ptr<worldtest::CScene> m_scene;
    std::unique_ptr<CMechanoid> m_player;
    std::unique_ptr<CGliderObject> m_glider;
    std::string m_previous;
    bool m_started = false;
};

TEST_F(SampleBuiltIns, EachBuiltInChangesTheSampleWorld)
{
    auto money = [this] { return std::to_string(int(m_player->m_Garbage.m_fMoney)); };
    auto mech = [](const char* id) { return g_pWorld->FindMech(id); };
    auto object = [](const char* id) { return g_ObjectList.FindByGameId(id, 0); };
    auto owner = [](const char* building)
    {
        const SBuildingRecord* r = g_pWorld->FindBuilding(building);
        return r ? std::string(r->owner) : std::string("(no record)");
    };
    auto slot = [this](int entry) { return m_player->m_gEqp.m_Config[entry].m_Key.Index(); };
    auto relation = [this] {
        return Orgs().GetRelation(Orgs().FindByName("ORG_SAMPLE"), Orgs().FindByName("ORG_MERCHANTS"), false);
    };
    const std::int32_t hauler = g_GliderManager.FindName("GL_HAULER");
    ASSERT_GE(hauler, 0);
    auto launcher = [this](int gun)
    {
        const CGun& g = m_glider->m_Guns[gun];
        const char* name = g_MissileManager.GetName(g.m_iMissile);
        return std::string(name ? name : "none") + " " + std::to_string(int(g.m_fAmmo));
    };
    // MECH_B flies a glider of its own.
    CGliderObject other;
    other.Init(CMatrix(1.0f), STypeKey(g_GliderManager.FindName("GL_SAMPLE")));
    CMechanoid otherMechanoid;
    otherMechanoid.InitConfig(g_MechConfigManager.FindName("CFG_SAMPLE_PLAYER"), false);
    other.AssignMechanoid(mech("MECH_B"), &otherMechanoid, false);
    auto target = [&] { return std::string(m_glider->m_pTarget == &other ? "MECH_B's glider" : "another"); };
    auto org = [](const char* name) { return g_pWorld->FindOrganization(name); };
    // The player's record, which keeps the copy of the player's mechanoid.
    auto* const savedMaker = g_pfnCreateWorldMechanoid;
    g_pfnCreateWorldMechanoid = []() -> IWorldMechanoid* { return new CKeptMechanoid; };
    CPlayerMech record;
    std::strcpy(record.m_szId, "PLAYER");
    std::strcpy(record.m_szOrg, "ORG_PLAYER");
    g_pWorld->SetPlayerMech(&record);
    auto gliders = [&]
    {
        auto named = [&](std::int32_t index) { return std::string(index == hauler ? "hauler" : "other"); };
        const auto* kept = static_cast<CKeptMechanoid*>(record.m_pBackup);
        return named(slot(CFG_GLIDER)) + " flying " + named(m_glider->m_Key.Index()) + ", kept " +
               (kept ? named(kept->m_Mechanoid.m_gEqp.m_Config[CFG_GLIDER].m_Key.Index()) : "none");
    };
    auto* stone = dynamic_cast<CStoneObject*>(object("FIRSTSTONE"));
    ASSERT_NE(stone, nullptr);
    const CVector stoneAt = stone->GetPosition();
    auto stoneState = [&]
    {
        const bool ownModel = stone->GetInstance() && stone->GetInstance()->m_iModel == stone->GetModelId();
        return std::string(stone->m_TypeRef) + (ownModel ? " own model" : " old model") +
               ((stone->GetPosition() - stoneAt).LengthSq() == 0.0f ? " in place" : " moved");
    };

    const SRow cases[] = {
        // The player: money, cargo, equipment.
        {7, true, {"1", "250"}, nullptr, money, "1250"},
        {6, true, {"TOV_FOOD", "3"}, nullptr, [&] { return std::to_string(Units("TOV_FOOD")); }, "3"},
        {21, false, {"TOV_FOOD"}, "3", nullptr, ""},
        {22, true, {"TOV_FOOD", "2"}, nullptr, [&] { return std::to_string(Units("TOV_FOOD")); }, "1"},
        {63, true, {"1"}, "GL_SAMPLE", nullptr, ""},
        {63, true, {"8"}, "GUN_BLASTER", nullptr, ""},
        {21, false, {"GUN_BLASTER"}, "1", nullptr, ""},
        {64,
         true,
         {"1", "GL_HAULER"},
         nullptr,
         [&] { return std::to_string(slot(CFG_GLIDER) == hauler); },
         "1"},
        {65, true, {"8"}, nullptr, [&] { return std::to_string(slot(CFG_LIGHTGUN)); }, "-1"},
        {21, false, {"GUN_BLASTER"}, "0", nullptr, ""},
        {64,
         true,
         {"10", "CFG_SAMPLE_PLAYER"},
         nullptr,
         [&] { return std::to_string(slot(CFG_GLIDER) == hauler); },
         "0"},
        {62, true, {}, nullptr, [&] { return std::to_string(m_player->IsDamaged()); }, "0"},
        // Rockets were loaded from the stock; bombs given load the bomb gun.
        {6,
         true,
         {"MIS_BOMB", "4"},
         nullptr,
         [&] { return launcher(2) + ", " + launcher(3); },
         "MIS_ROCKET 20, MIS_BOMB 4"},
        {74, false, {"GUN_BLASTER"}, "1200", nullptr, ""},
        {74, false, {"GL_SAMPLE"}, "10000", nullptr, ""},
        {74, false, {"REACTOR_GLIDER"}, "1500", nullptr, ""},
        {74, false, {"TOV_FOOD"}, "40", nullptr, ""},
        {74, false, {"NOTHING"}, "0", nullptr, ""},
        // A copy kept while the configuration is fitted, and restored.
        {64, true, {"1", "GL_HAULER"}, nullptr, gliders, "hauler flying hauler, kept none"},
        {100, true, {"CFG_SAMPLE_PLAYER"}, nullptr, gliders, "other flying other, kept hauler"},
        {101, true, {}, nullptr, gliders, "hauler flying hauler, kept hauler"},
        {100, true, {"CFG_NONE"}, nullptr, gliders, "hauler flying hauler, kept hauler"},
        // Goods types.
        {29, false, {"TOV_FOOD"}, "40", nullptr, ""},
        {88, false, {"TOV_ORE"}, "2", nullptr, ""},
        {29, false, {"TOV_NONE"}, "999", nullptr, ""},
        {28, true, {"SAMPLE_HALL"}, "TOV_MECHANOID", nullptr, ""},
        // Objects of the location.
        {79,
         true,
         {"SAMPLE_TOWER", "0"},
         nullptr,
         [&] { return std::to_string(dynamic_cast<CTowerObject*>(object("SAMPLE_TOWER"))->IsActive()); },
         "0"},
        {13,
         true,
         {"SAMPLE_CRATE", "TOV_ORE", "4"},
         nullptr,
         [&]
         {
             auto* crate = dynamic_cast<CTheThing*>(object("SAMPLE_CRATE"));
             const SThingContent& c = crate->m_Contents[crate->m_nContents - 1];
             return std::string(c.name) + " " + std::to_string(c.kind) + " " + std::to_string(c.amount);
         },
         "TOV_ORE 0 4"},
        {97, true, {"TOV_FOOD", "3"}, nullptr, [&] { return std::to_string(CountThings("TT_FUNGUS")); }, "3"},
        {10,
         true,
         {"NEW_CRATE", "CONT_SMALL", "GATE"},
         nullptr,
         [&]
         {
             CMMObject* crate = object("NEW_CRATE");
             const CVector at = crate->GetPosition();
             CVector gate;
             g_RoadManager.FindNode("GATE", &gate);
             return std::to_string(crate->m_nType) +
                    (at.x == gate.x && at.y == gate.y ? " at the gate" : " elsewhere");
         },
         "21 at the gate"},
        // Building types: "TYPE", "SUBTYPE"; only the halls can have an owner.
        {56, false, {"SAMPLE_HALL"}, "1", nullptr, ""},
        {56, false, {"STATION_NORTH"}, "13", nullptr, ""},
        {91, false, {"STATION_NORTH"}, "2", nullptr, ""},
        {56, false, {"NO_BUILDING"}, "999", nullptr, ""},
        {91, false, {"SAMPLE_CRATE"}, "999", nullptr, ""},
        {23, true, {"SAMPLE_HALL"}, "SAMPLE_DEPOT", nullptr, ""},
        {23, true, {"SAMPLE_DEPOT"}, "SAMPLE_HALL", nullptr, ""},
        {98, true, {"FIRSTSTONE", "STONE_BIG"}, nullptr, stoneState, "STONE_BIG own model in place"},
        {98,
         true,
         {"STATION_SOUTH", "HOUSE_SMALL"},
         nullptr,
         [&] { return std::string(dynamic_cast<CBuildingObject*>(object("STATION_SOUTH"))->m_szTypeName); },
         "HOUSE_SMALL"},
        {11,
         true,
         {"SAMPLE_CRATE"},
         nullptr,
         [&] { return std::to_string(object("SAMPLE_CRATE")->m_bAlive); },
         "0"},
        {102,
         true,
         {"ORG_MERCHANTS", "SAMPLE_HALL"},
         nullptr,
         [&] { return owner("SAMPLE_HALL"); },
         "ORG_MERCHANTS"},
        {17, true, {"SAMPLE_HALL"}, "ORG_MERCHANTS", nullptr, ""},
        {17, true, {"NO_BUILDING"}, "", nullptr, ""},
        // Mechs.
        {36, true, {"MECH_A"}, "ORG_SAMPLE", nullptr, ""},
        {36, true, {"NOBODY"}, "", nullptr, ""},
        {81,
         true,
         {"MECH_B", "5"},
         nullptr,
         [&] { return std::to_string(mech("MECH_B")->m_nGeneration); },
         "5"},
        // MECH_B is generation 5: MECH_C of the merchants is the only one to win over.
        {30, true, {"ORG_SAMPLE"}, "MECH_C", nullptr, ""},
        {45,
         true,
         {"MECH_A", "ORG_MERCHANTS"},
         nullptr,
         [&] { return std::string(mech("MECH_A")->m_szOrg); },
         "ORG_MERCHANTS"},
        {76,
         true,
         {"MECH_B", "Boris"},
         nullptr,
         [&] { return std::string(mech("MECH_B")->m_szName); },
         "Boris"},
        {78, true, {"MECH_B"}, nullptr, target, "MECH_B's glider"},
        {31, false, {"MECH_B"}, "0", nullptr, ""},
        {31, false, {"NOBODY"}, "999", nullptr, ""},
        {14, false, {"ORG_MERCHANTS"}, "0", nullptr, ""},
        {39, false, {"MECH_C"}, "4", nullptr, ""},
        {39, false, {"NOBODY"}, "999", nullptr, ""},
        // Of the merchants only MECH_D (level 5) counts: it waits in a building.
        {15, false, {"ORG_MERCHANTS"}, "5", nullptr, ""},
        {93, false, {"SAMPLE_HALL", "ORG_MERCHANTS"}, "1", nullptr, ""},
        {93, false, {"SAMPLE_HALL", "ORG_SAMPLE"}, "0", nullptr, ""},
        {15, false, {"ORG_NONE"}, "0", nullptr, ""},
        {14, false, {"ORG_NONE"}, "1", nullptr, ""},
        // Organisations.
        {68,
         true,
         {"ORG_SAMPLE", "ORG_MERCHANTS", "5"},
         nullptr,
         [&] { return std::to_string(int(relation() * 10.0f + 0.5f)); },
         "5"},
        {57, false, {"ORG_SAMPLE", "ORG_MERCHANTS"}, "5", nullptr, ""},
        {57, false, {"ORG_SAMPLE", "ORG_NONE"}, "0", nullptr, ""},
        {82,
         true,
         {"ORG_SAMPLE", "MECH_B"},
         nullptr,
         [&] { return std::string(org("ORG_SAMPLE")->GetLeaderId()); },
         "MECH_B"},
        {82,
         true,
         {"ORG_SAMPLE", ""},
         nullptr,
         [&] { return std::string(org("ORG_SAMPLE")->GetLeaderId()); },
         ""},
        {99,
         true,
         {"ORG_SAMPLE", "7", "0"},
         nullptr,
         [&] { return std::to_string(int(org("ORG_SAMPLE")->GetStatValue())); },
         "7"},
        {99,
         true,
         {"ORG_SAMPLE", "5", "01"},
         nullptr,
         [&] { return std::to_string(int(org("ORG_SAMPLE")->GetStatValue())); },
         "12"},
        {99,
         true,
         {"ORG_SAMPLE", "-2", "1"},
         nullptr,
         [&] { return std::to_string(int(org("ORG_SAMPLE")->GetStatValue())); },
         "-2"},
    };
    RunRows(cases);
    EXPECT_EQ(Call(34, true, {}), std::string(g_pWorld->m_szLocationName));
    mech("MECH_B")->m_pObject = nullptr;
    m_glider->m_pTarget = nullptr;
    g_pWorld->SetPlayerMech(nullptr);
    g_pfnCreateWorldMechanoid = savedMaker;

    const std::string log = Log();
    // The two names that found nothing, and nothing else.
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2) << log;
    EXPECT_NE(log.find("GETCLANRELATION Organization: 'ORG_NONE' not found"), std::string::npos) << log;
    EXPECT_NE(log.find("SCRIPT:INSTALLEQUIPLAYER config CFG_NONE not found"), std::string::npos) << log;
}

TEST_F(SampleBuiltIns, TheLocationsGroupsThroughScripts)
{
    RegisterGroupMaker();
    ASSERT_EQ(CreateLocationGroups(), 2);
    CMechGroup2* guard = g_MechGroupList2.FindGroup("GUARD1");
    CMechGroup2* patrol = g_MechGroupList2.FindGroup("PATROL1");
    ASSERT_TRUE(guard && patrol && g_pPlayerGroup);
    ASSERT_EQ(guard->GetMemberCount(), 2);
    const std::string g0 = guard->GetMember(0)->m_szId, g1 = guard->GetMember(1)->m_szId;
    const std::string p0 = patrol->GetMember(0)->m_szId;
    CMech* follower = g_pWorld->FindMech("MECH_A"); // ORG_SAMPLE
    ASSERT_TRUE(g_pPlayerGroup->AddMech(follower));
    const std::int32_t hall = g_RoadManager.FindRoadNode("SAMPLE_HALL");
    ASSERT_GE(hall, 0);
    const int groups = g_MechGroupList2.GetCount();

    auto relation = [&]
    { return std::to_string(int(guard->GetGroupAI()->GetRelation(patrol) * 10.0f + 0.5f)); };
    auto visibility = [&]
    { return std::to_string(guard->m_bVisible) + " " + std::to_string(guard->m_nVisible); };
    const CVector hallAt = g_RoadManager.m_Nodes[std::size_t(hall)].position;
    auto guarding = [&]
    {
        const CGroupAI& ai = *guard->GetGroupAI();
        const auto inside = std::count_if(
            ai.m_Route.begin(), ai.m_Route.end(),
            [&](std::int32_t n)
            { return (g_RoadManager.m_Nodes[std::size_t(n)].position - hallAt).Length() < 5000.0f; });
        return std::string(!ai.m_Route.empty() && ai.m_Route[0] == hall ? "from the hall, " : "elsewhere, ") +
               std::to_string(ai.m_Route.size()) + " nodes, " + std::to_string(inside) + " within 5000" +
               (ai.m_nMode == CGroupAI::MODE_MOVE && !ai.m_bStopAtEnd ? ", moving" : ", stopping");
    };
    const SRow cases[] = {
        {61, false, {g0}, "2", nullptr, ""},
        {71, false, {"GUARD1"}, "0", nullptr, ""},
        {71, false, {"NO_GROUP"}, "1", nullptr, ""},
        {69, true, {g0, p0, "5", "1"}, nullptr, relation, "5"},
        {103, false, {g0, p0}, "5", nullptr, ""},
        {44, true, {g0, "1"}, nullptr, [&] { return std::to_string(guard->GetGroupAI()->m_bAssigned); }, "1"},
        {44, true, {g0, "0"}, nullptr, [&] { return std::to_string(guard->GetGroupAI()->m_bAssigned); }, "0"},
        {59,
         true,
         {g0, "SAMPLE_HALL"},
         nullptr,
         [&]
         {
             const std::vector<std::int32_t>& route = guard->GetGroupAI()->m_Route;
             return std::string(!route.empty() && route.back() == hall ? "to the hall" : "elsewhere");
         },
         "to the hall"},
        {60, true, {g0, "1"}, nullptr, visibility, "0 0"},
        {60, true, {g0, "0"}, nullptr, visibility, "1 1"},
        {77,
         true,
         {"GUARD1", "SAMPLE_HALL"},
         nullptr,
         guarding,
         "from the hall, 10 nodes, 10 within 5000, moving"},
        {72, false, {""}, "1", nullptr, ""},
        {72, false, {"ORG_SAMPLE"}, "1", nullptr, ""},
        {72, false, {"ORG_MERCHANTS"}, "0", nullptr, ""},
        {45,
         true,
         {p0, "ORG_MERCHANTS"},
         nullptr,
         [&] { return std::string(patrol->m_szOrg) + (patrol->m_pOrg ? " (known)" : ""); },
         "ORG_MERCHANTS (known)"},
        {43,
         true,
         {g1},
         nullptr,
         [&]
         {
             const CMech* gone = g_pWorld->FindMech(g1.c_str());
             return std::to_string(guard->GetMemberCount()) + " " + std::to_string(gone->m_bAlive) +
                    (gone->m_pGroup ? " grouped" : "");
         },
         "1 0"},
        {61, false, {g0}, "1", nullptr, ""},
        {58,
         true,
         {"GUARD1", "", "0"},
         nullptr,
         [&] { return std::to_string(g_MechGroupList2.GetCount() - groups); },
         "1"},
        {42,
         true,
         {"LONER", "SAMPLE_HALL", "MECH_PATROL"},
         nullptr,
         [&]
         {
             const CMech* loner = g_pWorld->FindMech("LONER");
             const CMechGroup2* own = loner ? GetMechGroup(loner) : nullptr;
             if (!own) return std::string("no group");
             // A system point of the name comes before the road node: the
             // sample's start point named after the hall.
             const CSysObject* start = g_ObjectList.FindSysObject("SAMPLE_HALL", 0);
             if (!start) return std::string("no start point");
             const CVector d = own->m_vCentre - start->m_Frame.m_vPosition;
             return std::string(own->m_szName) + " " + own->m_szOrg + " " +
                    std::to_string(own->GetMemberCount()) +
                    (d.LengthSq() == 0.0f ? " at the hall's start point" : " elsewhere") +
                    (loner->m_pMechanoid ? " fitted" : "");
         },
         "LONER ORG_FREE 1 at the hall's start point fitted"},
        {61, false, {"LONER"}, "1", nullptr, ""},
    };
    RunRows(cases);
    EXPECT_EQ(Log(), "");

    // The guards move in their zone from a node to a linked node of it: a
    // road guard, a hunter, reaches its post and holds it.
    CGroupAI& guardAI = *guard->GetGroupAI();
    int steps = 0;
    for (int i = 0; i < 20; ++i)
    {
        const std::int32_t from = guardAI.m_nCurrentRoad;
        guardAI.GetNextRoadItem();
        const std::int32_t to = guardAI.m_nCurrentRoad;
        if (to == from) continue;
        ++steps;
        const CRoadManager::SNode& node = g_RoadManager.m_Nodes[std::size_t(from)];
        EXPECT_NE(std::find(node.links, node.links + node.linkCount, to), node.links + node.linkCount)
            << from << " -> " << to;
        EXPECT_TRUE(guardAI.IsOnRoute(to)) << to;
    }
    EXPECT_GE(steps, 1);

    const struct
    {
        int number;
        bool text;
        std::vector<std::string> args;
        const char* line;
    } missing[] = {
        {44, true, {"NOBODY", "1"}, "AssignGliderToPlayer mech 'NOBODY'not found"},
        {42,
         true,
         {"LONER2", "SAMPLE_HALL", "CFG_NONE"},
         "SCRIPT:CREATEMECH glider config 'CFG_NONE' not found"},
        {42, true, {"LONER2", "NOWHERE", "MECH_PATROL"}, "SCRIPT:CREATEMECH pointer not found NOWHERE"},
        {42, true, {"LONER", "SAMPLE_HALL", "MECH_PATROL"}, "SCRIPT:CREATEMECH mech 'LONER' exists already"},
        {43, true, {"NOBODY"}, "DeleteMech mech 'NOBODY'not found"},
        {58, true, {"NO_DESC", "", "0"}, "SCRIPT_CREATEGROUP group 'NO_DESC' not found"},
        {59, true, {"NOBODY", "GATE"}, "SCRIPT:GLIDERGO Mech 'NOBODY' not found"},
        {59, true, {g0, "NO_ROAD"}, "SCRIPT:GLIDERGO Road 'NO_ROAD' not found"},
        {61, false, {"NOBODY"}, "SCRIPT:GETGROUPCOUNT Mech 'NOBODY' not found"},
        {69, true, {g0, "NOBODY", "5", "1"}, "SCRIPT:GLIDERINVIS Mech 'NOBODY' not found"},
        {103, false, {"NOBODY", g0}, "SCRIPT:GLIDERINVIS Mech 'NOBODY' not found"},
        {60, true, {"NOBODY", "1"}, "SCRIPT:GLIDERINVIS Mech 'NOBODY' not found"},
        {60, true, {"MECH_C", "1"}, "SCRIPT:GLIDERINVIS Mech 'MECH_C' not found"}, // in no group
        {77, true, {"NO_GROUP", "GATE"}, "SCRIPT:SETMECHGUARD mech group 'NO_GROUP' not found."},
        {77,
         true,
         {"GUARD1", "NO_ROAD"},
         "SCRIPT:SETMECHGUARD road 'NO_ROAD' not found: group 'GUARD1' not sent"},
    };
    const std::vector<std::int32_t> guarded = guard->GetGroupAI()->m_Route;
    for (const auto& c : missing)
    {
        Call(c.number, c.text, c.args);
        EXPECT_TRUE(Logged(c.line)) << c.line;
    }
    EXPECT_EQ(relation(), "5");
    EXPECT_EQ(guard->GetGroupAI()->m_Route, guarded);
    EXPECT_EQ(g_pWorld->FindMech("LONER2"), nullptr);

    g_pPlayerGroup->RemoveMech(follower);
    g_MechGroupList2.Clear();
    g_pfnCreateGroup = nullptr;
    g_pfnRunGroups = nullptr;
    g_pfnMechKilled = nullptr;
}

// The game's event sink, recording the script events the world raises.
class CRecordingSink : public IMMAppEvent
{
public:
    void OnScriptEvent(const char* object, const char* event, const char argument[32]) override
    {
        m_Events.push_back(std::string(object) + " " + event + " " + argument);
    }
    std::vector<std::string> m_Events;
};

TEST_F(SampleBuiltIns, NamesPointsAndConvictionAttempts)
{
    EXPECT_EQ(Call(54, true, {"GATE_*"}), "GATE_EAST"); // a system point
    EXPECT_EQ(Call(54, true, {"ROAD5*"}), "ROAD5");     // a road node
    EXPECT_EQ(Call(54, true, {"NOWHERE*"}), "");
    const std::string name = Call(40, true, {});
    EXPECT_FALSE(name.empty());
    EXPECT_EQ(g_pWorld->FindMech(name.c_str()), nullptr);

    // Every mech that may change sides and is not the merchants' own is
    // offered to them: MECH_A only (MECH_B is a leader, MECH_D waits in the hall).
    g_pWorld->FindMech("MECH_B")->m_nGeneration = 5;
    CRecordingSink sink;
    g_pAppEvent = &sink;
    Call(92, true, {"", "ORG_MERCHANTS"});
    g_pAppEvent = nullptr;
    EXPECT_EQ(sink.m_Events, std::vector<std::string>{"MECH_A OnTryConvict ORG_MERCHANTS"});
    EXPECT_EQ(Log(), "");
}

TEST_F(SampleBuiltIns, TheSampleHallsFinaleEndsTheGame)
{
    m_manager->SetBaseDirectory((std::string(std::getenv("TARVOX_SAMPLE_DIR")) + "\\").c_str());
    Orgs().SetRelation(Orgs().FindByName("ORG_SAMPLE"), Orgs().FindByName("ORG_MERCHANTS"), -0.3f, true,
                       false);
    builtintest::g_seam.clear();
    const char* relation = m_manager->RunScriptProc("sample_hall", "OnSampleFinale", "WORLD", false, nullptr);
    EXPECT_STREQ(relation, "-3");
    EXPECT_EQ(builtintest::g_seam, (std::vector<std::string>{"video SAMPLE_END", "end 10"}));
    EXPECT_EQ(Log(), "");
}

TEST_F(SampleBuiltIns, DamageReachesAMechsGliderAndKillsTheMech)
{
    CGliderObject glider;
    glider.Init(CMatrix(1.0f), STypeKey(g_GliderManager.FindName("GL_SAMPLE")));
    CMechanoid mechanoid;
    mechanoid.InitConfig(g_MechConfigManager.FindName("CFG_SAMPLE_PLAYER"), false);
    CMech* mech = g_pWorld->FindMech("MECH_B");
    glider.AssignMechanoid(mech, &mechanoid, false);
    const float whole = mechanoid.GetShield(1) + mechanoid.GetArmor(1);

    Call(80, true, {"MECH_B", "5.5"});
    EXPECT_LT(mechanoid.GetShield(1) + mechanoid.GetArmor(1), whole);
    EXPECT_EQ(mech->m_bDead, 0);
    Call(80, true, {"MECH_B", "10000000"});
    EXPECT_TRUE(mechanoid.IsKilled());
    EXPECT_EQ(mech->m_bDead, 1);
    Call(80, true, {"NOBODY", "1"});
    EXPECT_TRUE(Logged("SCRIPT:DAMAGEGLIDER mech 'NOBODY' not found"));
    mech->m_pObject = nullptr;
}

TEST_F(SampleBuiltIns, RepairMendsThePlayersMechanoidAndGlider)
{
    ASSERT_EQ(m_player->m_lpObject, m_glider.get());
    float armour = 0.0f, shield = 0.0f;
    m_player->Damage(50.0f, false, &armour, &shield);
    ASSERT_TRUE(m_player->IsDamaged());
    m_glider->m_PartDamage[1] = 0.5f;
    m_glider->m_dwBrokenParts = 0x5;
    m_glider->m_bDestroyed = 1;
    m_glider->m_bActive = 0;
    m_glider->m_bChanged = 0;
    Call(62, true, {});
    EXPECT_FALSE(m_player->IsDamaged());
    EXPECT_EQ(std::count(std::begin(m_glider->m_PartDamage), std::end(m_glider->m_PartDamage), 0.0f),
              std::size(m_glider->m_PartDamage));
    EXPECT_EQ(m_glider->m_dwBrokenParts, 0u);
    EXPECT_EQ(m_glider->m_bDestroyed, 0);
    EXPECT_EQ(m_glider->m_bActive, 1);
    EXPECT_EQ(m_glider->m_bChanged, 1);
    EXPECT_EQ(Log(), "");
}

TEST_F(SampleBuiltIns, RelationsAreClampedToTenEitherWay)
{
    const std::int32_t a = Orgs().FindByName("ORG_SAMPLE");
    const std::int32_t b = Orgs().FindByName("ORG_MERCHANTS");
    const struct
    {
        float relation;
        const char* answer;
    } cases[] = {{1.5f, "10"}, {-3.0f, "-10"}, {0.55f, "5"}, {-0.55f, "-5"}, {1.0f, "10"}};
    for (const auto& c : cases)
    {
        std::fill(Orgs().m_Current.begin(), Orgs().m_Current.end(), c.relation);
        ASSERT_FLOAT_EQ(Orgs().GetRelation(a, b, false), c.relation);
        EXPECT_EQ(Call(57, false, {"ORG_SAMPLE", "ORG_MERCHANTS"}), c.answer) << c.relation;
    }
}

TEST_F(SampleBuiltIns, GuardsEndCleanlyWithOneLine)
{
    // No goods type left that the hall lacks.
    SExBuildingTrade* hall = g_pTrade->FindBuilding("SAMPLE_HALL");
    ASSERT_NE(hall, nullptr);
    STradeGood mechanoids;
    std::strcpy(mechanoids.m_szName, "TOV_MECHANOID");
    mechanoids.m_fUnitMass = 50.0f;
    mechanoids.m_fStock = 500.0f;
    hall->m_Goods.push_back(mechanoids);
    EXPECT_EQ(Call(28, true, {"SAMPLE_HALL"}), "");
    EXPECT_TRUE(Logged("SCRIPT: building 'SAMPLE_HALL' holds every goods type: no goods to name"));

    // No road nodes: nothing spawned.
    const std::vector<CRoadManager::SNode> roads = g_RoadManager.m_Nodes;
    g_RoadManager.m_Nodes.clear();
    Call(97, true, {"TOV_FOOD", "3"});
    g_RoadManager.m_Nodes = roads;
    EXPECT_EQ(CountThings("TT_FUNGUS"), 0);
    EXPECT_TRUE(Logged("SCRIPT: the location has no road nodes: no 'TOV_FOOD' spawned"));

    // A thing holds ten contents: the eleventh is refused.
    auto* crate = dynamic_cast<CTheThing*>(g_ObjectList.FindByGameId("SAMPLE_CRATE", 0));
    ASSERT_NE(crate, nullptr);
    for (int i = 0; i < 11; ++i)
        Call(13, true, {"SAMPLE_CRATE", "TOV_ORE", "1"});
    EXPECT_EQ(crate->m_nContents, 10u);
    EXPECT_TRUE(Logged("thing 'SAMPLE_CRATE' already holds 10 entries; 'TOV_ORE' is refused"));

    // No other building that can have an owner.
    for (std::int32_t i = 0; SBuildingType* kind = g_BuildingManager.GetKindForEdit(i); ++i)
        kind->m_nCluster = 0;
    EXPECT_EQ(Call(23, true, {"SAMPLE_HALL"}), "");

    // Names that find nothing.
    const struct
    {
        int number;
        std::vector<std::string> args;
        const char* line;
    } missing[] = {
        {11, {"no_object"}, "SCRIPT:DeleteObject: object not found 'no_object'"},
        {79, {"no_tower", "1"}, "SCRIPT:SETTOWERACTIVE Tower not 'no_tower' found"},
        {81, {"NOBODY", "2"}, "SCRIPT:SETMECHGEN mech 'NOBODY'  not found"},
        {45, {"NOBODY", "ORG_SAMPLE"}, "AssignGliderToPlayer mech 'NOBODY' or org not found"},
        {68, {"ORG_NONE", "ORG_SAMPLE", "3"}, "GETCLANRELATION Organization: ORG_NONE not found"},
        {64, {"10", "CFG_NONE"}, "SCRIPT:INSTALLEQUIPLAYER config CFG_NONE not found"},
        {6, {"TOV_FOOD", "0"}, "CMMScriptManager::AddObject invalid number of objects"},
        {10, {"NEW_ONE", "CONT_SMALL", "NOWHERE"}, "SCRIPT:CreateObjectAt: pointer not found 'NOWHERE'"},
        {10, {"NEW_ONE", "NO_TYPE", "GATE"}, "SCRIPT:CreateObjectAt: object type not found 'NO_TYPE'"},
        {12, {"no_post", "no_post", "1"}, "SCRIPT:SetBoundBetween: object not found 'no_post'"},
        {78, {"NOBODY"}, "SCRIPT:SETTARGET mech 'NOBODY'."},
        {82, {"ORG_NONE", ""}, "SCRIPT:SETCLANLIDER org 'ORG_NONE' not found"},
        {82, {"ORG_SAMPLE", "NOBODY"}, "SCRIPT:SETCLANLIDER mech 'NOBODY' not found"},
        {99, {"ORG_NONE", "1", "0"}, "SCRIPT:SETECONOMICS organization 'ORG_NONE' not found"},
        {98, {"FIRSTSTONE", "NO_TYPE"}, "SCRIPT: 'NO_TYPE' is no stone type: 'FIRSTSTONE' left as it is"},
        {98, {"SAMPLE_CRATE", "STONE_BIG"}, "SCRIPT: no stone or building 'SAMPLE_CRATE' to re-initialise"},
    };
    for (const auto& c : missing)
    {
        Call(c.number, true, c.args);
        EXPECT_TRUE(Logged(c.line)) << c.line;
    }
    EXPECT_EQ(Units("TOV_FOOD"), 0);
    EXPECT_STREQ(dynamic_cast<CStoneObject*>(g_ObjectList.FindByGameId("FIRSTSTONE", 0))->m_TypeRef,
                 "STONE_BOX");
    EXPECT_STREQ(g_pWorld->FindOrganization("ORG_SAMPLE")->GetLeaderId(), "");
}

} // namespace
