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

template <typename T> void WriteArray(CMemStream& stream, const SGrowArray<T>& array)
{
    WriteU32(stream, array.count);
    if (array.count)
        stream.Write(array.data, array.count * static_cast<std::uint32_t>(sizeof(T)));
}

template <typename T> std::vector<T> ReadArray(CStreamReader& in, const char* what)
{
    const std::uint32_t count = in.Count(sizeof(T), what);
    std::vector<T> records(count);
    if (count)
        in.Bytes(records.data(), count * static_cast<std::uint32_t>(sizeof(T)));
    return records;
}

// Exactly count elements, as a loaded chunk leaves them.
template <typename T> void Assign(SGrowArray<T>& array, const std::vector<T>& records)
{
    delete[] array.data;
    array.data = records.empty() ? nullptr : new T[records.size()];
    for (std::size_t i = 0; i < records.size(); ++i)
        array.data[i] = records[i];
    array.capacity = array.count = static_cast<std::uint32_t>(records.size());
}
} // namespace

CQuestLog::CQuestLog()
{
    m_Entries.step = 10;
    m_Entries.Reserve(10);
    m_Quests.step = 20;
    m_Quests.Reserve(100);
    m_Parts.step = 10;
    m_Parts.Reserve(10);
}

CQuestLog::~CQuestLog()
{
    delete[] m_Entries.data;
    delete[] m_Quests.data;
    delete[] m_Parts.data;
}

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
    for (std::uint32_t i = 0; i < m_Entries.capacity; ++i)
        m_Entries[i] = SQuestEntry{};
    for (std::uint32_t i = 0; i < m_Quests.capacity; ++i)
        m_Quests[i] = SQuestRecord{};
    for (std::uint32_t i = 0; i < m_Parts.capacity; ++i)
        m_Parts[i] = SQuestPart{};
    m_Entries.count = m_Quests.count = m_Parts.count = 0;
}

void CQuestLog::SaveToStream(CMemStream& stream)
{
    WriteU32(stream, kVersion);
    WriteArray(stream, m_Entries);
    WriteArray(stream, m_Quests);
    WriteArray(stream, m_Parts);
}

bool CQuestLog::LoadFromStream(CMemStream& stream)
{
    CStreamReader in(stream, "QUESTLOG chunk");
    try
    {
        const std::uint32_t version = in.U32();
        if (version != kVersion)
            in.Fail("version %u, %u expected", version, kVersion);
        std::vector<SQuestEntry> entries = ReadArray<SQuestEntry>(in, "entry count");
        std::vector<SQuestRecord> quests = ReadArray<SQuestRecord>(in, "quest count");
        std::vector<SQuestPart> parts = ReadArray<SQuestPart>(in, "part count");
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
        Assign(m_Entries, entries);
        Assign(m_Quests, quests);
        Assign(m_Parts, parts);
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
