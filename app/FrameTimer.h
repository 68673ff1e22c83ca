// The 15-per-second frame timer: frame count, new-frame flags, tick hooks and the lag rule.
#pragma once
#include <cstdint>

constexpr int FRAME_TIMER_RATE = 15;
// A lag of this many seconds or more is dropped instead of caught up.
constexpr double FRAME_TIMER_MAX_LAG = 10.0;

// Ticks counted while the window is active and the game is not paused.
extern int32_t FrameCount;

// New-frame flags: every counted tick raises all of them; each consumer lowers its own.
enum : uint32_t {
    NEWFRAME_MAIN = 1u << 0,    // main loop, lowered after each pass
    NEWFRAME_MENU = 1u << 1,    // menu page, lowered after drawing its widgets
    NEWFRAME_PUZZLE = 1u << 2,  // puzzles that consume frames themselves
    NEWFRAME_VIDEO = 1u << 3,   // video player
    NEWFRAME_ALL = NEWFRAME_MAIN | NEWFRAME_MENU | NEWFRAME_PUZZLE | NEWFRAME_VIDEO,
};
extern uint32_t NewFrameFlags;

// True when the given flag was raised; lowers it.
bool frame_timer_take_flag(uint32_t flag);

// True once per tick: the count differs from the last seen count, which is then updated.
bool frame_timer_new_frame();
// Marks the current count as seen.
void frame_timer_sync();

// Starts the period-1/15 scheduler timer (restarts it when running); stop leaves the count as is.
void frame_timer_start();
void frame_timer_stop();
bool frame_timer_running();

// Hooks run on every counted tick, in the order added (music fades, dialogue step).
using FrameHook = void (*)();
void frame_timer_add_hook(FrameHook fn);
void frame_timer_remove_hook(FrameHook fn);
// Hook run once per accumulated second of counted ticks (the scenario clock).
void frame_timer_set_second_hook(FrameHook fn);

// The count freezes while the window is inactive or the game is paused.
void frame_timer_set_window_active(bool active);
void frame_timer_set_paused(bool paused);
bool frame_timer_window_active();
bool frame_timer_paused();

// Tests: stop the timer, zero the count and flags, forget hooks, active and not paused.
void frame_timer_reset();
