// The dragon and clouds of SS 31: guess which cloud the dragon hid the pearl in.
#include "puzzles/pz_dragon.h"

#include <cstdio>

#include "app/Orv_Log.h"
#include "panorama/Orv_Spw.h"
#include "puzzles/pz_common.h"
#include "puzzles/pz_dispatch.h"
#include "world/Interp.h"
#include "world/wam.h"

int32_t nuage_bas_idx[DRAGON_NUAGES_BAS] = {-1, -1, -1, -1, -1};
int32_t dragon_idx = -1;
int32_t nuage_transp_idx = -1;
int32_t dragon_etat = DRAGON_REPOS;

namespace {
// Where the dragon hides the pearl, flight after flight: 'A' the left cloud, 'B' the right one.
const char kSequence[] = "ABBAB";
constexpr int32_t kSequenceLength = sizeof kSequence - 1;
constexpr int32_t kLowClouds = DRAGON_NUAGES_BAS;
constexpr int32_t kReveal = 30;
constexpr int32_t kFlicker = 50;
constexpr int32_t kLeft = 'A', kRight = 'B';

// The dragon has shown a frame other than its resting one since its flight began.
bool g_leftRest = false;

int32_t find_idx(int32_t id) {
    const int32_t i = OrvSpw_FindSlot(id, WAM_OBJET);
    if (i < 0) OrvError_Fatal("pz_dragon find_idx(%d) introuvable", id);
    return i;
}

ST_spw_visible* Sprite(const char* name) { return pz_slot(find_idx(pz_objet_id(name))); }

void Show(const char* name, bool shown) {
    if (ST_spw_visible* s = Sprite(name)) s->shown = shown ? 1 : 0;
}

void HidePearls() {
    Show("PERLE_NUAGE_GAUCHE", false);
    Show("PERLE_NUAGE_DROITE", false);
}

int32_t Var(const char* name) { return Interp_ReadVar(name); }

// The end of a reveal: the guess is judged, then the next flight starts.
void EndReveal() {
    HidePearls();
    if (ST_spw_visible* s = pz_slot(nuage_transp_idx)) s->flicker = 0;
    const int32_t action = Var("Action_nuage_bas");
    if (action == 1 && Var("State_nuages_bas") < kLowClouds) {
        Interp_AddVar("State_nuages_bas", 1);
        pz_dragon_son_nuages();
        pz_dragon_aff_nuages_bas();
        Interp_WriteVar("Action_nuage_bas", 0);
        if (Var("State_nuages_bas") == kLowClouds) {
            Interp_WriteVar("FINPERLE", 1);
            Elem_Show(pz_objet_id("PERLE_TROU"), WAM_OBJET, 0);
        }
    }
    if (Var("Action_nuage_bas") == 2 && Var("State_nuages_bas") > 0) {
        Interp_AddVar("State_nuages_bas", -1);
        pz_dragon_son_nuages();
        pz_dragon_aff_nuages_bas();
        Interp_WriteVar("Action_nuage_bas", 0);
    }
    if (Var("State_nuages_bas") != kLowClouds) pz_dragon_set_etat(DRAGON_DEPART);
}
}  // namespace

void pz_dragon_aff_nuages_bas() {
    const int32_t standing = Var("State_nuages_bas");
    for (int32_t i = 0; i < kLowClouds; i++)
        if (ST_spw_visible* s = pz_slot(nuage_bas_idx[i])) {
            s->playing = 0;
            s->frame = standing > i ? 1 : 0;
        }
}

void pz_dragon_son_nuages() { RunOneCommandf("(NewSound=%03d)", Var("State_nuages_bas") + 205); }

void pz_dragon_nuage_transparent(int32_t cloud) {
    HidePearls();
    const int32_t pearl = Var("Perle_cachee");
    if (cloud == 1) {
        nuage_transp_idx = find_idx(pz_objet_id("NUAGE_GAUCHE"));
        if (pearl == kLeft) Show("PERLE_NUAGE_GAUCHE", true);
    } else {
        nuage_transp_idx = find_idx(pz_objet_id("NUAGE_DROITE"));
        if (pearl == kRight) Show("PERLE_NUAGE_DROITE", true);
    }
    if (ST_spw_visible* s = pz_slot(nuage_transp_idx)) s->flicker = kFlicker;
}

