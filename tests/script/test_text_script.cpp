// Text scripts: loading and cleaning lines, INCLUDE and its guards, calls,
// conditions, blocks, RETURN, and the compiled form.
#include "ScriptTestUtil.h"
#include "common/LogDirTest.h"

#include "script/ScriptInter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace
{

// Records the calls; answers from a table of names and of flag words.
class CRecordingInter : public CScriptInter
{
public:
    bool RunFunction(const char* name, CStringPool* arguments) override
    {
        std::string call = std::string(name) + "(";
        for (std::uint32_t i = 0; i < arguments->GetCount(); ++i)
            call += (i ? "," : "") + std::string(arguments->Get(i));
        call += ")";
        m_calls.push_back(call);
        const auto it = m_answers.find(call);
        return it == m_answers.end() || it->second;
    }
    bool CheckVar(const char* word) override
    {
        m_words.push_back(word);
        return m_flags.count(word) != 0;
    }
    std::vector<std::string> m_calls;
    std::vector<std::string> m_words;
    std::map<std::string, bool> m_answers;
    std::map<std::string, bool> m_flags;
};

class TextScript : public testutil::CLogDirTest
{
protected:
    void SetUp() override
    {
        CLogDirTest::SetUp();
        std::filesystem::create_directories(m_dir / "SCRIPT");
        m_inter.SetBaseDirectory((m_dir.string() + "\\").c_str());
    }
    void TearDown() override
    {
        delete m_lines;
        CLogDirTest::TearDown();
    }
    void Write(const char* name, const std::string& text)
    {
        std::ofstream(m_dir / "SCRIPT" / name, std::ios::binary) << text;
    }
    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines;
        for (std::uint32_t i = 0; m_lines && i < m_lines->GetCount(); ++i)
            lines.emplace_back(m_lines->Get(i));
        return lines;
    }
    // Loads the text as one script and runs it (from procedure, if given).
    int Run(const std::string& text, const char* procedure = nullptr)
    {
        Write("run.scr", text);
        delete m_lines;
        m_lines = nullptr;
        EXPECT_TRUE(m_inter.LoadScript("run.scr", &m_lines, false));
        return m_inter.RunScript(&m_lines, procedure);
    }

    CRecordingInter m_inter;
    CStringPool* m_lines = nullptr;
};

TEST_F(TextScript, LinesAreCleaned)
{
    struct SCase
    {
        const char* in;
        const char* out; // null: dropped
    };
    const std::string longCall = "_Say(" + std::string(150, 'a') + ")";
    const SCase cases[] = {
        {"_Give( a, b );", "_GIVE(A,B)"},
        {"_Give(a) // and a comment", nullptr},
        {"// a comment", nullptr},
        {"\t  ;;  ", nullptr},
        {"if ( _Has(x) & !flag )", "IF(_HAS(X)&!FLAG)"},
        {"proc Start()", "PROCSTART()"},
        {"\xe0\xe1\xe2 \xff", "\xc0\xc1\xc2\xdf"}, // 1251 letters upper-cased
        {longCall.c_str(), nullptr},               // checked below
    };
    std::string text;
    for (const SCase& c : cases)
        text += std::string(c.in) + "\r\n";
    text += "last line without end";
    Write("clean.scr", text);
    ASSERT_TRUE(m_inter.LoadScript("clean.scr", &m_lines, false));
    std::vector<std::string> expected;
    for (const SCase& c : cases)
        if (c.out)
            expected.emplace_back(c.out);
    std::string upperLong = "_SAY(" + std::string(150, 'A') + ")";
    expected.push_back(upperLong);
    expected.push_back("LASTLINEWITHOUTEND");
    EXPECT_EQ(Lines(), expected);
}

