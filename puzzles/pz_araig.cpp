// The spider puzzle of YU 198: stages, actors, runs on the web, clicks, pick-ups, the lost run, the
// restore after a load.
#include "puzzles/pz_araig.h"

#include <cstdio>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "engine3d/Orv3D.h"
#include "framework/Input.h"
#include "panorama/Orv_Warp.h"
#include "panorama/Z3d.h"
#include "puzzles/pz_common.h"
#include "puzzles/pz_dispatch.h"
#include "puzzles/pz_toile.h"
#include "world/Interp.h"
#include "world/Inventaire.h"
#include "world/wam.h"

int32_t araig_stage = ARAIG_STAGE_INITIAL;
ST_araig_actor araig_actors[ARAIG_MAX_ACTORS] = {};
int32_t araig_nb_actors = 0;
uint8_t araig_running = 0;
uint8_t araig_db_loaded = 0;
int32_t araig_chenille_taken = 0;
int32_t araig_sauterelle_taken = 0;
int32_t araig_crane_taken = 0;
int32_t araig_epee_state = 0;
int32_t araig_plume_case = 0;
int32_t araig_plume_state = 0;
int32_t araig_second_state = 0;
int32_t araig_second_index = 0;
int32_t araig_caught = 0;
int32_t araig_lost = 0;
char araig_item_name[32] = "";
int32_t araig_item_delay = 0;
ST_wam_zclic* araig_hit_zone = nullptr;

namespace {
constexpr float kQuarterTurn = 1.5707964f;
constexpr float kBigSpiderHeading = -1.42f;
// World "YU" keeps its number 6 in "MONDE".
constexpr int32_t kMondeYu = 6;
constexpr uint32_t kBeforeWeb = 198;
constexpr uint32_t kWayOut199 = 199;
constexpr uint32_t kWayOut200 = 200;
constexpr uint32_t kAwayFromWeb = 314;
// The stage-3 blow of the sword, from 247 toward 248.
constexpr uint32_t kSwordFrom = 247;
constexpr uint32_t kSwordTo = 248;
constexpr int32_t kStruckFrame = 30;
constexpr int kFeatherFlag = 115;

void Run(const char* command) { RunOneCommand(command); }

bool InHand(const char* object) { return Interp_GetEngineVar(IV_OBJETENMAIN) == pz_objet_id(object); }

bool SecondPresent() { return (araig_stage == 2 || araig_stage == 4) && araig_second_state == 1; }

// A view of the web's world: "YU" and an id in first..last.
bool WebView(uint32_t first, uint32_t last) { return pz_vue_in("YU", first, last); }

void TakeItem(const char* name) { std::snprintf(araig_item_name, sizeof araig_item_name, "%s", name); }

ST_wam_zclic* ZoneAtCentre(ST_wam_zclic* zone) {
    int32_t x, y;
    OrvWarp_GetScreenCentre(&x, &y);
    zone->next = nullptr;
    return z3d_find_zone_at(zone, x, y);
}

// The errand's test on leaving the web: while its object was not taken the run just ends; else it is
// counted (`done`, when given) and the stage's databases and actors go.
bool ErrandDone(int32_t taken, const char* done) {
    if (!taken) {
        araig_running = 0;
        return false;
    }
    if (done) Run(done);
    araig_unload_db();
    araig_clear_actors();
    return true;
}

// Four tests on leaving the web by 199 or 200, each on the stage of its moment.
void LeaveWeb() {
    if (araig_stage == 1) {
        if (!ErrandDone(araig_chenille_taken, "(finaraign1=1)")) return;
        araig_compute_stage();
    }
    if (araig_stage == 2) {
        if (!ErrandDone(araig_sauterelle_taken, "(finaraign2=1)")) return;
        araig_compute_stage();
    }
    if (araig_stage == 4 && !ErrandDone(araig_sauterelle_taken, nullptr)) return;
    if (araig_stage == 3) {
        Run("(sacados=NOT_EPEE)");
        if (araig_crane_taken) {
            ErrandDone(1, "(finaraign3=1)");
            araig_compute_stage();
        } else if (araig_plume_case != 0) {
            Run("(sacados=PLUME)");
        }
    }
    araig_running = 0;
}

void PickUps(uint32_t v) {
    if (v == ARAIG_CENTRE && araig_stage == 1 && !araig_chenille_taken) {
        araig_chenille_taken = 1;
        araig_remove_actors_of_kind(ARAIG_CATERPILLAR);
        Run("(sacados=CHENILLE)");
        TakeItem("CHENILLE");
        pz_new_sound(104);
    } else if (v == ARAIG_CENTRE && araig_stage == 3 && !araig_crane_taken) {
        araig_crane_taken = 1;
        araig_remove_actors_of_kind(ARAIG_SKULL);
        Run("(sacados=CRANE_ARAIG2)");
        TakeItem("CRANE_ARAIG2");
    }
    if (v == 251 && (araig_stage == 2 || araig_stage == 4) && !araig_sauterelle_taken) {
        araig_sauterelle_taken = 1;
        araig_remove_actors_of_kind(ARAIG_GRASSHOPPER);
        Run("(sacados=SAUTERELLE)");
        TakeItem("SAUTERELLE");
        pz_new_sound(105);
    }
    if (v == kSwordFrom && araig_stage == 3 && araig_epee_state == 0) {
        araig_epee_state = 1;
        araig_remove_actors_of_kind(ARAIG_SWORD);
        Run("(sacados=EPEE)");
        TakeItem("EPEE");
    }
}

// The player entered a cell during a run.
void EnterCell(uint32_t v) {
    for (int32_t i = 0; i < araig_nb_actors; i++)
        araig_actors[i].steps = araig_actors[i].kind == ARAIG_BIG_SPIDER ? 2 : 0;
    araig_move_spiders();
    araig_place_actors(-1);
    PickUps(v);
}

// Ends a run without an outcome: a jump away from the web's cells.
void AbandonRun() {
    araig_running = 0;
    araig_clear_actors();
}

// The lost run leaves the web by the way out of its stage.
void araig_lost_exit() {
    const uint32_t exit = araig_stage == 2 || araig_stage == 4 ? kWayOut199 : kWayOut200;
    if (wam_cherche_vue_id(OrvWam_CurrentLieu, exit)) OrvWam_RequestVue(exit);
    else OrvError_Warning("pz_araig : vue de sortie %u absente", exit);
    araig_running = 0;
}
}  // namespace

