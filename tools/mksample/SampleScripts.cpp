#include "tools/mksample/SampleScripts.h"

#include "platform/File.h"
#include "platform/Ini.h"
#include "script/ScriptInter.h"
#include "tools/scriptc/CodeTreeBuilder.h"

#include <cstdio>

namespace
{

std::vector<std::uint8_t> SampleBase()
{
    CCodeTreeBuilder b;
    SScriptSymbol* hits = b.Var("HITS", DT_INT);
    SScriptSymbol* object = b.Var("OBJECT", DT_CHAR, nullptr, 1);
    SScriptSymbol* hitObject = b.Var("HITOBJECT", DT_CHAR, nullptr, 2);
    SScriptSymbol* by = b.Var("BY", DT_CHAR, nullptr, 2);
    SScriptSymbol* enter = b.Proc("OnEnterBuild", DT_CHAR);
    SScriptSymbol* hit = b.Proc("OnHit", DT_INT);
    // A procedure's value is what it assigns to its own name.
    CTreeNode* enterDecl =
        b.ProcDecl(enter, {object}, b.List({b.Assign(enter, b.Concat({b.Str("Welcome to "), b.Ident(object)}))}));
    CTreeNode* hitDecl = b.ProcDecl(hit, {hitObject, by}, b.List({b.Inc(hits), b.Assign(hit, b.Ident(hits))}));
    b.SetRoot(b.List({enterDecl, hitDecl}));
    return b.Bytes();
}

std::vector<std::uint8_t> SampleClock()
{
    CCodeTreeBuilder b;
    SScriptSymbol* state = b.Var("STATE", DT_CHAR);
    SScriptSymbol* i = b.Var("I", DT_INT);
    SScriptSymbol* sum = b.Var("SUM", DT_INT);
    SScriptSymbol* hours = b.Var("HOURS", DT_INT);
    SScriptSymbol* object = b.Var("OBJECT", DT_CHAR, nullptr, 1);
    SScriptSymbol* hour = b.Proc("OnHour", DT_INT);
    CTreeNode* hourDecl = b.ProcDecl(
        hour, {object},
        b.List({b.Inc(hours), b.Assign(i, b.Int(0)), b.Assign(sum, b.Int(0)),
                b.While(b.Binary(LESS_EXPR, b.Ident(i), b.Int(10)),
                        b.List({b.Inc(i), b.Assign(sum, b.Binary(PLUS_EXPR, b.Ident(sum), b.Ident(i)))})),
                b.Assign(hour, b.Ident(sum))}));
    b.SetRoot(b.List({hourDecl, b.Assign(state, b.Str("ready"))}));
    return b.Bytes();
}

// The sample hall's script: entering the hall gives the player money and a
// quest, says hello on the console, offers a quest on the quest console
// (its link, OnQuest, shows the briefing), counts the visit in a variable, marks
// the hall on the radar and asks who owns it; its information desk offers
// tickets through the tunnels (OnTickets: one to "north" and one back
// home, since the north has no desk of its own); the finale (raised by no
// event of the sample) asks after a mech, two organisations and the
// player's glider, then queues the closing video and ends the game.
std::vector<std::uint8_t> SampleHall()
{
    CCodeTreeBuilder b;
    SScriptSymbol* object = b.Var("OBJECT", DT_CHAR, nullptr, 1);
    SScriptSymbol* owner = b.Var("OWNER", DT_CHAR);
    SScriptSymbol* org = b.Var("ORG", DT_CHAR);
    SScriptSymbol* relation = b.Var("RELATION", DT_INT);
    SScriptSymbol* glider = b.Var("GLIDER", DT_INT);
    SScriptSymbol* enter = b.Proc("OnEnterBuild", DT_CHAR);
    SScriptSymbol* finale = b.Proc("OnSampleFinale", DT_INT);
    SScriptSymbol* quest = b.Proc("OnQuest", DT_CHAR);
    SScriptSymbol* tickets = b.Proc("OnTickets", DT_CHAR);
    auto s = [&b](const char* text) { return b.Str(text); };
    CTreeNode* enterDecl = b.ProcDecl(
        enter, {object},
        b.List({b.Oper(7, DT_CHAR, {s("1"), s("10000")}),
                b.Oper(47, DT_CHAR, {s("Q_SAMPLE_HALL"), s("Q_SAMPLE_HALL_TITLE"), s("1"), s("")}),
                b.Oper(1, DT_CHAR, {s("HALL_WELCOME")}), b.Oper(37, DT_CHAR, {s("Q_SAMPLE_HALL_OFFER")}),
                b.Oper(4, DT_CHAR, {s("HALL_VISITED"), s("1")}),
                b.Oper(8, DT_CHAR, {b.Ident(object), s("0")}),
                b.Assign(owner, b.Oper(17, DT_CHAR, {b.Ident(object)})), b.Assign(enter, b.Ident(owner))}));
    CTreeNode* finaleDecl = b.ProcDecl(
        finale, {object},
        b.List({b.Assign(org, b.Oper(36, DT_CHAR, {s("PLAYER")})),
                b.Assign(relation, b.Oper(57, DT_INT, {s("ORG_SAMPLE"), s("ORG_MERCHANTS")})),
                b.Assign(glider, b.Oper(21, DT_INT, {s("GL_SCOUT")})),
                b.Oper(95, DT_CHAR, {s("SAMPLE_END"), s("0")}), b.Oper(94, DT_CHAR),
                b.Assign(finale, b.Ident(relation))}));
    // The quest console's link of the offered quest: the briefing.
    CTreeNode* questDecl =
        b.ProcDecl(quest, {object}, b.List({b.Oper(1, DT_CHAR, {s("Q_SAMPLE_HALL_BRIEF")})}));
    // The information desk's offer: the locations whose tickets it sells.
    CTreeNode* ticketsDecl = b.ProcDecl(
        tickets, {object}, b.List({b.Oper(1, DT_CHAR, {s("north")}), b.Oper(1, DT_CHAR, {s("sample")})}));
    b.SetRoot(b.List({enterDecl, finaleDecl, questDecl, ticketsDecl}));
    return b.Bytes();
}

} // namespace

