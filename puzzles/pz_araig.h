// The spider puzzle of YU 198: stages, actors, runs on the web and their 3D objects, and what the
// dispatcher and the panorama call of it.
#pragma once
#include <cstdint>

#include "engine3d/Vector.h"

struct ST_wam_zclic;
struct Orv3DDataBase;

// The spider's stage, 1 to 4; saved, 3 in a new game.
extern int32_t araig_stage;
constexpr int32_t ARAIG_STAGE_INITIAL = 3;

// Actor kinds.
enum : int32_t {
    ARAIG_REMOVED = 0,
    ARAIG_BIG_SPIDER = 1,
    ARAIG_SMALL_SPIDER = 2,
    ARAIG_CATERPILLAR = 3,
    ARAIG_GRASSHOPPER = 4,
    ARAIG_SKULL = 5,
    ARAIG_FEATHER = 6,
    ARAIG_SWORD = 7,
};

// A spider or an object shown on the web. It stands on `from` when `to` equals it, else walks from
// `from` to `to`; cells are view ids 201 to 265.
struct ST_araig_actor {
    int32_t kind;
    Orv3DDataBase* db;
    int32_t from;
    int32_t to;
    float progress;  // 0 to 1 along the walk
    int32_t steps;   // big spider: cells it may still walk for the player's last step
    int32_t frame;   // animation frame of its database
    float heading;   // radians
    float target;    // heading it turns to
    float rate;      // 0, +0.07 or -0.07 per pass
    float yaw;       // added to the heading when the database is turned
};
inline bool araig_is_spider(const ST_araig_actor& a) {
    return a.kind == ARAIG_BIG_SPIDER || a.kind == ARAIG_SMALL_SPIDER;
}
constexpr int ARAIG_MAX_ACTORS = 10;
extern ST_araig_actor araig_actors[ARAIG_MAX_ACTORS];
// At most ARAIG_MAX_ACTORS - 1: a further actor is written into the last record without being counted.
extern int32_t araig_nb_actors;

extern uint8_t araig_running;    // a run on the web is in progress
extern uint8_t araig_db_loaded;  // the stage's databases are loaded

// Per-run state.
extern int32_t araig_chenille_taken;
extern int32_t araig_sauterelle_taken;
extern int32_t araig_crane_taken;
extern int32_t araig_epee_state;    // 0 sword lying, 1 taken, 2 to 5 the big spider stunned, 6+ spent
extern int32_t araig_plume_case;    // cell of the laid feather, 0 none
extern int32_t araig_plume_state;   // 0, 1 lured toward the feather, 2 gave up an attack, 3+ spent
extern int32_t araig_second_state;  // 0 no second small spider, 2 to be added, 1 present
extern int32_t araig_second_index;
extern int32_t araig_caught;        // 0 free, 1 a spider goes for the player, 2 it strikes
extern int32_t araig_lost;
// The object picked up last, which reaches the hand one pass later; "" when none.
extern char araig_item_name[32];
extern int32_t araig_item_delay;
// The hit zone under the screen centre in the last pass, or null.
extern ST_wam_zclic* araig_hit_zone;

// What the dispatcher calls.
void pz_araig_entree();
void pz_araig_update();
// A move or link click while the spider runs; true when taken.
bool pz_araig_gere_clic_zone(ST_wam_zclic* zone);
void pz_araig_continue();
void pz_araig_quit();
// After a load, with the saved view id (which it may change).
void pz_araig_init_after_load(uint32_t* vueId);
// What the panorama calls: the centre click, asked before any other (true when taken); the hit zone
// under the screen centre, or null; the drawing at the end of every frame.
bool pz_araig_gere_clic();
ST_wam_zclic* pz_araig_hit_center();
void pz_araig_draw3d();

// Stage from "finaraign1" to "finaraign3".
void araig_compute_stage();
// Writes the actor at index araig_nb_actors, aims it at its "to" cell and returns the index.
int32_t araig_add_actor(int32_t kind, Orv3DDataBase* db, int32_t from, int32_t to, float progress, float yaw,
                        float heading);
void araig_remove_actors_of_kind(int32_t kind);
void araig_clear_actors();
// A run starts: camera, web coordinates, the stage's actors, hit zones.
void araig_start();
void araig_setup_actors();
// True when the centre of the screen lies on a spider's hit zone.
bool araig_hit_test();
// After the drawing of a lost run: the video, the run's objects out of the bag, the way out.
void araig_finish_lost_run();

// The eleven databases, their files under "datas_q2\3d\" and scales.
extern Orv3DDataBase db_PARmar;      // small spider walking
extern Orv3DDataBase db_PARstby;     // small spider standing
extern Orv3DDataBase db_chenille;    // caterpillar
extern Orv3DDataBase db_sauterelle;  // grasshopper
extern Orv3DDataBase db_ARmar;       // big spider walking
extern Orv3DDataBase db_ARstby;      // big spider standing
extern Orv3DDataBase db_ARmen;       // big spider striking
extern Orv3DDataBase db_ARtoil;      // big spider after the sword blow
extern Orv3DDataBase db_crane;       // skull
extern Orv3DDataBase db_bouclier;    // feather laid on the web
extern Orv3DDataBase db_macahuitl;   // sword
struct ArDbFile {
    Orv3DDataBase* db;
    const char* file;
    float scale;
};
constexpr int ARAIG_NB_DB = 11;
// In loading order.
extern const ArDbFile araig_db_files[ARAIG_NB_DB];
// The stage's databases (sub-directory "pz_araig\" for their side files); a failure stops there and
// leaves the puzzle.
void pz_araig_load_db();
void araig_unload_db();

// The two hit zones: around actor 0 and around the second small spider.
extern ST_wam_zclic araig_zone1;
extern ST_wam_zclic araig_zone2;
// Stands of the actors 80 units below the player's cell, in the camera's space (y down).
constexpr float ARAIG_HEIGHT = 80.0f;
CTVector3 araig_actor_pos(int32_t actor);
// Places the database of one actor, or of every counted actor for -1.
void araig_place_actors(int32_t actor);
void araig_draw_actors();
void araig_init_zones();
void araig_build_zones();