void araig_compute_stage() {
    if (Interp_ReadVar("finaraign1") == 0) araig_stage = 1;
    else if (Interp_ReadVar("finaraign2") == 0) araig_stage = 2;
    else if (Interp_ReadVar("finaraign3") == 0) araig_stage = 3;
    else araig_stage = 4;
}

int32_t araig_add_actor(int32_t kind, Orv3DDataBase* db, int32_t from, int32_t to, float progress, float yaw,
                        float heading) {
    const int32_t i = araig_nb_actors;
    ST_araig_actor& a = araig_actors[i];
    a = ST_araig_actor{};
    a.kind = kind;
    a.db = db;
    a.from = from;
    a.to = to;
    a.progress = progress;
    a.yaw = yaw;
    a.heading = heading;
    araig_aim_actor(i);
    if (araig_nb_actors + 1 < ARAIG_MAX_ACTORS) araig_nb_actors++;
    return i;
}

void araig_remove_actors_of_kind(int32_t kind) {
    for (ST_araig_actor& a : araig_actors)
        if (a.kind == kind) a.kind = ARAIG_REMOVED;
}

void araig_clear_actors() {
    for (ST_araig_actor& a : araig_actors) a = ST_araig_actor{};
    araig_nb_actors = 0;
    araig_second_state = 0;
}

