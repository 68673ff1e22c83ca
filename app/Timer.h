// Scheduler timers and the scheduler that runs them pass after pass as the main loop.
#pragma once
#include <cstdint>
#include <limits>

#include "app/Application.h"

// One scheduler entry. The object is owned by its module; the scheduler only links it while active.
// A callback may stop or restart its own timer, or destroy it, but the scheduler never frees it.
class CTimer {
public:
    static constexpr double kEndless = std::numeric_limits<double>::infinity();

    CTimer() = default;
    CTimer(TimerCallback tick, double period, int priority = 0)
        : tickCallback(tick), period(period), priority(priority) {}
    ~CTimer();
    CTimer(const CTimer&) = delete;
    CTimer& operator=(const CTimer&) = delete;

    TimerCallback startCallback;  // once, at the first run
    TimerCallback tickCallback;   // each period (every pass when the period is 0)
    TimerCallback endCallback;    // when the end time has passed; the timer then leaves the list
    double period = 0.0;          // seconds
    double duration = kEndless;   // seconds from the start to the end
    uint32_t enableMask = 0xFFFFFFFFu;
    int priority = 0;             // among equal due times, higher runs first

    // Enters the list, due now (StartIn: after the delay); a running timer is restarted.
    void Start();
    void StartIn(double delay);
    // Leaves the list without calling the end callback.
    void Stop();

    bool IsActive() const { return active_; }
    double DueTime() const { return due_; }
    double EndTime() const { return end_; }
    double LastRunTime() const { return lastRun_; }
    // Whole periods skipped because the timer ran late; valid inside the tick callback.
    int64_t Missed() const { return missed_; }

private:
    friend struct SchedulerAccess;
    double due_ = 0.0;
    double end_ = kEndless;
    double lastRun_ = -kEndless;
    int64_t missed_ = 0;
    uint64_t entry_ = 0;     // entry order among equal due time and priority
    uint64_t lastPass_ = 0;  // pass that last visited the timer
    uint32_t generation_ = 0;
    bool active_ = false;
    bool started_ = false;
    CTimer* prev_ = nullptr;
    CTimer* next_ = nullptr;
};

// Runs passes until CApplication::Quit unwinds it or Scheduler_Stop is requested; at most 60 passes
// a second, waiting through CTClock::Wait.
void Scheduler_Run();
// One pass at the given time: every due timer whose mask meets the global enable mask runs once.
void Scheduler_RunPass(double now);
// Makes Scheduler_Run return after the current pass.
void Scheduler_Stop();
// Unlinks every timer.
void Scheduler_Clear();
// Timers whose enable mask misses this mask are postponed, never dropped.
void Scheduler_SetEnableMask(uint32_t mask);
uint32_t Scheduler_GetEnableMask();
// Number of linked timers.
int Scheduler_Count();
