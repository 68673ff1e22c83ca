// The turtle and the engraved ring of CH 40 to 64.
#pragma once
#include <cstdint>

struct ST_wam_zclic;

// Frames still to turn (positive forward) and the ring's frame; both saved.
extern int32_t anneau_pas;
extern int32_t anneau_frame;

void pz_anneau_entree();
void pz_tortue_gere_clic(ST_wam_zclic* zone);
void pz_anneau_continue();
void pz_anneau_quit();
// The last slot that shows the ring; fatal when none does.
int32_t find_num_spw_anneau();
