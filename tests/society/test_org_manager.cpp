// Relations between organisations: starting values, the lower triangle,
// politics with and without spread, relaxing towards the standard, and the
// ORGREL stream with its refused forms.
#include "tests/common/DataTree.h"
#include "tests/society/TradeTables.h"

#include "foundation/MemStream.h"
#include "foundation/Random.h"
#include "foundation/StreamReader.h"
#include "society/OrgManager.h"
#include "society/Organization.h"

#include <cmath>
#include <memory>

namespace
{
enum
{
    FREE,
    PLAYER,
    CLAN_A,
    CLAN_B
};

class OrgManager : public testutil::CDataTreeTest
{
protected:
    void SetUp() override
    {
        tradetest::SetOrgTable(m_Orgs);
        g_Random.SetState(4242);
    }
    void Reload(CMemStream& s)
    {
        s.m_nCapacity = s.m_nPosition;
        s.m_nPosition = 0;
    }
    COrgManager m_Orgs;
};
} // namespace

TEST_F(OrgManager, StartingRelationsLieInTheirRangesAndAreSymmetric)
{
    m_Orgs.InitRelations();
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (bool standard : {false, true})
            {
                const float r = m_Orgs.GetRelation(i, j, standard);
                EXPECT_EQ(r, m_Orgs.GetRelation(j, i, standard));
                if (i == j)
                    EXPECT_EQ(r, 1.0f);
                else if (i == FREE || j == FREE)
                    EXPECT_TRUE(r >= -0.25f && r < -0.15f) << i << "," << j << " " << r;
                else
                    EXPECT_TRUE(r >= -0.45f && r < -0.35f) << i << "," << j << " " << r;
            }
    EXPECT_EQ(m_Orgs.GetRelation(-1, CLAN_A, false), 0.0f);
    EXPECT_EQ(m_Orgs.GetRelation(CLAN_A, -1, true), 0.0f);
    const float upper = m_Orgs.m_Current[4 * CLAN_A + CLAN_B];
    m_Orgs.SetRelation(CLAN_A, CLAN_B, 0.3f, true, false);
    EXPECT_FLOAT_EQ(m_Orgs.GetRelation(CLAN_B, CLAN_A, false), 0.3f);
    // Kept in the lower triangle only: row max(i, j), column min(i, j).
    EXPECT_EQ(m_Orgs.m_Current[4 * CLAN_B + CLAN_A], 0.3f);
    EXPECT_EQ(m_Orgs.m_Current[4 * CLAN_A + CLAN_B], upper);
    EXPECT_NE(m_Orgs.GetRelation(CLAN_B, CLAN_A, true), 0.3f);
    m_Orgs.SetRelation(CLAN_A, CLAN_B, 7.0f, true, true); // kept within -1 .. 1
    EXPECT_EQ(m_Orgs.GetRelation(CLAN_B, CLAN_A, true), 1.0f);
    m_Orgs.SetRelation(-1, CLAN_B, 0.5f, true, true);
    EXPECT_EQ(m_Orgs.CreateOrganization("NOBODY"), nullptr);
    std::unique_ptr<COrganization> org(m_Orgs.CreateOrganization("CLAN_B"));
    ASSERT_NE(org, nullptr);
    EXPECT_EQ(org->GetIndex(), CLAN_B);
    EXPECT_EQ(org->m_pRecord, m_Orgs.GetRecord(CLAN_B));
}

