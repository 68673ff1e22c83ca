// The three maya ball boards of YU 55, 64 and 75.
#include "puzzles/pz_maya.h"

#include <cstdio>
#include <cstring>

#include "app/Orv_Log.h"
#include "audio/Orv_Sound.h"
#include "graphics2d/Orv_Spr.h"
#include "panorama/Orv_Spw.h"
#include "puzzles/pz_common.h"
#include "puzzles/pz_dispatch.h"
#include "world/Interp.h"
#include "world/wam.h"

const char* const MAYA_VIDE = "0000000000000000";
int32_t maya_etat[PZ_MAYA_BOARDS] = {};
char maya_plateau[PZ_MAYA_BOARDS][PZ_MAYA_CELLS + 1] = {"0000000000000000", "0000000000000000",
                                                         "0000000000000000"};
int32_t nb_billes_en_main = 0;

namespace {
struct Board {
    uint32_t vue;
    const char* sprite;
    const char* target;
};
constexpr Board kBoards[PZ_MAYA_BOARDS] = {
    {55, "SPW_BASE5A", "0000000000000045"},
    {64, "SPW_BASE5B", "0000000000040001"},
    {75, "SPW_BASE5C", "0000155500350001"},
};
// The sounds of balls moved, a board solved and a move refused; the voice they play on.
enum { SND_BILLES, SND_RESOLU, SND_REFUS, SND_COUNT };
constexpr const char* kSoundNames[SND_COUNT] = {"sound100.ksn", "sound101.ksn", "sound102.ksn"};
constexpr int kVoice = 11;
int g_sounds[SND_COUNT] = {-1, -1, -1};
SprBank* g_ballBank = nullptr;
constexpr int32_t kMaxBalls = 5;

void Play(int sound) {
    if (g_sounds[sound] < 0) g_sounds[sound] = OrvSound_load(kSoundNames[sound], nullptr);
    if (g_sounds[sound] >= 0) OrvSound_play(g_sounds[sound], kVoice);
}

void BoardVar(char (&name)[16], const char* stem, int b) { std::snprintf(name, sizeof name, "%s%d", stem, b + 1); }

int32_t Balls(int b, int k) { return maya_plateau[b][15 - k] - '0'; }
int Column(int k) { return k % 4; }

bool CanTake(int b, int k) { return Column(k) == 3 || Balls(b, k + 1) == 0; }
bool CanLay(int b, int k, int32_t hand) {
    switch (Column(k)) {
    case 0: return Balls(b, k + 1) == 0;
    case 3: return Balls(b, k - 1) == kMaxBalls && hand != kMaxBalls;
    default: return Balls(b, k - 1) == kMaxBalls && Balls(b, k + 1) == 0;
    }
}

int32_t Frame(int k, int32_t balls) { return 5 * k + balls - 1; }

// Empties cell k; returns the balls that were there.
int32_t EmptyCell(int b, int32_t sprite, int k) {
    const int32_t n = Balls(b, k);
    if (n > 0) SubSpwToFrameTab(sprite, WAM_OBJET, Frame(k, n));
    maya_plateau[b][15 - k] = '0';
    return n;
}

void Entree(int b) {
    const int32_t sprite = pz_objet_id(kBoards[b].sprite);
    char reset[16];
    BoardVar(reset, "resetmaya", b);
    if (Interp_ReadVar(reset) == 1) {
        Interp_WriteVar(reset, 0);
        std::memcpy(maya_plateau[b], MAYA_VIDE, PZ_MAYA_CELLS + 1);
    }
    if (g_ballBank) OrvSpr_LibereBank(&g_ballBank);
    OrvSpr_LoadBank("sprboul.spr", &g_ballBank, 0);
    for (int32_t f = 0; f < 5 * PZ_MAYA_CELLS; f++) SubSpwToFrameTab(sprite, WAM_OBJET, f);
    for (int k = 0; k < PZ_MAYA_CELLS; k++)
        if (const int32_t n = Balls(b, k); n > 0) AddSpwToFrameTab(sprite, WAM_OBJET, Frame(k, n));
    pz_actif = PZ_MAYA;
    if (maya_etat[b] != 2) maya_etat[b] = 1;
}

void GereClic(int b, const ST_wam_zclic* zone) {
    if (Interp_ReadVar("ObjetEnMain") != 0) return;
    const int32_t sprite = pz_objet_id(kBoards[b].sprite);
    const uint32_t z = zone->numero;
    int32_t& hand = nb_billes_en_main;
    bool moved = false;
    if (z == 17) {
        Play(SND_BILLES);
        hand = hand == kMaxBalls ? 1 : (hand + 1) % kMaxBalls;
        set_curseur_billes();
    } else if (z == 18) {
        Play(SND_BILLES);
        hand = hand != kMaxBalls ? kMaxBalls : 0;
        set_curseur_billes();
    } else if (z >= 1 && z <= 16) {
        const int k = int(z) - 1;
        if (hand == 0 && CanTake(b, k)) {
            hand = EmptyCell(b, sprite, k);
            set_curseur_billes();
            moved = true;
        } else if (hand > 0 && CanLay(b, k, hand)) {
            const int32_t was = EmptyCell(b, sprite, k);
            Play(SND_BILLES);
            AddSpwToFrameTab(sprite, WAM_OBJET, Frame(k, hand));
            maya_plateau[b][15 - k] = char('0' + hand);
            hand = was;
            set_curseur_billes();
            moved = true;
        } else {
            Play(SND_REFUS);
        }
    } else if (z == 19 || z == 20) {
        if (hand == kMaxBalls) hand = 0;
        else if (hand > 0) hand--;
        set_curseur_billes();
    }
    if (moved && std::strcmp(maya_plateau[b], kBoards[b].target) == 0) {
        maya_etat[b] = 2;
        char fin[16];
        BoardVar(fin, "finmaya", b);
        Interp_WriteVar(fin, 1);
        Play(SND_RESOLU);
    }
}

void Check(int b) {
    if (maya_etat[b] != 2) maya_etat[b] = 0;
    if (std::strcmp(maya_plateau[b], kBoards[b].target) != 0) {
        char fin[16];
        BoardVar(fin, "finmaya", b);
        Interp_WriteVar(fin, 0);
    }
    pz_maya_quit(kBoards[b].vue);
}
}  // namespace

