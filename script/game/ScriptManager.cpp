#include "script/game/ScriptManager.h"

#include "script/game/ScriptBuiltIns.h"

#include "foundation/ErrorLog.h"
#include "foundation/LogText.h"
#include "foundation/GuidKey.h"
#include "foundation/MemStream.h"
#include "foundation/PakFileSystem.h"
#include "foundation/Settings.h"
#include "foundation/StreamReader.h"
#include "platform/File.h"
#include "platform/Ini.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

IScriptManager* g_pScriptManager = nullptr;
std::uint32_t g_iIScriptManager = static_cast<std::uint32_t>(-1);

namespace
{
// Copies text into a fixed field, cut to fit and terminated.
template <std::size_t N> void SetField(char (&field)[N], const char* text)
{
    std::snprintf(field, N, "%s", text ? text : "");
}

// Whether a field holds the text as it would be stored (cut to fit).
template <std::size_t N> bool FieldIs(const char (&field)[N], const char* text)
{
    return text && std::strncmp(field, text, N - 1) == 0;
}

// Fields read from a saved chunk may lack their terminator.
template <std::size_t N> void Terminate(char (&field)[N])
{
    field[N - 1] = '\0';
}

void WriteU32(CMemStream& stream, std::uint32_t value)
{
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    stream.Write(bytes, 4);
}

template <typename T> void WriteTable(CMemStream& stream, const std::vector<T>& table)
{
    WriteU32(stream, static_cast<std::uint32_t>(table.size()));
    if (!table.empty())
        stream.Write(table.data(), static_cast<std::uint32_t>(table.size() * sizeof(T)));
}

template <typename T> std::vector<T> ReadTable(CStreamReader& in, const char* what)
{
    const std::uint32_t count = in.Count(sizeof(T), what);
    std::vector<T> table(count);
    if (count)
        in.Bytes(table.data(), static_cast<std::uint32_t>(count * sizeof(T)));
    return table;
}

} // namespace

// Marks a script as running for the scope's life; when the last run of a
// script that the cache has let go ends, the script is destroyed.
class CScriptManager::CRunGuard
{
public:
    CRunGuard(CScriptManager& manager, IScript* script) : m_manager(manager), m_script(script)
    {
        manager.m_Running.push_back(script);
    }
    ~CRunGuard()
    {
        std::vector<IScript*>& running = m_manager.m_Running;
        running.pop_back();
        std::vector<IScript*>& retired = m_manager.m_Retired;
        const auto it = std::find(retired.begin(), retired.end(), m_script);
        if (it != retired.end() && std::find(running.begin(), running.end(), m_script) == running.end())
        {
            retired.erase(it);
            delete m_script;
        }
    }
    CRunGuard(const CRunGuard&) = delete;
    CRunGuard& operator=(const CRunGuard&) = delete;

private:
    CScriptManager& m_manager;
    IScript* m_script;
};

CScriptManager::CScriptManager() : m_BuiltIns(GameScriptBuiltIns())
{
    std::memset(&m_Results, 0, sizeof(m_Results));
}

CScriptManager::~CScriptManager()
{
    Done();
    for (IScript* script : m_Retired)
        delete script;
    m_Retired.clear();
}

CGuidKey CScriptManager::GetGUID() const
{
    CGuidKey key;
    MakeGuidKeyConcat(&key, "IGUID_", "IScriptManager");
    return key;
}

std::string CScriptManager::Base() const
{
    return m_baseDir.empty() ? GetEngineBaseDirectory() : m_baseDir;
}

// ---------------------------------------------------------------------------
// objects.ini

