#include "world/LocMusic.h"

#include "foundation/MemStream.h"

#include <cstring>
#include <string>

namespace
{
void Take(CMemStream& s, void* out, std::uint32_t size, const char* what)
{
    if (s.m_nPosition > s.m_nCapacity || s.m_nCapacity - s.m_nPosition < size)
        throw std::runtime_error(std::string("location music: ") + what + " cut short at offset " +
                                 std::to_string(s.m_nPosition));
    s.Read(out, size);
}

std::uint32_t TakeCount(CMemStream& s, std::uint32_t limit, const char* what)
{
    std::uint32_t n = 0;
    Take(s, &n, 4, what);
    if (n > limit)
        throw std::runtime_error(std::string("location music: ") + what + " count " + std::to_string(n) +
                                 " above " + std::to_string(limit));
    return n;
}
} // namespace

void SLocMusic::Clear()
{
    *this = SLocMusic{};
}

void SLocMusic::Load(CMemStream& s)
{
    Clear();
    // An empty block: the location has no music of its own.
    if (s.m_nCapacity == 0) return;
    SLocMusic m;
    Take(s, m.m_szMusic, 32, "music name");
    Take(s, m.m_szMusic2, 32, "second music name");
    m.m_nFight = TakeCount(s, kMaxNames, "fight music");
    Take(s, m.m_szFight, m.m_nFight * 32, "fight music names");
    m.m_nOther = TakeCount(s, kMaxNames, "further music");
    Take(s, m.m_szOther, m.m_nOther * 32, "further music names");
    m.m_nZones = TakeCount(s, kMaxZones, "music zones");
    Take(s, m.m_Zones, m.m_nZones * kZoneSize, "music zone records");
    // The names are fixed fields; one without its terminator is cut.
    m.m_szMusic[31] = m.m_szMusic2[31] = 0;
    for (auto& n : m.m_szFight)
        n[31] = 0;
    for (auto& n : m.m_szOther)
        n[31] = 0;
    *this = m;
}
