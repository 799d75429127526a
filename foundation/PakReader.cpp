#include "foundation/PakReader.h"

#include "foundation/ErrorLog.h"
#include "foundation/LogText.h"
#include "platform/CodePage.h"
#include "platform/File.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <stdexcept>

namespace
{
char g_szPakBaseDir[260] = "";

// A damaged pack: the message names the fault; Init adds the pack's path.
class CPakError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] __attribute__((format(printf, 1, 2))) void Fail(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    throw CPakError(text);
}

bool ReadExact(std::FILE* file, void* buffer, std::size_t size)
{
    return size == 0 || std::fread(buffer, size, 1, file) == 1;
}
} // namespace

void SetPakBaseDirectory(const char* directory)
{
    std::snprintf(g_szPakBaseDir, sizeof(g_szPakBaseDir), "%s", directory ? directory : "");
}

const char* GetPakBaseDirectory()
{
    return g_szPakBaseDir;
}

std::string MakePakKey(const char* path)
{
    std::string key = path ? path : "";
    for (char& c : key)
        c = c == '/' ? '\\' : plat::CharUpper1251(c);
    return key;
}

ZREngine::~ZREngine()
{
    Free();
}

void ZREngine::Free()
{
    std::lock_guard<plat::CriticalSection> guard(m_lock);
    if (m_pFile) std::fclose(m_pFile);
    m_pFile = nullptr;
    m_blocks.clear();
    m_files.clear();
    m_index.clear();
    m_cache.clear();
    m_cache.shrink_to_fit();
    m_cacheSlot.clear();
    m_raw.clear();
    m_raw.shrink_to_fit();
    m_codec.Free();
    m_nPrefetched = -1;
    m_nFilePos = kUnknownPos;
    m_nSelected = -1;
    m_nReadPosition = 0;
    m_header = SPakHeader{};
    m_nFileSize = 0;
}

bool ZREngine::Init(const char* packPath)
{
    XTRACE("ZREngine::Init");
    Free();
    std::lock_guard<plat::CriticalSection> guard(m_lock);
    m_path = packPath ? packPath : "";
    m_pFile = plat::FOpen(m_path.c_str(), "rb");
    if (!m_pFile) return false; // a pack that cannot be opened simply holds nothing
    // Blocks are read whole into their destination. Through a stdio buffer
    // the length prefix would pull in the block's first bytes and leave the
    // rest to be copied to a misaligned place, at half the speed.
    std::setvbuf(m_pFile, nullptr, _IONBF, 0);
    try
    {
        Load();
    }
    catch (const CPakError& error)
    {
        g_ErrorLog.LogError("Pack file '%s': %s; the pack is not used", m_path.c_str(), error.what());
        std::fclose(m_pFile);
        m_pFile = nullptr;
        m_blocks.clear();
        m_files.clear();
        m_index.clear();
        return false;
    }
    return true;
}

