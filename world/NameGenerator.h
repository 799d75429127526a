// CNameGenerator: unique random names for generated mechanoids, built from
// syllables by one of 28 weighted patterns. A name is remembered by its
// code (the four syllable indexes as decimal digits); a code given once is
// not given again within the world.
//
// Limits: at most kMaxCodes codes are remembered; once they are used up, or
// when no new code turns up within kMaxAttempts draws, the last name drawn
// is given unrecorded (not unique) with an error line.
//
// Draws through the program's generator (g_Random). Threads: main thread.
#pragma once

#include <cstdint>

class CNameGenerator
{
public:
    static constexpr int kMaxCodes = 2048;
    static constexpr int kMaxAttempts = 100000;
    static constexpr int kNameSize = 12;

    void Reset() { m_nCount = 0; }
    // A new name into out (at most 11 characters and the terminator). kind
    // is the location number; 0-12 restricts the syllable sum modulo 13 to
    // it, any other value allows every name.
    void Generate(char* out, std::int32_t kind);
    std::int32_t GetCount() const { return m_nCount; }

    // The syllable of set 1-8, index 0-12.
    static const char* Syllable(int set, int index);

private:
    std::uint32_t m_Codes[kMaxCodes] = {};
    std::int32_t m_nCount = 0;
};
