// The blackbirds and the poet of IR 73.
#pragma once
#include <cstdint>

void pz_merle_entree();
// Every click in IR 73.
void pz_merle_poete_gere_clic();
// Every frame while a subject panel is open.
void pz_merle_gere_clic();
void pz_merle_quit();