void ZREngine::Load()
{
    if (std::fseek(m_pFile, 0, SEEK_END) != 0) Fail("cannot seek to its end");
    const long end = std::ftell(m_pFile);
    if (end < 0) Fail("cannot tell its size");
    m_nFileSize = static_cast<std::uint64_t>(end);
    std::rewind(m_pFile);

    if (m_nFileSize < sizeof(SPakHeader))
        Fail("header truncated: the file has %llu bytes, the header needs %zu",
             static_cast<unsigned long long>(m_nFileSize), sizeof(SPakHeader));
    if (!ReadExact(m_pFile, &m_header, sizeof(m_header))) Fail("cannot read the header");
    if (std::memcmp(m_header.magic, kPakMagic, sizeof(kPakMagic)) != 0)
        Fail("bad magic \"%s\" (expected \"SGZR\")",
             EscapeForLog(std::string_view(m_header.magic, sizeof(m_header.magic))).c_str());
    if (m_header.blockSize == 0 || m_header.blockSize > kMaxBlockSize)
        Fail("block size %u out of range (1..%u)", m_header.blockSize, kMaxBlockSize);

    const std::uint64_t tables = sizeof(SPakHeader) + std::uint64_t{m_header.files} * sizeof(SPakFileEntry) +
                                 std::uint64_t{m_header.blocks} * sizeof(SPakBlockEntry);
    if (tables > m_nFileSize)
        Fail("a file table of %u entries and a block table of %u entries need %llu bytes, the file has %llu",
             m_header.files, m_header.blocks, static_cast<unsigned long long>(tables),
             static_cast<unsigned long long>(m_nFileSize));

    m_files.resize(m_header.files);
    m_blocks.resize(m_header.blocks);
    if (!ReadExact(m_pFile, m_files.data(), m_files.size() * sizeof(SPakFileEntry)))
        Fail("cannot read the file table");
    if (!ReadExact(m_pFile, m_blocks.data(), m_blocks.size() * sizeof(SPakBlockEntry)))
        Fail("cannot read the block table");

    const std::uint64_t stream = GetStreamSize();
    m_index.reserve(m_files.size());
    for (std::size_t i = 0; i < m_files.size(); ++i)
    {
        const SPakFileEntry& entry = m_files[i];
        if (std::memchr(entry.name, 0, sizeof(entry.name)) == nullptr)
            Fail("file entry %zu: name not terminated within %d bytes", i, SPakFileEntry::kNameSize);
        if (std::uint64_t{entry.offset} + entry.size > stream)
            Fail("file entry %zu \"%s\": bytes %u..%llu lie past the unpacked stream (%u blocks of %u bytes)",
                 i, entry.name, entry.offset,
                 static_cast<unsigned long long>(std::uint64_t{entry.offset} + entry.size), m_header.blocks,
                 m_header.blockSize);
        m_index.emplace(MakePakKey(entry.name), static_cast<int>(i)); // keeps the first of equal names
    }
    for (std::size_t i = 0; i < m_blocks.size(); ++i)
    {
        if (std::uint64_t{m_blocks[i].fileOffset} + 4 > m_nFileSize)
            Fail("block %zu: record offset %u lies past the end of the file (%llu bytes)", i,
                 m_blocks[i].fileOffset, static_cast<unsigned long long>(m_nFileSize));
    }

    m_codec.Init(m_header.blockSize);
    // 4 bytes of room after a record's data for the next record's length.
    m_cache.clear();
    m_cacheSlot.clear();
    m_nCacheCapacity = std::max<std::size_t>(2, kCacheBytes / m_header.blockSize);
    m_raw.resize(std::size_t{m_codec.GetMaxEncodedLength()} + 4);
    m_nPrefetched = -1;
    m_nFilePos = kUnknownPos;
}

std::uint64_t ZREngine::GetStreamSize() const
{
    return std::uint64_t{m_header.blocks} * m_header.blockSize;
}

int ZREngine::FindFile(const char* path) const
{
    if (!path || m_index.empty()) return -1;
    std::string key = MakePakKey(path);
    // Callers pass full paths that start with the base directory; a path
    // that does not is looked up as it is.
    const std::string base = MakePakKey(g_szPakBaseDir);
    if (!base.empty() && key.compare(0, base.size(), base) == 0) key.erase(0, base.size());
    const auto found = m_index.find(key);
    return found == m_index.end() ? -1 : found->second;
}

std::int64_t ZREngine::GetFileSize(const char* path) const
{
    const int entry = FindFile(path);
    return entry < 0 ? -1 : std::int64_t{m_files[static_cast<std::size_t>(entry)].size};
}

void ZREngine::LogBlockError(std::uint32_t block, const char* format, ...)
{
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    const std::uint32_t offset = block < m_blocks.size() ? m_blocks[block].fileOffset : 0;
    if (m_nReadingEntry >= 0)
        g_ErrorLog.LogError("Pack file '%s': file '%s' is damaged: block %u (record at offset %u): %s",
                            m_path.c_str(), m_files[static_cast<std::size_t>(m_nReadingEntry)].name, block,
                            offset, text);
    else
        g_ErrorLog.LogError("Pack file '%s': block %u (record at offset %u): %s", m_path.c_str(), block, offset,
                            text);
}

bool ZREngine::ReadRecordLength(std::uint32_t block, std::uint32_t& length)
{
    if (m_nPrefetched == block)
    {
        // The previous record's read brought this length along and left the
        // file at this record's data.
        length = m_nPrefetchedLength;
        m_nPrefetched = -1;
        return true;
    }
    m_nPrefetched = -1;
    const std::uint64_t at = m_blocks[block].fileOffset;
    if (m_nFilePos != at && std::fseek(m_pFile, static_cast<long>(at), SEEK_SET) != 0)
    {
        m_nFilePos = kUnknownPos;
        return false;
    }
    if (!ReadExact(m_pFile, &length, sizeof(length)))
    {
        m_nFilePos = kUnknownPos;
        return false;
    }
    m_nFilePos = at + 4;
    return true;
}

