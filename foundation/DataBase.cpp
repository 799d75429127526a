#include "foundation/DataBase.h"

#include "foundation/ErrorLog.h"
#include "foundation/FileReplace.h"
#include "foundation/Name32.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/Thread.h"
#include "platform/Time.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <cwchar>

namespace
{
// "ERROR: Большая длина имени таблицы" in code page 1251.
constexpr const char* kTableNameTooLong = "ERROR: \xC1\xEE\xEB\xFC\xF8\xE0\xFF \xE4\xEB\xE8\xED\xE0 "
                                          "\xE8\xEC\xE5\xED\xE8 \xF2\xE0\xE1\xEB\xE8\xF6\xFB";

bool IsTerminated(const char (&name)[DataBase::kNameSize])
{
    return std::memchr(name, 0, sizeof(name)) != nullptr;
}

// The whole file; exists is false (and the result true) when it is missing.
bool ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& out, bool& exists)
{
    out.clear();
    std::FILE* file = plat::FOpen(path.c_str(), "rb");
    exists = file != nullptr;
    if (!file) return true;
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(file) : -1;
    ok = ok && size >= 0 && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok)
    {
        out.resize(static_cast<std::size_t>(size));
        ok = out.empty() || std::fread(out.data(), out.size(), 1, file) == 1;
    }
    std::fclose(file);
    return ok;
}

// Writes data to path through a temporary file and a rename, so a failure
// at any point leaves the old file whole. With backup, the old file is kept
// under that name instead of deleted (when the move works).
bool ReplaceFile(const std::string& path, const std::vector<std::uint8_t>& data, const std::string* backup)
{
    const std::string temp = TempFileFor(path);
    std::FILE* file = plat::FOpen(temp.c_str(), "wb");
    if (!file) return false;
    bool ok = data.empty() || std::fwrite(data.data(), data.size(), 1, file) == 1;
    ok = std::fflush(file) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    if (!ok)
    {
        plat::DeleteFile(temp.c_str());
        return false;
    }
    return CommitTempFile(temp, path, backup);
}

template <typename T> void PutValue(std::vector<std::uint8_t>& out, const T& value)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
    out.insert(out.end(), bytes, bytes + sizeof(T));
}

template <typename T> void AppendAll(std::vector<std::uint8_t>& out, const std::vector<T>& values)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(values.data());
    out.insert(out.end(), bytes, bytes + values.size() * sizeof(T));
}

template <typename T>
void Take(const std::vector<std::uint8_t>& in, std::size_t at, std::vector<T>& out, std::uint32_t count)
{
    out.resize(count);
    if (count) std::memcpy(out.data(), in.data() + at, count * sizeof(T));
}

std::uint32_t ReadU32(const std::uint8_t* p)
{
    std::uint32_t value;
    std::memcpy(&value, p, 4);
    return value;
}
} // namespace

DataBase::DataBase()
{
    m_fnSleep = [](std::uint32_t ms) { plat::Sleep(ms); };
    m_fnRandom = [] { return plat::CrtRand(); };
    m_record.reserve(16384);
}

DataBase::~DataBase()
{
    CloseDatabase();
}

void DataBase::LogError(const char* format, ...) const
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    g_ErrorLog.LogError("%s", text);
    m_sLastError = text;
}

// --- files --------------------------------------------------------------------

