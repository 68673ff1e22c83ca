// The mandalas of TI 10 and the fireflies of SH 1.
#pragma once
#include <cstdint>

struct ST_wam_zclic;

// The click being handled: the object in hand ("ObjetEnMain") and the zone; null outside a click.
extern int32_t mandala_objet;
extern const ST_wam_zclic* mandala_zone;

void pz_mandala_gere_clic(ST_wam_zclic* zone);
// One rule of the mandalas: the object in hand laid on its zone is counted in the rule's variable.
void pz_mandala_pose(const char* objet, const char* zone, const char* variable);
bool pz_mandala_match(const char* objet, const char* zone);
void pz_lucioles_gere_clic(ST_wam_zclic* zone);
// A view jump in "voiles.wam" found no target view.
void pz_lucioles_autowin();
// At exit: the order of the mandalas into the log.
void pz_mandala_log_solution();
