// fuzz_script_corpus: writes the seed corpora of the script fuzz targets
// with the engine's own writers (the code-tree builder, the string pool, the
// text interpreter's compiled form), plus damaged variants of each seed.
//
//     fuzz_script_corpus DIR   writes DIR/script, DIR/stringpool, DIR/textscript,
//                              DIR/questlog, DIR/mission
#include "foundation/MemStream.h"
#include "foundation/StringPool.h"
#include "script/MMScriptManager.h"
#include "script/ScriptInter.h"
#include "script/game/QuestLog.h"
#include "tools/scriptc/CodeTreeBuilder.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace
{
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

void WriteAll(const fs::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The seed, cut short in three places and with bytes changed.
void WriteSeed(const fs::path& dir, const std::string& name, const Bytes& seed)
{
    WriteAll(dir / (name + ".seed"), seed);
    std::mt19937 random(static_cast<unsigned>(seed.size()) * 2654435761u);
    for (std::size_t cut : {seed.size() / 2, seed.size() > 0 ? seed.size() - 1 : 0, std::size_t{13}})
        if (cut < seed.size())
            WriteAll(dir / (name + ".cut" + std::to_string(cut)), Bytes(seed.begin(), seed.begin() + cut));
    for (int variant = 0; variant < 6 && !seed.empty(); ++variant)
    {
        Bytes damaged = seed;
        for (int k = 0; k <= variant; ++k)
            damaged[random() % damaged.size()] = static_cast<std::uint8_t>(random());
        WriteAll(dir / (name + ".flip" + std::to_string(variant)), damaged);
    }
}

Bytes LoopAndArithmetic()
{
    CCodeTreeBuilder b;
    SScriptSymbol* i = b.Var("I", DT_INT);
    SScriptSymbol* f = b.Var("F", DT_FLOAT, "1.5");
    SScriptSymbol* s = b.Var("S", DT_CHAR, "ab");
    b.SetRoot(b.List({b.While(b.Binary(LESS_EXPR, b.Ident(i), b.Int(5)), b.Inc(i)),
                      b.Assign(f, b.Binary(MULTI_EXPR, b.Ident(f), b.Float("2.5"))),
                      b.Assign(s, b.Binary(PLUS_EXPR, b.Ident(s), b.Str("cd"))),
                      b.If(b.Binary(AND_EXPR, b.Ident(i), b.Node(NOT_EXPR, b.Int(0))),
                           b.Assign(i, b.Binary(DIV_EXPR, b.Int(7), b.Int(0))), b.Inc(i)),
                      b.Node(WRITELN_STMT, b.Args({b.BuiltIn("BuiltInValue.001")}))}));
    return b.Bytes();
}

Bytes ProceduresAndSwitch()
{
    CCodeTreeBuilder b;
    SScriptSymbol* a = b.Var("A", DT_INT, "3", 1);
    SScriptSymbol* t = b.Var("T", DT_CHAR, nullptr, 1);
    SScriptSymbol* r = b.Var("R", DT_INT);
    SScriptSymbol* f = b.Proc("OnEvent");
    SScriptSymbol* g = b.Proc("Again", DT_CHAR);
    CTreeNode* cases = b.Node(STMT_LIST, b.Node(CASE_STMT, b.Int(3), b.Inc(r)), b.Node(CASE_STMT, b.Int(3), b.Inc(r)));
    b.SetRoot(b.List({b.ProcDecl(f, {a, t}, b.List({b.Node(SWITCH_STMT, b.Ident(a), cases), b.Return(b.Ident(r))})),
                      b.ProcDecl(g, {}, b.List({b.Assign(g, b.Concat({b.Str("x"), b.Call(f, {b.Int(3)})})),
                                                b.Call(g)})),
                      b.Assign(r, b.Call(f, {b.Int(3), b.Str("y")})),
                      b.Node(EXPR_STMT, b.Oper(5, DT_CHAR, {b.Str("p"), b.Int(2)}))}));
    return b.Bytes();
}

Bytes Pool(std::initializer_list<const char*> strings, std::uint32_t slots, std::uint32_t chars)
{
    CStringPool pool(slots, chars);
    for (const char* s : strings)
        pool.Add(s);
    CMemStream stream;
    pool.SaveToStream(stream);
    return Bytes(stream.m_pData, stream.m_pData + stream.m_nPosition);
}

Bytes QuestLogChunk()
{
    CQuestLog log;
    log.AddEntry("DIARY");
    log.AddQuest("Q1", "Q1_TITLE", 3, "Q1");
    log.AddQuest("Q2", "Q2_TITLE", -1, "");
    log.SetQuestCompleted("Q2");
    log.AddPart("Q1", "Q1_PART1");
    log.AddPart("DIARY", "DIARY_1");
    CMemStream stream;
    log.SaveToStream(stream);
    return Bytes(stream.m_pData, stream.m_pData + stream.m_nPosition);
}

Bytes MissionStream()
{
    CMMScriptManager manager;
    manager.SetMissionName("Sample");
    manager.AddQuest("Q1");
    manager.StartTimer("Q1", "2");
    manager.StartTimer("Q2", "0");
    manager.SetEvent("Q0.COMPLETE");
    manager.AddJournalName("Q1_PART1");
    manager.AddBalance(50.0f, 0);
    CMemStream stream;
    manager.SaveToStream(stream);
    return Bytes(stream.m_pData, stream.m_pData + stream.m_nPosition);
}

Bytes Text(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_script_corpus DIR\n");
        return 2;
    }
    const fs::path root = argv[1];
    for (const char* dir : {"script", "stringpool", "textscript", "questlog", "mission"})
        fs::create_directories(root / dir);

    WriteSeed(root / "questlog", "log", QuestLogChunk());
    WriteSeed(root / "mission", "state", MissionStream());
    WriteSeed(root / "script", "loop", LoopAndArithmetic());
    WriteSeed(root / "script", "procs", ProceduresAndSwitch());

    WriteSeed(root / "stringpool", "small", Pool({"abc", "de", "f"}, 2, 8));
    WriteSeed(root / "stringpool", "empty", Pool({}, 0, 0));
    WriteSeed(root / "stringpool", "slack", Pool({"", "PROCSTART", "_GIVE(A,B)"}, 10, 100));

    const std::string script = "// a mission\nPROC START()\n_Give( a, b );\nIF(_F(1)&!G)\n{\n_SAY(yes)\n}\nELSE\n{\n"
                               "_SAY(no)\n}\nIF(X|Y)\n{\nRETURN(OK)\n}\nINCLUDE INPUT.SCR\nEND\nPROC OTHER\nRETURN\n";
    WriteSeed(root / "textscript", "mission", Text(script));
    // The compiled form of the same lines.
    {
        const fs::path scratch = root / "textscript" / "scratch";
        fs::create_directories(scratch / "SCRIPT");
        std::ofstream(scratch / "SCRIPT" / "m.scr", std::ios::binary) << script;
        CScriptInter inter;
        inter.SetBaseDirectory((scratch.string() + "\\").c_str());
        CStringPool* lines = nullptr;
        const std::string compiled = (scratch / "m.bin").string();
        if (!inter.LoadScript("m.scr", &lines, false) || !inter.SaveCompiled(compiled.c_str(), lines))
        {
            std::fprintf(stderr, "fuzz_script_corpus: cannot compile the text seed\n");
            delete lines;
            return 1;
        }
        delete lines;
        std::ifstream in(compiled, std::ios::binary);
        WriteSeed(root / "textscript", "compiled", Bytes(std::istreambuf_iterator<char>(in), {}));
        in.close();
        fs::remove_all(scratch);
    }
    return 0;
}
