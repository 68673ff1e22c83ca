// The dragon and clouds of SS 31.
#pragma once
#include <cstdint>

struct ST_wam_zclic;

// The dragon: 0 resting, 1 flight asked for, 2 and 3 flying.
enum : int32_t { DRAGON_REPOS = 0, DRAGON_DEPART = 1, DRAGON_VOL = 2, DRAGON_VOL_FIN = 3 };
// The dragon sprite's resting frame.
constexpr int32_t DRAGON_FRAME_REPOS = 50;
constexpr int DRAGON_NUAGES_BAS = 5;

// View-sprite slots found at entry (-1 before): the low clouds, the dragon, the cloud being revealed.
extern int32_t nuage_bas_idx[DRAGON_NUAGES_BAS];
extern int32_t dragon_idx;
extern int32_t nuage_transp_idx;
extern int32_t dragon_etat;

void pz_dragon_entree();
void pz_dragon_gere_clic(ST_wam_zclic* zone);
void pz_dragon_continue();
void pz_dragon_quit();
int32_t pz_dragon_get_etat();
void pz_dragon_set_etat(int32_t etat);
// Low cloud i + 1 shows frame 1 while "State_nuages_bas" is above i, else frame 0, still.
void pz_dragon_aff_nuages_bas();
// The sound that marks the number of low clouds standing (205 to 210).
void pz_dragon_son_nuages();
// A guess on a cloud (1 left, 2 right): its reveal starts.
void pz_dragon_clic_nuage(int32_t cloud);
// The cloud turns see-through, showing the pearl when it hides there.
void pz_dragon_nuage_transparent(int32_t cloud);
