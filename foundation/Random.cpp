#include "foundation/Random.h"

#include <cstdlib>
#include <ctime>

// A static initialiser on purpose: the seed is the clock() reading taken
// before main runs.
CRandom g_Random;

CRandom::CRandom()
{
    SeedFromClock(static_cast<long>(std::clock()));
}

CRandom::CRandom(std::uint32_t state)
{
    SetState(state);
}

void CRandom::SeedFromClock(long clockTicks)
{
    // The clock reading can be tiny (or -1 without a clock), hence the small
    // offset against a division by zero. The state keeps the low 32 bits of
    // the 64-bit truncation and is reduced by the first step only.
    const double ticks = static_cast<double>(std::labs(clockTicks));
    m_fLast = static_cast<float>(1.0 / (ticks + 0.000001) + 1000.0);
    m_dwState = static_cast<std::uint32_t>(static_cast<std::int64_t>(m_fLast * 233280.0));
}

void CRandom::SetState(std::uint32_t state)
{
    m_dwState = state;
    m_fLast = static_cast<float>(static_cast<double>(state) * (1.0 / kModulus));
}

std::uint32_t CRandom::Next()
{
    // The 32-bit wrap-around before the remainder is part of the sequence.
    m_dwState = (m_dwState * 9301u + 49297u) % kModulus;
    m_fLast = static_cast<float>(static_cast<double>(m_dwState) * (1.0 / kModulus));
    return m_dwState;
}

float CRandom::Random(float range)
{
    return static_cast<float>(Next() % 10000u) * range * 0.0001f;
}

int CRandom::RandomInt(int n)
{
    const std::uint32_t x = Next();
    if (n == 0) return 0;
    return static_cast<int>((x >> 8) % static_cast<std::uint32_t>(n));
}

float RandomRange(float range, float base)
{
    if (base < 0.0f) base = 0.0f;
    if (base > 1.0f) base = 1.0f;
    return range * base + g_Random.Random(range);
}

float RandomSigned(float range)
{
    const bool negative = g_Random.Random(1.0f) - 0.5f <= 0.0f;
    const float value = g_Random.Random(range);
    return negative ? -value : value;
}
