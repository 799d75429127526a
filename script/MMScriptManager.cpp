#include "script/MMScriptManager.h"

#include "foundation/ErrorLog.h"
#include "foundation/MemStream.h"
#include "foundation/Settings.h"
#include "foundation/StreamReader.h"
#include "script/game/TextDatabase.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

CMMScriptManager* g_pMMScriptManager = nullptr;
std::int32_t g_iDifficulty = 1;

namespace
{
template <std::size_t N> void SetField(char (&field)[N], const char* text)
{
    std::memset(field, 0, N);
    std::snprintf(field, N, "%s", text ? text : "");
}

template <std::size_t N> bool FieldIs(const char (&field)[N], const char* text)
{
    return text && std::strncmp(field, text, N - 1) == 0 && std::strlen(text) < N;
}

void WriteU32(CMemStream& stream, std::uint32_t value)
{
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    stream.Write(bytes, 4);
}

const char* Extension(std::uint32_t kind)
{
    switch (kind)
    {
    case 1: return ".scr";
    case 2: return ".qst";
    case 3: return ".inf";
    default: return nullptr;
    }
}
} // namespace

std::int32_t MissionNameHash(const char* name)
{
    std::int32_t id = 0;
    for (int i = 0; name && name[i]; ++i)
        id += static_cast<signed char>(name[i]) * (i + 10);
    return id;
}

CMMScriptManager::CMMScriptManager() : m_Events(100, 8000)
{
}

CMMScriptManager::~CMMScriptManager()
{
    for (SScriptCacheEntry& entry : m_Cache)
        delete entry.lines;
}

std::string CMMScriptManager::Base() const
{
    return m_baseDir.empty() ? GetEngineBaseDirectory() : m_baseDir;
}

ITextDB* CMMScriptManager::TextDB() const
{
    return m_pTextDB ? m_pTextDB : g_pTextDB;
}

void CMMScriptManager::Init()
{
    m_nMessages = 0;
    m_nNesting = 0;
    Reset();
}

void CMMScriptManager::Reset()
{
    for (SScriptCacheEntry& entry : m_Cache)
    {
        // A script still running (Reset from inside a run) keeps its lines
        // until the run ends; it only leaves the cache.
        if (entry.running)
            continue;
        delete entry.lines;
        entry = SScriptCacheEntry{};
    }
    m_Events.Empty();
    m_Tasks.clear();
    m_Journal.clear();
    m_Timers.clear();
    m_iNextTimer = -1;
    m_MissionName = "Unnamed";
    m_State = SMissionState{};
}

// ---------------------------------------------------------------------------
// Scripts

CStringPool* CMMScriptManager::MMLoadScript(const char* name, std::uint32_t kind)
{
    XTRACE("CMMScriptManager::MMLoadScript");
    if (!name)
        return nullptr;
    const double now = World().EngineTime();
    int oldest = -1;
    for (int i = 0; i < kCacheSize; ++i)
    {
        SScriptCacheEntry& entry = m_Cache[i];
        if (entry.lines && entry.kind == kind && FieldIs(entry.name, name))
        {
            entry.time = now;
            return entry.lines;
        }
        // A running script is never the one replaced.
        if (!entry.running && (oldest < 0 || entry.time < m_Cache[oldest].time))
            oldest = i;
    }
    const char* extension = Extension(kind);
    if (!extension)
        return nullptr;
    if (oldest < 0)
    {
        g_ErrorLog.LogError("CMMScriptManager::MMLoadScript '%s': all %d cached scripts are running", name,
                            kCacheSize);
        return nullptr;
    }
    SScriptCacheEntry& entry = m_Cache[oldest];
    const std::string file = Base() + "SCRIPT\\bin\\" + name + extension;
    CStringPool* lines = entry.lines;
    if (!LoadCompiled(file.c_str(), &lines))
        return nullptr;
    entry.lines = lines;
    SetField(entry.name, name);
    entry.time = now;
    entry.kind = kind;
    return entry.lines;
}

// The interpreter's place in a run and the run's parameters, kept across a
// nested run.
struct CMMScriptManager::SRunPlace
{
    explicit SRunPlace(CMMScriptManager& m)
        : manager(m), line(m.m_nCurrentLine), depth(m.m_nDepth), kind(m.m_nScriptKind), procedure(m.m_Procedure),
          restart(m.m_bRestart), eject(m.m_bEject)
    {
        std::memcpy(name, m.m_szName, sizeof(name));
        std::memcpy(condition, m.m_szCondition, sizeof(condition));
        std::memcpy(script, m.m_szScript, sizeof(script));
        for (std::uint32_t i = 0; i < m.m_pArguments->GetCount(); ++i)
            arguments.emplace_back(m.m_pArguments->Get(i));
    }
    ~SRunPlace()
    {
        manager.m_nCurrentLine = line;
        manager.m_nDepth = depth;
        manager.m_nScriptKind = kind;
        manager.m_Procedure = procedure;
        // A flag the caller set before the nested run stays set.
        manager.m_bRestart = manager.m_bRestart || restart;
        manager.m_bEject = manager.m_bEject || eject;
        std::memcpy(manager.m_szName, name, sizeof(name));
        std::memcpy(manager.m_szCondition, condition, sizeof(condition));
        std::memcpy(manager.m_szScript, script, sizeof(script));
        manager.m_pArguments->Empty();
        for (const std::string& argument : arguments)
            manager.m_pArguments->Add(argument.c_str());
    }
    SRunPlace(const SRunPlace&) = delete;
    SRunPlace& operator=(const SRunPlace&) = delete;

