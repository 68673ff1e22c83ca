// The global clock: seconds as a double, from a source that tests can replace.
#pragma once
#include <functional>

class CTClock {
public:
    // Current time in seconds.
    static double GetTime();
    // Waits the given seconds through the clock source (a test clock advances instead of sleeping).
    static void Wait(double seconds);

    // A clock source: now() gives seconds, wait(s) lets s seconds pass.
    struct Source {
        std::function<double()> now;
        std::function<void(double)> wait;
    };
    static void SetSource(Source src);
    // Back to the monotonic system clock.
    static void ResetSource();
};

// A manual clock for tests: time moves only when advanced (Wait advances it).
class CTManualClock {
public:
    explicit CTManualClock(double start = 0.0);
    ~CTManualClock();  // restores the system clock
    void Advance(double seconds) { t_ += seconds; }
    void Set(double t) { t_ = t; }
    double Now() const { return t_; }

private:
    double t_;
};

// The scheduler's time in seconds (the clock's time).
double get_current_time();
