// DataBase: a small table database in three files, shared by processes
// through a lock file.
//
// Files (the data file's path up to its last '.', then the extension):
//   ".tab"   u32 T, u32 F, T x SDbTable, F x SDbField
//   ".ind"   u32 R, R x SDbIndexEntry (one per record)
//   data     the records' bytes, appended by every post; a record is a run
//            of field records {u32 field id, u32 length n, n value bytes}
//   ".ind.lock"  exists while a process rewrites the index
// Field types: 0 string (1251 text with its NUL), 1 i32, 2 f32, 3 wide
// string (UTF-16 units, no terminator). Table names match exactly; field and
// record names without regard to case (code page 1251). Names hold at most
// 31 characters, values 8,192 bytes, records 256 fields.
//
// Reading: SelectTable, then Get(record) makes a record current and the
// Get*Field calls answer from it. Writing: Edit or Append, SetField, Post;
// an Edit or Append while a record with changes (or a new one) waits for
// its Post posts that record first.
// Post appends the record to the data file and updates the index under the
// lock: it re-reads the index, sets or adds its own entry and writes it, so
// the records other processes posted meanwhile are kept.
//
// Damage: every count, offset and length read from the files is checked
// against the file sizes before use. A damaged table or index file makes
// OpenDatabase fail, and so do files that disagree (an index naming a table
// the table file lacks, an empty index before a data file that is not); a
// damaged record makes Get leave no current record; each writes one error
// line naming the file, the record and the fault.
// Nothing is ever rewritten because of a read error. Index and table files
// are replaced through a temporary file, so a failed rewrite leaves the old
// file (and the lock is always released). About one index write in 100
// first keeps the old index as path + ".ARCHIVE\HH_MM_SS" when that
// directory exists.
//
// Paths are relative to the working directory unless they start with '/'.
// Opening without create requires the data file to exist.
//
// Threads: one object, one thread. Between processes only the index is
// locked. The lock wait (100 tries of 100 ms) and the backup dice can be
// replaced for tests (m_fnSleep, m_fnRandom).
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#pragma pack(push, 1)
struct SDbTable
{
    std::uint32_t id;        // 0: 1 for the first table, then previous + 1
    char name[32];           // 4
    std::uint32_t fieldMark; // 36: field count when the last field was added; ignored
};
static_assert(sizeof(SDbTable) == 40);

struct SDbField
{
    std::uint32_t tableId; // 0
    std::uint32_t id;      // 4: unique across all tables
    char name[32];         // 8
    std::uint32_t type;    // 40
};
static_assert(sizeof(SDbField) == 44);

struct SDbIndexEntry
{
    std::uint32_t tableId; // 0
    char name[32];         // 4
    std::uint32_t offset;  // 36: of the record's bytes in the data file
    std::uint32_t length;  // 40: bytes
};
static_assert(sizeof(SDbIndexEntry) == 44);
#pragma pack(pop)

class DataBase
{
public:
    enum EFieldType : std::uint32_t
    {
        kString = 0,
        kInteger = 1,
        kFloat = 2,
        kWideString = 3,
    };
    static constexpr std::size_t kNameSize = 32;
    static constexpr std::uint32_t kMaxValue = 8192;
    static constexpr std::uint32_t kMaxFields = 256;

    // One field of the current record.
    struct SFieldSlot
    {
        std::uint32_t id = 0;
        std::vector<std::uint8_t> value;
    };

    DataBase();
    virtual ~DataBase();
    DataBase(const DataBase&) = delete;
    DataBase& operator=(const DataBase&) = delete;

    // create: new empty files. deferWrites: Post leaves the table and index
    // files to CloseDatabase. True when all files are readable and the data
    // file is open. When it fails, GetLastError tells a damaged database
    // (the line written) from a missing one (empty).
    bool OpenDatabase(const char* path, bool create, bool deferWrites);
    bool CloseDatabase();

    // Creates an unknown table with its integer field "DELETED". False for
    // a name of 32 characters or more.
    bool SelectTable(const char* name);
    int FindRecord(const char* name);
    // Makes the record current for reading; false when there is none (or it
    // is damaged). Nothing happens when it already is current.
    bool Get(const char* name);
    // Values of the current record: 0, 0.0, "" when the record lacks the
    // field; "_DEFAULT_" / L"DEFAULT" for text when there is no current
    // record. Text is cut to fit size (with its terminator).
    std::int32_t GetIntegerField(const char* field);
    float GetFloatField(const char* field);
    void GetStringField(const char* field, char* out, std::uint32_t size);
    void GetWCharField(const char* field, wchar_t* out, std::uint32_t size);

