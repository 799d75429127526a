// The connection's timer on a counter of our own (1000 ticks a second).
#include "net/NetTimer.h"

#include <gtest/gtest.h>

TEST(NetTimer, StopStartAndAdvanceMoveTheApplicationTime)
{
    std::int64_t now = 5000;
    CNetTimer timer([&] { return now; }, 1000);
    // Stopped with a stop time of 0: the clock is read, and the first
    // start only moves the base to now.
    EXPECT_DOUBLE_EQ(timer.Command(ENetTimerCommand::GetAppTime), 5.0);
    timer.Command(ENetTimerCommand::Start);
    now = 6500;
    EXPECT_DOUBLE_EQ(timer.Command(ENetTimerCommand::GetAppTime), 1.5);

    timer.Command(ENetTimerCommand::Stop);
    now = 9000;
    // Held at the stop; absolute time still reads the clock.
    EXPECT_DOUBLE_EQ(timer.Command(ENetTimerCommand::GetAppTime), 1.5);
    EXPECT_DOUBLE_EQ(timer.Command(ENetTimerCommand::GetAbsoluteTime), 9.0);
    timer.Command(ENetTimerCommand::Advance);
    EXPECT_DOUBLE_EQ(timer.Command(ENetTimerCommand::GetAppTime), 1.6);

    // The stopped time does not count (the advance does).
    timer.Command(ENetTimerCommand::Start);
    now = 10000;
    EXPECT_DOUBLE_EQ(timer.Command(ENetTimerCommand::GetAppTime), 2.6);
    EXPECT_DOUBLE_EQ(timer.Command(ENetTimerCommand::GetElapsedTime), 1.0);
    EXPECT_DOUBLE_EQ(timer.Command(ENetTimerCommand::GetElapsedTime), 0.0);

    timer.Command(ENetTimerCommand::Reset);
    now = 10250;
    EXPECT_DOUBLE_EQ(timer.Command(ENetTimerCommand::GetAppTime), 0.25);
}
