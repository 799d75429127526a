// The fixture of the built-in tests: a game script manager with the game's
// built-ins over a fresh data tree, a quest log, and the call table of the
// folders above the scripts filled with recording fakes. Call runs one
// built-in through a script of one procedure, as a compiled script would.
#pragma once

#include "common/LogDirTest.h"

#include "platform/File.h"
#include "script/game/QuestLog.h"
#include "script/game/ScriptBuiltIns.h"
#include "script/game/ScriptManager.h"
#include "tools/scriptc/CodeTreeBuilder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace builtintest
{

// What the fakes of the call table were asked, one line a call.
inline std::vector<std::string> g_seam;

inline void FakeCalls()
{
    g_ScriptGameCalls = SScriptGameCalls{};
    g_ScriptGameCalls.markObject = [](const char* name, bool flag)
    {
        g_seam.push_back(std::string("mark ") + name + (flag ? " 1" : " 0"));
        return true;
    };
    g_ScriptGameCalls.unmarkObject = [](const char* name)
    { g_seam.push_back(std::string("unmark ") + name); };
    g_ScriptGameCalls.clearRadarTarget = [] { g_seam.push_back("clear target"); };
    g_ScriptGameCalls.changeRating = [](int kind, int amount)
    { g_seam.push_back("rating " + std::to_string(kind) + " " + std::to_string(amount)); };
    g_ScriptGameCalls.ratingLevel = [](int kind)
    {
        g_seam.push_back("level " + std::to_string(kind));
        return 2.7f + float(kind);
    };
    g_ScriptGameCalls.addLocationKey = [](const char* location, bool oneMore)
    { g_seam.push_back(std::string("key ") + location + (oneMore ? " one more" : " given")); };
    g_ScriptGameCalls.locationHasKey = [](const char* location)
    {
        g_seam.push_back(std::string("has key ") + location);
        return std::string(location) == "NORTH";
    };
    g_ScriptGameCalls.travel = [](const char* map, const char* point)
    { g_seam.push_back(std::string("travel ") + map + " " + point); };
    g_ScriptGameCalls.endGame = [](int code) { g_seam.push_back("end " + std::to_string(code)); };
    g_ScriptGameCalls.queueVideo = [](const char* name, bool now)
    { g_seam.push_back(std::string("video ") + name + (now ? " now" : "")); };
}

class CBuiltInTest : public testutil::CLogDirTest
{
protected:
    void SetUp() override
    {
        CLogDirTest::SetUp();
        std::filesystem::create_directories(m_dir / "Data" / "Bin");
        std::filesystem::create_directories(m_dir / "DATA" / "CONFIG");
        RegisterScriptClasses();
        RegisterGameScriptClasses();
        m_manager = std::make_unique<CScriptManager>();
        m_manager->SetBaseDirectory((m_dir.string() + "\\").c_str());
        g_pScriptManager = m_manager.get();
        g_pQuestLog = &m_quest;
        m_savedCalls = g_ScriptGameCalls;
        g_seam.clear();
        FakeCalls();
    }
    void TearDown() override
    {
        g_ScriptGameCalls = m_savedCalls;
        g_pQuestLog = nullptr;
        g_pScriptManager = nullptr;
        m_manager.reset();
        RegisterScriptClasses();
        CLogDirTest::TearDown();
    }

    // Runs built-in number with the texts as its parameters from procedure
    // Run of a script of its own; the result as the script sees it.
    std::string Call(int number, bool text, const std::vector<std::string>& args,
                     const char* script = nullptr)
    {
        const std::string name = script ? script : "call" + std::to_string(m_nScripts++);
        CCodeTreeBuilder b;
        SScriptSymbol* object = b.Var("OBJECT", DT_CHAR, nullptr, 1);
        SScriptSymbol* run = b.Proc("Run", text ? DT_CHAR : DT_INT);
        std::vector<CTreeNode*> nodes;
        for (const std::string& a : args)
            nodes.push_back(b.Str(a.c_str()));
        b.SetRoot(b.List({b.ProcDecl(
            run, {object}, b.List({b.Assign(run, b.Oper(number, text ? DT_CHAR : DT_INT, nodes))}))}));
        EXPECT_TRUE(WriteScriptFile((m_dir / "Data" / "Bin" / (name + ".bin")).string(), b.Bytes()));
        const char* result = m_manager->RunScriptProc(name.c_str(), "Run", "X", false, nullptr);
        return result ? result : "";
    }
    std::string Log() const { return ReadText("error.log"); }
    bool Logged(const std::string& line) const { return Log().find(line) != std::string::npos; }
    const SScriptResults& Results() const { return *m_manager->GetResults(); }
    const SScriptResult& LastResult() const { return Results().m_Results[Results().m_iResultCount - 1]; }

    std::unique_ptr<CScriptManager> m_manager;
    CQuestLog m_quest;
    SScriptGameCalls m_savedCalls;
    int m_nScripts = 0;
};

} // namespace builtintest
