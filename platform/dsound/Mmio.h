// Reading RIFF files in the manner of the Windows multimedia file functions
// (mmio): open, buffered read and seek, descending into and ascending out of
// chunks, and direct access to the I/O buffer (GetInfo, Advance, SetInfo).
// Read-only: the engine only reads wave files this way.
//
// Chunks: Descend reads the 8-byte header {fourcc id, u32 size} (plus the
// 4-byte form type of "RIFF" and "LIST" chunks) at the current position and
// leaves the position at the chunk's data; with MMIO_FINDCHUNK/FINDRIFF/
// FINDLIST it skips chunks (sizes padded to even) until the wanted one, never
// past the parent's end or the file's end. Sizes are taken as the file says;
// a caller that allocates by a chunk size compares it with the file's size
// first (MmioSeek(h, 0, SEEK_END) gives it).
//
// Buffered I/O: with MMIO_ALLOCBUF the file has an 8 KB buffer. GetInfo
// shows it (next .. endRead are the bytes not yet consumed); the caller
// consumes by moving next, calls Advance to refill the buffer from the file
// position next stands for (an empty buffer after Advance means end of
// file), and gives the position back with SetInfo.
//
// Threads: a handle belongs to one thread at a time.
#pragma once

#include <cstdint>

namespace plat
{

using FourCC = std::uint32_t;
constexpr FourCC MakeFourCC(char a, char b, char c, char d)
{
    return static_cast<FourCC>(static_cast<std::uint8_t>(a)) |
           (static_cast<FourCC>(static_cast<std::uint8_t>(b)) << 8) |
           (static_cast<FourCC>(static_cast<std::uint8_t>(c)) << 16) |
           (static_cast<FourCC>(static_cast<std::uint8_t>(d)) << 24);
}
constexpr FourCC FOURCC_RIFF = MakeFourCC('R', 'I', 'F', 'F');
constexpr FourCC FOURCC_LIST = MakeFourCC('L', 'I', 'S', 'T');

// Open flags and Descend/Advance flags.
constexpr std::uint32_t MMIO_READ = 0x00000000;
constexpr std::uint32_t MMIO_WRITE = 0x00000001;
constexpr std::uint32_t MMIO_ALLOCBUF = 0x00010000;
constexpr std::uint32_t MMIO_FINDCHUNK = 0x0010;
constexpr std::uint32_t MMIO_FINDRIFF = 0x0020;
constexpr std::uint32_t MMIO_FINDLIST = 0x0040;
constexpr std::int32_t MMIO_DEFAULTBUFFER = 8192;

// Results.
constexpr std::uint32_t MMSYSERR_NOERROR = 0;
constexpr std::uint32_t MMSYSERR_INVALPARAM = 11;
constexpr std::uint32_t MMIOERR_FILENOTFOUND = 257;
constexpr std::uint32_t MMIOERR_CANNOTOPEN = 259;
constexpr std::uint32_t MMIOERR_CANNOTREAD = 261;
constexpr std::uint32_t MMIOERR_CANNOTSEEK = 263;
constexpr std::uint32_t MMIOERR_CHUNKNOTFOUND = 265;
constexpr std::uint32_t MMIOERR_UNBUFFERED = 266;

struct MmChunkInfo
{
    FourCC ckid = 0;
    std::uint32_t cksize = 0;
    FourCC fccType = 0;           // "RIFF" and "LIST" chunks
    std::uint32_t dataOffset = 0; // file offset of the chunk's data (after ckid and cksize)
    std::uint32_t flags = 0;
};

struct MmioInfo
{
    std::uint32_t flags = 0;
    std::uint32_t error = 0; // MmioOpen's failure reason
    std::int32_t bufferSize = 0;
    char* buffer = nullptr;
    char* next = nullptr;              // next byte to read
    char* endRead = nullptr;           // one past the last valid byte
    std::int32_t bufferDiskOffset = 0; // file offset of buffer[0]
};

class MmioFile;
using MmioHandle = MmioFile*;

// path goes through the platform's path resolver. Read only: MMIO_WRITE is
// refused. info (optional) receives the failure reason. Null on failure.
MmioHandle MmioOpen(const char* path, MmioInfo* info, std::uint32_t flags);
std::uint32_t MmioClose(MmioHandle handle, std::uint32_t flags);
// Bytes read (0 at the end of the file), -1 on error.
std::int32_t MmioRead(MmioHandle handle, char* buffer, std::int32_t size);
// origin: SEEK_SET, SEEK_CUR or SEEK_END. The new position, or -1.
std::int32_t MmioSeek(MmioHandle handle, std::int32_t offset, int origin);
std::uint32_t MmioDescend(MmioHandle handle, MmChunkInfo* chunk, const MmChunkInfo* parent,
                          std::uint32_t flags);
std::uint32_t MmioAscend(MmioHandle handle, MmChunkInfo* chunk, std::uint32_t flags);
std::uint32_t MmioGetInfo(MmioHandle handle, MmioInfo* info, std::uint32_t flags);
std::uint32_t MmioSetInfo(MmioHandle handle, const MmioInfo* info, std::uint32_t flags);
std::uint32_t MmioAdvance(MmioHandle handle, MmioInfo* info, std::uint32_t flags);

} // namespace plat
