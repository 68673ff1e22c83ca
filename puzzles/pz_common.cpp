// What the puzzles share: the current view's world code and id, name ids and zone names.
#include "puzzles/pz_common.h"

#include <strings.h>

#include <cctype>
#include <cstring>

#include "panorama/Orv_Spw.h"
#include "world/DefName.h"
#include "world/Interp.h"
#include "world/wam.h"

uint32_t pz_vue_id() { return OrvWam_CurrentVue ? OrvWam_CurrentVue->id : 0; }

bool pz_world_is(const char* code) {
    char current[3];
    OrvWam_WorldCode(OrvWam_CurrentVue, current);
    return current[0] && strncasecmp(current, code, 2) == 0;
}

bool pz_vue_in(const char* code, uint32_t first, uint32_t last) {
    const uint32_t id = pz_vue_id();
    return pz_world_is(code) && id >= first && id <= last;
}

int32_t pz_perso_id(const char* name) { return DefName_GetIdName(DEFNAME_PERSONNAGES, name); }
int32_t pz_objet_id(const char* name) { return DefName_GetIdName(DEFNAME_OBJETS, name); }
int32_t pz_zone_id(const char* name) { return DefName_GetIdName(DEFNAME_ZONES_CLIC, name); }

bool pz_zone_name_starts(const ST_wam_zclic* zone, const char* prefix) {
    const size_t n = std::strlen(prefix);
    return zone && strnlen(zone->name, sizeof zone->name) >= n && strncasecmp(zone->name, prefix, n) == 0;
}

bool pz_zone_name_is(const ST_wam_zclic* zone, const char* name) {
    return pz_zone_name_starts(zone, name) && strnlen(zone->name, sizeof zone->name) == std::strlen(name);
}

int32_t pz_zone_name_digit(const ST_wam_zclic* zone, int at) {
    if (!zone || at < 0 || size_t(at) >= strnlen(zone->name, sizeof zone->name)) return -1;
    const unsigned char c = static_cast<unsigned char>(zone->name[at]);
    return std::isdigit(c) ? c - '0' : -1;
}

ST_spw_visible* pz_slot(int32_t index) {
    return index >= 0 && index < OrvSpw_NbVisibles ? &OrvSpw_Visibles[index] : nullptr;
}

void pz_new_sound(int32_t n) { RunOneCommandf("(NewSound=%d)", n); }
