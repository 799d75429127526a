// A byte buffer written and read in sequence. Save routines write into one;
// the archive stores it as one record.
//
// The stream owns its buffer unless it was attached to someone else's
// (m_bAttached != 0). Not thread-safe; one owner at a time.
#pragma once

#include <cstdint>

class CMemStream
{
public:
    CMemStream() = default;
    ~CMemStream();
    CMemStream(const CMemStream&) = delete;
    CMemStream& operator=(const CMemStream&) = delete;

    // A new owned buffer of size bytes; position 0. Returns the buffer.
    std::uint8_t* Allocate(std::uint32_t size);
    // Appends at the position, growing to position + size + capacity / 4 when
    // needed. Returns the new position.
    std::uint32_t Write(const void* data, std::uint32_t size);
    // Copies up to size bytes from the position and advances it; never reads
    // past the capacity. Returns the count copied.
    std::uint32_t Read(void* data, std::uint32_t size);
    // Moves the position forward by n bytes, keeping the bytes passed over;
    // growing like Write (new bytes zero) when it would pass the end. An n
    // that is negative as a signed value moves back (not before 0).
    // Returns the new position.
    std::uint32_t Advance(std::uint32_t n);
    // Advances by n and returns the address of the n bytes passed over, for
    // a field written later (valid until the stream next grows).
    std::uint8_t* Reserve(std::uint32_t n);
    // Frees an owned buffer (an attached one is only forgotten).
    void Free();

    std::uint32_t m_bAttached = 0;
    std::uint32_t m_nCapacity = 0;
    std::uint32_t m_nPosition = 0;
    std::uint8_t* m_pData = nullptr;
};
