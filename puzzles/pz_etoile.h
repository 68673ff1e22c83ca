// The stars of YU 121: star objects laid on seventeen positions of the sky.
#pragma once
#include <cstdint>

struct ST_wam_zclic;

constexpr int32_t PZ_ETOILE_POSITIONS = 17;

void pz_etoile_entree();
void pz_etoile_gere_clic(ST_wam_zclic* zone);
void pz_etoile_check();
// "etat_etoile%d" of a position: 0 empty, else the star's object id.
int32_t pz_etoile_get_etat(int32_t position);
void pz_etoile_set_etat(int32_t position, int32_t value);
