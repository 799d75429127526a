#include "foundation/ResourceDB.h"

#include "foundation/ErrorLog.h"
#include "foundation/PakReader.h"
#include "platform/File.h"
#include "platform/Ini.h"

#include <cstdlib>
#include <cstring>

ResourceDBManager g_ResourceDB;

namespace
{
// "Не поддерживаемый формат строк" in code page 1251.
constexpr const char* kWideNotSupported =
    "\xCD\xE5 \xEF\xEE\xE4\xE4\xE5\xF0\xE6\xE8\xE2\xE0\xE5\xEC\xFB\xE9 \xF4\xEE\xF0\xEC\xE0\xF2 "
    "\xF1\xF2\xF0\xEE\xEA";

// Splits a double-NUL-terminated list.
std::vector<std::string> SplitList(const std::vector<char>& buffer)
{
    std::vector<std::string> names;
    std::size_t at = 0;
    while (at < buffer.size() && buffer[at])
    {
        const std::size_t length = std::strlen(&buffer[at]);
        names.emplace_back(&buffer[at], length);
        at += length + 1;
    }
    return names;
}

std::uint32_t TypeOfValue(const char* value)
{
    bool dot = false;
    for (const char* c = value; *c; ++c)
    {
        if (*c == '.')
            dot = true;
        else if (!(*c >= '0' && *c <= '9') && *c != '-')
            return DataBase::kString;
    }
    return dot ? DataBase::kFloat : DataBase::kInteger;
}
} // namespace

bool ResourceDBManager::Init(const char* path, std::uint32_t mode)
{
    XTRACE("ResourceDBManager::Init");
    m_nMode = mode;
    m_baseDir = plat::GetCurrentDirectory() + "\\";
    SetPakBaseDirectory(m_baseDir.c_str());
    m_mainPath = path[0] == '/' ? std::string(path) : m_baseDir + path;
    m_sectionFile = m_baseDir;
    m_records.clear();
    m_nCursor = 0;
    m_szRecord[0] = '\0';
    if (IsDataBase()) return m_DataBase.OpenDatabase(path, false, false);
    return true;
}

void ResourceDBManager::Done()
{
    m_DataBase.CloseDatabase();
    // Closed, it names no directory: the configuration paths go back to
    // the working directory.
    m_baseDir.clear();
}

void ResourceDBManager::SetCurrent(const char* name)
{
    std::snprintf(m_szRecord, sizeof(m_szRecord), "%s", name);
}

bool ResourceDBManager::SelectSection(const char* section, bool readNames)
{
    XTRACE("ResourceDBManager::SelectSection");
    m_nCursor = 0;
    m_nRecordIndex = -1;
    if (IsDataBase())
    {
        if (!m_DataBase.SelectTable(section)) return false;
        const std::uint32_t table = m_DataBase.GetSelectedTableId();
        m_nRecordCount = 0;
        for (const SDbIndexEntry& entry : m_DataBase.GetIndex())
        {
            if (entry.tableId == table) ++m_nRecordCount;
        }
        return true;
    }
    char fileName[256];
    plat::GetPrivateProfileString(section, "filename", "", fileName, sizeof(fileName), m_mainPath.c_str());
    m_sectionFile = m_baseDir + fileName;
    if (readNames)
    {
        std::vector<char> list(kSectionListSize, '\0');
        plat::GetPrivateProfileSectionNames(list.data(), kSectionListSize, m_sectionFile.c_str());
        m_records = SplitList(list);
    }
    std::vector<std::string> kept;
    for (const std::string& name : m_records)
    {
        if (GetIntegerField(name.c_str(), "Deleted", -1) != 1) kept.push_back(name);
    }
    m_records = std::move(kept);
    return true;
}

int ResourceDBManager::GetRecordCount() const
{
    return IsDataBase() ? m_nRecordCount : static_cast<int>(m_records.size());
}

