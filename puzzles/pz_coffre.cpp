// The chest and the six statues of SS 1 to 7.
#include "puzzles/pz_coffre.h"

#include <cstdio>

#include "app/Orv_Log.h"
#include "graphics2d/Orv_Spr.h"
#include "panorama/Orv_Spw.h"
#include "puzzles/pz_common.h"
#include "puzzles/pz_dispatch.h"
#include "video/Orv_Qmv.h"
#include "world/DefName.h"
#include "world/Interp.h"
#include "world/Inventaire.h"
#include "world/wam.h"

namespace {
constexpr int kStatues = 6;
// The place of each statue that solves the puzzle.
constexpr int32_t kSolution[kStatues] = {4, 3, 5, 1, 2, 6};
// Slots of the six statues in the current view, filled at each entry.
int32_t g_statueSlots[kStatues] = {-1, -1, -1, -1, -1, -1};

void ShowChest(int32_t slot) {
    if (ST_spw_visible* s = pz_slot(slot)) {
        s->playing = 0;
        s->frame = 4 - Interp_ReadVar("frame_coffre_chine");
    }
}

int32_t StatuePos(int n) {
    char name[32];
    std::snprintf(name, sizeof name, "pos_statue%d", n);
    return Interp_ReadVar(name);
}

std::string StatueObjectName(int n) {
    char name[32];
    std::snprintf(name, sizeof name, "OB_FIG%dHERBE", n);
    return name;
}
int32_t StatueObject(int n) { return pz_objet_id(StatueObjectName(n).c_str()); }

// Statues 1 to 5 are characters of the view, statue 6 an object.
void StatueElement(int n, int32_t* id, int32_t* kind) {
    if (n == kStatues) {
        *id = StatueObject(n);
        *kind = WAM_OBJET;
        return;
    }
    char name[32];
    std::snprintf(name, sizeof name, "FIGURINE%d", n);
    *id = pz_perso_id(name);
    *kind = WAM_PERSO;
}

void StandOn(ST_spw_visible* s, int32_t place) {
    s->shown = 1;
    s->playing = 0;
    s->frame = place - 1;
}
}  // namespace

int32_t find_idx_pzcoffre(int32_t objetId) {
    const int32_t slot = OrvSpw_FindSlot(objetId, WAM_OBJET);
    if (slot < 0) OrvError_Fatal("pz_coffre vue %d ! find_idx_pzcoffre(%d) introuvable", int(pz_vue_id()), objetId);
    return slot;
}

void pz_coffre_entree() {
    const int32_t chest = find_idx_pzcoffre(pz_objet_id("COFFRE_CHINE"));
    pz_actif = PZ_COFFRE;
    ShowChest(chest);
}

void pz_coffre_gere_clic(ST_wam_zclic* zone) {
    const int32_t chest = find_idx_pzcoffre(pz_objet_id("COFFRE_CHINE"));
    if (pz_vue_id() == 5) {
        const int32_t wandId = pz_objet_id("BAGUETTE");
        const int32_t wand = find_idx_pzcoffre(wandId);
        if (zone->numero == uint32_t(pz_zone_id("PRENDRE_BAGUETTE"))) {
            const int32_t struck = Interp_ReadVar("frame_coffre_chine");
            if (struck < 4) {
                Interp_AddVar("frame_coffre_chine", 1);
                pz_new_sound(210 + struck + 1);
                if (struck + 1 == 4) Elem_Show(wandId, WAM_OBJET, 0);
            } else if (Interp_ReadVar("BAGUETTE_PRISE") == 0) {
                Inventaire_PrendObjEnMain("BAGUETTE");
                // Remembered hidden for later entries; this view's slot is hidden below.
                Elem_Hide(wandId, WAM_OBJET, 1);
                if (ST_spw_visible* s = pz_slot(wand)) s->shown = 0;
                Interp_WriteVar("BAGUETTE_PRISE", 1);
            }
        }
    }
    ShowChest(chest);
}

bool pz_statue_a_sa_place(int n) { return n >= 1 && n <= kStatues && StatuePos(n) == kSolution[n - 1]; }

void pz_statue_entree() {
    const bool view7 = pz_vue_id() == 7;
    for (int n = 1; n <= kStatues; n++) {
        int32_t id, kind;
        StatueElement(n, &id, &kind);
        if (view7 && pz_statue_a_sa_place(n)) {
            g_statueSlots[n - 1] = OrvSpw_find_index_anum(id, kind, 2);
            if (ST_spw_visible* s = pz_slot(g_statueSlots[n - 1])) {
                s->active = 1;
                s->playing = 1;
            }
        } else {
            g_statueSlots[n - 1] = OrvSpw_find_index(id, kind);
        }
    }
    for (int n = 1; n <= kStatues; n++) {
        ST_spw_visible* s = pz_slot(g_statueSlots[n - 1]);
        if (!s) continue;
        const int32_t place = StatuePos(n);
        if (place == 0) {
            s->shown = 0;
        } else if (view7 && pz_statue_a_sa_place(n)) {
            s->shown = 1;
            s->frame = 0;
            s->playing = 1;
        } else {
            StandOn(s, place);
        }
    }
}

void pz_statue_gere_clic(ST_wam_zclic* zone) {
    if (Interp_ReadVar("etat5statues") == 1 || !pz_zone_name_starts(zone, "SOL_FIGUR")) return;
    const int32_t place = pz_zone_name_digit(zone, 9);
    if (place < 1 || place > 7) return;
    const int32_t hand = Interp_ReadVar("ObjetEnMain");

    bool pickedUp = false;
    for (int n = 1; n <= kStatues; n++) {
        ST_spw_visible* s = pz_slot(g_statueSlots[n - 1]);
        if (!s || !s->shown || s->frame != place - 1) continue;
        if (pz_statue_a_sa_place(n)) return;
        s->shown = 0;
        const int32_t object = StatueObject(n);
        const int32_t nspr = DefName_GetParamInt(DEFNAME_OBJETS, StatueObjectName(n).c_str());
        Interp_WriteVar("ObjetEnMain", object);
        OrvSpr_SetObjetEnMainSprite(nspr, Inventaire_GetBank());
        OrvSpr_set_curseur(Inventaire_GetBank(), nspr);
        Inventaire_PrendObj_id_nspr(object, nspr);
        pickedUp = true;
        RunOneCommandf("(pos_statue%d=0)", n);
    }

    int laid = 0;
    for (int n = 1; n <= kStatues && !laid; n++)
        if (hand == StatueObject(n)) laid = n;
    if (!laid) return;
    if (ST_spw_visible* s = pz_slot(g_statueSlots[laid - 1])) StandOn(s, place);
    if (hand != 0) {
        Inventaire_EnleveObj_id(hand);
        pz_new_sound(202);
    }
    if (!pickedUp) OrvSpr_reset_curseur();
    RunOneCommandf("(pos_statue%d=%d)", laid, place);
    pz_statue_check();
}

void pz_statue_check() {
    if (Interp_ReadVar("etat5statues") != 0) return;
    for (int n = 1; n <= kStatues; n++)
        if (!pz_statue_a_sa_place(n)) return;
    RunOneCommand("(etat5statues=1)");
    OrvQmv_start("???");
}
