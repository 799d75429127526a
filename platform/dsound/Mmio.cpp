// RIFF reading over stdio with one read buffer per file.

#include "platform/dsound/Mmio.h"

#include "platform/File.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace plat
{

class MmioFile
{
public:
    std::FILE* file = nullptr;
    bool allocBuf = false;
    std::vector<char> buffer;
    std::int64_t bufferOffset = 0; // file offset of buffer[0]
    std::size_t valid = 0;         // bytes of buffer read from the file
    std::size_t pos = 0;           // next byte in buffer

    std::int64_t Tell() const { return bufferOffset + static_cast<std::int64_t>(pos); }

    // Fills the buffer from the file starting at offset.
    bool Fill(std::int64_t offset)
    {
        bufferOffset = offset;
        pos = 0;
        valid = 0;
        if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0) return false;
        valid = std::fread(buffer.data(), 1, buffer.size(), file);
        return !std::ferror(file);
    }

    std::int32_t Read(char* out, std::int32_t size)
    {
        std::int32_t done = 0;
        while (done < size)
        {
            if (pos >= valid)
            {
                if (!Fill(Tell())) return -1;
                if (valid == 0) break;
            }
            const std::size_t n = std::min(valid - pos, static_cast<std::size_t>(size - done));
            std::memcpy(out + done, buffer.data() + pos, n);
            pos += n;
            done += static_cast<std::int32_t>(n);
        }
        return done;
    }

    std::int64_t Size()
    {
        if (std::fseek(file, 0, SEEK_END) != 0) return -1;
        return std::ftell(file);
    }

    bool SeekTo(std::int64_t target)
    {
        if (target < 0 || target > 0x7FFFFFFF) return false;
        if (target >= bufferOffset && target <= bufferOffset + static_cast<std::int64_t>(valid))
        {
            pos = static_cast<std::size_t>(target - bufferOffset);
            return true;
        }
        // Read lazily from there.
        bufferOffset = target;
        pos = 0;
        valid = 0;
        return true;
    }
};

namespace
{

std::uint32_t ReadU32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

} // namespace

MmioHandle MmioOpen(const char* path, MmioInfo* info, std::uint32_t flags)
{
    if (info) info->error = MMSYSERR_NOERROR;
    auto fail = [&](std::uint32_t error) -> MmioHandle
    {
        if (info) info->error = error;
        return nullptr;
    };
    if (!path || (flags & MMIO_WRITE)) return fail(MMSYSERR_INVALPARAM);
    std::FILE* file = plat::FOpen(path, "rb");
    if (!file) return fail(plat::FileExists(path) ? MMIOERR_CANNOTOPEN : MMIOERR_FILENOTFOUND);
    auto* handle = new MmioFile;
    handle->file = file;
    handle->allocBuf = (flags & MMIO_ALLOCBUF) != 0;
    handle->buffer.resize(MMIO_DEFAULTBUFFER);
    return handle;
}

std::uint32_t MmioClose(MmioHandle handle, std::uint32_t)
{
    if (!handle) return MMSYSERR_INVALPARAM;
    std::fclose(handle->file);
    delete handle;
    return MMSYSERR_NOERROR;
}

std::int32_t MmioRead(MmioHandle handle, char* buffer, std::int32_t size)
{
    if (!handle || !buffer || size < 0) return -1;
    return handle->Read(buffer, size);
}

std::int32_t MmioSeek(MmioHandle handle, std::int32_t offset, int origin)
{
    if (!handle) return -1;
    std::int64_t base = 0;
    if (origin == SEEK_CUR)
        base = handle->Tell();
    else if (origin == SEEK_END)
    {
        const std::int64_t here = handle->Tell();
        base = handle->Size();
        // Size moved the stdio position only; the buffer still stands for
        // what it held.
        handle->SeekTo(here);
        if (base < 0) return -1;
    }
    else if (origin != SEEK_SET)
        return -1;
    const std::int64_t target = base + offset;
    if (!handle->SeekTo(target)) return -1;
    return static_cast<std::int32_t>(target);
}

