// The five wheels of SS 13: discs hung on five axles lower the drawbridge in two stages.
#include "puzzles/pz_roue.h"

#include <cstdio>

#include "panorama/Orv_Spw.h"
#include "puzzles/pz_common.h"
#include "world/Interp.h"
#include "world/Inventaire.h"
#include "world/wam.h"

namespace {
constexpr int kDiscs = 5;
// Disc n is drawn by the sprite "RoueK" + this digit.
constexpr int kSpriteOfDisc[kDiscs] = {3, 4, 5, 1, 2};
// Slots of "RoueK1" to "RoueK5" in the current view, filled at each entry.
int32_t g_slots[kDiscs] = {-1, -1, -1, -1, -1};

ST_spw_visible* DiscSlot(int disc) { return pz_slot(g_slots[kSpriteOfDisc[disc - 1] - 1]); }

int32_t Pos(int disc) {
    char name[32];
    std::snprintf(name, sizeof name, "pos_roue%d", disc);
    return Interp_ReadVar(name);
}
void SetPos(int disc, int32_t axle) {
    char name[32];
    std::snprintf(name, sizeof name, "pos_roue%d", disc);
    Interp_WriteVar(name, axle);
}
int32_t DiscObject(int disc) {
    char name[32];
    std::snprintf(name, sizeof name, "DISQUE%d", disc);
    return pz_objet_id(name);
}

void ShowOnAxle(ST_spw_visible* s, int32_t axle) {
    s->frame = axle - 1;
    s->playing = 0;
    s->shown = 1;
}

bool PositionsAre(const int (&want)[kDiscs]) {
    for (int d = 1; d <= kDiscs; d++)
        if (Pos(d) != want[d - 1]) return false;
    return true;
}

void Bridge(const char* hide, const char* show) {
    Elem_Hide(pz_objet_id(hide), WAM_OBJET, 0);
    Elem_Show(pz_objet_id(show), WAM_OBJET, 0);
}
}  // namespace

void pz_roue_entree() {
    for (int k = 1; k <= kDiscs; k++) {
        char name[32];
        std::snprintf(name, sizeof name, "RoueK%d", k);
        g_slots[k - 1] = OrvSpw_find_index(pz_objet_id(name), WAM_OBJET);
    }
    for (int d = 1; d <= kDiscs; d++) {
        ST_spw_visible* s = DiscSlot(d);
        if (!s) continue;
        if (const int32_t axle = Pos(d)) ShowOnAxle(s, axle);
        else s->shown = 0;
    }
}

void pz_roue_gere_clic(ST_wam_zclic* zone) {
    if (Interp_ReadVar("findisque2") == 1 || !pz_zone_name_starts(zone, "AXE_5ROUES")) return;
    const int32_t axle = pz_zone_name_digit(zone, 10);
    if (axle < 1 || axle > kDiscs) return;
    const int32_t hand = Interp_ReadVar("ObjetEnMain");

    int takenOff = 0;
    for (int d = 1; d <= kDiscs; d++) {
        ST_spw_visible* s = DiscSlot(d);
        if (!s || !s->shown || s->frame != axle - 1) continue;
        s->shown = 0;
        SetPos(d, 0);
        takenOff = d;
    }
    for (int d = 1; d <= kDiscs; d++) {
        if (hand != DiscObject(d)) continue;
        if (ST_spw_visible* s = DiscSlot(d)) ShowOnAxle(s, axle);
        if (hand != 0) Inventaire_DeposeObjEnMain_id(hand);
        SetPos(d, axle);
        pz_roue_check();
        break;
    }
    if (takenOff) Inventaire_PrendObjEnMain_id(DiscObject(1) + takenOff - 1);
}

void pz_roue_check() {
    if (Interp_ReadVar("findisque1") == 0) {
        if (PositionsAre({1, 2, 3, 4, 5})) {
            Bridge("Pont_Leve", "Pont_Moitie");
            Interp_WriteVar("findisque1", 1);
            RunOneCommand("(cinema=24)");
        }
        return;
    }
    if (Interp_ReadVar("findisque2") == 0 && PositionsAre({5, 3, 1, 4, 2})) {
        Bridge("Pont_Moitie", "Pont_Baisse");
        Interp_WriteVar("findisque2", 1);
        RunOneCommand("(cinema=25)");
    }
}
