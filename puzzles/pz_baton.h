// The dowsing rod: an overlay of the panorama raised from the inventory.
#pragma once
#include <cstdint>

struct SprBank;

extern SprBank* baton_SprBank;
extern uint8_t baton_up;
extern int32_t baton_SprNum;
extern int32_t baton_step;
// Where the rod stands: half the render width, and the render height.
extern int32_t baton_x;
extern int32_t baton_y;

// Once per warp frame, from the interface overlays.
void BatonUp();
// An object chosen in the inventory; true when it raised the rod.
bool pz_baton_choose(int32_t objetId);
// The inventory screen opens: the rod goes down.
void pz_baton_down();
// A game is replaced or loaded: only the inventory raises the rod, so it goes down and "SOURCIER" says so.
void pz_baton_reset();
