// Click zones in 3D: which zone of a view lies under a screen point.
#pragma once
#include <cstdint>

#include "engine3d/Vector.h"

struct ST_wam_zclic;
class CTCamera;

// True when the view direction (world axes: x right, y up, z ahead at yaw 0) passes inside the zone's
// outline, a polygon of directions. Zones of fewer than three points are never hit.
bool z3d_zone_contains(const ST_wam_zclic* zone, const CTVector3& dir);
// First zone of the list whose outline contains the direction through the screen point, seen by the camera.
ST_wam_zclic* z3d_find_zone_at_camera(ST_wam_zclic* zones, const CTCamera& camera, float x, float y);
// The same through the panorama's camera (corner-based pixel coordinates; the render area's centre
// is the view axis).
ST_wam_zclic* z3d_find_zone_at(ST_wam_zclic* zones, int32_t x, int32_t y);
