// CGarbage: a mechanoid's cargo hold: its money and its goods entries.
//
// Entry kinds: 0 goods of the goods table, 1 unique goods, 2 a captured
// mechanoid (the name is the world mech id), 3 money (held as the money,
// never an entry), 5 a stackable item. An entry is 48 bytes in streams:
// kind i32, name char[32], count i32, second count i32, average unit price
// f32. The second count follows the counted (bought) part of an entry.
//
// Threads: the main thread.
#pragma once

#include <cstdint>
#include <vector>

enum EItemKind : std::int32_t
{
    ITEM_GOODS = 0,
    ITEM_UNIQUE = 1,
    ITEM_MECHANOID = 2,
    ITEM_MONEY = 3,
    ITEM_STACK = 5,
};

struct SItemRec
{
    std::int32_t m_nKind = 0;
    char m_szName[32] = {};
    std::int32_t m_nCount = 0;
    std::int32_t m_nCount2 = 0;
    float m_fPrice = 0.0f;
};
static_assert(sizeof(SItemRec) == 48, "cargo entries are 48 bytes");

// The hold's entries: a growable array that grows by kGrowBy entries at a
// time (never by doubling) and starts with room for kGrowBy.
class CItemRecArray : public std::vector<SItemRec>
{
public:
    static constexpr std::size_t kGrowBy = 5;

    using std::vector<SItemRec>::vector;
    CItemRecArray() { reserve(kGrowBy); }

    // Appends record, first growing a full array by kGrowBy.
    SItemRec& Add(const SItemRec& record);
    // The later entries move down by one; nothing for an index past the
    // count.
    void RemoveAt(std::size_t index);
};

// What is added or removed: a name, a count and a unit price.
struct SGoodsItem
{
    char m_szName[32] = {};
    std::int32_t m_nCount = 0;
    float m_fPrice = 0.0f;
};

class CGarbage
{
public:

    // Money, a merged stack, a new entry; goods the goods table lacks are
    // logged and not added.
    void AddGoods(const SGoodsItem& item, std::int32_t kind, bool counted);
    // Takes count units of that name off the entries in order; returns the
    // entry count.
    std::int32_t RemoveGoods(const SGoodsItem& item, bool counted);
    // At least count units of that name and kind.
    bool HasGoods(const char* name, std::int32_t kind, std::int32_t count) const;
    std::int32_t GetCount() const { return std::int32_t(m_Items.size()); }

    float m_fMoney = 0.0f;
    CItemRecArray m_Items;
};
