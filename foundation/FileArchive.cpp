#include "foundation/FileArchive.h"

#include "foundation/ErrorLog.h"
#include "foundation/LogText.h"
#include "foundation/FileManager.h"

#include <cstring>

std::uint32_t g_iIArchive = static_cast<std::uint32_t>(-1);
std::uint32_t g_iFileArchive = static_cast<std::uint32_t>(-1);

IBaseInterface* CreateFileArchive()
{
    return new FileArchive();
}

CGuidKey IArchive::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKeyConcat(&key, "IGUID_", "IArchive");
}

FileArchive::FileArchive()
{
    m_entries.reserve(20);
}

FileArchive::~FileArchive()
{
    Close();
}

bool FileArchive::Create(const char* path)
{
    XTRACE("FileArchive::Create");
    Close();
    m_path = path;
    IFileManager* manager = GetFileManager();
    // A new empty file: an old, longer archive of the same name must not
    // leave its tail behind the new records, where Open would find it.
    m_pFile = manager ? manager->CreateFile(path) : nullptr;
    if (!m_pFile) return false;
    std::memcpy(m_header, kMagic, 4);
    std::memcpy(m_header + 4, &kVersion, 4);
    if (m_pFile->Write(m_header, sizeof(m_header)) == 0) return false;
    m_nMode = kWriting;
    return true;
}

bool FileArchive::Open(const char* path)
{
    XTRACE("FileArchive::Open");
    Close();
    m_path = path;
    IFileManager* manager = GetFileManager();
    m_pFile = manager ? manager->OpenFile(path, true) : nullptr;
    if (!m_pFile) return false;
    if (m_pFile->Read(m_header, sizeof(m_header)) == 0)
    {
        g_ErrorLog.LogError("Archive '%s': header truncated (the file has %u bytes, the header needs 8)",
                            path, m_pFile->GetLength());
        Close();
        return false;
    }
    std::uint32_t version = 0;
    std::memcpy(&version, m_header + 4, 4);
    if (std::memcmp(m_header, kMagic, 4) != 0)
    {
        g_ErrorLog.LogError("Archive '%s': bad magic \"%s\" (expected \"TVXA\")", path,
                            EscapeForLog(std::string_view(m_header, 4)).c_str());
        Close();
        return false;
    }
    if (version > kVersion)
    {
        g_ErrorLog.LogError("Archive '%s': version %u is newer than %u", path, version, kVersion);
        Close();
        return false;
    }
    Scan();
    m_nMode = kReading;
    return true;
}

void FileArchive::Scan()
{
    const std::uint64_t length = m_pFile->GetLength();
    std::uint64_t position = sizeof(m_header);
    while (position < length)
    {
        SArchiveEntry entry;
        if (length - position < sizeof(entry) || m_pFile->Read(&entry, sizeof(entry)) == 0)
        {
            g_ErrorLog.LogError("Archive '%s': %llu bytes at offset %llu are too short for a record header",
                                m_path.c_str(), static_cast<unsigned long long>(length - position),
                                static_cast<unsigned long long>(position));
            return;
        }
        const char* fault = nullptr;
        if (std::memchr(entry.key.name, 0, sizeof(entry.key.name)) == nullptr)
            fault = "name not terminated";
        else if (entry.size < 4)
            fault = "size smaller than its length prefix";
        else if (entry.offset != position + sizeof(entry))
            fault = "offset field does not point past its header";
        if (fault)
        {
            g_ErrorLog.LogError(
                "Archive '%s': record #%zu at offset %llu: %s; the records from here on are lost",
                m_path.c_str(), m_entries.size(), static_cast<unsigned long long>(position), fault);
            return;
        }
        const std::uint64_t end = position + sizeof(entry) + entry.size;
        m_entries.push_back(entry);
        m_truncated.push_back(end > length);
        if (end > length)
        {
            g_ErrorLog.LogError(
                "Archive '%s': record '%s' at offset %llu: %u bytes of data run past the end of the "
                "file (%llu bytes)",
                m_path.c_str(), entry.key.name, static_cast<unsigned long long>(position), entry.size - 4,
                static_cast<unsigned long long>(length));
            return;
        }
        m_pFile->Seek(static_cast<std::int32_t>(entry.size), 1);
        position = end;
    }
}

