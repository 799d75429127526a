// The mission scripts' built-in procedures: a statement or condition
// operand _NAME(args) reaches RunFunction with the name and its arguments
// (texts). Each name is found by exact comparison; the twenty names that
// have no behaviour, like names outside the list, are logged as unknown and
// answer false.
#include "script/MMScriptManager.h"

#include "foundation/ErrorLog.h"
#include "script/TextDB.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <string>
#include <vector>

namespace
{
struct SArgs
{
    std::vector<std::string> values;

    std::size_t Count() const { return values.size(); }
    const char* operator[](std::size_t i) const { return i < values.size() ? values[i].c_str() : ""; }
    bool Has(std::size_t i) const { return i < values.size(); }
    // An optional count: its value when given, else 1.
    int CountArg(std::size_t i) const { return Has(i) ? std::atoi(values[i].c_str()) : 1; }
};

using ProcFn = bool (*)(CMMScriptManager&, const SArgs&);

bool Queue(CMMScriptManager& m, std::uint32_t type, const char* key)
{
    CXAnsiString text, name;
    if (ITextDB* db = m.TextDB())
        db->Lookup(STextKey(key), text, name);
    else
        text = key;
    m.QueueMessage(type, key, name.GetText(), text.GetText(), 0);
    return true;
}

bool Info(CMMScriptManager& m, const SArgs& a)
{
    return Queue(m, SMissionMessage::kInformation, a[0]);
}

bool Journal(CMMScriptManager& m, const SArgs& a)
{
    Queue(m, SMissionMessage::kJournal, a[0]);
    m.AddJournalName(a[0]);
    return true;
}

bool Quest(CMMScriptManager& m, const SArgs& a)
{
    return Queue(m, SMissionMessage::kQuest, a[0]);
}

bool SetEventProc(CMMScriptManager& m, const SArgs& a)
{
    m.SetEvent(a[0]);
    return true;
}

bool RemoveEventProc(CMMScriptManager& m, const SArgs& a)
{
    m.RemoveEvent(a[0]);
    return true;
}

bool AddQuestProc(CMMScriptManager& m, const SArgs& a)
{
    m.AddQuest(a[0]);
    return true;
}

bool StartTimerProc(CMMScriptManager& m, const SArgs& a)
{
    m.StartTimer(a[0], a[1]);
    return true;
}

bool StopTimerProc(CMMScriptManager& m, const SArgs& a)
{
    m.StopTimer(a[0]);
    return true;
}

bool TaskExist(CMMScriptManager& m, const SArgs& a)
{
    const std::string name = std::string(m.CurrentScript()) + ".NEXTTASK";
    const SMissionTimer* timer = m.FindTimer(name.c_str());
    if (!timer)
        return true;
    if (a[0][0] == '1')
        return timer->length < 1000.0f;
    return m.World().TaskExistSwitch();
}

bool AddBalanceProc(CMMScriptManager& m, const SArgs& a)
{
    const float amount = static_cast<float>(std::atof(a[0]));
    m.AddBalance(amount, amount > 0.0f ? 0 : -1);
    return true;
}

bool AddRatingProc(CMMScriptManager& m, const SArgs& a)
{
    m.AddRating(static_cast<float>(std::atof(a[0])), 0);
    return true;
}

bool MoreBalance(CMMScriptManager& m, const SArgs& a)
{
    return m.World().PlayerMoney() >= static_cast<float>(std::atof(a[0]));
}

// The player's rating level against the number (the name says "more
// rating"; a fixed threshold would not look at the player at all).
bool MoreRating(CMMScriptManager& m, const SArgs& a)
{
    return static_cast<float>(m.World().PlayerRatingLevel()) >= static_cast<float>(std::atof(a[0]));
}

bool AddObject(CMMScriptManager& m, const SArgs& a)
{
    const int count = a.CountArg(1);
    if (count == 0)
        g_ErrorLog.LogError("CMMScriptManager::AddObject invalid number of objects");
    m.World().GiveObject(a[0], count);
    return true;
}

bool RemoveObject(CMMScriptManager& m, const SArgs& a)
{
    const int count = a.CountArg(1);
    if (count == 0)
        g_ErrorLog.LogError("CMMScriptManager::RemoveObject invalid number of objects");
    m.World().RemoveGoods(a[0], count);
    return true;
}

bool PlayerHas(CMMScriptManager& m, const SArgs& a)
{
    IMissionWorld& world = m.World();
    const std::string name = a[0];
    if (world.CargoMechanoids(name.c_str()) > 0)
        return true;
    if (name == "MECHANOID")
        return world.CargoMechanoids(nullptr) >= a.CountArg(1);
    if (name.compare(0, 3, "EQP") == 0)
        return world.PlayerHasEquipment(name.c_str());
    if (name.compare(0, 3, "TOV") == 0)
        return world.CargoGoods(name.c_str()) >= a.CountArg(1);
    return false;
}

bool DamagedHi(CMMScriptManager& m, const SArgs&)
{
    return m.World().PlayerBadlyDamaged();
}

bool DamagedLow(CMMScriptManager& m, const SArgs&)
{
    return m.World().PlayerDamaged();
}

// The glider type "A_B_C" against the arguments: a with B, b with B from its
// second character, c with C, each over the argument's length; an omitted
// argument or "*" matches anything. Script arguments are upper case, so the
// comparison ignores case.
bool IsGlider(CMMScriptManager& m, const SArgs& a)
{
    const std::string type = m.World().PlayerGliderType();
    std::vector<std::string> parts;
    for (std::size_t start = 0;;)
    {
        const std::size_t bar = type.find('_', start);
        parts.push_back(type.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    auto part = [&parts](std::size_t i) { return i < parts.size() ? parts[i] : std::string(); };
    auto matches = [&a](std::size_t i, const std::string& against) {
        if (!a.Has(i) || a.values[i] == "*")
            return true;
        const std::string& want = a.values[i];
        return against.size() >= want.size() && strncasecmp(against.c_str(), want.c_str(), want.size()) == 0;
    };
    const std::string second = part(1);
    return matches(0, second) && matches(1, second.size() > 1 ? second.substr(1) : std::string()) &&
           matches(2, part(2));
}

// Whether the player belongs to the organisation (an index test in the
// organisation list alone would not look at the player).
bool PlayerInOrg(CMMScriptManager& m, const SArgs& a)
{
    const std::string org = m.World().PlayerOrganisation();
    return !org.empty() && strcasecmp(org.c_str(), a[0]) == 0;
}

bool Die(CMMScriptManager& m, const SArgs&)
{
    m.World().KillPlayer();
    return true;
}

bool Eject(CMMScriptManager& m, const SArgs&)
{
    m.m_bEject = true;
    return true;
}

bool Restart(CMMScriptManager& m, const SArgs&)
{
    m.m_bRestart = true;
    return true;
}

bool Process(CMMScriptManager& m, const SArgs& a)
{
    return m.World().RunSpecialAction(std::atoi(a[0])) != 0;
}

bool Pause(CMMScriptManager& m, const SArgs& a)
{
    IMissionWorld& world = m.World();
    if (a[0][0] == '0' && !world.IsPaused())
        return false;
    world.TogglePause();
    return true;
}

bool Mark(CMMScriptManager& m, const SArgs& a)
{
    m.World().PlaySound("SND_I_BEARING");
    m.World().Mark(a[0]);
    return true;
}

bool Unmark(CMMScriptManager& m, const SArgs& a)
{
    m.World().PlaySound("SND_I_BEARING");
    m.World().Unmark(a[0]);
    return true;
}

bool AddSensor(CMMScriptManager& m, const SArgs& a)
{
    m.World().AddSensor(a[0]);
    return true;
}

bool Show(CMMScriptManager& m, const char* name, bool show)
{
    switch (m.World().ShowObject(name, show))
    {
    case IMissionWorld::kShowEmptyGroup:
        g_ErrorLog.LogError("CMMScriptManager::ShowObject group is empty");
        break;
    case IMissionWorld::kShowNotFound:
        g_ErrorLog.LogError("CMMScriptManager::ShowObject object '%s' not found", name);
        break;
    default:
        break;
    }
    return true;
}

bool ShowObject(CMMScriptManager& m, const SArgs& a)
{
    return Show(m, a[0], true);
}

bool HideObject(CMMScriptManager& m, const SArgs& a)
{
    return Show(m, a[0], false);
}

bool ShowObjectAtPos(CMMScriptManager& m, const SArgs& a)
{
    if (!m.World().HasSystemPoint(a[1]))
        g_ErrorLog.LogError("Pointer '%s' not found", a[1]);
    return true;
}

bool Reanimate(CMMScriptManager& m, const SArgs& a)
{
    return m.World().HasGroup(a[0]);
}

bool SetGroupAt(CMMScriptManager& m, const SArgs& a)
{
    IMissionWorld& world = m.World();
    world.HasGroup(a[0]);
    world.HasRoadNode(a[1]);
    if (a.Has(2))
        world.HasRoadNode(a[2]);
    return true;
}

bool StopGroup(CMMScriptManager& m, const SArgs& a)
{
    m.World().HasGroup(a[0]);
    return true;
}

bool Nothing(CMMScriptManager&, const SArgs&)
{
    return true;
}

struct SProcedure
{
    const char* name;
    ProcFn run; // null: no behaviour
};

// The 61 known names; the twenty without behaviour have no function.
const SProcedure kProcedures[] = {
    {"INFO", Info},
    {"JOURNAL", Journal},
    {"QUEST", Quest},
    {"SETEVENT", SetEventProc},
    {"REMOVEEVENT", RemoveEventProc},
    {"ADDQUEST", AddQuestProc},
    {"SETORGRELATION", nullptr},
    {"SETORGSTDRELATION", Nothing},
    {"RESTOREORGRELATION", nullptr},
    {"SETPOLITICS", nullptr},
    {"ADDBALANCE", AddBalanceProc},
    {"ADDRATING", AddRatingProc},
    {"ADDOBJECT", AddObject},
    {"REMOVEOBJECT", RemoveObject},
    {"PROCCESS", Process},
    {"KNOW", Info},
    {"PLAYERHAS", PlayerHas},
    {"PLAYERRELATION", nullptr},
    {"PLAYERISENEMY", nullptr},
    {"PLAYERISFRIEND", nullptr},
    {"PLAYERMATCH", nullptr},
    {"MARK", Mark},
    {"UNMARK", Unmark},
    {"AGGRESSIVE", nullptr},
    {"NEUTRAL", nullptr},
    {"AFRAID", nullptr},
    {"INORG", nullptr},
    {"MORERATINGGRP", nullptr},
    {"MORERATINGGRPSUM", nullptr},
    {"MOREGLIDERS", nullptr},
    {"MORERATINGWEAK", nullptr},
    {"MOREBALANCE", MoreBalance},
    {"MORERATING", MoreRating},
    {"EJECT", Eject},
    {"SETDIEHEIGHT", nullptr},
    {"ADDSENSOR", AddSensor},
    {"SHOWOBJECT", ShowObject},
    {"HIDEOBJECT", HideObject},
    {"SHOWOBJECTATPOS", ShowObjectAtPos},
    {"RESTART", Restart},
    {"PROCESS", Process},
    {"TASKEXIST", TaskExist},
    {"PLAYERINORG", PlayerInOrg},
    {"PLAYERDAMAGEDHI", DamagedHi},
    {"PLAYERDAMAGEDLOW", DamagedLow},
    {"STARTTIMER", StartTimerProc},
    {"STOPTIMER", StopTimerProc},
    {"ADDGROUPTOPLAYER", Nothing},
    {"REMOVEGROUPFROMPLAYER", Nothing},
    {"ISGLIDER", IsGlider},
    {"MOVE", Nothing},
    {"ORGRATINGMORE", nullptr},
    {"PAUSE", Pause},
    {"SETBONUS", Nothing},
    {"SETGROUPAT", SetGroupAt},
    {"STOPGROUP", StopGroup},
    {"SETORGAUTORITY", nullptr},
    {"RESTOREORGAUTORITY", nullptr},
    {"DIE", Die},
    {"MOREORGKILLED", nullptr},
    {"REANIMATE", Reanimate},
};
static_assert(sizeof(kProcedures) / sizeof(kProcedures[0]) == 61);
} // namespace

bool CMMScriptManager::RunFunction(const char* name, CStringPool* arguments)
{
    const SProcedure* found = nullptr;
    for (const SProcedure& procedure : kProcedures)
        if (name && std::strcmp(procedure.name, name) == 0)
        {
            found = &procedure;
            break;
        }
    if (!found || !found->run)
    {
        g_ErrorLog.LogError("CMMScriptManager::RunFunction Unknown user procedure %s", name ? name : "");
        return false;
    }
    // The pool is the interpreter's own, which a nested run refills: the
    // procedure works on a copy.
    SArgs args;
    for (std::uint32_t i = 0; arguments && i < arguments->GetCount(); ++i)
        args.values.emplace_back(arguments->Get(i));
    return found->run(*this, args);
}
