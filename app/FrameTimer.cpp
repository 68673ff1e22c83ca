// The 15-per-second frame timer, driven by one scheduler timer.
#include "app/FrameTimer.h"

#include <cstring>

#include "app/Orv_Log.h"
#include "app/Timer.h"

int32_t FrameCount = 0;
uint32_t NewFrameFlags = 0;

namespace {

constexpr int MAX_FRAME_HOOKS = 16;

FrameHook g_hooks[MAX_FRAME_HOOKS];
int g_hookCount = 0;
FrameHook g_secondHook = nullptr;
int g_secondTicks = 0;
int32_t g_lastSeen = 0;
bool g_windowActive = true;
bool g_paused = false;

void count_tick()
{
    // Wraps instead of overflowing after years of play.
    FrameCount = static_cast<int32_t>(static_cast<uint32_t>(FrameCount) + 1u);
    NewFrameFlags |= NEWFRAME_ALL;
    // A hook may add or remove hooks; this tick runs the ones present when it began.
    FrameHook hooks[MAX_FRAME_HOOKS];
    const int n = g_hookCount;
    std::memcpy(hooks, g_hooks, sizeof(FrameHook) * n);
    for (int i = 0; i < n; ++i)
        hooks[i]();
    if (++g_secondTicks >= FRAME_TIMER_RATE) {
        g_secondTicks = 0;
        if (g_secondHook)
            g_secondHook();
    }
}

void frame_tick(CTimer& t)
{
    const double lag = t.LastRunTime() - t.DueTime();
    int64_t ticks = 1 + t.Missed();
    if (lag >= FRAME_TIMER_MAX_LAG) {
        // Resynchronise: the scheduler has already moved the timer past the gap.
        debug_log("frame_timer : lag of %.1f s dropped", lag);
        ticks = 1;
    }
    if (!g_windowActive || g_paused)
        return;
    for (int64_t i = 0; i < ticks; ++i)
        count_tick();
}

CTimer g_frameTimer(frame_tick, 1.0 / FRAME_TIMER_RATE);

}  // namespace

bool frame_timer_take_flag(uint32_t flag)
{
    const bool raised = (NewFrameFlags & flag) != 0;
    NewFrameFlags &= ~flag;
    return raised;
}

bool frame_timer_new_frame()
{
    if (FrameCount == g_lastSeen)
        return false;
    g_lastSeen = FrameCount;
    return true;
}

void frame_timer_sync() { g_lastSeen = FrameCount; }

void frame_timer_start()
{
    g_secondTicks = 0;
    g_frameTimer.Start();
}

void frame_timer_stop() { g_frameTimer.Stop(); }
bool frame_timer_running() { return g_frameTimer.IsActive(); }

void frame_timer_add_hook(FrameHook fn)
{
    if (!fn)
        return;
    if (g_hookCount >= MAX_FRAME_HOOKS) {
        OrvError_Warning("frame_timer_add_hook() : MAX_FRAME_HOOKS (%d) reached", MAX_FRAME_HOOKS);
        return;
    }
    g_hooks[g_hookCount++] = fn;
}

void frame_timer_remove_hook(FrameHook fn)
{
    for (int i = 0; i < g_hookCount; ++i) {
        if (g_hooks[i] == fn) {
            std::memmove(&g_hooks[i], &g_hooks[i + 1], sizeof(FrameHook) * (g_hookCount - i - 1));
            --g_hookCount;
            return;
        }
    }
}

void frame_timer_set_second_hook(FrameHook fn) { g_secondHook = fn; }

void frame_timer_set_window_active(bool active) { g_windowActive = active; }
void frame_timer_set_paused(bool paused) { g_paused = paused; }
bool frame_timer_window_active() { return g_windowActive; }
bool frame_timer_paused() { return g_paused; }

void frame_timer_reset()
{
    g_frameTimer.Stop();
    FrameCount = 0;
    NewFrameFlags = 0;
    g_lastSeen = 0;
    g_hookCount = 0;
    g_secondHook = nullptr;
    g_secondTicks = 0;
    g_windowActive = true;
    g_paused = false;
}
