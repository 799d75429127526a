// ZREngine: the reader of one pack file (PakFormat.h).
//
// Init loads and checks the header, the file table and the block table;
// the pack file stays open for reading blocks. Every count, offset and
// length is checked against the file's size before it is used: a damaged
// pack gets one error line naming the pack, the record and the fault, and
// the reader is left with no entries. A block that turns out damaged when it
// is read (bad record length, undecodable data, checksum mismatch of a
// decoded block, or of a stored one when m_bVerifyStored is set) gets one
// error line and ends the read short.
//
// Entry names are kept as stored (GetEntry) and, for lookups, upper-cased in
// code page 1251 with '/' taken as '\'. A lookup path that starts with the
// base directory (SetPakBaseDirectory) has that prefix dropped first.
//
// Reads: ReadAt reads any entry at any position and is what the file system
// and the file handles use, each keeping its own entry and position. The
// reader also keeps one selected entry and read position of its own
// (OpenFile, ReadFile, ReadBytes) for simple single users such as the pack
// tools. ReadFile and ReadAt without clipping run on past the end of the
// entry into the following bytes of the unpacked stream, but never past the
// stream's last block; ReadBytes and clipped reads stop at the entry's end.
//
// Decoded blocks are kept in a least-recently-used cache of at most
// kCacheBytes (at least two blocks), so that small reads scattered over a
// pack decode each block once rather than once per read. A read of a whole
// block goes straight to the caller's buffer and leaves the cache alone.
//
// Threads: after Init the tables are read-only, so FindFile and GetEntry
// need no lock. Block reads, the block cache and the selected entry are
// guarded by the reader's lock, so loader threads may read concurrently.
// Init and Free must not run while others read.
#pragma once

#include "foundation/PackCodec.h"
#include "foundation/PakFormat.h"
#include "platform/Thread.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

// The base directory that lookups drop from the front of a path (the
// working directory followed by '\', set by the resource database at
// start-up; empty for the tools).
void SetPakBaseDirectory(const char* directory);
const char* GetPakBaseDirectory();

class ZREngine
{
public:
    // Larger blocks are refused as damage rather than allocated.
    static constexpr std::uint32_t kMaxBlockSize = 16u << 20;
    // The decoded-block cache's budget.
    static constexpr std::size_t kCacheBytes = 4u << 20;

    ZREngine() = default;
    virtual ~ZREngine();
    ZREngine(const ZREngine&) = delete;
    ZREngine& operator=(const ZREngine&) = delete;

    // Opens and checks a pack. False (reader empty) when it cannot be opened
    // (nothing logged) or is damaged (one error line).
    bool Init(const char* packPath);
    void Free();
    bool IsOpen() const { return m_pFile != nullptr; }
    const std::string& GetPath() const { return m_path; }

    // Entry index of a path, or -1.
    int FindFile(const char* path) const;
    // Entry size, or -1 when the pack does not hold the path.
    std::int64_t GetFileSize(const char* path) const;
    int GetFileCount() const { return static_cast<int>(m_files.size()); }
    const SPakFileEntry& GetEntry(int index) const { return m_files[static_cast<std::size_t>(index)]; }
    const SPakHeader& GetHeader() const { return m_header; }
    std::uint32_t GetBlockSize() const { return m_header.blockSize; }
    std::uint32_t GetBlockCount() const { return static_cast<std::uint32_t>(m_blocks.size()); }
    const SPakBlockEntry& GetBlock(std::uint32_t index) const { return m_blocks[index]; }
    // Bytes of the unpacked stream covered by blocks (blocks x block size).
    std::uint64_t GetStreamSize() const;

    // Copies up to size bytes of an entry from position; returns the count
    // copied: fewer at the stream's end (or the entry's end when clipped) and
    // when a damaged block stops the read.
    std::uint32_t ReadAt(int entry, std::uint64_t position, void* buffer, std::uint32_t size,
                         bool clipToEntry);

    // Selects an entry; position 0. False when the pack does not hold it.
    bool OpenFile(const char* path);
    // From the selected entry's read position, which advances by the count.
    std::uint32_t ReadFile(void* buffer, std::int32_t size);
    std::uint32_t ReadBytes(void* buffer, std::int32_t n);
    // A whole entry into a buffer of at least its size; position untouched.
    bool ReadWholeFile(const char* path, std::uint8_t* buffer);
    // Puts a block into the cache; false when it is damaged.
    bool LoadBlock(std::int32_t block);
    // Memory the decoded-block cache holds now (its buffers).
    std::size_t GetCacheBytes() const;
    // Blocks the cache may hold: kCacheBytes' worth from Init on; tests set
    // fewer to watch the eviction.
    std::size_t GetCacheCapacity() const { return m_nCacheCapacity; }
    void SetCacheCapacity(std::size_t blocks);

    std::int32_t m_nSelected = -1;
    std::uint32_t m_nReadPosition = 0;
    // Compressed blocks are always checked against their checksum; stored
    // blocks only when this is set (a sum over every byte read costs a
    // fifth of the read's speed).
    bool m_bVerifyStored = false;

private:
    void Load();
    // Decodes a block into out (blockSize bytes; room: 4 more may be written).
    bool DecodeBlockInto(std::uint32_t block, std::uint8_t* out, bool room);
    bool ReadRecordLength(std::uint32_t block, std::uint32_t& length);
    bool ReadRecordData(std::uint32_t block, std::uint32_t length, std::uint8_t* out, bool room);
    // The cached block's bytes (decoding it first when it is not cached);
    // null when it is damaged.
    const std::uint8_t* LoadBlockLocked(std::uint32_t block);
    bool IsCached(std::uint32_t block) const { return m_cacheSlot.count(block) != 0; }
    void LogBlockError(std::uint32_t block, const char* format, ...) __attribute__((format(printf, 3, 4)));

    std::vector<SPakBlockEntry> m_blocks;
    std::FILE* m_pFile = nullptr;
    struct SCachedBlock
    {
        std::uint32_t block = 0;
        std::uint64_t lastUse = 0;
        std::vector<std::uint8_t> data; // blockSize + 4 bytes
    };
    std::vector<SCachedBlock> m_cache;                      // at most m_nCacheCapacity
    std::unordered_map<std::uint32_t, std::size_t> m_cacheSlot; // block -> index in m_cache
    std::size_t m_nCacheCapacity = 0;
    std::uint64_t m_nUseClock = 0;
    std::vector<std::uint8_t> m_raw;
    // Where the file stands, and the length of the record read ahead.
    static constexpr std::uint64_t kUnknownPos = ~std::uint64_t{0};
    std::uint64_t m_nFilePos = kUnknownPos;
    std::int64_t m_nPrefetched = -1;
    std::uint32_t m_nPrefetchedLength = 0;
    CPackCodec m_codec;
    std::vector<SPakFileEntry> m_files;
    std::unordered_map<std::string, int> m_index; // upper-cased name -> first entry
    SPakHeader m_header{};
    std::uint64_t m_nFileSize = 0;
    std::string m_path;
    // The entry ReadAt reads, named in block errors (-1: none).
    int m_nReadingEntry = -1;
    mutable plat::CriticalSection m_lock;
};

// The lookup form of a path: upper-cased in code page 1251, '/' as '\'.
std::string MakePakKey(const char* path);
