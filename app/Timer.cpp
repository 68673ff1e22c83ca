// The timer scheduler: one list sorted by due time, run pass after pass.
#include "app/Timer.h"

#include <cmath>

#include "app/Clock.h"
#include "app/Orv_Log.h"

namespace {

constexpr double kPassInterval = 1.0 / 60.0;
// Longest single wait for a far (or never) due timer; the loop then looks again.
constexpr double kMaxWait = 1.0;

// Plain globals with constant initialisation: timers with static storage may start and stop
// before and after any dynamic initialiser of this file.
CTimer* g_head = nullptr;
int g_count = 0;
uint64_t g_entries = 0;
uint64_t g_pass = 0;
uint32_t g_enableMask = 0xFFFFFFFFu;
bool g_stop = false;
bool g_inPass = false;
// Timer whose callback is running; cleared by its destructor so that the pass sees the deletion.
CTimer* g_running = nullptr;

// Whole periods in a span, clamped to a defined range (NaN gives 0).
int64_t whole_periods(double span, double period)
{
    const double k = std::floor(span / period);
    if (!(k > 0.0))
        return 0;
    if (k >= 9.0e18)
        return int64_t(9000000000000000000LL);
    return static_cast<int64_t>(k);
}

}  // namespace

struct SchedulerAccess {
    // Equal due times: higher priority first, then the earlier entry.
    static bool Before(const CTimer* a, const CTimer* b)
    {
        if (a->due_ != b->due_)
            return a->due_ < b->due_;
        if (a->priority != b->priority)
            return a->priority > b->priority;
        return a->entry_ < b->entry_;
    }

    static void Link(CTimer* t)
    {
        t->entry_ = ++g_entries;
        CTimer* prev = nullptr;
        CTimer* cur = g_head;
        while (cur && !Before(t, cur)) {
            prev = cur;
            cur = cur->next_;
        }
        t->prev_ = prev;
        t->next_ = cur;
        if (prev)
            prev->next_ = t;
        else
            g_head = t;
        if (cur)
            cur->prev_ = t;
        t->active_ = true;
        ++g_count;
    }

    static void Unlink(CTimer* t)
    {
        if (!t->active_)
            return;
        if (t->prev_)
            t->prev_->next_ = t->next_;
        else
            g_head = t->next_;
        if (t->next_)
            t->next_->prev_ = t->prev_;
        t->prev_ = t->next_ = nullptr;
        t->active_ = false;
        --g_count;
    }

    static void Start(CTimer* t, double delay)
    {
        Unlink(t);
        ++t->generation_;
        const double now = get_current_time();
        t->due_ = now + (delay > 0.0 ? delay : 0.0);
        t->end_ = t->duration >= 0.0 ? t->due_ + t->duration : t->due_;
        t->started_ = false;
        t->missed_ = 0;
        // A timer started during a pass first runs in the next one, so that callbacks starting
        // timers cannot keep a pass going.
        t->lastPass_ = g_pass;
        Link(t);
    }

    // True while the callback left the timer as it was: alive, linked and not restarted.
    static bool Unchanged(CTimer* t, uint32_t generation)
    {
        return g_running == t && t->active_ && t->generation_ == generation;
    }

    static void Run(CTimer* t, double now)
    {
        const uint32_t generation = t->generation_;
        g_running = t;
        t->lastRun_ = now;
        if (!t->started_) {
            t->started_ = true;
            if (t->startCallback)
                t->startCallback.Invoke(*t);
            if (!Unchanged(t, generation))
                return;
        }
        if (t->end_ <= now) {
            // Unlinked first, so that the end callback may start the timer again.
            Unlink(t);
            if (t->endCallback)
                t->endCallback.Invoke(*t);
            return;
        }
        double next = now;
        t->missed_ = 0;
        if (t->period > 0.0) {
            // A late timer ticks once and keeps its phase; the skipped periods are reported.
            t->missed_ = whole_periods(now - t->due_, t->period);
            next = t->due_ + double(t->missed_ + 1) * t->period;
            if (next <= now)
                next += t->period;
        }
        if (next > t->end_)
            next = t->end_;
        if (t->tickCallback)
            t->tickCallback.Invoke(*t);
        if (!Unchanged(t, generation))
            return;
        Unlink(t);
        t->due_ = next;
        Link(t);
    }

    // Marks the timer visited in this pass; a timer whose mask misses the global mask keeps its
    // due time and runs in the first pass that enables it.
    static void Visit(CTimer* t, double now)
    {
        t->lastPass_ = g_pass;
        if ((t->enableMask & g_enableMask) != 0)
            Run(t, now);
    }

    static CTimer* NextDue(double now)
    {
        for (CTimer* t = g_head; t && t->due_ <= now; t = t->next_)
            if (t->lastPass_ != g_pass)
                return t;
        return nullptr;
    }

    static double HeadDue() { return g_head ? g_head->due_ : -CTimer::kEndless; }

    static void Clear()
    {
        while (g_head)
            Unlink(g_head);
    }
};

CTimer::~CTimer()
{
    SchedulerAccess::Unlink(this);
    if (g_running == this)
        g_running = nullptr;
}

void CTimer::Start() { SchedulerAccess::Start(this, 0.0); }
void CTimer::StartIn(double delay) { SchedulerAccess::Start(this, delay); }
void CTimer::Stop() { SchedulerAccess::Unlink(this); }

void Scheduler_RunPass(double now)
{
    if (g_inPass) {
        OrvError_Warning("Scheduler_RunPass() : called from inside a pass");
        return;
    }
    struct PassGuard {
        PassGuard() { g_inPass = true; }
        ~PassGuard() { g_inPass = false; g_running = nullptr; }
    } guard;
    ++g_pass;
    while (CTimer* t = SchedulerAccess::NextDue(now))
        SchedulerAccess::Visit(t, now);
}

void Scheduler_Run()
{
    g_stop = false;
    double last = -CTimer::kEndless;
    while (!g_stop) {
        double now = get_current_time();
        double wake = last + kPassInterval;
        const double headDue = SchedulerAccess::HeadDue();
        if (g_head && headDue > wake)
            wake = headDue < now + kMaxWait ? headDue : now + kMaxWait;
        if (now < wake) {
            CTClock::Wait(wake - now);
            now = get_current_time();
        }
        last = now;
        Scheduler_RunPass(now);
    }
}

void Scheduler_Stop() { g_stop = true; }
void Scheduler_Clear() { SchedulerAccess::Clear(); }
void Scheduler_SetEnableMask(uint32_t mask) { g_enableMask = mask; }
uint32_t Scheduler_GetEnableMask() { return g_enableMask; }
int Scheduler_Count() { return g_count; }