std::uint32_t MmioDescend(MmioHandle handle, MmChunkInfo* chunk, const MmChunkInfo* parent,
                          std::uint32_t flags)
{
    if (!handle || !chunk) return MMSYSERR_INVALPARAM;
    const FourCC wantedId = chunk->ckid;
    const FourCC wantedType = chunk->fccType;
    const std::int64_t end =
        parent ? static_cast<std::int64_t>(parent->dataOffset) + parent->cksize : INT64_MAX;
    for (;;)
    {
        const std::int64_t start = handle->Tell();
        if (start + 8 > end) return MMIOERR_CHUNKNOTFOUND;
        unsigned char header[12];
        if (handle->Read(reinterpret_cast<char*>(header), 8) != 8) return MMIOERR_CHUNKNOTFOUND;
        MmChunkInfo found;
        found.ckid = ReadU32(header);
        found.cksize = ReadU32(header + 4);
        found.dataOffset = static_cast<std::uint32_t>(start + 8);
        const bool hasType = found.ckid == FOURCC_RIFF || found.ckid == FOURCC_LIST;
        if (hasType)
        {
            if (handle->Read(reinterpret_cast<char*>(header + 8), 4) != 4) return MMIOERR_CHUNKNOTFOUND;
            found.fccType = ReadU32(header + 8);
        }
        bool match = true;
        if (flags & MMIO_FINDCHUNK)
            match = found.ckid == wantedId;
        else if (flags & MMIO_FINDRIFF)
            match = found.ckid == FOURCC_RIFF && found.fccType == wantedType;
        else if (flags & MMIO_FINDLIST)
            match = found.ckid == FOURCC_LIST && found.fccType == wantedType;
        if (match)
        {
            *chunk = found;
            return MMSYSERR_NOERROR;
        }
        // Chunks are padded to an even size.
        const std::int64_t next =
            static_cast<std::int64_t>(found.dataOffset) + found.cksize + (found.cksize & 1);
        if (next > end || !handle->SeekTo(next)) return MMIOERR_CHUNKNOTFOUND;
    }
}

std::uint32_t MmioAscend(MmioHandle handle, MmChunkInfo* chunk, std::uint32_t)
{
    if (!handle || !chunk) return MMSYSERR_INVALPARAM;
    const std::int64_t next =
        static_cast<std::int64_t>(chunk->dataOffset) + chunk->cksize + (chunk->cksize & 1);
    return handle->SeekTo(next) ? MMSYSERR_NOERROR : MMIOERR_CANNOTSEEK;
}

std::uint32_t MmioGetInfo(MmioHandle handle, MmioInfo* info, std::uint32_t)
{
    if (!handle || !info) return MMSYSERR_INVALPARAM;
    info->flags = handle->allocBuf ? MMIO_ALLOCBUF : 0;
    info->error = 0;
    if (!handle->allocBuf)
    {
        info->bufferSize = 0;
        info->buffer = info->next = info->endRead = nullptr;
        info->bufferDiskOffset = static_cast<std::int32_t>(handle->Tell());
        return MMSYSERR_NOERROR;
    }
    info->bufferSize = static_cast<std::int32_t>(handle->buffer.size());
    info->buffer = handle->buffer.data();
    info->next = info->buffer + handle->pos;
    info->endRead = info->buffer + handle->valid;
    info->bufferDiskOffset = static_cast<std::int32_t>(handle->bufferOffset);
    return MMSYSERR_NOERROR;
}

namespace
{

// Where the caller's next pointer stands in the buffer; false when it
// points outside the bytes read.
bool TakePosition(MmioHandle handle, const MmioInfo* info)
{
    const char* base = handle->buffer.data();
    if (info->buffer != base || info->next < base || info->next > base + handle->valid) return false;
    handle->pos = static_cast<std::size_t>(info->next - base);
    return true;
}

} // namespace

std::uint32_t MmioSetInfo(MmioHandle handle, const MmioInfo* info, std::uint32_t)
{
    if (!handle || !info) return MMSYSERR_INVALPARAM;
    if (!handle->allocBuf) return MMSYSERR_NOERROR;
    return TakePosition(handle, info) ? MMSYSERR_NOERROR : MMSYSERR_INVALPARAM;
}

std::uint32_t MmioAdvance(MmioHandle handle, MmioInfo* info, std::uint32_t flags)
{
    if (!handle || !info || (flags & MMIO_WRITE)) return MMSYSERR_INVALPARAM;
    if (!handle->allocBuf) return MMIOERR_UNBUFFERED;
    if (!TakePosition(handle, info)) return MMSYSERR_INVALPARAM;
    if (!handle->Fill(handle->Tell())) return MMIOERR_CANNOTREAD;
    return MmioGetInfo(handle, info, 0);
}

} // namespace plat
