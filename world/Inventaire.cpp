// The inventory: the bag of carried objects and the object in the player's hand.
#include "world/Inventaire.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "app/Orv_Log.h"
#include "framework/Input.h"
#include "graphics2d/Draw.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "menus/Menu_Grid.h"
#include "menus/Orv_Font.h"
#include "world/DefName.h"
#include "world/Hooks.h"
#include "world/Interp.h"
#include "world/Orv_Msg.h"

const char* const INVENTAIRE_BANK_NAME = "objets.spr";
ST_sac_objet Inventaire_Sac[MAX_OBJ_SAC_TOTAL];
int32_t Inventaire_NbObjets = 0;
uint8_t Inventaire_Shown = 0;

namespace {
SprBank* g_bank = nullptr;
// Objects whose sprite number lies outside the bank, reported once each.
std::set<int32_t> g_badSprites;

// Full-size cell of the screen and the free border around the grid.
constexpr int32_t kCellWidth = 96;
constexpr int32_t kCellHeight = 88;
constexpr int32_t kMargin = 16;
constexpr OrvColorRef kTextColour = 0x00FFFFFF;

int32_t slotOf(int32_t id) {
    for (int32_t i = 0; i < Inventaire_NbObjets; i++)
        if (Inventaire_Sac[i].id == id) return i;
    return -1;
}

bool validObject(int32_t id, const char* who) {
    if (id > 0 && id < DefName_GetCount(DEFNAME_OBJETS)) return true;
    OrvError_Warning("%s() objet %d incorrect", who, id);
    return false;
}

// The pointer was reset by the sprite layer: the hand is empty.
void onCursorReset() { Interp_SetEngineVar(IV_OBJETENMAIN, 0); }

bool spriteInBank(const ST_sac_objet& o) {
    if (!g_bank) return false;  // reported when the bank failed to load
    const int32_t count = OrvSpr_GetNbSprBank(g_bank);
    if (o.nspr >= 0 && o.nspr < count) return true;
    if (g_badSprites.insert(o.id).second)
        OrvError_Warning("Inventaire_Draw() objet %s : sprite %d hors de %s (%d sprites)",
                         DefName_GetName(DEFNAME_OBJETS, o.id), o.nspr, INVENTAIRE_BANK_NAME, count);
    return false;
}

void drawFrame(CSurface& surface, int32_t x, int32_t y, int32_t w, int32_t h) {
    const ClipRect clip{0, surface.height - 1, surface.width - 1, 0};
    const uint32_t white = PackColor(surface.format, 0xFFFFFFFFu);
    const DrawPoint corners[4] = {{x, y}, {x + w - 1, y}, {x + w - 1, y + h - 1}, {x, y + h - 1}};
    for (int i = 0; i < 4; i++) DrawLineClipped(surface, corners[i], corners[(i + 1) % 4], clip, white);
}

int32_t slotUnderMouse() {
    const InventaireGrid g =
        Inventaire_GetGrid(Inventaire_NbObjets, OrvDisplay_GetRenderWidth(), OrvDisplay_GetRenderHeight());
    return Menu_GridHitTest(g.x0, g.y0, g.cellWidth, g.cellHeight, g.columns, g.rows, 0);
}
}  // namespace

void Inventaire_Init() {
    if (!g_bank) OrvSpr_LoadBank(INVENTAIRE_BANK_NAME, &g_bank, 0);
    OrvSpr_SetResetHook(onCursorReset);
    Inventaire_Reset();
}

void Inventaire_Close() {
    OrvSpr_SetResetHook(nullptr);
    OrvSpr_SetObjetEnMainSprite(0, nullptr);
    if (g_bank) OrvSpr_LibereBank(&g_bank);
    Inventaire_Reset();
}

void Inventaire_Reset() {
    std::memset(Inventaire_Sac, 0, sizeof Inventaire_Sac);
    Inventaire_NbObjets = 0;
    Inventaire_Shown = 0;
    g_badSprites.clear();
    Inventaire_SetObjetEnMain_id(0);
}

SprBank* Inventaire_GetBank() { return g_bank; }

