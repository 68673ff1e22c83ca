// The five wheels of SS 13: discs hung on five axles lower the drawbridge in two stages.
#pragma once

struct ST_wam_zclic;

void pz_roue_entree();
void pz_roue_gere_clic(ST_wam_zclic* zone);
void pz_roue_check();