bool DataBase::OpenDatabase(const char* path, bool create, bool deferWrites)
{
    XTRACE("DataBase::OpenDatabase()");
    CloseDatabase();
    m_sLastError.clear();
    m_bDeferWrites = deferWrites;
    m_workDir = plat::GetCurrentDirectory() + "\\";
    m_dataPath = path[0] == '/' ? std::string(path) : m_workDir + path;
    const std::size_t dot = m_dataPath.find_last_of('.');
    const std::size_t separator = m_dataPath.find_last_of("\\/");
    const std::string stem = (dot == std::string::npos || (separator != std::string::npos && dot < separator))
                                 ? m_dataPath
                                 : m_dataPath.substr(0, dot);
    m_tablePath = stem + ".tab";
    m_indexPath = stem + ".ind";
    m_lockPath = m_indexPath + ".lock";

    if (create)
    {
        for (const std::string* file : {&m_dataPath, &m_tablePath, &m_indexPath})
        {
            std::FILE* f = plat::FOpen(file->c_str(), "wb+");
            if (!f)
            {
                LogError("Database '%s': cannot create '%s'", m_dataPath.c_str(), file->c_str());
                return false;
            }
            std::fclose(f);
        }
    }
    if (!ReadTableFile(m_tablePath.c_str(), create) || !ReadIndexFile(m_indexPath.c_str(), create))
        return false;
    // Without create a missing data file means a wrong path, not a new
    // database: nothing is created behind the caller's back.
    m_pData = plat::FOpen(m_dataPath.c_str(), "rb");
    if (!m_pData && create) m_pData = plat::FOpen(m_dataPath.c_str(), "wb+");
    if (m_pData && !create && !CheckFilesAgree()) return false;
    m_nCacheTable = -1;
    m_nCurrent = -1;
    ClearRecord();
    return m_pData != nullptr;
}

// A missing or empty table or index file opens as an empty database; but
// an index that names tables the table file lacks (an emptied table file),
// or records with no index (an emptied index before a data file full of
// them), is a damaged database, not an empty one. Records past the data
// file's end (a cut data file) are logged, and fail their own reads.
bool DataBase::CheckFilesAgree()
{
    for (std::size_t i = 0; i < m_index.size(); ++i)
    {
        const std::uint32_t table = m_index[i].tableId;
        if (std::none_of(m_tables.begin(), m_tables.end(),
                         [table](const SDbTable& t) { return t.id == table; }))
        {
            LogError("Database table file '%s': no table %u, which record %zu (%s) of '%s' belongs to",
                     m_tablePath.c_str(), table, i, m_index[i].name, m_indexPath.c_str());
            DropDataFile();
            return false;
        }
    }
    if (std::fseek(m_pData, 0, SEEK_END) != 0) return true;
    const long size = std::ftell(m_pData);
    std::fseek(m_pData, 0, SEEK_SET);
    if (m_index.empty() && size > 0)
    {
        LogError("Database index file '%s': lists no records, but the data file '%s' holds %ld bytes",
                 m_indexPath.c_str(), m_dataPath.c_str(), size);
        DropDataFile();
        return false;
    }
    // Posts append to the data file before they list the record, so records
    // past the data's end mean a cut or emptied data file. They are said
    // here once, while the open still happens (each fails its own Get), so
    // a damage nothing reads yet is not silent.
    std::size_t past = 0, first = 0;
    for (std::size_t i = 0; i < m_index.size(); ++i)
        if (size >= 0 && std::uint64_t(m_index[i].offset) + m_index[i].length > std::uint64_t(size) && past++ == 0)
            first = i;
    if (past)
        LogError("Database data file '%s': %zu of the %zu records of '%s' lie past the end of the data file "
                 "(%ld bytes), the first is record %zu; they cannot be read",
                 m_dataPath.c_str(), past, m_index.size(), m_indexPath.c_str(), size, first);
    return true;
}

// Closes the data file of a refused open; nothing is written back.
void DataBase::DropDataFile()
{
    std::fclose(m_pData);
    m_pData = nullptr;
}

bool DataBase::CloseDatabase()
{
    XTRACE("DataBase::CloseDatabase()");
    if (m_bDeferWrites && m_pData)
    {
        WriteTableFile(m_tablePath.c_str());
        WriteIndexFile(m_indexPath.c_str());
    }
    bool ok = true;
    if (m_pData) ok = std::fclose(m_pData) == 0;
    m_pData = nullptr;
    m_nCurrent = -1;
    ClearRecord();
    return ok;
}

