// Travel through the sample's tunnels in the application over the sample
// tree: the player goes into the first location's tunnel building, picks
// the second location on the tunnel console and sends the glider there;
// the application leaves the location (its state stored), prepares the
// second one with the player's mechanoid, money and cargo, and the way back
// through the second location's tunnel finds the first location's objects
// as they were left.
#include "app/GameData.h"
#include "consoles/GCTunnel.h"
#include "menus/UIMenu.h"
#include "units/BuildingObject.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "ui/markup/HTMLObject.h"
#include "ui/markup/HTMLWnd.h"
#include "world/Mech.h"
#include "world/MMEngine.h"
#include "world/ObjectList.h"
#include "world/World.h"

#include "SampleAppTest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace
{

class TunnelTravel : public apptest::CRunningAppTest
{
protected:
    static std::int32_t Food(const CMechanoid& m)
    {
        std::int32_t n = 0;
        for (const SItemRec& e : m.m_Garbage.m_Items)
            if (std::string(e.m_szName) == "TOV_FOOD") n += e.m_nCount;
        return n;
    }
    static std::set<std::string> MechIds()
    {
        std::set<std::string> ids;
        for (const CMech* m : g_pWorld->m_Mechs)
            if (m != g_pWorld->GetPlayerMech()) ids.insert(m->m_szId);
        return ids;
    }
    // Into the tunnel building; on its console the destination's line and
    // then the journey's link; the application leaves the location and
    // prepares the destination as its main loop does.
    ::testing::AssertionResult Travel(const char* tunnelId, const char* destination)
    {
        auto* tunnel = dynamic_cast<CBuildingObject*>(g_ObjectList.FindByGameId(tunnelId, OBJ_BUILDING));
        CGliderObject* glider = g_pPlayerGlider;
        if (!tunnel || !glider || !g_pBuildingHost)
            return ::testing::AssertionFailure() << "no tunnel building " << tunnelId << " or no glider";
        int index = -1;
        for (std::uint32_t i = 0; i < g_GameData.m_LocInfo.count; ++i)
            if (std::strcmp(g_GameData.m_LocInfo.data[i].location, destination) == 0) index = int(i);
        bool listed = false;
        m_Menus.m_Script = [&](IUI& screen, int pass)
        {
            auto* host = dynamic_cast<CTunnelUI*>(&screen);
            auto* console = host ? dynamic_cast<CGCTunnel*>(host->GetConsole(CUIMenu::kTabTunnel)) : nullptr;
            if (!console)
            {
                ADD_FAILURE() << "the tunnel building's menu has no tunnel console";
                m_Menus.ClickExitTab(screen, pass);
                return;
            }
            if (pass != 1) return;
            const CHTMLObject* list = console->GetList()->GetDocument();
            listed = list && list->GetBlockCount() > 0;
            console->GetList()->m_sNotifyTarget = "Loc" + std::to_string(index);
            console->OnCommand(CHTMLWnd::kNotifyLink, 0);
            console->GetText()->m_sNotifyTarget = "sendto";
            console->OnCommand(CHTMLWnd::kNotifyLink, 0);
        };
        g_pBuildingHost->OnEnterBuilding(*tunnel, *glider);
        // The building's menu, then the journey's exit on the cycle's next
        // pass.
        for (int exits = 0; exits < 2 && g_MMEngine.m_bLeaveCycle; ++exits)
            m_App.HandleCycleExit(1, false);
        m_Menus.m_Script = nullptr;
        if (!listed) return ::testing::AssertionFailure() << "the tunnel console listed no location";
        if (m_Menus.m_nResult != CUIMenu::kResultTunnel || m_App.m_nGameMode != CMMApp::kModeTunnelJourney)
            return ::testing::AssertionFailure()
                   << "no journey: menu result " << m_Menus.m_nResult << ", mode " << m_App.m_nGameMode;
        m_App.CloseGame();
        m_App.m_nQuit = 0;
        if (!m_App.PrepareGame() || !gametest::g_GameDriver.IsEntered())
            return ::testing::AssertionFailure() << destination << " was not entered: " << Tree().ErrorLog();
        if (std::string(g_pWorld->m_szLocationName) != destination)
            return ::testing::AssertionFailure() << "arrived in " << g_pWorld->m_szLocationName;
        g_pRenderer->PreLoad();
        // The destination runs.
        if (!Frame()) return ::testing::AssertionFailure() << "no frame in " << destination;
        return ::testing::AssertionSuccess();
    }
};

TEST_F(TunnelTravel, ToTheSecondLocationAndBackWithTheMechanoidMoneyAndCargo)
{
    CMechanoid* player = g_pPlayerGlider->m_pMechanoid;
    ASSERT_NE(player, nullptr);
    player->m_Garbage.m_fMoney = 12345.0f;
    SGoodsItem food;
    std::strcpy(food.m_szName, "TOV_FOOD");
    food.m_nCount = 4;
    player->m_Garbage.AddGoods(food, ITEM_GOODS, false);
    const std::int32_t glider = player->m_gEqp.m_Config[CFG_GLIDER].m_Key.Index();
    g_GameData.GetLocInfo("north").tickets = 1;
    // The first location as the player leaves it: the crate moved aside.
    CMMObject* crate = g_ObjectList.FindByGameId("SAMPLE_CRATE", OBJ_THING);
    ASSERT_NE(crate, nullptr);
    const CVector moved = crate->GetPosition() + CVector{30.0f, -20.0f, 0.0f};
    crate->SetPosition(moved);
    const std::set<std::string> mechs = MechIds();
    ASSERT_FALSE(mechs.empty());

    ASSERT_TRUE(Travel("TUNNEL_EAST", "north"));
    player = g_pPlayerGlider->m_pMechanoid;
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(g_GameData.FindLocInfo("north")->tickets, 0u) << "the journey took the ticket";
    EXPECT_FLOAT_EQ(player->m_Garbage.m_fMoney, 12345.0f);
    EXPECT_EQ(Food(*player), 4);
    EXPECT_EQ(player->m_gEqp.m_Config[CFG_GLIDER].m_Key.Index(), glider);
    EXPECT_EQ(g_ObjectList.FindByGameId("SAMPLE_CRATE", OBJ_THING), nullptr);

    g_GameData.GetLocInfo("sample").subscription = 1;
    ASSERT_TRUE(Travel("TUNNEL_NORTH", "sample"));
    player = g_pPlayerGlider->m_pMechanoid;
    ASSERT_NE(player, nullptr);
    EXPECT_FLOAT_EQ(player->m_Garbage.m_fMoney, 12345.0f);
    EXPECT_EQ(Food(*player), 4);
    crate = g_ObjectList.FindByGameId("SAMPLE_CRATE", OBJ_THING);
    ASSERT_NE(crate, nullptr);
    EXPECT_NEAR(crate->GetPosition().x, moved.x, 0.01f);
    EXPECT_NEAR(crate->GetPosition().y, moved.y, 0.01f);
    // The stored location comes back, not a new one (its organisations may
    // have recruited meanwhile).
    const std::set<std::string> now = MechIds();
    for (const std::string& id : mechs)
        EXPECT_EQ(now.count(id), 1u) << id << " is gone";
}

} // namespace