    CMMScriptManager& manager;
    std::int32_t line;
    std::int32_t depth;
    std::uint32_t kind;
    std::string procedure;
    bool restart;
    bool eject;
    char name[sizeof(CScriptInter::m_szName)];
    char condition[sizeof(CScriptInter::m_szCondition)];
    char script[32];
    std::vector<std::string> arguments;
};

bool CMMScriptManager::MMRunScript(const char* name, std::uint32_t kind, const char* procedure)
{
    try
    {
        if (m_nNesting >= static_cast<std::uint32_t>(kMaxNesting))
        {
            g_ErrorLog.LogError("CMMScriptManager::MMRunScript '%s' not run: runs nested %d deep", name ? name : "",
                                kMaxNesting);
            return false;
        }
        std::unique_ptr<SRunPlace> outer;
        if (m_nNesting > 0)
            outer = std::make_unique<SRunPlace>(*this);
        SetField(m_szScript, name);
        m_nScriptKind = kind;
        m_Procedure = procedure ? procedure : "";
        m_bRestart = false;
        m_bEject = false;
        if (m_nNesting == 0)
            m_nMessages = 0;
        CStringPool* lines = MMLoadScript(name, kind);
        if (!lines)
            return false;
        SScriptCacheEntry* entry = nullptr;
        for (SScriptCacheEntry& e : m_Cache)
            if (e.lines == lines)
                entry = &e;
        struct SRunning
        {
            SScriptCacheEntry* entry;
            std::uint32_t& nesting;
            SRunning(SScriptCacheEntry* e, std::uint32_t& n) : entry(e), nesting(n)
            {
                ++entry->running;
                ++nesting;
            }
            ~SRunning()
            {
                --entry->running;
                --nesting;
            }
        } running(entry, m_nNesting);
        const std::string proc = m_Procedure;
        RunScript(&lines, procedure ? proc.c_str() : nullptr);
        return true;
    }
    catch (...)
    {
        g_ErrorLog.AppendTrace("CMMScriptManager::MMRunScript");
        throw;
    }
}

bool CMMScriptManager::RunEachHour(const char* fileName)
{
    std::string name = fileName ? fileName : "";
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return MMRunScript(name.c_str(), 1, "EACHHOUR");
}

// ---------------------------------------------------------------------------
// Events, tasks, money and rating

bool CMMScriptManager::CheckVar(const char* word)
{
    return word && m_Events.Find(word) >= 0;
}

void CMMScriptManager::SetEvent(const char* event)
{
    if (!event || m_Events.Find(event) >= 0)
        return;
    m_Events.Add(event);
    const std::string text = event;
    const std::size_t dot = text.rfind('.');
    const std::string task = dot == std::string::npos ? text : text.substr(0, dot);
    if (text.find(".FAIL") != std::string::npos)
        TaskDone(task.c_str(), false);
    else if (text.find(".COMPLETE") != std::string::npos)
        TaskDone(task.c_str(), true);
}

void CMMScriptManager::RemoveEvent(const char* event)
{
    const int index = event ? m_Events.Find(event) : -1;
    if (index < 0)
        return;
    std::vector<std::string> kept;
    for (std::uint32_t i = 0; i < m_Events.GetCount(); ++i)
        if (static_cast<int>(i) != index)
            kept.emplace_back(m_Events.Get(i));
    m_Events.Empty();
    for (const std::string& e : kept)
        m_Events.Add(e.c_str());
}

void CMMScriptManager::AddEvent(const char* name, const char* suffix)
{
    SetEvent((std::string(name ? name : "") + (suffix ? suffix : "")).c_str());
}

bool CMMScriptManager::HasEvent(const char* name, const char* suffix)
{
    return CheckVar((std::string(name ? name : "") + (suffix ? suffix : "")).c_str());
}

void CMMScriptManager::AddQueuedMessageEvents(const char* suffix)
{
    for (std::uint32_t i = 0; i < m_nMessages; ++i)
        if (m_Messages[i].type == SMissionMessage::kInformation)
            AddEvent(m_Messages[i].key, suffix);
}

