// CNetTimer: the connection's high-resolution timer, driven by seven
// commands. The performance counter is its clock (the millisecond tick
// count when the platform has no counter); a timer can be given a counter
// source of its own (tests).
//
// While a stop time is held (stopped, or advanced), "now" is that time for
// every command but Start and GetAbsoluteTime. The timer begins stopped with
// a stop time of 0, so reading it uses the clock, and the first Start only
// moves the base to now.
//
// Threads: the game thread only.
#pragma once

#include <cstdint>
#include <functional>

enum class ENetTimerCommand
{
    Reset,           // base and last = now, running
    Start,           // a stopped timer runs again; the stopped time does not count
    Stop,            // holds now
    Advance,         // the held time moves on by a tenth of a second
    GetAbsoluteTime, // now, seconds
    GetAppTime,      // now - base, seconds
    GetElapsedTime,  // now - last, seconds; last = now
};

class CNetTimer
{
public:
    using CounterSource = std::function<std::int64_t()>;

    CNetTimer(); // the platform's performance counter
    CNetTimer(CounterSource counter, std::int64_t frequency);

    // 0 for the commands that return nothing.
    double Command(ENetTimerCommand command);

private:
    std::int64_t Now() const;

    CounterSource m_counter;
    std::int64_t m_i64Frequency = 1000;
    bool m_bStopped = true;
    std::int64_t m_i64StopTime = 0;
    std::int64_t m_i64LastElapsed = 0;
    std::int64_t m_i64BaseTime = 0;
};
