// Built-ins of script control, results, variables, the quest log, the radar
// and the game flow.
#include "script/game/ScriptBuiltIns.h"

#include "foundation/ErrorLog.h"
#include "foundation/Random.h"
#include "script/game/QuestLog.h"
#include "world/ObjectList.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace scriptargs;

namespace
{
using Params = const char* const[5];

template <std::size_t N> void SetName(char (&field)[N], const char* text)
{
    std::snprintf(field, N, "%s", text);
}

template <std::size_t N> bool NameIs(const char (&field)[N], const char* text)
{
    return std::strncmp(field, text, N - 1) == 0;
}

// Results ------------------------------------------------------------------

template <int Type, bool WithScript> const char* AddTextResult(CScriptManager& m, Params p, int)
{
    m.AddResult(Type, Text(p[0]), 0, WithScript);
    return nullptr;
}

const char* AddSpeech(CScriptManager& m, Params p, int)
{
    // The text in the first 64 characters, the speaking mech in the last 64.
    if (SScriptResult* r = m.AddResultRecord(11, 0, true))
    {
        std::memset(r->text, 0, sizeof r->text);
        std::snprintf(r->text, 64, "%s", Text(p[1]));
        std::snprintf(r->text + 64, 64, "%s", Text(p[0]));
    }
    return nullptr;
}

const char* ClearResults(CScriptManager& m, Params, int)
{
    m.ResetResults();
    return nullptr;
}

const char* AddAllResult(CScriptManager& m, Params, int)
{
    m.AddResult(5, "ALL", 0, false);
    return nullptr;
}

const char* AddNumberResult(CScriptManager& m, Params p, int)
{
    m.AddResult(10, "", Number(p[0]), false);
    return nullptr;
}

// Scripts and timers ---------------------------------------------------------

const char* RunOtherScript(CScriptManager& m, Params p, int)
{
    m.RunScript(Text(p[0]), 0);
    return nullptr;
}

// The nested procedure sets its own script name; timers set after it must
// belong to the caller again.
const char* RunOtherProc(CScriptManager& m, Params p, int)
{
    if (!m.PushString(m.GetScriptName()))
    {
        g_ErrorLog.LogError("SCRIPT: script stack full, procedure '%s' of '%s' not run", Text(p[1]),
                            Text(p[0]));
        return nullptr;
    }
    m.RunScriptProc(Text(p[0]), Text(p[1]), Text(p[2]), false, nullptr);
    CXAnsiString caller;
    m.PopString(caller);
    m.SetScriptName(caller.GetText());
    return nullptr;
}

const char* SetScriptTimer(CScriptManager& m, Params p, int)
{
    m.SetTimer(Text(p[0]), Text(p[2]), Real(p[1]));
    return nullptr;
}

const char* KillScriptTimer(CScriptManager& m, Params p, int)
{
    m.KillTimer(Text(p[0]), Text(p[1]));
    return nullptr;
}

// Variables -----------------------------------------------------------------

const char* SetIntVar(CScriptManager& m, Params p, int)
{
    const char* name = Text(p[0]);
    const int value = Number(p[1]);
    std::vector<SScriptIntVar>& vars = m.IntVars();
    for (auto it = vars.begin(); it != vars.end(); ++it)
        if (NameIs(it->name, name))
        {
            if (value == 0)
                vars.erase(it);
            else
                it->value = value;
            return nullptr;
        }
    if (value != 0)
    {
        SScriptIntVar var{};
        SetName(var.name, name);
        var.value = value;
        vars.push_back(var);
    }
    return nullptr;
}

const char* SetStrVar(CScriptManager& m, Params p, int)
{
    try
    {
        const char* name = Text(p[0]);
        const char* value = Text(p[1]);
        std::vector<SScriptStrVar>& vars = m.StrVars();
        for (auto it = vars.begin(); it != vars.end(); ++it)
            if (NameIs(it->name, name))
            {
                if (!*value)
                    vars.erase(it);
                else
                    SetName(it->value, value);
                return nullptr;
            }
        if (*value)
        {
            SScriptStrVar var{};
            SetName(var.name, name);
            SetName(var.value, value);
            vars.push_back(var);
        }
    }
    catch (...)
    {
        g_ErrorLog.AppendTrace("SCRIPT_SETVARCHAR");
        throw;
    }
    return nullptr;
}

const char* GetStrVar(CScriptManager& m, Params p, int)
{
    return m.KeepText(m.GetVarChar(Text(p[0])));
}

int GetIntVar(CScriptManager& m, Params p, int)
{
    return m.GetVar(Text(p[0]));
}

int RandomBelow(CScriptManager&, Params p, int)
{
    const int n = Number(p[0]);
    return n > 0 ? g_Random.RandomInt(n) : 0;
}

// The quest log --------------------------------------------------------------

IQuestLog* QuestLog()
{
    if (!g_pQuestLog) Unavailable("quest log");
    return g_pQuestLog;
}

const char* AddJournalEntry(CScriptManager& m, Params p, int)
{
    m.AddResult(4, Text(p[0]), 0, false);
    if (IQuestLog* log = QuestLog()) log->AddEntry(Text(p[0]));
    return nullptr;
}

const char* AddQuest(CScriptManager&, Params p, int)
{
    PlaySound("SND_I_JOB_GOT");
    if (IQuestLog* log = QuestLog()) log->AddQuest(Text(p[0]), Text(p[1]), Number(p[2]), Text(p[3]));
    return nullptr;
}

const char* FailQuest(CScriptManager&, Params p, int)
{
    PlaySound("SND_I_JOB_FAILED");
    if (IQuestLog* log = QuestLog()) log->SetQuestFailed(Text(p[0]));
    return nullptr;
}

const char* CompleteQuest(CScriptManager&, Params p, int)
{
    PlaySound("SND_I_JOB_DONE");
    if (IQuestLog* log = QuestLog()) log->SetQuestCompleted(Text(p[0]));
    return nullptr;
}

const char* AddQuestPart(CScriptManager& m, Params p, int)
{
    PlaySound("SND_I_JOB_PART");
    IQuestLog* log = QuestLog();
    if (log && log->AddPart(Text(p[0]), Text(p[1]))) m.AddResult(4, Text(p[1]), 0, false);
    return nullptr;
}

const char* SetEntryState(CScriptManager&, Params p, int)
{
    const char* state = Text(p[1]);
    const std::uint8_t value = std::strcmp(state, "1") == 0 ? 1 : std::strcmp(state, "2") == 0 ? 2 : 0;
    if (IQuestLog* log = QuestLog()) log->SetEntryState(Text(p[0]), value);
    return nullptr;
}

int LogContains(CScriptManager&, Params p, int)
{
    IQuestLog* log = QuestLog();
    return log && log->Contains(Text(p[0])) ? 1 : 0;
}

template <int What> int QuestState(CScriptManager&, Params p, int)
{
    IQuestLog* log = QuestLog();
    const SQuestRecord* quest = log ? log->FindQuest(Text(p[0])) : nullptr;
    if (!quest) return 0;
    if (What == 1) return quest->failed ? 1 : 0;
    if (What == 2) return quest->completed ? 1 : 0;
    return 1;
}

// The radar and sensors ------------------------------------------------------

const char* MarkOnRadar(CScriptManager&, Params p, int)
{
    const char* name = Text(p[0]);
    if (*name)
    {
        if (g_ScriptGameCalls.markObject)
            g_ScriptGameCalls.markObject(name, Flag(p[1]));
        else
            Unavailable("radar");
    }
    else if (g_ScriptGameCalls.clearRadarTarget)
        g_ScriptGameCalls.clearRadarTarget();
    else
        Unavailable("radar");
    return nullptr;
}

const char* UnmarkOnRadar(CScriptManager&, Params p, int)
{
    if (g_ScriptGameCalls.unmarkObject)
        g_ScriptGameCalls.unmarkObject(Text(p[0]));
    else
        Unavailable("radar");
    return nullptr;
}

const char* SensorForPlayer(CScriptManager&, Params p, int)
{
    g_ObjectList.AddSysObjectSensor(Text(p[0]), "PLAYER", Flag(p[1]));
    return nullptr;
}

const char* SensorForMech(CScriptManager&, Params p, int)
{
    g_ObjectList.AddSysObjectSensor(Text(p[0]), Text(p[1]), Flag(p[2]));
    return nullptr;
}

// The game flow ---------------------------------------------------------------

const char* Travel(CScriptManager&, Params p, int)
{
    if (!g_ScriptGameCalls.travel)
    {
        Unavailable("game cycle");
        return nullptr;
    }
    const std::string map = std::string(Text(p[0])) + ".mmp";
    g_ScriptGameCalls.travel(map.c_str(), Text(p[1]));
    return nullptr;
}

const char* EndGame(CScriptManager&, Params, int)
{
    if (g_ScriptGameCalls.endGame)
        g_ScriptGameCalls.endGame(10);
    else
        Unavailable("game cycle");
    return nullptr;
}

const char* QueueVideo(CScriptManager&, Params p, int)
{
    if (g_ScriptGameCalls.queueVideo)
        g_ScriptGameCalls.queueVideo(Text(p[0]), Flag(p[1]));
    else
        Unavailable("video list");
    return nullptr;
}

// A group built-in without a mech to find the group by: one line, nothing more.
const char* TakeGroupBack(CScriptManager&, Params, int)
{
    g_ErrorLog.LogError("SCRIPT: built-in 41 names no mech: no group taken back from the player");
    return nullptr;
}

} // namespace

