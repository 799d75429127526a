// CGuidKeyList: a fixed list of fifteen keyed entries, the form of a
// mechanoid's missile stock: each entry a 32-byte item key (name or table
// index, as STypeKey) and a 32-bit value (the number of missiles), in the
// order they were added; then the count of entries in use (544 bytes).
//
// Add appends without looking for an entry of the same item (merging is the
// caller's work). A sixteenth entry has no room: it is refused with an
// error line and the list stays as it was.
//
// Threads: main thread only.
#pragma once

#include "units/UnitTypes.h"

#include <cstdint>

struct SGuidKeyEntry
{
    STypeKey m_Key;
    std::uint32_t m_nValue = 0;
};
static_assert(sizeof(SGuidKeyEntry) == 36);

struct CGuidKeyList
{
    static constexpr int kMaxEntries = 15;

    SGuidKeyEntry m_Entries[kMaxEntries];
    std::int32_t m_nCount = 0;

    // False (logged, nothing changed) when the list is full.
    bool Add(const SGuidKeyEntry& entry);
};
static_assert(sizeof(CGuidKeyList) == 544);
