// CMMScriptManager: the mission script manager, the game's one text-script
// interpreter (global g_pMMScriptManager).
//
// It runs the compiled mission scripts of "SCRIPT\bin\" (<name>.scr kind 1,
// .qst kind 2, .inf kind 3; see script/ScriptInter.h for the form), keeping
// the 15 most recently used in a cache, and implements the interpreter's
// hooks: a plain condition word is true when it is a set event ("Q1.GET",
// "Q1.COMPLETE", "Q1.FAIL" or any name a script sets), and every call is one
// of the 61 built-in procedures (MMScriptManager_Procs.cpp), found by its
// exact name. It keeps the mission state: events, taken tasks, timers (in
// game days), journal names, the balance and rating accumulators and up to
// 30 messages queued for the user interface (more are dropped).
//
// Runs nest: a procedure may cause another run (through the event sink).
// A nested run keeps its caller's messages and leaves its caller's place
// (line, depth, call being made, current script) and the restart and eject
// flags the caller set as they were; a cached script
// that is running is never replaced; runs nest at most kMaxNesting deep.
//
// Mission stream (little-endian), as SaveToStream writes it:
//     u32 version 258 (a first word below 255 is the name length of the
//         oldest form, without version)
//     u32 mission name length n, n bytes of the name
//     the events as a string pool stream (foundation/StringPool.h)
//     u32 task count, count x 84-byte SMissionTask
//     u32 journal count, count x 32-byte names
//     u32 timer count, count x 76-byte SMissionTimerRecord
//     212 bytes of the state block
//     u32 difficulty (version 258 and later)
// LoadFromStream refuses (one error line, the state unchanged) a version
// from 259 on, counts past the stream's bytes and a damaged event pool.
//
// What it needs of the world comes through IMissionWorld (SetWorld); the
// texts through ITextDB (SetTextDB, else g_pTextDB). Main thread only.
#pragma once

#include "foundation/StringPool.h"
#include "foundation/XString.h"
#include "script/MissionWorld.h"
#include "script/ScriptInter.h"

#include <cstdint>
#include <string>
#include <vector>

class CMemStream;
class ITextDB;

struct SScriptCacheEntry
{
    char name[32] = {};
    CStringPool* lines = nullptr;
    double time = -1.0; // the engine's time at the last use
    std::uint32_t kind = 0; // 1 ".scr", 2 ".qst", 3 ".inf"
    int running = 0;        // runs in progress of this script
};

struct SMissionMessage
{
    enum EType : std::uint32_t
    {
        kInformation = 0,
        kJournal = 1,
        kQuest = 2,
        kBalance = 5,
        kRating = 6,
    };
    char key[80] = {};
    std::uint32_t type = 0;
    CXAnsiString name;
    CXAnsiString text;
    std::int32_t value = 0;
};

#pragma pack(push, 1)
struct SMissionTask
{
    char name[32];
    std::uint8_t other[48]; // kept for the consoles; zero at creation
    float time;             // the game clock at the last change, or its timer's fire day
};
static_assert(sizeof(SMissionTask) == 84);

struct SMissionTimerRecord
{
    char name[32];
    float length;  // days
    float fireDay; // game clock
    char script[32];
    std::int32_t kind;
};
static_assert(sizeof(SMissionTimerRecord) == 76);

struct SMissionState
{
    float income[3];  // kinds 2, 1, 0
    float expense[4]; // kinds 0, 2, 1, 3
    float rating[3];  // kinds 1, 0, 2
    std::uint8_t other[172];
};
static_assert(sizeof(SMissionState) == 212);
#pragma pack(pop)

struct SMissionTimer : SMissionTimerRecord
{
    std::string procedure; // of the run that started it; not saved
};

class CMMScriptManager : public CScriptInter
{
public:
    static constexpr int kCacheSize = 15;
    static constexpr int kMaxMessages = 30;
    static constexpr int kMaxNesting = 16;
    static constexpr std::uint32_t kVersion = 258;
    static constexpr float kTimerDaysPerHour = 0.041666668f;
    static constexpr float kTimerExtraDays = 0.0072916662f; // 10.5 game minutes

    CMMScriptManager();
    ~CMMScriptManager() override;

    // The interpreter's hooks.
    bool CheckVar(const char* word) override;
    bool RunFunction(const char* name, CStringPool* arguments) override; // MMScriptManager_Procs.cpp