bool DataBase::ReadTableFile(const char* path, bool create)
{
    XTRACE("DataBase::ReadTableFile()");
    m_tables.clear();
    m_fields.clear();
    if (create) return true;
    std::vector<std::uint8_t> bytes;
    bool exists = false;
    if (!ReadFileBytes(path, bytes, exists))
    {
        LogError("Database table file '%s': cannot be read", path);
        return false;
    }
    if (!exists || bytes.empty()) return true;
    if (bytes.size() < 8)
    {
        LogError("Database table file '%s': header truncated (%zu bytes, needs 8)", path, bytes.size());
        return false;
    }
    const std::uint32_t tables = ReadU32(bytes.data());
    const std::uint32_t fields = ReadU32(bytes.data() + 4);
    const std::uint64_t need =
        8 + std::uint64_t{tables} * sizeof(SDbTable) + std::uint64_t{fields} * sizeof(SDbField);
    if (need > bytes.size())
    {
        LogError("Database table file '%s': %u tables and %u fields need %llu bytes, the file has %zu", path,
                 tables, fields, static_cast<unsigned long long>(need), bytes.size());
        return false;
    }
    std::vector<SDbTable> tableList;
    std::vector<SDbField> fieldList;
    Take(bytes, 8, tableList, tables);
    Take(bytes, 8 + tables * sizeof(SDbTable), fieldList, fields);
    for (std::size_t i = 0; i < tableList.size(); ++i)
    {
        if (!IsTerminated(tableList[i].name))
        {
            LogError("Database table file '%s': table %zu: name not terminated", path, i);
            return false;
        }
    }
    for (std::size_t i = 0; i < fieldList.size(); ++i)
    {
        if (!IsTerminated(fieldList[i].name) || fieldList[i].type > kWideString)
        {
            LogError("Database table file '%s': field %zu: %s", path, i,
                     IsTerminated(fieldList[i].name) ? "unknown type" : "name not terminated");
            return false;
        }
    }
    m_tables = std::move(tableList);
    m_fields = std::move(fieldList);
    return true;
}

bool DataBase::WriteTableFile(const char* path)
{
    std::vector<std::uint8_t> bytes;
    PutValue(bytes, static_cast<std::uint32_t>(m_tables.size()));
    PutValue(bytes, static_cast<std::uint32_t>(m_fields.size()));
    AppendAll(bytes, m_tables);
    AppendAll(bytes, m_fields);
    if (!ReplaceFile(path, bytes, nullptr))
    {
        LogError("Database table file '%s': cannot be written; the old file stays", path);
        return false;
    }
    return true;
}

bool DataBase::ParseIndexFile(const char* path, std::vector<SDbIndexEntry>& out, bool& exists)
{
    out.clear();
    std::vector<std::uint8_t> bytes;
    if (!ReadFileBytes(path, bytes, exists))
    {
        LogError("Database index file '%s': cannot be read", path);
        return false;
    }
    if (!exists || bytes.empty()) return true;
    if (bytes.size() < 4)
    {
        LogError("Database index file '%s': header truncated (%zu bytes, needs 4)", path, bytes.size());
        return false;
    }
    const std::uint32_t records = ReadU32(bytes.data());
    const std::uint64_t need = 4 + std::uint64_t{records} * sizeof(SDbIndexEntry);
    if (need > bytes.size())
    {
        LogError("Database index file '%s': %u records need %llu bytes, the file has %zu", path, records,
                 static_cast<unsigned long long>(need), bytes.size());
        return false;
    }
    Take(bytes, 4, out, records);
    for (std::size_t i = 0; i < out.size(); ++i)
    {
        if (!IsTerminated(out[i].name))
        {
            LogError("Database index file '%s': record %zu: name not terminated", path, i);
            out.clear();
            return false;
        }
    }
    return true;
}

