// The ogham stone of IR 6: strokes carved and cut with the knife, each a frame of the stone's sprite.
#include "puzzles/pz_ogham.h"

#include <cstring>

#include "app/Orv_Log.h"
#include "graphics2d/Orv_Spr.h"
#include "panorama/Orv_Spw.h"
#include "puzzles/pz_common.h"
#include "world/Interp.h"
#include "world/wam.h"

int8_t ogham_etat[PZ_OGHAM_POSITIONS] = {2, 6, 10, 14, 18, 22, 26, 30, 34, 38, 42, 46, 50, 54, 58};
const int8_t ogham_solution[PZ_OGHAM_POSITIONS] = {0, 4, -1, -1, -1, 23, 27, 31, 35, 39, -1, -1, -1, -1, -1};
int32_t ogham_id = -1;

namespace {
// Frame 4 x p + v draws the stroke of position p in shape v; rows of five positions.
constexpr int kRow = 5;
constexpr int kShapes = 4;
constexpr int kNewShape = 2;
constexpr uint32_t kRowZone = 16, kCheckZone = 99;

bool Carved(int p) { return ogham_etat[p] != -1; }

// Position p of the stone and entry p of its frame list, which mirrors it.
void Set(int32_t stone, int p, int frame) {
    ogham_etat[p] = int8_t(frame);
    for (int i = 0; i < OrvSpw_NbVisibles; i++) {
        ST_spw_visible& s = OrvSpw_Visibles[i];
        if (s.elem_id == stone && s.type % 2 == WAM_OBJET % 2) s.frame_tab[p] = uint8_t(frame);
    }
}

void Check() {
    if (std::memcmp(ogham_etat, ogham_solution, sizeof ogham_etat) == 0 && Interp_ReadVar("FINOGHAM") == 0)
        Interp_WriteVar("FINOGHAM", 1);
}

// Every stroke of the row takes the next shape.
void TurnRow(int32_t stone, int f) {
    int v = TestSpwFrameTab(stone, WAM_OBJET, ogham_etat[f]);
    // An empty first position starts from shape 0, within the row's own frames.
    if (v < 0) v = kShapes * f - 1;
    v++;
    if (v == kShapes * f + kShapes) v = kShapes * f;
    for (int p = f; p < f + kRow; p++, v += kShapes)
        if (Carved(p)) Set(stone, p, v);
}

void CarveOrCut(int32_t stone, int p) {
    const int column = p % kRow;
    if (column == 0) {
        if (!Carved(p) && !Carved(p + 1)) Set(stone, p, kShapes * p + kNewShape);
        else if (Carved(p) && !Carved(p + 1)) Set(stone, p, -1);
    } else if (column == kRow - 1) {
        if (!Carved(p) && Carved(p - 1)) Set(stone, p, ogham_etat[p - 1] + kShapes);
        else if (Carved(p)) Set(stone, p, -1);
    } else {
        if (!Carved(p) && Carved(p - 1)) Set(stone, p, ogham_etat[p - 1] + kShapes);
        else if (Carved(p) && !Carved(p + 1)) Set(stone, p, -1);
    }
}
}  // namespace

void pz_ogham_entree() {
    ogham_id = pz_objet_id("OGHAM_SPRITE");
    // Entry p of the list shows position p: the list is written afresh, in position order.
    ClearSpwFrameTab(ogham_id, WAM_OBJET);
    for (int8_t frame : ogham_etat) AddSpwToFrameTab(ogham_id, WAM_OBJET, uint8_t(frame));
}

void pz_oghamgereclic(ST_wam_zclic* zone) {
    // Clicks reach the stone only in its view, after the view's entry looked it up.
    if (OrvSpw_FindSlot(ogham_id, WAM_OBJET) < 0) {
        OrvError_Warning("pz_oghamgereclic ID introuvable :%d", ogham_id);
        return;
    }
    const uint32_t z = zone->numero;
    if (z < 1) return;
    if (z == kCheckZone) Check();
    else if (z >= kRowZone && z < kRowZone + 3) TurnRow(ogham_id, kRow * int(z - kRowZone));
    else if (z <= PZ_OGHAM_POSITIONS) CarveOrCut(ogham_id, int(z) - 1);
    RunOneCommand("(newsound=4)");
}

void pz_ogham_quit() {
    if (pz_vue_id() == 6) OrvSpr_set_curseur(nullptr, 0);
}