TEST_F(OrgManager, PoliticsSpreadToThirdPartiesByTheChangeSize)
{
    for (float change : {0.04f, 0.05f, -0.1f})
    {
        m_Orgs.InitRelations();
        const std::vector<float> standard = m_Orgs.m_Standard;
        const float factor = std::fabs(change) < 0.05f ? 0.005f : 0.5f;
        float before[4][4];
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                before[i][j] = m_Orgs.GetRelation(i, j, false);
        // CLAN_A (volatility 0.5) is i, CLAN_B (2) is j.
        m_Orgs.ChangePolitic(CLAN_A, CLAN_B, change, true);
        EXPECT_NEAR(m_Orgs.GetRelation(CLAN_A, CLAN_B, false), before[CLAN_A][CLAN_B] + 1.25f * change, 1e-6f);
        for (int k : {FREE, PLAYER})
            EXPECT_NEAR(m_Orgs.GetRelation(CLAN_B, k, false),
                        before[CLAN_B][k] + before[k][CLAN_A] * 1.5f * factor * change, 1e-6f)
                << change << " k " << k;
        EXPECT_EQ(m_Orgs.GetRelation(FREE, PLAYER, false), before[FREE][PLAYER]);
        EXPECT_EQ(m_Orgs.m_Standard, standard); // only current relations move
    }
    m_Orgs.SetRelation(CLAN_A, CLAN_B, -0.99f, true, false);
    m_Orgs.ChangePolitic(CLAN_A, CLAN_B, -1.0f, false);
    EXPECT_EQ(m_Orgs.GetRelation(CLAN_A, CLAN_B, false), -1.0f);
}

TEST_F(OrgManager, RelaxingShrinksTheDistanceToTheStandardByG)
{
    m_Orgs.InitRelations();
    const float s = m_Orgs.GetRelation(CLAN_A, PLAYER, true);
    m_Orgs.SetRelation(CLAN_A, PLAYER, s + 0.6f, true, false);
    m_Orgs.RelaxRelations(1.0f);
    EXPECT_NEAR(m_Orgs.GetRelation(CLAN_A, PLAYER, false) - s, 0.374f, 0.001f);
    EXPECT_EQ(m_Orgs.GetRelation(CLAN_B, PLAYER, false), m_Orgs.GetRelation(CLAN_B, PLAYER, true));
}

TEST_F(OrgManager, TheStreamRoundTripsAndRefusesWhatItCannotPlace)
{
    m_Orgs.InitRelations();
    m_Orgs.ChangePolitic(CLAN_A, PLAYER, -0.1f, true);
    CMemStream s;
    m_Orgs.SaveToStream(s);
    EXPECT_EQ(s.m_nPosition, 4u + 2u * 16u * 4u);
    Reload(s);
    COrgManager back;
    tradetest::SetOrgTable(back);
    back.LoadFromStream(s);
    EXPECT_EQ(back.m_Standard, m_Orgs.m_Standard);
    EXPECT_EQ(back.m_Current, m_Orgs.m_Current);

    // A table of three takes the pairs both have, and says so.
    COrgManager three;
    three.SetTable({"ORG_FREE", "ORG_PLAYER", "CLAN_A"}, {});
    s.m_nPosition = 0;
    three.LoadFromStream(s);
    EXPECT_EQ(three.GetRelation(CLAN_A, PLAYER, false), m_Orgs.GetRelation(CLAN_A, PLAYER, false));
    EXPECT_EQ(three.GetRelation(CLAN_A, CLAN_A, false), 1.0f);
    EXPECT_NE(Tree().ErrorLog().find("4 organisations saved, 3 in the table"), std::string::npos);

    struct SCase
    {
        const char* what;
        std::uint32_t version;
        std::uint32_t length;
        const char* reason;
    } cases[] = {
        {"version", 255, 4 + 128, "version 255, not 256"},
        {"short", 256, 4 + 100, "not two square matrices"},
        {"no version", 256, 2, "4 bytes wanted"},
    };
    for (const SCase& c : cases)
    {
        CMemStream bad;
        std::uint8_t* b = bad.Allocate(c.length);
        std::memcpy(b, s.m_pData, c.length);
        if (c.length >= 4) std::memcpy(b, &c.version, 4);
        COrgManager kept;
        tradetest::SetOrgTable(kept);
        kept.SetRelation(CLAN_A, CLAN_B, 0.25f, true, true);
        EXPECT_THROW(kept.LoadFromStream(bad), CStreamError) << c.what;
        EXPECT_EQ(kept.GetRelation(CLAN_A, CLAN_B, false), 0.25f) << c.what;
        EXPECT_NE(Tree().ErrorLog().find(c.reason), std::string::npos) << c.what;
    }
}
