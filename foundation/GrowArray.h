// SGrowArray: a growable array of fixed-size records that grows by a fixed
// step, never by doubling, as the game's saved records expect their
// capacities to evolve.
//
// {capacity, growth step, records, count}. Appending to a full array
// allocates capacity + step default-constructed records, copies the old
// ones across and frees the old block. Clearing sets every byte of the
// storage to zero and the count to 0 without shrinking. Loading replaces
// the storage with exactly the stored count as capacity (keeping the step).
//
// Stream form: u32 count, then count records as they lie in memory
// (little-endian, as every stream the engine writes). Records must be
// trivially copyable, with their layout fixed by the owner
// (static_assert). Read checks the count against the bytes left before
// allocating.
//
// Owns its records. Not thread-safe; one owner at a time.
#pragma once

#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"

#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

template <typename T> struct SGrowArray
{
    static_assert(std::is_trivially_copyable_v<T>, "records are stored as bytes");

    std::uint32_t capacity = 0;
    std::uint32_t step = 0;
    T* data = nullptr;
    std::uint32_t count = 0;

    SGrowArray() = default;
    ~SGrowArray() { delete[] data; }
    SGrowArray(const SGrowArray&) = delete;
    SGrowArray& operator=(const SGrowArray&) = delete;
    // The records move; the source is left empty (its step kept).
    SGrowArray(SGrowArray&& other) noexcept { *this = static_cast<SGrowArray&&>(other); }
    SGrowArray& operator=(SGrowArray&& other) noexcept
    {
        if (this == &other) return *this;
        delete[] data;
        capacity = other.capacity;
        step = other.step;
        data = other.data;
        count = other.count;
        other.data = nullptr;
        other.capacity = other.count = 0;
        return *this;
    }

    // Frees the records; capacity default records, count 0, the new step.
    void Init(std::uint32_t newCapacity, std::uint32_t growth)
    {
        delete[] data;
        data = newCapacity ? new T[newCapacity]() : nullptr;
        capacity = newCapacity;
        step = growth;
        count = 0;
    }
    // Storage for n records (the first count kept; new ones default).
    void Reserve(std::uint32_t n)
    {
        T* grown = n ? new T[n]() : nullptr;
        for (std::uint32_t i = 0; i < count && i < n; ++i)
            grown[i] = data[i];
        delete[] data;
        data = grown;
        capacity = n;
        if (count > n) count = n;
    }
    // The appended record.
    T& Append(const T& record)
    {
        // A step of 0 would never make room.
        if (count >= capacity) Reserve(capacity + (step ? step : 1));
        data[count] = record;
        return data[count++];
    }
    // Later records move down by one; nothing for an index past the count.
    void RemoveAt(std::uint32_t index)
    {
        if (index >= count) return;
        std::memmove(static_cast<void*>(data + index), data + index + 1, (count - index - 1) * sizeof(T));
        --count;
        std::memset(static_cast<void*>(data + count), 0, sizeof(T));
    }
    void Clear()
    {
        if (data) std::memset(static_cast<void*>(data), 0, capacity * sizeof(T));
        count = 0;
    }
    // Exactly the given records; capacity = their number.
    void Assign(const std::vector<T>& records)
    {
        delete[] data;
        data = records.empty() ? nullptr : new T[records.size()];
        if (!records.empty())
            std::memcpy(static_cast<void*>(data), records.data(), records.size() * sizeof(T));
        capacity = count = static_cast<std::uint32_t>(records.size());
    }

    void Write(CMemStream& stream) const
    {
        const std::uint8_t n[4] = {static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(count >> 8),
                                   static_cast<std::uint8_t>(count >> 16),
                                   static_cast<std::uint8_t>(count >> 24)};
        stream.Write(n, 4);
        if (count) stream.Write(data, count * static_cast<std::uint32_t>(sizeof(T)));
    }
    // u32 count and the records; throws CStreamError (what names the
    // array) when they are not all in the stream.
    static std::vector<T> Read(CStreamReader& in, const char* what)
    {
        const std::uint32_t n = in.Count(sizeof(T), what);
        std::vector<T> records(n);
        if (n) in.Bytes(records.data(), n * static_cast<std::uint32_t>(sizeof(T)));
        return records;
    }

    T& operator[](std::uint32_t i) { return data[i]; }
    const T& operator[](std::uint32_t i) const { return data[i]; }
    T* begin() { return data; }
    T* end() { return data + count; }
    const T* begin() const { return data; }
    const T* end() const { return data + count; }
};
