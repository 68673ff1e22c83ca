// The world-file records and the world and panorama calls the ambient noises use.
#pragma once
#include <cstdint>

#include "world/wam.h"

// What the world model and the panorama provide; they install it at start-up. Missing entries read
// as no current view, no world and a listener that hears nothing.
struct OrvSoundWorldLink {
    ST_wam_vue* (*currentView)() = nullptr;
    const char* (*worldName)() = nullptr;  // file name of the loaded world file
    ST_wam_son* (*sounds)() = nullptr;     // head of its sound-record chain
    void (*getViewAngles)(float* yaw, float* pitch) = nullptr;
    // Writes the record's right and left levels from its position seen from the listener.
    void (*soundDirection)(ST_wam_son_pos* pos, float lx, float ly, float lz, float f0, float f1, float f2, float yaw,
                           float pitch) = nullptr;
};
void OrvSound_SetWorldLink(const OrvSoundWorldLink& link);
