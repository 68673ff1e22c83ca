// The display layer: render surface selection, counted locks, the 800x600 stretch and screen size changes.
#include "graphics2d/Orv_Display.h"

#include <cstdarg>
#include <cstdio>

#include "app/Orv_Log.h"
#include "framework/Input.h"
#include "framework/Window.h"

namespace {

using Velkrum::CDirectDrawSurface;

Velkrum::CDirectDrawWindow* g_window = nullptr;
// Render surface of an 800-wide screen while 800-pixel rendering is off.
CDirectDrawSurface g_back640;
bool g_warp800 = true;
int g_lockCount = 0;
CSurface* g_lockedSurface = nullptr;
OrvDisplay_ScreenSizeHook g_screenSizeHook = nullptr;

bool windowOpen() { return g_window && g_window->IsOpen(); }

CDirectDrawSurface* renderObject()
{
    if (!windowOpen())
        return nullptr;
    if (g_window->Width() == 800 && !g_warp800 && g_back640.IsInitialized())
        return &g_back640;
    return &g_window->GetBackBuffer();
}

void lockSurface(CSurface* s)
{
    s->flags |= SURF_LOCKED | SURF_WRITE_LOCK;
    s->Lock(0);
    g_lockedSurface = s;
}

void unlockSurface()
{
    if (!g_lockedSurface)
        return;
    g_lockedSurface->Unlock();
    g_lockedSurface->flags &= SURF_LOCK_CLEAR_MASK;
    g_lockedSurface = nullptr;
}

// A lock held across a change of render surface moves to the new surface.
void followLock()
{
    CSurface* render = renderObject();
    if (g_lockCount == 0 || g_lockedSurface == render)
        return;
    unlockSurface();
    if (render)
        lockSurface(render);
}

void syncBackSurface()
{
    if (windowOpen() && g_window->Width() == 800) {
        if (!g_back640.IsInitialized())
            g_back640.Initialize(640, 480, g_window->GetPixelFormat());
    } else {
        g_back640.Release();
    }
}

void updateMouseBounds() { Input_SetMouseBounds(OrvDisplay_GetRenderWidth(), OrvDisplay_GetRenderHeight()); }

}  // namespace

bool OrvDisplay_Init(Velkrum::CDirectDrawWindow* window)
{
    if (!window || !window->IsOpen()) {
        OrvError_Warning("OrvDisplay_Init(): no open window");
        return false;
    }
    OrvDisplay_Close();
    g_window = window;
    syncBackSurface();
    updateMouseBounds();
    debug_log("OrvDisplay_Init() screen %dx%d", window->Width(), window->Height());
    // The 3D layer starts before the display surfaces: it follows the screen from here.
    if (g_screenSizeHook)
        g_screenSizeHook(window->Width(), window->Height());
    return true;
}

void OrvDisplay_Close()
{
    if (g_lockCount) {
        OrvError_Warning("OrvDisplay_Close(): render surface still locked (%d)", g_lockCount);
        g_lockCount = 0;
        unlockSurface();
    }
    // The back surface is the layer's own; it goes with the window it was made for.
    g_back640.Release();
    g_window = nullptr;
    g_warp800 = true;
}

CSurface* OrvDisplay_GetRenderSurface() { return renderObject(); }

CDirectDrawSurface* OrvDisplay_GetRenderSurfaceObject() { return renderObject(); }

CSurface* OrvDisplay_GetRenderTarget() { return renderObject(); }

void OrvDisplay_GetClipRect(ClipRect& rect)
{
    rect.top = 0;
    rect.bottom = OrvDisplay_GetRenderHeight() - 1;
    rect.right = OrvDisplay_GetRenderWidth() - 1;
    rect.left = 0;
}

bool OrvDisplay_LockSurface()
{
    CSurface* render = renderObject();
    if (!render) {
        OrvError_Warning("OrvDisplay_LockSurface(): no render surface");
        return false;
    }
    if (g_lockCount++ == 0)
        lockSurface(render);
    return true;
}

void OrvDisplay_UnlockSurface()
{
    if (g_lockCount == 0) {
        OrvError_Warning("OrvDisplay_UnlockSurface(): surface not locked");
        return;
    }
    if (--g_lockCount == 0)
        unlockSurface();
}

int OrvDisplay_GetLockCount() { return g_lockCount; }

void OrvDisplay_AutoBlit()
{
    CDirectDrawSurface* render = renderObject();
    if (!render) {
        OrvError_Warning("OrvDisplay_AutoBlit(): no render surface");
        return;
    }
    if (render == &g_back640)
        g_window->GetBackBuffer().Blit(g_back640);
}

void OrvDisplay_AutoBlitLocked()
{
    if (!OrvDisplay_LockSurface())
        return;
    OrvDisplay_AutoBlit();
    OrvDisplay_UnlockSurface();
}

int OrvDisplay_GetScreenWidth() { return windowOpen() ? g_window->Width() : 640; }

int OrvDisplay_GetScreenHeight() { return windowOpen() ? g_window->Height() : 480; }

int OrvDisplay_GetRenderWidth()
{
    const CSurface* render = renderObject();
    return render ? render->width : 640;
}

int OrvDisplay_GetRenderHeight()
{
    const CSurface* render = renderObject();
    return render ? render->height : 480;
}

bool OrvDisplay_IsRenderWarp800() { return g_warp800; }

void OrvDisplay_EnableRenderWarp800(int flag, const char* callerFmt, ...)
{
    char caller[256] = "";
    if (callerFmt) {
        va_list ap;
        va_start(ap, callerFmt);
        std::vsnprintf(caller, sizeof caller, callerFmt, ap);
        va_end(ap);
    }
    debug_log("OrvDisplay_EnableRenderWarp800(%d) : %s", flag, caller);
    g_warp800 = flag != 0;
    followLock();
    updateMouseBounds();
}

bool OrvDisplay_SetNewScreenSize(int width, int height)
{
    if (!windowOpen()) {
        OrvError_Warning("OrvDisplay_SetNewScreenSize(%d, %d): no window", width, height);
        return false;
    }
    if (!Velkrum::IsSupportedScreenSize(width, height)) {
        OrvError_Warning("OrvDisplay_SetNewScreenSize(%d, %d): unsupported size", width, height);
        return false;
    }
    debug_log("OrvDisplay_SetNewScreenSize(%d, %d)", width, height);
    // The back buffer is re-created: a lock held on it is given up first and taken again after.
    const bool locked = g_lockCount > 0;
    unlockSurface();
    g_window->SetScreenSize(width, height);
    syncBackSurface();
    if (locked)
        lockSurface(renderObject());
    updateMouseBounds();
    if (g_screenSizeHook)
        g_screenSizeHook(width, height);
    return true;
}

void OrvDisplay_SetScreenSizeHook(OrvDisplay_ScreenSizeHook hook) { g_screenSizeHook = hook; }
