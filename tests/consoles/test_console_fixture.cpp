// The consoles' shared fixture itself: the player, the hall and its trade,
// the tables, the text database of keys and the recording fakes.
#include "common/ConsoleFixture.h"

namespace
{

using consoletest::CConsoleTest;

class ConsoleFixture : public CConsoleTest
{
};

TEST_F(ConsoleFixture, ThePlayerTheHallAndTheTablesAreInPlace)
{
    EXPECT_EQ(PlayerMechanoid(), &m_Mechanoid);
    EXPECT_FLOAT_EQ(Money(), kMoney);
    // GL_LIGHT: MAXWEIGHT 400 x 1.25 less its own weight 100.
    EXPECT_FLOAT_EQ(m_Mechanoid.GetMaxGoodsWeight(), 400.0f);
    ASSERT_NE(m_World.FindBuilding(kHall), nullptr);
    EXPECT_STREQ(m_World.FindBuilding(kHall)->owner, kHallOwner);
    EXPECT_EQ(BuildingType(kHall), 1);

    AddGood("TOV_FOOD", 50, 0.0f, 20.0f);
    ASSERT_NE(g_pTrade->FindBuilding(kHall), nullptr);
    EXPECT_EQ(HallGood("TOV_FOOD")->Units(), 50);
    AddCargo("TOV_ORE", 3);
    EXPECT_EQ(Cargo("TOV_ORE"), 3);
    EXPECT_FLOAT_EQ(m_Mechanoid.GetGoodsWeight(), 6.0f);
    for (const char* glider : {"GL_LIGHT", "GL_HEAVY"})
        EXPECT_GE(g_GliderManager.FindName(glider), 0) << glider;
    for (const char* gun : {"GUN_LASER", "GUN_ROCKET"})
        EXPECT_GE(g_GunManager.FindName(gun), 0) << gun;
    EXPECT_GE(g_EquipmentManager.FindName("EQP_CHAOS_GEN"), 0);
}

TEST_F(ConsoleFixture, TextsAreTheirKeysAndTheFakesRecord)
{
    CXAnsiString text, name;
    ASSERT_TRUE(g_pTextDB->Lookup(STextKey("INT_ANY"), text, name));
    EXPECT_STREQ(text.GetText(), "INT_ANY");
    EXPECT_STREQ(name.GetText(), "INT_ANY");
    EXPECT_FALSE(g_pTextDB->HasKey(STextKey("INT_ANY")));
    Text("INT_OWN", "Own text", "Own");
    ASSERT_TRUE(g_pTextDB->Lookup(STextKey("INT_OWN"), text, name));
    EXPECT_STREQ(text.GetText(), "Own text");
    EXPECT_TRUE(g_pTextDB->HasKey(STextKey("INT_OWN")));

    g_pScriptManager->RunEvent(kHall, "OnEnterBuild", nullptr);
    EXPECT_EQ(m_ConsoleScripts.Count("OnEnterBuild"), 1);
    ConsoleEvents().Play2D("SND_I_MONEY");
    ConsoleEvents().OnBuyGood(2.0f, 3);
    EXPECT_EQ(m_Events.Played("SND_I_MONEY"), 1);
    ASSERT_EQ(m_Events.m_Bought.size(), 1u);
    EXPECT_EQ(m_Events.m_Bought[0].count, 3);
}

TEST_F(ConsoleFixture, TheHostOpensOnTheHall)
{
    CUIMenu& host = OpenHost();
    EXPECT_STREQ(host.GetBuildingName(), kHall);
    // A console's own end of the run is recorded.
    host.EndModal(CUIMenu::kResultTunnel);
    ASSERT_EQ(m_pHost->m_EndCodes.size(), 1u);
    EXPECT_EQ(m_pHost->m_EndCodes[0], CUIMenu::kResultTunnel);
    EXPECT_TRUE(host.IsDone());
}

} // namespace