void araig_setup_actors() {
    araig_clear_actors();
    const uint32_t v = pz_vue_id();
    switch (araig_stage) {
    case 1:
        araig_add_actor(ARAIG_SMALL_SPIDER, &db_PARstby, ARAIG_CENTRE, v == 215 ? 250 : 264, 0, kQuarterTurn, 0);
        araig_add_actor(ARAIG_CATERPILLAR, &db_chenille, ARAIG_CENTRE, ARAIG_CENTRE, 0, 0, 0);
        araig_chenille_taken = 0;
        break;
    case 2:
        araig_add_actor(ARAIG_SMALL_SPIDER, &db_PARstby, ARAIG_CENTRE, v == 213 ? 264 : 250, 0, kQuarterTurn, 0);
        araig_add_actor(ARAIG_GRASSHOPPER, &db_sauterelle, 251, 251, 0, 0, 0);
        araig_sauterelle_taken = 0;
        break;
    case 3: {
        const int32_t big = araig_add_actor(ARAIG_BIG_SPIDER, &db_ARstby, ARAIG_CENTRE, v == 215 ? 250 : 264, 0,
                                            kQuarterTurn, kBigSpiderHeading);
        araig_actors[big].steps = 1;
        araig_actors[big].db = &db_ARmar;
        araig_add_actor(ARAIG_SKULL, &db_crane, ARAIG_CENTRE, ARAIG_CENTRE, 0, 0, 0);
        araig_add_actor(ARAIG_SKULL, &db_crane, 257, 257, 0, 0, 0);
        araig_add_actor(ARAIG_SWORD, &db_macahuitl, 247, 247, 0, 0, 0);
        araig_crane_taken = araig_epee_state = araig_plume_state = araig_plume_case = 0;
        break;
    }
    default:
        araig_add_actor(ARAIG_SMALL_SPIDER, &db_PARstby, ARAIG_CENTRE, v == 213 ? 264 : 250, 0, kQuarterTurn, 0);
        if (!Inventaire_IsObjetInSac("SAUTERELLE")) {
            araig_add_actor(ARAIG_GRASSHOPPER, &db_sauterelle, 251, 251, 0, 0, 0);
            araig_sauterelle_taken = 0;
        } else {
            araig_sauterelle_taken = 1;
        }
        break;
    }
    araig_place_actors(-1);
}

void araig_start() {
    Orv3D_CurrentCamera = &OrvWarp_GetCamera();
    fill_coord_warps();
    // Nothing of an earlier run carries over (one of another game loaded since among them): its
    // objects, a loss, an object on its way to the hand.
    araig_chenille_taken = araig_sauterelle_taken = araig_crane_taken = 0;
    araig_epee_state = araig_plume_state = araig_plume_case = 0;
    araig_lost = 0;
    araig_item_name[0] = 0;
    araig_item_delay = 0;
    araig_setup_actors();
    araig_caught = 0;
    araig_init_zones();
    if (araig_stage == 3) {
        Run("(flag92=1)");
        Run("(enablesuj=CHAUVE_SOURIS,DEESSE_ARAIGNEE)");
        Run("(enablesuj=PRETRESSE,DEESSE_ARAIGNEE)");
    }
}

void pz_araig_entree() {
    Run("(sacados=NOT_EPEE)");
    if (Interp_Flags[kFeatherFlag] == 1) Run("(sacados=PLUME)");
    araig_compute_stage();
    araig_unload_db();
    pz_araig_load_db();
    pz_actif = PZ_ARAIG;
}

void pz_araig_update() {
    const uint32_t v = pz_vue_id();
    if (araig_running) {
        if (WebView(kWayOut199, kWayOut200)) {
            LeaveWeb();
            return;
        }
        if (WebView(ARAIG_FIRST_CASE, ARAIG_CENTRE)) {
            EnterCell(v);
            return;
        }
        // A jump away from the cells (the scenario's) ends the run; the view is then taken as any other.
        AbandonRun();
    }
    if (WebView(ARAIG_FIRST_CASE, ARAIG_CENTRE)) {
        araig_running = 1;
        araig_compute_stage();
        if (!araig_db_loaded) pz_araig_load_db();
        araig_start();
        return;
    }
    if (WebView(kBeforeWeb, ARAIG_CENTRE)) return;
    pz_araig_quit();
}

bool pz_araig_gere_clic_zone(ST_wam_zclic* zone) {
    if (!zone) return false;
    const uint32_t target = zone->numero;
    const uint32_t v = pz_vue_id();
    if (araig_running) {
        for (int32_t i = 0; i < araig_nb_actors; i++) {
            const ST_araig_actor& a = araig_actors[i];
            if (araig_is_spider(a) && (a.progress != 0.0f || a.heading != a.target)) return true;
        }
        int32_t caught = -1;
        for (int32_t i = 0; i < araig_nb_actors; i++) {
            ST_araig_actor& a = araig_actors[i];
            if (!araig_is_spider(a) || a.to != int32_t(target)) continue;
            if (araig_stage == 3 && v == kSwordFrom && target == kSwordTo) {
                if (InHand("EPEE")) {
                    araig_epee_state = 2;
                    a.db = &db_ARtoil;
                    a.frame = kStruckFrame;
                    Run("(cinema=48)");
                }
            } else {
                caught = i;
            }
        }
        if (caught >= 0) {
            ST_araig_actor& a = araig_actors[caught];
            araig_caught = 1;
            a.db = a.kind == ARAIG_BIG_SPIDER ? &db_ARmar : &db_PARmar;
            a.frame = 0;
            a.to = int32_t(v);
            return true;
        }
    }
    if (araig_epee_state == 2 && target == kSwordTo) return true;
    if (target == kAwayFromWeb) pz_araig_quit();
    else if ((target == kWayOut199 || target == kWayOut200) && v != kBeforeWeb) {
        Run("(FuiteToileAraig=1)");
        Run("(NextWarpInvalide=1)");
    }
    // The feather is laid on a cell of a run; laid outside one it would vanish at the next start.
    if (araig_running && InHand("PLUME") && araig_is_case(int32_t(target)) && db_bouclier.valid) {
        araig_add_actor(ARAIG_FEATHER, &db_bouclier, int32_t(target), int32_t(target), 0, 0, 0);
        araig_plume_case = int32_t(target);
        Run("(sacados=NOT_plume)");
        Run("(objetenmain=0)");
        return true;
    }
    return false;
}

