// The glider console in the glider menu: the hold's goods and carried
// mechminds in two tabs, the glider's ammunition and the carried
// modifications below; repeated activations add nothing twice and keep the
// counts; the tab it opens on; when buying a mechanoid out is offered
// (price within the money, never the player's own organisation); which
// cargo may be thrown out.
#include "common/GarageFixture.h"

#include "consoles/GCGlider.h"

#include <map>
#include <string>

namespace
{

using consoletest::CGarageTest;

class GliderConsole : public CGarageTest
{
protected:
    void TearDown() override
    {
        m_pGliderMenu.reset();
        CGarageTest::TearDown();
    }
    CGCGlider& Open()
    {
        ResetClassRegistry();
        RegisterConsolesClasses();
        m_pGliderMenu = std::make_unique<CGliderUI>();
        m_pGliderMenu->Init(&m_Graphic, &m_Input);
        m_pGliderMenu->SetClock(&m_Clock);
        std::int32_t page = 0;
        m_pGliderMenu->SetParam(&page);
        auto* glider = dynamic_cast<CGCGlider*>(m_pGliderMenu->GetConsole(CUIMenu::kTabGlider));
        EXPECT_NE(glider, nullptr);
        return *glider;
    }
    void Missiles(const char* name, std::uint32_t count)
    {
        m_Mechanoid.m_Missiles[0].m_Type = STypeKey(g_MissileManager.FindName(name));
        m_Mechanoid.m_Missiles[0].m_nCount = count;
        m_Mechanoid.m_nMissileCount = 1;
    }
    // Each item's name with its count, and how often each name appears.
    // Goods and mechminds go by their name key, the glider's items by their
    // item name.
    static std::map<std::string, std::pair<int, int>> Contents(CControlList& list)
    {
        std::map<std::string, std::pair<int, int>> out;
        for (int i = 0; i < list.GetItemCount(); ++i)
        {
            const CControlListItem* item = list.GetItem(i);
            const bool byKey =
                item->m_dwCategory == CGCGlider::kGoodsTab || item->m_dwCategory == CGCGlider::kMechTab;
            auto& entry = out[byKey ? item->m_ClassID.name : item->m_szName];
            ++entry.first;
            entry.second = item->m_nCount;
        }
        return out;
    }
    // The console's frame with nothing clicked.
    void Idle(CGCGlider& g)
    {
        m_Input.m_Cursor = plat::Point{-100, -100};
        g.ProcessMessages();
    }

