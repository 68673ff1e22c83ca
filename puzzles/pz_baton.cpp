// The dowsing rod: raised from the inventory, it swings at the bottom of the view as "NEARW77" says.
#include "puzzles/pz_baton.h"

#include "app/Orv_Log.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "world/DefName.h"
#include "world/Interp.h"

SprBank* baton_SprBank = nullptr;
uint8_t baton_up = 0;
int32_t baton_SprNum = 0;
int32_t baton_step = 1;
int32_t baton_x = 0;
int32_t baton_y = 0;

namespace {
bool g_warnedNoBank = false;

void Lower() {
    if (baton_SprBank) OrvSpr_LibereBank(&baton_SprBank);
    baton_up = 0;
}
}  // namespace

void BatonUp() {
    baton_x = OrvDisplay_GetRenderWidth() / 2;
    baton_y = OrvDisplay_GetRenderHeight();
    if (baton_up != 1) return;
    const int32_t swing = Interp_ReadVar("NEARW77");
    if (swing == 0) {
        Lower();
        Interp_SetEngineVar(IV_OBJETENMAIN, 0);
        Interp_WriteVar("SOURCIER", 0);
        OrvSpr_SetObjetEnMainSprite(0, nullptr);
        OrvSpr_reset_curseur();
        return;
    }
    if (baton_SprBank) {
        if (baton_SprNum < 0 || baton_SprNum >= OrvSpr_GetNbSprBank(baton_SprBank)) {
            OrvError_Warning("BatonUp():baton_SprNum=%d", baton_SprNum);
            baton_SprNum = 0;
        }
        OrvSpr_Aff(baton_SprBank, baton_SprNum, baton_x, baton_y - 240, 0);
    } else if (!g_warnedNoBank) {
        OrvError_Warning("BatonUp() : baton.spr absent");
        g_warnedNoBank = true;
    }
    baton_SprNum += baton_step;
    if (baton_SprNum == swing || baton_SprNum == -1) {
        baton_SprNum -= baton_step;
        baton_step = -baton_step;
    }
}

bool pz_baton_choose(int32_t objetId) {
    // A game without the rod has no such object.
    const int32_t rod = DefName_FindId(DEFNAME_OBJETS, "BATON_SOURCE");
    if (rod < 0 || objetId != rod || baton_up) return false;
    if (!baton_SprBank) OrvSpr_LoadBank("baton.spr", &baton_SprBank, 0);
    g_warnedNoBank = false;
    baton_up = 1;
    Interp_SetEngineVar(IV_OBJETENMAIN, 0);
    Interp_WriteVar("SOURCIER", 1);
    OrvSpr_SetObjetEnMainSprite(0, nullptr);
    OrvSpr_reset_curseur();
    return true;
}

void pz_baton_down() {
    if (!baton_up) return;
    Lower();
    Interp_WriteVar("SOURCIER", 0);
}

void pz_baton_reset() {
    Lower();
    // A game without the rod may lack the variable too.
    if (DefName_FindId(DEFNAME_VARIABLES, "SOURCIER") >= 0 && Interp_ReadVar("SOURCIER") != 0)
        Interp_WriteVar("SOURCIER", 0);
}
