// The spider puzzle of YU 198: the seam the dispatcher and the panorama call; the web and the spider
// themselves are not built yet, so the spider takes no click and draws nothing.
#include "puzzles/pz_araig.h"

#include "puzzles/pz_dispatch.h"

int32_t araig_stage = ARAIG_STAGE_INITIAL;

void pz_araig_update() {}
void pz_araig_entree() {}
void pz_araig_continue() {}

void pz_araig_quit() {
    if (pz_actif == PZ_ARAIG) pz_actif = PZ_NONE;
}

bool pz_araig_gere_clic() { return false; }
bool pz_araig_gere_clic_zone(ST_wam_zclic*) { return false; }
ST_wam_zclic* pz_araig_hit_center() { return nullptr; }
void pz_araig_draw3d() {}
void pz_araig_init_after_load(uint32_t*) {}