    void Init();
    void Reset();
    CStringPool* MMLoadScript(const char* name, std::uint32_t kind);
    bool MMRunScript(const char* name, std::uint32_t kind, const char* procedure);
    // Procedure "EACHHOUR" of the kind-1 script named after the file.
    bool RunEachHour(const char* fileName);

    void SetEvent(const char* event);
    void RemoveEvent(const char* event);
    void AddEvent(const char* name, const char* suffix);
    bool HasEvent(const char* name, const char* suffix);
    // For every queued message of type 0, the event <key><suffix>.
    void AddQueuedMessageEvents(const char* suffix);

    void AddQuest(const char* name);
    void TaskDone(const char* name, bool success);
    void AddBalance(float amount, int kind);
    void AddRating(float amount, int kind);

    void StartTimer(const char* name, const char* hours);
    void StopTimer(const char* name);
    SMissionTimer* FindTimer(const char* name);
    void UpdateNextTimer();
    // Runs the due timer's <name>_TIMEOUT procedure, when one is due.
    void OnTimer();

    // "%NAME" -> the mission name, "%RATINGNAME" -> the rating's name.
    void UpdateXStringWithNames(CXAnsiString& text);

    void SaveToStream(CMemStream& stream) const;
    bool LoadFromStream(CMemStream& stream);

    // Queues a message unless 30 are queued; false when dropped.
    bool QueueMessage(std::uint32_t type, const char* key, const char* name, const char* text, std::int32_t value);
    void ClearMessages() { m_nMessages = 0; }

    // The text the game's special actions 1 and 2 pass between the player's
    // name and the scripts.
    std::string m_CurrentText;
    void SetWorld(IMissionWorld* world) { m_pWorld = world; }
    IMissionWorld& World() { return m_pWorld ? *m_pWorld : m_NoWorld; }
    void SetTextDB(ITextDB* db) { m_pTextDB = db; }
    ITextDB* TextDB() const;

    // Read access (consoles, message panel, tests).
    const CStringPool& Events() const { return m_Events; }
    const SScriptCacheEntry& CacheEntry(int i) const { return m_Cache[i]; }
    const std::vector<SMissionTimer>& Timers() const { return m_Timers; }
    const std::vector<SMissionTask>& Tasks() const { return m_Tasks; }
    const std::vector<std::string>& Journal() const { return m_Journal; }
    const SMissionMessage& Message(int i) const { return m_Messages[i]; }
    int MessageCount() const { return static_cast<int>(m_nMessages); }
    const SMissionState& State() const { return m_State; }
    int NextTimer() const { return m_iNextTimer; }
    int Nesting() const { return static_cast<int>(m_nNesting); }
    const std::string& MissionName() const { return m_MissionName; }
    void SetMissionName(const char* name) { m_MissionName = name ? name : ""; }
    const char* CurrentScript() const { return m_szScript; }
    std::uint32_t CurrentKind() const { return m_nScriptKind; }
    const std::string& CurrentProcedure() const { return m_Procedure; }

    bool m_bRestart = false;
    bool m_bEject = false;
    std::int32_t m_iDifficulty = 1;

    void AddJournalName(const char* key);
    void SetBaseDirectory(const char* directory)
    {
        m_baseDir = directory ? directory : "";
        CScriptInter::SetBaseDirectory(directory);
    }

private:
    struct SRunPlace;
    std::string Base() const;

    CStringPool m_Events;
    SScriptCacheEntry m_Cache[kCacheSize];
    std::vector<SMissionTimer> m_Timers;
    std::uint32_t m_nNesting = 0;
    std::int32_t m_iNextTimer = -1;
    SMissionState m_State = {};
    std::string m_MissionName = "Unnamed";
    char m_szScript[32] = {};
    std::uint32_t m_nScriptKind = 0;
    std::string m_Procedure;
    SMissionMessage m_Messages[kMaxMessages];
    std::uint32_t m_nMessages = 0;
    std::vector<SMissionTask> m_Tasks;
    std::vector<std::string> m_Journal;

    IMissionWorld* m_pWorld = nullptr;
    IMissionWorld m_NoWorld;
    ITextDB* m_pTextDB = nullptr;
    std::string m_baseDir;
};

extern CMMScriptManager* g_pMMScriptManager;
// The difficulty value of the running game (mirrors the manager's).
extern std::int32_t g_iDifficulty;

// The event-name hash: sum of (signed) s[i] * (i + 10); 0 for "".
std::int32_t MissionNameHash(const char* name);
