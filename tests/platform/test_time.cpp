#include "platform/Time.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>

using namespace plat;

namespace
{

constexpr FileTime kUnixEpoch = 116444736000000000ull;
constexpr FileTime kSecond = 10'000'000;

TEST(PlatformTime, CrtRandMatchesTheMicrosoftRuntime)
{
    CrtSrand(1);
    const int expected[] = {41, 18467, 6334, 26500, 19169};
    for (int value : expected)
        EXPECT_EQ(CrtRand(), value);

    // Same seed, same sequence; values stay within 0..32767.
    CrtSrand(12345);
    int first[100];
    for (int& v : first)
    {
        v = CrtRand();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, CRT_RAND_MAX);
    }
    CrtSrand(12345);
    for (int v : first)
        EXPECT_EQ(CrtRand(), v);

    // Each thread has its own state, starting from seed 1.
    int other = -1;
    std::thread([&other] { other = CrtRand(); }).join();
    EXPECT_EQ(other, 41);
}

TEST(PlatformTime, FileTimeConversions)
{
    EXPECT_EQ(UnixTimeToFileTime(0, 0), kUnixEpoch);
    EXPECT_EQ(UnixTimeToFileTime(1, 500), kUnixEpoch + kSecond + 5);
    EXPECT_EQ(UnixTimeToFileTime(-11644473601, 0), 0u); // before 1601

    struct SCase
    {
        FileTime time;
        SystemTime expected;
    };
    const SCase cases[] = {
        {0, {1601, 1, 1, 1, 0, 0, 0, 0}},                                                // a Monday
        {kUnixEpoch, {1970, 1, 4, 1, 0, 0, 0, 0}},                                       // a Thursday
        {UnixTimeToFileTime(951868798, 123'000'000), {2000, 2, 2, 29, 23, 59, 58, 123}}, // leap day
        {127027503590000000ull, {2003, 7, 2, 15, 13, 45, 59, 0}},
    };
    for (const SCase& c : cases)
    {
        SystemTime st;
        ASSERT_TRUE(FileTimeToSystemTime(c.time, &st));
        EXPECT_EQ(st.year, c.expected.year);
        EXPECT_EQ(st.month, c.expected.month);
        EXPECT_EQ(st.dayOfWeek, c.expected.dayOfWeek);
        EXPECT_EQ(st.day, c.expected.day);
        EXPECT_EQ(st.hour, c.expected.hour);
        EXPECT_EQ(st.minute, c.expected.minute);
        EXPECT_EQ(st.second, c.expected.second);
        EXPECT_EQ(st.milliseconds, c.expected.milliseconds);
    }
    SystemTime st;
    EXPECT_FALSE(FileTimeToSystemTime(0x8000000000000000ull, &st));
}

TEST(PlatformTime, DosDateTime)
{
    std::uint16_t date = 0;
    std::uint16_t time = 0;
    // 2003-07-15 13:45:59: seconds are halved (59 -> 29).
    ASSERT_TRUE(FileTimeToDosDateTime(127027503590000000ull, &date, &time));
    EXPECT_EQ(date, (23 << 9) | (7 << 5) | 15);
    EXPECT_EQ(time, (13 << 11) | (45 << 5) | 29);
    // The last representable moment, and the years outside 1980..2107.
    ASSERT_TRUE(FileTimeToDosDateTime(UnixTimeToFileTime(4354819198, 0), &date, &time));
    EXPECT_EQ(date, (127 << 9) | (12 << 5) | 31);
    EXPECT_EQ(time, (23 << 11) | (59 << 5) | 29);
    EXPECT_FALSE(FileTimeToDosDateTime(UnixTimeToFileTime(4354819200, 0), &date, &time));
    EXPECT_FALSE(FileTimeToDosDateTime(UnixTimeToFileTime(315532799, 0), &date, &time));
    EXPECT_TRUE(FileTimeToDosDateTime(UnixTimeToFileTime(315532800, 0), &date, &time));
    EXPECT_EQ(date, (0 << 9) | (1 << 5) | 1);
}

TEST(PlatformTime, LocalFileTimeUsesTheZoneOffset)
{
    const char* saved = std::getenv("TZ");
    const std::string savedValue = saved ? saved : "";
    setenv("TZ", "XYZ-3", 1); // three hours east of UTC, no daylight saving
    tzset();
    FileTime local = 0;
    EXPECT_TRUE(FileTimeToLocalFileTime(kUnixEpoch, &local));
    EXPECT_EQ(local, kUnixEpoch + 3 * 3600 * kSecond);
    if (saved)
        setenv("TZ", savedValue.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST(PlatformTime, ClocksAndStrTime)
{
    std::int64_t frequency = 0;
    std::int64_t a = 0;
    std::int64_t b = 0;
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_GT(frequency, 0);
    ASSERT_TRUE(QueryPerformanceCounter(&a));
    ASSERT_TRUE(QueryPerformanceCounter(&b));
    EXPECT_GT(a, 0);
    EXPECT_GE(b, a);

    char buffer[16];
    std::memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(StrTime(buffer), buffer);
    ASSERT_EQ(std::strlen(buffer), 8u);
    EXPECT_EQ(buffer[2], ':');
    EXPECT_EQ(buffer[5], ':');
    SystemTime now;
    GetLocalTime(&now);
    EXPECT_GE(now.year, 2020);
    EXPECT_LE(now.hour, 23);
    EXPECT_LE(now.milliseconds, 999);
}

} // namespace
