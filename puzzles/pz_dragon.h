// The dragon and clouds of SS 31.
#pragma once

struct ST_wam_zclic;

void pz_dragon_entree();
void pz_dragon_gere_clic(ST_wam_zclic* zone);
void pz_dragon_continue();
void pz_dragon_quit();
