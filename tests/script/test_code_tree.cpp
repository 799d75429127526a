// The code tree: values, the truth rule, arithmetic, loops, procedures,
// switches, symbol sharing, the static checks, the dumps, the stream round
// trip and the loader's refusal of damaged streams.
#include "ScriptTestUtil.h"

#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace
{
using namespace scripttest;

class CodeTree : public ::testing::Test
{
protected:
    void SetUp() override { ClearScriptErrors(); }
    void TearDown() override { ClearScriptErrors(); }
};

TEST_F(CodeTree, TruthRule)
{
    struct SCase
    {
        std::uint32_t type;
        const char* text;
        bool truth;
    };
    const SCase cases[] = {
        {DT_INT, "0", false},      {DT_INT, "1", true},        {DT_FLOAT, "0", false},
        {DT_FLOAT, "0.000000", true}, {DT_FLOAT, "0.0", true}, {DT_CHAR, "", false},
        {DT_CHAR, "0", true},      {DT_BOOL, "TRUE", true},    {DT_BOOL, "false", false},
        {DT_BOOL, "1", false},
    };
    for (const SCase& c : cases)
        EXPECT_EQ(ScriptValueIsTrue(c.type, SScriptValue(c.text), 1), c.truth) << c.type << " " << c.text;
    EXPECT_TRUE(ErrorTexts().empty());
    EXPECT_FALSE(ScriptValueIsTrue(DT_VOID, SScriptValue("1"), 3));
    EXPECT_TRUE(HasError("Runtime error: expression mismatch"));
}

TEST_F(CodeTree, ExpressionTable)
{
    CCodeTreeBuilder b;
    const std::string a40(40, 'a'), b40(40, 'b'), cut = a40 + std::string(23, 'b');
    struct SCase
    {
        const char* what;
        CTreeNode* expr;
        std::uint32_t type;
        const char* value; // null: no value
        const char* error; // null: none
    };
    const SCase cases[] = {
        {"5+7", b.Binary(PLUS_EXPR, b.Int(5), b.Int(7)), DT_INT, "12", nullptr},
        {"2*2.5", b.Binary(MULTI_EXPR, b.Int(2), b.Float("2.5")), DT_FLOAT, "5.000000", nullptr},
        {"ab+cd", b.Binary(PLUS_EXPR, b.Str("ab"), b.Str("cd")), DT_CHAR, "abcd", nullptr},
        {"joined past 63", b.Binary(PLUS_EXPR, b.Str(a40.c_str()), b.Str(b40.c_str())), DT_CHAR,
         cut.c_str(), nullptr},
        {"7/2", b.Binary(DIV_EXPR, b.Int(7), b.Int(2)), DT_INT, "3", nullptr},
        {"-7/2", b.Binary(DIV_EXPR, b.Node(UMINUS_EXPR, b.Int(7)), b.Int(2)), DT_INT, "-3", nullptr},
        {"7/0", b.Binary(DIV_EXPR, b.Int(7), b.Int(0)), DT_INT, "0", "Runtime error: division by zero"},
        {"1.5/0.0", b.Binary(DIV_EXPR, b.Float("1.5"), b.Float("0.0")), DT_FLOAT, "0.000000",
         "Runtime error: division by zero"},
        {"2^10", b.Binary(POWER_EXPR, b.Int(2), b.Int(10)), DT_INT, "1024", nullptr},
        {"9-2.5", b.Binary(MINUS_EXPR, b.Int(9), b.Float("2.5")), DT_FLOAT, "6.500000", nullptr},
        {"\"a\"-1", b.Binary(MINUS_EXPR, b.Str("a"), b.Int(1)), DT_CHAR, nullptr, nullptr},
        {"1=\"1\"", b.Binary(EQUAL_EXPR, b.Int(1), b.Str("1")), DT_BOOL, nullptr, nullptr},
        {"1<>2", b.Binary(NOTEQUAL_EXPR, b.Int(1), b.Int(2)), DT_BOOL, "true", nullptr},
        {"10>9", b.Binary(GREATER_EXPR, b.Int(10), b.Int(9)), DT_BOOL, "true", nullptr},
        {"10>\"9\"", b.Binary(GREATER_EXPR, b.Int(10), b.Str("9")), DT_BOOL, nullptr, nullptr},
        {"true>false", b.Binary(GREATER_EXPR, b.Node(BOOL_STMT, b.Int(1)), b.Node(BOOL_STMT, b.Int(0))), DT_BOOL,
         nullptr, nullptr},
        {"\"10\">\"9\"", b.Binary(GREATER_EXPR, b.Str("10"), b.Str("9")), DT_BOOL, "false", nullptr},
        {"1.5<=1.5", b.Binary(LEEQ_EXPR, b.Float("1.5"), b.Float("1.5")), DT_BOOL, "true", nullptr},
        {"0 or \"x\"", b.Binary(OR_EXPR, b.Int(0), b.Str("x")), DT_BOOL, "true", nullptr},
        {"not 0.0", b.Node(NOT_EXPR, b.Float("0.0")), DT_BOOL, "false", nullptr},
        {"int(\"42x\")", b.Node(INT_STMT, b.Str("42x")), DT_INT, "42", nullptr},
        {"float(true)", b.Node(FLOAT_STMT, b.Node(BOOL_STMT, b.Int(3))), DT_FLOAT, "1", nullptr},
        {"concat", b.Concat({b.Str("x="), b.Int(5)}), DT_CHAR, "x=5", nullptr},
        {"builtin 1", b.BuiltIn("BuiltInValue.001"), DT_CHAR, "001.BuiltInValue", nullptr},
        {"builtin ?", b.BuiltIn("BuiltInValue.003"), DT_CHAR, nullptr,
         "Runtime error; BuiltIn [BuiltInValue.003] not found\n"},
    };
    for (const SCase& c : cases)
    {
        ClearScriptErrors();
        std::uint32_t type = DT_UNKNOWN;
        SScriptValue value;
        c.expr->Eval(type, value);
        EXPECT_EQ(type, c.type) << c.what;
        if (c.value)
            EXPECT_STREQ(value.Get(), c.value) << c.what;
        else
            EXPECT_FALSE(value.Has()) << c.what << " gave " << value.Text();
        if (c.error)
            EXPECT_TRUE(HasError(c.error)) << c.what;
        else
            EXPECT_TRUE(ErrorTexts().empty()) << c.what << ": " << ErrorTexts()[0];
    }
}

TEST_F(CodeTree, LoopStopsAfterLimitAndRunGoesOn)
{
    for (const std::int32_t limit : {3, 100})
    {
        ClearScriptErrors();
        CCodeTreeBuilder b;
        SScriptSymbol* count = b.Var("COUNT", DT_INT);
        SScriptSymbol* after = b.Var("AFTER", DT_INT);
        SScriptSymbol* bounded = b.Var("BOUNDED", DT_INT);
        b.SetRoot(b.List({b.While(b.Int(1), b.Inc(count)), b.Assign(after, b.Int(1)),
                          b.While(b.Binary(LESS_EXPR, b.Ident(bounded), b.Int(2)), b.Inc(bounded))}));
        auto script = LoadScript(b.Bytes());
        script->SetLoopLimit(limit);
        EXPECT_TRUE(script->Execute());
        EXPECT_STREQ(script->GetVarValue("COUNT"), std::to_string(limit).c_str());
        EXPECT_STREQ(script->GetVarValue("AFTER"), "1");
        EXPECT_STREQ(script->GetVarValue("BOUNDED"), "2");
        EXPECT_EQ(ErrorTexts(), std::vector<std::string>{"Runtime error: limit loop count"});
    }
}

// A script object that counts its host calls.
class CCountingScript : public CScript
{
public:
    int UserFuncInt(int number, const char* p1, const char* p2, const char* p3, const char* p4, const char* p5,
                    int count) override
    {
        ++m_nCalls;
        m_nLastCount = count;
        return CScript::UserFuncInt(number, p1, p2, p3, p4, p5, count);
    }
    int m_nCalls = 0;
    int m_nLastCount = -1;
};

TEST_F(CodeTree, ProcedureParametersAndResults)
{
    CCodeTreeBuilder b;
    SScriptSymbol* a = b.Var("A", DT_INT, "7", 1);
    SScriptSymbol* s = b.Var("S", DT_CHAR, "init", 1);
    SScriptSymbol* seenA = b.Var("SEENA", DT_INT);
    SScriptSymbol* seenS = b.Var("SEENS", DT_CHAR);
    SScriptSymbol* r1 = b.Var("R1", DT_INT);
    SScriptSymbol* r2 = b.Var("R2", DT_INT);
    SScriptSymbol* r3 = b.Var("R3", DT_INT);
    SScriptSymbol* f = b.Proc("F");
    SScriptSymbol* g = b.Proc("G");
    CTreeNode* fDecl = b.ProcDecl(f, {a, s}, b.List({b.Assign(seenA, b.Ident(a)), b.Assign(seenS, b.Ident(s))}));
    CTreeNode* gDecl = b.ProcDecl(g, {}, b.List({b.Return(b.Int(5)), b.Assign(seenA, b.Int(99))}));
    b.SetRoot(b.List({fDecl, gDecl,
                      // F(3): S takes its initial value; no RETURN gives "0".
                      b.Assign(r1, b.Call(f, {b.Int(3)})),
                      // G returns 5 and stops before its second statement.
                      b.Assign(r2, b.Call(g)),
                      // The third actual has no formal: it is not evaluated.
                      b.Assign(r3, b.Call(f, {b.Call(g), b.Str("x"), b.Oper(12, DT_INT)}))}));
    auto script = LoadScript<CCountingScript>(b.Bytes());
    EXPECT_TRUE(script->Execute());
    EXPECT_STREQ(script->GetVarValue("R1"), "0");
    EXPECT_STREQ(script->GetVarValue("R2"), "5");
    // G's result among F's arguments does not become F's result.
    EXPECT_STREQ(script->GetVarValue("R3"), "0");
    EXPECT_STREQ(script->GetVarValue("SEENA"), "5");
    EXPECT_STREQ(script->GetVarValue("SEENS"), "x");
    EXPECT_EQ(script->m_nCalls, 0);
    EXPECT_TRUE(ErrorTexts().empty());

    // ExecuteProc: arguments beyond the formals are dropped, formals without
    // one keep their values; variables are not reset.
    const char* args[] = {"11", "y", "extra"};
    EXPECT_STREQ(script->ExecuteProc("F", 3, args), "0");
    EXPECT_STREQ(script->GetVarValue("SEENS"), "y");
    EXPECT_STREQ(script->ExecuteProc("F", 1, args), "0");
    EXPECT_STREQ(script->GetVarValue("SEENA"), "11");
    EXPECT_STREQ(script->GetVarValue("SEENS"), "y");
    EXPECT_STREQ(script->ExecuteProc("R1", 0, nullptr), "PROC_NOTFOUND");
    EXPECT_STREQ(script->ExecuteProc("NOPE", 0, nullptr), "PROC_NOTFOUND");
}

TEST_F(CodeTree, HostCallsGetNumberAndArguments)
{
    CCodeTreeBuilder b;
    SScriptSymbol* n = b.Var("N", DT_INT);
    SScriptSymbol* t = b.Var("T", DT_CHAR);
    b.SetRoot(b.List({b.Assign(n, b.Oper(4, DT_INT, {b.Str("a"), b.Str("b")})),
                      b.Assign(t, b.Oper(9, DT_CHAR, {b.Int(1), b.Int(2), b.Int(3), b.Int(4), b.Int(5), b.Int(6)}))}));
    auto script = LoadScript<CCountingScript>(b.Bytes());
    script->Execute();
    EXPECT_STREQ(script->GetVarValue("N"), "488");
    EXPECT_STREQ(script->GetVarValue("T"), "19");
    EXPECT_EQ(script->m_nCalls, 1);
    EXPECT_EQ(script->m_nLastCount, 2);
}

TEST_F(CodeTree, EveryMatchingCaseRuns)
{
    CCodeTreeBuilder b;
    SScriptSymbol* hits = b.Var("HITS", DT_INT);
    CTreeNode* cases = b.Node(STMT_LIST, b.Node(CASE_STMT, b.Int(2), b.Inc(hits)),
                              b.Node(CASE_STMT, b.Int(2), b.Inc(hits)), b.Node(CASE_STMT, b.Int(3), b.Inc(hits)));
    b.SetRoot(b.Node(SWITCH_STMT, b.Int(2), cases));
    auto script = LoadScript(b.Bytes());
    script->Execute();
    EXPECT_STREQ(script->GetVarValue("HITS"), "2");
}

TEST_F(CodeTree, EndlessRecursionIsStopped)
{
    CCodeTreeBuilder b;
    SScriptSymbol* f = b.Proc("F");
    SScriptSymbol* after = b.Var("AFTER", DT_INT);
    b.SetRoot(b.List({b.ProcDecl(f, {}, b.List({b.Call(f), b.Call(f)})), b.Call(f), b.Assign(after, b.Int(1))}));
    auto script = LoadScript(b.Bytes());
    script->Execute();
    EXPECT_TRUE(HasError("Runtime error: nesting too deep"));
    EXPECT_EQ(ErrorTexts().size(), 1u);
    // The next run starts afresh.
    ClearScriptErrors();
    EXPECT_STREQ(script->ExecuteProc("AFTER", 0, nullptr), "PROC_NOTFOUND");
}

TEST_F(CodeTree, ReferencesShareSymbolsAcrossTheStream)
{
    CCodeTreeBuilder b;
    SScriptSymbol* x = b.Var("X", DT_INT);
    b.SetRoot(b.List({b.Assign(x, b.Binary(PLUS_EXPR, b.Ident(x), b.Int(4))),
                      b.Assign(x, b.Binary(PLUS_EXPR, b.Ident(x), b.Int(4)))}));
    const Bytes bytes = b.Bytes();
    auto script = LoadScript(bytes);
    // X, and the constant 4 used twice: two symbols.
    EXPECT_EQ(script->GetTree()->m_Symbols.GetCount(), 2u);
    // Saving the loaded tree gives the same bytes.
    CMemStream again;
    script->SaveToStream(again);
    script->Execute();
    EXPECT_STREQ(script->GetVarValue("X"), "8");
    const Bytes saved = Written(again);
    ASSERT_EQ(saved.size(), bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i)
        ASSERT_EQ(saved[i], bytes[i]) << "byte " << i;
}

TEST_F(CodeTree, ResetGivesTypeDefaults)
{
    CSymbolTable table;
    auto* i = new SScriptSymbol();
    i->m_nKind = IT_VAR;
    i->m_nType = DT_INT;
    i->m_Value.Set("5");
    auto* flag = new SScriptSymbol();
    flag->m_nKind = IT_VAR;
    flag->m_nType = DT_BOOL;
    auto* given = new SScriptSymbol();
    given->m_nKind = IT_VAR;
    given->m_nType = DT_CHAR;
    given->m_Init.Set("start");
    table.Add(i);
    table.Add(flag);
    table.Add(given);
    table.ResetVariables();
    EXPECT_STREQ(i->m_Value.Get(), "0");
    EXPECT_STREQ(i->m_Init.Get(), "0");
    EXPECT_STREQ(flag->m_Value.Get(), "false");
    EXPECT_STREQ(given->m_Value.Get(), "start");
}

TEST_F(CodeTree, StaticChecks)
{
    CCodeTreeBuilder b;
    SScriptSymbol* f = b.Proc("F");
    SScriptSymbol* real = b.Var("REAL", DT_FLOAT, nullptr, 2);
    SScriptSymbol* whole = b.Var("WHOLE", DT_INT, nullptr, 3);
    SScriptSymbol* g = b.Proc("G");
    SScriptSymbol* undeclared = b.Proc("U");
    CTreeNode* fDecl = b.ProcDecl(f, {real}, b.List({}));
    CTreeNode* gDecl = b.ProcDecl(g, {whole}, b.List({}));
    CTreeNode* ok = b.List({b.Call(f, {b.Int(1)}), b.Call(f, {}), b.Call(g, {b.Int(1)})});
    b.SetRoot(b.List({fDecl, gDecl, ok}));
    {
        auto script = LoadScript(b.Bytes());
        EXPECT_TRUE(script->Check()) << ErrorTexts()[0];
    }
    struct SCase
    {
        const char* what;
        std::function<CTreeNode*(CCodeTreeBuilder&, SScriptSymbol*)> make;
        const char* error;
    };
    (void)undeclared;
    CCodeTreeBuilder c;
    SScriptSymbol* cf = c.Proc("F");
    SScriptSymbol* cwhole = c.Var("WHOLE", DT_INT, nullptr, 3);
    SScriptSymbol* ctext = c.Var("TEXT", DT_CHAR);
    SScriptSymbol* cu = c.Proc("U");
    CTreeNode* cDecl = c.ProcDecl(cf, {cwhole}, c.List({}));
    c.SetLine(static_cast<std::uint32_t>(ctext->m_nLine - 1)); // assigned on its own line
    CTreeNode* sameLine = c.Assign(ctext, c.Str("a"));
    c.SetLine(100);
    b.SetRoot(nullptr);
    c.SetRoot(c.List({cDecl, sameLine,
                      c.List({c.Call(cf, {c.Float("1.5")}), c.Call(cf, {c.Int(1), c.Int(2)}), c.Call(cu)}),
                      c.List({c.Inc(ctext), c.Assign(cwhole, c.Str("x"))})}));
    auto script = LoadScript(c.Bytes());
    ClearScriptErrors();
    EXPECT_FALSE(script->Check());
    const std::vector<std::string> expected = {
        "Variable not declared [TEXT]", "Proc param mismatch", "Too many parameters", "Procedure not declared",
        "Param mismatch",               "Type mismatch [WHOLE]",
    };
    EXPECT_EQ(ErrorTexts(), expected);
    // Check empties the list first.
    EXPECT_FALSE(script->Check());
    EXPECT_EQ(ErrorTexts().size(), expected.size());
}

TEST_F(CodeTree, Dumps)
{
    CCodeTreeBuilder b;
    b.SetLine(10);
    SScriptSymbol* x = b.Var("X", DT_INT, "3");
    b.SetRoot(b.List({b.Assign(x, b.Int(4))}));
    auto script = LoadScript(b.Bytes());
    ::testing::internal::CaptureStdout();
    script->GetTree()->Dump();
    script->GetTree()->m_Symbols.Dump();
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "T=ASSIGN_STMT C1 line = 13\n"
                   "  T=ASSIGN_EXPR C1 N=X V=\"3\" line = 12\n"
                   "    T=INT_EXPR C0 N= V=\"4\" line = 11\n"
                   "D {DT_UNKNOWN, DT_VOID, DT_INT, DT_BOOL, DT_CHAR};\n"
                   "T {IT_UNKNOWN, IT_CONST, IT_VAR, IT_PROC, IT_OPERATOR};\n"
                   "Name       Area       T D P L    Value\n"
                   "X          0 2 2   10   \"3\"\n"
                   "           0 1 2   0    \"4\"\n"
                   "\n");
}

