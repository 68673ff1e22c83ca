// The blackbirds and the poet of IR 73.
#pragma once
#include <cstdint>

constexpr int MERLE_OISEAUX = 5;
// 0 idle, 1 the poet's subjects are open, 2 the five birds are offered, 3 one of them was clicked.
enum : int32_t { MERLE_ATTENTE = 0, MERLE_POETE = 1, MERLE_ECOUTE = 2, MERLE_CHOISI = 3 };

extern int32_t soluce[MERLE_OISEAUX];
extern int32_t bonne;
extern int32_t merle_son[MERLE_OISEAUX];
// The right answer's sound and the wrong one's; -1 when not loaded.
extern int32_t merle_son_bon;
extern int32_t merle_son_faux;
extern int32_t merle_etat;
extern int32_t merle_nb_bonnes;
extern uint8_t merle_choix;

void pz_merle_entree();
// Every click in IR 73.
void pz_merle_poete_gere_clic();
// Every frame while a subject panel is open.
void pz_merle_gere_clic();
void pz_merle_quit();
// IR 73 left by any other way (a jump, a load, a new game): the same as its quit, when it was entered.
void pz_merle_forget();
// r x n / 32767 for a draw r.
int32_t pz_merle_random(int32_t n);
void pz_merle_tirage();

// The frame display's side: the five-bird panel stands in for a character's subjects while the birds
// are offered; a click in one of its cells chooses a bird; no zone pointer while the birds are offered.
bool pz_merle_oiseaux();
void pz_merle_clic_oiseaux();
bool pz_merle_choix();
// The cell under the pointer: one of the poet's three subjects or of the five birds, -1 outside.
int32_t pz_merle_cellule(int32_t rows);
