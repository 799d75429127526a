// The mission script manager: the name hash, the script cache, events and
// tasks, timers and their _TIMEOUT procedures, the message cap, balance and
// rating, nested runs and the mission stream.
#include "MissionTestUtil.h"
#include "ScriptTestUtil.h"

#include "foundation/MemStream.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
using namespace missiontest;
using namespace scripttest;

using Mission = CMissionTest;

TEST(MissionNameHash, WeighsEachCharacterByItsPosition)
{
    EXPECT_EQ(MissionNameHash("AB"), 65 * 10 + 66 * 11);
    EXPECT_EQ(MissionNameHash(""), 0);
    EXPECT_EQ(MissionNameHash("\xC0"), -64 * 10); // signed characters
}

TEST_F(Mission, TheSixteenthScriptReplacesTheLeastRecentlyUsed)
{
    for (int i = 0; i < 16; ++i)
        Script("S" + std::to_string(i), "PROC GO\n_SETEVENT(S" + std::to_string(i) + ")\nEND\n");
    for (int i = 0; i < 15; ++i)
    {
        m_world.engineTime = i;
        ASSERT_NE(m_manager.MMLoadScript(("S" + std::to_string(i)).c_str(), 2), nullptr);
    }
    m_world.engineTime = 20;
    CStringPool* s0 = m_manager.MMLoadScript("S0", 2); // S1 is now the oldest
    m_world.engineTime = 21;
    ASSERT_NE(m_manager.MMLoadScript("S15", 2), nullptr);
    std::vector<std::string> cached;
    for (int i = 0; i < CMMScriptManager::kCacheSize; ++i)
        cached.emplace_back(m_manager.CacheEntry(i).name);
    EXPECT_EQ(std::count(cached.begin(), cached.end(), "S1"), 0);
    EXPECT_EQ(std::count(cached.begin(), cached.end(), "S15"), 1);
    EXPECT_EQ(m_manager.MMLoadScript("S0", 2), s0);
    // The kind is part of the name; unknown kinds and missing files give null.
    EXPECT_EQ(m_manager.MMLoadScript("S0", 1), nullptr);
    EXPECT_EQ(m_manager.MMLoadScript("S0", 4), nullptr);
    EXPECT_FALSE(m_manager.MMRunScript("MISSING", 2, "GO"));
}

TEST_F(Mission, CompletingAQuestStampsItsTaskAndStopsItsTimer)
{
    m_manager.AddQuest("Q1");
    EXPECT_TRUE(m_manager.CheckVar("Q1.GET"));
    m_world.clock = 2.0f;
    m_manager.StartTimer("Q1", "2");
    const float fire = 2.0f + 2 * CMMScriptManager::kTimerDaysPerHour + CMMScriptManager::kTimerExtraDays;
    ASSERT_EQ(m_manager.Timers().size(), 1u);
    EXPECT_FLOAT_EQ(m_manager.Timers()[0].fireDay, fire);
    EXPECT_FLOAT_EQ(m_manager.Tasks()[0].time, fire);
    m_world.clock = 2.01f;
    m_world.sounds.clear();
    m_manager.SetEvent("Q1.COMPLETE");
    EXPECT_EQ(m_world.sounds, (std::vector<std::string>{"SND_I_JOB_DONE"}));
    EXPECT_TRUE(m_manager.Timers().empty());
    EXPECT_EQ(m_manager.NextTimer(), -1);
    EXPECT_FLOAT_EQ(m_manager.Tasks()[0].time, 2.01f);
    m_manager.SetEvent("Q1.COMPLETE");
    EXPECT_EQ(m_world.sounds.size(), 1u);
    m_manager.SetEvent("Q2.FAIL");
    EXPECT_EQ(m_world.sounds.back(), "SND_I_JOB_FAILED");
    m_manager.RemoveEvent("Q1.GET");
    EXPECT_FALSE(m_manager.HasEvent("Q1", ".GET"));
    EXPECT_TRUE(m_manager.HasEvent("Q1", ".COMPLETE"));
}