void pz_dragon_clic_nuage(int32_t cloud) {
    Interp_WriteVar("Time_nuage_transparent", kReveal);
    Interp_WriteVar("NuageTransparent", cloud);
    pz_dragon_nuage_transparent(cloud);
}

int32_t pz_dragon_get_etat() { return dragon_etat; }

void pz_dragon_set_etat(int32_t etat) {
    ST_spw_visible* dragon = pz_slot(dragon_idx);
    if (etat == DRAGON_DEPART) {
        if (dragon_etat == DRAGON_DEPART) return;
        if (dragon) dragon->playing = 1;
        int32_t n = Var("Num_sequence_dragon");
        // A position the scenario set out of the sequence starts it again.
        if (n < 0 || n >= kSequenceLength) n = 0;
        Interp_WriteVar("Perle_cachee", kSequence[n]);
        Interp_WriteVar("Num_sequence_dragon", n + 1 < kSequenceLength ? n + 1 : 0);
        g_leftRest = false;
    } else if (etat == DRAGON_REPOS && dragon) {
        dragon->frame = DRAGON_FRAME_REPOS;
        dragon->playing = 0;
    }
    dragon_etat = etat;
}

void pz_dragon_entree() {
    for (int32_t i = 0; i < kLowClouds; i++) {
        char name[24];
        std::snprintf(name, sizeof name, "NUAGE_BAS%d", i + 1);
        nuage_bas_idx[i] = find_idx(pz_objet_id(name));
    }
    dragon_idx = find_idx(pz_objet_id("DRAGON_NUAGE"));
    nuage_transp_idx = -1;
    HidePearls();
    pz_dragon_set_etat(DRAGON_REPOS);
    if (Var("FINPERLE") == 1) {
        Interp_WriteVar("State_nuages_bas", kLowClouds);
        pz_dragon_aff_nuages_bas();
        return;
    }
    pz_actif = PZ_DRAGON;
    if (Var("Time_nuage_transparent") != 0) pz_dragon_nuage_transparent(Var("NuageTransparent"));
    pz_dragon_aff_nuages_bas();
    Elem_Hide(pz_objet_id("PERLE_TROU"), WAM_OBJET, 0);
}

void pz_dragon_gere_clic(ST_wam_zclic* zone) {
    if (pz_actif != PZ_DRAGON || Var("Time_nuage_transparent") != 0 || dragon_etat != DRAGON_REPOS ||
        Var("FINPERLE") != 0)
        return;
    const int32_t pearl = Var("Perle_cachee");
    if (pearl != 0) {
        if (pz_zone_name_is(zone, "CLIC_NUAGE_GAUCHE")) {
            Interp_WriteVar("Action_nuage_bas", pearl == kLeft ? 1 : 2);
            pz_dragon_clic_nuage(1);
        } else if (pz_zone_name_is(zone, "CLIC_NUAGE_DROITE")) {
            Interp_WriteVar("Action_nuage_bas", pearl == kRight ? 1 : 2);
            pz_dragon_clic_nuage(2);
        }
    } else if (pz_zone_name_is(zone, "CLIC_DRAGON")) {
        pz_dragon_set_etat(DRAGON_DEPART);
    }
}

void pz_dragon_continue() {
    // Away from its view the slots it found belong to other sprites.
    if (!pz_vue_is("SS", 31)) {
        pz_dragon_quit();
        return;
    }
    const ST_spw_visible* dragon = pz_slot(dragon_idx);
    if (dragon_etat == DRAGON_DEPART) {
        dragon_etat = DRAGON_VOL;
    } else if (dragon_etat == DRAGON_VOL) {
        dragon_etat = DRAGON_VOL_FIN;
    } else if (dragon_etat == DRAGON_VOL_FIN && dragon) {
        // Several passes fall on one sprite frame: the flight ends on frame 50 seen again, not still.
        if (dragon->frame != DRAGON_FRAME_REPOS) g_leftRest = true;
        else if (g_leftRest) pz_dragon_set_etat(DRAGON_REPOS);
    }
    if (Var("Time_nuage_transparent") != 0) {
        Interp_AddVar("Time_nuage_transparent", -1);
        if (Var("Time_nuage_transparent") == 0) EndReveal();
    }
}

void pz_dragon_quit() { pz_actif = PZ_NONE; }
