// The sample garage in the game application over the sample tree: the
// player flies into "SAMPLE_GARAGE", opens the garage tab of its building
// menu, picks the weapons filter, clicks the rocket launcher and buys it
// (it goes to the glider's second, heavy mount), fills its ammunition on
// the second gun's bar and leaves; outside, the heavy-fire key fires it
// (rockets leave the glider, the ammunition falls). Back in the garage the
// player sells it from its bar: the money and the garage's stock come back
// to what they were, less the ammunition.
#include "world/GameWorldState.h"
#include "app/WorldViewer.h"

#include "consoles/GCGarage.h"
#include "location/Environment.h"
#include "menus/AnimatedBar.h"
#include "menus/ControlList.h"
#include "society/EqpTrade.h"
#include "units/BuildingObject.h"
#include "units/GliderObject.h"
#include "units/MissileObject.h"
#include "units/Mechanoid.h"
#include "world/MMEngine.h"
#include "world/ObjectList.h"
#include "world/World.h"

#include "SampleAppTest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

namespace
{

class SampleGarage : public apptest::CSteppedAppTest
{
protected:
    void Frames(int n, IInput* input = nullptr)
    {
        for (int i = 0; i < n; ++i)
        {
            Tick();
            ASSERT_TRUE(g_WorldViewer.Frame(kStep, input));
        }
    }
    // The glider put into the garage's entry zone: the building menu runs
    // with the script, and the player is outside again afterwards.
    void Visit(CMMApp& app, CGliderObject& glider, CBuildingObject& garage, apptest::CMenuInput& menus,
               apptest::CMenuInput::Script script)
    {
        const CVector at = garage.GetPosition();
        glider.m_Frame.SetForward(CVector{0.0f, 1.0f, 0.0f});
        glider.SetPosition(CVector{at.x, at.y - 45.0f, at.z + 8.0f});
        glider.m_vVelocity = CVector{};
        Frames(2);
        glider.SetPosition(CVector{at.x, at.y - 28.0f, at.z + 8.0f});
        glider.m_vVelocity = CVector{};
        Tick();
        ASSERT_TRUE(g_WorldViewer.Frame(kStep, nullptr));
        ASSERT_EQ(g_MMEngine.m_bLeaveCycle, 1);
        ASSERT_STREQ(g_MMEngine.m_szBuildingId, "SAMPLE_GARAGE");
        menus.m_Script = std::move(script);
        app.HandleCycleExit(0, true);
        EXPECT_EQ(menus.m_nResult, 1000);
        EXPECT_EQ(g_MMEngine.m_bInBuilding, 0);
    }
    static std::int32_t GarageStock(const char* item)
    {
        auto* stock = dynamic_cast<CEqpTrade*>(g_pWorld ? g_pWorld->m_pEqpTrade : nullptr);
        CEqpTrade::SBuilding* b = stock ? stock->FindBuilding("SAMPLE_GARAGE") : nullptr;
        SEqpItem* entry = b ? CEqpTrade::Find(b->m_Items, item, 0) : nullptr;
        return entry ? entry->m_nCount : -1;
    }
};

// The screen's garage console, or null.
CGCGarage* GarageOf(IUI& screen)
{
    auto* menu = dynamic_cast<CUIMenu*>(&screen);
    return menu ? dynamic_cast<CGCGarage*>(menu->GetConsole(CUIMenu::kTabGarage)) : nullptr;
}

// A script of steps, each a click somewhere, 4 passes apart; the last one
// leaves by the exit tab.
// The player's money as the menu opened is kept in *money.
apptest::CMenuInput::Script Clicks(apptest::CMenuInput& menus, float* money,
                                  std::vector<std::function<plat::Rect(IUI&)>> steps)
{
    return [&menus, money, steps](IUI& screen, int pass)
    {
        if (pass == 0 && g_pPlayerGlider && g_pPlayerGlider->m_pMechanoid)
            *money = g_pPlayerGlider->m_pMechanoid->m_Garbage.m_fMoney;
        const int step = pass / 4;
        if (step < int(steps.size()))
            menus.ClickAt(steps[std::size_t(step)](screen), pass, step * 4);
        else
            menus.ClickExitTab(screen, pass, step * 4);
    };
}

} // namespace

