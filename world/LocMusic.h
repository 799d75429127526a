// SLocMusic: the location's music names and music zones, read from block 3
// of the location's objects file.
//
// Block layout (little-endian):
//   0   32        location music name, zero-padded
//   32  32        second location music name
//   64  4         u32 fight music names (at most 10), then 32 bytes each
//   ..  4         u32 further music names (at most 10), then 32 bytes each
//   ..  4         u32 music zones (at most 20), then 68 bytes each, raw
//
// Stand-in for the music itself: the zones are kept raw; choosing and
// playing music by zone and hour (Run, Reset) is not here yet.
//
// Threads: main thread.
#pragma once

#include <cstdint>
#include <stdexcept>

class CMemStream;

struct SLocMusic
{
    static constexpr int kMaxNames = 10;
    static constexpr int kMaxZones = 20;
    static constexpr int kZoneSize = 68;

    // Reads the block (an empty one: no music); a count over its limit or a block cut short throws
    // std::runtime_error naming the field, and the music stays empty.
    void Load(CMemStream& stream);
    void Clear();

    char m_szMusic[32] = {};
    char m_szMusic2[32] = {};
    std::uint32_t m_nFight = 0;
    char m_szFight[kMaxNames][32] = {};
    std::uint32_t m_nOther = 0;
    char m_szOther[kMaxNames][32] = {};
    std::uint32_t m_nZones = 0;
    std::uint8_t m_Zones[kMaxZones][kZoneSize] = {};
};
