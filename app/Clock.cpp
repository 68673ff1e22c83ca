// The global clock: monotonic default source, replaceable sources and the manual test clock.
#include "app/Clock.h"

#include <chrono>
#include <cmath>
#include <thread>

namespace {

using SteadyClock = std::chrono::steady_clock;

// Seconds since the first reading, so that the double keeps sub-microsecond precision for days.
double steady_now()
{
    static const SteadyClock::time_point origin = SteadyClock::now();
    return std::chrono::duration<double>(SteadyClock::now() - origin).count();
}

void steady_wait(double seconds)
{
    // Bounded so that the conversion to the sleep's integer ticks cannot overflow.
    constexpr double kLongest = 86400.0;
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds < kLongest ? seconds : kLongest));
}

// Function-local so that static constructors of other files may read the clock.
CTClock::Source& source()
{
    static CTClock::Source src{steady_now, steady_wait};
    return src;
}

}  // namespace

double CTClock::GetTime() { return source().now(); }

void CTClock::Wait(double seconds)
{
    // NaN and non-positive waits return at once.
    if (!(seconds > 0.0))
        return;
    source().wait(seconds);
}

void CTClock::SetSource(Source src)
{
    if (!src.now || !src.wait) {
        ResetSource();
        return;
    }
    source() = std::move(src);
}

void CTClock::ResetSource() { source() = Source{steady_now, steady_wait}; }

double get_current_time() { return CTClock::GetTime(); }

CTManualClock::CTManualClock(double start) : t_(start)
{
    CTClock::SetSource({[this] { return t_; }, [this](double s) { t_ += s; }});
}

CTManualClock::~CTManualClock() { CTClock::ResetSource(); }
