// SLocMusic: the location's music names and its timed ambient sound zones
// (g_LocMusic, the world engine's m_LocMusic), read from block 3 of the
// location's objects file.
//
// Block layout (little-endian):
//   0   32        location music name, zero-padded
//   32  32        second location music name
//   64  4         u32 fight music names (at most 10), then 32 bytes each
//   ..  4         u32 further music names (at most 10), then 32 bytes each
//   ..  4         u32 music zones (at most 20), then SMusicZoneRecord each
//
// Reset (on entering a map) fills in the default names and draws each
// zone's first start; Run (once a frame) starts a zone's sound in 2-D when
// its start falls in the frame and the hour of day lies in its window
// [first hour, end hour) (a window is not wrapped over midnight: 22..6
// never plays), puts the start off by half a period otherwise, and at the
// end of its window stops a looping sound and draws the next start.
//
// Threads: main thread.
#pragma once

#include <cstdint>
#include <stdexcept>

class CMemStream;

#pragma pack(push, 1)
struct SMusicZoneRecord
{
    char sound[32];           //  0: a sound of the sound table
    float period;             // 32: seconds
    float length;             // 36: seconds
    std::uint8_t loop;        // 40: played as a loop, stopped at the window's end
    std::uint8_t unused[3];   // 41
    std::int32_t firstHour;   // 44: may start from this hour (inclusive)
    std::int32_t endHour;     // 48: ... until this hour (exclusive)
    std::uint8_t unused2[16]; // 52
};
static_assert(sizeof(SMusicZoneRecord) == 68);
#pragma pack(pop)

// How the zones sound: the sound manager by default, a recorder in tests.
class ILocMusicSounds
{
public:
    virtual ~ILocMusicSounds() = default;
    virtual void Play2D(const char* name, bool loop) = 0;
    virtual void Stop(const char* name) = 0;
};

struct SLocMusic
{
    static constexpr int kMaxNames = 10;
    static constexpr int kMaxZones = 20;
    static constexpr int kZoneSize = int(sizeof(SMusicZoneRecord));

    struct SZoneTimer
    {
        float nextStart = 0.0f; // game clock seconds
        float duration = 0.0f;  // seconds
        std::int32_t sound = -1;
    };

    // Reads the block (an empty one: no music); a count over its limit or a block cut short throws
    // std::runtime_error naming the field, and the music stays empty.
    void Load(CMemStream& stream);
    // Writes the block as Load reads it.
    void Save(CMemStream& stream) const;
    void Clear();
    // Empty names become music (both location names) and fight (the one
    // fight name); each zone: no sound, next start = Random(period),
    // duration = Random(length) + length / 2.
    void Reset(const char* music = "MUS_LOC1", const char* fight = "MUS_FIGHT");
    // The frame's zone step (dt the frame time); the hour of day comes from
    // the world's location. An exception is logged with its trace and the
    // game goes on.
    void Run(float dt);
    // The zone step at game clock now and hour of day hour (0..23).
    void RunAt(double now, float dt, int hour);

    SZoneTimer m_Timers[kMaxZones];
    char m_szMusic[32] = {};
    char m_szMusic2[32] = {};
    std::uint32_t m_nFight = 0;
    char m_szFight[kMaxNames][32] = {};
    std::uint32_t m_nOther = 0;
    char m_szOther[kMaxNames][32] = {};
    std::uint32_t m_nZones = 0;
    SMusicZoneRecord m_Zones[kMaxZones] = {};
    // Null: the sound manager.
    ILocMusicSounds* m_pSounds = nullptr;
};