bool FileArchive::Close()
{
    IFileManager* manager = GetFileManager();
    if (m_pFile)
    {
        if (manager)
            manager->CloseFile(m_pFile);
        else
        {
            m_pFile->Close();
            delete m_pFile;
            m_pFile = nullptr;
        }
    }
    return true;
}

int FileArchive::FindEntry(const CGuidKey& key) const
{
    for (std::size_t i = 0; i < m_entries.size(); ++i)
    {
        if (m_entries[i].key == key) return static_cast<int>(i);
    }
    return -1;
}

bool FileArchive::HasRecord(const CGuidKey& key)
{
    return FindEntry(key) >= 0;
}

bool FileArchive::ReadRecord(const CGuidKey& key, CMemStream& out)
{
    XTRACE("FileArchive::ReadRecord");
    out.m_nPosition = 0;
    const int index = FindEntry(key);
    if (index < 0 || !m_pFile) return false;
    const SArchiveEntry& entry = m_entries[static_cast<std::size_t>(index)];
    if (m_truncated[static_cast<std::size_t>(index)])
    {
        g_ErrorLog.LogError("Archive '%s': record '%s' is cut short by the end of the file", m_path.c_str(),
                            entry.key.name);
        return false;
    }
    std::uint32_t length = 0;
    if (!m_pFile->Seek(static_cast<std::int32_t>(entry.offset), 0) || m_pFile->Read(&length, 4) == 0)
        return false;
    if (length != entry.size - 4)
    {
        g_ErrorLog.LogError("Archive '%s': record '%s': length prefix %u differs from the header's %u",
                            m_path.c_str(), entry.key.name, length, entry.size - 4);
        return false;
    }
    if (!m_pFile->Seek(static_cast<std::int32_t>(entry.offset), 0) || !m_pFile->ReadStream(out)) return false;
    out.m_nPosition = 0;
    m_nRecordLength = length;
    return GetChecksum(out) == entry.checksum;
}

bool FileArchive::WriteRecord(const CGuidKey& key, const CMemStream& data)
{
    XTRACE("FileArchive::WriteRecord");
    if (!m_pFile || m_nMode != kWriting) return false;
    SArchiveEntry entry;
    entry.key = key;
    entry.size = data.m_nPosition + 4;
    entry.offset = m_pFile->Tell() + sizeof(entry);
    entry.checksum = GetChecksum(data);
    if (m_pFile->Write(&entry, sizeof(entry)) == 0) return false;
    m_entries.push_back(entry);
    m_truncated.push_back(false);
    return m_pFile->WriteStream(data);
}

bool FileArchive::BeginRecord(const CGuidKey& key)
{
    XTRACE("FileArchive::BeginRecord");
    if (m_nMode == kReading)
    {
        m_nRecordLength = 0;
        m_CurrentKey = key;
        return ReadRecord(key, m_Stream);
    }
    m_CurrentKey = key;
    m_Stream.Allocate(10000);
    return true;
}

void FileArchive::WriteBytes(const void* buffer, std::uint32_t n)
{
    m_Stream.Write(buffer, n);
}

std::uint32_t FileArchive::ReadBytes(void* buffer, std::uint32_t n)
{
    const std::uint32_t position = m_Stream.m_nPosition;
    const std::uint32_t left = position < m_nRecordLength ? m_nRecordLength - position : 0;
    const std::uint32_t count = n < left ? n : left;
    if (count) std::memcpy(buffer, m_Stream.m_pData + position, count);
    m_Stream.m_nPosition += count;
    if (count < n)
    {
        // A caller reading more than the record holds gets zeros, not the
        // stale rest of the buffer.
        std::memset(static_cast<std::uint8_t*>(buffer) + count, 0, n - count);
        g_ErrorLog.LogError(
            "Archive '%s': record '%s': read of %u bytes at %u passes the end of its %u bytes",
            m_path.c_str(), m_CurrentKey.name, n, position, m_nRecordLength);
    }
    return count;
}

bool FileArchive::EndRecord()
{
    XTRACE("FileArchive::EndRecord");
    bool ok = true;
    if (m_nMode == kWriting) ok = WriteRecord(m_CurrentKey, m_Stream);
    m_Stream.Free();
    m_nRecordLength = 0;
    return ok;
}