void CMMScriptManager::AddQuest(const char* name)
{
    World().PlaySound("SND_I_JOB_GOT");
    SMissionTask task = {};
    SetField(task.name, name);
    m_Tasks.push_back(task);
    AddEvent(name, ".GET");
}

void CMMScriptManager::TaskDone(const char* name, bool success)
{
    World().PlaySound(success ? "SND_I_JOB_DONE" : "SND_I_JOB_FAILED");
    const float now = World().GameClock();
    for (SMissionTask& task : m_Tasks)
        if (FieldIs(task.name, name))
            task.time = now;
    StopTimer(name);
}

bool CMMScriptManager::QueueMessage(std::uint32_t type, const char* key, const char* name, const char* text,
                                    std::int32_t value)
{
    if (m_nMessages >= static_cast<std::uint32_t>(kMaxMessages))
        return false;
    SMissionMessage& message = m_Messages[m_nMessages++];
    SetField(message.key, key);
    message.type = type;
    message.name = name ? name : "";
    message.text = text ? text : "";
    message.value = value;
    return true;
}

void CMMScriptManager::AddBalance(float amount, int kind)
{
    World().PlaySound("SND_I_MONEY");
    QueueMessage(SMissionMessage::kBalance, "", "", "", static_cast<std::int32_t>(amount));
    static const int kExpenseSlot[4] = {0, 2, 1, 3}; // kinds 0, 1, 2, 3
    static const int kIncomeSlot[3] = {2, 1, 0};
    if (amount < 0.0f && kind >= 0 && kind <= 3)
        m_State.expense[kExpenseSlot[kind]] += -amount;
    else if (amount > 0.0f && kind >= 0 && kind <= 2)
        m_State.income[kIncomeSlot[kind]] += amount;
    World().AddPlayerMoney(amount);
}

void CMMScriptManager::AddRating(float amount, int kind)
{
    QueueMessage(SMissionMessage::kRating, "", "", "", static_cast<std::int32_t>(amount));
    static const int kRatingSlot[3] = {1, 0, 2};
    if (amount > 0.0f && kind >= 0 && kind <= 2)
        m_State.rating[kRatingSlot[kind]] += amount;
}

void CMMScriptManager::AddJournalName(const char* key)
{
    char name[32];
    SetField(name, key);
    m_Journal.emplace_back(name);
}

// ---------------------------------------------------------------------------
// Timers

void CMMScriptManager::StartTimer(const char* name, const char* hours)
{
    SMissionTimer timer;
    static_cast<SMissionTimerRecord&>(timer) = SMissionTimerRecord{};
    SetField(timer.name, name);
    timer.length = static_cast<float>(std::atof(hours ? hours : "0")) * kTimerDaysPerHour + kTimerExtraDays;
    timer.fireDay = World().GameClock() + timer.length;
    SetField(timer.script, m_szScript);
    timer.kind = static_cast<std::int32_t>(m_nScriptKind);
    timer.procedure = m_Procedure;
    m_Timers.push_back(timer);
    for (SMissionTask& task : m_Tasks)
        if (FieldIs(task.name, name))
            task.time = timer.fireDay;
    UpdateNextTimer();
}

