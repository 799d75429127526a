// CEnvironment (stand-in): the part of the environment object that the map
// reader and the terrain call, until the environment proper (time of day,
// sky, fog, lights, weather) replaces it.
//
// What it has: the environment section reader (header, records, texture
// names to ids), the horizon model index and the two height limits, the
// shadow-level decoding with fixed masks, and empty device-resource calls.
// What it lacks: the clock, record switching and blending, lights, sky dome,
// glow band and horizon faces, the weather effect and sounds, the saved
// state; GetShadowLevel does not follow the time of day (it decodes the
// first light field only); SetFog sets no fog.
//
// The environment section (body of a map section of type 2):
//   0    4    i32 count of records
//   4    32   horizon model name, NUL-terminated
//   36   4    f32 upper height limit (0 none)
//   40   4    f32 death height (0 none)
//   44   120  not read
//   164  428 x count  SEnvRecord; texture names at 96, 128, 192, 236, 272,
//                     304 become texture ids (first four bytes; -1 unknown)
//
// Threads: main thread only.
#pragma once

#include <cstdint>
#include <vector>

#pragma pack(push, 1)
struct SEnvSectionHeader
{
    std::int32_t count;       //   0
    char horizonModel[32];    //   4
    float upperLimit;         //  36
    float deathHeight;        //  40
    std::uint8_t unused[120]; //  44
};
static_assert(sizeof(SEnvSectionHeader) == 164);

struct SEnvRecord
{
    std::uint8_t bytes[428];
};
static_assert(sizeof(SEnvRecord) == 428);
#pragma pack(pop)

class CEnvironment
{
public:
    static constexpr int kTextureFields[6] = {96, 128, 192, 236, 272, 304};
    static constexpr int kNightFlagOffset = 64;

    // Reads one environment section body of bodySize bytes from the pack
    // file system's current stream. A record count that does not fit the
    // body, or a body cut short, throws std::runtime_error naming the fault
    // and leaves the previous records.
    void Load(std::uint32_t bodySize);
    void InitResources() {}
    void ReleaseResources() {}
    // Fog on or off around the terrain pass: sets nothing yet (no fog).
    void SetFog(bool /*on*/, float /*factor*/, int /*mode*/) {}
    // Light level of a packed shadow texel: 0 lit .. 1 fully shadowed; 0
    // when shadows are off.
    float GetShadowLevel(std::uint32_t texel) const;
    void Clear();

    std::vector<SEnvRecord> m_Records;
    std::int32_t m_iHorizonModel = -1;
    float m_fUpperLimit = 0.0f;
    float m_fDeathHeight = 0.0f;
    bool m_bShadowsOff = false;
    std::uint32_t m_uShadowMask1 = 0xF, m_uShadowShift1 = 0;
    std::uint32_t m_uShadowMask2 = 0xF0, m_uShadowShift2 = 4;
    float m_fShadowWeight1 = 1.0f / 15.0f, m_fShadowWeight2 = 0.0f;
};

extern CEnvironment g_Environment;
