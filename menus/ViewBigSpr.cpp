// The picture viewer: its bank, the pass of loop type 11 and its close on a click.
#include "menus/ViewBigSpr.h"

#include <cstdint>
#include <string>

#include "app/Orv_Log.h"
#include "framework/Input.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "menus/Orv_MenuHooks.h"

namespace {

constexpr int32_t kLoopViewer = 11;
constexpr int32_t kLoopWarp = 0;
constexpr size_t kMaxName = 63;

SprBank* g_bank = nullptr;

}  // namespace

SprBank* ViewBigSpr_GetBank() { return g_bank; }

void ViewBigSpr_Start(const char* text) {
    // The viewer always returns to the panorama, so the previous type is not kept.
    Menu_SetLoopType(kLoopViewer);
    if (g_bank) {
        OrvError_Warning("ViewBigSpr_Start() : bank non NULL=%X", unsigned(uintptr_t(g_bank)));
        OrvSpr_LibereBank(&g_bank);
    }
    std::string name;
    for (const char* p = text ? text : ""; *p && *p != ')' && *p != '\r' && name.size() < kMaxName; ++p) name += *p;
    OrvSpr_LoadBank(name.c_str(), &g_bank, 0);
}

void ViewBigSpr_continue() {
    // The view leaves the render surface locked for the picture; without a view the surface is locked here.
    if (MenuHooks.Warp_Render ? MenuHooks.Warp_Render() : OrvDisplay_LockSurface()) {
        OrvSpr_SetSurfaceInfo(OrvDisplay_GetRenderSurface());
        OrvSpr_Aff(g_bank, 0, OrvDisplay_GetRenderWidth() / 2, OrvDisplay_GetRenderHeight() / 2, SPR_MODE_PLAIN);
        OrvDisplay_AutoBlit();
        OrvDisplay_UnlockSurface();
    }
    Menu_FlipWindow();
    if (MouseClickFlags.click) {
        Menu_SetLoopType(kLoopWarp);
        OrvSpr_LibereBank(&g_bank);
        MouseClickFlags.click = 0;
        if (MenuHooks.Warp_StopMouseLook) MenuHooks.Warp_StopMouseLook();
    }
}
