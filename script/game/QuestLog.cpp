#include "script/game/QuestLog.h"

#include "foundation/ErrorLog.h"
#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"

#include <cstdio>
#include <cstring>

IQuestLog* g_pQuestLog = nullptr;
std::uint32_t g_iIQuestLog = static_cast<std::uint32_t>(-1);

namespace
{
template <std::size_t N> void SetName(char (&field)[N], const char* text)
{
    std::memset(field, 0, N);
    std::snprintf(field, N, "%s", text ? text : "");
}

template <std::size_t N> bool NameIs(const char (&field)[N], const char* text)
{
    return text && std::strncmp(field, text, N) == 0 && std::strlen(text) < N;
}

void WriteU32(CMemStream& stream, std::uint32_t value)
{
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    stream.Write(bytes, 4);
}

} // namespace

CQuestLog::CQuestLog()
{
    m_Entries.Init(10, 10);
    m_Quests.Init(100, 20);
    m_Parts.Init(10, 10);
}

CQuestLog::~CQuestLog() = default;

CGuidKey CQuestLog::GetGUID() const
{
    CGuidKey key;
    MakeGuidKeyConcat(&key, "IGUID_", "IQuestLog");
    return key;
}

void CQuestLog::GetEntries(std::vector<SQuestEntry>& out)
{
    out.assign(m_Entries.data, m_Entries.data + m_Entries.count);
}

SQuestRecord* CQuestLog::FindQuest(const char* id)
{
    for (std::uint32_t i = m_Quests.count; i-- > 0;)
        if (NameIs(m_Quests[i].id, id))
            return &m_Quests[i];
    return nullptr;
}

SQuestEntry* CQuestLog::FindEntry(const char* name)
{
    for (std::uint32_t i = m_Entries.count; i-- > 0;)
        if (NameIs(m_Entries[i].name, name))
            return &m_Entries[i];
    return nullptr;
}

void CQuestLog::GetParts(const char* id, std::vector<std::string>& out)
{
    out.clear();
    for (std::uint32_t i = 0; i < m_Parts.count; ++i)
        if (NameIs(m_Parts[i].id, id))
            out.emplace_back(m_Parts[i].key, strnlen(m_Parts[i].key, sizeof(m_Parts[i].key)));
}

void CQuestLog::AddEntry(const char* name)
{
    SQuestEntry entry = {};
    SetName(entry.name, name);
    entry.updated = 1;
    m_Entries.Append(entry);
}

void CQuestLog::AddQuest(const char* id, const char* titleKey, std::int32_t number, const char* timer)
{
    SQuestRecord quest = {};
    SetName(quest.id, id);
    SetName(quest.titleKey, titleKey);
    quest.number = number;
    SetName(quest.timer, timer);
    m_Quests.Append(quest);
}

void CQuestLog::SetQuestFailed(const char* id)
{
    if (SQuestRecord* quest = FindQuest(id))
        quest->failed = 1;
}

void CQuestLog::SetQuestCompleted(const char* id)
{
    if (SQuestRecord* quest = FindQuest(id))
        quest->completed = 1;
}

bool CQuestLog::AddPart(const char* id, const char* partKey)
{
    bool found = false;
    for (std::uint32_t i = 0; i < m_Entries.count && !found; ++i)
        if (NameIs(m_Entries[i].name, id))
        {
            m_Entries[i].updated = 1;
            found = true;
        }
    SQuestPart part = {};
    SetName(part.id, id);
    SetName(part.key, partKey);
    m_Parts.Append(part);
    return found;
}

bool CQuestLog::Contains(const char* name)
{
    for (std::uint32_t i = 0; i < m_Entries.count; ++i)
        if (NameIs(m_Entries[i].name, name))
            return true;
    for (std::uint32_t i = 0; i < m_Quests.count; ++i)
        if (NameIs(m_Quests[i].titleKey, name))
            return true;
    for (std::uint32_t i = 0; i < m_Parts.count; ++i)
        if (NameIs(m_Parts[i].key, name))
            return true;
    return false;
}

void CQuestLog::SetEntryState(const char* name, std::uint8_t state)
{
    for (std::uint32_t i = 0; i < m_Entries.count; ++i)
        if (NameIs(m_Entries[i].name, name))
        {
            m_Entries[i].state = state;
            return;
        }
}

void CQuestLog::Init()
{
    m_Entries.Clear();
    m_Quests.Clear();
    m_Parts.Clear();
}

void CQuestLog::SaveToStream(CMemStream& stream)
{
    WriteU32(stream, kVersion);
    m_Entries.Write(stream);
    m_Quests.Write(stream);
    m_Parts.Write(stream);
}

bool CQuestLog::LoadFromStream(CMemStream& stream)
{
    CStreamReader in(stream, "QUESTLOG chunk");
    try
    {
        const std::uint32_t version = in.U32();
        if (version != kVersion)
            in.Fail("version %u, %u expected", version, kVersion);
        std::vector<SQuestEntry> entries = SGrowArray<SQuestEntry>::Read(in, "entry count");
        std::vector<SQuestRecord> quests = SGrowArray<SQuestRecord>::Read(in, "quest count");
        std::vector<SQuestPart> parts = SGrowArray<SQuestPart>::Read(in, "part count");
        for (SQuestEntry& entry : entries)
        {
            entry.name[31] = '\0';
            entry.pad[0] = entry.pad[1] = 0;
        }
        for (SQuestRecord& quest : quests)
        {
            quest.id[31] = quest.titleKey[31] = quest.timer[31] = '\0';
            quest.pad[0] = quest.pad[1] = 0;
        }
        for (SQuestPart& part : parts)
            part.id[31] = part.key[31] = '\0';
        m_Entries.Assign(entries);
        m_Quests.Assign(quests);
        m_Parts.Assign(parts);
        return true;
    }
    catch (const CStreamError& error)
    {
        g_ErrorLog.LogError("CQuestLog::LoadFromStream %s", error.what());
        return false;
    }
}

namespace
{
IBaseInterface* CreateQuestLog()
{
    return new CQuestLog();
}
} // namespace

void RegisterQuestLogClass()
{
    RegisterClassFactory(&g_iIQuestLog, CreateQuestLog, "IGUID_IQuestLog");
}
