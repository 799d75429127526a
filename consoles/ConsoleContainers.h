// The small containers the consoles share with the unit and script code:
// two fixed lists (no allocation; the count follows the storage), the
// growable pointer and text-pair arrays and the array of id keys.
//
// Fixed lists hold at most their storage: an add to a full list or a
// removal outside the count is refused (false) and changes nothing.
// Growable arrays grow by their step when full (capacity + step, never
// doubling); a step of 0 or less grows by one.
//
// Main thread only.
#pragma once

#include "foundation/GrowArray.h"
#include "foundation/GuidKey.h"
#include "foundation/XString.h"

#include <cstdint>
#include <vector>

class CFixedIntList
{
public:
    static constexpr int kCapacity = 35;

    bool Add(std::int32_t value);
    // Later entries move down by one.
    bool RemoveAt(int index);
    int GetCount() const { return m_nCount; }
    std::int32_t operator[](int i) const { return m_Items[i]; }

    std::int32_t m_Items[kCapacity] = {};
    std::int32_t m_nCount = 0;
};

class CFixedStringList
{
public:
    static constexpr int kCapacity = 4;

    bool Add(const CXAnsiString& text);
    int GetCount() const { return m_nCount; }
    const CXAnsiString& operator[](int i) const { return m_Items[i]; }

    CXAnsiString m_Items[kCapacity];
    std::int32_t m_nCount = 0;
};

// Values or pointers: {capacity, step, storage, count}; Init(capacity,
// step), Append, RemoveAt.
using CPtrArray = SGrowArray<void*>;

struct SStringPair
{
    CXAnsiString first;
    CXAnsiString second;
};

class CStringPairArray
{
public:
    explicit CStringPairArray(int capacity = 0, int step = 1);

    // Copies both texts.
    void Add(const CXAnsiString& first, const CXAnsiString& second);
    int GetCount() const { return int(m_Pairs.size()); }
    int GetCapacity() const { return m_nCapacity; }
    // Null outside the count.
    const SStringPair* GetAt(int i) const;

private:
    int m_nCapacity = 0;
    int m_nStep = 1;
    std::vector<SStringPair> m_Pairs;
};

class CGuidKeyArray
{
public:
    // n default keys (empty name, id -1), the old ones gone; none for n <= 0.
    void SetSize(int n);
    int GetCount() const { return int(m_Keys.size()); }
    CGuidKey& operator[](int i) { return m_Keys[std::size_t(i)]; }

private:
    std::vector<CGuidKey> m_Keys;
};