bool araig_hit_test() {
    if (ZoneAtCentre(&araig_zone1)) return true;
    if (!ZoneAtCentre(&araig_zone2)) return false;
    return araig_stage == 2 || (araig_stage == 4 && araig_second_state == 1);
}

bool pz_araig_gere_clic() {
    if (!araig_running || !MouseClickFlags.click || !araig_hit_test()) return false;
    if (ZoneAtCentre(&araig_zone1) || (SecondPresent() && ZoneAtCentre(&araig_zone2))) MouseClickFlags.click = 0;
    switch (araig_stage) {
    case 1: Run("(dial=187)"); break;
    case 3:
        if (InHand("EPEE")) araig_epee_state = 2;
        else Run("(dial=189)");
        break;
    default: Run("(dial=188)"); break;
    }
    return true;
}

ST_wam_zclic* pz_araig_hit_center() {
    if (!araig_running) return nullptr;
    if (ST_wam_zclic* z = ZoneAtCentre(&araig_zone1)) return z;
    if (SecondPresent()) return ZoneAtCentre(&araig_zone2);
    return nullptr;
}

void pz_araig_continue() {
    if (!araig_running) return;
    if (araig_item_name[0]) {
        if (!araig_item_delay) {
            araig_item_delay = 1;
        } else {
            Inventaire_SetObjetEnMain(araig_item_name);
            araig_item_name[0] = 0;
            araig_item_delay = 0;
        }
    }
    araig_animate_actors();
    araig_hit_zone = pz_araig_hit_center();
    if (araig_hit_zone) OrvWarp_ZoneSouris = araig_hit_zone;
}

void araig_finish_lost_run() {
    if (!araig_lost) return;
    araig_lost = 0;
    RunOneCommand_AfterDisplay("(cinema=46)");
    switch (araig_stage) {
    case 3:
        if (araig_plume_case != 0) Run("(sacados=PLUME)");
        Run("(sacados=NOT_EPEE)");
        if (araig_crane_taken) Run("(sacados=NOT_CRANE_ARAIG2)");
        break;
    case 2:
    case 4: Run("(sacados=NOT_SAUTERELLE)"); break;
    default: Run("(sacados=NOT_CHENILLE)"); break;
    }
    araig_lost_exit();
    araig_clear_actors();
}

void pz_araig_quit() {
    if (pz_actif != PZ_ARAIG) return;
    araig_unload_db();
    pz_actif = PZ_NONE;
    araig_running = 0;
    OrvFile_Set_DB_secondary_path(nullptr);
}

void pz_araig_init_after_load(uint32_t* vueId) {
    if (!vueId || Interp_GetEngineVar(IV_MONDE) != kMondeYu || *vueId < kBeforeWeb || *vueId > uint32_t(ARAIG_CENTRE))
        return;
    // The game resumes before the web; the world enters view 198 of the place.
    *vueId = kBeforeWeb;
    OrvWam_CurrentVue = nullptr;
    const int32_t saved = araig_stage;
    if (saved == 1 && Inventaire_IsObjetInSac("CHENILLE")) Run("(finaraign1=1)");
    if (saved == 2 && Inventaire_IsObjetInSac("SAUTERELLE")) Run("(finaraign2=1)");
    if (saved != 4 && Inventaire_IsObjetInSac("CRANE_ARAIG2")) {
        araig_crane_taken = 1;
        Run("(sacados=NOT_plume)");
        Run("(finaraign3=1)");
    }
    pz_araig_entree();
}