bool ZREngine::ReadRecordData(std::uint32_t block, std::uint32_t length, std::uint8_t* out, bool room)
{
    // Packs are read block after block: when the next record follows at
    // once, its length comes with this read into the 4 bytes of room after
    // the data, saving a seek and a read for every block.
    const std::uint64_t end = std::uint64_t{m_blocks[block].fileOffset} + 4 + length;
    const bool peek = room && block + 1 < m_blocks.size() && m_blocks[block + 1].fileOffset == end &&
                      end + 4 <= m_nFileSize;
    if (!ReadExact(m_pFile, out, length + (peek ? 4u : 0u)))
    {
        m_nFilePos = kUnknownPos;
        return false;
    }
    m_nFilePos = end;
    if (peek)
    {
        std::memcpy(&m_nPrefetchedLength, out + length, 4);
        m_nPrefetched = block + 1;
        m_nFilePos = end + 4;
    }
    return true;
}

bool ZREngine::DecodeBlockInto(std::uint32_t block, std::uint8_t* out, bool room)
{
    if (!m_pFile || block >= m_blocks.size()) return false;
    const SPakBlockEntry& entry = m_blocks[block];
    std::uint32_t length = 0;
    if (!ReadRecordLength(block, length))
    {
        LogBlockError(block, "cannot read the record length");
        return false;
    }
    if (std::uint64_t{entry.fileOffset} + 4 + length > m_nFileSize)
    {
        LogBlockError(block, "record of %u bytes runs past the end of the file", length);
        return false;
    }
    const std::uint32_t blockSize = m_header.blockSize;
    if (entry.method == CPackCodec::kLzo || entry.method == CPackCodec::kRle16)
    {
        if (length > m_raw.size() - 4)
        {
            LogBlockError(block, "encoded length %u exceeds the limit %zu", length, m_raw.size() - 4);
            return false;
        }
        if (!ReadRecordData(block, length, m_raw.data(), true))
        {
            LogBlockError(block, "cannot read %u bytes", length);
            return false;
        }
        if (!m_codec.Decode(entry.method, m_raw.data(), length, out))
        {
            LogBlockError(block, "method %u data does not decode to %u bytes", entry.method, blockSize);
            return false;
        }
    }
    else
    {
        // Stored (and unknown codes, which the format stores as they are):
        // straight into the destination, no copy through the raw buffer.
        if (length > blockSize)
        {
            LogBlockError(block, "stored length %u exceeds the block size %u", length, blockSize);
            return false;
        }
        if (!ReadRecordData(block, length, out, room))
        {
            LogBlockError(block, "cannot read %u bytes", length);
            return false;
        }
        std::memset(out + length, 0, blockSize - length);
    }
    // A damaged code stream can decode to plausible bytes, so decoded blocks
    // are always summed. Stored blocks are read like loose files, at the
    // speed of the copy, unless the user asks for the check (the tools do).
    const bool decoded = entry.method == CPackCodec::kLzo || entry.method == CPackCodec::kRle16;
    if (!decoded && !m_bVerifyStored) return true;
    const std::uint32_t sum = m_codec.Checksum(out);
    if (sum != entry.checksum)
    {
        LogBlockError(block, "checksum %08X differs from the stored %08X", sum, entry.checksum);
        return false;
    }
    return true;
}

const std::uint8_t* ZREngine::LoadBlockLocked(std::uint32_t block)
{
    const auto found = m_cacheSlot.find(block);
    if (found != m_cacheSlot.end())
    {
        SCachedBlock& cached = m_cache[found->second];
        cached.lastUse = ++m_nUseClock;
        return cached.data.data();
    }
    // A new slot while the budget allows, else the least recently used.
    std::size_t slot = m_cache.size();
    if (slot < m_nCacheCapacity)
    {
        m_cache.emplace_back();
        m_cache.back().data.resize(std::size_t{m_header.blockSize} + 4);
    }
    else
    {
        slot = 0;
        for (std::size_t i = 1; i < m_cache.size(); ++i)
            if (m_cache[i].lastUse < m_cache[slot].lastUse) slot = i;
        m_cacheSlot.erase(m_cache[slot].block);
    }
    SCachedBlock& cached = m_cache[slot];
    if (!DecodeBlockInto(block, cached.data.data(), true))
    {
        // The slot holds no block now: it is the first to be taken again.
        cached.lastUse = 0;
        cached.block = ~0u;
        return nullptr;
    }
    cached.block = block;
    cached.lastUse = ++m_nUseClock;
    m_cacheSlot[block] = slot;
    return cached.data.data();
}