    bool Edit(const char* name);
    bool Append(const char* name);
    // Set a field of the record being edited, adding the field's definition
    // when the table lacks it. False when nothing is being edited, the value
    // is longer than 8,192 bytes or the record already has 256 fields.
    bool SetField(const char* field, std::int32_t value);
    bool SetField(const char* field, float value);
    bool SetField(const char* field, const char* value);
    bool SetField(const char* field, const wchar_t* value);
    bool Post();

    // Ensures the table and field exist (field " " ensures the table only);
    // the field id, 0 on failure.
    std::uint32_t AddFloor(const char* table, const char* field, std::uint32_t type);
    // 0 when the table has no such field, -1 for names of 32 characters or more.
    std::int32_t GetFloorID(const char* field, std::uint32_t tableId) const;
    std::uint32_t FindTable(const char* name) const;

    bool ReadTableFile(const char* path, bool create);
    bool WriteTableFile(const char* path);
    bool ReadIndexFile(const char* path, bool create);
    bool WriteIndexFile(const char* path);
    void SortTables();
    void SortFloor();
    void SortRecord();

    // Read access for the resource database.
    const std::vector<SDbTable>& GetTables() const { return m_tables; }
    const std::vector<SDbField>& GetFields() const { return m_fields; }
    const std::vector<SDbIndexEntry>& GetIndex() const { return m_index; }
    const std::vector<SFieldSlot>& GetSlots() const { return m_slots; }
    std::uint32_t GetSelectedTableId() const { return m_nTableId; }
    const char* GetSelectedTableName() const { return m_szTable; }
    std::int32_t GetCurrentRecord() const { return m_nCurrent; }
    const std::string& GetDataPath() const { return m_dataPath; }
    const std::string& GetIndexPath() const { return m_indexPath; }
    const std::string& GetTablePath() const { return m_tablePath; }
    // The last error line written since OpenDatabase began; empty if none.
    const std::string& GetLastError() const { return m_sLastError; }

    // Lock wait and backup dice; tests replace them.
    std::function<void(std::uint32_t milliseconds)> m_fnSleep;
    std::function<int()> m_fnRandom;
    std::uint32_t m_nLockTries = 100;
    std::uint32_t m_nLockWaitMs = 100;

private:
    bool CheckFilesAgree();
    void DropDataFile();
    bool LoadRecord(std::int32_t record);
    // Posts the record being edited when it has changes or is new.
    bool PostPending();
    bool ParseIndexFile(const char* path, std::vector<SDbIndexEntry>& out, bool& exists);
    bool WriteIndexLocked(const char* path);
    void WaitForLock();
    bool AcquireLock();
    void ReleaseLock();
    SFieldSlot* FindSlot(std::uint32_t id);
    const SFieldSlot* FindFieldValue(const char* field);
    bool StoreValue(const char* field, std::uint32_t type, const void* data, std::uint32_t length);
    void ClearRecord();
    void LogError(const char* format, ...) const __attribute__((format(printf, 2, 3)));

    std::vector<SDbIndexEntry> m_index;
    std::vector<SDbTable> m_tables;
    std::vector<SDbField> m_fields;
    std::vector<SFieldSlot> m_slots;
    std::FILE* m_pData = nullptr;
    std::uint32_t m_nTableId = 0;
    std::int32_t m_nCurrent = -1;
    bool m_bEditing = false;
    bool m_bDirty = false;    // fields set since the record became current
    bool m_bAppended = false; // the current record is a new entry not yet posted
    char m_szRecord[kNameSize] = {};
    char m_szTable[kNameSize] = {};
    std::string m_workDir;
    std::string m_dataPath;
    std::string m_tablePath;
    std::string m_indexPath;
    std::string m_lockPath;
    std::vector<std::uint8_t> m_record;
    bool m_bDeferWrites = false;
    mutable std::string m_sLastError;
    // FindRecord's cache: the last name found, its table and index.
    char m_szCacheName[kNameSize] = {};
    std::int64_t m_nCacheTable = -1;
    std::int32_t m_nCacheIndex = -1;
};
