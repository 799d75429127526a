// The game script manager: objects.ini bindings, events, the script cache,
// retries, timers, variables, results and the "SCRIPTS" chunk; and the
// sample scripts that mksample writes.
#include "ScriptTestUtil.h"
#include "common/LogDirTest.h"

#include "foundation/MemStream.h"
#include "script/game/ScriptManager.h"
#include "tools/mksample/SampleScripts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{
using namespace scripttest;

std::vector<std::string> g_calls;
CScriptManager* g_manager = nullptr;

// Built-in 1 records its arguments; 2 throws; 3 loads 25 other scripts, so
// that the cache lets go of the script that is running.
int RecordCall(CScriptManager&, const char* const params[5], int count)
{
    std::string call;
    for (int i = 0; i < count; ++i)
        call += (i ? "," : "") + std::string(params[i] ? params[i] : "(null)");
    g_calls.push_back(call);
    return 1;
}

int Throw(CScriptManager&, const char* const[5], int)
{
    throw std::runtime_error("built-in failed");
}

int FlushCache(CScriptManager& manager, const char* const[5], int)
{
    for (int i = 0; i < 25; ++i)
        manager.LoadScript(("filler" + std::to_string(i)).c_str());
    return 0;
}

class ScriptManager : public testutil::CLogDirTest
{
protected:
    void SetUp() override
    {
        CLogDirTest::SetUp();
        g_calls.clear();
        std::filesystem::create_directories(m_dir / "Data" / "Bin");
        std::filesystem::create_directories(m_dir / "DATA" / "CONFIG");
        RegisterScriptClasses();
        RegisterGameScriptClasses();
        m_manager = std::make_unique<CScriptManager>();
        m_manager->SetBaseDirectory((m_dir.string() + "\\").c_str());
        m_manager->SetBuiltIns({{1, nullptr, RecordCall}, {2, nullptr, Throw}, {3, nullptr, FlushCache}});
        m_manager->SetHost({[this] { return m_clock; }, [this] { ++m_sensorChecks; }, [this] { ++m_refreshes; }});
        g_pScriptManager = m_manager.get();
        g_manager = m_manager.get();
    }
    void TearDown() override
    {
        g_pScriptManager = nullptr;
        g_manager = nullptr;
        m_manager.reset();
        RegisterScriptClasses();
        CLogDirTest::TearDown();
    }

    void WriteIni(const std::string& text)
    {
        std::ofstream(m_dir / "DATA" / "CONFIG" / "objects.ini", std::ios::binary) << text;
    }
    // A script whose procedures each record "<script>.<proc>" and their
    // one or two parameters through built-in 1; a main body that records
    // "<script>.main".
    void WriteRecorder(const std::string& name, const std::vector<std::string>& procs,
                       const std::vector<CTreeNode*>& extra = {}, CCodeTreeBuilder* given = nullptr)
    {
        CCodeTreeBuilder own;
        CCodeTreeBuilder& b = given ? *given : own;
        std::vector<CTreeNode*> root;
        int area = 1;
        for (const std::string& proc : procs)
        {
            SScriptSymbol* object = b.Var("OBJECT", DT_CHAR, nullptr, area);
            SScriptSymbol* param = b.Var("PARAM", DT_CHAR, "-", area++);
            SScriptSymbol* symbol = b.Proc(proc.c_str());
            root.push_back(b.ProcDecl(symbol, {object, param},
                                      b.List({b.Oper(1, DT_INT, {b.Str((name + "." + proc).c_str()),
                                                                 b.Ident(object), b.Ident(param)})})));
        }
        root.push_back(b.Oper(1, DT_INT, {b.Str((name + ".main").c_str())}));
        root.insert(root.end(), extra.begin(), extra.end());
        b.SetRoot(b.List(root));
        ASSERT_TRUE(WriteScriptFile((m_dir / "Data" / "Bin" / (name + ".bin")).string(), b.Bytes()));
    }

    std::unique_ptr<CScriptManager> m_manager;
    float m_clock = 0.0f;
    int m_sensorChecks = 0;
    int m_refreshes = 0;
};

