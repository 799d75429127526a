// The second sample mission: the depot's sensor, an escort, a timer and the
// pick-ups that a special action scatters.
//
//   sample_escort  game script, [EVENTS] OnTen: once, an hour's timer
//                  (built-in 16) calling OnDepotTimer, which hands the
//                  group of a mech of neither the merchants nor the player
//                  (built-in 30) to the player as its escort (44);
//                  [OBJECTS] DEPOT_YARD: OnEnterSensor says DEPOT_REACHED;
//                  [EVENTS] OnEscortDie says ESCORT_LOST for any escort
//                  without a script of its own. Each also sets the script
//                  variable of its name (DEPOT_ARMED, DEPOT_REACHED,
//                  DEPOT_TIMER, ESCORT_LOST) to 1.
//   sample.scr     the location's hourly mission script (the game runs
//                  its EACHHOUR at every game hour in the location "sample"):
//                  the first hour starts the second mission: a sensor for
//                  the player on the helper point DEPOT_YARD at the depot
//                  (a sensor's target is looked up as a system point, then
//                  as an object's id, then as a road node: "SAMPLE_DEPOT"
//                  would be the depot building's or its road node's
//                  object, a sensor of radius 1.9) and a two-hour timer;
//                  M2_TIMEOUT scatters pick-ups over the location (special
//                  action 3).

#include "tools/mksample/SampleScripts.h"

#include "platform/Ini.h"
#include "script/ScriptInter.h"
#include "tools/scriptc/CodeTreeBuilder.h"

#include <cstdio>

namespace
{
const char* const kMission2Source =
    R"(// The location's hourly script: the first game hour starts the second
// mission (the depot, the escort and the scattered pick-ups).
PROC EACHHOUR
IF(!M2.GET)
{
    _SETEVENT(M2.GET);
    _ADDSENSOR(DEPOT_YARD);
    _STARTTIMER(M2, 2);
}
END

// Time is up: pick-ups fall over the location.
PROC M2_TIMEOUT
_PROCESS(3);
END
)";

std::vector<std::uint8_t> SampleEscort()
{
    CCodeTreeBuilder b;
    SScriptSymbol* armed = b.Var("ARMED", DT_INT);
    SScriptSymbol* guard = b.Var("GUARD", DT_CHAR);
    SScriptSymbol* object = b.Var("OBJECT", DT_CHAR, nullptr, 1);
    SScriptSymbol* ten = b.Proc("OnTen", DT_INT);
    SScriptSymbol* sensor = b.Proc("OnEnterSensor", DT_INT);
    SScriptSymbol* escort = b.Proc("OnEscortDie", DT_INT);
    SScriptSymbol* timer = b.Proc("OnDepotTimer", DT_INT);
    auto s = [&b](const char* text) { return b.Str(text); };
    CTreeNode* tenDecl = b.ProcDecl(
        ten, {object},
        b.List({b.If(b.Binary(EQUAL_EXPR, b.Ident(armed), b.Int(0)),
                     b.List({b.Assign(armed, b.Int(1)), b.Oper(4, DT_CHAR, {s("DEPOT_ARMED"), s("1")}),
                             b.Oper(16, DT_CHAR, {s("OnDepotTimer"), s("1"), s("SAMPLE_DEPOT")})})),
                b.Assign(ten, b.Ident(armed))}));
    CTreeNode* sensorDecl =
        b.ProcDecl(sensor, {object},
                   b.List({b.Oper(1, DT_CHAR, {s("DEPOT_REACHED")}),
                           b.Oper(4, DT_CHAR, {s("DEPOT_REACHED"), s("1")}), b.Assign(sensor, b.Int(1))}));
    CTreeNode* escortDecl =
        b.ProcDecl(escort, {object},
                   b.List({b.Oper(1, DT_CHAR, {s("ESCORT_LOST")}),
                           b.Oper(4, DT_CHAR, {s("ESCORT_LOST"), s("1")}), b.Assign(escort, b.Int(1))}));
    CTreeNode* timerDecl = b.ProcDecl(
        timer, {object},
        b.List({b.Oper(1, DT_CHAR, {s("DEPOT_TIMER")}), b.Oper(4, DT_CHAR, {s("DEPOT_TIMER"), s("1")}),
                b.Assign(guard, b.Oper(30, DT_CHAR, {s("ORG_MERCHANTS")})),
                b.Oper(44, DT_CHAR, {b.Ident(guard), s("1")}), b.Assign(timer, b.Int(1))}));
    b.SetRoot(b.List({tenDecl, sensorDecl, escortDecl, timerDecl}));
    return b.Bytes();
}
} // namespace

bool WriteSampleMission2(const std::string& root)
{
    if (!WriteMissionScript(root, "sample", ".scr", kMission2Source) ||
        !WriteScriptFile(root + "\\Data\\Bin\\sample_escort.bin", SampleEscort()))
        return false;
    const std::string ini = root + "\\DATA\\CONFIG\\objects.ini";
    const char* const entries[][3] = {
        {"OBJECTS", "DEPOT_YARD", "sample_escort"},
        {"EVENTS", "OnTen", "sample_escort"},
        {"EVENTS", "OnEscortDie", "sample_escort"},
    };
    for (const auto& entry : entries)
        if (!plat::WritePrivateProfileString(entry[0], entry[1], entry[2], ini.c_str()))
        {
            std::fprintf(stderr, "mksample: cannot write %s\n", ini.c_str());
            return false;
        }
    return true;
}
