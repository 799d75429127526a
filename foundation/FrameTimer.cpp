#include "foundation/FrameTimer.h"

#include "platform/Time.h"

#include <utility>

CFrameTimer g_FrameTimer;

namespace
{
constexpr float kMinFrameTime = 0.0001f;
constexpr float kMaxFrameTime = 1.0f;
constexpr float kResetFrameTime = 0.025f; // 40 frames per second
constexpr std::uint32_t kResetFps = 40;

std::int64_t PlatformCounter()
{
    std::int64_t now = 0;
    plat::QueryPerformanceCounter(&now);
    return now;
}

std::int64_t PlatformFrequency()
{
    std::int64_t frequency = 0;
    plat::QueryPerformanceFrequency(&frequency);
    return frequency;
}
} // namespace

CFrameTimer::CFrameTimer() : CFrameTimer(PlatformCounter, PlatformFrequency()) {}

CFrameTimer::CFrameTimer(CounterSource counter, std::int64_t frequency) : m_counter(std::move(counter))
{
    // A zero (or nonsensical) frequency would divide every time by zero.
    m_i64Frequency = frequency > 0 ? frequency : kDefaultFrequency;
    m_i64Start = ReadCounter();
    m_dElapsed = 0.0;
    Reset();
    m_dwStarted = 1;
}

std::int64_t CFrameTimer::ReadCounter() const
{
    return m_counter ? m_counter() : 0;
}

void CFrameTimer::SetElapsed(std::int64_t now)
{
    m_dElapsed = static_cast<double>(now - m_i64Start) / static_cast<double>(m_i64Frequency);
}

void CFrameTimer::Reset()
{
    const std::int64_t now = ReadCounter();
    SetElapsed(now);
    m_dwFrames = 0;
    // Stamp k counted back from the newest lies k/40 s before now.
    for (int k = 0; k < kStamps; ++k)
        m_ai64Stamps[kStamps - 1 - k] = now - (k * m_i64Frequency) / 40;
    m_fFrameTime = kResetFrameTime;
    m_fPrevFrameTime = kResetFrameTime;
    m_dwFpsFrames = 0;
    m_fFpsTime = 0.0f;
    m_dwFps = kResetFps;
}

float CFrameTimer::Update()
{
    ++m_dwFrames;
    m_fPrevFrameTime = m_fFrameTime;

    const std::int64_t now = ReadCounter();
    SetElapsed(now);

    // The mean of the last ten frames, in whole ticks, then in seconds.
    const std::int64_t meanTicks = (now - m_ai64Stamps[0]) / kStamps;
    m_fFrameTime = static_cast<float>(static_cast<double>(meanTicks) / static_cast<double>(m_i64Frequency));

    const std::int64_t previous = m_ai64Stamps[kStamps - 1];
    for (int i = 0; i + 1 < kStamps; ++i)
        m_ai64Stamps[i] = m_ai64Stamps[i + 1];
    m_ai64Stamps[kStamps - 1] = now;

    if (m_fFrameTime > kMaxFrameTime) m_fFrameTime = kMaxFrameTime;
    if (m_fFrameTime < kMinFrameTime) m_fFrameTime = kMinFrameTime;

    // The frames-per-second count uses this frame alone, not the mean.
    ++m_dwFpsFrames;
    m_fFpsTime +=
        static_cast<float>(static_cast<double>(now - previous) / static_cast<double>(m_i64Frequency));
    if (m_fFpsTime > 1.0f)
    {
        m_dwFps = m_dwFpsFrames;
        m_dwFpsFrames = 0;
        m_fFpsTime -= 1.0f;
    }
    return m_fFrameTime;
}

void CFrameTimer::SkipElapsed()
{
    const std::int64_t now = ReadCounter();
    SetElapsed(now);
    const std::int64_t skipped = now - m_ai64Stamps[kStamps - 1];
    for (std::int64_t& stamp : m_ai64Stamps)
        stamp += skipped;
}

double CFrameTimer::GetElapsedTicks()
{
    SetElapsed(ReadCounter());
    return m_dElapsed;
}