// ---------------------------------------------------------------------------
// Damaged streams

Bytes ValidStream()
{
    CCodeTreeBuilder b;
    SScriptSymbol* x = b.Var("X", DT_INT);
    b.SetRoot(b.List({b.Assign(x, b.Int(4))}));
    return b.Bytes();
}

void PutU32(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Root: bytes 4-9; its child ASSIGN_STMT 10-15; ASSIGN_EXPR 16-21, whose
// symbol record (X) starts at 22.
struct SDamage
{
    const char* what;
    std::function<void(Bytes&)> damage;
    const char* reason;
};

void PrintTo(const SDamage& damage, std::ostream* out)
{
    *out << damage.what;
}

class CodeTreeDamaged : public ::testing::TestWithParam<SDamage>
{
};

TEST_P(CodeTreeDamaged, IsRefusedWithReason)
{
    Bytes bytes = ValidStream();
    GetParam().damage(bytes);
    CMemStream stream;
    Fill(stream, bytes);
    CScript script;
    EXPECT_FALSE(script.LoadFromStream(stream));
    EXPECT_NE(std::string(script.GetLoadError()).find(GetParam().reason), std::string::npos)
        << script.GetLoadError();
    EXPECT_FALSE(script.Execute());
    EXPECT_STREQ(script.ExecuteProc("X", 0, nullptr), "PROC_NOTFOUND");
}

Bytes DeepStream(std::uint32_t depth)
{
    Bytes bytes(4);
    PutU32(bytes, 0, depth);
    for (std::uint32_t i = 0; i < depth; ++i)
        bytes.insert(bytes.end(), {1, 0, STMT_LIST, 0, static_cast<std::uint8_t>(i + 1 < depth ? 1 : 0), 0});
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Table, CodeTreeDamaged,
    ::testing::Values(
        SDamage{"empty", [](Bytes& b) { b.clear(); }, "4 bytes wanted, 0 left"},
        SDamage{"no nodes", [](Bytes& b) { PutU32(b, 0, 0); }, "no nodes"},
        SDamage{"huge count", [](Bytes& b) { PutU32(b, 0, 0xFFFFFFFFu); }, "node count 4294967295"},
        SDamage{"cut short", [](Bytes& b) { b.erase(b.end() - 3, b.end()); }, "left"},
        SDamage{"four children", [](Bytes& b) { b[8] = 4; }, "4 children (at most 3)"},
        SDamage{"child past count", [](Bytes& b) { PutU32(b, 0, 2); }, "child beyond the node count 2"},
        SDamage{"node type", [](Bytes& b) { b[6] = 49; }, "node type 49"},
        SDamage{"symbol flag", [](Bytes& b) { b[19] = 3; }, "symbol flag 3"},
        SDamage{"long name", [](Bytes& b) { PutU32(b, 22, 200); }, "symbol text of 200"},
        SDamage{"symbol kind", [](Bytes& b) { PutU32(b, 22 + 20, 9); }, "symbol kind 9"},
        SDamage{"deep", [](Bytes& b) { b = DeepStream(CCodeTree::kMaxLoadDepth + 2); }, "nested deeper"}),
    [](const ::testing::TestParamInfo<SDamage>& info) {
        std::string name = info.param.what;
        for (char& c : name)
            if (c == ' ')
                c = '_';
        return name;
    });

TEST(CodeTreeDeep, StreamAtTheDepthLimitLoadsAndRuns)
{
    auto script = LoadScript(DeepStream(CCodeTree::kMaxLoadDepth + 1));
    EXPECT_TRUE(script->Execute());
}

TEST(Script, NeverLoadedDoesNothing)
{
    CScript script;
    EXPECT_FALSE(script.Execute());
    EXPECT_STREQ(script.ExecuteProc("F", 0, nullptr), "PROC_NOTFOUND");
    EXPECT_EQ(script.GetVarValue("X"), nullptr);
}

} // namespace
