// Clocks, calendar time and the C runtime's random generator.
#pragma once

#include <cstdint>

namespace plat
{

bool QueryPerformanceCounter(std::int64_t* count);
bool QueryPerformanceFrequency(std::int64_t* frequency);
// Milliseconds since an arbitrary start; wraps at 2^32 like Windows.
std::uint32_t GetTickCount();

struct SystemTime
{
    std::uint16_t year = 0;
    std::uint16_t month = 0;  // 1..12
    std::uint16_t dayOfWeek = 0;  // 0 = Sunday
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;
};
void GetLocalTime(SystemTime* time);

// 100-nanosecond intervals since 1 January 1601 (UTC), as Windows file times.
using FileTime = std::uint64_t;
FileTime UnixTimeToFileTime(std::int64_t seconds, std::int64_t nanoseconds);
bool FileTimeToLocalFileTime(FileTime utc, FileTime* local);
bool FileTimeToSystemTime(FileTime time, SystemTime* out);
// MS-DOS date and time words (two-second resolution, years from 1980).
bool FileTimeToDosDateTime(FileTime time, std::uint16_t* dosDate, std::uint16_t* dosTime);
// "HH:MM:SS", as _strtime writes it (buffer of at least 9 bytes).
char* StrTime(char* buffer);

// The Microsoft C runtime's rand()/srand(): values 0..32767 and the same
// sequence for the same seed, which several engine formulas depend on.
// One state per thread, as in the multithreaded runtime.
constexpr int CRT_RAND_MAX = 0x7FFF;
void CrtSrand(std::uint32_t seed);
int CrtRand();

} // namespace plat
