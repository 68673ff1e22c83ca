// The skulls of IR 40 to 42 and the cross of IR 2.
#pragma once
#include <cstdint>

struct ST_wam_zclic;

// Frame of the skull sprite shown for each of 7 slots, '9' for none, and a zero; saved.
extern char crane_etat[8];
extern const char* const CRANE_INITIAL;  // "0199999"
// Id of the zone on which the cross lies, 0 when it is not laid; saved.
extern int32_t croix_etat;

void pz_crane_entree();
void pz_crane_gere_clic(ST_wam_zclic* zone);
void pz_crane_quit();
void pz_croix_entree();
void pz_croix_gere_clic(ST_wam_zclic* zone);
void pz_croix_quit();
