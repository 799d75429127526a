// The sample mission that mksample writes, over the sample text database:
// from the start of its quest to its completion, and to its failure when the
// timer runs out.
#include "MissionTestUtil.h"

#include "platform/CodePage.h"
#include "script/game/ScriptManager.h"
#include "script/game/TextDatabase.h"
#include "tools/mksample/SampleMarkup.h"

#include <gtest/gtest.h>

namespace
{
using namespace missiontest;

class SampleMission : public CMissionTest
{
protected:
    void SetUp() override
    {
        CMissionTest::SetUp();
        for (const char* dir : {"Data/Images", "Data/Bin", "DATA/CONFIG"})
            std::filesystem::create_directories(m_dir / dir);
        ASSERT_TRUE(WriteSampleScripts(m_root));
        ASSERT_TRUE(WriteSampleMarkup(m_root));
        m_texts.SetBaseDirectory((m_root + "\\").c_str());
        ASSERT_TRUE(m_texts.Open());
        m_manager.SetTextDB(&m_texts);
    }
    bool Run(const char* procedure) { return m_manager.MMRunScript("SAMPLE_Q1", 2, procedure); }

    CTextDB m_texts;
};

TEST_F(SampleMission, RunsFromItsStartToItsCompletion)
{
    ASSERT_TRUE(Run("START"));
    EXPECT_TRUE(m_manager.CheckVar("Q1.GET"));
    ASSERT_EQ(m_manager.MessageCount(), 2);
    EXPECT_EQ(m_manager.Message(0).type, SMissionMessage::kQuest);
    EXPECT_EQ(plat::Cp1251ToUtf8(m_manager.Message(0).name.GetText()), "Кристаллы для северной базы");
    EXPECT_EQ(m_manager.Journal(), (std::vector<std::string>{"Q1_PART1"}));
    ASSERT_NE(m_manager.FindTimer("Q1"), nullptr);
    EXPECT_EQ(m_world.marks, (std::vector<std::string>{"+SAMPLE_BASE_NORTH"}));
    // Started again, the quest is not given twice.
    Run("START");
    EXPECT_EQ(m_manager.Tasks().size(), 1u);

    // At the base without the crystals, then with them.
    Run("ENTERBASE");
    EXPECT_EQ(m_manager.Message(0).key, std::string("Q1_NEED_CRYSTALS"));
    m_world.goods["TOV_CRYSTAL"] = 12;
    Run("ENTERBASE");
    EXPECT_TRUE(m_manager.CheckVar("Q1.PART1"));
    EXPECT_EQ(m_world.goods["TOV_CRYSTAL"], 2);
    EXPECT_EQ(m_manager.Journal(), (std::vector<std::string>{"Q1_PART1", "Q1_PART2"}));

    m_world.clock += 0.5f;
    Run("RETURNHOME");
    EXPECT_TRUE(m_manager.CheckVar("Q1.COMPLETE"));
    EXPECT_FLOAT_EQ(m_world.money, 500.0f);
    EXPECT_FLOAT_EQ(m_manager.State().rating[1], 10.0f);
    EXPECT_EQ(m_manager.FindTimer("Q1"), nullptr);
    EXPECT_FLOAT_EQ(m_manager.Tasks()[0].time, m_world.clock);
    ASSERT_EQ(m_manager.MessageCount(), 3);
    EXPECT_EQ(m_manager.Message(2).key, std::string("Q1_DONE"));
    // Completed once: nothing more is paid.
    Run("RETURNHOME");
    EXPECT_FLOAT_EQ(m_world.money, 500.0f);

    // The journal text as the player sees it, placeholders replaced.
    CScriptManager names;
    names.SetTextDB(&m_texts);
    names.SetNameSources({[] { return std::string("Rex"); }, {}, {}, {}, {}});
    CXAnsiString text;
    ASSERT_TRUE(m_texts.GetText("Q1_PART1", text));
    names.UpdateStringWithNames(text);
    EXPECT_EQ(plat::Cp1251ToUtf8(text.GetText()).substr(0, 30), "Rex, северной базе");
}

TEST_F(SampleMission, FailsWhenItsTimerRunsOut)
{
    ASSERT_TRUE(Run("START"));
    m_world.clock += 2.0f + 11.0f / 1440.0f; // 48 hours and 11 minutes
    m_manager.OnTimer();
    EXPECT_TRUE(m_manager.CheckVar("Q1.FAIL"));
    EXPECT_EQ(m_world.sounds.back(), "SND_I_JOB_FAILED");
    EXPECT_EQ(m_manager.Message(0).key, std::string("Q1_FAILED"));
    m_world.goods["TOV_CRYSTAL"] = 10;
    Run("ENTERBASE");
    Run("RETURNHOME");
    EXPECT_FALSE(m_manager.CheckVar("Q1.COMPLETE")); // the parts after a failure do not pay
    EXPECT_FLOAT_EQ(m_world.money, 0.0f);
    EXPECT_EQ(m_world.goods["TOV_CRYSTAL"], 10);
    Run("START");
    EXPECT_EQ(m_manager.Tasks().size(), 1u);
}

} // namespace
