// CPakFileSystem: the mounted pack files and the pack-aware file reader;
// CPakStream: one open file, a pack entry or a disk file.
//
// Mount opens every "*.pak" of a directory, newest first by last-write
// time (equal times keep the directory's order), so a file that several
// packs hold is read from the newest. A path is looked up in the packs in
// that order and, when none holds it, opened from the disk.
//
// CPakStream keeps its own entry and read position: streams open on files
// of the same pack do not disturb each other. A pack stream seeks like a
// disk file (whence 0 start, 1 current, 2 end of the entry); positions stay
// within 0..2^32-1. Read returns size for a pack entry read in full and 0
// for one cut short (end of the stream or a damaged block); for a disk file
// it returns fread's item count, 1 or 0.
//
// The one-file reader (Open, Read, ReadBytes, GetLength, Seek, Close) keeps
// one current file per thread, so the loader threads each read their own.
//
// Threads: Mount and Unmount run on the main thread while nobody reads (at
// start-up and shutdown). Everything else may be called from any thread;
// the readers lock their blocks (PakReader.h). A stream belongs to one
// thread at a time. Streams refer to the mounted readers and must be closed
// before Unmount.
#pragma once

#include "foundation/PakReader.h"
#include "platform/Thread.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class CPakStream
{
public:
    CPakStream() = default;
    // Closes a disk file that is still open.
    virtual ~CPakStream();
    CPakStream(const CPakStream&) = delete;
    CPakStream& operator=(const CPakStream&) = delete;

    // Closes the disk file, if any, and marks the stream closed.
    void Close();
    std::uint32_t Read(void* buffer, std::uint32_t size);
    // Up to n bytes, stopping at the end of the file; the count read.
    std::uint32_t ReadBytes(void* buffer, std::uint32_t n);
    void Seek(std::int32_t offset, std::int32_t whence);
    std::uint32_t Tell() const;
    std::uint32_t GetLength() const;
    // Pack entry: the position has reached the entry's size. Disk file: the
    // stdio end-of-file indicator (set once a read tried to pass the end).
    bool IsEOF() const;
    bool IsOpen() const { return m_bOpen != 0; }
    bool IsInPak() const { return m_bInPak != 0; }
    // What the stream reads, for messages: the path it was opened with, and
    // for a pack entry the pack that holds it ("path (pack Data\x.pak)").
    const char* GetEntryName() const;

    ZREngine* m_pEngine = nullptr; // not owned
    std::FILE* m_pFile = nullptr;  // owned
    std::uint8_t m_bOpen = 0;
    std::uint8_t m_bInPak = 0;
    std::int32_t m_nEntry = -1;
    std::uint32_t m_nPosition = 0;
    std::string m_Name; // GetEntryName's text
};

class CPakFileSystem
{
public:
    CPakFileSystem() = default;
    virtual ~CPakFileSystem();
    CPakFileSystem(const CPakFileSystem&) = delete;
    CPakFileSystem& operator=(const CPakFileSystem&) = delete;

    // Replaces the mounted packs by those of directory (relative to the
    // current directory unless it starts with '/'); the number mounted.
    int Mount(const char* directory);
    // Closes the current files and destroys all readers.
    void Unmount();
    int GetPackCount() const { return static_cast<int>(m_packs.size()); }
    ZREngine* GetPack(int index) const { return m_packs[static_cast<std::size_t>(index)].get(); }

    // Opens path into stream: from the first pack that holds it, else from
    // the disk ("rb"). Closes what the stream had open first. False when
    // neither has it.
    bool OpenStream(const char* path, CPakStream& stream) const;

    // The one-file reader of the calling thread. Open closes the thread's
    // previous disk file.
    bool Open(const char* path);
    std::uint32_t Read(void* buffer, std::uint32_t size);
    std::uint32_t ReadBytes(void* buffer, std::uint32_t n);
    std::uint32_t GetLength();
    void Seek(std::int32_t offset, std::int32_t whence);
    // Closes the calling thread's disk file; the mounted packs stay.
    void Close();
    CPakStream& GetCurrent();

private:
    mutable plat::CriticalSection m_lock;
    std::vector<std::unique_ptr<ZREngine>> m_packs;
    std::unordered_map<std::uint32_t, std::unique_ptr<CPakStream>> m_current; // by thread id
};

// The program-wide pack file system that the file manager mounts "Data" in.
CPakFileSystem& GetPakFileSystem();
