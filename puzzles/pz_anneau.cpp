// The turtle and the engraved ring of CH 40 to 64: the turtle turns the ring frame by frame.
#include "puzzles/pz_anneau.h"

#include "app/FrameTimer.h"
#include "app/Orv_Log.h"
#include "panorama/Orv_Spw.h"
#include "puzzles/pz_common.h"
#include "puzzles/pz_dispatch.h"
#include "world/wam.h"

int32_t anneau_pas = 0;
int32_t anneau_frame = 0;

namespace {
constexpr int32_t kTurn = 10;

// The ring's views; the world code is tested too, a view of the same id elsewhere holds other sprites.
bool InRange() { return pz_vue_in("CH", 40, 64); }

ST_spw_visible* Ring() { return pz_slot(find_num_spw_anneau()); }

// The ring's frames are 0 to L - 1.
int32_t RingFrames(const ST_spw_visible& s) { return s.last_frame + 1; }
}  // namespace

int32_t find_num_spw_anneau() {
    const int32_t ring = pz_objet_id("ANNEAU_GRAVE");
    int32_t found = -1;
    for (int i = 0; i < OrvSpw_NbVisibles; i++)
        if (OrvSpw_Visibles[i].elem_id == ring && OrvSpw_Visibles[i].type % 2 == WAM_OBJET % 2) found = i;
    if (found < 0) OrvError_Fatal("find_num_spw_anneau() !!");
    return found;
}

void pz_anneau_entree() {
    if (!InRange()) {
        pz_anneau_quit();
        return;
    }
    if (pz_actif != PZ_ANNEAU) {
        pz_actif = PZ_ANNEAU;
        anneau_frame = 0;
    }
    ST_spw_visible* s = Ring();
    if (!s) return;
    s->playing = 0;
    s->shown = 1;
    if (anneau_frame < RingFrames(*s)) s->frame = anneau_frame;
}

void pz_tortue_gere_clic(ST_wam_zclic* zone) {
    if (!InRange()) {
        pz_anneau_quit();
        return;
    }
    if (anneau_pas != 0) return;
    if (zone->numero == uint32_t(pz_zone_id("TORTUE_GAUCHE"))) {
        pz_new_sound(218);
        anneau_pas = anneau_frame == 0 ? kTurn - 1 : kTurn;
    } else if (zone->numero == uint32_t(pz_zone_id("TORTUE_DROITE"))) {
        pz_new_sound(218);
        anneau_pas = anneau_frame == kTurn - 1 ? -(kTurn - 1) : -kTurn;
    }
}

void pz_anneau_continue() {
    if (!InRange()) {
        pz_anneau_quit();
        return;
    }
    ST_spw_visible* s = Ring();
    if (!s || !frame_timer_take_flag(NEWFRAME_PUZZLE)) return;
    const int32_t frames = RingFrames(*s);
    if (anneau_pas > 0) {
        anneau_pas--;
        if (s->frame >= frames - 1) {
            s->frame = 0;
            anneau_frame = 0;
            return;
        }
        s->frame++;
    } else if (anneau_pas < 0) {
        anneau_pas++;
        s->frame = (s->frame < 1 ? frames : s->frame) - 1;
    }
    anneau_frame = s->frame;
}

void pz_anneau_quit() {
    if (pz_actif == PZ_ANNEAU) pz_actif = PZ_NONE;
}