TEST_F(SampleGarage, ThePlayerBuysASecondGunFiresItAndSellsItBack)
{
    apptest::CSampleApp app;
    ASSERT_TRUE(StartGame(app, "garage test"));
    apptest::CMenuInput menus(app, [this] { Tick(); });
    menus.Install();
    g_Environment.SetEnvironment(0, true);
    CGliderObject* glider = g_WorldViewer.GetPlayerGlider();
    ASSERT_NE(glider, nullptr);
    CMechanoid* player = glider->m_pMechanoid;
    ASSERT_NE(player, nullptr);
    auto* garage = dynamic_cast<CBuildingObject*>(g_ObjectList.FindByGameId("SAMPLE_GARAGE", OBJ_BUILDING));
    ASSERT_NE(garage, nullptr) << Tree().ErrorLog();
    ASSERT_FALSE(glider->m_Guns[1].m_bMounted);
    player->m_Garbage.m_fMoney = 10000.0f;
    // The money on entering (the building may charge for mending the hull
    // as the glider comes in).
    float money = 0.0f;
    ASSERT_EQ(GarageStock("GUN_ROCKET_LAUNCHER"), 2);

    // The garage tab, the weapons filter, the launcher, buy; out. The new
    // gun comes with a full load.
    auto tab = [](IUI& s) { return dynamic_cast<CUIMenu&>(s).GetTab(CUIMenu::kTabGarage)->m_Rect; };
    auto weapons = [](IUI& s) { return GarageOf(s)->m_apFilters[2]->m_Rect; };
    auto launcher = [](IUI& s)
    {
        CControlList& list = *GarageOf(s)->m_pGoodsList;
        for (int i = 0; i < list.GetItemCount(); ++i)
            if (list.GetItem(i)->m_bVisible && std::strcmp(list.GetItem(i)->m_szName, "GUN_ROCKET_LAUNCHER") == 0)
                return list.GetItem(i)->m_Rect;
        ADD_FAILURE() << "the launcher is not shown";
        return plat::Rect{};
    };
    auto buy = [](IUI& s) { return GarageOf(s)->m_pBuyButton->m_Rect; };
    auto secondGun = [](IUI& s) { return GarageOf(s)->m_apSlots[CGCGarage::kSlotGun2]->m_Rect; };
    auto ammo = [](IUI& s) { return GarageOf(s)->m_pAmmoButton->m_Rect; };
    auto remove = [](IUI& s) { return GarageOf(s)->m_pRemoveButton->m_Rect; };
    Visit(app, *glider, *garage, menus, Clicks(menus, &money, {tab, weapons, launcher, buy}));
    ASSERT_TRUE(glider->m_Guns[1].m_bMounted) << "the launcher is fitted to the heavy mount";
    EXPECT_STREQ(g_GunManager.GetName(glider->m_Guns[1].m_Key.Index()), "GUN_ROCKET_LAUNCHER");
    // The reactor burns a little money while the glider stands inside.
    EXPECT_NEAR(player->m_Garbage.m_fMoney, money - 4000.0f, 1.0f);
    EXPECT_EQ(GarageStock("GUN_ROCKET_LAUNCHER"), 1);
    EXPECT_FLOAT_EQ(glider->m_Guns[1].m_fAmmo, 20.0f);

    // Outside, away from the door, the heavy-fire key (right Shift); the
    // rocket stock is left behind, so that the launcher stays short.
    player->m_nMissileCount = 0;
    Frames(20);
    apptest::CHeldKeys keys;
    int rockets = 0;
    for (int i = 0; i < 40 && glider->m_Guns[1].m_fAmmo >= 20.0f; ++i)
    {
        keys.m_held = 0x36;
        Frames(1, &keys);
    }
    keys.m_held = -1;
    for (CMMObject* o : g_ObjectList.m_Objects)
        rockets += dynamic_cast<CMissileObject*>(o) != nullptr;
    EXPECT_LT(glider->m_Guns[1].m_fAmmo, 20.0f);
    EXPECT_GT(rockets, 0);
    Frames(10);
    ASSERT_LT(glider->m_Guns[1].m_fAmmo, 20.0f);

    // Back in: the second gun's bar, a refill, remove.
    Visit(app, *glider, *garage, menus, Clicks(menus, &money, {tab, secondGun, ammo, remove}));
    EXPECT_FALSE(glider->m_Guns[1].m_bMounted);
    EXPECT_EQ(player->m_gEqp.m_Config[CFG_HEAVYGUN].m_Key.Index(), -1);
    EXPECT_NEAR(player->m_Garbage.m_fMoney, money - 100.0f + 4000.0f, 1.0f);
    EXPECT_EQ(GarageStock("GUN_ROCKET_LAUNCHER"), 2);

    menus.Remove();
    app.Done();
    EXPECT_EQ(Tree().ErrorLog(), "");
}
