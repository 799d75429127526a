// The garage's information pages as markup (the fixture's texts are their
// keys): a few whole pages, the gun page with and without its
// modification, the glider's class and mounts, the engine's thrust, the
// damage-type line, the coloured changes and the configuration page's
// price and weight.
#include "common/GarageFixture.h"

#include <gtest/gtest.h>

namespace
{
using consoletest::CGarageTest;

class GaragePages : public CGarageTest
{
protected:
    std::string Page(CGCGarage& g, void (CGCGarage::*page)(std::string&), const char* name, std::uint32_t modif = 0,
                     int kind = 0)
    {
        CGCGarage::SetName(g.m_szGood, name);
        g.m_dwModif = modif;
        if (kind) g.m_iGoodKind = kind;
        std::string out;
        (g.*page)(out);
        return out;
    }
};

TEST_F(GaragePages, ArmourReactorAndNotFoundPagesAreTheirLines)
{
    CGCGarage& g = Garage();
    EXPECT_EQ(Page(g, &CGCGarage::ShowInfoArmor, "ARMOR_1"),
              "INT_GARAGE_TEXT72<halign=right>INT_GARAGE_TEXT78</halign>"
              "INT_GARAGE_TEXT79<halign=right>     20</halign>"
              "INT_GARAGE_TEXT75<halign=right>     30</halign>");
    EXPECT_EQ(Page(g, &CGCGarage::ShowInfoReactor, "REACTOR_1"),
              "INT_GARAGE_TEXT72<halign=right>INT_GARAGE_TEXT90</halign>"
              "INT_GARAGE_TEXT53<halign=right>100</halign>"
              "INT_GARAGE_TEXT89<halign=right>10</halign>"
              "INT_GARAGE_TEXT75<halign=right>50</halign>");
    EXPECT_EQ(Page(g, &CGCGarage::ShowInfoGun, "NOT_A_GUN"), "INT_GARAGE_TEXT76<br>INT_GARAGE_TEXT77");
    EXPECT_EQ(Page(g, &CGCGarage::ShowInfoGlider, "NOT_A_GLIDER"), "INT_GARAGE_TEXT46<br>INT_GARAGE_TEXT58");
    EXPECT_EQ(Page(g, &CGCGarage::ShowInfoAddEqp, "EQP_CHAOS_GEN"),
              "INT_GARAGE_TEXT72<halign=right>INT_GARAGE_TEXT92</halign>"
              "INT_GARAGE_TEXT74<halign=right>      0</halign>"
              "INT_GARAGE_TEXT75<halign=right>      5</halign>"
              "INT_GARAGE_TEXT93<halign=right>INT_GARAGE_TEXT95</halign>");
}

TEST_F(GaragePages, TheGunPageShowsEachModificationsChangeInItsColour)
{
    CGCGarage& g = Garage();
    const std::string plain = Page(g, &CGCGarage::ShowInfoGun, "GUN_LASER", 0, 4);
    EXPECT_EQ(plain.find("<color"), std::string::npos);
    EXPECT_EQ(plain.rfind("INT_GARAGE_TEXT72<halign=right>INT_GARAGE_TEXT67</halign>"
                          "INT_GARAGE_TEXT73<halign=right>2.00</halign>"
                          "INT_GARAGE_TEXT71<halign=right>8.0</halign>",
                          0),
              0u)
        << plain;
    // A reactor's word on a gun changes nothing and shows no summary.
    EXPECT_EQ(Page(g, &CGCGarage::ShowInfoGun, "GUN_LASER", 0x3001, 4), plain);
    // The gun modifier: rate 2 x 1.5, the energy 2 up by 0.2 x 2.
    const std::string modified = Page(g, &CGCGarage::ShowInfoGun, "GUN_LASER", 0x2001, 4);
    EXPECT_EQ(modified.rfind("INT_GARAGE_TEXT72<halign=right>INT_GARAGE_TEXT69</halign>"
                             "INT_GARAGE_TEXT35<br><color:ab2424>INT_GARAGE_TEXT32<halign=right>1</halign><color>"
                             "INT_GARAGE_TEXT73<halign=right>2.00<color:ab2424>+1.00<color></halign>",
                             0),
              0u)
        << modified;
    EXPECT_NE(modified.find("INT_GARAGE_TEXT74<halign=right>2<color:ab2424>+0<color></halign>"), std::string::npos)
        << modified;
    EXPECT_NE(Page(g, &CGCGarage::ShowInfoGun, "GUN_ROCKET", 0, 5).find("INT_GARAGE_TEXT68"), std::string::npos);
}

TEST_F(GaragePages, ADamageTypeOfItsOwnIsOneLine)
{
    const std::int32_t laser = g_GunManager.FindName("GUN_LASER");
    for (int type : {5, 6, 7})
    {
        g_GunManager.m_Records[std::size_t(laser)].m_nDamageType = type;
        CGCGarage g;
        const std::string page = Page(g, &CGCGarage::ShowInfoGun, "GUN_LASER", 0, 4);
        const std::string line = "INT_GARAGE_TEXT59<halign=right>INT_GARAGE_TEXT6" + std::to_string(type - 5) +
                                 "</halign>";
        EXPECT_NE(page.find(line), std::string::npos) << page;
        EXPECT_EQ(page.find("INT_GARAGE_TEXT63"), std::string::npos) << page;
    }
}

TEST_F(GaragePages, TheGliderPageNamesItsClassAndMounts)
{
    EXPECT_EQ(CGCGarage::GliderClass("GL_X_PA_2"), "PA");
    EXPECT_EQ(CGCGarage::GliderClass("GL_X_PA"), "");
    EXPECT_EQ(CGCGarage::GliderClass("GL__S_"), "S");
    CGCGarage& g = Garage();
    SGliderParameters& heavy = g_GliderManager.m_Types[std::size_t(g_GliderManager.FindName("GL_HEAVY"))];
    heavy.m_nGunMask = 0x301;
    const std::string page = Page(g, &CGCGarage::ShowInfoGlider, "GL_HEAVY");
    EXPECT_NE(page.find("INT_GARAGE_TEXT52<halign=right>INT_GARAGE_TEXT44</halign>"), std::string::npos) << page;
    EXPECT_NE(page.find("INT_GARAGE_TEXT54<br><halign=right>INT_GARAGE_TEXT552</halign>"
                        "<halign=right>INT_GARAGE_TEXT561</halign>"),
              std::string::npos)
        << page;
    heavy.m_nGunMask = 0x400;
    EXPECT_NE(Page(g, &CGCGarage::ShowInfoGlider, "GL_HEAVY")
                  .find("<halign=right><color=red>INT_GARAGE_TEXT57<color></halign>"),
              std::string::npos);
}

TEST_F(GaragePages, TheEngineShowsItsThrustInThousands)
{
    CGCGarage& g = Garage();
    g_EquipmentManager.m_Records[std::size_t(g_EquipmentManager.FindName("ENGINE_1"))].m_fValue1 = 25000.0f;
    EXPECT_NE(Page(g, &CGCGarage::ShowInfoEngine, "ENGINE_1").find("INT_GARAGE_TEXT86<halign=right>25</halign>"),
              std::string::npos);
}

TEST_F(GaragePages, ChangesAreColouredByTheirModificationAndEqualValuesAddNothing)
{
    std::string out;
    CGCGarage::GetInfoModifText("%1.0f", "%+1.0f", out, 12.0f, 15.0f, 12.0f, 12.0f);
    EXPECT_EQ(out, "12<color:ab2424>+3<color>");
    CGCGarage::GetInfoModifText("%7.0f", "%+1.0f", out, 12.0f, 12.0f, 10.0f, 13.0f);
    EXPECT_EQ(out, "12<color:19ab2e>-2<color><color:4d6fff>+1<color>");
    CGCGarage::GetInfoModifText("%1.0f", "%+1.0f", out, 7.0f, 7.0f, 7.0f, 7.0f);
    EXPECT_EQ(out, "7");
    // Levels 2, 0 and 3: two lines of the summary.
    CGCGarage g;
    g.m_dwModif = 0x2302;
    std::string summary;
    g.GetInfoModifEqp(summary);
    EXPECT_EQ(summary, "INT_GARAGE_TEXT35<br><color:ab2424>INT_GARAGE_TEXT32<halign=right>2</halign><color>"
                       "<color:4d6fff>INT_GARAGE_TEXT34<halign=right>3</halign><color>");
    g.m_dwModif = 0;
    summary.clear();
    g.GetInfoModifEqp(summary);
    EXPECT_EQ(summary, "");
}

TEST_F(GaragePages, TheWholeConfigurationSetsPriceAndWeightAndFillsFourBlocks)
{
    CGCGarage& g = Garage();
    g.SelectSlot(-1);
    Reselect(g);
    ASSERT_EQ(g.m_iGoodKind, 100);
    g.m_fPrice = g.m_fWeight = 0.0f;
    std::string speeds, weights, energy, defence;
    g.ShowInfoConfig(speeds, weights, energy, defence);
    EXPECT_FLOAT_EQ(g.m_fPrice, m_Mechanoid.GetPrice(true));
    EXPECT_FLOAT_EQ(g.m_fWeight, m_Mechanoid.GetSumWeight());
    EXPECT_NE(weights.find("INT_GARAGE_TEXT110<halign=right>"), std::string::npos);
    EXPECT_NE(defence.find("INT_GARAGE_TEXT121<halign=right>    100</halign>"), std::string::npos) << defence;
    EXPECT_NE(energy.find("INT_GARAGE_TEXT119"), std::string::npos);
    // The window shows defence, speeds, weights and energy under their captions.
    EXPECT_EQ(g.m_sShownText.rfind("INT_GARAGE_CAPTION2|", 0), 0u) << g.m_sShownText;
}

} // namespace