bool DataBase::ReadIndexFile(const char* path, bool create)
{
    XTRACE("DataBase::ReadIndexFile()");
    WaitForLock();
    m_nCacheTable = -1;
    if (create)
    {
        m_index.clear();
        return true;
    }
    std::vector<SDbIndexEntry> entries;
    bool exists = false;
    // A damaged index leaves the one in memory as it was: a later write
    // must not replace the file with a shortened list.
    if (!ParseIndexFile(path, entries, exists)) return false;
    m_index = std::move(entries);
    return true;
}

void DataBase::WaitForLock()
{
    for (std::uint32_t tries = 0; tries < m_nLockTries; ++tries)
    {
        if (!plat::FileExists(m_lockPath.c_str())) return;
        m_fnSleep(m_nLockWaitMs);
    }
    // A lock left behind by a crashed process is ignored after the wait.
}

bool DataBase::AcquireLock()
{
    WaitForLock();
    std::FILE* lock = plat::FOpen(m_lockPath.c_str(), "wb");
    if (!lock)
    {
        LogError("Database '%s': cannot create the lock file '%s'", m_dataPath.c_str(), m_lockPath.c_str());
        return false;
    }
    std::fclose(lock);
    return true;
}

void DataBase::ReleaseLock()
{
    plat::DeleteFile(m_lockPath.c_str());
}

bool DataBase::WriteIndexLocked(const char* path)
{
    std::vector<std::uint8_t> bytes;
    PutValue(bytes, static_cast<std::uint32_t>(m_index.size()));
    AppendAll(bytes, m_index);
    std::string backup;
    if (m_fnRandom() % 100 == 0)
    {
        char time[16];
        plat::StrTime(time);
        std::replace(time, time + std::strlen(time), ':', '_');
        backup = std::string(path) + ".ARCHIVE\\" + time;
    }
    if (!ReplaceFile(path, bytes, backup.empty() ? nullptr : &backup))
    {
        LogError("Database index file '%s': cannot be written; the old index stays", path);
        return false;
    }
    return true;
}

bool DataBase::WriteIndexFile(const char* path)
{
    XTRACE("DataBase::WriteIndexFile()");
    if (!AcquireLock()) return false;
    const bool ok = WriteIndexLocked(path);
    ReleaseLock();
    return ok;
}

// --- tables and fields ------------------------------------------------------------

std::uint32_t DataBase::FindTable(const char* name) const
{
    for (const SDbTable& table : m_tables)
    {
        if (std::strcmp(table.name, name) == 0) return table.id;
    }
    return 0;
}

std::int32_t DataBase::GetFloorID(const char* field, std::uint32_t tableId) const
{
    if (std::strlen(field) >= kNameSize) return -1;
    for (const SDbField& entry : m_fields)
    {
        if (entry.tableId == tableId && plat::CompareNoCase1251(entry.name, field) == 0)
            return static_cast<std::int32_t>(entry.id);
    }
    return 0;
}

std::uint32_t DataBase::AddFloor(const char* table, const char* field, std::uint32_t type)
{
    XTRACE("DataBase::AddFloor()");
    if (std::strlen(table) >= kNameSize || std::strlen(field) >= kNameSize)
    {
        LogError("Database '%s': name \"%s\" / \"%s\" longer than %zu characters", m_dataPath.c_str(), table,
                 field, kNameSize - 1);
        return 0;
    }
    bool added = false;
    std::uint32_t tableId = FindTable(table);
    if (tableId == 0)
    {
        SDbTable entry{};
        entry.id = m_tables.empty() ? 1 : m_tables.back().id + 1;
        CopyName(entry.name, table);
        m_tables.push_back(entry);
        tableId = entry.id;
        added = true;
    }
    std::uint32_t fieldId = 0;
    if (std::strcmp(field, " ") != 0)
    {
        fieldId = static_cast<std::uint32_t>(GetFloorID(field, tableId));
        if (fieldId == 0)
        {
            SDbField entry{};
            entry.tableId = tableId;
            entry.id = m_fields.empty() ? 1 : m_fields.back().id + 1;
            CopyName(entry.name, field);
            entry.type = type;
            m_fields.push_back(entry);
            m_tables.back().fieldMark = static_cast<std::uint32_t>(m_fields.size());
            fieldId = entry.id;
            added = true;
        }
    }
    if (added && !m_bDeferWrites) WriteTableFile(m_tablePath.c_str());
    return fieldId;
}

