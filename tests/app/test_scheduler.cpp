// Scheduler ordering, enable masks, timer callbacks, pass pacing and the application's Run/Quit.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/Clock.h"
#include "app/Orv_Log.h"
#include "app/Timer.h"

namespace {

std::vector<std::string> g_events;
std::vector<const CTimer*> g_order;

void record_tick(CTimer& t) { g_order.push_back(&t); }
void log_start(CTimer&) { g_events.push_back("start"); }
void log_tick(CTimer&) { g_events.push_back("tick"); }
void log_end(CTimer&) { g_events.push_back("end"); }

struct SchedulerFixture : ::testing::Test {
    CTManualClock clock{0.0};
    void SetUp() override
    {
        Scheduler_Clear();
        Scheduler_SetEnableMask(0xFFFFFFFFu);
        g_events.clear();
        g_order.clear();
    }
    void TearDown() override
    {
        Scheduler_Clear();
        Scheduler_SetEnableMask(0xFFFFFFFFu);
    }
};

}  // namespace

TEST_F(SchedulerFixture, DueTimeThenPriorityThenEntryOrder)
{
    CTimer a(record_tick, 0.0, 0), b(record_tick, 0.0, 5), c(record_tick, 0.0, 0), late(record_tick, 0.0, 9);
    late.StartIn(0.5);
    a.Start();
    b.Start();
    c.Start();
    Scheduler_RunPass(0.0);
    EXPECT_EQ(g_order, (std::vector<const CTimer*>{&b, &a, &c}));

    // All four due: the earliest due time wins over a higher priority.
    g_order.clear();
    Scheduler_RunPass(1.0);
    ASSERT_EQ(g_order.size(), 4u);
    EXPECT_EQ(g_order[0], &b);
    EXPECT_EQ(g_order[1], &a);
    EXPECT_EQ(g_order[2], &c);
    EXPECT_EQ(g_order[3], &late);

    // Once all share the same due time, priority decides and the order stays stable pass after pass.
    for (double t : {2.0, 3.0}) {
        g_order.clear();
        Scheduler_RunPass(t);
        EXPECT_EQ(g_order, (std::vector<const CTimer*>{&late, &b, &a, &c}));
    }
}

TEST_F(SchedulerFixture, MaskedTimersArePostponedNotDropped)
{
    CTimer masked(record_tick, 1.0), open(record_tick, 1.0);
    masked.enableMask = 0x2;
    open.enableMask = 0x1;
    masked.Start();
    open.Start();
    Scheduler_SetEnableMask(0x1);
    for (double t : {0.0, 1.0, 2.0, 3.5})
        Scheduler_RunPass(t);
    EXPECT_EQ(g_order, (std::vector<const CTimer*>(4, &open)));
    EXPECT_TRUE(masked.IsActive());
    EXPECT_EQ(masked.DueTime(), 0.0);

    g_order.clear();
    Scheduler_SetEnableMask(0x3);
    Scheduler_RunPass(4.25);
    // Ran once, late: the skipped periods are reported and the phase is kept.
    ASSERT_EQ(g_order.size(), 2u);
    EXPECT_EQ(g_order[0], &masked);
    EXPECT_EQ(masked.Missed(), 4);
    EXPECT_DOUBLE_EQ(masked.DueTime(), 5.0);
    EXPECT_EQ(masked.LastRunTime(), 4.25);
}

TEST_F(SchedulerFixture, StartTickAndEndCallbacks)
{
    CTimer t(log_tick, 1.0);
    t.startCallback = log_start;
    t.endCallback = log_end;
    t.duration = 2.5;
    t.Start();
    for (double now : {0.0, 0.5, 1.0, 2.0, 2.4, 3.0, 4.0})
        Scheduler_RunPass(now);
    EXPECT_EQ(g_events, (std::vector<std::string>{"start", "tick", "tick", "tick", "end"}));
    EXPECT_FALSE(t.IsActive());
    EXPECT_EQ(Scheduler_Count(), 0);

    // The end is not held back by a long period.
    g_events.clear();
    clock.Set(10.0);
    t.period = 100.0;
    t.duration = 1.0;
    t.Start();
    Scheduler_RunPass(10.0);
    EXPECT_DOUBLE_EQ(t.DueTime(), 11.0);
    Scheduler_RunPass(11.0);
    EXPECT_EQ(g_events, (std::vector<std::string>{"start", "tick", "end"}));

    // A zero duration runs the start and the end in one visit.
    g_events.clear();
    t.duration = 0.0;
    t.Start();
    Scheduler_RunPass(10.0);
    EXPECT_EQ(g_events, (std::vector<std::string>{"start", "end"}));
}

namespace {
CTimer* g_restarting = nullptr;
int g_restarts = 0;
void restart_self(CTimer& t)
{
    ++g_restarts;
    t.Start();
}
void delete_self(CTimer& t)
{
    g_events.push_back("deleted");
    delete &t;
}
void stop_other(CTimer&) { g_restarting->Stop(); }
void start_other(CTimer&) { g_restarting->Start(); }
}  // namespace

