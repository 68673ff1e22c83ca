// The blackbirds and the poet of IR 73: the poet speaks a bird's line, the player picks the bird.
#include "puzzles/pz_merle.h"

#include <algorithm>
#include <cstdio>

#include "app/Orv_Log.h"
#include "app/Random.h"
#include "audio/Orv_Muzik.h"
#include "audio/Orv_Sound.h"
#include "dialogue/Orv_DialSujets.h"
#include "graphics2d/Orv_Spr.h"
#include "menus/Menu_Grid.h"
#include "panorama/Interface.h"
#include "panorama/Orv_Warp.h"
#include "puzzles/pz_common.h"
#include "world/Interp.h"

int32_t soluce[MERLE_OISEAUX] = {};
int32_t bonne = 0;
int32_t merle_son[MERLE_OISEAUX] = {-1, -1, -1, -1, -1};
int32_t merle_son_bon = -1;
int32_t merle_son_faux = -1;
int32_t merle_etat = MERLE_ATTENTE;
int32_t merle_nb_bonnes = 0;
uint8_t merle_choix = 0;

namespace {
constexpr int kVoice = 2;
constexpr int32_t kBirds = 10;
constexpr int32_t kPoetCells = 3;
constexpr int32_t kRightInARow = 3;
// The panel's cells, hit from 31 pixels up and left of their corners.
constexpr int32_t kCell = 62, kCellOffset = 31;

int32_t LoadSound(const char* name, const char* what) {
    const int32_t id = OrvSound_load(name, nullptr);
    if (id < 0) OrvError_Fatal("### ERREUR ### ID son non accepté.. : %s", what);
    return id;
}

void FreeSound(int32_t& id) {
    if (id != -1) OrvSound_free(id, kVoice);
    id = -1;
}

void FreeAll() {
    FreeSound(merle_son_faux);
    FreeSound(merle_son_bon);
    for (int32_t& id : merle_son) FreeSound(id);
}

// The view is left: its game, the offer, its pointer, its sounds and the music's volume go back.
void Leave() {
    OrvSpr_set_curseur(nullptr, 0);
    FreeAll();
    OrvMuzik_SetVolumePercent(100);
    merle_etat = MERLE_ATTENTE;
    merle_nb_bonnes = 0;
    merle_choix = 0;
}

// From the view's entry to its leaving the answers' sounds are loaded.
bool Entered() { return merle_son_faux != -1 || merle_son_bon != -1 || merle_etat != MERLE_ATTENTE || merle_choix; }

bool InTheView() { return pz_vue_is("IR", 73); }

void Judge() {
    if (pz_merle_cellule(MERLE_OISEAUX) == bonne) {
        OrvSound_play(merle_son_bon, kVoice);
        merle_nb_bonnes++;
    } else {
        OrvSound_play(merle_son_faux, kVoice);
        merle_nb_bonnes = 0;
    }
    merle_etat = MERLE_ATTENTE;
    if (merle_nb_bonnes == kRightInARow) Interp_WriteVar("FINMERLE", 1);
}

// The poet speaks the line of one of the five birds, whose songs are loaded for the listening.
void Speak() {
    // The generator's largest value would name a sixth bird.
    bonne = std::min(pz_merle_random(MERLE_OISEAUX), MERLE_OISEAUX - 1);
    for (int i = 0; i < MERLE_OISEAUX; i++) {
        char name[32];
        std::snprintf(name, sizeof name, "merle%d.ksn", soluce[i]);
        FreeSound(merle_son[i]);
        merle_son[i] = LoadSound(name, "ID_son_merle[n]");
    }
    RunOneCommandf("(dial=%d)", 89 + soluce[bonne]);
    merle_etat = MERLE_ECOUTE;
    merle_choix = 1;
    OrvWarp_CentrePointer();
}
}  // namespace

int32_t pz_merle_random(int32_t n) { return int32_t(int64_t(orv_rand()) * n / ORV_RAND_MAX); }

void pz_merle_tirage() {
    for (int i = 0; i < MERLE_OISEAUX; i++) {
        int32_t n;
        bool taken;
        do {
            n = std::min(1 + pz_merle_random(kBirds), kBirds);
            taken = std::find(soluce, soluce + i, n) != soluce + i;
        } while (taken);
        soluce[i] = n;
    }
}

int32_t pz_merle_cellule(int32_t rows) {
    // Where the panel was last drawn: the poet's subjects stand higher the more he has.
    int32_t x, y;
    OrvDial_GetPanelOrigin(&x, &y);
    return Menu_GridHitTest(x - kCellOffset, y - kCellOffset, kCell, kCell, 1, rows, 1);
}

void pz_merle_entree() {
    // A view left without its quit still holds its sounds: they go before new ones come.
    FreeAll();
    merle_son_faux = LoadSound("merlem.ksn", "ID_son_merlem");
    merle_son_bon = LoadSound("merleb.ksn", "ID_son_merleb");
    merle_nb_bonnes = 0;
    // A game of the last visit is over: its birds are drawn again below.
    merle_etat = MERLE_ATTENTE;
    merle_choix = 0;
    pz_merle_tirage();
    OrvSpr_set_curseur(Interface_GetBank(), INTERFACE_ARROW_SPRITE);
    OrvWarp_CentrePointer();
}

void pz_merle_poete_gere_clic() {
    merle_choix = 0;
    if (merle_etat == MERLE_CHOISI) {
        Judge();
    } else if (merle_etat == MERLE_POETE) {
        if (pz_merle_cellule(kPoetCells) >= 0) Speak();
    }
    if (Interp_GetEngineVar(IV_CLICPERSO) == pz_perso_id("POETE_ASSIS") && merle_etat == MERLE_ATTENTE &&
        Interp_ReadVar("FINMERLE") == 0)
        merle_etat = MERLE_POETE;
}

void pz_merle_gere_clic() {
    if (merle_etat != MERLE_ECOUTE) return;
    const int32_t cell = pz_merle_cellule(MERLE_OISEAUX);
    if (cell < 0 || cell >= MERLE_OISEAUX || OrvSound_get_voice_state(kVoice) != 0) return;
    if (merle_son[cell] >= 0) OrvSound_play(merle_son[cell], kVoice);
}

void pz_merle_quit() {
    if (pz_vue_id() == 73) Leave();
}

void pz_merle_forget() {
    if (Entered()) Leave();
}

bool pz_merle_oiseaux() { return merle_etat == MERLE_ECOUTE && InTheView(); }

void pz_merle_clic_oiseaux() {
    const int32_t cell = pz_merle_cellule(MERLE_OISEAUX);
    if (pz_merle_oiseaux() && cell >= 0 && cell < MERLE_OISEAUX) merle_etat = MERLE_CHOISI;
}

bool pz_merle_choix() { return merle_choix == 1 && InTheView(); }