bool DataBase::SelectTable(const char* name)
{
    XTRACE("DataBase::SelectTable()");
    if (std::strlen(name) >= kNameSize)
    {
        LogError("%s", kTableNameTooLong);
        return false;
    }
    CopyName(m_szTable, name);
    if (FindTable(name) == 0) AddFloor(name, "DELETED", kInteger);
    m_nTableId = FindTable(name);
    m_nCurrent = -1;
    ClearRecord();
    return m_nTableId != 0;
}

// --- records ---------------------------------------------------------------------

int DataBase::FindRecord(const char* name)
{
    if (m_nCacheTable == m_nTableId && plat::CompareNoCase1251(m_szCacheName, name) == 0)
        return m_nCacheIndex;
    if (std::strlen(name) >= kNameSize) return -1;
    for (std::size_t i = 0; i < m_index.size(); ++i)
    {
        if (m_index[i].tableId == m_nTableId && plat::CompareNoCase1251(m_index[i].name, name) == 0)
        {
            CopyName(m_szCacheName, name);
            m_nCacheTable = m_nTableId;
            m_nCacheIndex = static_cast<std::int32_t>(i);
            return m_nCacheIndex;
        }
    }
    return -1;
}

void DataBase::ClearRecord()
{
    m_slots.clear();
    m_bEditing = false;
    m_bDirty = false;
    m_bAppended = false;
}

bool DataBase::LoadRecord(std::int32_t record)
{
    ClearRecord();
    const SDbIndexEntry& entry = m_index[static_cast<std::size_t>(record)];
    CopyName(m_szRecord, entry.name);
    if (entry.length == 0) return true;
    const char* fault = nullptr;
    long size = -1;
    if (!m_pData || std::fseek(m_pData, 0, SEEK_END) != 0 || (size = std::ftell(m_pData)) < 0)
        fault = "the data file cannot be read";
    else if (std::uint64_t{entry.offset} + entry.length > static_cast<std::uint64_t>(size))
        fault = "its bytes lie past the end of the data file";
    else
    {
        m_record.resize(entry.length);
        if (std::fseek(m_pData, static_cast<long>(entry.offset), SEEK_SET) != 0 ||
            std::fread(m_record.data(), entry.length, 1, m_pData) != 1)
            fault = "its bytes cannot be read";
    }
    std::uint32_t at = 0;
    while (!fault && at < entry.length)
    {
        if (entry.length - at < 8)
            fault = "a field header is cut short";
        else if (m_slots.size() >= kMaxFields)
            fault = "it has more than 256 fields";
        else
        {
            const std::uint32_t id = ReadU32(m_record.data() + at);
            const std::uint32_t length = ReadU32(m_record.data() + at + 4);
            if (length > kMaxValue)
                fault = "a field value is longer than 8192 bytes";
            else if (length > entry.length - at - 8)
                fault = "a field value runs past the end of the record";
            else
            {
                SFieldSlot slot;
                slot.id = id;
                slot.value.assign(m_record.data() + at + 8, m_record.data() + at + 8 + length);
                m_slots.push_back(std::move(slot));
                at += 8 + length;
            }
        }
    }
    if (fault)
    {
        // The index is left as it is: the record may be readable again once
        // another process has finished writing, and nothing is lost.
        LogError("DataBase::Get error in %s: '%s' record %d (offset %u, %u bytes, data file %ld bytes): %s",
                 entry.name, m_dataPath.c_str(), record, entry.offset, entry.length, size, fault);
        ClearRecord();
        return false;
    }
    return true;
}

