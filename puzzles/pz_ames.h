// The souls maze of LA 1 to 60: souls seen from the player's cell come and go.
#pragma once
#include <cstdint>

struct ST_wam_perso;
struct ST_wam_animation;

void pz_ames_entree_warp();
void pz_ames_continue();
void pz_ames_quit();

// A cell of one of the two maze drawings: line 0..12 and column 0..10 of that drawing.
struct PzAmesCase {
    int drawing;  // 1 (views 31 to 60) or 2 (views 1 to 30)
    int line;
    int column;
};
// The cell of a maze view (1 to 60).
PzAmesCase pz_ames_case_vue(uint32_t vueId);
// The character dx columns right and dy lines down from the player's cell is a blank; outside the
// drawing reads as wall.
bool pz_ames_ouvert(int dx, int dy);
bool pz_ames_mur(int dx, int dy);
// Makes cell the player's cell (the entry does it from the current view).
void pz_ames_set_case(const PzAmesCase& cell);
// Whether the player's cell sees this animation of this element (the current view decides the sides).
bool pz_ames_voit(const ST_wam_perso* perso, const ST_wam_animation* anim);
// r x n / 32767 for a draw r of the game's generator.
int32_t pz_ames_rand(int32_t n);
// Arms the countdown of a soul slot.
void pz_ames_arme(int32_t slot);
// Souls loaded by the last entry.
int32_t pz_ames_nb_souls();