TEST_F(SchedulerFixture, CallbacksMayRestartStopOrDeleteTimers)
{
    // A timer restarting itself is due again at once but runs only in the next pass.
    g_restarts = 0;
    CTimer self(restart_self, 0.0);
    self.Start();
    Scheduler_RunPass(0.0);
    Scheduler_RunPass(0.0);
    EXPECT_EQ(g_restarts, 2);
    self.Stop();

    // A period-0 timer runs exactly once per pass.
    CTimer every(record_tick, 0.0);
    every.Start();
    for (int i = 0; i < 3; ++i)
        Scheduler_RunPass(1.0);
    EXPECT_EQ(g_order.size(), 3u);
    every.Stop();

    // Stopping a timer that is due later in the same pass keeps it from running.
    CTimer first(stop_other, 0.0, 1), second(record_tick, 0.0, 0);
    g_restarting = &second;
    g_order.clear();
    first.Start();
    second.Start();
    Scheduler_RunPass(2.0);
    EXPECT_TRUE(g_order.empty());
    EXPECT_EQ(Scheduler_Count(), 1);

    // A timer started during a pass waits for the next one.
    first.tickCallback = start_other;
    Scheduler_RunPass(2.0);
    EXPECT_TRUE(g_order.empty());
    Scheduler_RunPass(2.0);
    EXPECT_EQ(g_order, (std::vector<const CTimer*>{&second}));
    first.Stop();
    second.Stop();

    auto* owned = new CTimer(delete_self, 0.0);
    owned->Start();
    Scheduler_RunPass(3.0);
    EXPECT_EQ(g_events, (std::vector<std::string>{"deleted"}));
    EXPECT_EQ(Scheduler_Count(), 0);
}

namespace {
int g_passes = 0;
void count_and_stop_at_120(CTimer&)
{
    if (++g_passes == 120)
        Scheduler_Stop();
}
void stop_now(CTimer&) { Scheduler_Stop(); }
}  // namespace

TEST_F(SchedulerFixture, RunPacesPassesThroughTheClock)
{
    g_passes = 0;
    CTimer every(count_and_stop_at_120, 0.0);
    every.Start();
    Scheduler_Run();
    EXPECT_EQ(g_passes, 120);
    // 120 passes at most 60 a second: the manual clock was advanced, not spun on.
    EXPECT_NEAR(clock.Now(), 119.0 / 60.0, 1e-9);
    every.Stop();

    // With nothing due the loop waits for the next due time instead of running empty passes.
    double now = 0.0;
    int waits = 0;
    CTClock::SetSource({[&] { return now; }, [&](double s) { now += s; ++waits; }});
    CTimer later(stop_now, 0.0);
    later.StartIn(5.0);
    Scheduler_Run();
    EXPECT_NEAR(now, 5.0, 1e-9);
    EXPECT_LE(waits, 6);
    CTClock::ResetSource();
}

namespace {
int g_terminates = 0;
int g_quitAfter = 0;
bool g_quitInTerminate = false;
std::vector<std::string> g_debugLines;

int g_quitCode = 9;
void on_terminate()
{
    ++g_terminates;
    if (g_quitInTerminate)
        TheApplication().Quit(g_quitCode);
}
void quit_tick(CTimer&)
{
    if (--g_quitAfter == 0)
        TheApplication().Quit(7);
}
void throw_tick(CTimer&) { throw std::runtime_error("Load, invalid .db file"); }
CTimer g_appTimer;
void start_app_timer() { g_appTimer.Start(); }

struct AppFixture : SchedulerFixture {
    void SetUp() override
    {
        SchedulerFixture::SetUp();
        TheApplication().Reset();
        TheApplication().onStart = start_app_timer;
        TheApplication().onTerminate = on_terminate;
        g_terminates = 0;
        g_quitInTerminate = false;
        g_quitCode = 9;
        g_debugLines.clear();
        DebugOut().SetHook([](const std::string& l) { g_debugLines.push_back(l); });
    }
    void TearDown() override
    {
        DebugOut().ResetHook();
        g_appTimer.Stop();
        TheApplication().Reset();
        SchedulerFixture::TearDown();
    }
    int Run()
    {
        char arg0[] = "quillmar2", arg1[] = "-x";
        char* argv[] = {arg0, arg1, nullptr};
        return TheApplication().Run(2, argv);
    }
};
}  // namespace

TEST_F(AppFixture, QuitUnwindsToRunWithItsCodeAfterOneTerminate)
{
    g_appTimer.tickCallback = quit_tick;
    g_quitAfter = 3;
    EXPECT_EQ(Run(), 7);
    EXPECT_EQ(g_terminates, 1);
    EXPECT_TRUE(TheApplication().Terminated());
    EXPECT_EQ(TheApplication().argv, (std::vector<std::string>{"quillmar2", "-x"}));

    // A quit from inside the terminate handler does not run it again; its code is the last word.
    TheApplication().Reset();
    g_terminates = 0;
    g_quitInTerminate = true;
    g_quitAfter = 1;
    EXPECT_EQ(Run(), 9);
    EXPECT_EQ(g_terminates, 1);
}

TEST_F(AppFixture, EscapingExceptionIsReportedThenShutsDownWithItsCode)
{
    g_appTimer.tickCallback = throw_tick;
    EXPECT_EQ(Run(), ORV_EXIT_EXCEPTION);
    EXPECT_EQ(g_terminates, 1);
    EXPECT_EQ(g_debugLines, (std::vector<std::string>{"Exception : Load, invalid .db file"}));

    // A quit with code 0 from the shut-down does not hide the failure.
    TheApplication().Reset();
    g_terminates = 0;
    g_quitInTerminate = true;
    g_quitCode = 0;
    EXPECT_EQ(Run(), ORV_EXIT_EXCEPTION);
    EXPECT_EQ(g_terminates, 1);
}

TEST_F(AppFixture, StoppedSchedulerEndsWithTerminateAndZero)
{
    g_appTimer.tickCallback = stop_now;
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(g_terminates, 1);
}

TEST(CommandLine, SplitsAtBlanksAndTabs)
{
    EXPECT_EQ(SplitCommandLine("  game.exe\t-a  b\t\t"), (std::vector<std::string>{"game.exe", "-a", "b"}));
    EXPECT_TRUE(SplitCommandLine(" \t ").empty());
}
