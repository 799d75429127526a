// The game scripts' built-in functions that need no world: results,
// variables, nested procedures, the quest log, the radar and the game flow
// through the call table, each called from a script.
#include "BuiltInTestUtil.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{

using builtintest::g_seam;

class BuiltIns : public builtintest::CBuiltInTest
{
};

TEST_F(BuiltIns, ResultsOfEachType)
{
    const struct
    {
        int number;
        std::vector<std::string> args;
        int type;
        const char* text;
        int value;
        bool withScript;
    } cases[] = {
        {1, {"CONSOLE"}, 3, "CONSOLE", 0, true},   {32, {"VITAL"}, 2, "VITAL", 0, true},
        {37, {"MESSAGE"}, 1, "MESSAGE", 0, true},  {38, {"PLAIN"}, 0, "PLAIN", 0, false},
        {18, {"GROUP_A"}, 5, "GROUP_A", 0, false}, {20, {}, 5, "ALL", 0, false},
        {19, {"SIX"}, 6, "SIX", 0, false},         {67, {"42"}, 10, "", 42, false},
    };
    for (const auto& c : cases)
    {
        m_manager->ResetResults();
        std::memset(m_manager->GetResults()->m_Results, 0, sizeof(SScriptResult));
        const std::string script = "results" + std::to_string(c.number);
        Call(c.number, true, c.args, script.c_str());
        ASSERT_EQ(Results().m_iResultCount, 1) << c.number;
        const SScriptResult& r = Results().m_Results[0];
        EXPECT_EQ(r.type, c.type) << c.number;
        EXPECT_STREQ(r.text, c.text) << c.number;
        EXPECT_EQ(r.value, c.value) << c.number;
        EXPECT_STREQ(r.script, c.withScript ? script.c_str() : "") << c.number;
    }

    // A mech's speech: the text in the first 64 characters, the mech after.
    Call(84, true, {"MECH_7", std::string(80, 'w')});
    EXPECT_EQ(LastResult().type, 11);
    EXPECT_EQ(std::string(LastResult().text), std::string(63, 'w'));
    EXPECT_STREQ(LastResult().text + 64, "MECH_7");
    Call(87, true, {});
    EXPECT_EQ(Results().m_iResultCount, 0);
    EXPECT_EQ(Log(), "");
}

TEST_F(BuiltIns, TheTwoHundredFiftySixthResultIsRefused)
{
    for (int i = 0; i < 254; ++i)
        ASSERT_TRUE(m_manager->AddResult(3, "filler", 0, false));
    Call(1, true, {"LAST"});
    EXPECT_EQ(Results().m_iResultCount, 255);
    EXPECT_STREQ(LastResult().text, "LAST");
    EXPECT_EQ(Log(), "");
    Call(37, true, {"ONE_TOO_MANY"});
    EXPECT_EQ(Results().m_iResultCount, 255);
    EXPECT_STREQ(LastResult().text, "LAST");
    EXPECT_TRUE(Logged("Script: Text array override"));
}

TEST_F(BuiltIns, VariablesAreRemovedByZeroAndByTheEmptyText)
{
    EXPECT_EQ(Call(4, true, {"COUNT", "5"}), "");
    EXPECT_EQ(Call(5, false, {"COUNT"}), "5");
    Call(4, true, {"COUNT", "-2"});
    EXPECT_EQ(Call(5, false, {"COUNT"}), "-2");
    ASSERT_EQ(m_manager->IntVars().size(), 1u);
    Call(4, true, {"COUNT", "0"});
    EXPECT_TRUE(m_manager->IntVars().empty());
    EXPECT_EQ(Call(5, false, {"COUNT"}), "0");
    Call(4, true, {"NEVER_SET", "0"});
    EXPECT_TRUE(m_manager->IntVars().empty());

    Call(26, true, {"WHO", "SAMPLE_HALL"});
    EXPECT_EQ(Call(27, true, {"WHO"}), "SAMPLE_HALL");
    Call(26, true, {"WHO", std::string(40, 'n')});
    EXPECT_EQ(Call(27, true, {"WHO"}), std::string(31, 'n'));
    Call(26, true, {"WHO", ""});
    EXPECT_TRUE(m_manager->StrVars().empty());
    EXPECT_EQ(Call(27, true, {"WHO"}), "");
    EXPECT_EQ(Log(), "");
}

