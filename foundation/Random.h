// CRandom: the program-wide linear congruential generator
//     x = (x * 9301 + 49297) mod 233280   (product and sum in 32-bit unsigned)
// whose one sequence weapons, AI, particles, weather and music all draw from.
// g_Random is seeded from clock() before main; the seed is not reduced, the
// first step reduces it.
//
// Thread safety: none; the generator is shared and unguarded, so only the
// main thread draws from g_Random.
#pragma once

#include <cstdint>

class CRandom
{
public:
    static constexpr std::uint32_t kModulus = 233280;

    CRandom(); // seeded from clock()
    explicit CRandom(std::uint32_t state);

    // Seeds as at start-up from a clock() reading.
    void SeedFromClock(long clockTicks);
    void SetState(std::uint32_t state);

    // Advances and returns the raw state (0..233279).
    std::uint32_t Next();
    // Advances; (x mod 10000) * range * 0.0001, in [0, range).
    float Random(float range);
    // Advances; (x >> 8) mod n, 0 when n is 0.
    int RandomInt(int n);

    std::uint32_t GetState() const { return m_dwState; }
    float GetLast() const { return m_fLast; } // state / 233280, in [0, 1)

private:
    float m_fLast = 0.0f;
    std::uint32_t m_dwState = 0;
};

extern CRandom g_Random;

// range * clamp(base, 0, 1) + g_Random.Random(range).
float RandomRange(float range, float base);
// g_Random.Random(range) with a sign drawn first from g_Random.Random(1.0).
float RandomSigned(float range);
