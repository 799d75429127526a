// Trading in the sample hall, in the application over the sample tree: the
// player flies in, the building menu opens on the quest console (the hall's
// script greets and offers its quest there), the trade tab is clicked, food
// is bought with the player's money and sold back; money, cargo and the
// hall's stock move together and the deals reach the game data.
#include "app/GameData.h"
#include "consoles/GCQuest.h"
#include "consoles/GCTrade.h"
#include "menus/ControlList.h"
#include "menus/MenuButton.h"
#include "menus/UIMenu.h"
#include "society/MMTrade.h"
#include "units/BuildingObject.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "ui/markup/HTMLObject.h"
#include "ui/markup/HTMLWnd.h"
#include "world/MMEngine.h"
#include "world/ObjectList.h"

#include "SampleAppTest.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

class HallTrade : public apptest::CRunningAppTest
{
protected:
    std::int32_t Food(const CMechanoid& m) const
    {
        std::int32_t n = 0;
        for (const SItemRec& e : m.m_Garbage.m_Items)
            if (std::string(e.m_szName) == "TOV_FOOD") n += e.m_nCount;
        return n;
    }
};

TEST_F(HallTrade, BuyingFoodAndSellingItBackMovesMoneyCargoAndStock)
{
    CGliderObject* glider = gametest::g_GameDriver.GetPlayerGlider();
    ASSERT_TRUE(glider && glider->m_pMechanoid);
    CMechanoid& player = *glider->m_pMechanoid;
    auto* hall = dynamic_cast<CBuildingObject*>(g_ObjectList.FindByGameId("SAMPLE_HALL", OBJ_BUILDING));
    ASSERT_NE(hall, nullptr);
    SExBuildingTrade* trade = g_pTrade ? g_pTrade->FindBuilding("SAMPLE_HALL") : nullptr;
    ASSERT_NE(trade, nullptr);
    STradeGood* food = trade->FindGood("TOV_FOOD");
    ASSERT_NE(food, nullptr);
    food->m_fStock = 30.0f * food->m_fUnitMass;
    const float bought = g_GameData.m_Counters.goodsBought;

    struct
    {
        float money;
        std::int32_t cargo, stock;
    } start{}, afterBuy{}, afterSale{};
    bool offered = false;
    CGCTrade* console = nullptr;
    m_Menus.m_Script = [&](IUI& screen, int pass)
    {
        auto* host = dynamic_cast<CUIMenu*>(&screen);
        ASSERT_NE(host, nullptr);
        if (pass == 0)
        {
            auto* quest = dynamic_cast<CGCQuest*>(host->GetCurrent());
            ASSERT_NE(quest, nullptr);
            const CHTMLObject* list = quest->GetQuestList()->GetDocument();
            offered = list && list->FindBlock("Q_SAMPLE_HALL_OFFER") >= 0;
            start = {player.m_Garbage.m_fMoney, Food(player), trade->FindGood("TOV_FOOD")->Units()};
        }
        m_Menus.ClickAt(host->GetTab(CUIMenu::kTabTrade)->m_Rect, pass, 0);
        if (pass == 3)
        {
            console = dynamic_cast<CGCTrade*>(host->GetCurrent());
            ASSERT_NE(console, nullptr);
            ASSERT_TRUE(console->IsBuyOpen());
        }
        if (pass >= 3 && pass <= 5) m_Menus.ClickAt(console->GetBuyButton()->m_Rect, pass, 3);
        if (pass == 6)
        {
            afterBuy = {player.m_Garbage.m_fMoney, Food(player), trade->FindGood("TOV_FOOD")->Units()};
            // The player picks the food in the hold (the grid's own click).
            console->GetBuildingList()->SelectIndex(-1);
            console->GetCargoList()->SelectByName("TOV_FOOD", true, 0);
            console->ShowGood(console->GetGood());
            ASSERT_TRUE(console->IsSellOpen());
        }
        if (pass >= 6 && pass <= 8) m_Menus.ClickAt(console->GetSellButton()->m_Rect, pass, 6);
        if (pass == 9)
            afterSale = {player.m_Garbage.m_fMoney, Food(player), trade->FindGood("TOV_FOOD")->Units()};
        m_Menus.ClickExitTab(screen, pass, 9);
    };
    // Into the hall: the cycle's exit opens its menu.
    const CVector at = hall->GetPosition();
    glider->m_Frame.SetForward(CVector{0.0f, 1.0f, 0.0f});
    glider->SetPosition(CVector{at.x, at.y - 28.0f, at.z + 8.0f});
    glider->m_vVelocity = CVector{};
    ASSERT_TRUE(Frame());
    m_Menus.m_Script = nullptr;
    ASSERT_EQ(m_Menus.m_nResult, CUIMenu::kResultLeave);

    EXPECT_TRUE(offered) << "the hall's script offers its quest on the quest console";
    // The script's welcome money came before the deals.
    ASSERT_GT(afterBuy.cargo, start.cargo);
    const std::int32_t units = afterBuy.cargo - start.cargo;
    EXPECT_LT(afterBuy.money, start.money);
    EXPECT_EQ(afterBuy.stock, start.stock - units);
    EXPECT_EQ(afterSale.cargo, start.cargo);
    EXPECT_EQ(afterSale.stock, start.stock);
    EXPECT_GT(afterSale.money, afterBuy.money);
    EXPECT_LT(afterSale.money, start.money) << "the hall buys back below its price";
    EXPECT_FLOAT_EQ(g_GameData.m_Counters.goodsBought - bought, start.money - afterBuy.money);
}

} // namespace