bool DataBase::Get(const char* name)
{
    XTRACE("DataBase::Get");
    const int record = FindRecord(name);
    if (record >= 0 && record == m_nCurrent) return true;
    ClearRecord();
    m_nCurrent = -1;
    if (record < 0 || !LoadRecord(record)) return false;
    m_nCurrent = record;
    return true;
}

DataBase::SFieldSlot* DataBase::FindSlot(std::uint32_t id)
{
    for (SFieldSlot& slot : m_slots)
    {
        if (slot.id == id) return &slot;
    }
    return nullptr;
}

const DataBase::SFieldSlot* DataBase::FindFieldValue(const char* field)
{
    if (m_nCurrent < 0) return nullptr;
    const std::int32_t id = GetFloorID(field, m_nTableId);
    return id > 0 ? FindSlot(static_cast<std::uint32_t>(id)) : nullptr;
}

std::int32_t DataBase::GetIntegerField(const char* field)
{
    XTRACE("DataBase::GetIntegerField");
    const SFieldSlot* slot = FindFieldValue(field);
    std::int32_t value = 0;
    if (slot && slot->value.size() >= sizeof(value)) std::memcpy(&value, slot->value.data(), sizeof(value));
    return value;
}

float DataBase::GetFloatField(const char* field)
{
    XTRACE("DataBase::GetFloatField(const char* sNameFloor)");
    const SFieldSlot* slot = FindFieldValue(field);
    float value = 0.0f;
    if (slot && slot->value.size() >= sizeof(value)) std::memcpy(&value, slot->value.data(), sizeof(value));
    return value;
}

void DataBase::GetStringField(const char* field, char* out, std::uint32_t size)
{
    XTRACE("DataBase::GetStringField()");
    if (!out || size == 0) return;
    if (m_nCurrent < 0)
    {
        std::snprintf(out, size, "%s", "_DEFAULT_");
        return;
    }
    out[0] = '\0';
    const SFieldSlot* slot = FindFieldValue(field);
    if (!slot || slot->value.empty()) return;
    const auto* text = reinterpret_cast<const char*>(slot->value.data());
    const void* end = std::memchr(text, 0, slot->value.size());
    const std::size_t length =
        end ? static_cast<std::size_t>(static_cast<const char*>(end) - text) : slot->value.size();
    const std::size_t copied = std::min<std::size_t>(length, size - 1);
    std::memcpy(out, text, copied);
    out[copied] = '\0';
    if (copied < length)
        LogError("Database '%s': field %s of record %s: %zu characters cut to %zu", m_dataPath.c_str(), field,
                 m_szRecord, length, copied);
}

void DataBase::GetWCharField(const char* field, wchar_t* out, std::uint32_t size)
{
    XTRACE("DataBase::GetWCharField()");
    if (!out || size == 0) return;
    if (m_nCurrent < 0)
    {
        std::swprintf(out, size, L"%ls", L"DEFAULT");
        return;
    }
    out[0] = L'\0';
    const std::uint32_t id = AddFloor(m_szTable, field, kWideString);
    const SFieldSlot* slot = id ? FindSlot(id) : nullptr;
    if (!slot) return;
    const std::size_t units = std::min<std::size_t>(slot->value.size() / 2, size - 1);
    for (std::size_t i = 0; i < units; ++i)
        out[i] = static_cast<wchar_t>(slot->value[2 * i] | slot->value[2 * i + 1] << 8);
    out[units] = L'\0';
}

bool DataBase::Edit(const char* name)
{
    XTRACE("DataBase::Edit()");
    if (!PostPending()) return false;
    ClearRecord();
    m_nCurrent = -1;
    if (!m_bDeferWrites && !ReadIndexFile(m_indexPath.c_str(), false)) return false;
    const int record = FindRecord(name);
    if (record < 0 || !LoadRecord(record)) return false;
    m_nCurrent = record;
    m_bEditing = true;
    return true;
}