void pz_maya_entree1() { Entree(0); }
void pz_maya_entree2() { Entree(1); }
void pz_maya_entree3() { Entree(2); }
void pz_maya_gere_clic1(ST_wam_zclic* zone) { GereClic(0, zone); }
void pz_maya_gere_clic2(ST_wam_zclic* zone) { GereClic(1, zone); }
void pz_maya_gere_clic3(ST_wam_zclic* zone) { GereClic(2, zone); }
void pz_maya_check1() { Check(0); }
void pz_maya_check2() { Check(1); }
void pz_maya_check3() { Check(2); }

void pz_maya_quit(uint32_t vueId) {
    if (!pz_vue_is("YU", vueId)) return;
    OrvSpr_SetObjetEnMainSprite(0, nullptr);
    if (g_ballBank) OrvSpr_LibereBank(&g_ballBank);
    nb_billes_en_main = 0;
    for (int& sound : g_sounds)
        if (sound >= 0) {
            OrvSound_free(sound, kVoice);
            sound = -1;
        }
    pz_actif = PZ_NONE;
}

void set_curseur_billes() {
    if (Interp_ReadVar("ObjetEnMain") != 0) return;
    if (nb_billes_en_main == 0) OrvSpr_SetObjetEnMainSprite(0, nullptr);
    else if (nb_billes_en_main >= 1 && nb_billes_en_main <= kMaxBalls)
        OrvSpr_SetObjetEnMainSprite(nb_billes_en_main - 1, g_ballBank);
    else OrvError_Fatal("set_curseur_billes : nb_billes_en_main= %d !", nb_billes_en_main);
}
