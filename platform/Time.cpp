#include "platform/Time.h"

#include <ctime>

namespace plat
{
namespace
{

constexpr std::int64_t kCounterFrequency = 10'000'000; // 100 ns ticks
constexpr std::int64_t kTicksPerSecond = 10'000'000;   // file-time units
// Seconds from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kEpochDifference = 11'644'473'600;

std::int64_t MonotonicNanoseconds()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = doy - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0);
}

thread_local std::uint32_t t_randState = 1;

} // namespace

bool QueryPerformanceCounter(std::int64_t* count)
{
    if (!count) return false;
    // Function-local static: the base is taken on first use, thread-safely.
    static const std::int64_t base = MonotonicNanoseconds();
    *count = (MonotonicNanoseconds() - base) / 100 + kCounterFrequency;
    return true;
}

bool QueryPerformanceFrequency(std::int64_t* frequency)
{
    if (!frequency) return false;
    *frequency = kCounterFrequency;
    return true;
}

std::uint32_t GetTickCount()
{
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(MonotonicNanoseconds() / 1'000'000));
}

void GetLocalTime(SystemTime* time)
{
    if (!time) return;
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    time->year = static_cast<std::uint16_t>(local.tm_year + 1900);
    time->month = static_cast<std::uint16_t>(local.tm_mon + 1);
    time->dayOfWeek = static_cast<std::uint16_t>(local.tm_wday);
    time->day = static_cast<std::uint16_t>(local.tm_mday);
    time->hour = static_cast<std::uint16_t>(local.tm_hour);
    time->minute = static_cast<std::uint16_t>(local.tm_min);
    time->second = static_cast<std::uint16_t>(local.tm_sec > 59 ? 59 : local.tm_sec); // no leap seconds
    time->milliseconds = static_cast<std::uint16_t>(ts.tv_nsec / 1'000'000);
}

FileTime UnixTimeToFileTime(std::int64_t seconds, std::int64_t nanoseconds)
{
    const std::int64_t since1601 = seconds + kEpochDifference;
    if (since1601 < 0) return 0;
    return static_cast<FileTime>(since1601) * kTicksPerSecond + static_cast<FileTime>(nanoseconds / 100);
}

bool FileTimeToLocalFileTime(FileTime utc, FileTime* local)
{
    if (!local) return false;
    const time_t seconds =
        static_cast<time_t>(static_cast<std::int64_t>(utc / kTicksPerSecond) - kEpochDifference);
    tm parts{};
    if (!localtime_r(&seconds, &parts)) return false;
    const std::int64_t offset = static_cast<std::int64_t>(parts.tm_gmtoff) * kTicksPerSecond;
    if (offset < 0 && utc < static_cast<FileTime>(-offset)) return false;
    *local = utc + offset;
    return true;
}

bool FileTimeToSystemTime(FileTime time, SystemTime* out)
{
    if (!out || time >= 0x8000000000000000ull) return false;
    const std::int64_t totalSeconds = static_cast<std::int64_t>(time / kTicksPerSecond);
    const std::int64_t days1601 = totalSeconds / 86400;
    const std::int64_t secondOfDay = totalSeconds % 86400;
    std::int64_t year = 0;
    unsigned month = 0;
    unsigned day = 0;
    CivilFromDays(days1601 - kEpochDifference / 86400, year, month, day);
    out->year = static_cast<std::uint16_t>(year);
    out->month = static_cast<std::uint16_t>(month);
    out->day = static_cast<std::uint16_t>(day);
    out->dayOfWeek = static_cast<std::uint16_t>((days1601 + 1) % 7); // 1601-01-01 was a Monday
    out->hour = static_cast<std::uint16_t>(secondOfDay / 3600);
    out->minute = static_cast<std::uint16_t>(secondOfDay / 60 % 60);
    out->second = static_cast<std::uint16_t>(secondOfDay % 60);
    out->milliseconds = static_cast<std::uint16_t>(time % kTicksPerSecond / 10'000);
    return true;
}

bool FileTimeToDosDateTime(FileTime time, std::uint16_t* dosDate, std::uint16_t* dosTime)
{
    SystemTime st;
    if (!dosDate || !dosTime || !FileTimeToSystemTime(time, &st)) return false;
    // Seven bits of year from 1980.
    if (st.year < 1980 || st.year > 2107) return false;
    *dosDate = static_cast<std::uint16_t>(((st.year - 1980) << 9) | (st.month << 5) | st.day);
    *dosTime = static_cast<std::uint16_t>((st.hour << 11) | (st.minute << 5) | (st.second / 2));
    return true;
}

char* StrTime(char* buffer)
{
    if (!buffer) return buffer;
    SystemTime st;
    GetLocalTime(&st);
    const unsigned fields[3] = {st.hour, st.minute, st.second};
    for (int i = 0; i < 3; ++i)
    {
        buffer[i * 3] = static_cast<char>('0' + fields[i] / 10 % 10);
        buffer[i * 3 + 1] = static_cast<char>('0' + fields[i] % 10);
        buffer[i * 3 + 2] = i < 2 ? ':' : '\0';
    }
    return buffer;
}

void CrtSrand(std::uint32_t seed)
{
    t_randState = seed;
}

int CrtRand()
{
    t_randState = t_randState * 214013u + 2531011u;
    return static_cast<int>((t_randState >> 16) & 0x7FFF);
}

} // namespace plat