bool DataBase::Append(const char* name)
{
    XTRACE("DataBase::Append()");
    const std::size_t length = std::strlen(name);
    if (length >= kNameSize)
    {
        // The name does not fit the index's name field: refused rather than cut,
        // which would merge it with another record.
        LogError("DataBase::Append : Incorrect length ID '%s' = %zu!!!", name, length);
        return false;
    }
    if (m_nTableId == 0) return false;
    if (!PostPending()) return false;
    ClearRecord();
    m_nCurrent = -1;
    if (!m_bDeferWrites && !ReadIndexFile(m_indexPath.c_str(), false)) return false;
    if (FindRecord(name) >= 0) return Edit(name);
    SDbIndexEntry entry{};
    entry.tableId = m_nTableId;
    CopyName(entry.name, name);
    m_index.push_back(entry);
    CopyName(m_szRecord, name);
    m_nCurrent = static_cast<std::int32_t>(m_index.size() - 1);
    m_bEditing = true;
    m_bAppended = true;
    return true;
}

bool DataBase::PostPending()
{
    // The next Edit or Append re-reads the index from the file, which would
    // drop a record appended but not posted and the changes made to one
    // being edited: they are posted first, so nothing is lost.
    if (!m_bEditing || m_nCurrent < 0 || (!m_bDirty && !m_bAppended)) return true;
    if (Post()) return true;
    LogError("Database '%s': record %s, not posted, could not be posted before the next record",
             m_dataPath.c_str(), m_szRecord);
    return false;
}