TEST_F(ScriptManager, EventsFindTheirScripts)
{
    const std::string longKey(40, 'K');
    WriteIni("[OBJECTS]\nBASE*=prefix\nBASEMENT=exact\nTOWER=tower\n" + longKey + "=cut\nnoequals\n"
             "LONGVALUE=" + std::string(200, 'v') + "\n[EVENTS]\nOnHit=events\n");
    WriteRecorder("prefix", {"OnHit"});
    WriteRecorder("exact", {"OnHit"});
    WriteRecorder("tower", {"OnOther"});
    WriteRecorder("events", {"OnHit"});
    ASSERT_TRUE(m_manager->Init());
    ASSERT_EQ(m_manager->GetObjects().size(), 5u);
    EXPECT_STREQ(m_manager->GetObjects()[3].name, std::string(31, 'K').c_str());
    EXPECT_EQ(std::string(m_manager->GetObjects()[4].script), std::string(127, 'v'));
    const std::string log = ReadText("error.log");
    EXPECT_NE(log.find("[OBJECTS] line \"noequals\" has no '=', skipped"), std::string::npos) << log;
    EXPECT_NE(log.find("longer than 31 characters, cut"), std::string::npos) << log;
    EXPECT_NE(log.find("longer than 127 characters, cut"), std::string::npos) << log;

    struct SCase
    {
        const char* object;
        const char* event;
        const char* param;
        bool handled;
        const char* call; // null: nothing ran
    };
    const SCase cases[] = {
        {"BASE_12", "OnHit", nullptr, true, "prefix.OnHit,BASE_12,-"},
        {"BASEMENT", "OnHit", "PLAYER", true, "prefix.OnHit,BASEMENT,PLAYER"}, // the first line wins
        // A formal without an argument keeps its value from the last run.
        {"BASE", "OnHit", nullptr, true, "prefix.OnHit,BASE,PLAYER"},
        {"BAS", "OnHit", nullptr, true, "events.OnHit,BAS,-"},
        {"TOWER", "OnHit", nullptr, true, "events.OnHit,TOWER,-"}, // no OnHit in tower
        {"TOWER", nullptr, nullptr, true, "tower.main"},
        {"NOBODY", "OnMissing", nullptr, false, nullptr},
        {"NOBODY", nullptr, nullptr, false, nullptr},
    };
    for (const SCase& c : cases)
    {
        g_calls.clear();
        EXPECT_EQ(m_manager->RunEvent(c.object, c.event, c.param), c.handled) << c.object;
        if (c.call)
            EXPECT_EQ(g_calls, std::vector<std::string>{c.call}) << c.object;
        else
            EXPECT_TRUE(g_calls.empty()) << c.object;
    }
    EXPECT_STREQ(m_manager->GetCurrentScript(), "tower");
}

// A damaged objects.ini gets one line naming it for each bad line, and one
// line when it binds nothing at all; what is good in it is still bound.
TEST_F(ScriptManager, DamagedIniLinesGetOneMessageEach)
{
    struct SCase
    {
        const char* what;
        std::string text; // null: no file
        const char* message;
        std::size_t bound;
    };
    const SCase cases[] = {
        {"no '='", "[OBJECTS]\nA=one\nnoequals\n", "[OBJECTS] line \"noequals\" has no '=', skipped", 1},
        {"control bytes", "[OBJECTS]\nA=one\n[EVENTS]\nOn\x01Hit=\x7f\xff\n",
         "[EVENTS] line \"On\\x01Hit=\\x7F\\xFF\" holds control bytes, skipped", 1},
        {"empty", "", "binds no object and no event: no script will run", 0},
        {"random bytes", std::string("\x89PNG\r\n\x1a\n\0\x13=\x02", 12),
         "binds no object and no event: no script will run", 0},
        {"other sections only", "[OBJECT]\nA=one\n", "binds no object and no event: no script will run", 0},
    };
    for (const SCase& c : cases)
    {
        std::filesystem::remove(m_dir / "error.log");
        g_ErrorLog.SetDirectory(m_dir.c_str()); // the same line again is written again
        WriteIni(c.text);
        CScriptManager manager;
        manager.SetBaseDirectory((m_dir.string() + "\\").c_str());
        ASSERT_TRUE(manager.Init());
        EXPECT_EQ(manager.GetObjects().size() + manager.GetEvents().size(), c.bound) << c.what;
        const std::string log = ReadText("error.log");
        EXPECT_NE(log.find("CScriptManager::Init \"" + (m_dir / "DATA" / "CONFIG" / "objects.ini").string() +
                           "\" "),
                  std::string::npos)
            << c.what << ": " << log;
        EXPECT_NE(log.find(c.message), std::string::npos) << c.what << ": " << log;
        EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << c.what << ": " << log;
    }
    std::filesystem::remove(m_dir / "DATA" / "CONFIG" / "objects.ini");
    std::filesystem::remove(m_dir / "error.log");
    ASSERT_TRUE(m_manager->Init());
    EXPECT_NE(ReadText("error.log").find("objects.ini\" not found: no script will run"), std::string::npos);
}

