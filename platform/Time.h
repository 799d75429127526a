// Clocks, calendar time and the C runtime's random generator.
//
// The performance counter runs at 10 MHz (100 ns ticks, the frequency
// current Windows reports) from CLOCK_MONOTONIC, counted from the first use
// in the process plus one second, so that counts stay far from overflow when
// callers multiply them and are never zero. GetTickCount is CLOCK_MONOTONIC
// in milliseconds (time since boot), cut to 32 bits.
//
// Thread safety: all functions may be called from any thread; the random
// generator keeps one state per thread.
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
    std::uint16_t month = 0;     // 1..12
    std::uint16_t dayOfWeek = 0; // 0 = Sunday
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;
};
void GetLocalTime(SystemTime* time);

// 100-nanosecond intervals since 1 January 1601 (UTC), as Windows file times.
using FileTime = std::uint64_t;
// Times before 1601 give 0.
FileTime UnixTimeToFileTime(std::int64_t seconds, std::int64_t nanoseconds);
// Applies the local zone's offset in force at that moment (daylight saving
// included), so the result reads as the wall-clock time of the event.
bool FileTimeToLocalFileTime(FileTime utc, FileTime* local);
// Fails for times of 2^63 and above, as Windows does.
bool FileTimeToSystemTime(FileTime time, SystemTime* out);
// MS-DOS date and time words (two-second resolution, years 1980..2107; other
// years fail). The time is taken as given, without zone conversion.
bool FileTimeToDosDateTime(FileTime time, std::uint16_t* dosDate, std::uint16_t* dosTime);
// "HH:MM:SS" of the local time, as _strtime writes it (buffer of at least 9
// bytes). Returns buffer.
char* StrTime(char* buffer);

// The Microsoft C runtime's rand()/srand(): values 0..32767 and the same
// sequence for the same seed, which several engine formulas depend on.
// One state per thread, as in the multithreaded runtime; a thread that never
// seeds starts from seed 1.
constexpr int CRT_RAND_MAX = 0x7FFF;
void CrtSrand(std::uint32_t seed);
int CrtRand();

} // namespace plat
