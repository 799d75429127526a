// The clan console: stepping through the emblems (wrapping round, skipping
// those other organisations use, staying put when every other one is
// taken), the attitude sliders (100 gives 0.0, 0 gives 1.0, written into
// the clan's definition, nothing without one), the strength chart's shares
// (a total of 0 gives 0 %), the clan name asked for while it is empty and
// the emblem kept when the clan's record names no known model.
#include "common/ConsoleFixture.h"
#include "common/NullOrganization.h"

#include "consoles/GCClan.h"
#include "menus/QueryMessageBox.h"
#include "society/OrgManager.h"
#include "ui/markup/ScrollControl.h"
#include "world/MMEngine.h"

#include <cstring>
#include <set>

namespace
{

using consoletest::CConsoleTest;

TEST(ClanEmblems, StepWrapsAndSkipsTakenEmblems)
{
    struct
    {
        int from, direction;
        std::set<int> taken;
        int expected;
    } const cases[] = {
        {0, -1, {}, 15},
        {15, 1, {}, 0},
        {3, 1, {4, 5}, 6},
        {2, -1, {1, 0, 15}, 14},
        {14, 1, {15, 0}, 1},
        // Every other emblem taken: the choice stays.
        {7, 1, {0, 1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 14, 15}, 7},
        {7, -1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, 7},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CGCClan::StepEmblem(c.from, c.direction, [&](int e) { return c.taken.count(e) != 0; }),
                  c.expected)
            << "from " << c.from << " by " << c.direction;
}

TEST(ClanChart, SharesOfTheTotalStrength)
{
    EXPECT_EQ(CGCClan::ChartPercent(5.0f, 0.0f), 0);
    EXPECT_EQ(CGCClan::ChartPercent(0.0f, 0.0f), 0);
    EXPECT_EQ(CGCClan::ChartPercent(7.0f, 7.0f), 100);
    EXPECT_EQ(CGCClan::ChartPercent(1.0f, 8.0f), 13) << "12.5 rounds away from zero";
}

class CRecordOrgs : public IOrgManager
{
public:
    CGuidKey GetGUID() const override { return CGuidKey(); }
    std::uint32_t GetSize() const override { return sizeof(*this); }
    void SaveToStream(CMemStream&) override {}
    void LoadFromStream(CMemStream&) override {}
    COrganization* CreateOrganization(const char*) override { return nullptr; }
    void InitRelations() override {}
    float GetRelation(std::int32_t, std::int32_t, bool) override { return 0.0f; }
    void ChangePolitic(std::int32_t, std::int32_t, float, bool) override {}
    void RelaxRelations(float) override {}
    void SetRelation(std::int32_t, std::int32_t, float, bool, bool) override {}
    float GetOrgFactor(std::int32_t) override { return 0.5f; }
    bool LoadTable(const char*) override { return true; }
    std::int32_t FindByName(const char* name) override
    {
        return std::strcmp(name, "ORG_PLAYER") == 0 ? 0 : -1;
    }
    std::int32_t GetOrgCount() override { return 1; }
    const SOrgRecord* GetRecord(std::int32_t index) override { return index == 0 ? &m_Player : nullptr; }
    SOrgRecord m_Player;
};

class ClanConsole : public CConsoleTest
{
protected:
    void SetUp() override
    {
        CConsoleTest::SetUp();
        m_savedOrgs = g_pOrgManager;
        g_pOrgManager = &m_Orgs;
        std::memset(m_Orgs.m_Player.m_szIconModel, 0xFF, 4);
        SetOwner("ORG_PLAYER");
    }
    void TearDown() override
    {
        g_pOrgManager = m_savedOrgs;
        CConsoleTest::TearDown();
    }
    CGCClan& Open()
    {
        OpenHost();
        CGCClan* clan = Console<CGCClan>(CUIMenu::kTabClan);
        EXPECT_NE(clan, nullptr);
        return *clan;
    }
    SOrgData& PlayerDefinition(float first, float second)
    {
        SOrgData d{};
        std::strcpy(d.name, "ORG_PLAYER");
        d.values[0] = first;
        d.values[1] = second;
        m_World.m_OrgData.push_back(d);
        return m_World.m_OrgData.back();
    }

    CRecordOrgs m_Orgs;
    IOrgManager* m_savedOrgs = nullptr;
};

TEST_F(ClanConsole, SlidersMapToTheClansAttitudes)
{
    SOrgData& d = PlayerDefinition(0.25f, 1.0f);
    CGCClan& clan = Open();
    EXPECT_EQ(clan.GetSlider(0)->GetPos(), 75);
    EXPECT_EQ(clan.GetSlider(1)->GetPos(), 0);
    clan.GetSlider(0)->SetPos(100);
    clan.GetSlider(1)->SetPos(0);
    clan.ApplySliders();
    EXPECT_FLOAT_EQ(d.values[0], 0.0f);
    EXPECT_FLOAT_EQ(d.values[1], 1.0f);
    // Without the clan's definition the sliders move nothing.
    m_World.m_OrgData.clear();
    clan.GetSlider(0)->SetPos(40);
    clan.ApplySliders();
}

TEST_F(ClanConsole, AsksForTheNameAndKeepsTheEmblemOfAnUnknownModel)
{
    m_World.m_Organizations.push_back(std::make_unique<testutil::CNullOrganization>("ORG_PLAYER"));
    CGCClan& clan = Open();
    clan.SetEmblem(5);
    ShowTab(CUIMenu::kTabClan);
    EXPECT_EQ(clan.GetEmblem(), 5) << "a record of model -1 names no emblem of the table";
    ASSERT_NE(clan.m_pClanNameBox, nullptr) << "a clan without a name is asked for one";
    EXPECT_EQ(clan.GetChartCount(), 1);
    EXPECT_EQ(clan.GetChartName(0), "ORG_PLAYER");

    g_GameData.m_ClanName = "Named";
    clan.m_pClanNameBox.reset();
    clan.OnActivated();
    EXPECT_EQ(clan.m_pClanNameBox, nullptr);
    clan.m_bAskName = 1;
    clan.OnActivated();
    EXPECT_NE(clan.m_pClanNameBox, nullptr);
}

TEST_F(ClanConsole, StepsWithoutAClanRecordOrDefinition)
{
    CGCClan& clan = Open();
    clan.SetEmblem(15);
    clan.OnCommand(CGCClan::kNextEmblem, 0);
    EXPECT_EQ(clan.GetEmblem(), 0);
    EXPECT_EQ(g_GameData.m_nClanColour, CGCClan::kEmblems[0].colour);
    clan.OnCommand(CGCClan::kPrevEmblem, 0);
    EXPECT_EQ(clan.GetEmblem(), 15);
    EXPECT_EQ(g_GameData.m_nClanColour, CGCClan::kEmblems[15].colour);
}

} // namespace