TEST_F(ScriptManager, CacheReplacesInLoadOrderAndKeepsRunningScripts)
{
    for (int i = 0; i <= 20; ++i)
        WriteRecorder("s" + std::to_string(i), {});
    IScript* first = m_manager->LoadScript("s0");
    ASSERT_NE(first, nullptr);
    for (int i = 1; i < 20; ++i)
        ASSERT_NE(m_manager->LoadScript(("s" + std::to_string(i)).c_str()), nullptr);
    EXPECT_EQ(m_manager->LoadScript("s0"), first); // a hit, without a new stamp
    m_manager->LoadScript("s20");
    for (int i = 0; i < CScriptManager::kCacheSlots; ++i)
        EXPECT_STRNE(m_manager->GetCacheSlot(i).name, "s0");
    EXPECT_STREQ(m_manager->GetCacheSlot(0).name, "s20");

    // A script whose built-in pushes it out of the cache finishes its run.
    for (int i = 0; i < 25; ++i)
        WriteRecorder("filler" + std::to_string(i), {});
    CCodeTreeBuilder b;
    SScriptSymbol* proc = b.Proc("OnRun");
    SScriptSymbol* object = b.Var("OBJECT", DT_CHAR, nullptr, 1);
    b.SetRoot(b.List({b.ProcDecl(proc, {object}, b.List({b.Oper(3, DT_INT), b.Oper(1, DT_INT, {b.Ident(object)}),
                                                         b.Assign(proc, b.Int(7))}))}));
    ASSERT_TRUE(WriteScriptFile((m_dir / "Data" / "Bin" / "runner.bin").string(), b.Bytes()));
    g_calls.clear();
    EXPECT_STREQ(m_manager->RunScriptProc("runner", "OnRun", "ME", false, nullptr), "7");
    EXPECT_EQ(g_calls, std::vector<std::string>{"ME"});
}

TEST_F(ScriptManager, ThrowingProcedureIsRetriedFiveTimesAndSaysSo)
{
    CCodeTreeBuilder b;
    SScriptSymbol* proc = b.Proc("OnBoom");
    SScriptSymbol* object = b.Var("OBJECT", DT_CHAR, nullptr, 1);
    b.SetRoot(b.List({b.ProcDecl(proc, {object}, b.List({b.Oper(1, DT_INT, {b.Str("before")}), b.Oper(2, DT_INT)}))}));
    ASSERT_TRUE(WriteScriptFile((m_dir / "Data" / "Bin" / "thrower.bin").string(), b.Bytes()));
    EXPECT_EQ(m_manager->RunScriptProc("thrower", "OnBoom", "X", true, nullptr), nullptr);
    EXPECT_EQ(g_calls.size(), 5u);
    const std::string log = ReadText("error.log");
    EXPECT_NE(log.find("Exeption in userfuncint: 2"), std::string::npos);
    EXPECT_NE(log.find("Exception in script proc 'OnBoom'"), std::string::npos);
    EXPECT_NE(log.find("attempt 5 of 5 repeats what the procedure did before it failed"), std::string::npos) << log;
    EXPECT_NE(log.find("5 script called fails"), std::string::npos);
}

