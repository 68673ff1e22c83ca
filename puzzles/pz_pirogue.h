// The canoe puzzle's own screen: what the dispatcher calls of it.
#pragma once
#include <cstdint>

// Prepares the canoe screen; false when it cannot run.
bool pz_pirogue_init();
// One pass of the canoe screen; 0 once the canoe has ended.
int32_t pz_pirogue_continue();
void pz_pirogue_quit();