    std::unique_ptr<CGliderUI> m_pGliderMenu;
};

TEST_F(GliderConsole, RepeatedRefreshesAddNothingTwiceAndFollowTheHold)
{
    AddCargo("TOV_FOOD", 3);
    AddCargo("TOV_GEMS", 1, 0, 10.0f, ITEM_UNIQUE);
    AddCargo("M_GUN_RATE", 2, 0, 10.0f, ITEM_STACK);
    AddMech("CARRIED", "ORG_MERCHANTS");
    AddCargo("CARRIED", 1, 0, 10.0f, ITEM_MECHANOID);
    Missiles("MIS_ROCKET", 5);
    CGCGlider& g = Open();
    for (int pass = 0; pass < 2; ++pass)
        g.Refresh(0);
    const auto upper = Contents(*g.m_pGoodsList);
    const auto lower = Contents(*g.m_pGliderList);
    EXPECT_EQ(upper.size(), 3u);
    EXPECT_EQ(lower.size(), 2u);
    for (const auto* list : {&upper, &lower})
        for (const auto& [name, entry] : *list)
            EXPECT_EQ(entry.first, 1) << name << " listed more than once";
    EXPECT_EQ(upper.at("TOV_FOOD").second, 3);
    EXPECT_EQ(lower.at("M_GUN_RATE").second, 2);
    EXPECT_EQ(lower.at("MIS_ROCKET").second, 5);

    m_Mechanoid.m_Garbage.m_Items[0].m_nCount = 7;
    m_Mechanoid.m_Garbage.m_Items[2].m_nCount = 4;
    m_Mechanoid.m_Missiles[0].m_nCount = 1;
    g.Refresh(0);
    EXPECT_EQ(Contents(*g.m_pGoodsList).at("TOV_FOOD"), std::make_pair(1, 7));
    EXPECT_EQ(Contents(*g.m_pGliderList).at("M_GUN_RATE"), std::make_pair(1, 4));
    EXPECT_EQ(Contents(*g.m_pGliderList).at("MIS_ROCKET"), std::make_pair(1, 1));
    // A full refresh forgets what left the hold.
    m_Mechanoid.m_Garbage.m_Items.erase(m_Mechanoid.m_Garbage.m_Items.begin());
    g.Refresh(1);
    EXPECT_EQ(Contents(*g.m_pGoodsList).count("TOV_FOOD"), 0u);
}

TEST_F(GliderConsole, OpensOnTheMechanoidsTabWhenTheHoldHasNoGoods)
{
    AddMech("CARRIED", "ORG_MERCHANTS");
    AddCargo("CARRIED", 1, 0, 10.0f, ITEM_MECHANOID);
    CGCGlider& g = Open();
    EXPECT_EQ(g.m_pGoodsList->GetFilter(), CGCGlider::kMechTab);
    EXPECT_EQ(g.m_pGoodsList->GetSelectedIndex(), 0);
    EXPECT_EQ(Good(g), "CARRIED");

    AddCargo("TOV_FOOD", 3);
    g.OnActivated();
    EXPECT_EQ(g.m_pGoodsList->GetFilter(), CGCGlider::kGoodsTab);
    EXPECT_EQ(Good(g), "TOV_FOOD");
}

TEST_F(GliderConsole, BuyingOutNeedsThePriceAndAnotherOrganisation)
{
    CMech* foreign = AddMech("FOREIGN", "ORG_MERCHANTS");
    foreign->m_nLevel = 3;
    foreign->m_fLevel = 3.0f;
    AddCargo("FOREIGN", 1, 0, 10.0f, ITEM_MECHANOID);
    CMech* own = AddMech("OWN", "ORG_PLAYER");
    own->m_nLevel = 3;
    own->m_fLevel = 3.0f;
    AddCargo("OWN", 1, 0, 10.0f, ITEM_MECHANOID);
    CGCGlider& g = Open();
    const float price = foreign->GetConvictPrice(2, true);
    ASSERT_GT(price, 0.0f);
    struct
    {
        const char* mech;
        float money;
        bool enabled;
    } const cases[] = {
        {"FOREIGN", price, true},
        {"FOREIGN", price - 1.0f, false},
        {"OWN", 1.0e9f, false},
    };
    for (const auto& c : cases)
    {
        m_Mechanoid.m_Garbage.m_fMoney = c.money;
        g.m_pGoodsList->SelectByName(c.mech, true, 0);
        Reselect(g);
        Idle(g);
        EXPECT_EQ(g.m_pBuyButton->m_bEnabled != 0, c.enabled) << c.mech << " with " << c.money;
    }
    g.m_pGoodsList->SelectIndex(-1);
    Idle(g);
    EXPECT_FALSE(g.m_pBuyButton->m_bEnabled);
    EXPECT_FALSE(g.m_pRemoveButton->m_bEnabled);
}

TEST_F(GliderConsole, UniqueGoodsAndSpecialMechmindsStayInTheHold)
{
    AddCargo("TOV_FOOD", 3);
    AddCargo("TOV_GEMS", 1, 0, 10.0f, ITEM_UNIQUE);
    AddMech("PLAIN", "ORG_MERCHANTS");
    AddCargo("PLAIN", 1, 0, 10.0f, ITEM_MECHANOID);
    AddMech("SPECIAL", "ORG_MERCHANTS")->m_nGeneration = 6;
    AddCargo("SPECIAL", 1, 0, 10.0f, ITEM_MECHANOID);
    CGCGlider& g = Open();
    struct
    {
        const char* name;
        std::uint32_t tab;
        bool removable;
    } const cases[] = {
        {"TOV_FOOD", CGCGlider::kGoodsTab, true},
        {"TOV_GEMS", CGCGlider::kGoodsTab, false},
        {"PLAIN", CGCGlider::kMechTab, true},
        {"SPECIAL", CGCGlider::kMechTab, false},
    };
    for (const auto& c : cases)
    {
        g.m_pGoodsList->SetFilter(c.tab, true);
        g.m_pGoodsList->SelectByName(c.name, true, 0);
        Idle(g);
        ASSERT_NE(g.m_pGoodsList->GetSelected(), nullptr) << c.name;
        EXPECT_EQ(g.m_pRemoveButton->m_bEnabled != 0, c.removable) << c.name;
    }
}

} // namespace
