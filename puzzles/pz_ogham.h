// The ogham stone of IR 6.
#pragma once
#include <cstdint>

struct ST_wam_zclic;

constexpr int PZ_OGHAM_POSITIONS = 15;
// The frame shown at each position, -1 for no stroke; saved.
extern int8_t ogham_etat[PZ_OGHAM_POSITIONS];
// The stone that sets "FINOGHAM".
extern const int8_t ogham_solution[PZ_OGHAM_POSITIONS];
// Object id of the stone's sprite, looked up at view entry (-1 before).
extern int32_t ogham_id;

void pz_ogham_entree();
void pz_oghamgereclic(ST_wam_zclic* zone);
void pz_ogham_quit();
