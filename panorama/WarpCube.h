// The panorama cube: face layout, directions to face pixels, and drawing the cube through a camera.
#pragma once
#include <cstdint>

#include "engine3d/Camera.h"
#include "engine3d/Quaternion.h"
#include "engine3d/Vector.h"
#include "graphics2d/Surface.h"

class CTWarpRasterizer;

// Faces in file order. Panorama space is the camera's: x right, y down, z ahead at yaw 0.
enum : int {
    WARP_FACE_FRONT = 0,  // +z
    WARP_FACE_RIGHT = 1,  // +x
    WARP_FACE_BACK = 2,   // -z
    WARP_FACE_LEFT = 3,   // -x
    WARP_FACE_UP = 4,     // -y
    WARP_FACE_DOWN = 5,   // +y
    WARP_NB_FACES = 6,
};
constexpr int WARP_FACE_SIZE = 512;

// The point of a face at (s, t) in [-1, 1]: s across the picture to the right, t down it.
CTVector3 WarpCube_FacePoint(int face, float s, float t);
// The face a direction meets and where, as picture fractions (0 left / top, 1 right / bottom).
// False for a zero or non-finite direction.
bool WarpCube_Locate(const CTVector3& dir, int* face, float* u, float* v);

// World directions (zone points, sound positions) have y up; panorama space has y down.
inline CTVector3 WarpCube_FromWorld(float x, float y, float z) { return {x, -y, z}; }
inline CTVector3 WarpCube_ToWorld(const CTVector3& p) { return {p.x, -p.y, p.z}; }

// Camera rotation of a view: turned right by yaw about the vertical, up by pitch about its own
// horizontal axis, then rolled by roll about its viewing axis (radians).
CTQuaternion WarpCube_ViewRotation(float yaw, float pitch, float roll);

// Draws every face that lies in front of the camera into the rasteriser's target. A null face is
// skipped. The camera's frame turns panorama space into camera space; its eye is the cube's centre.
void WarpCube_Draw(const CTCamera& camera, CSurface* const faces[WARP_NB_FACES], CTWarpRasterizer& rast);

// The panorama-space direction through a screen point (corner-based pixel coordinates: the centre
// of the camera, Cx and Cy, is the view axis).
CTVector3 WarpCube_ScreenDirection(const CTCamera& camera, float x, float y);