TEST_F(TextScript, IncludeLoadsInPlaceAndRefusesCycles)
{
    Write("main.scr", "_A()\ninclude part.scr\n_C()\n");
    Write("part.scr", "_B()\nINCLUDE main.scr\nINCLUDE self.scr\n");
    Write("self.scr", "_S()\ninclude self.scr\n");
    ASSERT_TRUE(m_inter.LoadScript("main.scr", &m_lines, false));
    EXPECT_EQ(Lines(), (std::vector<std::string>{"_A()", "_B()", "_S()", "_C()"}));
    const std::string log = ReadText("error.log");
    EXPECT_NE(log.find("MAIN.SCR' includes itself"), std::string::npos) << log;
    EXPECT_NE(log.find("SELF.SCR' includes itself"), std::string::npos) << log;
    // A full path empties the pool first; a missing file is false.
    ASSERT_TRUE(m_inter.LoadScript((m_dir / "SCRIPT" / "self.scr").c_str(), &m_lines, true));
    EXPECT_EQ(Lines(), (std::vector<std::string>{"_S()"}));
    EXPECT_FALSE(m_inter.LoadScript("missing.scr", &m_lines, false));

    // A chain of includes stops at the depth limit; a missing one is logged.
    for (int i = 0; i < 12; ++i)
        Write(("c" + std::to_string(i) + ".scr").c_str(),
              "_L" + std::to_string(i) + "()\ninclude c" + std::to_string(i + 1) + ".scr\n");
    Write("gap.scr", "include nothere.scr\n_AFTER()\n");
    delete m_lines;
    m_lines = nullptr;
    ASSERT_TRUE(m_inter.LoadScript("c0.scr", &m_lines, false));
    EXPECT_EQ(Lines().size(), static_cast<std::size_t>(CScriptInter::kMaxIncludeDepth));
    ASSERT_TRUE(m_inter.LoadScript("gap.scr", &m_lines, false));
    EXPECT_EQ(Lines().back(), "_AFTER()");
    const std::string after = ReadText("error.log");
    EXPECT_NE(after.find("C8.SCR' included more than 8 deep"), std::string::npos) << after;
    EXPECT_NE(after.find("NOTHERE.SCR', which does not open"), std::string::npos) << after;
}

TEST_F(TextScript, CallsAndArguments)
{
    struct SCase
    {
        const char* line;
        int sum;
        const char* name;
        std::vector<std::string> args;
    };
    const SCase cases[] = {
        {"_GIVE(A,B)", 'G' + 'I' + 'V' + 'E', "GIVE", {"A", "B"}},
        {"_F()", 'F', "F", {""}},
        {"_F(A)TAIL", 'F', "F", {"A"}},
        {"_F(A", 'F', "F", {}},
        {"_F", -1, "", {}},
        {"GIVE(A)", -1, "", {}},
    };
    for (const SCase& c : cases)
    {
        EXPECT_EQ(m_inter.GetFunction(c.line), c.sum) << c.line;
        EXPECT_STREQ(m_inter.GetName(), c.name) << c.line;
        std::vector<std::string> args;
        for (std::uint32_t i = 0; i < m_inter.GetArguments()->GetCount(); ++i)
            args.emplace_back(m_inter.GetArguments()->Get(i));
        EXPECT_EQ(args, c.args) << c.line;
    }
    // A name longer than the name field is cut, not overflowed.
    const std::string longName = "_" + std::string(300, 'N') + "(X)";
    EXPECT_GE(m_inter.GetFunction(longName.c_str()), 0);
    EXPECT_EQ(std::string(m_inter.GetName()), std::string(79, 'N'));
}

TEST_F(TextScript, Conditions)
{
    m_inter.m_answers["F(1)"] = true;
    m_inter.m_answers["F(0)"] = false;
    m_inter.m_flags["G"] = true;
    struct SCase
    {
        const char* line;
        bool holds;
    };
    const SCase cases[] = {
        {"IF(_F(1)&!H)", true}, {"IF(_F(1)&!G)", false}, {"IF(_F(0)|G)", true},
        {"IF(X&Y|Z)", false},   {"IF(!G)", false},        {"IF(G)", true},
        {"IF(G!H)", false},     {"IF(_F(0))", false},
    };
    for (const SCase& c : cases)
        EXPECT_EQ(m_inter.CheckCondition(c.line), c.holds) << c.line;
    // "X&Y|Z" splits at "&" only: the right operand is one word.
    EXPECT_EQ(m_inter.m_words[3], "X");
    EXPECT_EQ(m_inter.m_words[4], "Y|Z");
    EXPECT_NE(ReadText("error.log").find("CScriptInter::CheckCondition Logical error"), std::string::npos);
    // A condition longer than its field still decides on the whole text.
    const std::string longCondition = "IF(" + std::string(120, 'Q') + "|G)";
    EXPECT_TRUE(m_inter.CheckCondition(longCondition.c_str()));
}

