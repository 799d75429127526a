#include "tools/mksample/SampleScripts.h"

#include "platform/Ini.h"
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

bool WriteSampleScripts(const std::string& root)
{
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
