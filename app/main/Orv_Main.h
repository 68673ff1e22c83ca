// The game's start-up, per-pass dispatch on the loop type, and shut-down.
#pragma once
#include <cstdint>

// Main-loop modes.
enum : int32_t {
    LOOP_WARP = 0,
    LOOP_QMV = 1,
    LOOP_DIALOGUE = 2,
    LOOP_MENU = 5,
    LOOP_SAVE = 7,
    LOOP_LOAD = 8,
    LOOP_PIROGUE = 9,
    LOOP_MESSAGE = 10,
    LOOP_VIEWBIGSPR = 11,
};

extern int32_t LoopType;
int32_t OrvMain_GetLoopType();
// Stores the type, logs it and returns the previous one; 800-wide panorama rendering only in types 0 and 10.
int32_t OrvMain_SetLoopType(int32_t type);

// Application handlers.
void OrvMain_OnInit();
void OnTerminate();
void OrvMain_OnException(const char* text);
// Installs the three handlers in the application object.
void OrvMain_InstallHandlers();

// Start-up after the window: each module in order.
void OrvMain_InitSubsystems();
// One pass of the current loop type (period-0 scheduler timer).
void OrvMain_LoopFrame();
// Ends the program through CApplication::Quit with code 0.
[[noreturn]] void OrvMain_Quit();

// Opens the window at the configured size and pixel format.
bool openwindow();

// Version line of the log.
extern const char* const ORV_VERSION_TEXT;
