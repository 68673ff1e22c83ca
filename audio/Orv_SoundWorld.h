// The world-file records and the world and panorama calls the ambient noises use.
#pragma once
#include <cstdint>

// The block of a sound record that the direction computation reads and writes.
struct ST_wam_son_pos {
    float x, y, z;
    float level;         // source level
    int32_t rightLevel;  // 0..255, written by the direction computation
    int32_t leftLevel;   // 0..255
    float third;         // its third output value
};

// One record of the world file's chain of sound records.
struct ST_wam_son {
    uint32_t id;
    char name[32];
    ST_wam_son_pos pos;
    uint8_t percent[4];
    char recording[4][16];  // not terminated when all 16 characters are used
    ST_wam_son* next;
};

// One entry of a view's ambient-noise list.
struct ST_wam_bruitage {
    uint32_t sonId;
    float factor[3];  // handed to the direction computation
    ST_wam_son* son;  // resolved at arrival in the view
    ST_wam_bruitage* next;
};

struct ST_wam_vue {
    uint32_t id;
    ST_wam_bruitage* bruitages;
};

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
