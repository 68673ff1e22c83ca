// Direction of a positioned sound seen from the listener of the view: right, left and front levels.
#pragma once
#include <cstdint>

struct ST_wam_son_pos;

struct WarpSoundLevels {
    int32_t right;  // 0..255
    int32_t left;   // 0..255
    int32_t front;  // -255 (straight behind) .. 255 (straight ahead)
};

// Source at (sx, sy, sz) of the given level, listener at (lx, ly, lz), all in world axes (x right,
// y up, z ahead at yaw 0). The source level is divided by f0 + f1 d + f2 d^2 for a distance d (0
// counts as 0.1; a sum that is not positive leaves the level whole). `heading` is the view's yaw
// plus pi, as the ambient noises pass it; pitch is the view's.
WarpSoundLevels warp_sound_levels(float sx, float sy, float sz, float level, float lx, float ly, float lz, float f0,
                                  float f1, float f2, float heading, float pitch);

// Writes the right, left and third (front) outputs of a sound record's position block; the ambient
// noises' world link calls it.
void warp_sound_direction(ST_wam_son_pos* pos, float lx, float ly, float lz, float f0, float f1, float f2, float heading,
                          float pitch);
