// CStreamReader: checked reads from a memory stream.
//
// CMemStream::Read copies what is there and says how much; a reader of a
// saved record wants all or nothing. Each read here either takes exactly the
// bytes asked for or throws CStreamError naming the record and the byte
// offset, so a reader of a damaged stream stops at the first bad field with
// one message and its caller decides what to keep. Values are little-endian,
// as every stream the engine writes.
//
// Not thread-safe (it advances the stream's position).
#pragma once

#include "foundation/MemStream.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <stdexcept>

class CStreamError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class CStreamReader
{
public:
    // what names the record in messages ("string pool", "code tree", ...).
    CStreamReader(CMemStream& stream, const char* what) : m_stream(stream), m_what(what) {}

    std::uint32_t Offset() const { return m_stream.m_nPosition; }
    std::uint32_t Left() const
    {
        return m_stream.m_nPosition < m_stream.m_nCapacity ? m_stream.m_nCapacity - m_stream.m_nPosition : 0;
    }

    void Bytes(void* out, std::uint32_t size)
    {
        if (size > Left())
            Fail("%u bytes wanted, %u left", size, Left());
        m_stream.Read(out, size);
    }
    std::uint32_t U32()
    {
        std::uint8_t b[4];
        Bytes(b, 4);
        return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
    }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    std::uint16_t U16()
    {
        std::uint8_t b[2];
        Bytes(b, 2);
        return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
    }
    std::uint8_t U8()
    {
        std::uint8_t b;
        Bytes(&b, 1);
        return b;
    }
    // A count of records of recordSize bytes each that must still be in the
    // stream; checked before anything is allocated for them.
    std::uint32_t Count(std::uint32_t recordSize, const char* field)
    {
        const std::uint32_t count = U32();
        if (recordSize && static_cast<std::uint64_t>(count) * recordSize > Left())
            Fail("%s %u needs %llu bytes, %u left", field, count,
                 static_cast<unsigned long long>(count) * recordSize, Left());
        return count;
    }

    // Throws "<what> at byte <offset>: <reason>".
    [[noreturn]] __attribute__((format(printf, 2, 3))) void Fail(const char* format, ...) const
    {
        char reason[256];
        va_list args;
        va_start(args, format);
        std::vsnprintf(reason, sizeof(reason), format, args);
        va_end(args);
        char text[400];
        std::snprintf(text, sizeof(text), "%s at byte %u: %s", m_what, Offset(), reason);
        throw CStreamError(text);
    }

private:
    CMemStream& m_stream;
    const char* m_what;
};
