// CMechGroupList: the location's group descriptions, read from block 1 of
// the objects file.
//
// Stand-in: Load keeps the block's bytes as read; the group records, the
// name generator and the group kinds are not here yet.
//
// Threads: main thread.
#pragma once

#include "foundation/MemStream.h"

#include <cstdint>
#include <vector>

class CMechGroupList
{
public:
    void Load(CMemStream& stream)
    {
        m_Data.assign(stream.m_pData, stream.m_pData + stream.m_nCapacity);
        stream.m_nPosition = stream.m_nCapacity;
    }

    std::vector<std::uint8_t> m_Data;
};

extern CMechGroupList g_MechGroupList;