bool ZREngine::LoadBlock(std::int32_t block)
{
    std::lock_guard<plat::CriticalSection> guard(m_lock);
    return block >= 0 && LoadBlockLocked(static_cast<std::uint32_t>(block)) != nullptr;
}

void ZREngine::SetCacheCapacity(std::size_t blocks)
{
    std::lock_guard<plat::CriticalSection> guard(m_lock);
    m_nCacheCapacity = std::max<std::size_t>(1, blocks);
    m_cache.clear();
    m_cacheSlot.clear();
}

std::size_t ZREngine::GetCacheBytes() const
{
    std::lock_guard<plat::CriticalSection> guard(m_lock);
    std::size_t bytes = 0;
    for (const SCachedBlock& cached : m_cache) bytes += cached.data.capacity();
    return bytes;
}

std::uint32_t ZREngine::ReadAt(int entry, std::uint64_t position, void* buffer, std::uint32_t size,
                               bool clipToEntry)
{
    if (entry < 0 || static_cast<std::size_t>(entry) >= m_files.size() || size == 0) return 0;
    const SPakFileEntry& file = m_files[static_cast<std::size_t>(entry)];
    const std::uint64_t begin = file.offset + position;
    const std::uint64_t limit = clipToEntry ? std::uint64_t{file.offset} + file.size : GetStreamSize();
    if (begin >= limit) return 0;
    const std::uint32_t n = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, limit - begin));

    std::lock_guard<plat::CriticalSection> guard(m_lock);
    m_nReadingEntry = entry;
    auto* out = static_cast<std::uint8_t*>(buffer);
    const std::uint32_t blockSize = m_header.blockSize;
    std::uint32_t copied = 0;
    while (copied < n)
    {
        const std::uint64_t at = begin + copied;
        const std::uint32_t block = static_cast<std::uint32_t>(at / blockSize);
        const std::uint32_t within = static_cast<std::uint32_t>(at % blockSize);
        const std::uint32_t chunk = std::min(blockSize - within, n - copied);
        if (chunk == blockSize && !IsCached(block))
        {
            // A whole block is wanted: decode it where it belongs and leave
            // the cache to the partial reads. With 4 more bytes wanted after
            // it, the next record's length may land there before the next
            // chunk overwrites them.
            if (!DecodeBlockInto(block, out + copied, n - copied - chunk >= 4)) break;
        }
        else
        {
            const std::uint8_t* data = LoadBlockLocked(block);
            if (!data) break;
            std::memcpy(out + copied, data + within, chunk);
        }
        copied += chunk;
    }
    m_nReadingEntry = -1;
    return copied;
}

bool ZREngine::OpenFile(const char* path)
{
    const int entry = FindFile(path);
    std::lock_guard<plat::CriticalSection> guard(m_lock);
    m_nSelected = entry;
    m_nReadPosition = 0;
    return entry >= 0;
}

std::uint32_t ZREngine::ReadFile(void* buffer, std::int32_t size)
{
    std::lock_guard<plat::CriticalSection> guard(m_lock);
    if (size <= 0) return 0;
    const std::uint32_t copied =
        ReadAt(m_nSelected, m_nReadPosition, buffer, static_cast<std::uint32_t>(size), false);
    m_nReadPosition += copied;
    return copied;
}

std::uint32_t ZREngine::ReadBytes(void* buffer, std::int32_t n)
{
    std::lock_guard<plat::CriticalSection> guard(m_lock);
    if (n <= 0) return 0;
    const std::uint32_t copied =
        ReadAt(m_nSelected, m_nReadPosition, buffer, static_cast<std::uint32_t>(n), true);
    m_nReadPosition += copied;
    return copied;
}

bool ZREngine::ReadWholeFile(const char* path, std::uint8_t* buffer)
{
    const int entry = FindFile(path);
    if (entry < 0) return false;
    const std::uint32_t size = m_files[static_cast<std::size_t>(entry)].size;
    return ReadAt(entry, 0, buffer, size, true) == size;
}
