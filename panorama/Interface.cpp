// The view's interface: the pointer bank "interfac.spr", the zone pointers, the centre cross and the overlays.
#include "panorama/Interface.h"

#include "app/Config.h"
#include "app/FrameTimer.h"
#include "app/Orv_Log.h"
#include "graphics2d/Draw.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "menus/Orv_Font.h"
#include "menus/Orv_Menu.h"
#include "panorama/Orv_Warp.h"
#include "world/Hooks.h"
#include "world/Inventaire.h"

const char* const INTERFACE_BANK_NAME = "interfac.spr";

namespace {

struct PointerRow {
    int32_t kind;
    int32_t first;   // first sprite of its animation
    int32_t frames;
};
const PointerRow kPointers[] = {
    {0, 0, 1}, {1, 1, 4}, {2, 5, 4}, {3, 9, 4}, {INTERFACE_KIND_PERSO, 13, 4}, {INTERFACE_KIND_ARAIG, 17, 4},
};

SprBank* g_bank = nullptr;
int32_t g_kind = 0;
int32_t g_mode = 0;
bool g_warnedShortBank = false;

const PointerRow& RowOf(int32_t kind) {
    if (kind < 0) kind = 0;
    for (const PointerRow& r : kPointers)
        if (r.kind == kind) return r;
    return kPointers[3];
}

// A cursor a puzzle put in the player's hand (the cross, a statue). The menus' arrow, which their pages
// select and leave behind when they close, is none: the zone pointers take its place. One from the
// object bank shows the object in hand and lasts only while it is held: once the hand changes (another
// object, an empty hand, a load, a new game) the zone pointers come back.
bool PuzzleCursor() {
    const SprBank* bank = OrvSpr_get_curseur_bank();
    if (!bank || bank == g_bank || bank == MenuState.cursorBank) return false;
    int held = 0;
    return bank != Inventaire_GetBank() ||
           (OrvSpr_GetObjetEnMainSprite(&held) == bank && held == OrvSpr_get_curseur_sprite());
}

// Object in hand, then the pointer; a puzzle's own cursor replaces the interface pointer.
void DrawPointerAt(int32_t x, int32_t y) {
    if (PuzzleCursor()) {
        OrvSpr_Aff_curseur(x, y);
        return;
    }
    const int32_t n = Interface_GetCurseurSprite(FrameCount);
    OrvSpr_set_curseur(nullptr, 0);
    OrvSpr_Aff_curseur(x, y);
    if (!g_bank) return;
    OrvSpr_set_curseur(g_bank, n);
    OrvSpr_Aff(g_bank, n, x, y, g_mode);
}

}  // namespace

bool Interface_LoadBank() {
    if (g_bank) return true;
    g_warnedShortBank = false;
    return OrvSpr_LoadBank(INTERFACE_BANK_NAME, &g_bank, 0);
}

void Interface_FreeBank() {
    if (g_bank) OrvSpr_LibereBank(&g_bank);
}

SprBank* Interface_GetBank() { return g_bank; }

void Interface_SetCurseurZone(int32_t kind, int32_t mode) {
    g_kind = kind;
    g_mode = mode >= 0 && mode <= 2 ? mode : 0;
    if (g_bank && !PuzzleCursor()) OrvSpr_set_curseur(g_bank, Interface_GetCurseurSprite(FrameCount));
}

int32_t Interface_GetCurseurKind() { return g_kind; }

int32_t Interface_GetCurseurSprite(int32_t frameCount) {
    const PointerRow& r = RowOf(g_kind);
    int32_t n = r.first + (frameCount < 0 ? 0 : (frameCount / 2) % r.frames);
    if (g_bank && n >= OrvSpr_GetNbSprBank(g_bank)) {
        if (!g_warnedShortBank)
            OrvError_Warning("Interface_SetCurseurZone() %s : %d sprites, sprite %d absent", INTERFACE_BANK_NAME,
                             OrvSpr_GetNbSprBank(g_bank), n);
        g_warnedShortBank = true;
        n = 0;
    }
    return n;
}

void Interface_DrawCentreCross(CSurface& surface, int32_t x, int32_t y) {
    const ClipRect clip{0, surface.height - 1, surface.width - 1, 0};
    const uint32_t white = PackColor(surface.format, 0xFFFFFFFFu);
    DrawLineClipped(surface, DrawPoint{x - 5, y}, DrawPoint{x + 5, y}, clip, white);
    DrawLineClipped(surface, DrawPoint{x, y - 5}, DrawPoint{x, y + 5}, clip, white);
}

void Interface_GereFrame() {
    CSurface* render = OrvDisplay_GetRenderSurface();
    if (!render) return;
    OrvSpr_SetSurfaceInfo(render);
    int32_t cx, cy;
    OrvWarp_GetScreenCentre(&cx, &cy);
    if (g_Config.centreCross == 1) Interface_DrawCentreCross(*render, cx, cy);
    const bool freePointer = OrvWarp_SubjectPanelOpen || Inventaire_Shown;
    Inventaire_Draw();
    if (!Call_pz_poulpe_aff_viseur()) {
        if (freePointer) DrawPointerAt(OrvWarp_Cursor.x, OrvWarp_Cursor.y);
        else DrawPointerAt(cx, cy);
    }
    Call_BatonUp();
    Call_DialBar_Continue();
}

void Interface_DrawPauseNotice() {
    static const char kText[] = "PAUSE";
    OrvFont_PrintBegin(nullptr, "OrvFT_Default", 0x00FFFFFF);
    OrvTextSize size;
    OrvFont_GetTextSize(kText, int32_t(sizeof kText - 1), size);
    OrvFont_PrintAt((OrvDisplay_GetRenderWidth() - size.cx) / 2, (OrvDisplay_GetRenderHeight() - size.cy) / 2, kText);
    OrvFont_PrintEnd();
}
