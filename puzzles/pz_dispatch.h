// The puzzle dispatcher: which world code and view id lead to which puzzle, at view entry, click and pass.
#pragma once
#include <cstdint>

struct ST_wam_zclic;

// Puzzle ids of pz_actif.
enum : int32_t {
    PZ_NONE = 0,
    PZ_ARAIG = 1,    // spider
    PZ_ANNEAU = 2,   // engraved ring
    PZ_AMES = 3,     // souls maze
    PZ_DRAGON = 4,   // dragon and clouds
    PZ_COFFRE = 5,   // chest
    PZ_POULPE = 6,   // octopus
    PZ_MAYA = 7,     // maya ball boards
    PZ_LAST = PZ_MAYA,
};
// The puzzle that runs now; saved with the game.
extern int32_t pz_actif;
// 1 while the canoe runs (loop type 9); not saved.
extern int32_t pz_pirogue_en_cours;
// The loop type in force when the canoe started.
extern int32_t pz_pirogue_old_looptype;
constexpr int32_t PZ_LOOP_PIROGUE = 9;

// Every entry into a panorama view, once its view sprites are loaded.
void pz_entree_vue();
// A left click in the panorama on the zone under the pointer; true when a puzzle took it.
bool pz_gere_clic(ST_wam_zclic* zone);
// Once per warp pass while pz_actif is not 0.
void pz_continue();
// At load and at exit: every running puzzle leaves.
void pz_quit_all();
// The end of a load, once the saved game is read: the rod, then the spider, whose web moves the game
// to the view before it.
void pz_init_after_load(uint32_t* vueId);
// The canoe: started by a click in YU 402 (only canoe 1); its frame runs once per pass of loop type 9.
bool pz_pirogue_start(int32_t n);
bool pz_pirogue_frame();

// A new game: every puzzle leaves and the saved words take their starting values.
void pz_new_game();
