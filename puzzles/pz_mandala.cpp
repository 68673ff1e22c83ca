// The mandalas of TI 10, laid in an order that the fireflies of SH 1 must follow.
#include "puzzles/pz_mandala.h"

#include <cstdint>
#include <cstdio>

#include "app/Orv_Log.h"
#include "panorama/Orv_Warp.h"
#include "puzzles/pz_common.h"
#include "world/DefName.h"
#include "world/Interp.h"
#include "world/wam.h"

int32_t mandala_objet = 0;
const ST_wam_zclic* mandala_zone = nullptr;

namespace {
struct MandalaRule {
    const char* objet;
    const char* zone;
    const char* variable;
};
constexpr MandalaRule kRules[] = {
    {"MANDALA_BATEAU_IR", "ZONE_IRB", "OrdreMandala1"}, {"MANDALA_BATEAU_CH", "ZONE_CHB", "OrdreMandala2"},
    {"MANDALA_BATEAU_YU", "ZONE_YUB", "OrdreMandala3"}, {"MANDALA_IRLANDE", "ZONE_IRA", "OrdreMandala4"},
    {"MANDALA_CHINE", "ZONE_CHA", "OrdreMandala5"},      {"MANDALA_YUCATAN", "ZONE_YUA", "OrdreMandala6"},
};
constexpr int kFireflies = 6;
// The mandala each firefly zone (by its id) belongs to.
constexpr uint8_t luciole_mandala[kFireflies + 1] = {0, 4, 1, 2, 5, 3, 6};
// The mandalas in the order the exit log lists them.
constexpr int kLogOrder[kFireflies] = {4, 6, 5, 1, 3, 2};

void OrderVar(char (&name)[24], int mandala) { std::snprintf(name, sizeof name, "OrdreMandala%d", mandala); }
}  // namespace

bool pz_mandala_match(const char* objet, const char* zone) {
    return pz_zone_name_is(mandala_zone, zone) && mandala_objet == pz_objet_id(objet);
}

void pz_mandala_pose(const char* objet, const char* zone, const char* variable) {
    if (!pz_mandala_match(objet, zone)) return;
    pz_new_sound(400);
    Interp_AddVar("NbMandalaPosed", 1);
    Interp_WriteVar(variable, Interp_ReadVar("NbMandalaPosed"));
}

void pz_mandala_gere_clic(ST_wam_zclic* zone) {
    mandala_objet = Interp_ReadVar("ObjetEnMain");
    mandala_zone = zone;
    for (const MandalaRule& r : kRules) pz_mandala_pose(r.objet, r.zone, r.variable);
    // The zone belongs to the loaded world: nothing keeps it past the click.
    mandala_zone = nullptr;
}

void pz_lucioles_gere_clic(ST_wam_zclic* zone) {
    if (zone->type != WAM_ZONE_NEXTVUE) return;
    const uint32_t n = zone->numero;
    if (n >= 1 && n <= kFireflies) {
        Interp_AddVar("NbLucioleAllumed", 1);
        warp_stop_rotation();
        char name[24];
        OrderVar(name, luciole_mandala[n]);
        const int32_t lit = Interp_ReadVar("NbLucioleAllumed");
        if (Interp_ReadVar(name) == lit && lit == kFireflies) Interp_WriteVar("Puzzle_Lucioles_Fini", 1);
    } else {
        OrvError_Warning("pz_lucioles_gere_clic(): zone_clicked->numero=%d", int32_t(n));
    }
    pz_new_sound(300);
}

void pz_lucioles_autowin() {
    // Back to the normal field of view over the render area.
    OrvWarp_ZoomStop();
    if (Interp_ReadVar("Puzzle_Lucioles_Fini") != 1) return;
    Interp_WriteVar("Puzzle_Lucioles_AutoWin", 1);
    CtrlScenarIN();
}

void pz_mandala_log_solution() {
    // Only a game whose names define the order variables has an order to tell.
    int32_t order[kFireflies];
    for (int i = 0; i < kFireflies; i++) {
        char name[24];
        OrderVar(name, kLogOrder[i]);
        const int32_t id = DefName_FindId(DEFNAME_VARIABLES, name);
        if (id < 0 || id >= MAX_VARIABLES) return;
        order[i] = Interp_Variables[id];
    }
    debug_log("--- Solution Mandalas ---");
    for (int i = 0; i < kFireflies; i++) debug_log("Mandala %d : numero %d", i + 1, order[i]);
}
