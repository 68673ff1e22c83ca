// The spider puzzle of YU 198: what the dispatcher and the panorama call of it.
#pragma once
#include <cstdint>

struct ST_wam_zclic;

// The spider's stage, 1 to 4; saved, 3 in a new game.
extern int32_t araig_stage;
constexpr int32_t ARAIG_STAGE_INITIAL = 3;

void pz_araig_update();
void pz_araig_entree();
void pz_araig_continue();
void pz_araig_quit();
// The centre click, asked before any other; true when taken.
bool pz_araig_gere_clic();
// A move or link click while the spider runs; true when taken.
bool pz_araig_gere_clic_zone(ST_wam_zclic* zone);
// The zone of the spider's targets under the screen centre, or null.
ST_wam_zclic* pz_araig_hit_center();
void pz_araig_draw3d();
// After a load, with the saved view id (which it may change).
void pz_araig_init_after_load(uint32_t* vueId);
