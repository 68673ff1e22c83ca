// Frame timer counting, new-frame flags, hooks, freezing and the lag rule, on a manual clock.
#include <gtest/gtest.h>

#include <cmath>

#include "app/Clock.h"
#include "app/FrameTimer.h"
#include "app/Timer.h"

namespace {

int g_hookRuns = 0;
int g_seconds = 0;
void tick_hook() { ++g_hookRuns; }
void second_hook() { ++g_seconds; }

struct FrameTimerFixture : ::testing::Test {
    CTManualClock clock{0.0};
    void SetUp() override
    {
        Scheduler_Clear();
        frame_timer_reset();
        g_hookRuns = 0;
        g_seconds = 0;
        frame_timer_add_hook(tick_hook);
        frame_timer_set_second_hook(second_hook);
        frame_timer_start();
    }
    void TearDown() override
    {
        frame_timer_reset();
        Scheduler_Clear();
    }
    // Passes on a fixed grid of 60 a second, 4 ms off the tick boundaries so that rounding
    // cannot move a tick from one pass to another.
    void RunPassesUntil(double end)
    {
        for (int k = 0;; ++k) {
            const double t = 0.004 + k / 60.0;
            if (t >= end)
                break;
            if (t > clock.Now())
                PassAt(t);
        }
    }
    void PassAt(double t)
    {
        clock.Set(t);
        Scheduler_RunPass(t);
    }
};

}  // namespace

TEST_F(FrameTimerFixture, CountsFifteenTicksASecondAndRaisesFlags)
{
    RunPassesUntil(1.0);
    EXPECT_EQ(FrameCount, 15);
    EXPECT_EQ(g_hookRuns, 15);
    EXPECT_EQ(g_seconds, 1);
    EXPECT_EQ(NewFrameFlags, uint32_t(NEWFRAME_ALL));

    EXPECT_TRUE(frame_timer_new_frame());
    EXPECT_FALSE(frame_timer_new_frame());
    EXPECT_TRUE(frame_timer_take_flag(NEWFRAME_MENU));
    EXPECT_FALSE(frame_timer_take_flag(NEWFRAME_MENU));
    EXPECT_EQ(NewFrameFlags, uint32_t(NEWFRAME_ALL & ~NEWFRAME_MENU));

    RunPassesUntil(1.1);
    EXPECT_EQ(FrameCount, 17);
    frame_timer_sync();
    EXPECT_FALSE(frame_timer_new_frame());
}

TEST_F(FrameTimerFixture, MissedTicksUnderTenSecondsAreEachCounted)
{
    PassAt(0.004);
    ASSERT_EQ(FrameCount, 1);
    // Every tick boundary up to the pass counts, hooks and seconds included.
    PassAt(2.004);
    EXPECT_EQ(FrameCount, 31);
    EXPECT_EQ(g_hookRuns, 31);
    EXPECT_EQ(g_seconds, 2);

    PassAt(11.9);  // a lag of 9.83 s: still caught up
    EXPECT_EQ(FrameCount, int32_t(std::floor(11.9 * 15)) + 1);
}

TEST_F(FrameTimerFixture, LagOfTenSecondsOrMoreIsDropped)
{
    PassAt(0.004);
    PassAt(12.004);
    EXPECT_EQ(FrameCount, 2);
    EXPECT_EQ(g_seconds, 0);
    // Back on the rhythm at once, with no burst of catch-up ticks.
    RunPassesUntil(13.0);
    EXPECT_EQ(FrameCount, 2 + 14);  // ticks 181/15 to 194/15
}

TEST_F(FrameTimerFixture, InactiveWindowOrPauseFreezesTheCount)
{
    RunPassesUntil(0.5);
    const int32_t before = FrameCount;
    NewFrameFlags = 0;
    frame_timer_set_window_active(false);
    RunPassesUntil(1.5);
    EXPECT_EQ(FrameCount, before);
    EXPECT_EQ(NewFrameFlags, 0u);
    EXPECT_EQ(g_hookRuns, before);

    frame_timer_set_window_active(true);
    frame_timer_set_paused(true);
    RunPassesUntil(2.5);
    EXPECT_EQ(FrameCount, before);

    // Resuming counts on from the frozen value without making up the frozen time.
    frame_timer_set_paused(false);
    RunPassesUntil(3.0);
    EXPECT_EQ(FrameCount, before + 7);  // ticks 38/15 to 44/15
    EXPECT_TRUE(frame_timer_running());
}

TEST_F(FrameTimerFixture, HooksCanBeRemoved)
{
    PassAt(0.004);
    frame_timer_remove_hook(tick_hook);
    PassAt(0.1);
    EXPECT_EQ(FrameCount, 2);
    EXPECT_EQ(g_hookRuns, 1);
}
