#include "world/LocMusic.h"

#include "foundation/ErrorLog.h"
#include "foundation/GameTime.h"
#include "foundation/MemStream.h"
#include "foundation/Random.h"
#include "sound/SoundManager.h"
#include "world/WorldTerrain.h"

#include <algorithm>
#include <cmath>

#include <cstdio>
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

class CManagerSounds : public ILocMusicSounds
{
public:
    void Play2D(const char* name, bool loop) override
    {
        if (g_pSoundManager) g_pSoundManager->Play2D(name, loop);
    }
    void Stop(const char* name) override
    {
        if (g_pSoundManager) g_pSoundManager->Stop(name);
    }
};
CManagerSounds g_ManagerSounds;
} // namespace

void SLocMusic::Clear()
{
    ILocMusicSounds* sounds = m_pSounds;
    *this = SLocMusic{};
    m_pSounds = sounds;
}

void SLocMusic::Save(CMemStream& s) const
{
    s.Write(m_szMusic, 32);
    s.Write(m_szMusic2, 32);
    const std::uint32_t fight = std::min<std::uint32_t>(m_nFight, kMaxNames);
    const std::uint32_t other = std::min<std::uint32_t>(m_nOther, kMaxNames);
    const std::uint32_t zones = std::min<std::uint32_t>(m_nZones, kMaxZones);
    s.Write(&fight, 4);
    s.Write(m_szFight, fight * 32);
    s.Write(&other, 4);
    s.Write(m_szOther, other * 32);
    s.Write(&zones, 4);
    s.Write(m_Zones, zones * std::uint32_t(kZoneSize));
}

void SLocMusic::Reset(const char* music, const char* fight)
{
    if (!m_szMusic[0]) std::snprintf(m_szMusic, sizeof m_szMusic, "%s", music);
    if (!m_szMusic2[0]) std::snprintf(m_szMusic2, sizeof m_szMusic2, "%s", music);
    if (m_nFight == 0)
    {
        std::snprintf(m_szFight[0], sizeof m_szFight[0], "%s", fight);
        m_nFight = 1;
    }
    for (std::uint32_t i = 0; i < m_nZones; ++i)
    {
        const SMusicZoneRecord& zone = m_Zones[i];
        m_Timers[i].sound = -1;
        m_Timers[i].nextStart = g_Random.Random(zone.period);
        m_Timers[i].duration = g_Random.Random(zone.length) + 0.5f * zone.length;
    }
}

void SLocMusic::Run(float dt)
{
    // The environment's time of day is in hours, 0 to 24.
    const float time = g_pWorldLocation ? g_pWorldLocation->GetTimeOfDay() : 12.0f;
    const int hour = std::clamp(int(std::floor(time)), 0, 23);
    RunAt(g_GameTime, dt, hour);
}

void SLocMusic::RunAt(double clock, float dt, int hour)
{
    try
    {
        ILocMusicSounds& sounds = m_pSounds ? *m_pSounds : g_ManagerSounds;
        const float now = float(clock);
        const float end = now + dt;
        for (std::uint32_t i = 0; i < std::min<std::uint32_t>(m_nZones, kMaxZones); ++i)
        {
            const SMusicZoneRecord& zone = m_Zones[i];
            SZoneTimer& t = m_Timers[i];
            if (now < t.nextStart && t.nextStart <= end)
            {
                if (zone.firstHour <= hour && hour < zone.endHour)
                    sounds.Play2D(zone.sound, zone.loop != 0);
                else
                    t.nextStart += 0.5f * zone.period;
            }
            if (t.nextStart < end && end >= t.nextStart + t.duration)
            {
                if (zone.loop) sounds.Stop(zone.sound);
                t.nextStart = g_Random.Random(zone.period) + 0.5f * zone.period + end;
                t.duration = g_Random.Random(zone.length) + 0.5f * zone.length;
            }
        }
    }
    catch (...)
    {
        g_ErrorLog.AppendTrace("SLocMusic::Run");
        g_ErrorLog.FlushTrace();
    }
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
    for (auto& zone : m.m_Zones)
        zone.sound[31] = 0;
    m.m_pSounds = m_pSounds;
    *this = m;
}
