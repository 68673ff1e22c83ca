// The dragon and clouds of SS 31.
#pragma once
#include <cstdint>

struct ST_wam_zclic;

// The dragon: 0 resting, 1 flight asked for, 2 and 3 flying.
enum : int32_t { DRAGON_REPOS = 0, DRAGON_DEPART = 1, DRAGON_VOL = 2, DRAGON_VOL_FIN = 3 };
// The dragon sprite's resting frame.
constexpr int32_t DRAGON_FRAME_REPOS = 50;

void pz_dragon_entree();
void pz_dragon_gere_clic(ST_wam_zclic* zone);
void pz_dragon_continue();
void pz_dragon_quit();
int32_t pz_dragon_get_etat();
void pz_dragon_set_etat(int32_t etat);