bool DataBase::StoreValue(const char* field, std::uint32_t type, const void* data, std::uint32_t length)
{
    if (!m_bEditing || m_nCurrent < 0)
    {
        LogError("Database '%s': field %s set with no record being edited", m_dataPath.c_str(), field);
        return false;
    }
    if (length > kMaxValue)
    {
        LogError("Database '%s': field %s of record %s: value of %u bytes exceeds %u; not stored",
                 m_dataPath.c_str(), field, m_szRecord, length, kMaxValue);
        return false;
    }
    const std::uint32_t id = AddFloor(m_szTable, field, type);
    if (id == 0) return false;
    SFieldSlot* slot = FindSlot(id);
    if (!slot)
    {
        if (m_slots.size() >= kMaxFields)
        {
            LogError("Database '%s': record %s already has %u fields; field %s not stored",
                     m_dataPath.c_str(), m_szRecord, kMaxFields, field);
            return false;
        }
        m_slots.emplace_back();
        slot = &m_slots.back();
        slot->id = id;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    slot->value.assign(bytes, bytes + length);
    m_bDirty = true;
    return true;
}

bool DataBase::SetField(const char* field, std::int32_t value)
{
    XTRACE("DataBase::SetField");
    return StoreValue(field, kInteger, &value, sizeof(value));
}

bool DataBase::SetField(const char* field, float value)
{
    XTRACE("DataBase::SetField(const char* sNameFloor,float fValue)");
    return StoreValue(field, kFloat, &value, sizeof(value));
}

bool DataBase::SetField(const char* field, const char* value)
{
    XTRACE("DataBase::SetField(const char* sNameFloor, const char* sValue)");
    const std::size_t length = std::strlen(value) + 1;
    return StoreValue(field, kString, value,
                      static_cast<std::uint32_t>(std::min<std::size_t>(length, kMaxValue + 1)));
}

bool DataBase::SetField(const char* field, const wchar_t* value)
{
    XTRACE("DataBase::SetField(const char* sNameFloor, const wchar_t* wValue)");
    const std::size_t units = std::wcslen(value);
    if (units * 2 > kMaxValue)
        return StoreValue(field, kWideString, value, kMaxValue + 1); // refused with its message
    std::vector<std::uint8_t> bytes(units * 2);
    for (std::size_t i = 0; i < units; ++i)
    {
        bytes[2 * i] = static_cast<std::uint8_t>(value[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>((value[i] >> 8) & 0xFF);
    }
    return StoreValue(field, kWideString, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

bool DataBase::Post()
{
    XTRACE("DataBase::Post()");
    if (!m_bEditing || m_nCurrent < 0) return false;
    std::vector<std::uint8_t> bytes;
    for (const SFieldSlot& slot : m_slots)
    {
        PutValue(bytes, slot.id);
        PutValue(bytes, static_cast<std::uint32_t>(slot.value.size()));
        bytes.insert(bytes.end(), slot.value.begin(), slot.value.end());
    }
    SDbIndexEntry entry = m_index[static_cast<std::size_t>(m_nCurrent)];

    // The append and the index update happen under the lock, so two
    // processes posting at once neither interleave records nor overwrite
    // each other's index entries.
    const bool locked = !m_bDeferWrites && AcquireLock();
    if (!m_bDeferWrites && !locked) return false;
    if (m_pData) std::fclose(m_pData);
    m_pData = plat::FOpen(m_dataPath.c_str(), "ab+");
    bool ok = m_pData && std::fseek(m_pData, 0, SEEK_END) == 0;
    const long offset = ok ? std::ftell(m_pData) : -1;
    ok = ok && offset >= 0 && static_cast<std::uint64_t>(offset) + bytes.size() <= 0xFFFFFFFFull;
    ok = ok && (bytes.empty() || std::fwrite(bytes.data(), bytes.size(), 1, m_pData) == 1);
    ok = m_pData && std::fflush(m_pData) == 0 && ok;
    if (m_pData) std::fclose(m_pData);
    m_pData = plat::FOpen(m_dataPath.c_str(), "rb");
    if (!ok)
    {
        // The index still points at the record's previous bytes; the
        // fields stay set so the caller may try again.
        LogError("Database '%s': record %s could not be appended to the data file", m_dataPath.c_str(),
                 m_szRecord);
        if (locked) ReleaseLock();
        return false;
    }
    entry.offset = static_cast<std::uint32_t>(offset);
    entry.length = static_cast<std::uint32_t>(bytes.size());

    if (m_bDeferWrites)
        m_index[static_cast<std::size_t>(m_nCurrent)] = entry;
    else
    {
        std::vector<SDbIndexEntry> fresh;
        bool exists = false;
        ok = ParseIndexFile(m_indexPath.c_str(), fresh, exists);
        if (ok)
        {
            auto same = std::find_if(fresh.begin(), fresh.end(),
                                     [&](const SDbIndexEntry& e) {
                                         return e.tableId == entry.tableId &&
                                                plat::CompareNoCase1251(e.name, entry.name) == 0;
                                     });
            if (same != fresh.end())
                *same = entry;
            else
                fresh.push_back(entry);
            std::swap(m_index, fresh);
            ok = WriteIndexLocked(m_indexPath.c_str());
            if (!ok) std::swap(m_index, fresh);
        }
        ReleaseLock();
        m_nCacheTable = -1;
        if (!ok) return false;
    }
    ClearRecord();
    m_nCurrent = -1;
    return true;
}

// --- sorting (no caller in the program; kept for the tools) -------------------------------

namespace
{
template <typename T> void BubbleByName(std::vector<T>& entries)
{
    bool swapped = true;
    while (swapped)
    {
        swapped = false;
        for (std::size_t i = 1; i < entries.size(); ++i)
        {
            if (std::strcmp(entries[i - 1].name, entries[i].name) > 0)
            {
                std::swap(entries[i - 1], entries[i]);
                swapped = true;
            }
        }
    }
}
} // namespace

void DataBase::SortTables()
{
    BubbleByName(m_tables);
}

void DataBase::SortFloor()
{
    XTRACE("DataBase::SortFloor()");
    BubbleByName(m_fields);
}

void DataBase::SortRecord()
{
    XTRACE("DataBase::SortRecord()");
    BubbleByName(m_index);
    m_nCacheTable = -1;
    m_nCurrent = -1;
}
