// The canoe puzzle's screen: the seam the dispatcher calls; the canoe scene is not built yet, so the
// canoe never starts and a click in YU 402 stays an ordinary scenario click.
#include "puzzles/pz_pirogue.h"

#include "app/Orv_Log.h"

bool pz_pirogue_init() {
    debug_log("pz_pirogue_init() : écran de la pirogue absent");
    return false;
}

int32_t pz_pirogue_continue() { return 0; }
void pz_pirogue_quit() {}
