// The chest and the six statues of SS 1 to 7.
#pragma once
#include <cstdint>

struct ST_wam_zclic;

void pz_coffre_entree();
void pz_coffre_gere_clic(ST_wam_zclic* zone);
// First slot of the current view showing that object; fatal when none does.
int32_t find_idx_pzcoffre(int32_t objetId);

void pz_statue_entree();
void pz_statue_gere_clic(ST_wam_zclic* zone);
void pz_statue_check();
// Statue n (1 to 6) stands on its own place.
bool pz_statue_a_sa_place(int n);
