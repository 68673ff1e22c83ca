// Direction of a positioned sound seen from the listener of the view: right, left and front levels.
#include "panorama/WarpSound.h"

#include <algorithm>
#include <cmath>

#include "app/Orv_Log.h"
#include "raster/portable/RastConvert.h"
#include "world/wam.h"

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kZeroDistance = 0.1;

// Nearest integer, so that a level computed as 199.9999 by the trigonometry counts as 200.
int32_t Round(double v) { return RastTruncSat(std::floor(v + 0.5)); }
int32_t Level(double v) { return std::clamp(Round(v), 0, 255); }
}  // namespace

WarpSoundLevels warp_sound_levels(float sx, float sy, float sz, float level, float lx, float ly, float lz, float f0,
                                  float f1, float f2, float heading, float pitch) {
    const double dx = double(sx) - lx, dy = double(sy) - ly, dz = double(sz) - lz;
    double dist = std::sqrt(dx * dx + dy * dy + dz * dz);
    const bool atListener = !(dist > 0.0);
    if (atListener) dist = kZeroDistance;
    const double denom = double(f0) + double(f1) * dist + double(f2) * dist * dist;
    double gain = denom > 0.0 ? double(level) / denom : double(level);
    if (!std::isfinite(gain)) gain = 0.0;

    // The caller's heading carries a half turn: take it back so that sound positions share the zones' axes.
    const double yaw = double(heading) - kPi;
    double pan = 0.0, front = 1.0;
    const double horizontal = std::sqrt(dx * dx + dz * dz);
    if (!atListener && std::isfinite(dist)) {
        if (horizontal > 0.0) pan = (dx * std::cos(yaw) - dz * std::sin(yaw)) / horizontal;
        const double cp = std::cos(double(pitch));
        front = (dx * std::sin(yaw) * cp + dy * std::sin(double(pitch)) + dz * std::cos(yaw) * cp) / dist;
    }
    WarpSoundLevels out;
    out.right = Level(gain * std::min(1.0, 1.0 + pan));
    out.left = Level(gain * std::min(1.0, 1.0 - pan));
    out.front = std::clamp(Round(255.0 * front), -255, 255);
    return out;
}

void warp_sound_direction(ST_wam_son_pos* pos, float lx, float ly, float lz, float f0, float f1, float f2, float heading,
                          float pitch) {
    if (!pos) {
        OrvError_Warning("warp_sound_direction() p=NULL");
        return;
    }
    const WarpSoundLevels l = warp_sound_levels(pos->x, pos->y, pos->z, pos->level, lx, ly, lz, f0, f1, f2, heading, pitch);
    pos->rightLevel = l.right;
    pos->leftLevel = l.left;
    pos->third = float(l.front);
}
