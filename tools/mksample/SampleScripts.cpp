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
    SScriptSymbol* object = b.Var("OBJECT", DT_CHAR, nullptr, 1);
    SScriptSymbol* hour = b.Proc("OnHour", DT_INT);
    CTreeNode* hourDecl = b.ProcDecl(
        hour, {object},
        b.List({b.Assign(i, b.Int(0)), b.Assign(sum, b.Int(0)),
                b.While(b.Binary(LESS_EXPR, b.Ident(i), b.Int(10)),
                        b.List({b.Inc(i), b.Assign(sum, b.Binary(PLUS_EXPR, b.Ident(sum), b.Ident(i)))})),
                b.Assign(hour, b.Ident(sum))}));
    b.SetRoot(b.List({hourDecl, b.Assign(state, b.Str("ready"))}));
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
        !WriteScriptFile(root + "\\Data\\Bin\\sample_clock.bin", SampleClock()))
        return false;
    const std::string ini = root + "\\DATA\\CONFIG\\objects.ini";
    const char* const entries[][3] = {
        {"OBJECTS", "SAMPLE_BASE*", "sample_base"},
        {"OBJECTS", "SAMPLE_TOWER", "sample_clock"},
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
