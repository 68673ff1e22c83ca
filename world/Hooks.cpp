// Calls into the puzzles, the dialogue, the panorama and the main loop, filled by those modules.
#include "world/Hooks.h"

OrvWorldHooks OrvHooks = {};

namespace {
// The loop type kept here while no main loop installed its setter (tools and tests).
int32_t g_loopTypeWithoutMain = 0;
}  // namespace

void OrvHooks_Reset() {
    OrvHooks = OrvWorldHooks{};
    g_loopTypeWithoutMain = 0;
}

int32_t Call_SetLoopType(int32_t type) {
    if (OrvHooks.SetLoopType) return OrvHooks.SetLoopType(type);
    int32_t previous = g_loopTypeWithoutMain;
    g_loopTypeWithoutMain = type;
    return previous;
}