TEST_F(BuiltIns, ANestedProcedureHandsTheScriptNameBack)
{
    // inner.P sets timer T; outer.Run calls inner.P, then sets timer U.
    {
        CCodeTreeBuilder b;
        SScriptSymbol* object = b.Var("OBJECT", DT_CHAR, nullptr, 1);
        SScriptSymbol* p = b.Proc("P", DT_INT);
        b.SetRoot(b.List({b.ProcDecl(
            p, {object}, b.List({b.Oper(16, DT_CHAR, {b.Str("T"), b.Str("1"), b.Ident(object)})}))}));
        ASSERT_TRUE(WriteScriptFile((m_dir / "Data" / "Bin" / "inner.bin").string(), b.Bytes()));
    }
    CCodeTreeBuilder b;
    SScriptSymbol* object = b.Var("OBJECT", DT_CHAR, nullptr, 1);
    SScriptSymbol* run = b.Proc("Run", DT_INT);
    b.SetRoot(b.List({b.ProcDecl(run, {object},
                                 b.List({b.Oper(25, DT_CHAR, {b.Str("inner"), b.Str("P"), b.Str("HALL")}),
                                         b.Oper(16, DT_CHAR, {b.Str("U"), b.Str("2"), b.Str("GATE")})}))}));
    ASSERT_TRUE(WriteScriptFile((m_dir / "Data" / "Bin" / "outer.bin").string(), b.Bytes()));
    m_manager->RunScriptProc("outer", "Run", "X", false, nullptr);
    ASSERT_NE(m_manager->FindTimer("T"), nullptr);
    ASSERT_NE(m_manager->FindTimer("U"), nullptr);
    EXPECT_STREQ(m_manager->FindTimer("T")->script, "inner");
    EXPECT_STREQ(m_manager->FindTimer("T")->object, "HALL");
    EXPECT_STREQ(m_manager->FindTimer("U")->script, "outer");
    EXPECT_STREQ(m_manager->GetScriptName(), "outer");
    Call(33, true, {"U", "GATE"});
    EXPECT_EQ(m_manager->FindTimer("U"), nullptr);
    EXPECT_EQ(Log(), "");
}

TEST_F(BuiltIns, QuestLogThroughScripts)
{
    Call(47, true, {"Q1", "Q1_TITLE", "3", "Q1_TIMER"});
    ASSERT_NE(m_quest.FindQuest("Q1"), nullptr);
    EXPECT_EQ(m_quest.FindQuest("Q1")->number, 3);
    EXPECT_STREQ(m_quest.FindQuest("Q1")->timer, "Q1_TIMER");
    const struct
    {
        int number;
        const char* id;
        const char* answer;
    } before[] = {{53, "Q1", "1"}, {51, "Q1", "0"}, {52, "Q1", "0"}, {53, "Q2", "0"}, {46, "E1", "0"}};
    for (const auto& c : before)
        EXPECT_EQ(Call(c.number, false, {c.id}), c.answer) << c.number << " " << c.id;

    // Parts go under the journal entry of the same name.
    Call(2, true, {"Q1"});
    EXPECT_EQ(Call(46, false, {"Q1"}), "1");
    Call(50, true, {"Q1", "Q1_PART1"});
    EXPECT_EQ(LastResult().type, 4);
    EXPECT_STREQ(LastResult().text, "Q1_PART1");
    const int results = Results().m_iResultCount;
    Call(50, true, {"NO_SUCH_ENTRY", "PART"}); // no entry: no result
    EXPECT_EQ(Results().m_iResultCount, results);

    Call(48, true, {"Q1"});
    EXPECT_EQ(Call(51, false, {"Q1"}), "1");
    Call(47, true, {"Q2", "Q2_TITLE", "0", ""});
    Call(49, true, {"Q2"});
    EXPECT_EQ(Call(52, false, {"Q2"}), "1");

    Call(2, true, {"E1"});
    EXPECT_EQ(LastResult().type, 4);
    EXPECT_STREQ(LastResult().text, "E1");
    EXPECT_EQ(Call(46, false, {"E1"}), "1");
    const struct
    {
        const char* state;
        int expected;
    } states[] = {{"1", 1}, {"2", 2}, {"3", 0}, {"", 0}, {"2", 2}, {"12", 0}};
    for (const auto& s : states)
    {
        Call(83, true, {"E1", s.state});
        ASSERT_NE(m_quest.FindEntry("E1"), nullptr);
        EXPECT_EQ(m_quest.FindEntry("E1")->state, s.expected) << '"' << s.state << '"';
    }
    EXPECT_EQ(Log(), "");
}

