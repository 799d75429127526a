// Keyed record archives: IArchive and FileArchive.
//
// A file of named records, each the bytes of one memory stream. Saved games
// write one record per chunk and read them back by name in any order.
//
//   offset  size  field
//   0       4     magic "TVXA"
//   4       4     u32 version, 257 (readers accept versions below 258)
//   8             records, back to back: SArchiveEntry (48 bytes), then a
//                 u32 data length n, then n bytes
//
// There is no directory: Open scans the entry headers. Every header is
// checked against the file (terminated name, size of at least the length
// prefix, offset field pointing just past the header, record within the
// file); the first bad one ends the scan with one error line naming the
// archive, the record and the fault. A record cut short by the end of the
// file stays listed, and reading it fails. Reads never pass a record's data:
// ReadBytes past the end copies what is left, zeroes the rest, logs one
// error line and returns the count copied.
//
// Keys compare as id keys (GuidKey.h): by id when both are resolved, else by
// name. Lookup is linear; with duplicate names the earliest record wins.
// Create starts an empty file (an older file of the name is truncated).
// The archive reaches the disk only through the file manager.
//
// Ownership: the archive owns its handle and its record stream. Threads: one
// thread per archive object.
#pragma once

#include "foundation/ClassFactory.h"
#include "foundation/FileHandler.h"
#include "foundation/GuidKey.h"
#include "foundation/MemStream.h"

#include <cstdint>
#include <string>
#include <vector>

#pragma pack(push, 1)
struct SArchiveEntry
{
    CGuidKey key;           // 0: record name and the id the writer held
    std::uint32_t size;     // 36: data length + 4
    std::uint32_t offset;   // 40: file offset of the length prefix
    std::uint32_t checksum; // 44: GetChecksum of the data (0 for FileArchive)
};
#pragma pack(pop)
static_assert(sizeof(SArchiveEntry) == 48, "archive entry headers are 48 bytes");

class IArchive : public IBaseInterface
{
public:
    CGuidKey GetGUID() const override; // "IGUID_IArchive"
    virtual bool Create(const char* path) = 0;
    virtual bool Open(const char* path) = 0;
    virtual bool Close() = 0;
    // out's data from position 0, grown when needed; out's position is 0.
    virtual bool ReadRecord(const CGuidKey& key, CMemStream& out) = 0;
    // Stores data's first position bytes.
    virtual bool WriteRecord(const CGuidKey& key, const CMemStream& data) = 0;
    virtual bool HasRecord(const CGuidKey& key) = 0;
    // Reading: reads the record into the archive's own stream. Writing:
    // starts a record that WriteBytes fills and EndRecord stores.
    virtual bool BeginRecord(const CGuidKey& key) = 0;
    virtual void WriteBytes(const void* buffer, std::uint32_t n) = 0;
    virtual std::uint32_t ReadBytes(void* buffer, std::uint32_t n) = 0;
    virtual bool EndRecord() = 0;
    virtual std::uint32_t GetChecksum(const CMemStream& data) = 0;
};

class FileArchive : public IArchive
{
public:
    static constexpr char kMagic[4] = {'T', 'V', 'X', 'A'};
    static constexpr std::uint32_t kVersion = 257;

    FileArchive();
    ~FileArchive() override; // closes a file still open
    std::uint32_t GetSize() const override { return sizeof(*this); }

    bool Create(const char* path) override;
    bool Open(const char* path) override;
    bool Close() override;
    bool ReadRecord(const CGuidKey& key, CMemStream& out) override;
    bool WriteRecord(const CGuidKey& key, const CMemStream& data) override;
    bool HasRecord(const CGuidKey& key) override;
    bool BeginRecord(const CGuidKey& key) override;
    void WriteBytes(const void* buffer, std::uint32_t n) override;
    std::uint32_t ReadBytes(void* buffer, std::uint32_t n) override;
    bool EndRecord() override;
    std::uint32_t GetChecksum(const CMemStream&) override { return 0; }

    std::uint32_t GetRecordCount() const { return static_cast<std::uint32_t>(m_entries.size()); }
    const SArchiveEntry& GetEntry(std::uint32_t index) const { return m_entries[index]; }

    enum EMode : std::uint8_t
    {
        kWriting = 0,
        kReading = 1,
    };

    std::uint8_t m_nMode = kWriting;
    IFileHandler* m_pFile = nullptr;

private:
    int FindEntry(const CGuidKey& key) const;
    void Scan();

    std::vector<SArchiveEntry> m_entries;
    std::vector<bool> m_truncated; // records cut short by the end of the file
    char m_header[8] = {};
    CMemStream m_Stream;
    CGuidKey m_CurrentKey;
    std::uint32_t m_nRecordLength = 0; // data bytes of the record read into m_Stream
    std::string m_path;
};

extern std::uint32_t g_iIArchive;
extern std::uint32_t g_iFileArchive;
// The create function of "IGUID_IArchive" and "IGUID_FileArchive".
IBaseInterface* CreateFileArchive();
