// IScriptManager and CScriptManager: the game script manager.
//
// Binds game objects and events to compiled scripts ("DATA\CONFIG\objects.ini",
// sections [OBJECTS] and [EVENTS]: key = object or event name, an object
// name ending in '*' is a prefix; value = script name), runs the procedure
// named after an event (RunEvent), keeps the scripts' shared state (integer
// and string variables, timers in game days, a stack of ten strings, the
// results that built-ins report to the player) and saves it in the saved
// game's "SCRIPTS" chunk. Compiled scripts come from "Data\Bin\<name>.bin"
// (u32 byte count, then the code tree stream) through a cache of 20 slots,
// replaced in load order.
//
// It is the host of the scripts' built-in functions: the game's script
// objects (CGameScript) pass UserFunc/UserFuncInt here, and the manager
// looks the number up in its built-in table. A number with no entry logs
// one line and gives no result.
//
// What it needs of the world, the environment and the application comes in
// through SScriptManagerHost (the game clock in days, the object list's
// sensor check, the event sink's refresh of script messages); whatever is
// not set is skipped (the clock reads 0).
//
// Safety: a script that is still running is never destroyed by the cache; an
// evicted running script is kept until its run ends. A procedure that throws
// is retried with a fresh copy of its script, at most five attempts, and each
// retry logs that the procedure's effects before the failure are repeated.
// objects.ini keys longer than 31 and values longer than 127 characters are
// cut, lines without '=' or with control bytes skipped, each with a log line
// naming the file (the line's bytes escaped); a file that is missing,
// unreadable or binds nothing gets one line. A damaged "SCRIPTS" chunk is
// refused whole, keeping the current state.
//
// One instance (g_pScriptManager), main thread only.
#pragma once

#include "foundation/ClassFactory.h"
#include "foundation/XString.h"
#include "script/Script.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CMemStream;
class ITextDB;

struct SScriptResult
{
    char script[64];
    char text[128];
    std::int32_t value;
    std::int32_t type;
};
static_assert(sizeof(SScriptResult) == 200, "script results are 200 bytes");

struct SScriptBinding
{
    char name[32];
    char script[128];
};
static_assert(sizeof(SScriptBinding) == 160, "bindings are saved as 160 bytes");

struct SScriptTimer
{
    char proc[32];
    char object[32];
    float length; // game days
    float fireDay;
    char script[128];
};
static_assert(sizeof(SScriptTimer) == 200, "timers are saved as 200 bytes");

struct SScriptIntVar
{
    char name[32];
    std::int32_t value;
};
static_assert(sizeof(SScriptIntVar) == 36, "integer variables are saved as 36 bytes");

struct SScriptStrVar
{
    char name[32];
    char value[32];
};
static_assert(sizeof(SScriptStrVar) == 64, "string variables are saved as 64 bytes");

struct SScriptCacheSlot
{
    std::int32_t stamp = 0;
    char name[128] = {};
    IScript* script = nullptr;
};

// The results list as consumers see it: 256 records and the count in use.
struct SScriptResults
{
    static constexpr int kCapacity = 256;
    static constexpr int kMaxUsed = 255;
    SScriptResult m_Results[kCapacity];
    std::int32_t m_iResultCount;
};

struct SScriptManagerHost
{
    std::function<float()> gameClock;          // the environment's running day count
    std::function<void()> checkObjectSensors;  // the object list's per-frame sensor check
    std::function<void()> updateScriptMessages; // the event sink shows new results
};

// What the "%" placeholders of UpdateStringWithNames read of the player's
// progress data and the world; unset ones read "" (rating 1).
struct SNameSources
{
    std::function<std::string()> playerName;
    std::function<std::string()> clanName;     // "" until the player names the clan
    std::function<std::string()> buildingName; // the building the player is in
    // The owner organisation's key of a world building; false when the
    // world has no such building.
    std::function<bool(const char* building, std::string& owner)> buildingOwner;
    std::function<int()> ratingLevel; // the rating of the player's mech
};

