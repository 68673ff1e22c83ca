// The three maya ball boards of YU 55, 64 and 75.
#pragma once
#include <cstdint>

struct ST_wam_zclic;

constexpr int PZ_MAYA_BOARDS = 3;
constexpr int PZ_MAYA_CELLS = 16;
// Per board: 0 not entered, 1 entered and unsolved, 2 solved; saved.
extern int32_t maya_etat[PZ_MAYA_BOARDS];
// Per board: the balls on each cell, cell k at position 15 - k, and a zero; saved.
extern char maya_plateau[PZ_MAYA_BOARDS][PZ_MAYA_CELLS + 1];
extern const char* const MAYA_VIDE;  // "0000000000000000"
// Balls in hand, 0 to 5.
extern int32_t nb_billes_en_main;

void pz_maya_entree1();
void pz_maya_entree2();
void pz_maya_entree3();
void pz_maya_gere_clic1(ST_wam_zclic* zone);
void pz_maya_gere_clic2(ST_wam_zclic* zone);
void pz_maya_gere_clic3(ST_wam_zclic* zone);
void pz_maya_check1();
void pz_maya_check2();
void pz_maya_check3();
// Leaves the board of that view, only while it is the current view.
void pz_maya_quit(uint32_t vueId);
// The cursor of the balls in hand; also the per-frame pass of puzzle 7.
void set_curseur_billes();
