// The quest log: finds, parts, Contains, growth, Init, the QUESTLOG chunk
// and its damaged forms.
#include "ScriptTestUtil.h"
#include "common/LogDirTest.h"

#include "foundation/MemStream.h"
#include "script/game/QuestLog.h"

#include <gtest/gtest.h>

namespace
{
using namespace scripttest;

class QuestLog : public testutil::CLogDirTest
{
protected:
    CQuestLog m_log;
};

TEST_F(QuestLog, FindsTheLastQuestAndTheFirstEntry)
{
    m_log.AddQuest("Q1", "Q1_TITLE_A", 5, "");
    m_log.AddQuest("Q1", "Q1_TITLE_B", 7, "Q1");
    ASSERT_NE(m_log.FindQuest("Q1"), nullptr);
    EXPECT_STREQ(m_log.FindQuest("Q1")->titleKey, "Q1_TITLE_B");
    EXPECT_EQ(m_log.FindQuest("q1"), nullptr); // exact names
    m_log.SetQuestCompleted("Q1");
    EXPECT_TRUE(m_log.FindQuest("Q1")->IsCompleted());
    EXPECT_TRUE(m_log.GetQuests()[0].IsOpen());

    m_log.AddEntry("E");
    m_log.AddEntry("E");
    m_log.SetEntryState("E", 3);
    EXPECT_EQ(m_log.Entries()[0].state, 3);
    EXPECT_EQ(m_log.Entries()[1].state, 0);
    EXPECT_EQ(m_log.FindEntry("E"), &m_log.Entries()[1]);
    m_log.SetQuestFailed("NONE");
    m_log.SetEntryState("NONE", 1);
}

TEST_F(QuestLog, PartsAndContains)
{
    m_log.AddEntry("DIARY");
    m_log.Init();
    m_log.AddEntry("DIARY");
    const_cast<SQuestEntry&>(m_log.Entries()[0]).updated = 0;
    EXPECT_TRUE(m_log.AddPart("DIARY", "DIARY_1"));
    EXPECT_EQ(m_log.Entries()[0].updated, 1);
    EXPECT_FALSE(m_log.AddPart("Q2", "Q2_PART_1"));
    m_log.AddPart("Q2", "Q2_PART_2");
    std::vector<std::string> parts;
    m_log.GetParts("Q2", parts);
    EXPECT_EQ(parts, (std::vector<std::string>{"Q2_PART_1", "Q2_PART_2"}));
    m_log.AddQuest("Q2", "Q2_TITLE", 0, "");
    EXPECT_TRUE(m_log.Contains("Q2_TITLE"));
    EXPECT_FALSE(m_log.Contains("Q2"));
    EXPECT_TRUE(m_log.Contains("DIARY"));
    EXPECT_TRUE(m_log.Contains("Q2_PART_2"));
    std::vector<SQuestEntry> entries;
    m_log.GetEntries(entries);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_STREQ(entries[0].name, "DIARY");
}

TEST_F(QuestLog, GrowsByItsStepsAndRoundTrips)
{
    for (int i = 0; i < 101; ++i)
        m_log.AddQuest(("Q" + std::to_string(i)).c_str(), "T", i, i % 2 ? "TIMER" : "");
    EXPECT_EQ(m_log.GetQuests().capacity, 120u);
    for (int i = 0; i < 11; ++i)
        m_log.AddEntry(("E" + std::to_string(i)).c_str());
    EXPECT_EQ(m_log.Entries().capacity, 20u);
    m_log.AddPart("E1", "P");
    m_log.SetQuestFailed("Q3");

    CMemStream stream;
    m_log.SaveToStream(stream);
    const Bytes saved = Written(stream);
    EXPECT_EQ(saved.size(), 4 + 4 + 11 * 36 + 4 + 101 * 104 + 4 + 64u);
    CQuestLog loaded;
    CMemStream in;
    Fill(in, saved);
    ASSERT_TRUE(loaded.LoadFromStream(in));
    CMemStream again;
    loaded.SaveToStream(again);
    EXPECT_EQ(Written(again), saved);
    EXPECT_TRUE(loaded.FindQuest("Q3")->IsFailed());
    EXPECT_EQ(loaded.FindQuest("Q100")->number, 100);

    // Zero quests loaded: capacity 0, the next quest grows it by 20.
    CQuestLog empty;
    empty.Init();
    CMemStream none;
    empty.SaveToStream(none);
    CMemStream noneIn;
    Fill(noneIn, Written(none));
    ASSERT_TRUE(loaded.LoadFromStream(noneIn));
    EXPECT_EQ(loaded.GetQuests().capacity, 0u);
    loaded.AddQuest("Q", "T", 0, "");
    EXPECT_EQ(loaded.GetQuests().capacity, 20u);
}

TEST_F(QuestLog, RefusesDamagedChunksAndKeepsItsState)
{
    m_log.AddQuest("KEEP", "T", 1, "");
    CMemStream stream;
    m_log.SaveToStream(stream);
    const Bytes good = Written(stream);
    Bytes wrongVersion = good;
    wrongVersion[0] = 2;
    Bytes tooMany = good;
    tooMany[8] = 9; // quest count 9, one record there
    const Bytes cut(good.begin(), good.end() - 1);
    const struct
    {
        const char* what;
        Bytes bytes;
        const char* reason;
    } cases[] = {
        {"wrong version", wrongVersion, "version 258, 257 expected"},
        {"count past the bytes", tooMany, "quest count 9 needs 936 bytes"},
        {"cut short", cut, "4 bytes wanted, 3 left"},
        {"empty", Bytes{}, "4 bytes wanted, 0 left"},
    };
    for (const auto& c : cases)
    {
        CQuestLog log;
        log.AddQuest("KEEP", "T", 1, "");
        CMemStream in;
        Fill(in, c.bytes);
        EXPECT_FALSE(log.LoadFromStream(in)) << c.what;
        EXPECT_NE(log.FindQuest("KEEP"), nullptr) << c.what;
        EXPECT_NE(ReadText("error.log").find(c.reason), std::string::npos) << c.what << "\n" << ReadText("error.log");
    }
}

} // namespace