class CScriptManager;

// One built-in function: number, and the text or integer operation.
struct SScriptBuiltIn
{
    int number;
    const char* (*text)(CScriptManager& manager, const char* const params[5], int count);
    int (*integer)(CScriptManager& manager, const char* const params[5], int count);
};

class IScriptManager : public IBaseInterface
{
public:
    virtual bool Init() = 0;
    virtual void Done() = 0;
    virtual void Reset() = 0;
    virtual bool RunEvent(const char* object, const char* event, const char* param) = 0;
    virtual int RunScript(const char* script, int ignored) = 0;
    virtual const char* RunScriptProc(const char* script, const char* proc, const char* object, bool remember,
                                      const char* param) = 0;
    virtual const char* GetCurrentScript() = 0;
    virtual SScriptResults* GetResults() = 0;
    virtual void Run(float dt) = 0;
    virtual const char* UserFunc(int number, const char* p1, const char* p2, const char* p3, const char* p4,
                                 const char* p5, int count) = 0;
    virtual int UserFuncInt(int number, const char* p1, const char* p2, const char* p3, const char* p4,
                            const char* p5, int count) = 0;
    virtual void SaveToStream(CMemStream& stream) = 0;
    // False (with a log line, state unchanged) for a damaged chunk.
    virtual bool LoadFromStream(CMemStream& stream) = 0;
    // Replaces the "%" placeholders of a text shown to the player with
    // names from the text database, the progress data, the world and the
    // script variables; removes line ends. Always ends: a value that holds
    // its own placeholder shows it as written, and a chain of values that
    // refer to each other stops after kMaxNameRounds replacements.
    virtual void UpdateStringWithNames(CXAnsiString& text) = 0;
};

class CScriptManager : public IScriptManager
{
public:
    static constexpr int kCacheSlots = 20;
    static constexpr int kStackSize = 10;
    static constexpr int kAttempts = 5;
    static constexpr float kNeverDay = 10000.0f;
    static constexpr std::uint32_t kSectionBuffer = 31998;

    CScriptManager();
    ~CScriptManager() override;
    CScriptManager(const CScriptManager&) = delete;
    CScriptManager& operator=(const CScriptManager&) = delete;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    bool Init() override;
    void Done() override { Reset(); }
    void Reset() override;
    bool RunEvent(const char* object, const char* event, const char* param) override;
    int RunScript(const char* script, int ignored) override;
    const char* RunScriptProc(const char* script, const char* proc, const char* object, bool remember,
                              const char* param) override;
    const char* GetCurrentScript() override { return m_szCurrentScript; }
    SScriptResults* GetResults() override { return &m_Results; }
    void Run(float dt) override;
    const char* UserFunc(int number, const char* p1, const char* p2, const char* p3, const char* p4,
                         const char* p5, int count) override;
    int UserFuncInt(int number, const char* p1, const char* p2, const char* p3, const char* p4, const char* p5,
                    int count) override;
    void SaveToStream(CMemStream& stream) override;
    bool LoadFromStream(CMemStream& stream) override;
    void UpdateStringWithNames(CXAnsiString& text) override; // ScriptManager_Names.cpp

    static constexpr int kMaxNameRounds = 200;
    // The text database of the placeholders; g_pTextDB when not set.
    void SetTextDB(ITextDB* db) { m_pTextDB = db; }

    // The cached script of that name, loaded on a miss; null when its file
    // does not open or is damaged (logged).
    IScript* LoadScript(const char* name);
    SScriptTimer* FindTimer(const char* name);
    void SetTimer(const char* proc, const char* object, float hours);
    void KillTimer(const char* proc, const char* object);
    std::int32_t GetVar(const char* name) const;
    const char* GetVarChar(const char* name) const;
    bool PushString(const char* text);
    bool PopString(CXAnsiString& out);
    // Adds a result unless 255 are in use ("Script: Text array override").
    bool AddResult(std::int32_t type, const char* text, std::int32_t value, bool withScript);
    // The same, handing back the new record (null when refused) for a
    // text field of another form.
    SScriptResult* AddResultRecord(std::int32_t type, std::int32_t value, bool withScript);
    // Keeps a text result until the caller has copied it.
    const char* KeepText(const char* text)
    {
        m_TextResult = text ? text : "";
        return m_TextResult.GetText();
    }
    void ResetResults() { m_Results.m_iResultCount = 0; }

