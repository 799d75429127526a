// The sample location's self-acting machines and the console line's
// developer commands, in the game application over the sample tree: the
// hall's gatherer fetches the mechanoids of a container and brings them
// home; the two stations' capsules shuttle between them; "JUMP TO" and "GO"
// typed in a console line move the player's glider.
#include "common/GameDriver.h"

#include "location/Location.h"
#include "ui/menu/HtmlControl.h"
#include "units/BuildingObject.h"
#include "units/CapsuleObject.h"
#include "units/GathererObject.h"
#include "units/KindManagers.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "world/KindManagers.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/ObjectList.h"
#include "world/TheThing.h"
#include "world/World.h"

#include "SampleAppTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace
{

class SampleMachines : public apptest::CRunningAppTest
{
protected:
    // The free camera over a point, looking at it from the south.
    static void LookAt(const CVector& p)
    {
        gametest::g_GameDriver.SetFreeCamera(true);
        gametest::g_GameDriver.m_fHeading = 0.0f;
        gametest::g_GameDriver.m_vPosition = CVector{p.x, p.y - 300.0f, p.z + 150.0f};
        gametest::g_GameDriver.m_fPitch = -0.4f;
    }
    template <class T> static std::vector<T*> All(int type)
    {
        SPointerArray<CMMObject> all;
        g_ObjectList.GetObjectList(type, all);
        std::vector<T*> out;
        for (int i = 0; i < all.count; ++i)
            if (auto* o = dynamic_cast<T*>(all.items[i])) out.push_back(o);
        return out;
    }
};

} // namespace

TEST_F(SampleMachines, TheHallsGathererFetchesAContainersMechanoidsAndBringsThemHome)
{
    // The world gives buildings their gatherers on maps of 1024 vertices
    // or more: the sample's small map gets them as a big one would. The
    // hall's, the depot's and the east tunnel's (a tunnel building has one).
    ASSERT_TRUE(All<CGathererObject>(OBJ_GATHERER).empty());
    CGathererManager::CreateForGame();
    const std::vector<CGathererObject*> gatherers = All<CGathererObject>(OBJ_GATHERER);
    ASSERT_EQ(gatherers.size(), 3u);
    const auto home = std::ranges::find_if(gatherers, [](const CGathererObject* o)
                                           { return std::strcmp(o->m_szGameId, "SAMPLE_HALL") == 0; });
    ASSERT_NE(home, gatherers.end());
    CGathererObject* g = *home;
    CMMObject* hall = g_ObjectList.FindByGameId("SAMPLE_HALL", OBJ_BUILDING);
    ASSERT_EQ(g->m_pHome, hall);
    EXPECT_EQ(g->m_nState, 2);

    // The remains of a glider lost 200 s ago, 250 units east of the hall.
    CWorld* world = g_MMEngine.m_pWorld;
    ASSERT_NE(world, nullptr);
    CMech* lost = world->AddMech("RESCUED_PILOT");
    CVector at = hall->GetPosition() + CVector{250.0f, 0.0f, 0.0f};
    at.z = g_Location.GetHeight(at) + 1.0f;
    CMatrix m(1.0f);
    m.SetTranslation(at);
    auto* container = dynamic_cast<CTheThing*>(g_ThingManager.CreateObject("", &m, "REMAINS"));
    ASSERT_NE(container, nullptr);
    ASSERT_EQ(container->m_nKind, CTheThing::kKindMechmind);
    container->m_fAge = 200.0f;
    container->AddContent(2, "RESCUED_PILOT", 1);
    // The sample's patrols fly over the hall's square and would take the
    // pilot aboard themselves on some runs: only the player may.
    container->m_bPlayerOnly = 1;
    LookAt(hall->GetPosition());
    g->m_fSearchTimer = 0.0f;

    std::vector<int> states{g->m_nState};
    for (int i = 0; i < 6000 && !(states.size() > 1 && g->m_nState == 2); ++i)
    {
        ASSERT_TRUE(Frame());
        if (g->m_nState != states.back()) states.push_back(g->m_nState);
    }
    std::string seen;
    for (int s : states)
        seen += std::to_string(s);
    // To the container, down onto it, the mechanoid aboard, up, home.
    EXPECT_EQ(seen, "2157632");
    EXPECT_EQ(lost->m_bInBuilding, 1);
    EXPECT_STREQ(lost->m_szBuilding, "SAMPLE_HALL");
    EXPECT_EQ(g->m_nCarried, 0);
    EXPECT_EQ(g_ObjectList.FindByGameId("REMAINS", OBJ_THING), nullptr) << "the emptied container is gone";
}