const char* const kSampleMissionSource = R"(// Sample mission: crystals for the north base, a quest of two parts.
PROC START
IF(!Q1.GET & !Q1.FAIL)
{
    _ADDQUEST(Q1);
    _QUEST(Q1_TITLE);
    _JOURNAL(Q1_PART1);
    _STARTTIMER(Q1, 48);
    _MARK(SAMPLE_BASE_NORTH);
}
END

PROC ENTERBASE
IF(Q1.GET & !Q1.PART1)
{
    IF(_PLAYERHAS(TOV_CRYSTAL, 10))
    {
        _REMOVEOBJECT(TOV_CRYSTAL, 10);
        _SETEVENT(Q1.PART1);
        _JOURNAL(Q1_PART2);
        _INFO(Q1_DELIVERED);
        _UNMARK(SAMPLE_BASE_NORTH);
        _MARK(SAMPLE_BASE_SOUTH);
    }
    ELSE
    {
        _INFO(Q1_NEED_CRYSTALS);
    }
}
END

PROC RETURNHOME
IF(Q1.PART1 & !Q1.COMPLETE)
{
    _ADDBALANCE(500);
    _ADDRATING(10);
    _SETEVENT(Q1.COMPLETE);
    _INFO(Q1_DONE);
}
END

// Out of time: the quest fails and its parts can no longer be done.
PROC Q1_TIMEOUT
_SETEVENT(Q1.FAIL);
_REMOVEEVENT(Q1.GET);
_REMOVEEVENT(Q1.PART1);
_INFO(Q1_FAILED);
END
)";

bool WriteMissionScript(const std::string& root, const std::string& name, const char* extension,
                        const std::string& source)
{
    const std::string file = name + extension;
    const std::string path = root + "\\SCRIPT\\" + file;
    std::FILE* out = plat::FOpen(path.c_str(), "wb");
    const bool written = out && std::fwrite(source.data(), 1, source.size(), out) == source.size();
    if (out && std::fclose(out) != 0)
        return false;
    if (!written)
    {
        std::fprintf(stderr, "mksample: cannot write %s\n", path.c_str());
        return false;
    }
    CScriptInter inter;
    inter.SetBaseDirectory((root + "\\").c_str());
    CStringPool* lines = nullptr;
    const std::string compiled = root + "\\SCRIPT\\bin\\" + file;
    const bool ok = inter.LoadScript(file.c_str(), &lines, false) && inter.SaveCompiled(compiled.c_str(), lines);
    delete lines;
    if (!ok)
        std::fprintf(stderr, "mksample: cannot compile %s into %s\n", path.c_str(), compiled.c_str());
    return ok;
}

bool WriteSampleScripts(const std::string& root)
{
    if (!plat::CreateDirectory((root + "\\SCRIPT").c_str()) ||
        !plat::CreateDirectory((root + "\\SCRIPT\\bin").c_str()) ||
        !WriteMissionScript(root, "SAMPLE_Q1", ".qst", kSampleMissionSource))
        return false;
    if (!WriteScriptFile(root + "\\Data\\Bin\\sample_base.bin", SampleBase()) ||
        !WriteScriptFile(root + "\\Data\\Bin\\sample_clock.bin", SampleClock()) ||
        !WriteScriptFile(root + "\\Data\\Bin\\sample_hall.bin", SampleHall()))
        return false;
    const std::string ini = root + "\\DATA\\CONFIG\\objects.ini";
    const char* const entries[][3] = {
        {"OBJECTS", "SAMPLE_BASE*", "sample_base"},
        {"OBJECTS", "SAMPLE_TOWER", "sample_clock"},
        {"OBJECTS", "SAMPLE_HALL", "sample_hall"},
        {"EVENTS", "OnHour", "sample_clock"},
    };
    for (const auto& entry : entries)
        if (!plat::WritePrivateProfileString(entry[0], entry[1], entry[2], ini.c_str()))
        {
            std::fprintf(stderr, "mksample: cannot write %s\n", ini.c_str());
            return false;
        }
    return true;
}