int ResourceDBManager::First()
{
    if (!IsDataBase())
    {
        m_nCursor = 0;
        if (m_records.empty()) return 0;
        SetCurrent(m_records[0].c_str());
        return static_cast<unsigned char>(m_records[0][0]);
    }
    m_nRecordIndex = -1;
    return Next() ? 1 : 0;
}

int ResourceDBManager::Next()
{
    if (!IsDataBase())
    {
        if (m_nCursor + 1 >= m_records.size())
        {
            m_nCursor = static_cast<std::uint32_t>(m_records.size());
            return 0;
        }
        ++m_nCursor;
        SetCurrent(m_records[m_nCursor].c_str());
        return static_cast<unsigned char>(m_records[m_nCursor][0]);
    }
    const std::vector<SDbIndexEntry>& index = m_DataBase.GetIndex();
    const std::uint32_t table = m_DataBase.GetSelectedTableId();
    for (std::size_t i = static_cast<std::size_t>(m_nRecordIndex + 1); i < index.size(); ++i)
    {
        if (index[i].tableId == table)
        {
            m_nRecordIndex = static_cast<std::int32_t>(i);
            SetCurrent(index[i].name);
            // Never 0 for a record found: the first record's index may be 0,
            // and First reports it separately.
            return static_cast<int>(i) + (i == 0 ? 1 : 0);
        }
    }
    m_nRecordIndex = static_cast<std::int32_t>(index.size());
    return 0;
}

void ResourceDBManager::GetStringField(const char* record, const char* field, char* out, std::uint32_t size)
{
    if (!out || size == 0) return;
    out[0] = '\0';
    if (IsDataBase())
    {
        m_DataBase.Get(record);
        m_DataBase.GetStringField(field, out, size);
        return;
    }
    plat::GetPrivateProfileString(record, field, "_DEFAULT_", out, size, m_sectionFile.c_str());
}

std::int32_t ResourceDBManager::GetIntegerField(const char* record, const char* field, std::int32_t)
{
    XTRACE("ResourceDBManager::GetIntegerField");
    if (IsDataBase())
    {
        m_DataBase.Get(record);
        return m_DataBase.GetIntegerField(field);
    }
    return static_cast<std::int32_t>(plat::GetPrivateProfileInt(record, field, 0, m_sectionFile.c_str()));
}

float ResourceDBManager::GetFloatField(const char* record, const char* field, float)
{
    if (IsDataBase())
    {
        m_DataBase.Get(record);
        return m_DataBase.GetFloatField(field);
    }
    char text[256];
    plat::GetPrivateProfileString(record, field, "_DEFAULT_", text, sizeof(text), m_sectionFile.c_str());
    return static_cast<float>(std::atof(text));
}

void ResourceDBManager::GetWCharField(const char* record, const char* field, wchar_t* out, std::uint32_t size)
{
    if (!out || size == 0) return;
    out[0] = L'\0';
    if (!IsDataBase())
    {
        g_ErrorLog.LogError("%s", kWideNotSupported);
        return;
    }
    m_DataBase.Get(record);
    m_DataBase.GetWCharField(field, out, size);
}

std::int32_t ResourceDBManager::GetIntegerField(const char* field)
{
    return GetIntegerField(m_szRecord, field, 0);
}

float ResourceDBManager::GetFloatField(const char* field)
{
    return GetFloatField(m_szRecord, field, 0.0f);
}

void ResourceDBManager::GetStringField(const char* field, char* out, std::uint32_t size)
{
    GetStringField(m_szRecord, field, out, size);
}

bool ResourceDBManager::SetStringField(const char* record, const char* field, const char* value)
{
    if (IsDataBase()) return m_DataBase.SetField(field, value);
    return plat::WritePrivateProfileString(record, field, value, m_sectionFile.c_str());
}

bool ResourceDBManager::SetIntegerField(const char* record, const char* field, std::int32_t value)
{
    if (IsDataBase()) return m_DataBase.SetField(field, value);
    char text[16];
    std::snprintf(text, sizeof(text), "%d", value);
    return plat::WritePrivateProfileString(record, field, text, m_sectionFile.c_str());
}