    void SetHost(SScriptManagerHost host) { m_Host = std::move(host); }
    void SetNameSources(SNameSources names) { m_Names = std::move(names); }
    // The directory (with its trailing '\') in front of "DATA\CONFIG\" and
    // "Data\Bin\"; by default the engine's, taken at Init.
    void SetBaseDirectory(const char* directory) { m_baseDir = directory ? directory : ""; }
    void SetBuiltIns(std::vector<SScriptBuiltIn> table) { m_BuiltIns = std::move(table); }

    const std::vector<SScriptBinding>& GetObjects() const { return m_Objects; }
    const std::vector<SScriptBinding>& GetEvents() const { return m_Events; }
    const std::vector<SScriptTimer>& GetTimers() const { return m_Timers; }
    std::vector<SScriptIntVar>& IntVars() { return m_IntVars; }
    std::vector<SScriptStrVar>& StrVars() { return m_StrVars; }
    const SScriptCacheSlot& GetCacheSlot(int i) const { return m_Cache[i]; }
    int GetNextTimer() const { return m_iNextTimer; }
    const char* GetScriptName() const { return m_ScriptName.GetText(); }
    void SetScriptName(const char* name) { m_ScriptName = name; }

    char m_szCurrentScript[128] = {};

private:
    class CRunGuard;
    void ReadSection(const char* section, const std::string& file, std::vector<SScriptBinding>& table);
    void ChooseNextTimer();
    float GameClock() const { return m_Host.gameClock ? m_Host.gameClock() : 0.0f; }
    // Destroys a script, or keeps it until it is no longer running.
    void Retire(IScript* script);
    void DropFromCache(IScript* script);
    const SScriptBuiltIn* FindBuiltIn(int number) const;
    std::string Base() const;

    std::int32_t m_iStackCount = 0;
    CXAnsiString m_Stack[kStackSize];
    CXAnsiString m_ScriptName;
    SScriptResults m_Results;
    std::vector<SScriptBinding> m_Objects;
    std::vector<SScriptBinding> m_Events;
    std::vector<SScriptTimer> m_Timers;
    std::int32_t m_iNextTimer = -1;
    std::vector<SScriptIntVar> m_IntVars;
    std::vector<SScriptStrVar> m_StrVars;
    std::int32_t m_iLoadCounter = 0;
    SScriptCacheSlot m_Cache[kCacheSlots];
    // Scripts that could not be loaded, each named in the log once.
    std::vector<std::string> m_Refused;

    SScriptManagerHost m_Host;
    SNameSources m_Names;
    ITextDB* m_pTextDB = nullptr;
    std::string m_baseDir;
    std::vector<SScriptBuiltIn> m_BuiltIns;
    std::vector<IScript*> m_Running; // scripts with a run in progress (a script may be there more than once)
    std::vector<IScript*> m_Retired; // evicted while running
    CXAnsiString m_TextResult;       // keeps UserFunc's text until the caller copies it
};

// The game's script object: a CScript whose host calls go to the manager.
class CGameScript : public CScript
{
public:
    CXAnsiString UserFunc(int number, const char* p1, const char* p2, const char* p3, const char* p4,
                          const char* p5, int count) override;
    int UserFuncInt(int number, const char* p1, const char* p2, const char* p3, const char* p4, const char* p5,
                    int count) override;
};

extern IScriptManager* g_pScriptManager;
extern std::uint32_t g_iIScriptManager;

// Registers "IGUID_IScriptManager" and replaces the "IGUID_IScript" creator
// with one of CGameScript objects (after RegisterScriptClasses).
void RegisterGameScriptClasses();