TEST_F(BuiltIns, RadarRatingAndGameFlowGoThroughTheCallTable)
{
    const struct
    {
        int number;
        std::vector<std::string> args;
        const char* call;
        bool text = true;
        const char* answer = nullptr; // null: not looked at
    } cases[] = {
        {8, {"SAMPLE_HALL", "1"}, "mark SAMPLE_HALL 1"},
        {8, {"", "1"}, "clear target"},
        {89, {"SAMPLE_HALL"}, "unmark SAMPLE_HALL"},
        {7, {"2", "5"}, "rating 0 5"},
        {7, {"3", "-4"}, "rating 2 -4"},
        {7, {"4", "1"}, "rating 1 1"},
        {66, {"NORTH", "GATE_1"}, "travel NORTH.mmp GATE_1"},
        {94, {}, "end 10"},
        {95, {"FINALE", "1"}, "video FINALE now"},
        {95, {"", "0"}, "video "},
        {85, {"NORTH", "0"}, "key NORTH one more"},
        {85, {"NORTH", "2"}, "key NORTH given"},
        {86, {"NORTH"}, "has key NORTH", false, "1"},
        {86, {"SOUTH"}, "has key SOUTH", false, "0"},
        {90, {"0"}, "level 2", false, "4"},
        {90, {"1"}, "level 1", false, "3"},
        {90, {"2"}, "level 0", false, "2"},
    };
    for (const auto& c : cases)
    {
        g_seam.clear();
        const std::string answer = Call(c.number, c.text, c.args);
        ASSERT_EQ(g_seam.size(), 1u) << c.call;
        EXPECT_EQ(g_seam[0], c.call);
        if (c.answer)
        {
            EXPECT_EQ(answer, c.answer) << c.call;
        }
    }
    // A key given is reported to the player with its location and number.
    EXPECT_EQ(LastResult().type, 12);
    EXPECT_STREQ(LastResult().text, "NORTH");
    EXPECT_EQ(LastResult().value, 2);
    g_seam.clear();
    EXPECT_EQ(Call(90, false, {"3"}), "0"); // no such kind: nothing asked
    EXPECT_TRUE(g_seam.empty());
    EXPECT_EQ(Log(), "");

    // Without the folder that fills an entry: one line, nothing done.
    g_ScriptGameCalls = SScriptGameCalls{};
    g_seam.clear();
    Call(8, true, {"SAMPLE_HALL", "1"});
    Call(94, true, {});
    EXPECT_TRUE(g_seam.empty());
    EXPECT_TRUE(Logged("SCRIPT: radar is not available"));
    EXPECT_TRUE(Logged("SCRIPT: game cycle is not available"));
    EXPECT_EQ(Call(86, false, {"NORTH"}), "0");
    EXPECT_TRUE(Logged("SCRIPT: location records is not available"));
}

TEST_F(BuiltIns, RandomNumbersAndNumbersWithoutABuiltIn)
{
    EXPECT_EQ(Call(24, false, {"0"}), "0");
    EXPECT_EQ(Call(24, false, {"1"}), "0");
    for (int i = 0; i < 20; ++i)
    {
        const int n = std::stoi(Call(24, false, {"7"}));
        EXPECT_TRUE(n >= 0 && n < 7) << n;
    }
    // Numbers no built-in has answer nothing, silently.
    for (int number : {35, 73, 75, 96})
    {
        EXPECT_EQ(Call(number, true, {"A"}), "") << number;
        EXPECT_EQ(Call(number, false, {"A"}), "0") << number;
    }
    EXPECT_EQ(Log(), "");
    // 41 names no mech to take a group back from.
    Call(41, true, {});
    EXPECT_TRUE(Logged("SCRIPT: built-in 41 names no mech"));
}

} // namespace