TEST_F(Mission, ATimerRunsItsTimeoutProcedureOnce)
{
    Script("TIMED", "PROC START\n_STARTTIMER(T1,1)\nEND\nPROC T1_TIMEOUT\n_SETEVENT(T1.EXPIRED)\nEND\n");
    ASSERT_TRUE(m_manager.MMRunScript("TIMED", 2, "START"));
    ASSERT_EQ(m_manager.NextTimer(), 0);
    // Asked for one hour, the timer runs 10.5 game minutes longer.
    m_world.clock = 1.0f + (60.0f + 10.0f) / 1440.0f;
    m_manager.OnTimer();
    EXPECT_FALSE(m_manager.CheckVar("T1.EXPIRED"));
    m_world.clock = 1.0f + (60.0f + 11.0f) / 1440.0f;
    m_manager.OnTimer();
    EXPECT_TRUE(m_manager.CheckVar("T1.EXPIRED"));
    EXPECT_EQ(m_world.timerRuns, 1);
    EXPECT_TRUE(m_manager.Timers().empty());
    m_manager.OnTimer();
    EXPECT_EQ(m_world.timerRuns, 1);
}

TEST_F(Mission, AtMostThirtyMessagesAreQueuedAndANewRunEmptiesThem)
{
    std::string source = "PROC MANY\n";
    for (int i = 0; i < 31; ++i)
        source += "_INFO(M" + std::to_string(i) + ")\n";
    source += "_JOURNAL(J)\nEND\nPROC ONE\n_QUEST(Q)\nEND\n";
    Script("MSG", source);
    ASSERT_TRUE(m_manager.MMRunScript("MSG", 2, "MANY"));
    EXPECT_EQ(m_manager.MessageCount(), 30);
    EXPECT_STREQ(m_manager.Message(29).key, "M29");
    EXPECT_EQ(m_manager.Journal(), (std::vector<std::string>{"J"})); // the name is kept, the message dropped
    ASSERT_TRUE(m_manager.MMRunScript("MSG", 2, "ONE"));
    EXPECT_EQ(MessageKeys(), (std::vector<std::string>{"Q"}));
    EXPECT_EQ(m_manager.Message(0).type, SMissionMessage::kQuest);
}

TEST_F(Mission, BalanceAndRatingGoToTheirKinds)
{
    m_manager.AddBalance(100.0f, 0);
    m_manager.AddBalance(-30.0f, 1);
    m_manager.AddBalance(-5.0f, -1);
    m_manager.AddBalance(7.0f, 3); // no income of kind 3
    m_manager.AddRating(4.0f, 2);
    m_manager.AddRating(-4.0f, 2);
    const SMissionState& state = m_manager.State();
    EXPECT_FLOAT_EQ(state.income[2], 100.0f);
    EXPECT_FLOAT_EQ(state.expense[2], 30.0f);
    EXPECT_FLOAT_EQ(state.income[0] + state.income[1] + state.expense[0] + state.expense[1] + state.expense[3], 0.0f);
    EXPECT_FLOAT_EQ(state.rating[2], 4.0f);
    EXPECT_FLOAT_EQ(m_world.money, 72.0f);
    ASSERT_EQ(m_manager.MessageCount(), 6);
    EXPECT_EQ(m_manager.Message(1).type, SMissionMessage::kBalance);
    EXPECT_EQ(m_manager.Message(1).value, -30);
    EXPECT_EQ(m_manager.Message(5).type, SMissionMessage::kRating);
}

TEST_F(Mission, ANestedRunLeavesTheOuterRunWhereItWas)
{
    Script("OUTER", "PROC START\n_INFO(A)\n_EJECT()\nIF(_PROCESS(1))\n{\n_INFO(B)\n}\n_STARTTIMER(AFTER,1)\n_INFO(C)\nEND\n");
    Script("INNER", "PROC GO\n_INFO(I1)\nIF(X)\n{\n_INFO(NEVER)\n}\n_INFO(I2)\nEND\n", ".inf");
    for (int i = 0; i < 15; ++i)
        Script("F" + std::to_string(i), "PROC GO\nEND\n");
    m_world.specialAction = [this](int) {
        // The nested run, and fifteen other scripts through the cache: the
        // running outer script must stay.
        EXPECT_TRUE(m_manager.MMRunScript("INNER", 3, "GO"));
        for (int i = 0; i < 15; ++i)
            m_manager.MMLoadScript(("F" + std::to_string(i)).c_str(), 2);
        return 1;
    };
    ASSERT_TRUE(m_manager.MMRunScript("OUTER", 2, "START"));
    EXPECT_EQ(MessageKeys(), (std::vector<std::string>{"A", "I1", "I2", "B", "C"}));
    ASSERT_NE(m_manager.FindTimer("AFTER"), nullptr);
    EXPECT_STREQ(m_manager.FindTimer("AFTER")->script, "OUTER");
    EXPECT_EQ(m_manager.FindTimer("AFTER")->kind, 2);
    EXPECT_EQ(m_manager.Nesting(), 0);
    EXPECT_TRUE(m_manager.m_bEject);
}

