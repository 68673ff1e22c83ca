// The stars of YU 121: star objects laid on seventeen positions of the sky.
#include "puzzles/pz_etoile.h"

#include <cstdio>

#include "panorama/Orv_Spw.h"
#include "puzzles/pz_common.h"
#include "world/Interp.h"
#include "world/Inventaire.h"
#include "world/wam.h"

namespace {
int32_t etoile_id = -1;
int32_t etoile_idx = -1;
// The positions that must all hold a star.
constexpr int32_t kFinish[] = {0, 2, 6, 8, 11, 13, 16};

void VarName(char (&name)[24], int32_t position) { std::snprintf(name, sizeof name, "etat_etoile%d", position); }
}  // namespace

int32_t pz_etoile_get_etat(int32_t position) {
    char name[24];
    VarName(name, position);
    return Interp_ReadVar(name);
}

void pz_etoile_set_etat(int32_t position, int32_t value) {
    char name[24];
    VarName(name, position);
    Interp_WriteVar(name, value);
}

void pz_etoile_entree() {
    etoile_id = pz_objet_id("Etoiles_Puz");
    etoile_idx = OrvSpw_find_index(etoile_id, WAM_OBJET);
    if (ST_spw_visible* s = pz_slot(etoile_idx)) {
        s->playing = 0;
        s->frame = 0;
        s->shown = 1;
    }
    ClearSpwFrameTab(etoile_id, WAM_OBJET);
    // An empty list would paint the sprite's own frame, a star on position 0: an entry that draws
    // nothing keeps the sky empty until a star is laid and after the last one is taken back.
    AddSpwToFrameTab(etoile_id, WAM_OBJET, SPW_FRAME_NONE);
    for (int32_t n = 0; n < PZ_ETOILE_POSITIONS; n++)
        if (pz_etoile_get_etat(n) != 0) AddSpwToFrameTab(etoile_id, WAM_OBJET, n);
}

void pz_etoile_gere_clic(ST_wam_zclic* zone) {
    if (zone->type != 50 || Interp_ReadVar("etoiles_fini") == 1) return;
    const int32_t n = int32_t(zone->numero);
    const int32_t hand = Interp_ReadVar("ObjetEnMain");
    const int32_t star = pz_etoile_get_etat(n);
    if (star != 0) {
        if (hand == 0) {
            SubSpwToFrameTab(etoile_id, WAM_OBJET, n);
            pz_etoile_set_etat(n, 0);
            Inventaire_PrendObjEnMain_id(star);
            pz_new_sound(114);
        }
    } else if (hand >= pz_objet_id("ETOILE102") && hand <= pz_objet_id("ETOILE115")) {
        AddSpwToFrameTab(etoile_id, WAM_OBJET, n);
        pz_etoile_set_etat(n, hand);
        Inventaire_DeposeObjEnMain_id(hand);
        RunOneCommand("(pz_etoile_started=1)");
        pz_new_sound(115);
    }
    pz_etoile_check();
}

void pz_etoile_check() {
    for (int32_t p : kFinish)
        if (pz_etoile_get_etat(p) == 0) return;
    Interp_WriteVar("Etoiles_JustFinished", 1);
    CtrlScenarIN();
}
