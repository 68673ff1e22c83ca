// Test support: where a click zone lies for the player, found from the world's data rather than fixed angles.
#pragma once
#include <cmath>
#include <functional>

#include "panorama/Orv_Spw.h"
#include "panorama/Orv_Warp.h"
#include "world/wam.h"

// View angles of the direction through pixel (px, py) of a 512-pixel cube face (0 ahead, 1 right, 2 behind,
// 3 left, 4 up, 5 down), the faces laid out as the world writer lays zone outlines.
inline void FacePixelAngles(int face, float px, float py, float* yaw, float* pitch) {
    const double u = px / 256.0 - 1.0, v = 1.0 - py / 256.0;
    double x, y, z;
    switch (face) {
    case 0: x = u, y = v, z = 1; break;
    case 1: x = 1, y = v, z = -u; break;
    case 2: x = -u, y = v, z = -1; break;
    case 3: x = -1, y = v, z = u; break;
    case 4: x = u, y = 1, z = -v; break;
    default: x = u, y = -1, z = v; break;
    }
    *yaw = float(std::atan2(x, z));
    *pitch = float(std::atan2(y, std::hypot(x, z)));
}

// The direction of the middle of the zone's outline as view angles (radians); false for an outline of
// fewer than three points.
inline bool ZoneMiddle(const ST_wam_zclic& zone, float* yaw, float* pitch) {
    if (zone.nb_points < 3) return false;
    double x = 0, y = 0, z = 0;
    for (const ST_wam_point* p = zone.points; p; p = p->next) {
        x += p->x;
        y += p->y;
        z += p->z;
    }
    *yaw = float(std::atan2(x, z));
    *pitch = float(std::atan2(y, std::hypot(x, z)));
    return true;
}

// The middle of what a view sprite painted into its face in the last frame, as view angles; false when it
// painted nothing.
inline bool SpriteMiddle(const ST_spw_visible& slot, float* yaw, float* pitch) {
    if (slot.drawn.right < slot.drawn.left || slot.drawn.bottom < slot.drawn.top) return false;
    FacePixelAngles(slot.face, (slot.drawn.left + slot.drawn.right + 1) / 2.0f,
                    (slot.drawn.top + slot.drawn.bottom + 1) / 2.0f, yaw, pitch);
    return true;
}

// The angles the current view lets the player turn to when aiming at (yaw, pitch): the view's own limits
// applied by the panorama (whose angles are left as they were).
inline void LimitedAim(float* yaw, float* pitch) {
    float was[2];
    OrvWarp_GetViewAngles(&was[0], &was[1]);
    OrvWarp_SetViewAngles(*yaw, *pitch);
    OrvWarp_GetViewAngles(yaw, pitch);
    OrvWarp_SetViewAngles(was[0], was[1]);
}

// The angles that bring the zone's middle under the screen centre within the view's limits.
inline bool ZoneAim(const ST_wam_zclic& zone, float* yaw, float* pitch) {
    if (!ZoneMiddle(zone, yaw, pitch)) return false;
    LimitedAim(yaw, pitch);
    return true;
}

// The first zone of the current view that the test picks; null when none.
inline ST_wam_zclic* FindZone(const std::function<bool(const ST_wam_zclic&)>& pick) {
    if (!OrvWam_CurrentVue) return nullptr;
    for (ST_wam_zclic* z = OrvWam_CurrentVue->zclic; z; z = z->next)
        if (pick(*z)) return z;
    return nullptr;
}