TEST_F(ScriptManager, TimersFireOnePerFrame)
{
    WriteRecorder("a", {"Tick", "Tock"});
    WriteRecorder("b", {"Tick"});
    m_clock = 2.0f;
    m_manager->SetScriptName("a");
    m_manager->SetTimer("Tick", "obj", 24.0f);
    m_manager->SetTimer("Tick", "obj", 48.0f); // re-armed, still one timer
    ASSERT_EQ(m_manager->GetTimers().size(), 1u);
    EXPECT_FLOAT_EQ(m_manager->GetTimers()[0].fireDay, 4.0f);
    m_manager->SetTimer("Tock", "obj", 24.0f);
    m_manager->SetTimer("Late", "obj", 24.0f * 10001.0f); // at or past day 10000: never
    m_manager->SetScriptName("b");
    m_manager->SetTimer("Tick", "obj", 24.0f); // another script: another timer
    EXPECT_EQ(m_manager->GetTimers().size(), 4u);
    ASSERT_NE(m_manager->FindTimer("Tock"), nullptr);
    EXPECT_FLOAT_EQ(m_manager->FindTimer("Tock")->fireDay, 3.0f);

    m_clock = 2.9f;
    m_manager->Run(0.1f);
    EXPECT_TRUE(g_calls.empty());
    EXPECT_EQ(m_sensorChecks, 1);
    m_clock = 5.0f;
    std::vector<std::string> expected = {"a.Tock,obj,-", "b.Tick,obj,-", "a.Tick,obj,-"};
    for (std::size_t frame = 0; frame < expected.size(); ++frame)
    {
        m_manager->Run(0.1f);
        EXPECT_EQ(g_calls.size(), frame + 1);
    }
    EXPECT_EQ(g_calls, expected);
    EXPECT_EQ(m_refreshes, 3);
    m_clock = 20000.0f;
    m_manager->Run(0.1f);
    EXPECT_EQ(g_calls.size(), 3u);
    EXPECT_EQ(m_manager->GetNextTimer(), -1);
    m_manager->KillTimer("Late", "obj");
    EXPECT_TRUE(m_manager->GetTimers().empty());
}

TEST_F(ScriptManager, ChunkRoundTripKeepsIniBindings)
{
    WriteIni("[OBJECTS]\nA=one\n[EVENTS]\nOnX=two\n");
    ASSERT_TRUE(m_manager->Init());
    m_manager->SetScriptName("one");
    m_clock = 1.0f;
    m_manager->SetTimer("Tick", "obj", 12.0f);
    m_manager->IntVars().push_back({"COUNT", 7});
    m_manager->StrVars().push_back({"NAME", "value"});
    CMemStream saved;
    m_manager->SaveToStream(saved);
    const Bytes chunk = Written(saved);
    EXPECT_EQ(chunk.size(), 5 * 4 + 160 * 2 + 200 + 36 + 64);

    WriteIni("[OBJECTS]\nB=three\nC=four\n");
    CScriptManager other;
    other.SetBaseDirectory((m_dir.string() + "\\").c_str());
    ASSERT_TRUE(other.Init());
    CMemStream in;
    Fill(in, chunk);
    ASSERT_TRUE(other.LoadFromStream(in));
    ASSERT_EQ(other.GetObjects().size(), 2u);
    EXPECT_STREQ(other.GetObjects()[0].name, "B");
    ASSERT_EQ(other.GetTimers().size(), 1u);
    EXPECT_FLOAT_EQ(other.GetTimers()[0].fireDay, 1.5f);
    EXPECT_EQ(other.GetNextTimer(), 0);
    EXPECT_EQ(other.GetVar("COUNT"), 7);
    EXPECT_STREQ(other.GetVarChar("NAME"), "value");
    EXPECT_STREQ(other.GetVarChar("NONE"), "");

    // A chunk cut short is refused whole.
    Bytes cut(chunk.begin(), chunk.end() - 10);
    CMemStream damaged;
    Fill(damaged, cut);
    EXPECT_FALSE(other.LoadFromStream(damaged));
    EXPECT_EQ(other.GetVar("COUNT"), 7);
    EXPECT_EQ(other.GetTimers().size(), 1u);
    EXPECT_NE(ReadText("error.log").find("CScriptManager::LoadFromStream SCRIPTS chunk at byte"), std::string::npos);

    // Reset keeps the variable records, emptied.
    other.Reset();
    EXPECT_TRUE(other.GetTimers().empty());
    ASSERT_EQ(other.IntVars().size(), 1u);
    EXPECT_STREQ(other.IntVars()[0].name, "");
    EXPECT_EQ(other.GetVar("COUNT"), 0);
}

