// What the puzzles share: the current view's world code and id, name ids and zone names.
#pragma once
#include <cstdint>

struct ST_wam_zclic;
struct ST_spw_visible;

// Id of the current view, 0 when none.
uint32_t pz_vue_id();
// True when the current view's world code (its name's first two characters, without regard to case)
// is `code` and its id lies in first..last.
bool pz_vue_in(const char* code, uint32_t first, uint32_t last);
inline bool pz_vue_is(const char* code, uint32_t id) { return pz_vue_in(code, id, id); }
bool pz_world_is(const char* code);

// Name-definition ids by section; a missing name is fatal in the lookup (-1 when the report returns).
int32_t pz_perso_id(const char* name);
int32_t pz_objet_id(const char* name);
int32_t pz_zone_id(const char* name);

// True when the zone's name begins with the prefix (without regard to case).
bool pz_zone_name_starts(const ST_wam_zclic* zone, const char* prefix);
// True when the zone's name is the name (without regard to case).
bool pz_zone_name_is(const ST_wam_zclic* zone, const char* name);
// The digit at position `at` of the zone's name, or -1 when that character is not a digit.
int32_t pz_zone_name_digit(const ST_wam_zclic* zone, int at);

// The view-sprite slot of an object or character of the current view, null for -1.
ST_spw_visible* pz_slot(int32_t index);

// "(NewSound=n)" through the scenario's command interpreter.
void pz_new_sound(int32_t n);
