// What a new game on the sample starts with, in Data\Bin:
//   TARVOXII.src.bin  the game's start script (the application's default
//                     script file "TARVOXII.src"): its main body sets
//                     START_SCRIPT to 1 and leaves the first map to the
//                     game's default;
//   STORM.src.bin     the start script of the mod "Буря" (storm.ini): sets
//                     START_SCRIPT to 2 and names the location "north" as
//                     the first map;
//   sample_start.bin  "OnStartGame" notes the start in a variable;
//                     "OnEnterLocation" of the location "sample" sends the
//                     location's described groups, the road guard and the
//                     patrol, on their way.
#include "platform/Ini.h"
#include "script/ScriptInter.h"
#include "tools/scriptc/CodeTreeBuilder.h"

#include <cstdio>
#include <string>
#include <vector>

bool WriteSampleStartup(const std::string& root);

namespace
{

// The call table's number of the described-group call.
constexpr int kCreateGroup = 58;
constexpr int kSetVariable = 4;
// The call table's number of the journey call (location, point).
constexpr int kTravel = 66;

// A start script: its main body sets START_SCRIPT to number and, when map
// is not empty, names the first map.
std::vector<std::uint8_t> StartScript(const char* number, const char* map)
{
    CCodeTreeBuilder b;
    std::vector<CTreeNode*> body{b.Oper(kSetVariable, DT_CHAR, {b.Str("START_SCRIPT"), b.Str(number)})};
    if (map[0]) body.push_back(b.Oper(kTravel, DT_CHAR, {b.Str(map), b.Str("")}));
    b.SetRoot(b.List(body));
    return b.Bytes();
}

std::vector<std::uint8_t> SampleStart()
{
    CCodeTreeBuilder b;
    SScriptSymbol* object = b.Var("OBJECT", DT_CHAR, nullptr, 1);
    SScriptSymbol* start = b.Proc("OnStartGame", DT_INT);
    SScriptSymbol* enter = b.Proc("OnEnterLocation", DT_INT);
    auto s = [&b](const char* text) { return b.Str(text); };
    CTreeNode* startDecl =
        b.ProcDecl(start, {object}, b.List({b.Oper(kSetVariable, DT_CHAR, {s("GAME_STARTED"), s("1")})}));
    CTreeNode* enterDecl =
        b.ProcDecl(enter, {object},
                   b.List({b.Oper(kCreateGroup, DT_CHAR, {s("GUARD1"), s(""), s("0")}),
                           b.Oper(kCreateGroup, DT_CHAR, {s("PATROL1"), s(""), s("0")})}));
    b.SetRoot(b.List({startDecl, enterDecl}));
    return b.Bytes();
}

} // namespace

// Called after the other scripts are written.
bool WriteSampleStartup(const std::string& root)
{
    if (!WriteScriptFile(root + "\\Data\\Bin\\sample_start.bin", SampleStart()) ||
        !WriteScriptFile(root + "\\Data\\Bin\\TARVOXII.src.bin", StartScript("1", "")) ||
        !WriteScriptFile(root + "\\Data\\Bin\\STORM.src.bin", StartScript("2", "north")))
        return false;
    const std::string ini = root + "\\DATA\\CONFIG\\objects.ini";
    if (!plat::WritePrivateProfileString("OBJECTS", "sample", "sample_start", ini.c_str()) ||
        !plat::WritePrivateProfileString("EVENTS", "OnStartGame", "sample_start", ini.c_str()))
    {
        std::fprintf(stderr, "mksample: cannot write %s\n", ini.c_str());
        return false;
    }
    return true;
}