TEST_F(Mission, RunsNestOnlySoDeep)
{
    Script("SELF", "PROC GO\n_PROCESS(1)\nEND\n");
    int depth = 0;
    m_world.specialAction = [&](int) {
        ++depth;
        return m_manager.MMRunScript("SELF", 2, "GO") ? 1 : 0;
    };
    EXPECT_TRUE(m_manager.MMRunScript("SELF", 2, "GO"));
    EXPECT_EQ(depth, CMMScriptManager::kMaxNesting);
    EXPECT_NE(ReadText("error.log").find("runs nested 16 deep"), std::string::npos);
}

TEST_F(Mission, HourlyProceduresMessageEventsAndMissionNames)
{
    Script("CLOCK", "PROC EACHHOUR\n_INFO(TICK)\nEND\n", ".scr");
    ASSERT_TRUE(m_manager.RunEachHour("clock.scr"));
    m_manager.AddQueuedMessageEvents(".READ");
    EXPECT_TRUE(m_manager.CheckVar("TICK.READ"));
    m_manager.SetMissionName("Convoy");
    CXAnsiString text("%NAME: %RATINGNAME");
    m_manager.UpdateXStringWithNames(text);
    EXPECT_STREQ(text.GetText(), "Convoy: "); // no text database: no name
    m_manager.Reset();
    EXPECT_EQ(m_manager.MissionName(), "Unnamed");
    EXPECT_EQ(m_manager.Events().GetCount(), 0u);
    EXPECT_EQ(m_manager.CacheEntry(0).lines, nullptr);
}

// The mission stream of each version the reader accepts, and damaged ones.
TEST_F(Mission, StreamRoundTripsAndRefusesDamage)
{
    m_manager.SetMissionName("Sample");
    m_manager.AddQuest("Q1");
    m_manager.StartTimer("Q1", "5");
    m_manager.AddJournalName("Q1_PART1");
    m_manager.AddBalance(10.0f, 0);
    m_manager.m_iDifficulty = 3;
    CMemStream stream;
    m_manager.SaveToStream(stream);
    const Bytes saved = Written(stream);

    CMMScriptManager loaded;
    CMemStream in;
    Fill(in, saved);
    ASSERT_TRUE(loaded.LoadFromStream(in));
    CMemStream again;
    loaded.SaveToStream(again);
    EXPECT_EQ(Written(again), saved);
    EXPECT_EQ(loaded.MissionName(), "Sample");
    EXPECT_TRUE(loaded.CheckVar("Q1.GET"));
    EXPECT_EQ(loaded.NextTimer(), 0);
    EXPECT_EQ(g_iDifficulty, 3);

    // Version 255 has no difficulty; the oldest form starts with the name length.
    Bytes v255(saved.begin(), saved.end() - 4);
    v255[0] = 255;
    v255[1] = 0;
    Bytes oldest(saved.begin() + 4, saved.end() - 4);
    for (const Bytes& older : {v255, oldest})
    {
        CMMScriptManager m;
        CMemStream s;
        Fill(s, older);
        EXPECT_TRUE(m.LoadFromStream(s));
        EXPECT_EQ(m.m_iDifficulty, 1);
        EXPECT_EQ(m.Timers().size(), 1u);
    }

    Bytes newer = saved;
    newer[0] = 3; // 259
    newer[1] = 1;
    Bytes longName = saved;
    longName[5] = 0xFF;
    Bytes cut(saved.begin(), saved.end() - 5);
    const struct
    {
        const char* what;
        Bytes bytes;
        const char* reason;
    } cases[] = {
        {"unknown version", newer, "version 259, at most 258 known"},
        {"name past the end", longName, "mission name of 65286 bytes"},
        {"cut short", cut, "bytes wanted"},
    };
    for (const auto& c : cases)
    {
        CMemStream s;
        Fill(s, c.bytes);
        EXPECT_FALSE(m_manager.LoadFromStream(s)) << c.what;
        EXPECT_EQ(m_manager.MissionName(), "Sample") << c.what;
        EXPECT_NE(ReadText("error.log").find(c.reason), std::string::npos) << c.what;
    }
}

} // namespace
