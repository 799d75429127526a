// The garage console's tests over the consoles' fixture: the player's
// mechanoid fitted from named items (glider, guns, reactor, engine, shield,
// armour), the hall's equipment stock, and the building menu opened on the
// garage tab.
#pragma once

#include "common/ConsoleFixture.h"

#include "consoles/GCGarage.h"
#include "menus/AnimatedBar.h"
#include "menus/ControlList.h"
#include "menus/MenuButton.h"
#include "society/WorldMechanoid.h"
#include "world/WorldSeams.h"

#include <cstring>
#include <string>

namespace consoletest
{

struct SFitting
{
    const char* glider = "GL_HEAVY";
    const char* gun1 = "GUN_LASER";
    const char* gun2 = nullptr;
    const char* reactor = "REACTOR_1";
    const char* engine = "ENGINE_1";
    const char* shield = "SHIELD_1";
    const char* armor = "ARMOR_1";
};

class CGarageTest : public CConsoleTest
{
protected:
    void SetUp() override
    {
        CConsoleTest::SetUp();
        Fit(SFitting{});
        // The clan's configurations (defence, attack, trade): bare hulls of
        // GL_HEAVY, told apart by their money.
        for (int i = 0; i < 3; ++i)
        {
            m_SavedConfigs[i] = g_pPlayerConfigs[i];
            CMechanoid& m = m_Clan[i].m_Mechanoid;
            m.m_gEqp.m_Config[CFG_GLIDER].m_Key = STypeKey(g_GliderManager.FindName("GL_HEAVY"));
            m.InitConfig(-1, false);
            m.m_Garbage.m_fMoney = float(i + 1);
            g_pPlayerConfigs[i] = &m_Clan[i];
        }
    }
    void TearDown() override
    {
        m_Mechanoid.m_lpObject = nullptr;
        for (int i = 0; i < 3; ++i)
            g_pPlayerConfigs[i] = m_SavedConfigs[i];
        CConsoleTest::TearDown();
    }

    // The player's mechanoid fitted with the named items (null: none), its
    // glider object's guns mounted as the configuration says.
    void Fit(const SFitting& f)
    {
        auto set = [this](EMechConfigSlot slot, std::int32_t index)
        { m_Mechanoid.m_gEqp.m_Config[slot] = SMechConfig{STypeKey(index), 0}; };
        auto eqp = [](const char* name) { return name ? g_EquipmentManager.FindName(name) : -1; };
        auto gun = [](const char* name) { return name ? g_GunManager.FindName(name) : -1; };
        set(CFG_GLIDER, f.glider ? g_GliderManager.FindName(f.glider) : -1);
        set(CFG_LIGHTGUN, gun(f.gun1));
        set(CFG_HEAVYGUN, gun(f.gun2));
        set(CFG_REACTOR, eqp(f.reactor));
        set(CFG_REACTOR2, -1);
        set(CFG_ENGINE, eqp(f.engine));
        set(CFG_ENGINE2, -1);
        set(CFG_SHIELD, eqp(f.shield));
        set(CFG_ARMOR, eqp(f.armor));
        m_Mechanoid.InitConfig(-1, false);
        m_Mechanoid.m_lpObject = &m_Glider;
        for (int i = 0; i < 2; ++i)
            m_Glider.m_Guns[i].Assign(m_Mechanoid.m_gEqp.m_Config[CFG_LIGHTGUN + i].m_Key, 0);
    }
    // An item of the hall's own stock.
    void Stock(const char* name, std::int32_t count, std::uint32_t modif = 0)
    {
        m_EqpTrade.AddEqpToBuiding(kHall, name, count, modif, 0.0f);
    }
    std::int32_t StockCount(const char* name, std::uint32_t modif = 0)
    {
        CEqpTrade::SBuilding* b = m_EqpTrade.FindBuilding(kHall);
        SEqpItem* item = b ? CEqpTrade::Find(b->m_Items, name, modif) : nullptr;
        return item ? item->m_nCount : 0;
    }
    // The building menu on the hall with the garage in front.
    CGCGarage& Garage()
    {
        OpenHost();
        ShowTab(CUIMenu::kTabGarage);
        CGCGarage* g = Console<CGCGarage>(CUIMenu::kTabGarage);
        EXPECT_NE(g, nullptr);
        return *g;
    }
    // Selects the goods-list item of that name (and word) as a click would.
    void PickGoods(CGCGarage& g, const char* name, std::uint32_t modif = 0)
    {
        g.SelectSlot(-1);
        g.m_pGliderList->SelectIndex(-1);
        g.m_pGoodsList->SetFilter(0, true);
        g.m_pGoodsList->SelectByName(name, true, modif);
        Reselect(g);
    }
    void PickGlider(CGCGarage& g, const char* name)
    {
        g.SelectSlot(-1);
        g.m_pGoodsList->SelectIndex(-1);
        g.m_pGliderList->SelectByName(name, true, 0);
        Reselect(g);
    }
    void PickSlot(CGCGarage& g, int slot)
    {
        g.SelectSlot(slot);
        Reselect(g);
    }
    // The click's selection step with the cursor away from every control.
    void Reselect(CGCGarage& g)
    {
        m_Input.m_Cursor = plat::Point{-100, -100};
        g.OnMouseLClick();
    }
    std::string Good(const CGCGarage& g) const { return std::string(g.m_szGood, strnlen(g.m_szGood, 32)); }
    std::string SlotName(const CGCGarage& g, int slot) const
    {
        return CGCGarage::IsSet(g.m_SlotGoods[slot]) ? std::string(g.m_SlotGoods[slot]) : std::string();
    }
    // The names of a list's items in order.
    CWorldMechanoid m_Clan[3];
    IWorldMechanoid* m_SavedConfigs[3] = {};

    static std::string Items(CControlList& list)
    {
        std::string out;
        for (int i = 0; i < list.GetItemCount(); ++i)
            out += (out.empty() ? "" : " ") + std::string(list.GetItem(i)->m_szName);
        return out;
    }
};

} // namespace consoletest
