#include "foundation/PakFileSystem.h"

#include "foundation/ErrorLog.h"
#include "platform/File.h"

#include <algorithm>
#include <limits>
#include <string>

CPakStream::~CPakStream()
{
    Close();
}

void CPakStream::Close()
{
    if (m_pFile) std::fclose(m_pFile);
    m_pFile = nullptr;
    m_pEngine = nullptr;
    m_bOpen = 0;
    m_bInPak = 0;
    m_nEntry = -1;
    m_nPosition = 0;
    m_Name.clear();
}

std::uint32_t CPakStream::Read(void* buffer, std::uint32_t size)
{
    if (m_bInPak && m_pEngine)
    {
        const std::uint32_t copied = m_pEngine->ReadAt(m_nEntry, m_nPosition, buffer, size, false);
        m_nPosition += copied;
        return copied == size ? size : 0;
    }
    if (m_pFile) return static_cast<std::uint32_t>(std::fread(buffer, size, 1, m_pFile));
    return 0;
}

std::uint32_t CPakStream::ReadBytes(void* buffer, std::uint32_t n)
{
    if (m_bInPak && m_pEngine)
    {
        const std::uint32_t copied = m_pEngine->ReadAt(m_nEntry, m_nPosition, buffer, n, true);
        m_nPosition += copied;
        return copied;
    }
    if (m_pFile) return static_cast<std::uint32_t>(std::fread(buffer, 1, n, m_pFile));
    return 0;
}

void CPakStream::Seek(std::int32_t offset, std::int32_t whence)
{
    if (m_bInPak)
    {
        // From the end of the entry, as a disk file would: code that reads
        // both loose and packed files must land on the same byte.
        std::int64_t base = 0;
        if (whence == SEEK_CUR)
            base = m_nPosition;
        else if (whence == SEEK_END)
            base = GetLength();
        const std::int64_t position = base + offset;
        m_nPosition = static_cast<std::uint32_t>(
            std::clamp<std::int64_t>(position, 0, std::numeric_limits<std::uint32_t>::max()));
        return;
    }
    if (m_pFile) std::fseek(m_pFile, offset, whence);
}

std::uint32_t CPakStream::Tell() const
{
    if (m_bInPak) return m_nPosition;
    if (m_pFile)
    {
        const long position = std::ftell(m_pFile);
        return position < 0 ? 0 : static_cast<std::uint32_t>(position);
    }
    return 0;
}

std::uint32_t CPakStream::GetLength() const
{
    if (m_bInPak && m_pEngine && m_nEntry >= 0) return m_pEngine->GetEntry(m_nEntry).size;
    if (m_pFile)
    {
        const long position = std::ftell(m_pFile);
        std::fseek(m_pFile, 0, SEEK_END);
        const long length = std::ftell(m_pFile);
        std::fseek(m_pFile, position, SEEK_SET);
        return length < 0 ? 0 : static_cast<std::uint32_t>(length);
    }
    return 0;
}

bool CPakStream::IsEOF() const
{
    if (m_bInPak) return m_nPosition >= GetLength();
    return m_pFile ? std::feof(m_pFile) != 0 : true;
}

const char* CPakStream::GetEntryName() const
{
    return m_bOpen ? m_Name.c_str() : "(no file open)";
}

// --- file system ------------------------------------------------------------

CPakFileSystem::~CPakFileSystem()
{
    Unmount();
}

namespace
{
std::string InCurrentDirectory(const char* path)
{
    if (path[0] == '/') return path;
    return plat::GetCurrentDirectory() + "\\" + path;
}

struct SPackRecord
{
    std::string path;
    std::uint32_t stamp; // DOS date << 16 | DOS time
};
} // namespace

int CPakFileSystem::Mount(const char* directory)
{
    XTRACE("CPakFileSystem::Mount");
    Unmount();
    const std::string pattern = InCurrentDirectory(directory) + "\\*.pak";
    std::vector<SPackRecord> records;
    plat::FindData data;
    if (plat::FindHandle search = plat::FindFirstFile(pattern.c_str(), &data))
    {
        do
        {
            if (data.attributes & plat::FILE_ATTRIBUTE_DIRECTORY) continue;
            std::uint16_t date = 0;
            std::uint16_t time = 0;
            if (!plat::FileTimeToDosDateTime(data.lastWriteTime, &date, &time)) date = time = 0;
            records.push_back(
                {std::string(directory) + "\\" + data.name, static_cast<std::uint32_t>(date) << 16 | time});
        } while (plat::FindNextFile(search, &data));
        plat::FindClose(search);
    }
    // Newest first; packs of equal time keep the order of the listing.
    std::stable_sort(records.begin(), records.end(),
                     [](const SPackRecord& a, const SPackRecord& b) { return a.stamp > b.stamp; });

    std::lock_guard<plat::CriticalSection> guard(m_lock);
    for (const SPackRecord& record : records)
    {
        auto reader = std::make_unique<ZREngine>();
        if (reader->Init(record.path.c_str()))
            g_ErrorLog.LogDebug("Pack %s mounted: %d files", record.path.c_str(), reader->GetFileCount());
        m_packs.push_back(std::move(reader));
    }
    return static_cast<int>(m_packs.size());
}

void CPakFileSystem::Unmount()
{
    std::lock_guard<plat::CriticalSection> guard(m_lock);
    m_current.clear();
    m_packs.clear();
}

bool CPakFileSystem::OpenStream(const char* path, CPakStream& stream) const
{
    stream.Close();
    {
        std::lock_guard<plat::CriticalSection> guard(m_lock);
        for (const auto& pack : m_packs)
        {
            const int entry = pack->FindFile(path);
            if (entry < 0) continue;
            stream.m_pEngine = pack.get();
            stream.m_nEntry = entry;
            stream.m_nPosition = 0;
            stream.m_bInPak = 1;
            stream.m_bOpen = 1;
            stream.m_Name = std::string(path) + " (pack " + pack->GetPath() + ")";
            return true;
        }
    }
    stream.m_pFile = plat::FOpen(path, "rb");
    stream.m_bOpen = stream.m_pFile ? 1 : 0;
    if (stream.m_bOpen) stream.m_Name = path;
    return stream.m_bOpen != 0;
}

CPakStream& CPakFileSystem::GetCurrent()
{
    std::lock_guard<plat::CriticalSection> guard(m_lock);
    std::unique_ptr<CPakStream>& current = m_current[plat::GetCurrentThreadId()];
    if (!current) current = std::make_unique<CPakStream>();
    return *current;
}

bool CPakFileSystem::Open(const char* path)
{
    return OpenStream(path, GetCurrent());
}

std::uint32_t CPakFileSystem::Read(void* buffer, std::uint32_t size)
{
    return GetCurrent().Read(buffer, size);
}

std::uint32_t CPakFileSystem::ReadBytes(void* buffer, std::uint32_t n)
{
    return GetCurrent().ReadBytes(buffer, n);
}

std::uint32_t CPakFileSystem::GetLength()
{
    return GetCurrent().GetLength();
}

void CPakFileSystem::Seek(std::int32_t offset, std::int32_t whence)
{
    GetCurrent().Seek(offset, whence);
}

void CPakFileSystem::Close()
{
    CPakStream& current = GetCurrent();
    // The selected entry stays selected: only the disk file is given up.
    if (current.m_pFile) current.Close();
}

CPakFileSystem& GetPakFileSystem()
{
    static CPakFileSystem fileSystem;
    return fileSystem;
}
