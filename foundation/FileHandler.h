// File handles: IFileHandler and its two implementations.
//
// StdFile is a plain stdio file, for reading and writing. CFileHandler reads
// a file from the mounted packs first and from the disk otherwise (through a
// CPakStream, PakFileSystem.h); it cannot write. Both are created by the
// file manager (FileManager.h), which callers use to open and close them.
//
// Results: Read and Write return the item count, 1 when all size bytes were
// moved and 0 otherwise. Seek: whence 0 from the start, 1 from the current
// position, 2 from the end, for disk files and pack entries alike.
// A length-prefixed block is a u32 byte count followed by the bytes;
// ReadStream checks the count against the bytes left in the file before
// allocating, and a count that does not fit gets one error line naming the
// file and offset and a false result.
//
// Ownership: a handle owns its FILE*, never a pack reader. Threads: a
// handle belongs to one thread at a time; handles on the same pack may be
// used on different threads (each keeps its own entry and position).
#pragma once

#include "foundation/ClassFactory.h"
#include "foundation/MemStream.h"
#include "foundation/PakFileSystem.h"

#include <cstdint>
#include <cstdio>
#include <string>

class IFileHandler : public IBaseInterface
{
public:
    CGuidKey GetGUID() const override; // "IGUID_IFileHandler"
    virtual bool Open(const char* path, bool readOnly) = 0;
    virtual bool Close() = 0;
    virtual bool Seek(std::int32_t offset, std::int32_t whence) = 0;
    virtual std::uint32_t Read(void* buffer, std::uint32_t size) = 0;
    virtual std::uint32_t Write(const void* buffer, std::uint32_t size) = 0;
    virtual std::uint32_t Tell() = 0;
    virtual std::uint32_t GetLength() = 0;
    virtual bool IsEOF() = 0;
    // Writes the stream's position as a u32, then that many of its bytes.
    virtual bool WriteStream(const CMemStream& stream) = 0;
    // Reads a block into the start of the stream's data, replacing the
    // buffer by one of exactly count bytes when it is smaller. The stream's
    // position is left as it was (callers set it).
    virtual bool ReadStream(CMemStream& stream) = 0;

protected:
    // The shared length check and read of ReadStream.
    bool ReadBlock(CMemStream& stream, const char* path);
};

class StdFile : public IFileHandler
{
public:
    StdFile() = default;
    ~StdFile() override;
    std::uint32_t GetSize() const override { return sizeof(*this); }

    // readOnly: "rb". Otherwise an existing file is opened for update
    // ("rb+", contents kept) and a missing one created ("wb").
    bool Open(const char* path, bool readOnly) override;
    // A new empty file for writing; an existing one is truncated.
    bool Create(const char* path);
    bool Close() override;
    bool Seek(std::int32_t offset, std::int32_t whence) override;
    std::uint32_t Read(void* buffer, std::uint32_t size) override;
    std::uint32_t Write(const void* buffer, std::uint32_t size) override;
    std::uint32_t Tell() override;
    std::uint32_t GetLength() override;
    bool IsEOF() override;
    bool WriteStream(const CMemStream& stream) override;
    bool ReadStream(CMemStream& stream) override;

    std::FILE* m_pFile = nullptr;
    std::string m_path;
};

class CFileHandler : public IFileHandler
{
public:
    CFileHandler() = default;
    ~CFileHandler() override = default;
    std::uint32_t GetSize() const override { return sizeof(*this); }

    // Reading only: the first mounted pack that holds path, else the disk.
    bool Open(const char* path, bool readOnly) override;
    bool Close() override;
    bool Seek(std::int32_t offset, std::int32_t whence) override;
    std::uint32_t Read(void* buffer, std::uint32_t size) override;
    std::uint32_t Write(const void*, std::uint32_t) override { return 0; }
    std::uint32_t Tell() override { return m_Stream.Tell(); }
    std::uint32_t GetLength() override { return m_Stream.GetLength(); }
    // True at the end of a pack entry, so a scan to the end of the file ends
    // inside a pack as it does on the disk.
    bool IsEOF() override { return m_Stream.IsEOF(); }
    bool WriteStream(const CMemStream&) override { return false; }
    bool ReadStream(CMemStream& stream) override;

    CPakStream m_Stream;
    std::string m_path;
};