void CScriptManager::ReadSection(const char* section, const std::string& file, std::vector<SScriptBinding>& table)
{
    std::vector<char> buffer(kSectionBuffer, '\0');
    plat::GetPrivateProfileSection(section, buffer.data(), kSectionBuffer, file.c_str());
    table.clear();
    for (const char* line = buffer.data(); *line; line += std::strlen(line) + 1)
    {
        const char* equals = std::strchr(line, '=');
        if (!equals)
        {
            g_ErrorLog.LogError("CScriptManager::Init \"%s\" [%s] line \"%s\" has no '=', skipped",
                                file.c_str(), section, EscapeForLog(line).c_str());
            continue;
        }
        // Names and script names are text: a control byte means the line is
        // damaged, and binding by it would only hide that.
        if (std::any_of(line, line + std::strlen(line),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
        {
            g_ErrorLog.LogError("CScriptManager::Init \"%s\" [%s] line \"%s\" holds control bytes, skipped",
                                file.c_str(), section, EscapeForLog(line).c_str());
            continue;
        }
        SScriptBinding binding = {};
        const std::size_t keyLength = static_cast<std::size_t>(equals - line);
        const std::string key(line, keyLength);
        if (keyLength >= sizeof(binding.name))
            g_ErrorLog.LogError("CScriptManager::Init \"%s\" [%s] key \"%s\" longer than %zu characters, cut",
                                file.c_str(), section, EscapeForLog(key).c_str(), sizeof(binding.name) - 1);
        if (std::strlen(equals + 1) >= sizeof(binding.script))
            g_ErrorLog.LogError(
                "CScriptManager::Init \"%s\" [%s] script of \"%s\" longer than %zu characters, cut",
                file.c_str(), section, EscapeForLog(key).c_str(), sizeof(binding.script) - 1);
        SetField(binding.name, key.c_str());
        SetField(binding.script, equals + 1);
        table.push_back(binding);
    }
}

bool CScriptManager::Init()
{
    XTRACE("CScriptManager::Init");
    const std::string file = Base() + "DATA\\CONFIG\\objects.ini";
    ReadSection("OBJECTS", file, m_Objects);
    ReadSection("EVENTS", file, m_Events);
    // Without bindings no script ever runs: one line says why, as the
    // application's does for a missing file.
    if (m_Objects.empty() && m_Events.empty())
    {
        std::FILE* probe = plat::FOpen(file.c_str(), "rb");
        const char* why = !plat::FileExists(file.c_str()) ? "not found"
                          : !probe                        ? "cannot be read"
                                                          : "binds no object and no event";
        if (probe) std::fclose(probe);
        g_ErrorLog.LogError("CScriptManager::Init \"%s\" %s: no script will run", file.c_str(), why);
    }
    return true;
}

void CScriptManager::Reset()
{
    m_Timers.clear();
    m_iNextTimer = -1;
    for (SScriptCacheSlot& slot : m_Cache)
    {
        IScript* script = slot.script;
        slot.script = nullptr;
        slot.name[0] = '\0';
        Retire(script);
    }
    for (SScriptIntVar& var : m_IntVars)
        var = SScriptIntVar{};
    for (SScriptStrVar& var : m_StrVars)
        var = SScriptStrVar{};
}

// ---------------------------------------------------------------------------
// The script cache

void CScriptManager::Retire(IScript* script)
{
    if (!script)
        return;
    if (std::find(m_Running.begin(), m_Running.end(), script) != m_Running.end())
    {
        if (std::find(m_Retired.begin(), m_Retired.end(), script) == m_Retired.end())
            m_Retired.push_back(script);
        return;
    }
    delete script;
}

void CScriptManager::DropFromCache(IScript* script)
{
    for (SScriptCacheSlot& slot : m_Cache)
        if (slot.script == script)
        {
            slot.script = nullptr;
            slot.name[0] = '\0';
            Retire(script);
        }
}

IScript* CScriptManager::LoadScript(const char* name)
{
    XTRACE("CScriptManager::LoadScript");
    if (!name)
        return nullptr;
    int freeSlot = -1;
    int oldest = -1;
    for (int i = 0; i < kCacheSlots; ++i)
    {
        SScriptCacheSlot& slot = m_Cache[i];
        if (slot.script && FieldIs(slot.name, name))
            return slot.script;
        if (!slot.script)
        {
            if (freeSlot < 0)
                freeSlot = i;
        }
        else if (freeSlot < 0 && (oldest < 0 || slot.stamp < m_Cache[oldest].stamp))
            oldest = i;
    }
    const std::string path = Base() + "Data\\Bin\\" + name + ".bin";
    // Bindings ask for their script on every event: a script that cannot be
    // loaded is named in the log once.
    const auto refuse = [&](const std::string& why) -> IScript* {
        if (std::find(m_Refused.begin(), m_Refused.end(), name) == m_Refused.end())
        {
            m_Refused.emplace_back(name);
            g_ErrorLog.LogError("CScriptManager::LoadScript %s: %s", path.c_str(), why.c_str());
        }
        return nullptr;
    };
    CPakStream file;
    if (!GetPakFileSystem().OpenStream(path.c_str(), file))
        return refuse("not found");
    CMemStream stream;
    const std::uint32_t length = file.GetLength();
    std::uint8_t count[4];
    if (length < 4 || file.ReadBytes(count, 4) != 4)
        return refuse("no byte count");
    const std::uint32_t size = count[0] | (count[1] << 8) | (count[2] << 16) | (static_cast<std::uint32_t>(count[3]) << 24);
    if (size > length - 4)
        return refuse("byte count " + std::to_string(size) + " past the end of the file");
    stream.Allocate(size);
    if (size && file.ReadBytes(stream.m_pData, size) != size)
        return refuse("cut short");
    file.Close();

    CGuidKey key;
    MakeGuidKey(&key, "IGUID_IScript");
    IBaseInterface* created = CreateClassInstance(ResolveClassIndex(key));
    auto* script = dynamic_cast<IScript*>(created);
    if (!script)
    {
        delete created;
        return refuse("no script class registered");
    }
    if (!script->LoadFromStream(stream))
    {
        const auto* plain = dynamic_cast<CScript*>(script);
        const std::string why = plain ? plain->GetLoadError() : "damaged code tree";
        delete script;
        return refuse(why);
    }
    // The cache gives up a slot only for a script that loaded.
    SScriptCacheSlot& slot = m_Cache[freeSlot >= 0 ? freeSlot : oldest];
    IScript* victim = slot.script;
    slot.script = nullptr;
    Retire(victim);
    SetField(slot.name, name);
    slot.stamp = m_iLoadCounter++;
    slot.script = script;
    return script;
}

// ---------------------------------------------------------------------------
// Running scripts

int CScriptManager::RunScript(const char* name, int)
{
    IScript* script = LoadScript(name);
    if (!script)
        return 0;
    SetField(m_szCurrentScript, name);
    m_ScriptName = name;
    CRunGuard guard(*this, script);
    return script->Execute() ? 1 : 0;
}

const char* CScriptManager::RunScriptProc(const char* name, const char* proc, const char* object, bool remember,
                                          const char* param)
{
    XTRACE("CScriptManager::RunScriptProc");
    IScript* script = LoadScript(name);
    if (!script)
        return nullptr;
    if (remember)
        SetField(m_szCurrentScript, name);
    m_ScriptName = name;
    const char* args[2] = {object, param};
    bool completed = false;
    CXAnsiString result;
    for (int attempt = 1; attempt <= kAttempts && script; ++attempt)
    {
        try
        {
            CRunGuard guard(*this, script);
            const char* text = script->ExecuteProc(proc, param ? 2 : 1, args);
            // The text lives in the script, which a later load may replace.
            result = text;
            completed = true;
            break;
        }
        catch (...)
        {
            g_ErrorLog.ResetTrace();
            if (attempt == kAttempts)
                break;
            // The procedure runs again from its start with a fresh copy of
            // its script: whatever it did before the failure is done again.
            g_ErrorLog.LogError("Exception in script. Try to recall. Script '%s' proc '%s', attempt %d of %d "
                                "repeats what the procedure did before it failed",
                                name, proc ? proc : "", attempt + 1, kAttempts);
            DropFromCache(script);
            script = LoadScript(name);
        }
    }
    if (!completed)
    {
        g_ErrorLog.LogError("5 script called fails");
        return nullptr;
    }
    if (!result.GetData())
        return nullptr;
    m_TextResult = result;
    return m_TextResult.GetText();
}

bool CScriptManager::RunEvent(const char* object, const char* event, const char* param)
{
    XTRACE("CScriptManager::RunEvent");
    const SScriptBinding* bound = nullptr;
    for (const SScriptBinding& binding : m_Objects)
    {
        if (!object)
            break;
        const std::size_t length = std::strlen(binding.name);
        if (length && binding.name[length - 1] == '*')
        {
            if (std::strncmp(object, binding.name, length - 1) == 0)
            {
                bound = &binding;
                break;
            }
        }
        if (std::strcmp(object, binding.name) == 0)
        {
            bound = &binding;
            break;
        }
    }
    if (bound)
    {
        const std::string script = bound->script; // the table may not change, but stay safe
        if (!event)
        {
            RunScript(script.c_str(), 0);
            return true;
        }
        const char* result = RunScriptProc(script.c_str(), event, object, true, param);
        if (!result || std::strcmp(result, CScript::kProcNotFound) != 0)
            return true;
    }
    if (!event)
        return false;
    for (const SScriptBinding& binding : m_Events)
        if (std::strcmp(binding.name, event) == 0)
        {
            const std::string script = binding.script;
            RunScriptProc(script.c_str(), event, object, true, param);
            return true;
        }
    return false;
}

void CScriptManager::Run(float)
{
    XTRACE("CScriptManager::Run");
    if (m_Host.checkObjectSensors)
        m_Host.checkObjectSensors();
    if (m_iNextTimer < 0 || m_iNextTimer >= static_cast<int>(m_Timers.size()))
        return;
    const SScriptTimer timer = m_Timers[static_cast<std::size_t>(m_iNextTimer)];
    if (timer.fireDay > GameClock())
        return;
    m_Timers.erase(m_Timers.begin() + m_iNextTimer);
    ChooseNextTimer();
    RunScriptProc(timer.script, timer.proc, timer.object, true, nullptr);
    if (m_Host.updateScriptMessages)
        m_Host.updateScriptMessages();
    ChooseNextTimer();
}

// ---------------------------------------------------------------------------
// Timers, variables, stack, results

void CScriptManager::ChooseNextTimer()
{
    m_iNextTimer = -1;
    float best = kNeverDay;
    for (std::size_t i = 0; i < m_Timers.size(); ++i)
        if (m_Timers[i].fireDay < best)
        {
            best = m_Timers[i].fireDay;
            m_iNextTimer = static_cast<int>(i);
        }
}

SScriptTimer* CScriptManager::FindTimer(const char* name)
{
    for (SScriptTimer& timer : m_Timers)
        if (FieldIs(timer.proc, name))
            return &timer;
    return nullptr;
}

void CScriptManager::SetTimer(const char* proc, const char* object, float hours)
{
    SScriptTimer* found = nullptr;
    for (SScriptTimer& timer : m_Timers)
        if (FieldIs(timer.proc, proc) && FieldIs(timer.object, object) && FieldIs(timer.script, m_ScriptName.GetText()))
        {
            found = &timer;
            break;
        }
    if (!found)
        found = &m_Timers.emplace_back(SScriptTimer{});
    SetField(found->proc, proc);
    SetField(found->object, object);
    found->length = hours * (1.0f / 24.0f);
    found->fireDay = found->length + GameClock();
    SetField(found->script, m_ScriptName.GetText());
    ChooseNextTimer();
}

void CScriptManager::KillTimer(const char* proc, const char* object)
{
    for (std::size_t i = 0; i < m_Timers.size(); ++i)
        if (FieldIs(m_Timers[i].proc, proc) && FieldIs(m_Timers[i].object, object))
        {
            m_Timers.erase(m_Timers.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    ChooseNextTimer();
}

std::int32_t CScriptManager::GetVar(const char* name) const
{
    for (const SScriptIntVar& var : m_IntVars)
        if (FieldIs(var.name, name))
            return var.value;
    return 0;
}

const char* CScriptManager::GetVarChar(const char* name) const
{
    for (const SScriptStrVar& var : m_StrVars)
        if (FieldIs(var.name, name))
            return var.value;
    return "";
}

bool CScriptManager::PushString(const char* text)
{
    if (m_iStackCount >= kStackSize)
        return false;
    m_Stack[m_iStackCount++] = text;
    return true;
}

bool CScriptManager::PopString(CXAnsiString& out)
{
    if (m_iStackCount <= 0)
        return false;
    out = m_Stack[--m_iStackCount];
    return true;
}

SScriptResult* CScriptManager::AddResultRecord(std::int32_t type, std::int32_t value, bool withScript)
{
    if (m_Results.m_iResultCount < 0)
        m_Results.m_iResultCount = 0;
    if (m_Results.m_iResultCount >= SScriptResults::kMaxUsed)
    {
        g_ErrorLog.LogError("Script: Text array override");
        return nullptr;
    }
    SScriptResult& result = m_Results.m_Results[m_Results.m_iResultCount++];
    if (withScript)
        SetField(result.script, m_ScriptName.GetText());
    result.value = value;
    result.type = type;
    return &result;
}

bool CScriptManager::AddResult(std::int32_t type, const char* text, std::int32_t value, bool withScript)
{
    SScriptResult* result = AddResultRecord(type, value, withScript);
    if (!result)
        return false;
    SetField(result->text, text);
    return true;
}

// ---------------------------------------------------------------------------
// Built-in functions

// Numbers the scripts may call that no built-in ever had: nothing, silently.
static bool IsUnusedBuiltIn(int number)
{
    return number == 35 || number == 73 || number == 75 || number == 96;
}

const SScriptBuiltIn* CScriptManager::FindBuiltIn(int number) const
{
    for (const SScriptBuiltIn& builtIn : m_BuiltIns)
        if (builtIn.number == number)
            return &builtIn;
    return nullptr;
}

const char* CScriptManager::UserFunc(int number, const char* p1, const char* p2, const char* p3, const char* p4,
                                     const char* p5, int count)
{
    const SScriptBuiltIn* builtIn = FindBuiltIn(number);
    if (!builtIn && IsUnusedBuiltIn(number))
        return nullptr;
    if (!builtIn || !builtIn->text)
    {
        g_ErrorLog.LogError("CScriptManager::UserFunc: no built-in %d (script '%s')", number, m_ScriptName.GetText());
        return nullptr;
    }
    const char* const params[5] = {p1, p2, p3, p4, p5};
    try
    {
        return builtIn->text(*this, params, count);
    }
    catch (...)
    {
        g_ErrorLog.LogError("Exeption in userfunc: %d", number);
        g_ErrorLog.AppendTrace("CScriptManager::UserFunc");
        throw;
    }
}

int CScriptManager::UserFuncInt(int number, const char* p1, const char* p2, const char* p3, const char* p4,
                                const char* p5, int count)
{
    const SScriptBuiltIn* builtIn = FindBuiltIn(number);
    if (!builtIn && IsUnusedBuiltIn(number))
        return 0;
    if (!builtIn || !builtIn->integer)
    {
        g_ErrorLog.LogError("CScriptManager::UserFuncInt: no built-in %d (script '%s')", number,
                            m_ScriptName.GetText());
        return 0;
    }
    const char* const params[5] = {p1, p2, p3, p4, p5};
    try
    {
        return builtIn->integer(*this, params, count);
    }
    catch (...)
    {
        g_ErrorLog.LogError("Exeption in userfuncint: %d", number);
        g_ErrorLog.AppendTrace("CScriptManager::UserFuncInt");
        throw;
    }
}

// ---------------------------------------------------------------------------
// The "SCRIPTS" chunk

void CScriptManager::SaveToStream(CMemStream& stream)
{
    WriteTable(stream, m_Objects);
    WriteTable(stream, m_Events);
    WriteTable(stream, m_Timers);
    WriteTable(stream, m_IntVars);
    WriteTable(stream, m_StrVars);
}

bool CScriptManager::LoadFromStream(CMemStream& stream)
{
    CStreamReader in(stream, "SCRIPTS chunk");
    try
    {
        // The bindings of the chunk are read past: those of objects.ini stay.
        ReadTable<SScriptBinding>(in, "object bindings");
        ReadTable<SScriptBinding>(in, "event bindings");
        std::vector<SScriptTimer> timers = ReadTable<SScriptTimer>(in, "timers");
        std::vector<SScriptIntVar> ints = ReadTable<SScriptIntVar>(in, "integer variables");
        std::vector<SScriptStrVar> strs = ReadTable<SScriptStrVar>(in, "string variables");
        for (SScriptTimer& timer : timers)
        {
            Terminate(timer.proc);
            Terminate(timer.object);
            Terminate(timer.script);
        }
        for (SScriptIntVar& var : ints)
            Terminate(var.name);
        for (SScriptStrVar& var : strs)
        {
            Terminate(var.name);
            Terminate(var.value);
        }
        m_Timers = std::move(timers);
        m_IntVars = std::move(ints);
        m_StrVars = std::move(strs);
    }
    catch (const CStreamError& error)
    {
        g_ErrorLog.LogError("CScriptManager::LoadFromStream %s", error.what());
        return false;
    }
    ChooseNextTimer();
    return true;
}

// ---------------------------------------------------------------------------
// The game's script objects and the registration

CXAnsiString CGameScript::UserFunc(int number, const char* p1, const char* p2, const char* p3, const char* p4,
                                   const char* p5, int count)
{
    if (!g_pScriptManager)
        return CXAnsiString();
    const char* text = g_pScriptManager->UserFunc(number, p1, p2, p3, p4, p5, count);
    return text ? CXAnsiString(text) : CXAnsiString();
}

int CGameScript::UserFuncInt(int number, const char* p1, const char* p2, const char* p3, const char* p4,
                             const char* p5, int count)
{
    return g_pScriptManager ? g_pScriptManager->UserFuncInt(number, p1, p2, p3, p4, p5, count) : 0;
}

namespace
{
IBaseInterface* CreateScriptManager()
{
    return new CScriptManager();
}

IBaseInterface* CreateGameScript()
{
    return new CGameScript();
}
} // namespace

void RegisterGameScriptClasses()
{
    RegisterClassFactory(&g_iIScriptManager, CreateScriptManager, "IGUID_IScriptManager");
    RegisterClassFactory(&g_iIScript, CreateGameScript, "IGUID_IScript");
}