TEST_F(SampleMachines, TwoCapsulesShuttleBetweenTheStations)
{
    const std::vector<CCapsuleObject*> capsules = All<CCapsuleObject>(OBJ_CAPSULE);
    ASSERT_EQ(capsules.size(), 2u);
    auto* south = dynamic_cast<CBuildingObject*>(g_ObjectList.FindByGameId("STATION_SOUTH", OBJ_BUILDING));
    auto* north = dynamic_cast<CBuildingObject*>(g_ObjectList.FindByGameId("STATION_NORTH", OBJ_BUILDING));
    ASSERT_NE(south, nullptr);
    ASSERT_NE(north, nullptr);
    // One each way, from a station's track start (INTO) to the other's
    // track end (INTO1), 30 units beside the stations: two tracks.
    CBuildingObject* from[2] = {south, north};
    CBuildingObject* to[2] = {north, south};
    for (int i = 0; i < 2; ++i)
    {
        SCOPED_TRACE(i);
        const CVector start = capsules[std::size_t(i)]->m_vStart, end = capsules[std::size_t(i)]->m_vEnd;
        EXPECT_NEAR((start - from[i]->GetEntrancePoint(0)).Length(), 0.0f, 0.01f);
        EXPECT_NEAR((end - to[i]->GetEntrancePoint(1)).Length(), 0.0f, 0.01f);
        EXPECT_NEAR(std::abs(start.x - from[i]->GetPosition().x), 30.0f, 0.01f);
        EXPECT_NEAR(start.x, end.x, 0.01f);
    }
    EXPECT_NEAR(std::abs(capsules[0]->m_vStart.x - capsules[1]->m_vStart.x), 60.0f, 0.01f);

    // Along its track each runs past the far station and comes back to the
    // start, more than once.
    LookAt((south->GetPosition() + north->GetPosition()) * 0.5f);
    float was[2] = {0.0f, 0.0f}, farthest[2] = {0.0f, 0.0f};
    int returns[2] = {0, 0};
    for (int f = 0; f < 400; ++f)
    {
        ASSERT_TRUE(Frame());
        for (std::size_t i = 0; i < 2; ++i)
        {
            const CCapsuleObject& c = *capsules[i];
            const CVector track = c.m_vEnd - c.m_vStart;
            const float along = Dot(c.GetPosition() - c.m_vStart, track) / track.Length();
            farthest[i] = std::max(farthest[i], along);
            if (along < was[i] - 100.0f) ++returns[i];
            was[i] = along;
        }
    }
    for (std::size_t i = 0; i < 2; ++i)
    {
        SCOPED_TRACE(i);
        const float length = (capsules[i]->m_vEnd - capsules[i]->m_vStart).Length();
        EXPECT_GT(farthest[i], length);
        EXPECT_GE(returns[i], 1);
    }
}

TEST_F(SampleMachines, TheConsoleLineJumpsToABuildingAndGoesToAMechanoid)
{
    CGliderObject* player = gametest::g_GameDriver.GetPlayerGlider();
    ASSERT_NE(player, nullptr);
    CHtmlControl console(0, 0, 300, 200, nullptr);
    const CVector before = player->GetPosition();

    // Names that match nothing, or too long, change nothing and say nothing.
    for (const char* line :
         {"jump to nowhere", "jump to sample_hall_and_a_name_past_31_chars", "go nobody", "go sample_hall"})
    {
        SCOPED_TRACE(line);
        console.ExecuteCommand(line);
        EXPECT_EQ(g_MMEngine.m_pBuilding, nullptr);
        EXPECT_EQ(g_MMEngine.m_bInBuilding, 0);
        EXPECT_EQ((player->GetPosition() - before).Length(), 0.0f);
    }

    // The hall becomes the current building and the game cycle ends as
    // on entering it: the application opens the hall's building menu, and
    // the player leaving it by the exit tab comes out at its door.
    auto* hall = dynamic_cast<CBuildingObject*>(g_ObjectList.FindByGameId("SAMPLE_HALL", OBJ_BUILDING));
    ASSERT_NE(hall, nullptr);
    console.ExecuteCommand(" Jump To Sample_Hall ");
    EXPECT_EQ(g_MMEngine.m_pBuilding, hall);
    EXPECT_STREQ(g_MMEngine.m_szBuildingId, "SAMPLE_HALL");
    EXPECT_EQ(g_MMEngine.m_bLeaveCycle, 1);
    EXPECT_EQ(g_MMEngine.m_nExitReason, CMMApp::kExitBuilding);
    m_Menus.m_Script = [&](IUI& screen, int pass) { m_Menus.ClickExitTab(screen, pass); };
    ASSERT_TRUE(Frame());
    EXPECT_EQ(m_Menus.m_nMenus, 1);
    EXPECT_EQ(m_Menus.m_nResult, 1000);
    EXPECT_EQ(g_MMEngine.m_bInBuilding, 0);
    const CVector at = hall->GetPosition(), out = player->GetPosition();
    EXPECT_NEAR(out.x, at.x, 6.0f);
    EXPECT_LT(out.y, at.y - 35.0f);
    EXPECT_GT(out.y, at.y - 100.0f);

    // A glider of the world's mech PILOT: the player 20 above it; not once
    // the mech is dead.
    CMech* pilot = g_MMEngine.m_pWorld->AddMech("PILOT");
    CMatrix m(1.0f);
    m.SetTranslation(CVector{1500.0f, 1500.0f, 80.0f});
    auto* glider = new CGliderObject;
    glider->Init(m, player->m_pMechanoid->m_gEqp.m_Config[CFG_GLIDER].m_Key);
    glider->m_pMech = pilot;
    g_ObjectList.AddObject(glider);
    pilot->m_bDead = 1;
    console.ExecuteCommand("go pilot");
    EXPECT_NEAR((player->GetPosition() - out).Length(), 0.0f, 0.01f);
    pilot->m_bDead = 0;
    console.ExecuteCommand("go pilot ");
    const CVector p = player->GetPosition();
    EXPECT_NEAR(p.x, 1500.0f, 0.01f);
    EXPECT_NEAR(p.y, 1500.0f, 0.01f);
    EXPECT_NEAR(p.z, 100.0f, 0.01f);
}
