// CMechGroupList: the location's group descriptions (CMechGroupDesc), the
// predefined groups of mechanoids the designer placed, read from block 1 of
// the objects file. The world creates groups and mechanoids from them on
// demand.
//
// Group-description block (little-endian):
//   header, 52 bytes: u32 count; u32 (1); u32 flag byte present (1 when each
//     description ends with a flag byte); 40 bytes of zeros
//   per description, fixed part, 184 bytes:
//        0   32 name (the description's key and the leader's id)
//       32   32 organisation name
//       64    4 i32 group type (0 road guard, 1, 2 road set, 3 free, 4)
//       68    4 i32 member count (at most 5)
//       72   64 label, zero-terminated
//      136    4 i32 level
//      140   44 not read
//   type data: type 0 and 1: 8 bytes; type 2: u32 n, n x u32 road-node
//     indexes; types 3 and 4: 4 bytes; others: nothing
//   members: 32 bytes per member, configuration names (member 0 leads)
//   flag: u8, only when the header says so
//
// A damaged block is logged (reason and byte offset) and the complete
// descriptions before the damage are kept. An empty block empties the list.
//
// Ownership: the list owns its descriptions. Threads: main thread.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class CMemStream;

class CMechGroupDesc
{
public:
    static constexpr int kMaxMembers = 5;

    virtual ~CMechGroupDesc() = default;
    // Sets the second flag to the negation of the first and returns it.
    virtual std::uint8_t CopyFlag()
    {
        m_bFlag2 = std::uint8_t(!m_bFlag);
        return m_bFlag2;
    }

    char m_szLabel[64] = {};
    char m_szName[32] = {};
    char m_szOrgName[32] = {};
    char m_szMembers[kMaxMembers][32] = {};
    std::int32_t m_nMemberCount = 0;
    std::uint8_t m_bFlag = 0;
    std::uint8_t m_bFlag2 = 0;
    std::int32_t m_nType = 0;
    std::int32_t m_nLevel = 0;
    std::int32_t m_nGuardNode = 0; // type 0
    std::int32_t m_nGuardValue = 0;
    std::int32_t m_Type1Data[2] = {};
    std::int32_t m_nType3Data = 0;
    std::vector<std::int32_t> m_RoadSet; // type 2
    std::int32_t m_nType4Data = 0;
};

class CMechGroupList
{
public:
    static constexpr std::uint32_t kHeaderSize = 52;
    static constexpr std::uint32_t kFixedSize = 184;

    // Replaces the list with the block's descriptions.
    void Load(CMemStream& stream);
    CMechGroupDesc* Find(const char* name) const;
    void Clear() { m_Descs.clear(); }
    std::int32_t GetCount() const { return std::int32_t(m_Descs.size()); }

    std::vector<std::unique_ptr<CMechGroupDesc>> m_Descs;
};

extern CMechGroupList g_MechGroupList;

// The block as Load reads it (the tests and mksample write with it).
void WriteMechGroupBlock(CMemStream& out, const std::vector<CMechGroupDesc>& descs, bool flagByte);