TEST_F(TextScript, BlocksAndResults)
{
    m_inter.m_answers["NO()"] = false;
    struct SCase
    {
        const char* what;
        std::string text;
        const char* procedure;
        std::vector<std::string> calls;
        const char* result;
    };
    const SCase cases[] = {
        {"if true, else skipped", "IF(_YES())\n{\n_A()\n}\nELSE\n{\n_B()\n}\n_C()\nEND\n_D()", nullptr,
         {"YES()", "A()", "C()"}, ""},
        {"if false, else entered", "IF(_NO())\n{\n_A()\n{\n_X()\n}\n}\nELSE\n{\n_B()\n}\n_C()", nullptr,
         {"NO()", "B()", "C()"}, ""},
        {"if without brace", "IF(_YES())\n_A()\n_B()", nullptr, {"YES()", "B()"}, ""},
        {"procedure on the first line", "PROC START\n_A()\nRETURN(OK)\n_B()", "START", {"A()"}, "OK"},
        {"procedure with parentheses", "_Z()\nPROC GO()\n_A()\nRETURN", "GO", {"A()"}, " "},
        {"missing procedure", "_A()", "NONE", {}, ""},
        {"runs on through later procs", "PROC ONE\n_A()\nPROC TWO\n_B()\nEND", "ONE", {"A()", "B()"}, ""},
    };
    for (const SCase& c : cases)
    {
        m_inter.m_calls.clear();
        m_inter.m_szResult[0] = '\0';
        const int ran = Run(c.text, c.procedure);
        EXPECT_EQ(ran, std::string(c.what) == "missing procedure" ? 0 : 1) << c.what;
        EXPECT_EQ(m_inter.m_calls, c.calls) << c.what;
        EXPECT_STREQ(m_inter.GetResult(), c.result) << c.what;
    }
    // A result longer than its field is cut.
    Run("RETURN(" + std::string(200, 'R') + ")");
    EXPECT_EQ(std::string(m_inter.GetResult()), std::string(82, 'R'));
}

TEST_F(TextScript, CompiledRoundTrip)
{
    const std::string longLine = "_SAY(" + std::string(120, 'W') + ")";
    Run("_A(1)\n" + longLine + "\nPROC P\n_B()\n");
    const std::string compiled = (m_dir / "SCRIPT" / "run.bin").string();
    ASSERT_TRUE(m_inter.SaveCompiled(compiled.c_str(), m_lines));
    CStringPool* loaded = nullptr;
    ASSERT_TRUE(m_inter.LoadCompiled(compiled.c_str(), &loaded));
    ASSERT_EQ(loaded->GetCount(), m_lines->GetCount());
    for (std::uint32_t i = 0; i < loaded->GetCount(); ++i)
        EXPECT_STREQ(loaded->Get(i), m_lines->Get(i));
    m_inter.m_calls.clear();
    m_inter.RunScript(&loaded, nullptr);
    EXPECT_EQ(m_inter.m_calls.size(), 3u);
    EXPECT_EQ(m_inter.m_calls[1], "SAY(" + std::string(120, 'W') + ")");

    // A damaged compiled file is refused with one line naming it.
    std::string bytes;
    {
        std::ifstream in(compiled, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    bytes[4 + 4] = static_cast<char>(0x7F); // used bytes far beyond the buffer
    std::ofstream(compiled, std::ios::binary) << bytes;
    EXPECT_FALSE(m_inter.LoadCompiled(compiled.c_str(), &loaded));
    EXPECT_EQ(loaded->GetCount(), m_lines->GetCount());
    EXPECT_NE(ReadText("error.log").find("run.bin': string pool at byte"), std::string::npos)
        << ReadText("error.log");
    EXPECT_FALSE(m_inter.LoadCompiled((m_dir / "none.bin").c_str(), &loaded));
    delete loaded;
}

} // namespace