bool ResourceDBManager::SetFloatField(const char* record, const char* field, float value)
{
    if (IsDataBase()) return m_DataBase.SetField(field, value);
    char text[64];
    std::snprintf(text, sizeof(text), "%f", static_cast<double>(value));
    return plat::WritePrivateProfileString(record, field, text, m_sectionFile.c_str());
}

bool ResourceDBManager::SetWCharField(const char*, const char* field, const wchar_t* value)
{
    if (IsDataBase()) return m_DataBase.SetField(field, value);
    g_ErrorLog.LogError("%s", kWideNotSupported);
    return false;
}

int ResourceDBManager::AppendRecord(const char* name)
{
    if (!IsDataBase() || !m_DataBase.Append(name)) return -1;
    return m_DataBase.GetCurrentRecord();
}

int ResourceDBManager::EditRecord(const char* name)
{
    if (!IsDataBase()) return -1;
    if (m_DataBase.Edit(name)) return m_DataBase.GetCurrentRecord();
    return AppendRecord(name);
}

bool ResourceDBManager::Post()
{
    return IsDataBase() && m_DataBase.Post();
}

void ResourceDBManager::GetFloorList()
{
    m_FloorNames.Init(256, 8192);
    m_FloorTypes.clear();
    if (!IsDataBase())
    {
        std::vector<char> buffer(kSectionListSize, '\0');
        if (plat::GetPrivateProfileSection(m_szRecord, buffer.data(), kSectionListSize,
                                           m_sectionFile.c_str()) == 0)
        {
            g_ErrorLog.LogError("ResourceDBManager::GetFloorList GetPrivateProfileSection fails");
            return;
        }
        for (std::string& line : SplitList(buffer))
        {
            const std::size_t equals = line.find('=');
            if (equals == std::string::npos)
            {
                m_FloorNames.Add(line.c_str());
                m_FloorTypes.push_back(DataBase::kString);
                continue;
            }
            m_FloorTypes.push_back(TypeOfValue(line.c_str() + equals + 1));
            line.resize(equals);
            m_FloorNames.Add(line.c_str());
        }
        return;
    }
    if (m_DataBase.FindRecord(m_szRecord) < 0 || !m_DataBase.Get(m_szRecord)) return;
    for (const DataBase::SFieldSlot& slot : m_DataBase.GetSlots())
    {
        for (const SDbField& field : m_DataBase.GetFields())
        {
            if (field.id == slot.id)
            {
                m_FloorNames.Add(field.name);
                m_FloorTypes.push_back(field.type);
            }
        }
    }
}

void ResourceDBManager::BuildSectionList()
{
    m_SectionNames.Init(32, 2048);
    if (!IsDataBase())
    {
        std::vector<char> buffer(kSectionListSize, '\0');
        plat::GetPrivateProfileSectionNames(buffer.data(), kSectionListSize, m_mainPath.c_str());
        for (const std::string& name : SplitList(buffer))
            m_SectionNames.Add(name.c_str());
        return;
    }
    for (const SDbTable& table : m_DataBase.GetTables())
        m_SectionNames.Add(table.name);
}

int ResourceDBManager::CountAllRecords()
{
    if (!IsDataBase()) return 0;
    BuildSectionList();
    int total = 0;
    for (std::uint32_t i = 0; i < m_SectionNames.GetCount(); ++i)
    {
        SelectSection(m_SectionNames.Get(i), true);
        total += GetRecordCount();
    }
    return total;
}

const char* ResourceDBManager::FindRecordSection(const char* record)
{
    if (!IsDataBase()) return nullptr;
    BuildSectionList();
    for (std::uint32_t i = 0; i < m_SectionNames.GetCount(); ++i)
    {
        SelectSection(m_SectionNames.Get(i), true);
        for (int more = First(); more; more = Next())
        {
            if (std::strcmp(m_szRecord, record) == 0) return m_SectionNames.Get(i);
        }
    }
    return nullptr;
}
