#include "net/NetTimer.h"

#include "platform/Time.h"

CNetTimer::CNetTimer()
{
    std::int64_t frequency = 0;
    if (plat::QueryPerformanceFrequency(&frequency) && frequency > 0)
    {
        m_i64Frequency = frequency;
        m_counter = []
        {
            std::int64_t count = 0;
            plat::QueryPerformanceCounter(&count);
            return count;
        };
    }
    else
    {
        // Milliseconds: the same commands at a thousandth of a second.
        m_counter = [] { return std::int64_t(plat::GetTickCount()); };
    }
}

CNetTimer::CNetTimer(CounterSource counter, std::int64_t frequency)
    : m_counter(std::move(counter)), m_i64Frequency(frequency > 0 ? frequency : 1000)
{
}

std::int64_t CNetTimer::Now() const
{
    return m_counter();
}

double CNetTimer::Command(ENetTimerCommand command)
{
    const bool held = m_i64StopTime != 0 && command != ENetTimerCommand::Start &&
                      command != ENetTimerCommand::GetAbsoluteTime;
    const std::int64_t now = held ? m_i64StopTime : Now();
    const double frequency = double(m_i64Frequency);
    switch (command)
    {
    case ENetTimerCommand::Reset:
        m_i64BaseTime = now;
        m_i64LastElapsed = now;
        m_i64StopTime = 0;
        m_bStopped = false;
        return 0.0;
    case ENetTimerCommand::Start:
        if (m_bStopped) m_i64BaseTime += now - m_i64StopTime;
        m_i64StopTime = 0;
        m_i64LastElapsed = now;
        m_bStopped = false;
        return 0.0;
    case ENetTimerCommand::Stop:
        if (!m_bStopped)
        {
            m_i64StopTime = now;
            m_i64LastElapsed = now;
            m_bStopped = true;
        }
        return 0.0;
    case ENetTimerCommand::Advance:
        m_i64StopTime += m_i64Frequency / 10;
        return 0.0;
    case ENetTimerCommand::GetAbsoluteTime:
        return double(now) / frequency;
    case ENetTimerCommand::GetAppTime:
        return double(now - m_i64BaseTime) / frequency;
    case ENetTimerCommand::GetElapsedTime:
    {
        const double elapsed = double(now - m_i64LastElapsed) / frequency;
        m_i64LastElapsed = now;
        return elapsed;
    }
    }
    return 0.0;
}