TEST_F(ScriptManager, ResultsStackAndUnknownBuiltIns)
{
    for (int i = 0; i < 256; ++i)
        m_manager->AddResult(3, "text", i, true);
    EXPECT_EQ(m_manager->GetResults()->m_iResultCount, 255);
    EXPECT_NE(ReadText("error.log").find("Script: Text array override"), std::string::npos);
    m_manager->ResetResults();
    EXPECT_EQ(m_manager->GetResults()->m_iResultCount, 0);

    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(m_manager->PushString(std::to_string(i).c_str()));
    EXPECT_FALSE(m_manager->PushString("eleventh"));
    CXAnsiString top;
    EXPECT_TRUE(m_manager->PopString(top));
    EXPECT_STREQ(top.GetText(), "9");
    for (int i = 0; i < 9; ++i)
        EXPECT_TRUE(m_manager->PopString(top));
    EXPECT_FALSE(m_manager->PopString(top));
    EXPECT_STREQ(top.GetText(), "0");

    EXPECT_EQ(m_manager->UserFuncInt(77, nullptr, nullptr, nullptr, nullptr, nullptr, 0), 0);
    EXPECT_EQ(m_manager->UserFunc(78, nullptr, nullptr, nullptr, nullptr, nullptr, 0), nullptr);
    const std::string log = ReadText("error.log");
    EXPECT_NE(log.find("CScriptManager::UserFuncInt: no built-in 77"), std::string::npos);
    EXPECT_NE(log.find("CScriptManager::UserFunc: no built-in 78"), std::string::npos);
}

TEST_F(ScriptManager, DamagedScriptFilesGiveNoScript)
{
    const auto bin = [&](const char* name) { return m_dir / "Data" / "Bin" / name; };
    std::ofstream(bin("short.bin"), std::ios::binary) << std::string("\x40\0\0\0abc", 7);
    Bytes tree = [] {
        CCodeTreeBuilder b;
        b.SetRoot(b.List({b.Int(1)}));
        return b.Bytes();
    }();
    tree[8] = 4; // four children
    ASSERT_TRUE(WriteScriptFile(bin("bad.bin").string(), tree));
    EXPECT_EQ(m_manager->LoadScript("short"), nullptr);
    EXPECT_EQ(m_manager->LoadScript("bad"), nullptr);
    EXPECT_EQ(m_manager->LoadScript("missing"), nullptr);
    // Asked for again, as a binding asks on every event: named once.
    EXPECT_EQ(m_manager->RunScript("missing", 0), 0);
    EXPECT_EQ(m_manager->LoadScript("bad"), nullptr);
    const std::string log = ReadText("error.log");
    EXPECT_NE(log.find("short.bin: byte count 64 past the end of the file"), std::string::npos) << log;
    EXPECT_NE(log.find("bad.bin: code tree at byte 10: 4 children (at most 3)"), std::string::npos) << log;
    EXPECT_NE(log.find("CScriptManager::LoadScript " + (m_dir / "Data" / "Bin" / "missing.bin").string() +
                       ": not found"),
              std::string::npos)
        << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3) << log;
}

TEST_F(ScriptManager, SampleScriptsRun)
{
    ASSERT_TRUE(WriteSampleScripts(m_dir.string()));
    ASSERT_TRUE(m_manager->Init());
    for (const char* name : {"sample_base", "sample_clock", "sample_hall"})
    {
        auto* script = dynamic_cast<CScript*>(m_manager->LoadScript(name));
        ASSERT_NE(script, nullptr) << name;
        EXPECT_TRUE(script->Check()) << name << ": " << ErrorTexts()[0];
    }
    EXPECT_STREQ(m_manager->RunScriptProc("sample_base", "OnEnterBuild", "SAMPLE_BASE_1", true, nullptr),
                 "Welcome to SAMPLE_BASE_1");
    EXPECT_TRUE(m_manager->RunEvent("SAMPLE_BASE_2", "OnHit", "PLAYER"));
    EXPECT_STREQ(m_manager->RunScriptProc("sample_base", "OnHit", "SAMPLE_BASE_2", true, "PLAYER"), "2");
    EXPECT_STREQ(m_manager->RunScriptProc("sample_clock", "OnHour", "WORLD", true, nullptr), "55");
    EXPECT_TRUE(m_manager->RunEvent("WORLD", "OnHour", nullptr));
    EXPECT_TRUE(m_manager->RunEvent("SAMPLE_TOWER", nullptr, nullptr));
    auto* clock = dynamic_cast<CScript*>(m_manager->LoadScript("sample_clock"));
    ASSERT_NE(clock, nullptr);
    EXPECT_STREQ(clock->GetVarValue("STATE"), "ready");
    EXPECT_EQ(ReadText("error.log"), "");
}

} // namespace