bool Inventaire_PrendObj_id_nspr(int32_t id, int32_t nspr) {
    if (!validObject(id, "Inventaire_PrendObj_id_nspr")) return false;
    int32_t slot = slotOf(id);
    if (slot >= 0) {
        Inventaire_Sac[slot].nspr = nspr;
        return true;
    }
    if (Inventaire_NbObjets >= MAX_OBJ_SAC_TOTAL) {
        OrvError_Warning("Inventaire_PrendObj_id_nspr() sac plein (%d objets) : %s", MAX_OBJ_SAC_TOTAL,
                         DefName_GetName(DEFNAME_OBJETS, id));
        return false;
    }
    Inventaire_Sac[Inventaire_NbObjets++] = ST_sac_objet{nspr, id, Interp_GetEngineVar(IV_MONDE)};
    return true;
}

bool Inventaire_EnleveObj_id(int32_t id) {
    int32_t slot = slotOf(id);
    if (slot < 0) return false;
    std::memmove(&Inventaire_Sac[slot], &Inventaire_Sac[slot + 1],
                 size_t(Inventaire_NbObjets - slot - 1) * sizeof(ST_sac_objet));
    Inventaire_Sac[--Inventaire_NbObjets] = ST_sac_objet{};
    return true;
}

bool Inventaire_PrendObjEnMain_id(int32_t id) {
    const char* name = DefName_GetName(DEFNAME_OBJETS, id);
    if (!Inventaire_PrendObj_id_nspr(id, DefName_GetParamInt(DEFNAME_OBJETS, name))) return false;
    Inventaire_SetObjetEnMain_id(id);
    return true;
}

bool Inventaire_PrendObjEnMain(const char* name) {
    int32_t id = DefName_GetIdName(DEFNAME_OBJETS, name);
    return id >= 0 && Inventaire_PrendObjEnMain_id(id);
}

void Inventaire_DeposeObjEnMain_id(int32_t id) {
    Inventaire_SetObjetEnMain_id(0);
    Inventaire_EnleveObj_id(id);
}

void Inventaire_SetObjetEnMain_id(int32_t id) {
    if (id != 0 && !validObject(id, "Inventaire_SetObjetEnMain_id")) return;
    Interp_SetEngineVar(IV_OBJETENMAIN, id);
    if (id == 0) {
        OrvSpr_SetObjetEnMainSprite(0, nullptr);
        return;
    }
    int32_t slot = slotOf(id);
    int32_t nspr = slot >= 0 ? Inventaire_Sac[slot].nspr
                             : DefName_GetParamInt(DEFNAME_OBJETS, DefName_GetName(DEFNAME_OBJETS, id));
    OrvSpr_SetObjetEnMainSprite(nspr, g_bank);
}

void Inventaire_SetObjetEnMain(const char* name) {
    int32_t id = DefName_GetIdName(DEFNAME_OBJETS, name);
    if (id >= 0) Inventaire_SetObjetEnMain_id(id);
}

bool Inventaire_IsObjetInSac_id(int32_t id) { return id > 0 && slotOf(id) >= 0; }

bool Inventaire_IsObjetInSac(const char* name) {
    int32_t id = DefName_GetIdName(DEFNAME_OBJETS, name);
    return id >= 0 && Inventaire_IsObjetInSac_id(id);
}

void Inventaire_SetMondeObjet_id(int32_t id, int32_t monde) {
    int32_t slot = slotOf(id);
    if (slot >= 0) Inventaire_Sac[slot].monde = monde;
}

void Inventaire_Choisit(int32_t slot) {
    if (slot < 0 || slot >= Inventaire_NbObjets) return;
    const int32_t id = Inventaire_Sac[slot].id;
    if (Call_Inventaire_Choose(id)) return;
    // The object in hand chosen again goes back: it stays in the bag and the hand empties, so a
    // character's subjects can always be reached.
    if (id == Interp_GetEngineVar(IV_OBJETENMAIN)) OrvSpr_reset_curseur();
    else Inventaire_SetObjetEnMain_id(id);
}

