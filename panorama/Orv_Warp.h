// Warp mode: the per-pass loop of a panoramic view, its camera, mouse look, faces, view jumps and zoom.
#pragma once
#include <cstdint>

#include "engine3d/Camera.h"
#include "graphics2d/Surface.h"

struct ST_wam_zclic;
struct ST_wam_vue;
struct MouseEventInfo;

constexpr float WARP_PI = 3.14159265358979f;
// Normal field of view over the render width, and the widest the shake effect reaches.
constexpr float WARP_FOV = 0.42222f * WARP_PI;
constexpr float WARP_FOV_MAX = 90.0f * WARP_PI / 180.0f;
// Pitch never passes straight up or down, whatever the view allows.
constexpr float WARP_PITCH_LIMIT = WARP_PI / 2.0f;

// Mouse look: radians turned per pass. Mouse motion adds to them, each pass turns the view by them and
// then slows them down; they persist between passes until warp_stop_rotation.
struct WarpLookSpeeds {
    float yaw;
    float pitch;
};
extern WarpLookSpeeds OrvWarp_MouseLookSpeeds;
// Base turn per mouse pixel at 100 % mouse speed, and what each pass keeps of the speeds.
constexpr float WARP_LOOK_GAIN = 0.0015f;
constexpr float WARP_LOOK_DECAY = 0.6f;

// The free pointer (open panels): kept inside the render area.
struct WarpCursor {
    int32_t x;
    int32_t y;
};
extern WarpCursor OrvWarp_Cursor;

// The zone under the pointer this pass (a puzzle may put one of its own there), or null.
extern ST_wam_zclic* OrvWarp_ZoneSouris;
// Non-zero while a character's subject panel is open (the dialogue opens and closes it).
extern uint8_t OrvWarp_SubjectPanelOpen;
// 1 for the pass in which the subject panel took the click by a chosen subject.
extern uint8_t OrvWarp_PanelClick;

// Start-up: camera, mouse-look state, the world's panorama hooks and the ambient noises' link. The faces
// are made at the first view entry, in the render surface's pixel format.
bool OrvWarp_Init();
void OrvWarp_Close();

// Entry into the current view after a jump: OrvWarp_EnterView, or, while "NextWarpInvalide" is 1, only
// the faces (and the flag back to 0). False without a current view.
bool OrvWarp_start();
// The full entry into the current view, whatever "NextWarpInvalide" holds (a loaded game enters its view
// this way): faces, angles, view sprites (ending with the puzzles' view entry), ambient noises.
bool OrvWarp_EnterView();
// One pass of loop type 0: drawing, click routing, scenario work, view jump, puzzles, "CLICZONE" := 0.
void OrvWarp_continue();
// Draws the current view into the render surface and leaves the surface locked, so that the caller
// draws its overlays over it: sprites painted into the faces, the cube, the sprites' pixels restored,
// the spider puzzle's 3D. The lock is one level of the display layer's counted lock, taken here and
// left taken; the caller gives it back with one OrvDisplay_UnlockSurface once its own drawing is done,
// before it presents the frame. False, with nothing locked or drawn, without a render surface.
bool OrvWarp_Render();
// Chooses the zone and pointer under the screen centre and draws the overlays.
void OrvWarp_DisplayFrame();

// The view direction at the screen centre, radians.
void OrvWarp_GetViewAngles(float* yaw, float* pitch);
// Sets both, within the current view's limits.
void OrvWarp_SetViewAngles(float yaw, float pitch);
void OrvWarp_RotateYaw(float angle);
void OrvWarp_RotatePitch(float angle);
// Turns the view whatever its limits (a dialogue's half-turns and tilts, undone exactly later).
void OrvWarp_Turn(float yaw, float pitch);
// One step of mouse look within the view's angle limits.
void warp_update_view();
void warp_stop_rotation();

// Input handlers of the main window.
void warp_on_mouse_move(const MouseEventInfo& e);
void warp_on_mouse_button(const MouseEventInfo& e);

// The hit-shake effect.
void OrvWarp_ZoomStart(int32_t count);
void OrvWarp_ZoomStep();
void OrvWarp_ZoomStop();
// Field of view now in force; a set one holds over every render size.
float OrvWarp_GetFieldOfView();
void OrvWarp_SetFieldOfView(float radians);
// Mouse motion turns the view during a dialogue's voice-over too (outside loop type 0).
void OrvWarp_SetDialogueLook(bool on);

// Loads a TGA picture into an existing surface of its size, converting its pixels.
bool OrvWarp_LoadTga(const char* path, CSurface* surface);
// The six faces of a view; a missing or bad face is reported and drawn as a checkerboard.
// False when any face was missing.
bool OrvWarp_LoadFaces(const ST_wam_vue* vue);
CSurface* OrvWarp_GetFace(int face);

// A pending jump found no target view.
void OrvWarp_MissingViewHook();
// Performs the pending view jump: world side, transition, entry. Returns the world's jump result.
int OrvWarp_DoViewJump();
// Transition video between two views: the video player installs it; true when it plays.
using WarpTransitionHook = bool (*)(const char* video);
void OrvWarp_SetTransitionHook(WarpTransitionHook hook);

// The main loop's mode changed (OrvMain_SetLoopType): mouse look and the right click act only in mode 0.
void OrvWarp_OnLoopType(int32_t type);
int32_t OrvWarp_GetLoopType();

// The pause: the frame timer stops, the view stands and a notice is drawn.
void OrvWarp_SetPause(bool paused);
bool OrvWarp_IsPaused();

CTCamera& OrvWarp_GetCamera();
// Screen centre: the integer halves of the render size.
void OrvWarp_GetScreenCentre(int32_t* x, int32_t* y);
// Puts the pointer (and the panorama's cursor) back at the screen centre.
void OrvWarp_CentrePointer();
