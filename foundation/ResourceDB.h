// ResourceDBManager: the program-wide resource database g_ResourceDB.
//
// All game tables (models, textures, sounds, object kinds, ...) are read
// through it as sections (tables), records (named rows) and fields (named
// values). Two back-ends: mode 1 is the table database (DataBase.h) opened
// on "Data\DB.dat"; any other mode reads INI files: the main file has one
// INI section per resource section whose key "filename" names the file
// holding that section's records, one INI section per record and one key
// per field. A record whose "Deleted" field is 1 is left out of listings.
//
// Reads of a missing field give 0, 0.0, "" or "_DEFAULT_" (a record that
// does not exist); text is cut to the caller's buffer size. Wide strings
// exist in database mode only. The base directory (working directory + '\')
// is remembered at Init and also given to the pack readers.
//
// Threads: none of its own and no lock. A section selection and the record
// walk that follows share the manager's state, so it is used by one thread
// at a time (start-up and the loader threads take turns).
#pragma once

#include "foundation/DataBase.h"
#include "foundation/StringPool.h"

#include <cstdint>
#include <string>
#include <vector>

class ResourceDBManager
{
public:
    static constexpr std::uint32_t kModeDataBase = 1;
    static constexpr std::uint32_t kModeIni = 0;
    static constexpr std::uint32_t kSectionListSize = 60000;

    ResourceDBManager() = default;
    virtual ~ResourceDBManager() = default;
    ResourceDBManager(const ResourceDBManager&) = delete;
    ResourceDBManager& operator=(const ResourceDBManager&) = delete;

    // path is relative to the working directory (unless it starts with '/').
    // Database mode: false when the database cannot be opened.
    bool Init(const char* path, std::uint32_t mode);
    void Done();

    bool SelectSection(const char* section, bool readNames);
    int GetRecordCount() const;
    // Walk the selected section; 0 when there is no (further) record.
    int First();
    int Next();
    const char* GetCurrentRecordName() const { return m_szRecord; }

    void GetStringField(const char* record, const char* field, char* out, std::uint32_t size);
    // The default arguments are not used: a missing field reads as 0.
    std::int32_t GetIntegerField(const char* record, const char* field, std::int32_t defaultValue);
    float GetFloatField(const char* record, const char* field, float defaultValue);
    void GetWCharField(const char* record, const char* field, wchar_t* out, std::uint32_t size);
    std::int32_t GetIntegerField(const char* field);
    float GetFloatField(const char* field);
    void GetStringField(const char* field, char* out, std::uint32_t size);

    // Database mode: fields of the record being edited (record unused).
    // INI mode: written to the section file.
    bool SetStringField(const char* record, const char* field, const char* value);
    bool SetIntegerField(const char* record, const char* field, std::int32_t value);
    bool SetFloatField(const char* record, const char* field, float value);
    bool SetWCharField(const char* record, const char* field, const wchar_t* value);
    // Database mode only: the current record index, or -1.
    int AppendRecord(const char* name);
    int EditRecord(const char* name);
    bool Post();

    // Names and types of the current record's fields into m_FloorNames and
    // m_FloorTypes.
    void GetFloorList();
    // All section names into m_SectionNames.
    void BuildSectionList();
    int CountAllRecords();
    // The first section holding a record of exactly that name, or null.
    const char* FindRecordSection(const char* record);

    std::uint32_t GetMode() const { return m_nMode; }
    const std::string& GetBaseDirectory() const { return m_baseDir; }
    const std::string& GetSectionFile() const { return m_sectionFile; }
    DataBase& GetDataBase() { return m_DataBase; }

    CStringPool m_FloorNames;
    std::vector<std::uint32_t> m_FloorTypes;
    CStringPool m_SectionNames;

private:
    bool IsDataBase() const { return m_nMode == kModeDataBase; }
    void SetCurrent(const char* name);

    std::string m_baseDir;
    DataBase m_DataBase;
    std::uint32_t m_nMode = kModeDataBase;
    std::string m_mainPath;
    std::string m_sectionFile;
    std::uint32_t m_nCursor = 0;
    std::vector<std::string> m_records; // INI mode: the selected section file's records
    char m_szRecord[32] = {};
    std::int32_t m_nRecordIndex = -1; // database mode: index entry of the current record
    std::int32_t m_nRecordCount = 0;
};

extern ResourceDBManager g_ResourceDB;