namespace scriptargs
{
int Number(const char* p)
{
    return p ? static_cast<int>(std::strtol(p, nullptr, 10)) : 0;
}

float Real(const char* p)
{
    return p ? std::strtof(p, nullptr) : 0.0f;
}

void Unavailable(const char* what)
{
    g_ErrorLog.LogError("SCRIPT: %s is not available", what);
}
} // namespace scriptargs

void AddScriptControlBuiltIns(std::vector<SScriptBuiltIn>& t)
{
    t.insert(t.end(), {
                          {1, AddTextResult<3, true>, nullptr},
                          {32, AddTextResult<2, true>, nullptr},
                          {37, AddTextResult<1, true>, nullptr},
                          {38, AddTextResult<0, false>, nullptr},
                          {84, AddSpeech, nullptr},
                          {87, ClearResults, nullptr},
                          {18, AddTextResult<5, false>, nullptr},
                          {20, AddAllResult, nullptr},
                          {19, AddTextResult<6, false>, nullptr},
                          {67, AddNumberResult, nullptr},
                          {3, RunOtherScript, nullptr},
                          {25, RunOtherProc, nullptr},
                          {16, SetScriptTimer, nullptr},
                          {33, KillScriptTimer, nullptr},
                          {4, SetIntVar, nullptr},
                          {26, SetStrVar, nullptr},
                          {27, GetStrVar, nullptr},
                          {5, nullptr, GetIntVar},
                          {24, nullptr, RandomBelow},
                          {2, AddJournalEntry, nullptr},
                          {47, AddQuest, nullptr},
                          {48, FailQuest, nullptr},
                          {49, CompleteQuest, nullptr},
                          {50, AddQuestPart, nullptr},
                          {83, SetEntryState, nullptr},
                          {46, nullptr, LogContains},
                          {51, nullptr, QuestState<1>},
                          {52, nullptr, QuestState<2>},
                          {53, nullptr, QuestState<0>},
                          {8, MarkOnRadar, nullptr},
                          {89, UnmarkOnRadar, nullptr},
                          {9, SensorForPlayer, nullptr},
                          {55, SensorForMech, nullptr},
                          {66, Travel, nullptr},
                          {94, EndGame, nullptr},
                          {95, QueueVideo, nullptr},
                          {41, TakeGroupBack, nullptr},
                      });
}

std::vector<SScriptBuiltIn> GameScriptBuiltIns()
{
    std::vector<SScriptBuiltIn> table;
    AddScriptControlBuiltIns(table);
    AddWorldBuiltIns(table);
    AddPlayerBuiltIns(table);
    AddGroupBuiltIns(table);
    return table;
}