void CMMScriptManager::StopTimer(const char* name)
{
    const float now = World().GameClock();
    for (std::size_t i = 0; i < m_Timers.size(); ++i)
        if (FieldIs(m_Timers[i].name, name) && m_Timers[i].fireDay < now + 100000.0f)
        {
            m_Timers.erase(m_Timers.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    for (SMissionTask& task : m_Tasks)
        if (FieldIs(task.name, name))
            task.time = now;
    UpdateNextTimer();
}

SMissionTimer* CMMScriptManager::FindTimer(const char* name)
{
    for (SMissionTimer& timer : m_Timers)
        if (FieldIs(timer.name, name))
            return &timer;
    return nullptr;
}

void CMMScriptManager::UpdateNextTimer()
{
    m_iNextTimer = -1;
    float best = 10000.0f;
    for (std::size_t i = 0; i < m_Timers.size(); ++i)
        if (m_Timers[i].fireDay < best)
        {
            best = m_Timers[i].fireDay;
            m_iNextTimer = static_cast<int>(i);
        }
}

void CMMScriptManager::OnTimer()
{
    if (m_iNextTimer < 0 || m_iNextTimer >= static_cast<int>(m_Timers.size()))
        return;
    if (m_Timers[static_cast<std::size_t>(m_iNextTimer)].fireDay > World().GameClock())
        return;
    // Removed before its procedure runs, which may start or stop timers.
    const SMissionTimer timer = m_Timers[static_cast<std::size_t>(m_iNextTimer)];
    m_Timers.erase(m_Timers.begin() + m_iNextTimer);
    UpdateNextTimer();
    const std::string procedure = std::string(timer.name) + "_TIMEOUT";
    MMRunScript(timer.script, static_cast<std::uint32_t>(timer.kind), procedure.c_str());
    World().OnTimerRun();
}

// ---------------------------------------------------------------------------
// Texts

void CMMScriptManager::UpdateXStringWithNames(CXAnsiString& text)
{
    text.Replace("%NAME", m_MissionName.c_str());
    if (text.Find("%RATINGNAME") < 0)
        return;
    const int rating = World().PlayerRatingLevel();
    char key[32];
    std::snprintf(key, sizeof(key), "RATING.%d", rating < 1 ? 1 : rating);
    CXAnsiString name;
    if (ITextDB* db = TextDB())
        db->GetName(STextKey(key), name);
    text.Replace("%RATINGNAME", name.GetText());
}

// ---------------------------------------------------------------------------
// The mission stream

void CMMScriptManager::SaveToStream(CMemStream& stream) const
{
    WriteU32(stream, kVersion);
    WriteU32(stream, static_cast<std::uint32_t>(m_MissionName.size()));
    if (!m_MissionName.empty())
        stream.Write(m_MissionName.data(), static_cast<std::uint32_t>(m_MissionName.size()));
    m_Events.SaveToStream(stream);
    WriteU32(stream, static_cast<std::uint32_t>(m_Tasks.size()));
    if (!m_Tasks.empty())
        stream.Write(m_Tasks.data(), static_cast<std::uint32_t>(m_Tasks.size() * sizeof(SMissionTask)));
    WriteU32(stream, static_cast<std::uint32_t>(m_Journal.size()));
    for (const std::string& name : m_Journal)
    {
        char field[32] = {};
        std::snprintf(field, sizeof(field), "%s", name.c_str());
        stream.Write(field, sizeof(field));
    }
    WriteU32(stream, static_cast<std::uint32_t>(m_Timers.size()));
    for (const SMissionTimer& timer : m_Timers)
        stream.Write(static_cast<const SMissionTimerRecord*>(&timer), sizeof(SMissionTimerRecord));
    stream.Write(&m_State, sizeof(m_State));
    WriteU32(stream, static_cast<std::uint32_t>(m_iDifficulty));
}

bool CMMScriptManager::LoadFromStream(CMemStream& stream)
{
    CStreamReader in(stream, "mission stream");
    try
    {
        std::uint32_t version = 0;
        std::uint32_t length = in.U32();
        if (length >= 255)
        {
            version = length;
            if (version > kVersion)
                in.Fail("version %u, at most %u known", version, kVersion);
            length = in.U32();
        }
        if (length > in.Left())
            in.Fail("mission name of %u bytes, %u left", length, in.Left());
        std::string name(length, '\0');
        if (length)
            in.Bytes(name.data(), length);
        name.resize(std::strlen(name.c_str()));
        CStringPool events;
        events.LoadFromStream(stream);
        const std::uint32_t taskCount = in.Count(sizeof(SMissionTask), "task count");
        std::vector<SMissionTask> tasks(taskCount);
        if (taskCount)
            in.Bytes(tasks.data(), taskCount * static_cast<std::uint32_t>(sizeof(SMissionTask)));
        const std::uint32_t journalCount = in.Count(32, "journal count");
        std::vector<std::string> journal;
        for (std::uint32_t i = 0; i < journalCount; ++i)
        {
            char field[33] = {};
            in.Bytes(field, 32);
            journal.emplace_back(field);
        }
        const std::uint32_t timerCount = in.Count(sizeof(SMissionTimerRecord), "timer count");
        std::vector<SMissionTimer> timers(timerCount);
        for (SMissionTimer& timer : timers)
        {
            in.Bytes(static_cast<SMissionTimerRecord*>(&timer), sizeof(SMissionTimerRecord));
            timer.name[31] = timer.script[31] = '\0';
        }
        SMissionState state;
        in.Bytes(&state, sizeof(state));
        std::int32_t difficulty = m_iDifficulty;
        if (version >= 258)
            difficulty = in.I32();
        for (SMissionTask& task : tasks)
            task.name[31] = '\0';

        m_MissionName = name;
        m_Events.Empty();
        for (std::uint32_t i = 0; i < events.GetCount(); ++i)
            m_Events.Add(events.Get(i));
        m_Tasks = std::move(tasks);
        m_Journal = std::move(journal);
        m_Timers = std::move(timers);
        m_State = state;
        m_iDifficulty = difficulty;
        g_iDifficulty = difficulty;
        UpdateNextTimer();
        return true;
    }
    catch (const CStreamError& error)
    {
        g_ErrorLog.LogError("CMMScriptManager::LoadFromStream %s", error.what());
        return false;
    }
}
