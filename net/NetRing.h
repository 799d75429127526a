// CNetRing: the byte ring between the network layer's handler thread, which
// writes every received message into it, and the game thread, which reads
// them out.
//
// One writer and one reader, no lock: each side moves only its own
// position (atomic; the writer publishes its position after the bytes are
// in, the reader after it has copied them out). A record goes in whole or
// not at all, and the writer always leaves one byte free, so that it never
// reaches the reader's position: equal positions mean empty.
//
// Positions run 0 .. capacity - 1; a write that ends exactly at the
// capacity wraps, leaving the write position at 0.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

class CNetRing
{
public:
    explicit CNetRing(std::uint32_t capacity);
    CNetRing(const CNetRing&) = delete;
    CNetRing& operator=(const CNetRing&) = delete;

    // Writer: head then data as one record; false (nothing written) when
    // they do not both fit the free room.
    bool WriteRecord(const void* head, std::uint32_t headSize, const void* data, std::uint32_t dataSize);

    // Reader.
    bool HasData() const;
    std::uint32_t GetReadable() const;
    // n bytes, or false (nothing read) when fewer are waiting.
    bool Read(void* out, std::uint32_t n);
    bool Skip(std::uint32_t n);
    // Drops everything waiting (a record that cannot be read).
    void SkipAll();

    // Either side.
    std::uint32_t GetCapacity() const { return m_nCapacity; }
    std::uint32_t GetFree() const;
    std::uint32_t GetReadPosition() const { return m_nRead.load(std::memory_order_acquire); }
    std::uint32_t GetWritePosition() const { return m_nWrite.load(std::memory_order_acquire); }

private:
    void Put(std::uint32_t at, const void* data, std::uint32_t n);
    void Get(std::uint32_t at, void* out, std::uint32_t n) const;

    std::uint32_t m_nCapacity;
    std::unique_ptr<std::uint8_t[]> m_pData;
    std::atomic<std::uint32_t> m_nRead{0};
    std::atomic<std::uint32_t> m_nWrite{0};
};
