// Test support: the mouse motion that turns the panorama view to given angles, as a player would.
#pragma once
#include <cmath>

#include "app/Config.h"
#include "framework/Input.h"
#include "panorama/Orv_Warp.h"

// With the view at rest: true once it looks at (yaw, pitch) within 0.01 radian; else injects the motion
// that brings it there (the speeds then run down over the next passes) and returns false.
inline bool TurnViewTowards(float yaw, float pitch) {
    float y, p;
    OrvWarp_GetViewAngles(&y, &p);
    if (std::fabs(y - yaw) < 0.01f && std::fabs(p - pitch) < 0.01f) return true;
    const float perPixel = WARP_LOOK_GAIN / (1 - WARP_LOOK_DECAY) * float(g_Config.mouseSpeed) / 100.0f;
    Input_InjectMouseMove(int(std::lround((yaw - y) / perPixel)), int(std::lround(-(pitch - p) / perPixel)));
    return false;
}
