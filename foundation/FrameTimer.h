// CFrameTimer: the time of each frame from the high-resolution counter,
// averaged over the last ten frames and clamped to [0.0001, 1.0] s, plus a
// frames-per-second count. The game multiplies all motion by GetFrameTime().
//
// g_FrameTimer is the program-wide timer, constructed before main from the
// platform's performance counter. A timer can instead be given its own
// counter source (tests, replays); it then never reads the platform counter.
//
// Thread safety: none; the timers belong to the main thread.
#pragma once

#include <cstdint>
#include <functional>

class CFrameTimer
{
public:
    static constexpr int kStamps = 10;
    // Ticks per second assumed when the counter reports a frequency of 0.
    static constexpr std::int64_t kDefaultFrequency = 1000000;

    using CounterSource = std::function<std::int64_t()>;

    CFrameTimer(); // the platform's performance counter
    CFrameTimer(CounterSource counter, std::int64_t frequency);

    // Restarts the measurement as if the last ten frames had lasted 1/40 s.
    void Reset();
    // Once per frame; returns the new frame time in seconds.
    float Update();
    // Moves every stamp forward by the time since the last one, so that a
    // pause or a load does not count as frame time.
    void SkipElapsed();
    // Refreshes the elapsed time (seconds since construction) and returns it.
    double GetElapsedTicks();

    bool IsStarted() const { return m_dwStarted != 0; }
    float GetFrameTime() const { return m_fFrameTime; }
    // The game scales the frame's time once (its time effect, the pause):
    // what reads GetFrameTime afterwards sees the scaled value.
    void SetFrameTime(float frameTime) { m_fFrameTime = frameTime; }
    float GetPrevFrameTime() const { return m_fPrevFrameTime; }
    std::uint32_t GetFps() const { return m_dwFps; }
    std::uint32_t GetFrames() const { return m_dwFrames; }
    double GetElapsed() const { return m_dElapsed; }
    std::int64_t GetFrequency() const { return m_i64Frequency; }

private:
    std::int64_t ReadCounter() const;
    void SetElapsed(std::int64_t now);

    CounterSource m_counter;
    std::uint32_t m_dwStarted = 0;
    std::int64_t m_i64Frequency = kDefaultFrequency;
    std::int64_t m_i64Start = 0;
    std::uint32_t m_dwFrames = 0;
    std::int64_t m_ai64Stamps[kStamps] = {}; // oldest first
    float m_fPrevFrameTime = 0.0f;
    float m_fFrameTime = 0.0f;
    std::uint32_t m_dwFpsFrames = 0;
    float m_fFpsTime = 0.0f;
    std::uint32_t m_dwFps = 0;
    double m_dElapsed = 0.0;
};

extern CFrameTimer g_FrameTimer;
