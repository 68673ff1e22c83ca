// The game's key handlers: the last key pressed, Escape (dialogue or menus), the pause of the view.
#include "panorama/Orv_Input.h"

#include <cstdint>

#include "framework/Input.h"
#include "framework/KeyCodes.h"
#include "menus/Orv_Menu.h"
#include "panorama/Orv_Warp.h"
#include "world/Hooks.h"
#include "world/Inventaire.h"

namespace {
// A key went up since the last key was pressed: the last key code goes when the next pass starts.
bool g_released = false;
}  // namespace

void OrvInput_OnKeyDown(int key) {
    if (key <= 0 || key > 255) return;
    KeyboardState.lastKey = uint8_t(key);
    g_released = false;
    const int32_t loop = OrvWarp_GetLoopType();
    if (loop == 2 && key == DIK_ESCAPE) Call_OrvDial_stop();
    else if (loop == 0 && key == DIK_ESCAPE && Inventaire_Shown) Inventaire_Hide();
    else if (key == DIK_ESCAPE) OrvMenu_OnEscape();
    else if (loop == 0 && (key == DIK_P || key == DIK_PAUSE)) OrvWarp_SetPause(!OrvWarp_IsPaused());
}

void OrvInput_OnKeyUp(int) { g_released = true; }

void OrvInput_NewPass() {
    if (g_released) KeyboardState.lastKey = 0;
    g_released = false;
}
