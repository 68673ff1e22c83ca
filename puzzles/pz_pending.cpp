// Puzzles whose modules are still to come: the dispatcher's calls into them do nothing yet.
#include "puzzles/pz_anneau.h"
#include "puzzles/pz_baton.h"
#include "puzzles/pz_dispatch.h"
#include "puzzles/pz_dragon.h"
#include "puzzles/pz_mandala.h"
#include "puzzles/pz_merle.h"
#include "puzzles/pz_ogham.h"
#include "puzzles/pz_poulpe.h"

// Octopus.
void pz_poulpe_entree() {}
void pz_poulpe_continue() {}
void pz_poulpe_quit() {
    if (pz_actif == PZ_POULPE) pz_actif = PZ_NONE;
}
bool pz_poulpe_aff_viseur() { return false; }

// Dragon.
void pz_dragon_entree() {}
void pz_dragon_gere_clic(ST_wam_zclic*) {}
void pz_dragon_continue() {}
void pz_dragon_quit() { pz_actif = PZ_NONE; }

// Blackbirds.
void pz_merle_entree() {}
void pz_merle_poete_gere_clic() {}
void pz_merle_gere_clic() {}
void pz_merle_quit() {}

// Ogham stone.
int8_t ogham_etat[PZ_OGHAM_POSITIONS] = {2, 6, 10, 14, 18, 22, 26, 30, 34, 38, 42, 46, 50, 54, 58};
void pz_ogham_entree() {}
void pz_oghamgereclic(ST_wam_zclic*) {}
void pz_ogham_quit() {}

// Engraved ring.
int32_t anneau_pas = 0;
int32_t anneau_frame = 0;
void pz_anneau_entree() {}
void pz_tortue_gere_clic(ST_wam_zclic*) {}
void pz_anneau_continue() {}
void pz_anneau_quit() {
    if (pz_actif == PZ_ANNEAU) pz_actif = PZ_NONE;
}

// Mandalas and fireflies.
void pz_mandala_gere_clic(ST_wam_zclic*) {}
void pz_lucioles_gere_clic(ST_wam_zclic*) {}
void pz_lucioles_autowin() {}
void pz_mandala_log_solution() {}

// Dowsing rod.
void BatonUp() {}
bool pz_baton_choose(int32_t) { return false; }
void pz_baton_down() {}
