// The menus' entries into the modules above them, and their fallbacks.
#include "menus/Orv_MenuHooks.h"

#include "app/Application.h"
#include "app/Orv_File.h"
#include "framework/Window.h"
#include "graphics2d/Orv_Display.h"

OrvMenuHooks MenuHooks = {};

namespace {
// The loop type kept while no main loop installed its setter (tools and tests).
int32_t g_loopTypeWithoutMain = 0;
}  // namespace

void OrvMenuHooks_Reset() {
    MenuHooks = OrvMenuHooks{};
    g_loopTypeWithoutMain = 0;
}

int32_t Menu_GetLoopType() { return MenuHooks.GetLoopType ? MenuHooks.GetLoopType() : g_loopTypeWithoutMain; }

int32_t Menu_SetLoopType(int32_t type) {
    if (MenuHooks.SetLoopType) return MenuHooks.SetLoopType(type);
    const int32_t previous = g_loopTypeWithoutMain;
    g_loopTypeWithoutMain = type;
    return previous;
}

void Menu_Quit() {
    if (MenuHooks.Quit)
        MenuHooks.Quit();
    else
        TheApplication().Quit(0);
}

void Menu_FlipWindow() {
    if (auto* window = dynamic_cast<Velkrum::CDirectDrawWindow*>(Velkrum::MainWindow())) window->Flip();
}

void Menu_PresentFrame() {
    if (MenuHooks.PresentFrame) {
        MenuHooks.PresentFrame();
        return;
    }
    OrvDisplay_AutoBlitLocked();
    Menu_FlipWindow();
}

uint64_t Menu_DiskFreeSpace() { return MenuHooks.DiskFreeSpace ? MenuHooks.DiskFreeSpace() : disk_free_space(); }
