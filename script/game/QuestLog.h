// IQuestLog and CQuestLog: the player's quest log for the whole game
// (factory id "IGUID_IQuestLog", global g_pQuestLog).
//
// Three growable arrays: journal entries (name, state, updated mark), quests
// (id, title key, outcome, a number of the script's, a timer name) and the
// journal parts added to quests or entries. Scripts fill it through the game
// script manager's built-ins; the log console, the statistics and the
// cockpit read it; a new game calls Init; the saved game keeps it as the
// chunk "QUESTLOG".
//
// "QUESTLOG" stream (little-endian, no gaps):
//     u32 version 257
//     u32 entry count E, E x 36-byte SQuestEntry
//     u32 quest count Q, Q x 104-byte SQuestRecord
//     u32 part count P,  P x 64-byte SQuestPart
// LoadFromStream refuses (one error line, the log unchanged) a chunk of
// another version, with counts past its bytes, or with trailing bytes
// missing; names read are terminated.
//
// Names compare exactly (case-sensitive). Main thread only.
#pragma once

#include "foundation/ClassFactory.h"
#include "foundation/GrowArray.h"

#include <cstdint>
#include <string>
#include <vector>

class CMemStream;

#pragma pack(push, 1)
struct SQuestEntry
{
    char name[32];       // 0
    std::uint8_t state;  // 32: SetEntryState; 0 on creation
    std::uint8_t updated; // 33: 1 on creation and when a part is added under the name
    std::uint8_t pad[2]; // 34: written as 0
};
static_assert(sizeof(SQuestEntry) == 36);

struct SQuestRecord
{
    char id[32];            // 0
    char titleKey[32];      // 32: text database key of the title
    std::uint8_t failed;    // 64
    std::uint8_t completed; // 65
    std::uint8_t pad[2];    // 66: written as 0
    std::int32_t number;    // 68: the script's number
    char timer[32];         // 72: script timer shown while open; "" none

    bool IsCompleted() const { return completed != 0; }
    bool IsFailed() const { return failed != 0 && completed == 0; }
    bool IsOpen() const { return failed == 0 && completed == 0; }
};
static_assert(sizeof(SQuestRecord) == 104);

struct SQuestPart
{
    char id[32];  // 0: quest id or entry name
    char key[32]; // 32: journal text key
};
static_assert(sizeof(SQuestPart) == 64);
#pragma pack(pop)

class IQuestLog : public IBaseInterface
{
public:
    static constexpr std::uint32_t kVersion = 257;

    virtual void GetEntries(std::vector<SQuestEntry>& out) = 0;
    virtual const SGrowArray<SQuestRecord>& GetQuests() = 0;
    // Searched from the last to the first; null when none.
    virtual SQuestRecord* FindQuest(const char* id) = 0;
    virtual SQuestEntry* FindEntry(const char* name) = 0;
    // The part keys of id, in the order they were added.
    virtual void GetParts(const char* id, std::vector<std::string>& out) = 0;
    virtual void AddEntry(const char* name) = 0;
    virtual void AddQuest(const char* id, const char* titleKey, std::int32_t number, const char* timer) = 0;
    virtual void SetQuestFailed(const char* id) = 0;
    virtual void SetQuestCompleted(const char* id) = 0;
    // Marks the first entry named id as updated; always stores the part;
    // whether the entry existed.
    virtual bool AddPart(const char* id, const char* partKey) = 0;
    // An entry name, a quest's title key (not its id) or a part key.
    virtual bool Contains(const char* name) = 0;
    virtual void SetEntryState(const char* name, std::uint8_t state) = 0;
    // Empties the three arrays, keeping their capacities.
    virtual void Init() = 0;
    virtual void SaveToStream(CMemStream& stream) = 0;
    // False (one error line, the log unchanged) for a damaged chunk.
    virtual bool LoadFromStream(CMemStream& stream) = 0;
};

class CQuestLog : public IQuestLog
{
public:
    CQuestLog();
    ~CQuestLog() override;
    CQuestLog(const CQuestLog&) = delete;
    CQuestLog& operator=(const CQuestLog&) = delete;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    void GetEntries(std::vector<SQuestEntry>& out) override;
    const SGrowArray<SQuestRecord>& GetQuests() override { return m_Quests; }
    SQuestRecord* FindQuest(const char* id) override;
    SQuestEntry* FindEntry(const char* name) override;
    void GetParts(const char* id, std::vector<std::string>& out) override;
    void AddEntry(const char* name) override;
    void AddQuest(const char* id, const char* titleKey, std::int32_t number, const char* timer) override;
    void SetQuestFailed(const char* id) override;
    void SetQuestCompleted(const char* id) override;
    bool AddPart(const char* id, const char* partKey) override;
    bool Contains(const char* name) override;
    void SetEntryState(const char* name, std::uint8_t state) override;
    void Init() override;
    void SaveToStream(CMemStream& stream) override;
    bool LoadFromStream(CMemStream& stream) override;

    const SGrowArray<SQuestEntry>& Entries() const { return m_Entries; }
    const SGrowArray<SQuestPart>& Parts() const { return m_Parts; }

private:
    SGrowArray<SQuestEntry> m_Entries;
    SGrowArray<SQuestRecord> m_Quests;
    SGrowArray<SQuestPart> m_Parts;
};

extern IQuestLog* g_pQuestLog;
extern std::uint32_t g_iIQuestLog;

// Registers "IGUID_IQuestLog".
void RegisterQuestLogClass();
