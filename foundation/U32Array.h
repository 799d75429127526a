// CU32Array: a growable array of 32-bit values (ids, indices) that grows by
// a fixed step, as the other record arrays of GrowArray.h do.
//
// {capacity, growth step, values, count}. Appending to a full array first
// grows it by the step; removing moves the later values down; clearing frees
// the values (a cleared array holds no storage until its next Add).
//
// Owns its values. Not thread-safe; one owner at a time.
#pragma once

#include "foundation/GrowArray.h"

#include <cstdint>

class CU32Array : public SGrowArray<std::uint32_t>
{
public:
    CU32Array(std::uint32_t initialCapacity = 16, std::uint32_t growth = 8) { Make(initialCapacity, growth); }

    // Empty, with the given capacity and growth step (0 grows by 1).
    void Make(std::uint32_t initialCapacity, std::uint32_t growth) { Init(initialCapacity, growth ? growth : 1); }
    void Add(std::uint32_t value) { Append(value); }
    // The first index holding value, or -1.
    std::int32_t Find(std::uint32_t value) const
    {
        for (std::uint32_t i = 0; i < count; ++i)
            if (data[i] == value) return static_cast<std::int32_t>(i);
        return -1;
    }
    // Frees the values; count 0, the step kept.
    void Clear() { Init(0, step); }
    std::uint32_t GetCount() const { return count; }
    std::uint32_t operator[](std::uint32_t index) const { return data[index]; }
};