void Inventaire_Dump() {
    debug_log("Sac : %d objets, en main %d", Inventaire_NbObjets, Interp_GetEngineVar(IV_OBJETENMAIN));
    for (int32_t i = 0; i < Inventaire_NbObjets; i++)
        debug_log("  %s (sprite %d, monde %d)", DefName_GetName(DEFNAME_OBJETS, Inventaire_Sac[i].id),
                  Inventaire_Sac[i].nspr, Inventaire_Sac[i].monde);
}

InventaireGrid Inventaire_GetGrid(int32_t count, int32_t width, int32_t height) {
    const int32_t areaW = std::max(width - 2 * kMargin, 0), areaH = std::max(height - 2 * kMargin, 0);
    const int32_t n = std::clamp(count, 1, MAX_OBJ_SAC_TOTAL);
    InventaireGrid best{};
    int64_t bestFit = -1;
    for (int32_t columns = 1; columns <= n; columns++) {
        const int32_t rows = (n + columns - 1) / columns;
        const int32_t w = std::min(kCellWidth, areaW / columns), h = std::min(kCellHeight, areaH / rows);
        // The more shrunk side decides; ties go to more columns, which keeps a small bag on one row.
        const int64_t fit = std::min(int64_t(w) * kCellHeight, int64_t(h) * kCellWidth);
        if (fit < bestFit) continue;
        bestFit = fit;
        best = InventaireGrid{0, 0, w, h, columns, rows};
    }
    best.x0 = (width - best.cellWidth * best.columns) / 2;
    best.y0 = (height - best.cellHeight * best.rows) / 2;
    return best;
}

void Inventaire_Show() {
    if (Inventaire_Shown) return;
    Inventaire_Shown = 1;
    Call_BatonDown();
    debug_log("Inventaire_Show() : %d objets", Inventaire_NbObjets);
}

void Inventaire_Hide() {
    if (!Inventaire_Shown) return;
    Inventaire_Shown = 0;
    Call_DialBar_Close();
    debug_log("Inventaire_Hide()");
}

void Inventaire_GereClic() {
    if (!Inventaire_Shown || !MouseClickFlags.click) return;
    MouseClickFlags.click = 0;
    const int32_t slot = slotUnderMouse();
    if (slot >= 0 && slot < Inventaire_NbObjets) Inventaire_Choisit(slot);
    else Inventaire_Hide();
}

void Inventaire_Draw() {
    CSurface* render = OrvDisplay_GetRenderSurface();
    if (!Inventaire_Shown || !render) return;
    const InventaireGrid g = Inventaire_GetGrid(Inventaire_NbObjets, render->width, render->height);
    if (g.cellWidth <= 0 || g.cellHeight <= 0) return;
    const int32_t hand = Interp_GetEngineVar(IV_OBJETENMAIN);
    OrvSpr_SetSurfaceInfo(render);
    OrvFont_PrintBegin(nullptr, "OrvFT_POPUP", kTextColour);
    for (int32_t i = 0; i < Inventaire_NbObjets; i++) {
        const ST_sac_objet& o = Inventaire_Sac[i];
        const int32_t x = g.x0 + (i % g.columns) * g.cellWidth, y = g.y0 + (i / g.columns) * g.cellHeight;
        const std::string name = OrvMsg_GetObjectName(o.id);
        OrvTextSize text;
        OrvFont_GetTextSize(name.c_str(), int32_t(name.size()), text);
        const int32_t spriteH = std::max(g.cellHeight - text.cy, 1);
        if (spriteInBank(o)) {
            // A large sprite stays inside its own cell.
            OrvSpr_SetClip(ClipRect{y, y + spriteH - 1, x + g.cellWidth - 1, x});
            OrvSpr_Aff_centre(g_bank, o.nspr, x + g.cellWidth / 2, y + spriteH / 2, SPR_MODE_PLAIN);
            OrvSpr_ResetClip();
        }
        OrvFont_PrintAt(x + (g.cellWidth - text.cx) / 2, y + spriteH, name.c_str());
        if (hand != 0 && o.id == hand) drawFrame(*render, x, y, g.cellWidth, g.cellHeight);
    }
    OrvFont_PrintEnd();
}
