// Calls from the menus into the main loop, the save games, the scenario, the music, the video and the panorama.
#pragma once
#include <cstdint>

#include "app/SystemTime.h"

// Save slots of one player: 0 to 98.
constexpr int32_t MN_SAVE_SLOTS = 99;
// Outcomes of a save: not written (the disk-error page), written, or not written for want of room
// (the disk-full page).
enum : int { MN_SAVE_FAILED = 0, MN_SAVED = 1, MN_SAVE_DISK_FULL = 2 };
enum : int { MN_RESUME_NONE = 0, MN_RESUMED = 1, MN_RESUME_FAILED = 2 };

// The menus sit below those modules, so they reach them through these entries, installed at start-up.
// An entry left null gives the neutral answer (nothing done, false, 0) unless its comment says otherwise.
struct OrvMenuHooks {
    // Main loop. Without the two loop-type entries the menus keep the loop type themselves; without Quit
    // the application object quits; without PresentFrame the frame is blitted and the main window flipped.
    int32_t (*GetLoopType)();
    int32_t (*SetLoopType)(int32_t type);
    void (*Quit)();
    void (*PresentFrame)();
    // Save games of the current save player. ScanSlot is true for a valid save and then gives its header.
    // Save gives one of the MN_SAVE_* outcomes; Load is false when nothing was loaded (a load that
    // waits for its CD has opened the CD page). Both log their reasons; the menus show a page for a
    // failure.
    void (*SaveGame_SetPlayer)(int32_t player);
    bool (*SaveGame_ScanSlot)(int32_t slot, SYSTEMTIME* savedAt, int32_t* picture);
    int (*SaveGame_Save)(int32_t slot);
    bool (*SaveGame_Load)(int32_t slot);
    bool (*SaveGame_Delete)(int32_t slot);
    // A load that waited for a CD, tried again: MN_RESUME_NONE when none waited, MN_RESUMED when it has
    // loaded, MN_RESUME_FAILED when it did not (waiting for the CD again has reopened the CD page).
    int (*SaveGame_ResumeLoad)();
    // Scenario: the new game, and the block a closed screen must run (false when none was pending:
    // otherwise the pending flag is cleared and the block run).
    bool (*Interp_RunInit)();
    bool (*RunPendingBlock)();
    // A place of a world file is current.
    bool (*IsWorldLoaded)();
    // Music.
    bool (*Muzik_Step)();
    int (*Muzik_GetMaxVol)();
    bool (*Muzik_SetMaxVol)(int volume);
    void (*Muzik_ApplyVolume)(int volume);
    bool (*Muzik_Start)(const char* name, int mark, int loops);
    // Video: the player forgets that its video carries the music.
    void (*Qmv_ClearMusicFlag)();
    // Panorama: draws the current view and leaves the render surface locked (one level, which the caller
    // gives back; false when nothing was locked); stops the mouse look.
    bool (*Warp_Render)();
    void (*Warp_StopMouseLook)();
    // Free bytes for the music copies; null reads the installation drive.
    uint64_t (*DiskFreeSpace)();
};
extern OrvMenuHooks MenuHooks;

// Forgets every entry and the loop type kept without a main loop (tests).
void OrvMenuHooks_Reset();

int32_t Menu_GetLoopType();
int32_t Menu_SetLoopType(int32_t type);
void Menu_Quit();
// Presents the frame drawn into the render surface, outside the main loop.
void Menu_PresentFrame();
// Flips the main window when one is open.
void Menu_FlipWindow();
uint64_t Menu_DiskFreeSpace();
