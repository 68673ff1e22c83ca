// The display layer: the render surface and its lock, the 640x480-to-800x600 stretch and the screen size switch.
#pragma once
#include "graphics2d/Surface.h"

namespace Velkrum {
class CDirectDrawWindow;
class CDirectDrawSurface;
}  // namespace Velkrum

// Binds the layer to the open window; with an 800-wide screen it creates the 640x480 back surface.
bool OrvDisplay_Init(Velkrum::CDirectDrawWindow* window);
void OrvDisplay_Close();

// The surface drawn into this frame: the 640x480 back surface on an 800-wide screen while 800-pixel
// rendering is off, else the window's back buffer. Null before OrvDisplay_Init.
CSurface* OrvDisplay_GetRenderSurface();
Velkrum::CDirectDrawSurface* OrvDisplay_GetRenderSurfaceObject();
// The surface the 3D layer draws into: the render surface.
CSurface* OrvDisplay_GetRenderTarget();
// {top 0, bottom height - 1, right width - 1, left 0} of the render size.
void OrvDisplay_GetClipRect(ClipRect& rect);

// Counted: only the outermost pair locks and unlocks the surface. An unlock without a lock is a warning.
bool OrvDisplay_LockSurface();
void OrvDisplay_UnlockSurface();
int OrvDisplay_GetLockCount();

// Brings the frame to the window's back buffer: the 640x480 back surface is stretched to 800x600
// when it is the render surface; otherwise the frame is there already. The caller then flips.
void OrvDisplay_AutoBlit();
// The same inside a lock of its own.
void OrvDisplay_AutoBlitLocked();

int OrvDisplay_GetScreenWidth();
int OrvDisplay_GetScreenHeight();
int OrvDisplay_GetRenderWidth();
int OrvDisplay_GetRenderHeight();

bool OrvDisplay_IsRenderWarp800();
// 0: render at 640x480 on an 800-wide screen; 1: the full 800x600 again. The caller text is logged.
void OrvDisplay_EnableRenderWarp800(int flag, const char* callerFmt, ...) __attribute__((format(printf, 2, 3)));

// Switches the screen to 640x480 or 800x600, then calls the screen size hook (the 3D layer's z-buffers).
bool OrvDisplay_SetNewScreenSize(int width, int height);
using OrvDisplay_ScreenSizeHook = void (*)(int width, int height);
void OrvDisplay_SetScreenSizeHook(OrvDisplay_ScreenSizeHook hook);
